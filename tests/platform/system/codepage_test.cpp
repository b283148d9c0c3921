#include "platform/system/codepage.h"

#include <gtest/gtest.h>

namespace {

// "既に起動中です" in CP932, as the game data stores it.
const std::string kAlreadyRunningSjis = "\x8A\xF9\x82\xC9\x8B\x4E\x93\xAE\x92\x86\x82\xC5\x82\xB7";
const std::u16string kAlreadyRunning = u"既に起動中です";

TEST(CodePage, Cp932RoundTripsJapanese) {
    EXPECT_EQ(psys::cp932_to_utf16(kAlreadyRunningSjis), kAlreadyRunning);
    EXPECT_EQ(psys::utf16_to_cp932(kAlreadyRunning), kAlreadyRunningSjis);
    // Half-width katakana are single bytes; the backslash stays a backslash
    // (game paths use it), and the yen-looking trail byte 0x5C of "ソ" is kept.
    EXPECT_EQ(psys::cp932_to_utf16("\xB1\xB2"), u"\uFF71\uFF72");
    EXPECT_EQ(psys::cp932_to_utf16("a\\b"), u"a\\b");
    EXPECT_EQ(psys::cp932_to_utf16("\x83\x5C"), u"ソ");
    EXPECT_EQ(psys::utf16_to_cp932(u"ソ"), "\x83\x5C");
    // Microsoft's variant: the full-width tilde and the NEC row 13 circled digits.
    EXPECT_EQ(psys::cp932_to_utf16("\x81\x60"), u"\uFF5E");
    EXPECT_EQ(psys::cp932_to_utf16("\x87\x40"), u"\u2460");
}

TEST(CodePage, Cp932InvalidInputIsReplacedNotDropped) {
    // A lone lead byte at the end, and an undefined byte in the middle.
    EXPECT_EQ(psys::cp932_to_utf16("ab\x82"), u"ab\uFFFD");
    EXPECT_EQ(psys::cp932_to_utf16("a\xA0z"), u"a\uFFFDz");
    // Characters CP932 cannot hold become '?', one per character, and the
    // text after them survives.
    EXPECT_EQ(psys::utf16_to_cp932(u"\u00E9x"), "?x");
    EXPECT_EQ(psys::utf16_to_cp932(u"\U0001F600y"), "?y");
    // A long text crosses the converter's internal buffer.
    std::string many;
    std::u16string expect;
    for (int i = 0; i < 2000; ++i) {
        many += kAlreadyRunningSjis;
        expect += kAlreadyRunning;
    }
    EXPECT_EQ(psys::cp932_to_utf16(many), expect);
    EXPECT_EQ(psys::utf16_to_cp932(expect), many);
}

TEST(CodePage, Utf8BothWays) {
    EXPECT_EQ(psys::utf8_to_utf16("\xE6\x97\xA2\xE3\x81\xAB"), u"既に");
    EXPECT_EQ(psys::utf16_to_utf8(u"既に"), "\xE6\x97\xA2\xE3\x81\xAB");
    EXPECT_EQ(psys::utf8_to_utf16("\xF0\x9F\x98\x80"), u"\U0001F600");
    EXPECT_EQ(psys::utf16_to_utf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(psys::utf16_to_utf8(u"a\u00E9"), "a\xC3\xA9");
}

TEST(CodePage, Utf8MalformedSequences) {
    struct Case {
        std::string in;
        std::u16string out;
    } cases[] = {
        {"\xC0\x80", u"\uFFFD"},                // overlong NUL
        {"\x80z", u"\uFFFDz"},                  // lone continuation byte
        {"\xE6\x97", u"\uFFFD"},                // truncated at the end
        {"\xE6\x97z", u"\uFFFDz"},              // truncated before ASCII
        {"\xED\xA0\x80", u"\uFFFD"},            // encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD"},        // above U+10FFFF
        {"\xFF", u"\uFFFD"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(psys::utf8_to_utf16(c.in), c.out) << testing::PrintToString(c.in);
        // As a path every byte is kept: each undecodable one stands alone and
        // comes back as itself, and shows as U+FFFD.
        const std::u16string path = psys::native_path_to_utf16(c.in);
        EXPECT_EQ(psys::utf16_to_native_path(path), c.in) << testing::PrintToString(c.in);
        EXPECT_EQ(psys::utf8_to_utf16(psys::utf16_to_utf8(path)).find(u'\uFFFD'), 0u);
    }
    // An unpaired surrogate cannot be written as UTF-8.
    EXPECT_EQ(psys::utf16_to_utf8(std::u16string(1, char16_t(0xD800)) + u"x"), "\xEF\xBF\xBDx");
}

TEST(CodePage, NativePathsKeepEveryByte) {
    // A Latin-1 "é" and a Shift-JIS "あ" in a folder name, between valid UTF-8.
    const std::string folder = "/home/\xE6\x97\xA2/g\xE9me\x82\xA0/save";
    const std::u16string wide = psys::native_path_to_utf16(folder);
    EXPECT_EQ(wide.substr(0, 8), u"/home/既/");
    EXPECT_EQ(wide.substr(8, 5), (std::u16string{u'g', 0xDCE9, u'm', u'e', 0xDC82}));
    EXPECT_EQ(psys::utf16_to_native_path(wide + u"/error.log"), folder + "/error.log");
    // Valid text is UTF-8 either way.
    EXPECT_EQ(psys::utf16_to_native_path(u"既に\U0001F600"), psys::utf16_to_utf8(u"既に\U0001F600"));
    // Every byte string survives the trip.
    uint32_t seed = 12345;
    for (int n = 0; n < 2000; ++n) {
        std::string bytes;
        for (int i = 0; i < 12; ++i) {
            seed = seed * 1103515245u + 12345u;
            bytes.push_back(char(seed >> 24));
        }
        ASSERT_EQ(psys::utf16_to_native_path(psys::native_path_to_utf16(bytes)), bytes)
            << testing::PrintToString(bytes);
    }
}

} // namespace
