#include "io/GxContentBinaryWriter.h"

#include "base/GxStringUtil.h"

#include <bit>
#include <cstring>

namespace {

// Collects one value (code and big-endian components) so that it goes to the
// stream in one write.
class ValueBytes {
public:
    template <class... T>
    explicit ValueBytes(u32 code, T... parts) {
        Add(u8(code));
        (Add(parts), ...);
    }
    void Add(u8 v) { m_Bytes[m_Size++] = v; }
    void Add(u16 v) {
        Add(u8(v >> 8));
        Add(u8(v));
    }
    void Add(u32 v) {
        Add(u16(v >> 16));
        Add(u16(v));
    }
    void Add(u64 v) {
        Add(u32(v >> 32));
        Add(u32(v));
    }
    void Add(f32 v) { Add(std::bit_cast<u32>(v)); }
    void Add(f64 v) { Add(std::bit_cast<u64>(v)); }
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
    if (!AcceptHeader(u"GxContentBinaryWriter", magic, version)) return false;
    u8 field[20] = {};
    if (magic) std::memcpy(field, magic, std::strlen(magic));
    field[16] = u8(version >> 24);
    field[17] = u8(version >> 16);
    field[18] = u8(version >> 8);
    field[19] = u8(version);
    return Put(field, sizeof field);
}

template <class... T>
bool GxContentBinaryWriter::PutValue(u32 code, T... parts) {
    const ValueBytes b(code, parts...);
    return Put(b.Data(), b.Size());
}

bool GxContentBinaryWriter::Write(const char*, const GxBit32& v) { return PutValue(kGxValBit32, v.m_Bits); }
bool GxContentBinaryWriter::Write(const char*, const GxPoint4& v) {
    return PutValue(kGxValPoint4, u32(v.x), u32(v.y), u32(v.z), u32(v.w));
}
bool GxContentBinaryWriter::Write(const char*, const GxPoint3& v) {
    return PutValue(kGxValPoint3, u32(v.x), u32(v.y), u32(v.z));
}
bool GxContentBinaryWriter::Write(const char*, const GxPoint2& v) { return PutValue(kGxValPoint2, u32(v.x), u32(v.y)); }
bool GxContentBinaryWriter::Write(const char*, const GxFRect& v) {
    return PutValue(kGxValFRect, v.left, v.top, v.right, v.bottom);
}
bool GxContentBinaryWriter::Write(const char*, const GxRect& v) {
    return PutValue(kGxValRect, u32(v.left), u32(v.top), u32(v.right), u32(v.bottom));
}
bool GxContentBinaryWriter::Write(const char*, const GxMatrix& v) {
    ValueBytes b(kGxValMatrix);
    for (int i = 0; i < 16; ++i) b.Add(v.m[i]);
    return Put(b.Data(), b.Size());
}
bool GxContentBinaryWriter::Write(const char*, const GxFColor& v) { return PutValue(kGxValFColor, v.r, v.g, v.b, v.a); }
bool GxContentBinaryWriter::Write(const char*, const GxQuat& v) { return PutValue(kGxValQuat, v.x, v.y, v.z, v.w); }
bool GxContentBinaryWriter::Write(const char*, const GxVector4& v) { return PutValue(kGxValVector4, v.x, v.y, v.z, v.w); }
bool GxContentBinaryWriter::Write(const char*, const GxVector3& v) { return PutValue(kGxValVector3, v.x, v.y, v.z); }
bool GxContentBinaryWriter::Write(const char*, const GxVector2& v) { return PutValue(kGxValVector2, v.x, v.y); }
bool GxContentBinaryWriter::Write(const char*, bool v) { return PutValue(kGxValBool, u8(v ? 1 : 0)); }
bool GxContentBinaryWriter::Write(const char*, f64 v) { return PutValue(kGxValF64, v); }
bool GxContentBinaryWriter::Write(const char*, f32 v) { return PutValue(kGxValF32, v); }
bool GxContentBinaryWriter::Write(const char*, u64 v) { return PutValue(kGxValU64, v); }
bool GxContentBinaryWriter::Write(const char*, s64 v) { return PutValue(kGxValS64, u64(v)); }
bool GxContentBinaryWriter::Write(const char*, u32 v) { return PutValue(kGxValU32, v); }
bool GxContentBinaryWriter::Write(const char*, s32 v) { return PutValue(kGxValS32, u32(v)); }
bool GxContentBinaryWriter::Write(const char*, u16 v) { return PutValue(kGxValU16, v); }
bool GxContentBinaryWriter::Write(const char*, s16 v) { return PutValue(kGxValS16, u16(v)); }
bool GxContentBinaryWriter::Write(const char*, u8 v) { return PutValue(kGxValU8, v); }
bool GxContentBinaryWriter::Write(const char*, s8 v) { return PutValue(kGxValS8, u8(v)); }

bool GxContentBinaryWriter::PutUtf8(std::string_view utf8) {
    const ValueBytes b(kGxValStringUTF8, u32(utf8.size()));
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
    const ValueBytes b(kGxValBinary, size);
    bool ok = Put(b.Data(), b.Size());
    ok = Put(data, size) && ok;
    return ok;
}

bool GxContentBinaryWriter::WriteListBegin(const char*, const char*, u32 count) {
    return PutValue(kGxValListBegin, count);
}

bool GxContentBinaryWriter::WriteListEnd() { return PutValue(kGxValListEnd); }
bool GxContentBinaryWriter::WriteTreeBegin(const char*, const char*) { return PutValue(kGxValTreeBegin); }
bool GxContentBinaryWriter::WriteTreeEnd() { return PutValue(kGxValTreeEnd); }
bool GxContentBinaryWriter::WriteTreeStratumBegin() { return PutValue(kGxValTreeStratumBegin); }
bool GxContentBinaryWriter::WriteTreeStratumEnd() { return PutValue(kGxValTreeStratumEnd); }
