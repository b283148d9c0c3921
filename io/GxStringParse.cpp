#include "io/GxStringParse.h"

#include "base/GxStringUtil.h"

#include <algorithm>

namespace {

template <class C, bool Sjis>
void ScanLine(std::basic_string<C>* out, const C* p, const C** posOut, u32* lineCounter, const C* end) {
    if (out) out->clear();
    if (!p || !end) {
        if (posOut) *posOut = p;
        return;
    }
    while (p < end) {
        const C c = *p;
        if (c == 0) break;
        if (c == C('\n')) {
            ++p;
            if (lineCounter) ++*lineCounter;
            while (p < end && (*p == C('\r') || *p == C('\f'))) ++p;
            break;
        }
        if (c == C('\r') || c == C('\f')) {
            ++p;
            continue;
        }
        if constexpr (Sjis) {
            if (GxIsSjisLeadByte(u8(c)) && p + 1 < end) {
                if (out) out->append(p, 2);
                p += 2;
                continue;
            }
        }
        if (out) out->push_back(c);
        ++p;
    }
    if (posOut) *posOut = p;
}

template <class C, bool Sjis>
void ScanQuoted(std::basic_string<C>* out, const C* p, const C** posOut, u32* lineCounter, const C* end) {
    out->clear();
    if (!p || !end || p >= end || *p != C('"')) {
        if (posOut) *posOut = p;
        return;
    }
    ++p;
    while (p < end) {
        const C c = *p;
        if (c == C('"')) {
            ++p;
            break;
        }
        if (c == C('\\')) {
            if (p + 1 >= end) {
                ++p;
                break;
            }
            const C n = p[1];
            p += 2;
            switch (n) {
            case C('f'): out->push_back(C('\f')); break;
            case C('n'): out->push_back(C('\n')); break;
            case C('r'): out->push_back(C('\r')); break;
            case C('t'): out->push_back(C('\t')); break;
            case C('v'): out->push_back(C('\v')); break;
            default:
                out->push_back(n);
                if constexpr (Sjis) {
                    if (GxIsSjisLeadByte(u8(n)) && p < end) out->push_back(*p++);
                }
                break;
            }
            continue;
        }
        if (c == C('\n')) {
            if (lineCounter) ++*lineCounter;
            ++p;
            continue;
        }
        if (c == C('\r') || c == C('\f')) {
            ++p;
            continue;
        }
        if constexpr (Sjis) {
            if (GxIsSjisLeadByte(u8(c)) && p + 1 < end) {
                out->append(p, 2);
                p += 2;
                continue;
            }
        }
        out->push_back(c);
        ++p;
    }
    if (posOut) *posOut = p;
}

int DigitValue(GxChar c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'z') return c - u'a' + 10;
    if (c >= u'A' && c <= u'Z') return c - u'A' + 10;
    return 99;
}

bool IsDigitOf(GxChar c, u32 radix) { return u32(DigitValue(c)) < radix; }

// The common part of both integer parsers; the result is the full 64-bit
// accumulation with the sign applied (in two's complement).
u64 ParseIntegerBits(const GxChar* text, const GxChar** end, u32 radix, bool noOctal, bool wide) {
    const GxChar* p = text;
    if (!p) {
        if (end) *end = p;
        return 0;
    }
    while (*p == u' ' || *p == u'\t') ++p;
    bool negative = false;
    if (*p == u'-' || *p == u'\uFF0D') {
        negative = true;
        ++p;
    } else if (*p == u'+' || *p == u'\uFF0B') {
        ++p;
    }
    const bool xPrefix = p[0] == u'0' && (p[1] == u'x' || p[1] == u'X');
    const bool bPrefix = p[0] == u'0' && (p[1] == u'b' || p[1] == u'B');
    // A prefix is read even with no digit after it.
    if (radix == 0) {
        if (xPrefix) {
            radix = 16;
            p += 2;
        } else if (bPrefix) {
            radix = 2;
            p += 2;
        } else if (p[0] == u'0' && !noOctal) {
            radix = 8;
            ++p;
        } else {
            radix = 10;
        }
    } else if (radix == 16) {
        if (xPrefix) p += 2;
    } else if (radix == 2) {
        if (bPrefix) p += 2;
    } else if (radix == 8) {
        if (p[0] == u'0') ++p;
    } else if (radix < 2 || radix > 35) {
        if (end) *end = p;
        return 0;
    }
    u32 limit;
    switch (radix) {
    case 16: limit = wide ? 16 : 8; break;
    case 10: limit = wide ? 19 : 10; break;
    case 8: limit = wide ? 21 : 11; break;
    default: limit = wide ? 64 : 32; break;
    }
    u64 v = 0;
    for (u32 n = 0; n < limit && IsDigitOf(*p, radix); ++n, ++p) v = v * radix + u64(DigitValue(*p));
    if (end) *end = p;
    return negative ? u64(0) - v : v;
}

GxChar FoldAscii(GxChar c) { return (c >= u'A' && c <= u'Z') ? GxChar(c + 32) : c; }

} // namespace

GxStringA& ReadTextLine(GxStringA* out, const char* start, const char** posOut, u32* lineCounter, const char* end) {
    ScanLine<char, true>(out, start, posOut, lineCounter, end);
    return *out;
}

GxString& ReadTextLineW(GxString* out, const GxChar* start, const GxChar** posOut, u32* lineCounter,
                        const GxChar* end) {
    ScanLine<GxChar, false>(out, start, posOut, lineCounter, end);
    return *out;
}

void SkipTextLine(const char* start, const char** posOut, u32* lineCounter, const char* end) {
    ScanLine<char, true>(nullptr, start, posOut, lineCounter, end);
}

GxStringA& ParseQuotedString(GxStringA* out, const char* start, const char** posOut, u32* lineCounter,
                             const char* end) {
    ScanQuoted<char, true>(out, start, posOut, lineCounter, end);
    return *out;
}

GxString& ParseQuotedStringW(GxString* out, const GxChar* start, const GxChar** posOut, u32* lineCounter,
                             const GxChar* end) {
    ScanQuoted<GxChar, false>(out, start, posOut, lineCounter, end);
    return *out;
}

u32 GxSplitString(std::vector<GxString>* out, GxStringView text, GxStringView delimiter, u32 count) {
    if (count == 0) return GxSplitStringAll(out, text, delimiter);
    out->clear();
    out->reserve(std::min<u32>(count, 64));
    size_t pos = 0;
    if (!delimiter.empty()) {
        while (out->size() < count) {
            const size_t hit = text.find(delimiter, pos);
            if (hit == GxStringView::npos) break;
            out->emplace_back(text.substr(pos, hit - pos));
            pos = hit + delimiter.size();
        }
    }
    if (out->size() < count) out->emplace_back(text.substr(pos));
    while (out->size() < count) out->emplace_back();
    return count;
}

u32 GxSplitStringAll(std::vector<GxString>* out, GxStringView text, GxStringView delimiter) {
    out->clear();
    size_t pos = 0;
    if (!delimiter.empty()) {
        for (;;) {
            const size_t hit = text.find(delimiter, pos);
            if (hit == GxStringView::npos) break;
            out->emplace_back(text.substr(pos, hit - pos));
            pos = hit + delimiter.size();
        }
    }
    out->emplace_back(text.substr(pos));
    return u32(out->size());
}

GxString& GxJoinStrings(GxString* out, const std::vector<GxString>& parts, GxStringView separator) {
    out->clear();
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i) out->append(separator);
        out->append(parts[i]);
    }
    return *out;
}

void GxTrimEach(std::vector<GxString>* lines, int mode) {
    for (auto& s : *lines) s = GxTrim(s, mode);
}

s32 ParseInteger(const GxChar* text, const GxChar** end, u32 radix, bool noOctal) {
    return s32(u32(ParseIntegerBits(text, end, radix, noOctal, false)));
}

s64 ParseInteger64(const GxChar* text, const GxChar** end, u32 radix, bool noOctal) {
    return s64(ParseIntegerBits(text, end, radix, noOctal, true));
}

int GxScanNumberLiteral(const GxChar* text, u32* length, const GxChar* end) {
    u32 len = 0;
    if (length) *length = 0;
    if (!text || (end && text >= end)) return 0;
    auto at = [&](u32 i) -> GxChar { return (end && text + i >= end) ? GxChar(0) : text[i]; };
    bool sign = false;
    if (at(0) == u'+' || at(0) == u'-') {
        sign = true;
        len = 1;
    }
    if (!sign && at(len) == u'0' && (at(len + 1) == u'x' || at(len + 1) == u'X')) {
        u32 n = len + 2;
        while (IsDigitOf(at(n), 16)) ++n;
        if (n == len + 2) return 0;
        if (length) *length = n;
        return 2;
    }
    u32 n = len;
    while (at(n) >= u'0' && at(n) <= u'9') ++n;
    if (n == len) return 0;
    if (length) *length = n;
    return 1;
}

int GxWcsICmp(const GxChar* a, const GxChar* b) {
    static const GxChar empty = 0;
    if (!a) a = &empty;
    if (!b) b = &empty;
    for (;; ++a, ++b) {
        const GxChar x = FoldAscii(*a), y = FoldAscii(*b);
        if (x != y) return int(x) - int(y);
        if (x == 0) return 0;
    }
}

GxChar* GxWcsCpy(GxChar* dest, const GxChar* src) {
    GxChar* d = dest;
    while ((*d++ = *src++) != 0) {
    }
    return dest;
}
