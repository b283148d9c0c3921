#pragma once
// The interface through which every stored object writes its fields as typed,
// named values. The text and binary forms implement it. A writer neither opens
// nor closes its stream.
#include "base/GxFColor.h"
#include "base/GxMatrix.h"
#include "base/GxTypes.h"
#include "base/GxVector.h"
#include "io/GxContentTypes.h"

#include <cstdio>

class GxContentWriterBase {
public:
    GxContentWriterBase() = default;
    virtual ~GxContentWriterBase() = default;
    GxContentWriterBase(const GxContentWriterBase&) = delete;
    GxContentWriterBase& operator=(const GxContentWriterBase&) = delete;

    virtual u32 GetVersion() const { return m_Version; }
    // A stream is set and reports no error.
    virtual bool IsGood() const { return m_Stream && !std::ferror(m_Stream); }
    virtual bool WriteHeader(const char* magic, u32 version) = 0;

    virtual bool Write(const char* name, const GxBit32& v) = 0;
    virtual bool Write(const char* name, const GxPoint4& v) = 0;
    virtual bool Write(const char* name, const GxPoint3& v) = 0;
    virtual bool Write(const char* name, const GxPoint2& v) = 0;
    virtual bool Write(const char* name, const GxFRect& v) = 0;
    virtual bool Write(const char* name, const GxRect& v) = 0;
    virtual bool Write(const char* name, const GxMatrix& v) = 0;
    virtual bool Write(const char* name, const GxFColor& v) = 0;
    virtual bool Write(const char* name, const GxQuat& v) = 0;
    virtual bool Write(const char* name, const GxVector4& v) = 0;
    virtual bool Write(const char* name, const GxVector3& v) = 0;
    virtual bool Write(const char* name, const GxVector2& v) = 0;
    virtual bool Write(const char* name, bool v) = 0;
    virtual bool Write(const char* name, f64 v) = 0;
    virtual bool Write(const char* name, f32 v) = 0;
    virtual bool Write(const char* name, u64 v) = 0;
    virtual bool Write(const char* name, s64 v) = 0;
    virtual bool Write(const char* name, u32 v) = 0;
    virtual bool Write(const char* name, s32 v) = 0;
    virtual bool Write(const char* name, u16 v) = 0;
    virtual bool Write(const char* name, s16 v) = 0;
    virtual bool Write(const char* name, u8 v) = 0;
    virtual bool Write(const char* name, s8 v) = 0;
    // Strings are written as UTF-8; a narrow string is taken as ANSI (CP932) text.
    virtual bool Write(const char* name, const GxString& v) { return Write(name, v.c_str()); }
    virtual bool Write(const char* name, const GxStringA& v) { return Write(name, v.c_str()); }
    virtual bool Write(const char* name, const GxChar* v) = 0;
    virtual bool Write(const char* name, const char* v) = 0;
    virtual bool WriteBinary(const char* name, const void* data, u32 size) = 0;
    virtual bool WriteListBegin(const char* name, const char* elementTypeName, u32 count) = 0;
    virtual bool WriteListEnd() = 0;
    virtual bool WriteListElementBegin() { return true; }
    virtual bool WriteListElementEnd() { return true; }
    virtual bool WriteTreeBegin(const char* name, const char* typeName) = 0;
    virtual bool WriteTreeEnd() = 0;
    virtual bool WriteTreeStratumBegin() = 0;
    virtual bool WriteTreeStratumEnd() = 0;
    virtual u32 GetErrorCount() const { return 0; }
    virtual void SetStream(FILE* stream) { m_Stream = stream; }

protected:
    // The start of WriteHeader in every form: a magic longer than its field is
    // refused with a complaint under the writer's class name; else the
    // version is kept.
    bool AcceptHeader(const GxChar* writer, const char* magic, u32 version);

    u32 m_Version = 0;
    FILE* m_Stream = nullptr;
};
