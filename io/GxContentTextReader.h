#pragma once
// Reads the text content form from a buffer that the caller keeps alive. Each
// value is one line of tab-separated fields (code in hex, name, value fields);
// the line is consumed whether or not it was the value asked for, so reading
// goes on with the next line after any complaint.
#include "io/GxContentReaderBase.h"

#include <string>
#include <string_view>
#include <vector>

class GxContentTextReader : public GxContentReaderBase {
public:
    GxContentTextReader(const GxBinBuffer& buffer, bool verbose);
    GxContentTextReader(const u8* data, u32 size, bool verbose);

    void SetBuffer(const u8* data, u32 size) override;
    u32 PeekValueType() override;
    bool ReadHeader(const char* magic, u32* version) override;

    bool Read(const char* name, GxBit32* v) override;
    bool Read(const char* name, GxPoint4* v) override;
    bool Read(const char* name, GxPoint3* v) override;
    bool Read(const char* name, GxPoint2* v) override;
    bool Read(const char* name, GxFRect* v) override;
    bool Read(const char* name, GxRect* v) override;
    bool Read(const char* name, GxMatrix* v) override;
    bool Read(const char* name, GxFColor* v) override;
    bool Read(const char* name, GxQuat* v) override;
    bool Read(const char* name, GxVector4* v) override;
    bool Read(const char* name, GxVector3* v) override;
    bool Read(const char* name, GxVector2* v) override;
    bool Read(const char* name, bool* v) override;
    bool Read(const char* name, f64* v) override;
    bool Read(const char* name, f32* v) override;
    bool Read(const char* name, u64* v) override;
    bool Read(const char* name, s64* v) override;
    bool Read(const char* name, u32* v) override;
    bool Read(const char* name, s32* v) override;
    bool Read(const char* name, u16* v) override;
    bool Read(const char* name, s16* v) override;
    bool Read(const char* name, u8* v) override;
    bool Read(const char* name, s8* v) override;
    using GxContentReaderBase::Read;
    GxStringA ReadString(const char* name) override;
    GxString ReadWString(const char* name) override;
    bool ReadBinary(const char* name, GxBinBuffer* out) override;

    bool ReadListBegin(const char* name, u32* count) override;
    bool ReadListEnd() override;
    bool ReadTreeBegin(const char* name) override;
    bool ReadTreeEnd() override;
    bool ReadTreeStratumBegin() override;
    bool ReadTreeStratumEnd() override;
    bool IsEnd() const override;
    bool SkipValue() override;
    u32 GetRemainingBytes() const override;

private:
    // Reads and splits the next line into m_Fields.
    void NextLine();
    // Reads a value line and checks its code, its name and that it has at
    // least `fields` fields. bit32 selects the message prefix of that type.
    bool BeginValue(u32 code, const char* name, size_t fields, bool bit32 = false);
    bool BeginString(const char* name, u32* code);
    // The checks after the code's own: a wrong code or too few fields are
    // both told as a type complaint naming typeName.
    bool CheckValueLine(bool codeMatches, const char* typeName, const char* prefix, const char* name, size_t fields);
    bool TypeComplaint(const char* typeName, const char* prefix);
    // The first `count` value fields (from field 2) as floats.
    void Floats(f32* out, size_t count) const;
    // Values stored as four floats, in the order of T's members.
    template <class T>
    bool ReadFloat4(u32 code, const char* name, T* v);

    bool m_Verbose;
    const char* m_Pos = nullptr;
    const char* m_End = nullptr;
    u32 m_Line = 0;
    std::string m_Text;
    std::vector<std::string_view> m_Fields;
};
