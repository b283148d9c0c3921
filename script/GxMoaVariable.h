#pragma once
// The one value type of the script language: integer, double, text, array,
// variable reference, opcode or Null. A value owns its text or array outright;
// copies are deep. Conversions and operators follow fixed rules and never fail.
#include "base/GxTypes.h"
#include "script/GxMoaDefs.h"

#include <vector>

class GxContentWriterBase;
class GxContentReaderBase;

class GxMoaVariable {
public:
    GxMoaVariable() noexcept { m_Int = 0; }
    // Texts up to this many code units are held inside the value itself.
    static constexpr u32 kShortTextMax = 8;
    GxMoaVariable(const GxMoaVariable& other);
    GxMoaVariable(GxMoaVariable&& other) noexcept;
    GxMoaVariable& operator=(const GxMoaVariable& other);
    GxMoaVariable& operator=(GxMoaVariable&& other) noexcept;
    virtual ~GxMoaVariable() { Clear(); }

    // Stored form: "m_ValueType" and the payload by type.
    virtual bool Write(GxContentWriterBase& writer) const;
    virtual bool Read(GxContentReaderBase& reader);

    // Shorthands that build a value of one type.
    static GxMoaVariable OfInt(s64 v);
    static GxMoaVariable OfFloat(f64 v);
    static GxMoaVariable OfString(GxStringView text);

    void Clear() noexcept;
    u32 GetType() const { return m_ValueType; }
    bool IsNull() const { return m_ValueType == kGxMoaNull; }
    bool IsArray() const { return m_ValueType == kGxMoaArray; }
    bool IsOpcode() const { return m_ValueType == kGxMoaOpcode; }
    // The raw 64-bit payload of Int, Float (its bit pattern) and Opcode.
    s64 GetPayload() const;
    // The opcode number of an Opcode value (low 32 bits of the payload).
    s32 GetOpcode() const { return s32(u64(m_Int)); }

    void SetInt64(s64 v);
    void SetFloat(f64 v);
    void SetString(GxStringView text);  // up to the first NUL
    void SetString(const GxChar* text);
    void SetRefVar(GxStringView name);
    void SetOpcode(s32 opcode);
    void MakeArray(u32 count);
    void ResizeArray(u32 count);

    int GetArraySize() const;
    // The array's elements; null unless the value is an Array.
    std::vector<GxMoaVariable>* GetArray() { return IsArray() ? m_Array : nullptr; }
    const std::vector<GxMoaVariable>* GetArray() const { return IsArray() ? m_Array : nullptr; }
    // -1 gives the value itself; an index past the end grows the array. Null
    // for a non-array, an index below -1 or one at the array limit.
    GxMoaVariable* GetElement(int index);
    GxMoaVariable* SetElement(int index, const GxMoaVariable& value);

    s64 ToInt64() const;
    s32 ToInt() const;
    f64 ToFloat() const;
    GxString ToString() const;
    int GetStringLength() const;
    // The text of a Str or RefVar without copying; empty for other types.
    GxStringView GetStringView() const {
        if (m_ValueType != kGxMoaStr && m_ValueType != kGxMoaRefVar) return {};
        return m_TextLength == kLongText ? GxStringView(*m_Str) : GxStringView(m_Short, m_TextLength);
    }
    // Appends the text of the value (ToString) to out.
    void AppendText(GxString* out) const;

    GxMoaVariable operator+(const GxMoaVariable& r) const;
    GxMoaVariable operator-(const GxMoaVariable& r) const;
    GxMoaVariable operator*(const GxMoaVariable& r) const;
    GxMoaVariable operator/(const GxMoaVariable& r) const;
    GxMoaVariable operator%(const GxMoaVariable& r) const;
    GxMoaVariable Concat(const GxMoaVariable& r) const;
    GxMoaVariable operator&(const GxMoaVariable& r) const;
    GxMoaVariable operator|(const GxMoaVariable& r) const;
    GxMoaVariable operator^(const GxMoaVariable& r) const;
    GxMoaVariable operator<<(const GxMoaVariable& r) const;
    GxMoaVariable operator>>(const GxMoaVariable& r) const;
    GxMoaVariable& operator+=(const GxMoaVariable& r);
    GxMoaVariable& operator-=(const GxMoaVariable& r);
    GxMoaVariable& operator*=(const GxMoaVariable& r);
    GxMoaVariable& operator/=(const GxMoaVariable& r);
    GxMoaVariable& operator%=(const GxMoaVariable& r);
    GxMoaVariable& ConcatAssign(const GxMoaVariable& r);

    GxMoaVariable& Negate();
    GxMoaVariable& BitNot();
    GxMoaVariable& LogicalNot();

    bool operator==(const GxMoaVariable& r) const;
    bool operator!=(const GxMoaVariable& r) const { return !(*this == r); }
    bool operator<(const GxMoaVariable& r) const;
    bool operator>(const GxMoaVariable& r) const;
    bool operator<=(const GxMoaVariable& r) const;
    bool operator>=(const GxMoaVariable& r) const;

private:
    // m_TextLength of a text kept on the heap.
    static constexpr u32 kLongText = 0xFFFFFFFF;

    bool ReadNested(GxContentReaderBase& reader, int depth);
    // Copies into a value that holds nothing yet.
    void CopyNested(const GxMoaVariable& other, int depth);
    void Swap(GxMoaVariable& other) noexcept;
    // Gives a value that holds nothing yet the text, as it is.
    void TakeText(GxStringView text, u32 type);
    bool HasHeapText() const {
        return (m_ValueType == kGxMoaStr || m_ValueType == kGxMoaRefVar) && m_TextLength == kLongText;
    }

    union {
        s64 m_Int;
        f64 m_Float;
        GxString* m_Str;
        std::vector<GxMoaVariable>* m_Array;
        GxChar m_Short[kShortTextMax];
    };
    u32 m_ValueType = kGxMoaNull;
    // Code units of a short text in m_Short, or kLongText for one in m_Str.
    u32 m_TextLength = 0;
};

// Element i of a builtin's argument array; i must be below the element count
// (builtins pad the array first).
GxMoaVariable* GxMoaArgumentAt(GxMoaVariable* args, int i);
