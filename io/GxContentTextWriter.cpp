#include "io/GxContentTextWriter.h"

#include "core/base/GxLog.h"
#include "core/base/GxStringUtil.h"

#include <charconv>
#include <cstring>

namespace {

const char* kHex = "0123456789abcdef";

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

} // namespace

bool GxContentTextWriter::Put(const std::string& line) {
    if (!m_Stream) return false;
    return std::fwrite(line.data(), 1, line.size(), m_Stream) == line.size() && !line.empty();
}

bool GxContentTextWriter::WriteHeader(const char* magic, u32 version) {
    const size_t len = magic ? std::strlen(magic) : 0;
    if (len > kGxContentMagicMax) {
        GxWriteErrorLog(u"GxContentTextWriter/Header String Too Long(Limit=%d Chars)\n", int(kGxContentMagicMax));
        return false;
    }
    m_Version = version;
    std::string s(magic ? magic : "");
    AddInt(s, version);
    return Put(End(std::move(s)));
}

bool GxContentTextWriter::Write(const char* name, const GxBit32& v) {
    std::string s = Begin(kGxValBit32, name);
    AddInt(s, v.m_Bits);
    return Put(End(std::move(s)));
}
bool GxContentTextWriter::Write(const char* name, const GxPoint4& v) {
    std::string s = Begin(kGxValPoint4, name);
    AddInt(s, v.x), AddInt(s, v.y), AddInt(s, v.z), AddInt(s, v.w);
    return Put(End(std::move(s)));
}
bool GxContentTextWriter::Write(const char* name, const GxPoint3& v) {
    std::string s = Begin(kGxValPoint3, name);
    AddInt(s, v.x), AddInt(s, v.y), AddInt(s, v.z);
    return Put(End(std::move(s)));
}
bool GxContentTextWriter::Write(const char* name, const GxPoint2& v) {
    std::string s = Begin(kGxValPoint2, name);
    AddInt(s, v.x), AddInt(s, v.y);
    return Put(End(std::move(s)));
}
bool GxContentTextWriter::Write(const char* name, const GxFRect& v) {
    std::string s = Begin(kGxValFRect, name);
    AddFloat(s, v.left), AddFloat(s, v.top), AddFloat(s, v.right), AddFloat(s, v.bottom);
    return Put(End(std::move(s)));
}
bool GxContentTextWriter::Write(const char* name, const GxRect& v) {
    std::string s = Begin(kGxValRect, name);
    AddInt(s, v.left), AddInt(s, v.top), AddInt(s, v.right), AddInt(s, v.bottom);
    return Put(End(std::move(s)));
}
bool GxContentTextWriter::Write(const char* name, const GxMatrix& v) {
    std::string s = Begin(kGxValMatrix, name);
    for (int i = 0; i < 16; ++i) AddFloat(s, v.m[i]);
    return Put(End(std::move(s)));
}
bool GxContentTextWriter::Write(const char* name, const GxFColor& v) {
    std::string s = Begin(kGxValFColor, name);
    AddFloat(s, v.r), AddFloat(s, v.g), AddFloat(s, v.b), AddFloat(s, v.a);
    return Put(End(std::move(s)));
}
bool GxContentTextWriter::Write(const char* name, const GxQuat& v) {
    std::string s = Begin(kGxValQuat, name);
    AddFloat(s, v.x), AddFloat(s, v.y), AddFloat(s, v.z), AddFloat(s, v.w);
    return Put(End(std::move(s)));
}
bool GxContentTextWriter::Write(const char* name, const GxVector4& v) {
    std::string s = Begin(kGxValVector4, name);
    AddFloat(s, v.x), AddFloat(s, v.y), AddFloat(s, v.z), AddFloat(s, v.w);
    return Put(End(std::move(s)));
}
bool GxContentTextWriter::Write(const char* name, const GxVector3& v) {
    std::string s = Begin(kGxValVector3, name);
    AddFloat(s, v.x), AddFloat(s, v.y), AddFloat(s, v.z);
    return Put(End(std::move(s)));
}
bool GxContentTextWriter::Write(const char* name, const GxVector2& v) {
    std::string s = Begin(kGxValVector2, name);
    AddFloat(s, v.x), AddFloat(s, v.y);
    return Put(End(std::move(s)));
}
bool GxContentTextWriter::Write(const char* name, bool v) {
    std::string s = Begin(kGxValBool, name);
    AddInt(s, v ? 1u : 0u);
    return Put(End(std::move(s)));
}
bool GxContentTextWriter::Write(const char* name, f64 v) {
    std::string s = Begin(kGxValF64, name);
    AddFloat(s, v);
    return Put(End(std::move(s)));
}
bool GxContentTextWriter::Write(const char* name, f32 v) {
    std::string s = Begin(kGxValF32, name);
    AddFloat(s, v);
    return Put(End(std::move(s)));
}
bool GxContentTextWriter::Write(const char* name, u64 v) {
    std::string s = Begin(kGxValU64, name);
    AddInt(s, v);
    return Put(End(std::move(s)));
}
bool GxContentTextWriter::Write(const char* name, s64 v) {
    std::string s = Begin(kGxValS64, name);
    AddInt(s, v);
    return Put(End(std::move(s)));
}
bool GxContentTextWriter::Write(const char* name, u32 v) {
    std::string s = Begin(kGxValU32, name);
    AddInt(s, v);
    return Put(End(std::move(s)));
}
bool GxContentTextWriter::Write(const char* name, s32 v) {
    std::string s = Begin(kGxValS32, name);
    AddInt(s, v);
    return Put(End(std::move(s)));
}
bool GxContentTextWriter::Write(const char* name, u16 v) {
    std::string s = Begin(kGxValU16, name);
    AddInt(s, u32(v));
    return Put(End(std::move(s)));
}
bool GxContentTextWriter::Write(const char* name, s16 v) {
    std::string s = Begin(kGxValS16, name);
    AddInt(s, s32(v));
    return Put(End(std::move(s)));
}
bool GxContentTextWriter::Write(const char* name, u8 v) {
    std::string s = Begin(kGxValU8, name);
    AddInt(s, u32(v));
    return Put(End(std::move(s)));
}
bool GxContentTextWriter::Write(const char* name, s8 v) {
    std::string s = Begin(kGxValS8, name);
    AddInt(s, s32(v));
    return Put(End(std::move(s)));
}

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
    std::string s;
    s.push_back(kHex[code >> 4]);
    s.push_back(kHex[code & 0xF]);
    s.push_back('\t');
    s.push_back(brace);
    s.push_back('\n');
    return s;
}
} // namespace

bool GxContentTextWriter::WriteListEnd() { return Put(Bracket(kGxValListEnd, '}')); }
bool GxContentTextWriter::WriteTreeEnd() { return Put(Bracket(kGxValTreeEnd, '}')); }
bool GxContentTextWriter::WriteTreeStratumBegin() { return Put(Bracket(kGxValTreeStratumBegin, '{')); }
bool GxContentTextWriter::WriteTreeStratumEnd() { return Put(Bracket(kGxValTreeStratumEnd, '}')); }
