#pragma once
// Writes the text content form: a header line "magic<TAB>version" and one
// line per value, "code<TAB>name<TAB>fields", the code as two lower-case hex
// digits. Lines end in a bare line feed.
#include "io/GxContentWriterBase.h"

#include <string>

class GxContentTextWriter : public GxContentWriterBase {
public:
    explicit GxContentTextWriter(FILE* stream = nullptr) { m_Stream = stream; }

    bool WriteHeader(const char* magic, u32 version) override;

    bool Write(const char* name, const GxBit32& v) override;
    bool Write(const char* name, const GxPoint4& v) override;
    bool Write(const char* name, const GxPoint3& v) override;
    bool Write(const char* name, const GxPoint2& v) override;
    bool Write(const char* name, const GxFRect& v) override;
    bool Write(const char* name, const GxRect& v) override;
    bool Write(const char* name, const GxMatrix& v) override;
    bool Write(const char* name, const GxFColor& v) override;
    bool Write(const char* name, const GxQuat& v) override;
    bool Write(const char* name, const GxVector4& v) override;
    bool Write(const char* name, const GxVector3& v) override;
    bool Write(const char* name, const GxVector2& v) override;
    bool Write(const char* name, bool v) override;
    bool Write(const char* name, f64 v) override;
    bool Write(const char* name, f32 v) override;
    bool Write(const char* name, u64 v) override;
    bool Write(const char* name, s64 v) override;
    bool Write(const char* name, u32 v) override;
    bool Write(const char* name, s32 v) override;
    bool Write(const char* name, u16 v) override;
    bool Write(const char* name, s16 v) override;
    bool Write(const char* name, u8 v) override;
    bool Write(const char* name, s8 v) override;
    using GxContentWriterBase::Write;
    bool Write(const char* name, const GxChar* v) override;
    bool Write(const char* name, const char* v) override;
    bool WriteBinary(const char* name, const void* data, u32 size) override;
    bool WriteListBegin(const char* name, const char* elementTypeName, u32 count) override;
    bool WriteListEnd() override;
    bool WriteTreeBegin(const char* name, const char* typeName) override;
    bool WriteTreeEnd() override;
    bool WriteTreeStratumBegin() override;
    bool WriteTreeStratumEnd() override;

private:
    bool Put(const std::string& line);
};
