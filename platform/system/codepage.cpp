#include "platform/system/codepage.h"

#include <cerrno>
#include <iconv.h>

namespace psys {
namespace {

// One converter per thread and direction: iconv descriptors carry state and
// opening them is costly.
class converter {
public:
    converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~converter() {
        if (ok()) iconv_close(cd_);
    }
    converter(const converter&) = delete;
    converter& operator=(const converter&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return cd_; }
    void reset() { iconv(cd_, nullptr, nullptr, nullptr, nullptr); }
private:
    iconv_t cd_;
};

// Converts all of the input a buffer at a time: `take` receives each
// converted piece, and on a sequence the converter refuses (EILSEQ or EINVAL)
// `skip` writes a stand-in and moves the input past it.
template <class Take, class Skip>
void convert_all(converter& cv, char* in, size_t in_left, Take take, Skip skip) {
    cv.reset();
    char buf[1024];
    while (in_left > 0) {
        char* o = buf;
        size_t o_left = sizeof buf;
        size_t r = iconv(cv.get(), &in, &in_left, &o, &o_left);
        take(static_cast<const char*>(buf), static_cast<const char*>(o));
        if (r == size_t(-1)) {
            if (errno == E2BIG) continue;
            skip(in, in_left);
            cv.reset();
        }
    }
}

} // namespace

std::u16string cp932_to_utf16(std::string_view s) {
    std::u16string out;
    if (s.empty()) return out;
    thread_local converter cv("UTF-16LE", "CP932");
    if (!cv.ok()) {
        // Without the converter, ASCII still passes; nothing else can be read.
        for (unsigned char c : s) out.push_back(c < 0x80 ? char16_t(c) : u'\uFFFD');
        return out;
    }
    convert_all(
        cv, const_cast<char*>(s.data()), s.size(),
        [&](const char* from, const char* to) {
            for (const char* p = from; p + 1 < to; p += 2)
                out.push_back(char16_t(uint8_t(p[0]) | (uint8_t(p[1]) << 8)));
        },
        [&](char*& in, size_t& in_left) {
            // Replace one byte and go on.
            out.push_back(u'\uFFFD');
            ++in;
            --in_left;
        });
    return out;
}

std::string utf16_to_cp932(std::u16string_view s) {
    std::string out;
    if (s.empty()) return out;
    thread_local converter cv("CP932", "UTF-16LE");
    std::string le;
    le.reserve(s.size() * 2);
    for (char16_t c : s) {
        le.push_back(char(c & 0xFF));
        le.push_back(char(c >> 8));
    }
    if (!cv.ok()) {
        for (char16_t c : s) out.push_back(c < 0x80 ? char(c) : '?');
        return out;
    }
    convert_all(
        cv, le.data(), le.size(), [&](const char* from, const char* to) { out.append(from, size_t(to - from)); },
        [&](char*& in, size_t& in_left) {
            out.push_back('?');
            // Skip the whole unit that failed: a surrogate pair is two units.
            size_t skip = 2;
            if (in_left >= 4) {
                char16_t hi = char16_t(uint8_t(in[0]) | (uint8_t(in[1]) << 8));
                char16_t lo = char16_t(uint8_t(in[2]) | (uint8_t(in[3]) << 8));
                if (hi >= 0xD800 && hi < 0xDC00 && lo >= 0xDC00 && lo < 0xE000) skip = 4;
            }
            if (skip > in_left) skip = in_left;
            in += skip;
            in_left -= skip;
        });
    return out;
}

namespace {

// keep_bytes: an undecodable byte becomes U+DC80-U+DCFF instead of U+FFFD.
std::u16string decode_utf8(std::string_view s, bool keep_bytes) {
    std::u16string out;
    out.reserve(s.size());
    size_t i = 0, n = s.size();
    while (i < n) {
        uint8_t c = uint8_t(s[i]);
        if (c < 0x80) {
            out.push_back(c);
            ++i;
            continue;
        }
        int len = 0;
        uint32_t cp = 0, min = 0;
        if ((c & 0xE0) == 0xC0) { len = 2; cp = c & 0x1F; min = 0x80; }
        else if ((c & 0xF0) == 0xE0) { len = 3; cp = c & 0x0F; min = 0x800; }
        else if ((c & 0xF8) == 0xF0) { len = 4; cp = c & 0x07; min = 0x10000; }
        int k = 1;
        if (len != 0) {
            for (; k < len && i + k < n; ++k) {
                uint8_t t = uint8_t(s[i + k]);
                if ((t & 0xC0) != 0x80) break;
                cp = (cp << 6) | (t & 0x3F);
            }
        }
        if (len == 0 || k != len || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000)) {
            // Replace the lead byte and the continuation bytes that followed it.
            const size_t bad = (len == 0) ? 1 : size_t(k);
            if (keep_bytes) {
                for (size_t b = 0; b < bad; ++b) out.push_back(char16_t(0xDC00 + uint8_t(s[i + b])));
            } else {
                out.push_back(u'\uFFFD');
            }
            i += bad;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(char16_t(0xD800 + (cp >> 10)));
            out.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(char16_t(cp));
        }
        i += size_t(len);
    }
    return out;
}

// keep_bytes: U+DC80-U+DCFF alone turns back into the byte it stands for.
std::string encode_utf8(std::u16string_view s, bool keep_bytes) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        uint32_t cp = s[i];
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (keep_bytes && cp >= 0xDC80 && cp < 0xDD00) {
            out.push_back(char(cp - 0xDC00));
            continue;
        } else if (cp >= 0xD800 && cp < 0xE000) {
            cp = 0xFFFD;  // an unpaired surrogate cannot be written as UTF-8
        }
        if (cp < 0x80) {
            out.push_back(char(cp));
        } else if (cp < 0x800) {
            out.push_back(char(0xC0 | (cp >> 6)));
            out.push_back(char(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(char(0xE0 | (cp >> 12)));
            out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(char(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(char(0xF0 | (cp >> 18)));
            out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(char(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

} // namespace

std::u16string utf8_to_utf16(std::string_view s) { return decode_utf8(s, false); }
std::string utf16_to_utf8(std::u16string_view s) { return encode_utf8(s, false); }
std::u16string native_path_to_utf16(std::string_view s) { return decode_utf8(s, true); }
std::string utf16_to_native_path(std::u16string_view s) { return encode_utf8(s, true); }

} // namespace psys
