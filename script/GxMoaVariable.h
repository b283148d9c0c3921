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
    // Texts up to this many code units are held inside the value itself.
    static constexpr u32 kShortTextMax = 8;

    GxMoaVariable() noexcept {
        m_Int = 0;
        m_Tail = 0;
    }
    GxMoaVariable(const GxMoaVariable& other) {
        if (other.OwnsHeap()) {
            m_Int = 0;
            m_Tail = 0;
            CopyNested(other, 0);
        } else {
            CopyPlain(other);
        }
    }
    GxMoaVariable(GxMoaVariable&& other) noexcept {
        CopyPlain(other);
        other.m_Int = 0;
        other.m_ValueType = kGxMoaNull;
        other.m_Aux = 0;
    }
    GxMoaVariable& operator=(const GxMoaVariable& other) {
        if (!OwnsHeap() && !other.OwnsHeap())
            CopyPlain(other);
        else
            AssignSlow(other);
        return *this;
    }
    GxMoaVariable& operator=(GxMoaVariable&& other) noexcept {
        if (this == &other) return *this;
        // The source may live inside this value's own array: it is taken
        // before the old content goes.
        GxMoaVariable taken(std::move(other));
        Clear();
        CopyPlain(taken);
        taken.m_Aux = 0;
        return *this;
    }
    virtual ~GxMoaVariable() {
        if (OwnsHeap()) ReleaseHeap();
    }

    // Stored form: "m_ValueType" and the payload by type.
    virtual bool Write(GxContentWriterBase& writer) const;
    virtual bool Read(GxContentReaderBase& reader);

    // Shorthands that build a value of one type.
    static GxMoaVariable OfInt(s64 v) {
        GxMoaVariable out;
        out.m_Int = v;
        out.m_ValueType = kGxMoaInt;
        return out;
    }
    static GxMoaVariable OfFloat(f64 v);
    static GxMoaVariable OfString(GxStringView text);

    void Clear() noexcept {
        if (OwnsHeap()) ReleaseHeap();
        m_Int = 0;
        m_Tail = 0;
        m_ValueType = kGxMoaNull;
        m_Aux = 0;
    }
    u32 GetType() const { return m_ValueType; }
    bool IsNull() const { return m_ValueType == kGxMoaNull; }
    bool IsArray() const { return m_ValueType == kGxMoaArray; }
    bool IsOpcode() const { return m_ValueType == kGxMoaOpcode; }
    // The raw 64-bit payload of Int, Float (its bit pattern) and Opcode.
    s64 GetPayload() const;
    // The opcode number of an Opcode value (low 32 bits of the payload).
    s32 GetOpcode() const { return s32(u64(m_Int)); }

    void SetInt64(s64 v) {
        Clear();
        m_Int = v;
        m_ValueType = kGxMoaInt;
    }
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

    s64 ToInt64() const { return m_ValueType == kGxMoaInt ? m_Int : ToInt64Slow(); }
    s32 ToInt() const;
    f64 ToFloat() const;
    GxString ToString() const;
    int GetStringLength() const;
    // The text of a Str or RefVar without copying; empty for other types.
    GxStringView GetStringView() const {
        if (m_ValueType != kGxMoaStr && m_ValueType != kGxMoaRefVar) return {};
        return m_Aux == kHeap ? GxStringView(*m_Str) : GxStringView(m_Short, m_Aux);
    }

    // Two Int operands are the common case and take the short way; the
    // results are those of the general rules.
    GxMoaVariable operator+(const GxMoaVariable& r) const {
        return BothInt(r) ? OfInt(s64(u64(m_Int) + u64(r.m_Int))) : Add(r);
    }
    GxMoaVariable operator-(const GxMoaVariable& r) const {
        return BothInt(r) ? OfInt(s64(u64(m_Int) - u64(r.m_Int))) : Subtract(r);
    }
    GxMoaVariable operator*(const GxMoaVariable& r) const {
        return BothInt(r) ? OfInt(s64(u64(m_Int) * u64(r.m_Int))) : Multiply(r);
    }
    GxMoaVariable operator/(const GxMoaVariable& r) const {
        return BothInt(r) && r.m_Int > 0 ? OfInt(m_Int / r.m_Int) : Divide(r);
    }
    GxMoaVariable operator%(const GxMoaVariable& r) const {
        return BothInt(r) && r.m_Int > 0 ? OfInt(m_Int % r.m_Int) : Remainder(r);
    }
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

    // The same stored value, type and contents alike (==, by the script's
    // rules, takes Null for 0 and 1 for 1.0).
    bool SameAs(const GxMoaVariable& r) const;
    bool operator==(const GxMoaVariable& r) const { return BothInt(r) ? m_Int == r.m_Int : Equals(r); }
    bool operator!=(const GxMoaVariable& r) const { return !(*this == r); }
    bool operator<(const GxMoaVariable& r) const { return BothInt(r) ? m_Int < r.m_Int : Less(r); }
    bool operator>(const GxMoaVariable& r) const { return BothInt(r) ? m_Int > r.m_Int : Greater(r); }
    bool operator<=(const GxMoaVariable& r) const { return BothInt(r) ? m_Int <= r.m_Int : LessOrEqual(r); }
    bool operator>=(const GxMoaVariable& r) const { return BothInt(r) ? m_Int >= r.m_Int : GreaterOrEqual(r); }

private:
    // m_Aux of a value that owns memory: a long text in m_Str or an array.
    static constexpr u32 kHeap = 0xFFFFFFFF;

    bool OwnsHeap() const { return m_Aux == kHeap; }
    bool BothInt(const GxMoaVariable& r) const { return m_ValueType == kGxMoaInt && r.m_ValueType == kGxMoaInt; }
    s64 ToInt64Slow() const;
    GxMoaVariable Add(const GxMoaVariable& r) const;
    GxMoaVariable Subtract(const GxMoaVariable& r) const;
    GxMoaVariable Multiply(const GxMoaVariable& r) const;
    GxMoaVariable Divide(const GxMoaVariable& r) const;
    GxMoaVariable Remainder(const GxMoaVariable& r) const;
    bool Equals(const GxMoaVariable& r) const;
    bool Less(const GxMoaVariable& r) const;
    bool Greater(const GxMoaVariable& r) const;
    bool LessOrEqual(const GxMoaVariable& r) const;
    bool GreaterOrEqual(const GxMoaVariable& r) const;
    // Copies a value that owns nothing, bit for bit.
    void CopyPlain(const GxMoaVariable& other) {
        m_Int = other.m_Int;
        m_Tail = other.m_Tail;
        m_ValueType = other.m_ValueType;
        m_Aux = other.m_Aux;
    }
    void ReleaseHeap() noexcept;
    void AssignSlow(const GxMoaVariable& other);
    bool ReadNested(GxContentReaderBase& reader, int depth);
    // Copies into a value that holds nothing yet.
    void CopyNested(const GxMoaVariable& other, int depth);
    void Swap(GxMoaVariable& other) noexcept;
    // Gives a value that holds nothing yet the text, as it is.
    void TakeText(GxStringView text, u32 type);

    union {
        struct {
            union {
                s64 m_Int;
                f64 m_Float;
                GxString* m_Str;
                std::vector<GxMoaVariable>* m_Array;
            };
            // The rest of a short text's room.
            u64 m_Tail;
        };
        GxChar m_Short[kShortTextMax];
    };
    u32 m_ValueType = kGxMoaNull;
    // Code units of a short text in m_Short; kHeap when the value owns a long
    // text or an array; 0 otherwise.
    u32 m_Aux = 0;
};

// Element i of a builtin's argument array; i must be below the element count
// (builtins pad the array first).
GxMoaVariable* GxMoaArgumentAt(GxMoaVariable* args, int i);
