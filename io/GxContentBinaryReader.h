#pragma once
// Reads the binary content form (and, through GxContentCompressedBinaryReader,
// the inflated body of the compressed form) from a buffer that the caller
// keeps alive. Every complaint is counted and, when verbose, logged.
#include "io/GxContentReaderBase.h"

class GxContentBinaryReader : public GxContentReaderBase {
public:
    GxContentBinaryReader(const GxBinBuffer& buffer, bool verbose);
    GxContentBinaryReader(const u8* data, u32 size, bool verbose);

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

protected:
    // For forms that share the value layout; prefix begins every message.
    GxContentBinaryReader(const char* prefix, bool verbose);

    void Overrun();
    void TypeError(u32 expected);
    void StringTypeError();
    // The next byte, or 255 (counted as an overrun) at the end.
    u32 ReadCode();
    // n bytes stored big-endian into dst (reversed); nothing is consumed when
    // fewer remain.
    bool ReadBE(void* dst, u32 n);
    bool GetF32(f32* v);
    bool GetS32(s32* v);
    // The bytes of a string value whose code has been read.
    bool ReadStringBytes(std::string_view* bytes);

    const char* m_Prefix;
    bool m_Verbose;
    const u8* m_Pos = nullptr;
    const u8* m_End = nullptr;

private:
    // Reads the code of a value and checks it against the one accepted code.
    bool Expect(u32 code);
    // The same for a value that may be stored as either of two codes: the code
    // read, or 0 (a complaint about `code`) for any other.
    u32 ExpectEither(u32 code, u32 alternative);
    // The components in order (f32 or s32 each), stopping at the first that fails.
    template <class... T>
    bool GetEach(T*... v);
    // A byte count, and that many bytes and `extra` more are left.
    bool ReadByteCount(u32* n, u32 extra);
    // A string value's code (UTF-8 or ANSI) and bytes.
    bool ReadStringValue(u32* code, std::string_view* bytes);
};
