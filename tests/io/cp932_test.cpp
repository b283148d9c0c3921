#include "io/GxCp932.h"
#include "platform/system/codepage.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

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
