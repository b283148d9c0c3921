#include "base/GxFormat.h"

#include "platform/system/codepage.h"

#include <cstdio>
#include <string>

s64 GxFormatArg::AsSigned() const {
    switch (m_Kind) {
    case Kind::Signed: return m_Int;
    case Kind::Unsigned:
    case Kind::Pointer: return s64(m_UInt);
    case Kind::Double: {
        // Out-of-range doubles saturate instead of invoking undefined behaviour.
        if (!(m_Double == m_Double)) return 0;
        if (m_Double >= 9.2233720368547758e18) return INT64_MAX;
        if (m_Double <= -9.2233720368547758e18) return INT64_MIN;
        return s64(m_Double);
    }
    default: return 0;
    }
}

u64 GxFormatArg::AsUnsigned() const {
    if (m_Kind == Kind::Double) return u64(AsSigned());
    if (m_Kind == Kind::Signed) return u64(m_Int);
    if (m_Kind == Kind::Unsigned || m_Kind == Kind::Pointer) return m_UInt;
    return 0;
}

double GxFormatArg::AsDouble() const {
    switch (m_Kind) {
    case Kind::Double: return m_Double;
    case Kind::Signed: return double(m_Int);
    case Kind::Unsigned:
    case Kind::Pointer: return double(m_UInt);
    default: return 0.0;
    }
}

GxString GxFormatArg::AsWide() const {
    switch (m_Kind) {
    case Kind::Wide:
        return m_Str ? GxString(static_cast<const GxChar*>(m_Str), m_Len) : GxString(u"(null)");
    case Kind::Narrow:
        return m_Str ? psys::cp932_to_utf16(std::string_view(static_cast<const char*>(m_Str), m_Len))
                     : GxString(u"(null)");
    case Kind::Signed: {
        std::string s = std::to_string(m_Int);
        return GxString(s.begin(), s.end());
    }
    case Kind::Unsigned:
    case Kind::Pointer: {
        std::string s = std::to_string(m_UInt);
        return GxString(s.begin(), s.end());
    }
    case Kind::Double: {
        char b[64];
        std::snprintf(b, sizeof b, "%f", m_Double);
        return GxString(b, b + std::char_traits<char>::length(b));
    }
    }
    return {};
}

namespace {

struct Directive {
    bool left = false, plus = false, space = false, alt = false, zero = false;
    int width = -1;      // -1: none
    int precision = -1;  // -1: none
    enum { Default, Short, Char, Long, LongLong, Size } size = Default;
};

void AppendAscii(GxString& out, const char* s, size_t n) {
    for (size_t i = 0; i < n; ++i) out.push_back(GxChar(static_cast<unsigned char>(s[i])));
}

void Pad(GxString& out, size_t n, GxChar c) { out.append(n, c); }

// Writes an already converted string with width, precision and '-' applied.
void AppendPadded(GxString& out, const GxString& s, const Directive& sp) {
    size_t len = s.size();
    if (sp.precision >= 0 && size_t(sp.precision) < len) len = size_t(sp.precision);
    size_t w = sp.width > 0 ? size_t(sp.width) : 0;
    GxChar padc = (sp.zero && !sp.left) ? u'0' : u' ';
    if (!sp.left && w > len) Pad(out, w - len, padc);
    out.append(s, 0, len);
    if (sp.left && w > len) Pad(out, w - len, u' ');
}

// Numbers go through the C library so that every flag behaves as printf's.
void AppendNumber(GxString& out, const Directive& sp, char conv, const GxFormatArg& a) {
    std::string f = "%";
    if (sp.left) f += '-';
    if (sp.plus) f += '+';
    if (sp.space) f += ' ';
    if (sp.alt) f += '#';
    if (sp.zero) f += '0';
    if (sp.width >= 0) f += std::to_string(sp.width);
    if (sp.precision >= 0) f += "." + std::to_string(sp.precision);
    const bool wide = sp.size == Directive::LongLong || sp.size == Directive::Size;
    auto print = [&](char* buf, size_t n) -> int {
        switch (conv) {
        case 'd':
        case 'i': {
            s64 v = a.AsSigned();
            // 'l' is 32 bits, as on the platform the messages were written for.
            long long cut = wide ? v : sp.size == Directive::Short ? s16(v) : sp.size == Directive::Char ? s8(v) : s32(v);
            return std::snprintf(buf, n, (f + "lld").c_str(), cut);
        }
        case 'u':
        case 'x':
        case 'X':
        case 'o': {
            u64 v = a.AsUnsigned();
            unsigned long long cut = wide ? v : sp.size == Directive::Short ? u16(v) : sp.size == Directive::Char ? u8(v) : u32(v);
            return std::snprintf(buf, n, (f + "ll" + conv).c_str(), cut);
        }
        case 'p':
            return std::snprintf(buf, n, "%016llX", static_cast<unsigned long long>(a.AsUnsigned()));
        default:  // f F e E g G a A
            return std::snprintf(buf, n, (f + conv).c_str(), a.AsDouble());
        }
    };
    char small[128];
    int n = print(small, sizeof small);
    if (n < 0) return;
    if (size_t(n) < sizeof small) {
        AppendAscii(out, small, size_t(n));
        return;
    }
    std::string big(size_t(n) + 1, '\0');
    print(big.data(), big.size());
    AppendAscii(out, big.data(), size_t(n));
}

bool IsDigit(GxChar c) { return c >= u'0' && c <= u'9'; }

} // namespace

GxString GxFormatArgs(const GxChar* format, const GxFormatArg* args, size_t count) {
    GxString out;
    if (!format) return out;
    size_t next = 0;
    auto take = [&]() -> const GxFormatArg* { return next < count ? &args[next++] : nullptr; };
    const GxChar* p = format;
    while (*p) {
        if (*p != u'%') {
            const GxChar* q = p;
            while (*q && *q != u'%') ++q;
            out.append(p, size_t(q - p));
            p = q;
            continue;
        }
        const GxChar* start = p++;
        if (*p == u'%') {
            out.push_back(u'%');
            ++p;
            continue;
        }
        Directive sp;
        for (;; ++p) {
            if (*p == u'-') sp.left = true;
            else if (*p == u'+') sp.plus = true;
            else if (*p == u' ') sp.space = true;
            else if (*p == u'#') sp.alt = true;
            else if (*p == u'0') sp.zero = true;
            else break;
        }
        if (*p == u'*') {
            const GxFormatArg* a = take();
            s64 w = a ? a->AsSigned() : 0;
            if (w < 0) {
                sp.left = true;
                w = -w;
            }
            sp.width = int(w > 4096 ? 4096 : w);
            ++p;
        } else {
            int w = 0;
            bool any = false;
            while (IsDigit(*p)) {
                if (w < 4096) w = w * 10 + (*p - u'0');
                any = true;
                ++p;
            }
            if (any) sp.width = w > 4096 ? 4096 : w;
        }
        if (*p == u'.') {
            ++p;
            if (*p == u'*') {
                const GxFormatArg* a = take();
                s64 v = a ? a->AsSigned() : 0;
                sp.precision = v < 0 ? -1 : int(v > 4096 ? 4096 : v);
                ++p;
            } else {
                int v = 0;
                while (IsDigit(*p)) {
                    if (v < 4096) v = v * 10 + (*p - u'0');
                    ++p;
                }
                sp.precision = v > 4096 ? 4096 : v;
            }
        }
        // Size prefixes; 'h'/'l'/'w' also pick narrow or wide for %c and %s,
        // which the argument's own type already decides here.
        if (p[0] == u'I' && p[1] == u'6' && p[2] == u'4') {
            sp.size = Directive::LongLong;
            p += 3;
        } else if (p[0] == u'I' && p[1] == u'3' && p[2] == u'2') {
            p += 3;
        } else if (*p == u'I' || *p == u'z' || *p == u't' || *p == u'j') {
            sp.size = Directive::Size;
            ++p;
        } else if (p[0] == u'l' && p[1] == u'l') {
            sp.size = Directive::LongLong;
            p += 2;
        } else if (p[0] == u'h' && p[1] == u'h') {
            sp.size = Directive::Char;
            p += 2;
        } else if (*p == u'h') {
            sp.size = Directive::Short;
            ++p;
        } else if (*p == u'l' || *p == u'L' || *p == u'w') {
            sp.size = Directive::Long;
            ++p;
        }
        GxChar conv = *p;
        if (conv == 0) {
            // A format that ends inside a directive: keep its text.
            out.append(start, size_t(p - start));
            break;
        }
        ++p;
        switch (conv) {
        case u'd': case u'i': case u'u': case u'x': case u'X': case u'o':
        case u'f': case u'F': case u'e': case u'E': case u'g': case u'G': case u'a': case u'A':
        case u'p': {
            const GxFormatArg* a = take();
            if (!a) break;
            if (a->GetKind() == GxFormatArg::Kind::Wide || a->GetKind() == GxFormatArg::Kind::Narrow) {
                // A string where a number was asked for: show the string.
                Directive s2 = sp;
                s2.precision = -1;
                AppendPadded(out, a->AsWide(), s2);
                break;
            }
            AppendNumber(out, sp, char(conv), *a);
            break;
        }
        case u'c':
        case u'C': {
            const GxFormatArg* a = take();
            if (!a) break;
            GxString ch;
            if (a->GetKind() == GxFormatArg::Kind::Wide || a->GetKind() == GxFormatArg::Kind::Narrow) {
                GxString s = a->AsWide();
                if (!s.empty()) ch.push_back(s[0]);
            } else {
                ch.push_back(GxChar(a->AsUnsigned() & 0xFFFF));
            }
            Directive s2 = sp;
            s2.precision = -1;
            AppendPadded(out, ch, s2);
            break;
        }
        case u's':
        case u'S':
        case u'Z': {
            const GxFormatArg* a = take();
            if (!a) break;
            AppendPadded(out, a->AsWide(), sp);
            break;
        }
        case u'n':
            take();  // never written through: the argument is skipped
            break;
        default:
            // Not a conversion: keep the text as written.
            out.append(start, size_t(p - start));
            break;
        }
    }
    return out;
}

GxString GxFormatArgsA(const char* format, const GxFormatArg* args, size_t count) {
    if (!format) return {};
    // '%' (0x25) can never be the trail byte of a CP932 character, so the
    // format's directives survive the conversion unchanged.
    GxString wide = psys::cp932_to_utf16(format);
    return GxFormatArgs(wide.c_str(), args, count);
}

GxString GxIntToString(int v) { return GxFormat(u"%d", v); }
GxString GxFloatToString(double v) { return GxFormat(u"%f", v); }
