#pragma once
// Writes the binary content form: a 16-byte magic field and a big-endian
// version, then each value as its type code and big-endian payload. Value
// names are not stored.
#include "io/GxContentWriterBase.h"

#include <string_view>

class GxContentBinaryWriter : public GxContentWriterBase {
public:
    explicit GxContentBinaryWriter(FILE* stream = nullptr) { m_Stream = stream; }

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
    bool Put(const void* bytes, size_t size);
    // A value's code and big-endian components in one write.
    template <class... T>
    bool PutValue(u32 code, T... parts);
    bool PutUtf8(std::string_view utf8);
};
