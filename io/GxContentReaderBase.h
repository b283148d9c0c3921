#pragma once
// The interface through which every stored object reads its fields back, in
// the order they were written. The text, binary and compressed forms implement
// it. Readers never stop the program: they count every complaint (and log it
// when verbose), and return false or a default.
#include "base/GxFColor.h"
#include "base/GxMatrix.h"
#include "base/GxTypes.h"
#include "base/GxVector.h"
#include "io/GxBinBuffer.h"
#include "io/GxContentTypes.h"

class GxContentReaderBase {
public:
    GxContentReaderBase() = default;
    virtual ~GxContentReaderBase() = default;
    GxContentReaderBase(const GxContentReaderBase&) = delete;
    GxContentReaderBase& operator=(const GxContentReaderBase&) = delete;

    virtual void SetBuffer(const u8* data, u32 size) = 0;
    // Whether value names are compared (the text form stores them).
    virtual void SetValueNameCheck(bool check) { m_NameCheck = check; }
    virtual u32 GetVersion() const { return m_Version; }
    // The code of the next value; at the end 255 (binary forms) or 0 (text form).
    virtual u32 PeekValueType() = 0;
    virtual bool ReadHeader(const char* magic, u32* version) = 0;

    virtual bool Read(const char* name, GxBit32* v) = 0;
    virtual bool Read(const char* name, GxPoint4* v) = 0;
    virtual bool Read(const char* name, GxPoint3* v) = 0;
    virtual bool Read(const char* name, GxPoint2* v) = 0;
    virtual bool Read(const char* name, GxFRect* v) = 0;
    virtual bool Read(const char* name, GxRect* v) = 0;
    virtual bool Read(const char* name, GxMatrix* v) = 0;
    virtual bool Read(const char* name, GxFColor* v) = 0;
    virtual bool Read(const char* name, GxQuat* v) = 0;
    virtual bool Read(const char* name, GxVector4* v) = 0;
    virtual bool Read(const char* name, GxVector3* v) = 0;
    virtual bool Read(const char* name, GxVector2* v) = 0;
    virtual bool Read(const char* name, bool* v) = 0;
    virtual bool Read(const char* name, f64* v) = 0;
    virtual bool Read(const char* name, f32* v) = 0;
    virtual bool Read(const char* name, u64* v) = 0;
    virtual bool Read(const char* name, s64* v) = 0;
    virtual bool Read(const char* name, u32* v) = 0;
    virtual bool Read(const char* name, s32* v) = 0;
    virtual bool Read(const char* name, u16* v) = 0;
    virtual bool Read(const char* name, s16* v) = 0;
    virtual bool Read(const char* name, u8* v) = 0;
    virtual bool Read(const char* name, s8* v) = 0;
    // Assign ReadWString / ReadString; true when the read raised no complaint.
    virtual bool Read(const char* name, GxString* v);
    virtual bool Read(const char* name, GxStringA* v);
    // Strings stored as UTF-8 (26) or ANSI (24).
    virtual GxStringA ReadString(const char* name) = 0;
    virtual GxString ReadWString(const char* name) = 0;
    virtual bool ReadBinary(const char* name, GxBinBuffer* out) = 0;

    // Value-returning reads: the value, or the default when the read failed.
    s8 ReadS8(const char* name);
    u8 ReadU8(const char* name);
    s16 ReadS16(const char* name);
    u16 ReadU16(const char* name);
    s32 ReadS32(const char* name);
    u32 ReadU32(const char* name);
    s64 ReadS64(const char* name);
    u64 ReadU64(const char* name);
    f32 ReadF32(const char* name);
    f64 ReadF64(const char* name);
    bool ReadBool(const char* name);
    GxVector2 ReadVector2(const char* name);
    GxVector3 ReadVector3(const char* name);
    GxVector4 ReadVector4(const char* name);
    GxQuat ReadQuat(const char* name);       // default (0, 0, 0, 1)
    GxFColor ReadFColor(const char* name);   // default opaque white
    GxMatrix ReadMatrix(const char* name);   // default identity
    GxRect ReadRect(const char* name);
    GxFRect ReadFRect(const char* name);
    GxPoint2 ReadPoint2(const char* name);
    GxPoint3 ReadPoint3(const char* name);
    GxPoint4 ReadPoint4(const char* name);
    GxBit32 ReadBit32(const char* name);

    virtual bool ReadListBegin(const char* name, u32* count) = 0;
    virtual bool ReadListEnd() = 0;
    virtual bool ReadListElementBegin() { return true; }
    virtual bool ReadListElementEnd() { return true; }
    virtual bool ReadTreeBegin(const char* name) = 0;
    virtual bool ReadTreeEnd() = 0;
    virtual bool ReadTreeStratumBegin() = 0;
    virtual bool ReadTreeStratumEnd() = 0;
    virtual u32 GetErrorCount() const { return m_ErrorCount; }
    virtual bool IsEnd() const = 0;
    virtual bool SkipValue() = 0;

    // How many bytes are left to read: counts read from the file are checked
    // against it before anything is allocated.
    virtual u32 GetRemainingBytes() const = 0;
    // Whether count elements of at least minBytes each (GxContentMinReadBytes)
    // could lie in the bytes left.
    bool CanHold(u64 count, u32 minBytes) const { return count * u64(minBytes) <= GetRemainingBytes(); }

    // The file being read. A game has hundreds of files: the reader's first
    // complaint names this one, so that its maker can tell which is damaged.
    void SetSourceName(GxStringView name);
    const GxString& GetSourceName() const { return m_SourceName; }

    // A complaint of the object being read about what its values mean (a
    // count its file cannot hold, a size beyond its kind): counted as the
    // reader's own and written, naming the file, only when it is the reader's
    // first, so that a damaged file says one line whichever part finds it.
    void ComplainAbout(GxString line);
    // The line with " (" + the file's name + ")" before its line end, when
    // the reader was told it.
    GxString WithSourceName(GxString line) const;

protected:
    // Counts every complaint but logs (when verbose) only a reader's first:
    // one damaged file would otherwise write a line for every value after it.
    void Complain(bool verbose, GxString line);

    u32 m_Version = 0;
    u32 m_ErrorCount = 0;
    bool m_NameCheck = true;

private:
    GxString m_SourceName;
    bool m_Complained = false;
};
