#include "io/GxContentTextReader.h"

#include "base/GxLog.h"
#include "base/GxStringUtil.h"
#include "io/GxStringParse.h"
#include "platform/system/environment.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

constexpr const char* kPrefix = "GxContentTextReader";

bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

int Digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 99;
}

// The usual string-to-number rules: leading white space, a sign, then digits
// up to the first character that is not one; no digits gives 0. The magnitude
// saturates at the largest u64.
u64 Magnitude(std::string_view s, int base, bool* negative) {
    size_t i = 0;
    while (i < s.size() && IsSpace(s[i])) ++i;
    *negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) *negative = s[i++] == '-';
    if (base == 16 && i + 2 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X') && Digit(s[i + 2]) < 16)
        i += 2;
    u64 v = 0;
    bool saturated = false;
    for (; i < s.size() && Digit(s[i]) < base; ++i) {
        const u64 d = u64(Digit(s[i]));
        if (v > (std::numeric_limits<u64>::max() - d) / u64(base)) saturated = true;
        if (!saturated) v = v * u64(base) + d;
    }
    return saturated ? std::numeric_limits<u64>::max() : v;
}

s64 ToS64(std::string_view s) {
    bool neg;
    const u64 m = Magnitude(s, 10, &neg);
    if (neg) return m >= u64(1) << 63 ? std::numeric_limits<s64>::min() : -s64(m);
    return m > u64(std::numeric_limits<s64>::max()) ? std::numeric_limits<s64>::max() : s64(m);
}

u64 ToU64(std::string_view s, int base = 10) {
    bool neg;
    const u64 m = Magnitude(s, base, &neg);
    if (m == std::numeric_limits<u64>::max()) return m;
    return neg ? u64(0) - m : m;
}

s32 ToS32(std::string_view s) {
    const s64 v = ToS64(s);
    if (v > std::numeric_limits<s32>::max()) return std::numeric_limits<s32>::max();
    if (v < std::numeric_limits<s32>::min()) return std::numeric_limits<s32>::min();
    return s32(v);
}

// An unsigned 32-bit conversion: a negative value wraps, one too large saturates.
u32 ToU32(std::string_view s, int base = 10) {
    bool neg;
    const u64 m = Magnitude(s, base, &neg);
    if (m > std::numeric_limits<u32>::max()) return std::numeric_limits<u32>::max();
    return neg ? u32(0) - u32(m) : u32(m);
}

// Decimal floating point read the same whatever locale the process has set.
f64 ToF64(std::string_view s) {
    char buf[128];
    std::string big;
    const char* text;
    if (s.size() < sizeof buf) {
        std::memcpy(buf, s.data(), s.size());
        buf[s.size()] = 0;
        text = buf;
    } else {
        big.assign(s);
        text = big.c_str();
    }
    return psys::parse_double_c(text);
}

} // namespace

GxContentTextReader::GxContentTextReader(const GxBinBuffer& buffer, bool verbose)
    : GxContentTextReader(buffer.GetData(), buffer.GetSize(), verbose) {}

GxContentTextReader::GxContentTextReader(const u8* data, u32 size, bool verbose) : m_Verbose(verbose) {
    GxContentTextReader::SetBuffer(data, size);
}

void GxContentTextReader::SetBuffer(const u8* data, u32 size) {
    m_Pos = reinterpret_cast<const char*>(data);
    m_End = m_Pos ? m_Pos + size : nullptr;
}

u32 GxContentTextReader::GetRemainingBytes() const { return m_Pos ? u32(m_End - m_Pos) : 0; }

bool GxContentTextReader::IsEnd() const { return m_Pos >= m_End || *m_Pos == 0; }

void GxContentTextReader::NextLine() {
    ReadTextLine(&m_Text, m_Pos, &m_Pos, &m_Line, m_End);
    m_Fields.clear();
    std::string_view t(m_Text);
    size_t start = 0;
    for (;;) {
        const size_t tab = t.find('\t', start);
        if (tab == std::string_view::npos) break;
        m_Fields.push_back(t.substr(start, tab - start));
        start = tab + 1;
    }
    m_Fields.push_back(t.substr(start));
}

bool GxContentTextReader::CheckValueLine(bool codeMatches, const char* typeName, const char* prefix, const char* name,
                                         size_t fields) {
    if (!codeMatches) return TypeComplaint(typeName, prefix);
    if (m_NameCheck && name && m_Fields.size() >= 2 && m_Fields[1] != name) {
        Complain(m_Verbose, GxFormatA("%s/ValueName does not match Line=%d\n", prefix, m_Line));
        return false;
    }
    if (m_Fields.size() < fields) return TypeComplaint(typeName, prefix);
    return true;
}

bool GxContentTextReader::TypeComplaint(const char* typeName, const char* prefix) {
    Complain(m_Verbose, GxFormatA("%s/ValueType Isn't VALTYPE_%s Line=%d\n", prefix, typeName, m_Line));
    return false;
}

bool GxContentTextReader::BeginValue(u32 code, const char* name, size_t fields, bool bit32) {
    NextLine();
    return CheckValueLine(ToU32(m_Fields[0], 16) == code, GxValueTypeName(code),
                          bit32 ? "GxContentStringReader" : kPrefix, name, fields);
}

void GxContentTextReader::Floats(f32* out, size_t count) const {
    for (size_t i = 0; i < count; ++i) out[i] = f32(ToF64(m_Fields[2 + i]));
}

template <class T>
bool GxContentTextReader::ReadFloat4(u32 code, const char* name, T* v) {
    if (!BeginValue(code, name, 6)) return false;
    f32 f[4];
    Floats(f, 4);
    *v = {f[0], f[1], f[2], f[3]};
    return true;
}

u32 GxContentTextReader::PeekValueType() {
    const char* pos = m_Pos;
    u32 line = m_Line;
    GxStringA text;
    ReadTextLine(&text, pos, &pos, &line, m_End);
    const size_t tab = text.find('\t');
    return ToU32(std::string_view(text).substr(0, tab), 16);
}

bool GxContentTextReader::ReadHeader(const char* magic, u32* version) {
    NextLine();
    if (m_Fields.size() < 2 || m_Fields[0] != (magic ? magic : "")) {
        Complain(m_Verbose, GxFormatA("%s/FileHeader Isn't %s Line=%d\n", kPrefix, magic ? magic : "", m_Line));
        return false;
    }
    m_Version = ToU32(m_Fields[1]);
    if (version) *version = m_Version;
    return true;
}

bool GxContentTextReader::Read(const char* name, GxBit32* v) {
    if (!BeginValue(kGxValBit32, name, 3, true)) return false;
    v->m_Bits = ToU32(m_Fields[2]);
    return true;
}

bool GxContentTextReader::Read(const char* name, GxPoint4* v) {
    if (!BeginValue(kGxValPoint4, name, 6)) return false;
    v->x = ToS32(m_Fields[2]), v->y = ToS32(m_Fields[3]), v->z = ToS32(m_Fields[4]), v->w = ToS32(m_Fields[5]);
    return true;
}

bool GxContentTextReader::Read(const char* name, GxPoint3* v) {
    if (!BeginValue(kGxValPoint3, name, 5)) return false;
    v->x = ToS32(m_Fields[2]), v->y = ToS32(m_Fields[3]), v->z = ToS32(m_Fields[4]);
    return true;
}

bool GxContentTextReader::Read(const char* name, GxPoint2* v) {
    if (!BeginValue(kGxValPoint2, name, 4)) return false;
    v->x = ToS32(m_Fields[2]), v->y = ToS32(m_Fields[3]);
    return true;
}

bool GxContentTextReader::Read(const char* name, GxFRect* v) { return ReadFloat4(kGxValFRect, name, v); }

bool GxContentTextReader::Read(const char* name, GxRect* v) {
    if (!BeginValue(kGxValRect, name, 6)) return false;
    v->left = ToS32(m_Fields[2]), v->top = ToS32(m_Fields[3]);
    v->right = ToS32(m_Fields[4]), v->bottom = ToS32(m_Fields[5]);
    return true;
}

bool GxContentTextReader::Read(const char* name, GxMatrix* v) {
    if (!BeginValue(kGxValMatrix, name, 18)) return false;
    Floats(v->m, 16);
    return true;
}

bool GxContentTextReader::Read(const char* name, GxFColor* v) { return ReadFloat4(kGxValFColor, name, v); }

bool GxContentTextReader::Read(const char* name, GxQuat* v) { return ReadFloat4(kGxValQuat, name, v); }

bool GxContentTextReader::Read(const char* name, GxVector4* v) { return ReadFloat4(kGxValVector4, name, v); }

bool GxContentTextReader::Read(const char* name, GxVector3* v) {
    if (!BeginValue(kGxValVector3, name, 5)) return false;
    f32 f[3];
    Floats(f, 3);
    v->x = f[0], v->y = f[1], v->z = f[2];
    return true;
}

bool GxContentTextReader::Read(const char* name, GxVector2* v) {
    if (!BeginValue(kGxValVector2, name, 4)) return false;
    f32 f[2];
    Floats(f, 2);
    *v = {f[0], f[1]};
    return true;
}

bool GxContentTextReader::Read(const char* name, bool* v) {
    if (!BeginValue(kGxValBool, name, 3)) return false;
    *v = ToS32(m_Fields[2]) != 0;
    return true;
}

bool GxContentTextReader::Read(const char* name, f64* v) {
    if (!BeginValue(kGxValF64, name, 3)) return false;
    *v = ToF64(m_Fields[2]);
    return true;
}

bool GxContentTextReader::Read(const char* name, f32* v) {
    if (!BeginValue(kGxValF32, name, 3)) return false;
    *v = f32(ToF64(m_Fields[2]));
    return true;
}

bool GxContentTextReader::Read(const char* name, u64* v) {
    if (!BeginValue(kGxValU64, name, 3)) return false;
    *v = ToU64(m_Fields[2]);
    return true;
}

bool GxContentTextReader::Read(const char* name, s64* v) {
    if (!BeginValue(kGxValS64, name, 3)) return false;
    *v = ToS64(m_Fields[2]);
    return true;
}

bool GxContentTextReader::Read(const char* name, u32* v) {
    if (!BeginValue(kGxValU32, name, 3)) return false;
    *v = ToU32(m_Fields[2]);
    return true;
}

bool GxContentTextReader::Read(const char* name, s32* v) {
    if (!BeginValue(kGxValS32, name, 3)) return false;
    *v = ToS32(m_Fields[2]);
    return true;
}

bool GxContentTextReader::Read(const char* name, u16* v) {
    if (!BeginValue(kGxValU16, name, 3)) return false;
    *v = u16(ToS32(m_Fields[2]));
    return true;
}

bool GxContentTextReader::Read(const char* name, s16* v) {
    if (!BeginValue(kGxValS16, name, 3)) return false;
    *v = s16(ToS32(m_Fields[2]));
    return true;
}

bool GxContentTextReader::Read(const char* name, u8* v) {
    if (!BeginValue(kGxValU8, name, 3)) return false;
    *v = u8(ToS32(m_Fields[2]));
    return true;
}

bool GxContentTextReader::Read(const char* name, s8* v) {
    if (!BeginValue(kGxValS8, name, 3)) return false;
    *v = s8(ToS32(m_Fields[2]));
    return true;
}

bool GxContentTextReader::BeginString(const char* name, u32* code) {
    NextLine();
    *code = ToU32(m_Fields[0], 16);
    return CheckValueLine(*code == kGxValStringUTF8 || *code == kGxValStringSJIS, "GxStringSJIS or VALTYPE_GxStringUTF8",
                          kPrefix, name, 4);
}

GxString GxContentTextReader::ReadWString(const char* name) {
    u32 code;
    if (!BeginString(name, &code)) return {};
    const GxString quoted = code == kGxValStringUTF8 ? GxFromUtf8(m_Fields[3]) : GxFromAnsi(m_Fields[3]);
    GxString out;
    const GxChar* pos;
    u32 lines = 0;
    ParseQuotedStringW(&out, quoted.data(), &pos, &lines, quoted.data() + quoted.size());
    return out;
}

GxStringA GxContentTextReader::ReadString(const char* name) {
    u32 code;
    if (!BeginString(name, &code)) return {};
    const GxStringA quoted = code == kGxValStringUTF8 ? GxToAnsi(GxFromUtf8(m_Fields[3])) : GxStringA(m_Fields[3]);
    GxStringA out;
    const char* pos;
    u32 lines = 0;
    ParseQuotedString(&out, quoted.data(), &pos, &lines, quoted.data() + quoted.size());
    return out;
}

bool GxContentTextReader::ReadBinary(const char* name, GxBinBuffer* out) {
    if (!BeginValue(kGxValBinary, name, 3)) return false;
    const u32 n = ToU32(m_Fields[2]);
    // Two hex digits stand for each byte: a size that the rest of the data
    // cannot hold is refused before anything is allocated.
    if (u64(n) * 2 > GetRemainingBytes()) {
        Complain(m_Verbose, GxFormatA("%s/ReadPos Overrun Line=%d\n", kPrefix, m_Line));
        return false;
    }
    u8* d = out->Alloc(n);
    if (n == 0) {
        // Older writers left an empty line after a value without bytes.
        const char* p = m_Pos;
        while (p < m_End && (*p == '\r' || *p == '\f')) ++p;
        if (p < m_End && *p == '\n') SkipTextLine(m_Pos, &m_Pos, &m_Line, m_End);
        return true;
    }
    const u32 lines = u32((u64(n) + 31) / 32);
    for (u32 k = 0; k < lines; ++k) {
        NextLine();
        const u32 first = k * 32;
        const u32 count = std::min<u32>(32, n - first);
        const std::string_view hex(m_Text);
        for (u32 i = 0; i < count && 2 * i + 1 < hex.size(); ++i) {
            const int hi = Digit(hex[2 * i]), lo = Digit(hex[2 * i + 1]);
            if (hi > 15 || lo > 15) break;
            d[first + i] = u8(hi << 4 | lo);
        }
    }
    return true;
}

bool GxContentTextReader::ReadListBegin(const char* name, u32* count) {
    if (!BeginValue(kGxValListBegin, name, 4)) return false;
    if (count) *count = ToU32(m_Fields[3]);
    return true;
}

bool GxContentTextReader::ReadListEnd() { return BeginValue(kGxValListEnd, nullptr, 1); }
bool GxContentTextReader::ReadTreeBegin(const char* name) { return BeginValue(kGxValTreeBegin, name, 1); }
bool GxContentTextReader::ReadTreeEnd() { return BeginValue(kGxValTreeEnd, nullptr, 1); }
bool GxContentTextReader::ReadTreeStratumBegin() { return BeginValue(kGxValTreeStratumBegin, nullptr, 1); }
bool GxContentTextReader::ReadTreeStratumEnd() { return BeginValue(kGxValTreeStratumEnd, nullptr, 1); }

bool GxContentTextReader::SkipValue() {
    NextLine();
    if (ToU32(m_Fields[0], 16) == kGxValBinary && m_Fields.size() >= 3) {
        const u64 lines = (u64(ToU32(m_Fields[2])) + 31) / 32;
        for (u64 k = 0; k < lines && !IsEnd(); ++k) SkipTextLine(m_Pos, &m_Pos, &m_Line, m_End);
    }
    return true;
}
