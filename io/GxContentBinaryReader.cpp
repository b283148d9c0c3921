#include "io/GxContentBinaryReader.h"

#include "base/GxLog.h"
#include "base/GxStringUtil.h"

#include <bit>
#include <cstring>
#include <type_traits>

// Payloads are big-endian; ReadBE turns them around for a little-endian host.
static_assert(std::endian::native == std::endian::little);

namespace {

// Payload bytes of the codes whose payload has a fixed size; -1 for the
// codes that carry a count or nothing.
int FixedPayloadSize(u32 code) {
    switch (code) {
    case kGxValS8: case kGxValU8: case kGxValBool: return 1;
    case kGxValS16: case kGxValU16: return 2;
    case kGxValS32: case kGxValU32: case kGxValF32: case kGxValBit32: return 4;
    case kGxValS64: case kGxValU64: case kGxValF64: case kGxValVector2: case kGxValPoint2: return 8;
    case kGxValVector3: case kGxValPoint3: return 12;
    case kGxValVector4: case kGxValQuat: case kGxValFColor: case kGxValRect: case kGxValFRect:
    case kGxValPayload16: case kGxValPoint4: return 16;
    case kGxValMatrix: return 64;
    default: return -1;
    }
}

// The common widths turned around in one step each.
template <class U>
void CopySwapped(void* dst, const u8* src) {
    U v;
    std::memcpy(&v, src, sizeof v);
    if constexpr (sizeof v == 4)
        v = __builtin_bswap32(v);
    else
        v = __builtin_bswap64(v);
    std::memcpy(dst, &v, sizeof v);
}

} // namespace

GxContentBinaryReader::GxContentBinaryReader(const char* prefix, bool verbose) : m_Prefix(prefix), m_Verbose(verbose) {}

GxContentBinaryReader::GxContentBinaryReader(const GxBinBuffer& buffer, bool verbose)
    : GxContentBinaryReader(buffer.GetData(), buffer.GetSize(), verbose) {}

GxContentBinaryReader::GxContentBinaryReader(const u8* data, u32 size, bool verbose)
    : GxContentBinaryReader("GxContentBinaryReader", verbose) {
    GxContentBinaryReader::SetBuffer(data, size);
}

void GxContentBinaryReader::SetBuffer(const u8* data, u32 size) {
    m_Pos = data;
    m_End = data ? data + size : nullptr;
}

u32 GxContentBinaryReader::GetRemainingBytes() const { return m_Pos ? u32(m_End - m_Pos) : 0; }

bool GxContentBinaryReader::IsEnd() const { return m_Pos >= m_End; }

void GxContentBinaryReader::Overrun() {
    Complain(m_Verbose, GxFormatA("%s/ReadPos Overrun\n", m_Prefix));
}

void GxContentBinaryReader::TypeError(u32 expected) {
    Complain(m_Verbose, GxFormatA("%s/ValueType Isn't VALTYPE_%s\n", m_Prefix, GxValueTypeName(expected)));
}

void GxContentBinaryReader::StringTypeError() {
    Complain(m_Verbose, GxFormatA("%s/ValueType Isn't VALTYPE_GxStringSJIS or VALTYPE_GxStringUTF8\n", m_Prefix));
}

u32 GxContentBinaryReader::ReadCode() {
    if (m_Pos >= m_End) {
        Overrun();
        return kGxValEndOfData;
    }
    return *m_Pos++;
}

bool GxContentBinaryReader::ReadBE(void* dst, u32 n) {
    if (GetRemainingBytes() < n) {
        Overrun();
        return false;
    }
    switch (n) {
    case 4: CopySwapped<u32>(dst, m_Pos); break;
    case 8: CopySwapped<u64>(dst, m_Pos); break;
    default: {
        u8* d = static_cast<u8*>(dst);
        for (u32 i = 0; i < n; ++i) d[i] = m_Pos[n - 1 - i];
        break;
    }
    }
    m_Pos += n;
    return true;
}

bool GxContentBinaryReader::GetF32(f32* v) {
    u32 bits;
    if (!ReadBE(&bits, 4)) return false;
    *v = std::bit_cast<f32>(bits);
    return true;
}

bool GxContentBinaryReader::GetS32(s32* v) { return ReadBE(v, 4); }

bool GxContentBinaryReader::Expect(u32 code) {
    if (ReadCode() == code) return true;
    TypeError(code);
    return false;
}

u32 GxContentBinaryReader::ExpectEither(u32 code, u32 alternative) {
    const u32 read = ReadCode();
    if (read == code || read == alternative) return read;
    TypeError(code);
    return 0;
}

template <class... T>
bool GxContentBinaryReader::GetEach(T*... v) {
    auto get = [this](auto* c) {
        if constexpr (std::is_same_v<std::remove_pointer_t<decltype(c)>, f32>)
            return GetF32(c);
        else
            return GetS32(c);
    };
    return (get(v) && ...);
}

u32 GxContentBinaryReader::PeekValueType() { return m_Pos < m_End ? u32(*m_Pos) : u32(kGxValEndOfData); }

bool GxContentBinaryReader::ReadHeader(const char* magic, u32* version) {
    if (GetRemainingBytes() < 20) {
        Overrun();
        return false;
    }
    char field[16];
    std::memcpy(field, m_Pos, 15);
    field[15] = 0;
    if (std::strcmp(field, magic ? magic : "") != 0) {
        Complain(m_Verbose, GxFormatA("%s/FileHeader Isn't %s\n", m_Prefix, magic ? magic : ""));
        return false;
    }
    m_Pos += 16;
    u32 v = 0;
    const bool ok = ReadBE(&v, 4);
    m_Version = v;
    if (version) *version = v;
    return ok;
}

bool GxContentBinaryReader::Read(const char*, GxBit32* v) { return Expect(kGxValBit32) && ReadBE(&v->m_Bits, 4); }

bool GxContentBinaryReader::Read(const char*, GxPoint4* v) {
    return Expect(kGxValPoint4) && GetEach(&v->x, &v->y, &v->z, &v->w);
}

bool GxContentBinaryReader::Read(const char*, GxPoint3* v) {
    return Expect(kGxValPoint3) && GetEach(&v->x, &v->y, &v->z);
}

bool GxContentBinaryReader::Read(const char*, GxPoint2* v) { return Expect(kGxValPoint2) && GetEach(&v->x, &v->y); }

bool GxContentBinaryReader::Read(const char*, GxFRect* v) {
    return Expect(kGxValFRect) && GetEach(&v->left, &v->top, &v->right, &v->bottom);
}

bool GxContentBinaryReader::Read(const char*, GxRect* v) {
    return Expect(kGxValRect) && GetEach(&v->left, &v->top, &v->right, &v->bottom);
}

bool GxContentBinaryReader::Read(const char*, GxMatrix* v) {
    if (!Expect(kGxValMatrix)) return false;
    for (int i = 0; i < 16; ++i)
        if (!GetF32(&v->m[i])) return false;
    return true;
}

// Colours and quaternions are read from a stored four-component vector too.
bool GxContentBinaryReader::Read(const char*, GxFColor* v) {
    return ExpectEither(kGxValFColor, kGxValVector4) && GetEach(&v->r, &v->g, &v->b, &v->a);
}

bool GxContentBinaryReader::Read(const char*, GxQuat* v) {
    return ExpectEither(kGxValQuat, kGxValVector4) && GetEach(&v->x, &v->y, &v->z, &v->w);
}

bool GxContentBinaryReader::Read(const char*, GxVector4* v) {
    const u32 code = ExpectEither(kGxValVector4, kGxValVector3);
    if (!code) return false;
    bool ok = GetEach(&v->x, &v->y, &v->z);
    // A stored three-component vector leaves w as it was.
    if (code == kGxValVector4) ok = ok && GetF32(&v->w);
    return ok;
}

bool GxContentBinaryReader::Read(const char*, GxVector3* v) {
    const u32 code = ExpectEither(kGxValVector3, kGxValVector4);
    if (!code) return false;
    bool ok = GetEach(&v->x, &v->y, &v->z);
    if (code == kGxValVector4) {
        f32 dropped;
        ok = ok && GetF32(&dropped);
        v->w = 0;
    }
    return ok;
}

bool GxContentBinaryReader::Read(const char*, GxVector2* v) { return Expect(kGxValVector2) && GetEach(&v->x, &v->y); }

bool GxContentBinaryReader::Read(const char*, bool* v) {
    u8 b;
    if (!Expect(kGxValBool) || !ReadBE(&b, 1)) return false;
    *v = b != 0;
    return true;
}

bool GxContentBinaryReader::Read(const char*, f64* v) {
    u64 bits;
    if (!Expect(kGxValF64) || !ReadBE(&bits, 8)) return false;
    *v = std::bit_cast<f64>(bits);
    return true;
}

bool GxContentBinaryReader::Read(const char*, f32* v) { return Expect(kGxValF32) && GetF32(v); }
bool GxContentBinaryReader::Read(const char*, u64* v) { return Expect(kGxValU64) && ReadBE(v, 8); }
bool GxContentBinaryReader::Read(const char*, s64* v) { return Expect(kGxValS64) && ReadBE(v, 8); }
bool GxContentBinaryReader::Read(const char*, u32* v) { return Expect(kGxValU32) && ReadBE(v, 4); }
bool GxContentBinaryReader::Read(const char*, s32* v) { return Expect(kGxValS32) && ReadBE(v, 4); }
bool GxContentBinaryReader::Read(const char*, u16* v) { return Expect(kGxValU16) && ReadBE(v, 2); }
bool GxContentBinaryReader::Read(const char*, s16* v) { return Expect(kGxValS16) && ReadBE(v, 2); }
bool GxContentBinaryReader::Read(const char*, u8* v) { return Expect(kGxValU8) && ReadBE(v, 1); }
bool GxContentBinaryReader::Read(const char*, s8* v) { return Expect(kGxValS8) && ReadBE(v, 1); }

bool GxContentBinaryReader::ReadByteCount(u32* n, u32 extra) {
    if (!ReadBE(n, 4)) return false;
    if (u64(GetRemainingBytes()) >= u64(*n) + extra) return true;
    Overrun();
    return false;
}

bool GxContentBinaryReader::ReadStringBytes(std::string_view* bytes) {
    u32 n = 0;
    // The count leaves out the terminating zero byte, which must be there too.
    if (!ReadByteCount(&n, 1)) return false;
    const char* s = reinterpret_cast<const char*>(m_Pos);
    const void* zero = std::memchr(s, 0, n);
    *bytes = std::string_view(s, zero ? size_t(static_cast<const char*>(zero) - s) : size_t(n));
    m_Pos += u64(n) + 1;
    return true;
}

bool GxContentBinaryReader::ReadStringValue(u32* code, std::string_view* bytes) {
    *code = ReadCode();
    if (*code != kGxValStringUTF8 && *code != kGxValStringSJIS) {
        StringTypeError();
        return false;
    }
    return ReadStringBytes(bytes);
}

GxString GxContentBinaryReader::ReadWString(const char*) {
    u32 code;
    std::string_view bytes;
    if (!ReadStringValue(&code, &bytes)) return {};
    return code == kGxValStringUTF8 ? GxFromUtf8(bytes) : GxFromAnsi(bytes);
}

GxStringA GxContentBinaryReader::ReadString(const char*) {
    u32 code;
    std::string_view bytes;
    if (!ReadStringValue(&code, &bytes)) return {};
    return code == kGxValStringUTF8 ? GxToAnsi(GxFromUtf8(bytes)) : GxStringA(bytes);
}

bool GxContentBinaryReader::ReadBinary(const char*, GxBinBuffer* out) {
    u32 n = 0;
    if (!Expect(kGxValBinary) || !ReadByteCount(&n, 0)) return false;
    u8* d = out->Alloc(n);
    if (n) std::memcpy(d, m_Pos, n);
    m_Pos += n;
    return true;
}

bool GxContentBinaryReader::ReadListBegin(const char*, u32* count) {
    u32 n = 0;
    if (!Expect(kGxValListBegin) || !ReadBE(&n, 4)) return false;
    if (count) *count = n;
    return true;
}

bool GxContentBinaryReader::ReadListEnd() { return Expect(kGxValListEnd); }
bool GxContentBinaryReader::ReadTreeBegin(const char*) { return Expect(kGxValTreeBegin); }
bool GxContentBinaryReader::ReadTreeEnd() { return Expect(kGxValTreeEnd); }
bool GxContentBinaryReader::ReadTreeStratumBegin() { return Expect(kGxValTreeStratumBegin); }
bool GxContentBinaryReader::ReadTreeStratumEnd() { return Expect(kGxValTreeStratumEnd); }

bool GxContentBinaryReader::SkipValue() {
    const u32 code = ReadCode();
    if (code == kGxValEndOfData) return false;
    const int fixed = FixedPayloadSize(code);
    u32 skip = 0;
    if (fixed >= 0) {
        skip = u32(fixed);
    } else if (code == kGxValStringSJIS || code == kGxValStringUTF8 || code == kGxValBinary) {
        u32 n = 0;
        if (!ReadBE(&n, 4)) return false;
        const u64 want = u64(n) + (code == kGxValBinary ? 0 : 1);
        if (u64(GetRemainingBytes()) < want) {
            // Nothing after a cut-off value can be trusted: the rest is skipped with it.
            Overrun();
            m_Pos = m_End;
            return false;
        }
        m_Pos += want;
        return true;
    } else if (code == kGxValListBegin) {
        u32 n = 0;
        return ReadBE(&n, 4);
    } else {
        return true;
    }
    if (GetRemainingBytes() < skip) {
        Overrun();
        return false;
    }
    m_Pos += skip;
    return true;
}
