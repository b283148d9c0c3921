// The text helpers: line and quoted-string parsing, numbers, splits, and the
// CP932 decoding of pack names.
#include "io/GxCp932.h"
#include "io/GxStringParse.h"
#include "platform/system/codepage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

namespace {

std::vector<std::string> Lines(const std::string& text, u32* counter = nullptr) {
    std::vector<std::string> out;
    const char* p = text.data();
    const char* end = p + text.size();
    u32 n = 0;
    while (p < end && *p) {
        GxStringA line;
        ReadTextLine(&line, p, &p, &n, end);
        out.push_back(line);
    }
    if (counter) *counter = n;
    return out;
}

TEST(StringParse, ReadTextLineRules) {
    u32 n = 0;
    EXPECT_EQ(Lines("a\r\nb\n\r\r\fc", &n), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(n, 2u);
    EXPECT_EQ(Lines("x\ry\fz\n\n"), (std::vector<std::string>{"xyz", ""})) << "CR and FF vanish wherever they stand";
    // A Shift-JIS character whose trail byte is 0x5C ('\') stays whole, and a
    // lead byte at the very end is taken alone.
    EXPECT_EQ(Lines("\x83\x5C\n\x83"), (std::vector<std::string>{"\x83\x5C", "\x83"}));
    // A zero character ends the line and is not consumed.
    const std::string z("ab\0cd", 5);
    GxStringA line;
    const char* pos = nullptr;
    ReadTextLine(&line, z.data(), &pos, nullptr, z.data() + z.size());
    EXPECT_EQ(line, "ab");
    EXPECT_EQ(pos, z.data() + 2);
    const char* after = nullptr;
    SkipTextLine(z.data() + 3, &after, &n, z.data() + z.size());
    EXPECT_EQ(after, z.data() + 5);

    const GxString t = u"一\r\n二\n";
    const GxChar* p = t.data();
    GxString wide;
    n = 0;
    EXPECT_EQ(ReadTextLineW(&wide, p, &p, &n, t.data() + t.size()), u"一");
    EXPECT_EQ(ReadTextLineW(&wide, p, &p, &n, t.data() + t.size()), u"二");
    EXPECT_EQ(p, t.data() + t.size());
    EXPECT_EQ(n, 2u);
}

TEST(StringParse, QuotedStrings) {
    struct Case {
        std::string in;
        std::string out;
        size_t consumed;
        u32 lines;
    };
    const Case cases[] = {
        {"\"abc\" rest", "abc", 5, 0},
        {"\"a\\\"b\"", "a\"b", 6, 0},
        {"\"\\f\\n\\r\\t\\v\\\\\\'\\x\"", "\f\n\r\t\v\\'x", 18, 0},
        {"\"a\nb\r\fc", "abc", 7, 1},
        {"\"\x83\\\"", "\x83\\", 4, 0},  // the trail byte 5C is not an escape
        {"noquote", "", 0, 0},
        {"\"tail\\", "tail", 6, 0},
    };
    for (const auto& c : cases) {
        GxStringA out;
        const char* pos = nullptr;
        u32 lines = 0;
        ParseQuotedString(&out, c.in.data(), &pos, &lines, c.in.data() + c.in.size());
        EXPECT_EQ(out, c.out) << c.in;
        EXPECT_EQ(size_t(pos - c.in.data()), c.consumed) << c.in;
        EXPECT_EQ(lines, c.lines) << c.in;
    }
    const GxString w = u"\"ソ\\n\"";
    GxString out;
    const GxChar* pos = nullptr;
    ParseQuotedStringW(&out, w.data(), &pos, nullptr, w.data() + w.size());
    EXPECT_EQ(out, u"ソ\n");
}

TEST(StringParse, SplitAndJoin) {
    std::vector<GxString> f;
    EXPECT_EQ(GxSplitString(&f, u"a,b,c", u",", 2), 2u);
    EXPECT_EQ(f, (std::vector<GxString>{u"a", u"b"}));
    EXPECT_EQ(GxSplitString(&f, u"a,b,c", u",", 5), 5u);
    EXPECT_EQ(f, (std::vector<GxString>{u"a", u"b", u"c", u"", u""}));
    EXPECT_EQ(GxSplitString(&f, u"a,b,c", u",", 0), 3u) << "no limit";
    EXPECT_EQ(f.back(), u"c");
    EXPECT_EQ(GxSplitString(&f, u"a::b", u"::", 3), 3u);
    EXPECT_EQ(f, (std::vector<GxString>{u"a", u"b", u""}));
    EXPECT_EQ(GxSplitStringAll(&f, u"", u","), 1u);
    EXPECT_EQ(f, std::vector<GxString>{u""});
    EXPECT_EQ(GxSplitStringAll(&f, u"x,y,", u","), 3u);
    EXPECT_EQ(GxSplitStringAll(&f, u"x,y", u""), 1u);
    EXPECT_EQ(f, std::vector<GxString>{u"x,y"});
    GxString joined;
    EXPECT_EQ(GxJoinStrings(&joined, {u"a", u"b", u"c"}, u", "), u"a, b, c");
    EXPECT_EQ(GxJoinStrings(&joined, {}, u","), u"");
    std::vector<GxString> t = {u" a ", u"\tb"};
    GxTrimEach(&t, 3);
    EXPECT_EQ(t, (std::vector<GxString>{u"a", u"b"}));
}

TEST(StringParse, ParseInteger) {
    struct Case {
        const GxChar* text;
        u32 radix;
        bool noOctal;
        s64 want;
        size_t consumed;
    };
    const Case cases[] = {
        {u"0x1f", 0, true, 31, 4},
        {u"0b101", 0, true, 5, 5},
        {u"017", 0, true, 17, 3},
        {u"017", 0, false, 15, 3},
        {u"\uFF0D12", 0, true, -12, 3},
        {u"\uFF0B7", 0, true, 7, 2},
        {u"99999999999", 0, true, s64(s32(u32(9999999999ull))), 10},
        {u"  \t-42z", 10, false, -42, 6},
        {u"12abc", 0, true, 12, 2},
        {u"ff", 16, false, 255, 2},
        {u"0xff", 16, false, 255, 4},
        {u"0x", 0, true, 0, 2},
        {u"0bz", 0, false, 0, 2},
        {u"-0X", 0, true, 0, 3},
        {u"0xg", 16, false, 0, 2},
        {u"0b2", 2, false, 0, 2},
        {u"0b2", 16, false, 0xb2, 3},
        {u"z", 36, false, 0, 0},
        {u"z", 1, false, 0, 0},
        {u"yz", 35, false, 34, 1},
        {u"0777", 8, false, 511, 4},
        {u"", 0, false, 0, 0},
        {u"0xFFFFFFFF", 0, false, -1, 10},
    };
    for (const auto& c : cases) {
        const GxChar* end = nullptr;
        EXPECT_EQ(ParseInteger(c.text, &end, c.radix, c.noOctal), s32(c.want)) << (&c - cases);
        EXPECT_EQ(size_t(end - c.text), c.consumed) << (&c - cases);
    }
    EXPECT_EQ(ParseInteger64(u"9223372036854775807", nullptr, 10, true), INT64_MAX);
    EXPECT_EQ(ParseInteger64(u"-0x8000000000000000", nullptr, 0, true), INT64_MIN);
    EXPECT_EQ(ParseInteger64(u"12345678901234567890", nullptr, 10, true), 1234567890123456789) << "19 digits at most";
}

TEST(StringParse, ScanNumberLiteral) {
    struct Case {
        const GxChar* text;
        int kind;
        u32 length;
    };
    const Case cases[] = {
        {u"0x", 0, 0}, {u"-12a", 1, 3}, {u"0x1Fg", 2, 4}, {u"+", 0, 0}, {u"-0x1", 1, 2}, {u"abc", 0, 0}, {u"7", 1, 1},
    };
    for (const auto& c : cases) {
        u32 len = 99;
        const GxChar* end = c.text + std::char_traits<GxChar>::length(c.text);
        EXPECT_EQ(GxScanNumberLiteral(c.text, &len, end), c.kind);
        EXPECT_EQ(len, c.length);
    }
    u32 len = 0;
    const GxChar* digits = u"12345";
    EXPECT_EQ(GxScanNumberLiteral(digits, &len, digits + 2), 1);
    EXPECT_EQ(len, 2u) << "the end bounds the scan";
}

TEST(StringParse, WcsICmpComparesTheTerminatorsToo) {
    EXPECT_EQ(GxWcsICmp(u"ABC", u"abc"), 0);
    EXPECT_NE(GxWcsICmp(u"abc", u"abcd"), 0);
    EXPECT_LT(GxWcsICmp(u"abc", u"abcd"), 0);
    EXPECT_GT(GxWcsICmp(u"abcd", u"ABC"), 0);
    EXPECT_NE(GxWcsICmp(u"", u"x"), 0);
    EXPECT_NE(GxWcsICmp(u"Ä", u"ä"), 0) << "only ASCII letters fold";
    GxChar buf[8];
    EXPECT_EQ(GxWcsCpy(buf, u"abc"), buf);
    EXPECT_EQ(GxString(buf), u"abc");
}

GxString Decode(const std::string& bytes) {
    GxString out;
    GxAppendCp932(bytes, &out);
    return out;
}

// The pack names' own tables decode as the engine's iconv conversion does:
// every byte, every pair of bytes (invalid ones included), and runs of bytes
// where a lead byte meets an invalid second byte or the end of the text.
TEST(Cp932, TablesDecodeAsIconvDoes) {
    int differ = 0;
    auto check = [&](const std::string& bytes) {
        if (Decode(bytes) != psys::cp932_to_utf16(bytes) && ++differ <= 5)
            ADD_FAILURE() << "bytes " << std::hex << int(u8(bytes[0])) << " " << int(u8(bytes.back()));
    };
    for (int a = 0; a < 256; ++a) {
        check(std::string(1, char(a)));
        for (int b = 0; b < 256; ++b) check(std::string{char(a), char(b)});
    }
    std::mt19937 rng(932);
    const char pieces[] = {'\x81', '\x9F', '\xE0', '\xFC', '\x80', '\xA0', '\xFD', '\x40', '\x7F', '\xDF', 'a', '\0'};
    for (int i = 0; i < 20000; ++i) {
        std::string s(rng() % 9, ' ');
        for (char& c : s) c = rng() % 2 ? pieces[rng() % sizeof pieces] : char(rng());
        check(s);
    }
    EXPECT_EQ(differ, 0);
    EXPECT_EQ(Decode("bg/\x83\x5C\x81\x5B\x83\x58.png"), u"bg/ソース.png");
}

} // namespace
