#include "io/GxContentTextWriter.h"

#include "base/GxStringUtil.h"

#include <charconv>
#include <type_traits>

namespace {

constexpr char kHex[] = "0123456789abcdef";

// "code<TAB>name" with the code as "%02x".
std::string Begin(u32 code, const char* name) {
    std::string s;
    s.reserve(64);
    s.push_back(kHex[(code >> 4) & 0xF]);
    s.push_back(kHex[code & 0xF]);
    s.push_back('\t');
    if (name) s.append(name);
    return s;
}

template <class T>
void AddInt(std::string& s, T v) {
    char b[24];
    auto r = std::to_chars(b, b + sizeof b, v);
    s.push_back('\t');
    s.append(b, r.ptr);
}

// "%f": six decimals, the same digits whatever locale the process has set.
void AddFloat(std::string& s, f64 v) {
    char b[400];
    auto r = std::to_chars(b, b + sizeof b, v, std::chars_format::fixed, 6);
    s.push_back('\t');
    s.append(b, r.ptr);
}

// The escaped UTF-8 form in which a string value is stored (without quotes).
std::string EscapeString(GxStringView text) {
    GxString e;
    e.reserve(text.size() + 8);
    for (GxChar c : text) {
        switch (c) {
        case u'\\': e += u"\\\\"; break;
        case u'\n': e += u"\\n"; break;
        case u'\r': e += u"\\r"; break;
        case u'\f': e += u"\\f"; break;
        case u'\t': e += u"\\t"; break;
        case u'"': e += u"\\\""; break;
        case u'\'': e += u"\\'"; break;
        default: e.push_back(c); break;
        }
    }
    return GxToUtf8(e);
}

std::string End(std::string s) {
    s.push_back('\n');
    return s;
}

// One value line: "code<TAB>name" and each field after a tab, integers in
// decimal and floating-point numbers as "%f".
template <class... T>
std::string ValueLine(u32 code, const char* name, T... fields) {
    std::string s = Begin(code, name);
    auto add = [&s](auto v) {
        if constexpr (std::is_floating_point_v<decltype(v)>)
            AddFloat(s, v);
        else
            AddInt(s, v);
    };
    (add(fields), ...);
    return End(std::move(s));
}

} // namespace

bool GxContentTextWriter::Put(const std::string& line) {
    if (!m_Stream) return false;
    return std::fwrite(line.data(), 1, line.size(), m_Stream) == line.size() && !line.empty();
}

bool GxContentTextWriter::WriteHeader(const char* magic, u32 version) {
    if (!AcceptHeader(u"GxContentTextWriter", magic, version)) return false;
    std::string s(magic ? magic : "");
    AddInt(s, version);
    return Put(End(std::move(s)));
}

bool GxContentTextWriter::Write(const char* name, const GxBit32& v) { return Put(ValueLine(kGxValBit32, name, v.m_Bits)); }
bool GxContentTextWriter::Write(const char* name, const GxPoint4& v) {
    return Put(ValueLine(kGxValPoint4, name, v.x, v.y, v.z, v.w));
}
bool GxContentTextWriter::Write(const char* name, const GxPoint3& v) {
    return Put(ValueLine(kGxValPoint3, name, v.x, v.y, v.z));
}
bool GxContentTextWriter::Write(const char* name, const GxPoint2& v) {
    return Put(ValueLine(kGxValPoint2, name, v.x, v.y));
}
bool GxContentTextWriter::Write(const char* name, const GxFRect& v) {
    return Put(ValueLine(kGxValFRect, name, v.left, v.top, v.right, v.bottom));
}
bool GxContentTextWriter::Write(const char* name, const GxRect& v) {
    return Put(ValueLine(kGxValRect, name, v.left, v.top, v.right, v.bottom));
}
bool GxContentTextWriter::Write(const char* name, const GxMatrix& v) {
    std::string s = Begin(kGxValMatrix, name);
    for (int i = 0; i < 16; ++i) AddFloat(s, v.m[i]);
    return Put(End(std::move(s)));
}
bool GxContentTextWriter::Write(const char* name, const GxFColor& v) {
    return Put(ValueLine(kGxValFColor, name, v.r, v.g, v.b, v.a));
}
bool GxContentTextWriter::Write(const char* name, const GxQuat& v) {
    return Put(ValueLine(kGxValQuat, name, v.x, v.y, v.z, v.w));
}
bool GxContentTextWriter::Write(const char* name, const GxVector4& v) {
    return Put(ValueLine(kGxValVector4, name, v.x, v.y, v.z, v.w));
}
bool GxContentTextWriter::Write(const char* name, const GxVector3& v) {
    return Put(ValueLine(kGxValVector3, name, v.x, v.y, v.z));
}
bool GxContentTextWriter::Write(const char* name, const GxVector2& v) {
    return Put(ValueLine(kGxValVector2, name, v.x, v.y));
}
bool GxContentTextWriter::Write(const char* name, bool v) { return Put(ValueLine(kGxValBool, name, v ? 1u : 0u)); }
bool GxContentTextWriter::Write(const char* name, f64 v) { return Put(ValueLine(kGxValF64, name, v)); }
bool GxContentTextWriter::Write(const char* name, f32 v) { return Put(ValueLine(kGxValF32, name, v)); }
bool GxContentTextWriter::Write(const char* name, u64 v) { return Put(ValueLine(kGxValU64, name, v)); }
bool GxContentTextWriter::Write(const char* name, s64 v) { return Put(ValueLine(kGxValS64, name, v)); }
bool GxContentTextWriter::Write(const char* name, u32 v) { return Put(ValueLine(kGxValU32, name, v)); }
bool GxContentTextWriter::Write(const char* name, s32 v) { return Put(ValueLine(kGxValS32, name, v)); }
bool GxContentTextWriter::Write(const char* name, u16 v) { return Put(ValueLine(kGxValU16, name, u32(v))); }
bool GxContentTextWriter::Write(const char* name, s16 v) { return Put(ValueLine(kGxValS16, name, s32(v))); }
bool GxContentTextWriter::Write(const char* name, u8 v) { return Put(ValueLine(kGxValU8, name, u32(v))); }
bool GxContentTextWriter::Write(const char* name, s8 v) { return Put(ValueLine(kGxValS8, name, s32(v))); }

bool GxContentTextWriter::Write(const char* name, const GxChar* v) {
    const std::string utf8 = EscapeString(v ? GxStringView(v) : GxStringView());
    std::string s = Begin(kGxValStringUTF8, name);
    AddInt(s, u32(utf8.size()));
    s += "\t\"";
    s += utf8;
    s += "\"\n";
    return Put(s);
}

bool GxContentTextWriter::Write(const char* name, const char* v) {
    const GxString wide = GxFromAnsi(v ? std::string_view(v) : std::string_view());
    return Write(name, wide.c_str());
}

bool GxContentTextWriter::WriteBinary(const char* name, const void* data, u32 size) {
    if (size && !data) return false;
    std::string s = Begin(kGxValBinary, name);
    AddInt(s, size);
    s.push_back('\n');
    const u8* p = static_cast<const u8*>(data);
    s.reserve(s.size() + size_t(size) * 2 + size / 32 + 1);
    for (u32 i = 0; i < size; ++i) {
        s.push_back(kHex[p[i] >> 4]);
        s.push_back(kHex[p[i] & 0xF]);
        if ((i + 1) % 32 == 0 && i + 1 != size) s.push_back('\n');
    }
    // A value without bytes has no hex lines at all, not an empty one.
    if (size) s.push_back('\n');
    return Put(s);
}

bool GxContentTextWriter::WriteListBegin(const char* name, const char* elementTypeName, u32 count) {
    std::string s = Begin(kGxValListBegin, name);
    s.push_back('\t');
    if (elementTypeName) s += elementTypeName;
    AddInt(s, count);
    s += "\t{\n";
    return Put(s);
}

bool GxContentTextWriter::WriteTreeBegin(const char* name, const char* typeName) {
    std::string s = Begin(kGxValTreeBegin, name);
    s.push_back('\t');
    if (typeName) s += typeName;
    s += "\t{\n";
    return Put(s);
}

namespace {
std::string Bracket(u32 code, char brace) {
    std::string s = Begin(code, nullptr);
    s.push_back(brace);
    return End(std::move(s));
}
} // namespace

bool GxContentTextWriter::WriteListEnd() { return Put(Bracket(kGxValListEnd, '}')); }
bool GxContentTextWriter::WriteTreeEnd() { return Put(Bracket(kGxValTreeEnd, '}')); }
bool GxContentTextWriter::WriteTreeStratumBegin() { return Put(Bracket(kGxValTreeStratumBegin, '{')); }
bool GxContentTextWriter::WriteTreeStratumEnd() { return Put(Bracket(kGxValTreeStratumEnd, '}')); }
