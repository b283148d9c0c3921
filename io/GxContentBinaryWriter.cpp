#include "io/GxContentBinaryWriter.h"

#include "core/base/GxLog.h"
#include "core/base/GxStringUtil.h"

#include <bit>
#include <cstring>

namespace {

// Collects one value (code and big-endian components) so that it goes to the
// stream in one write.
class ValueBytes {
public:
    explicit ValueBytes(u32 code) { m_Bytes[m_Size++] = u8(code); }
    void U8(u8 v) { m_Bytes[m_Size++] = v; }
    void U16(u16 v) {
        U8(u8(v >> 8));
        U8(u8(v));
    }
    void U32(u32 v) {
        U16(u16(v >> 16));
        U16(u16(v));
    }
    void U64(u64 v) {
        U32(u32(v >> 32));
        U32(u32(v));
    }
    void F32(f32 v) { U32(std::bit_cast<u32>(v)); }
    void F64(f64 v) { U64(std::bit_cast<u64>(v)); }
    const u8* Data() const { return m_Bytes; }
    size_t Size() const { return m_Size; }

private:
    u8 m_Bytes[1 + 16 * 4];
    size_t m_Size = 0;
};

} // namespace

bool GxContentBinaryWriter::Put(const void* bytes, size_t size) {
    if (!m_Stream) return false;
    if (size == 0) return true;
    return std::fwrite(bytes, 1, size, m_Stream) == size;
}

bool GxContentBinaryWriter::WriteHeader(const char* magic, u32 version) {
    const size_t len = magic ? std::strlen(magic) : 0;
    if (len > kGxContentMagicMax) {
        GxWriteErrorLog(u"GxContentBinaryWriter/Header String Too Long(Limit=%d Chars)\n", int(kGxContentMagicMax));
        return false;
    }
    m_Version = version;
    u8 field[20] = {};
    if (len) std::memcpy(field, magic, len);
    field[16] = u8(version >> 24);
    field[17] = u8(version >> 16);
    field[18] = u8(version >> 8);
    field[19] = u8(version);
    return Put(field, sizeof field);
}

#define GX_PUT(v) return Put((v).Data(), (v).Size())

bool GxContentBinaryWriter::Write(const char*, const GxBit32& v) {
    ValueBytes b(kGxValBit32);
    b.U32(v.m_Bits);
    GX_PUT(b);
}
bool GxContentBinaryWriter::Write(const char*, const GxPoint4& v) {
    ValueBytes b(kGxValPoint4);
    b.U32(u32(v.x)), b.U32(u32(v.y)), b.U32(u32(v.z)), b.U32(u32(v.w));
    GX_PUT(b);
}
bool GxContentBinaryWriter::Write(const char*, const GxPoint3& v) {
    ValueBytes b(kGxValPoint3);
    b.U32(u32(v.x)), b.U32(u32(v.y)), b.U32(u32(v.z));
    GX_PUT(b);
}
bool GxContentBinaryWriter::Write(const char*, const GxPoint2& v) {
    ValueBytes b(kGxValPoint2);
    b.U32(u32(v.x)), b.U32(u32(v.y));
    GX_PUT(b);
}
bool GxContentBinaryWriter::Write(const char*, const GxFRect& v) {
    ValueBytes b(kGxValFRect);
    b.F32(v.left), b.F32(v.top), b.F32(v.right), b.F32(v.bottom);
    GX_PUT(b);
}
bool GxContentBinaryWriter::Write(const char*, const GxRect& v) {
    ValueBytes b(kGxValRect);
    b.U32(u32(v.left)), b.U32(u32(v.top)), b.U32(u32(v.right)), b.U32(u32(v.bottom));
    GX_PUT(b);
}
bool GxContentBinaryWriter::Write(const char*, const GxMatrix& v) {
    ValueBytes b(kGxValMatrix);
    for (int i = 0; i < 16; ++i) b.F32(v.m[i]);
    GX_PUT(b);
}
bool GxContentBinaryWriter::Write(const char*, const GxFColor& v) {
    ValueBytes b(kGxValFColor);
    b.F32(v.r), b.F32(v.g), b.F32(v.b), b.F32(v.a);
    GX_PUT(b);
}
bool GxContentBinaryWriter::Write(const char*, const GxQuat& v) {
    ValueBytes b(kGxValQuat);
    b.F32(v.x), b.F32(v.y), b.F32(v.z), b.F32(v.w);
    GX_PUT(b);
}
bool GxContentBinaryWriter::Write(const char*, const GxVector4& v) {
    ValueBytes b(kGxValVector4);
    b.F32(v.x), b.F32(v.y), b.F32(v.z), b.F32(v.w);
    GX_PUT(b);
}
bool GxContentBinaryWriter::Write(const char*, const GxVector3& v) {
    ValueBytes b(kGxValVector3);
    b.F32(v.x), b.F32(v.y), b.F32(v.z);
    GX_PUT(b);
}
bool GxContentBinaryWriter::Write(const char*, const GxVector2& v) {
    ValueBytes b(kGxValVector2);
    b.F32(v.x), b.F32(v.y);
    GX_PUT(b);
}
bool GxContentBinaryWriter::Write(const char*, bool v) {
    ValueBytes b(kGxValBool);
    b.U8(v ? 1 : 0);
    GX_PUT(b);
}
bool GxContentBinaryWriter::Write(const char*, f64 v) {
    ValueBytes b(kGxValF64);
    b.F64(v);
    GX_PUT(b);
}
bool GxContentBinaryWriter::Write(const char*, f32 v) {
    ValueBytes b(kGxValF32);
    b.F32(v);
    GX_PUT(b);
}
bool GxContentBinaryWriter::Write(const char*, u64 v) {
    ValueBytes b(kGxValU64);
    b.U64(v);
    GX_PUT(b);
}
bool GxContentBinaryWriter::Write(const char*, s64 v) {
    ValueBytes b(kGxValS64);
    b.U64(u64(v));
    GX_PUT(b);
}
bool GxContentBinaryWriter::Write(const char*, u32 v) {
    ValueBytes b(kGxValU32);
    b.U32(v);
    GX_PUT(b);
}
bool GxContentBinaryWriter::Write(const char*, s32 v) {
    ValueBytes b(kGxValS32);
    b.U32(u32(v));
    GX_PUT(b);
}
bool GxContentBinaryWriter::Write(const char*, u16 v) {
    ValueBytes b(kGxValU16);
    b.U16(v);
    GX_PUT(b);
}
bool GxContentBinaryWriter::Write(const char*, s16 v) {
    ValueBytes b(kGxValS16);
    b.U16(u16(v));
    GX_PUT(b);
}
bool GxContentBinaryWriter::Write(const char*, u8 v) {
    ValueBytes b(kGxValU8);
    b.U8(v);
    GX_PUT(b);
}
bool GxContentBinaryWriter::Write(const char*, s8 v) {
    ValueBytes b(kGxValS8);
    b.U8(u8(v));
    GX_PUT(b);
}

#undef GX_PUT

bool GxContentBinaryWriter::PutUtf8(std::string_view utf8) {
    ValueBytes b(kGxValStringUTF8);
    b.U32(u32(utf8.size()));
    const u8 zero = 0;
    // Evaluate every piece: the result says whether all of them were written.
    bool ok = Put(b.Data(), b.Size());
    ok = Put(utf8.data(), utf8.size()) && ok;
    ok = Put(&zero, 1) && ok;
    return ok;
}

bool GxContentBinaryWriter::Write(const char*, const GxChar* v) {
    return PutUtf8(GxToUtf8(v ? GxStringView(v) : GxStringView()));
}

bool GxContentBinaryWriter::Write(const char*, const char* v) {
    return PutUtf8(GxToUtf8(GxFromAnsi(v ? std::string_view(v) : std::string_view())));
}

bool GxContentBinaryWriter::WriteBinary(const char*, const void* data, u32 size) {
    // Refused before anything is written, so the stream stays readable.
    if (size && !data) return false;
    ValueBytes b(kGxValBinary);
    b.U32(size);
    bool ok = Put(b.Data(), b.Size());
    ok = Put(data, size) && ok;
    return ok;
}

bool GxContentBinaryWriter::WriteListBegin(const char*, const char*, u32 count) {
    ValueBytes b(kGxValListBegin);
    b.U32(count);
    return Put(b.Data(), b.Size());
}

bool GxContentBinaryWriter::WriteListEnd() {
    const u8 c = kGxValListEnd;
    return Put(&c, 1);
}
bool GxContentBinaryWriter::WriteTreeBegin(const char*, const char*) {
    const u8 c = kGxValTreeBegin;
    return Put(&c, 1);
}
bool GxContentBinaryWriter::WriteTreeEnd() {
    const u8 c = kGxValTreeEnd;
    return Put(&c, 1);
}
bool GxContentBinaryWriter::WriteTreeStratumBegin() {
    const u8 c = kGxValTreeStratumBegin;
    return Put(&c, 1);
}
bool GxContentBinaryWriter::WriteTreeStratumEnd() {
    const u8 c = kGxValTreeStratumEnd;
    return Put(&c, 1);
}
