#include "io/GxTextFile.h"
#include "support/LogCapture.h"
#include "tests/io/fs_fixture.h"

#include "base/GxStringUtil.h"

namespace {

using iotest::FsTest;

std::string Utf16Le(const std::u16string& s) {
    std::string b;
    for (char16_t c : s) b += char(c & 0xFF), b += char(c >> 8);
    return b;
}

TEST_F(FsTest, TextFileEncodingsGiveTheSameLines) {
    const std::u16string text = u"名前\tソース\n\nＡ=1\n";
    Put("sjis.txt", GxToAnsi(text));
    Put("utf8.txt", "\xEF\xBB\xBF" + GxToUtf8(GxReplaceAll(text, u"\n", u"\r\n")));
    Put("utf16.txt", "\xFF\xFE" + Utf16Le(GxReplaceAll(text, u"\n", u"\r\n")));
    const std::vector<GxString> want = {u"名前\tソース", u"", u"Ａ=1"};
    for (const GxChar* file : {u"sjis.txt", u"utf8.txt", u"utf16.txt"}) {
        std::vector<GxString> lines = {u"kept"};
        ASSERT_TRUE(ReadTextFileLines(&lines, file, false));
        ASSERT_EQ(lines.size(), 4u) << "appended to what was there";
        EXPECT_EQ(std::vector<GxString>(lines.begin() + 1, lines.end()), want);
        lines.clear();
        ASSERT_TRUE(ReadTextFileLines(&lines, file, true));
        EXPECT_EQ(lines, (std::vector<GxString>{want[0], want[2]})) << "blank lines vanish";
    }
}

// Every refusal is said in one line that names the file: a data table
// dropped without a word shows only in what the game then lacks.
TEST_F(FsTest, TextFileRefusals) {
    Put("be.txt", "\xFE\xFF\x00\x41");
    Put("empty.txt", "");
    // A byte-order mark alone is no more text than no byte, for every
    // reader of text.
    Put("mark.txt", "\xEF\xBB\xBF");
    Put("mark16.txt", "\xFF\xFE");
    Put("sparse.txt", "");
    std::filesystem::resize_file(m_Dir.path() / "sparse.txt", u64(kGxTextFileMaxSize) + 1);
    const struct {
        const char16_t* path;
        const char* line;
    } rows[] = {
        {u"be.txt", "Error/ReadTextFileLines UTF-16 Big-Endian Is Not Read(be.txt)\n"},
        {u"empty.txt", "Error/ReadTextFileLines Empty File(empty.txt)\n"},
        {u"mark.txt", "Error/ReadTextFileLines Empty File(mark.txt)\n"},
        {u"mark16.txt", "Error/ReadTextFileLines Empty File(mark16.txt)\n"},
        {u"none.txt", "File open error or not exist:none.txt\n"},
        {u"sparse.txt", "File too large(16777217 bytes, at most 16777216):sparse.txt\n"},
    };
    std::vector<GxString> lines;
    for (const auto& r : rows) {
        qtest::LogCapture log;
        EXPECT_FALSE(ReadTextFileLines(&lines, r.path, false));
        EXPECT_EQ(log.Lines(), std::vector<std::string>{r.line});
    }
    EXPECT_TRUE(lines.empty());
}

TEST_F(FsTest, NarrowLinesKeepTheirBytes) {
    // 83 5C is one character whose trail byte is '\'; 95 0A is not a line end.
    Put("n.txt", "a\x83\x5C\r\n\n\x95\x0A" "b\n");
    std::vector<GxStringA> lines = {"dropped"};
    ASSERT_TRUE(ReadTextFileLinesSJIS(&lines, u"n.txt", false));
    EXPECT_EQ(lines, (std::vector<GxStringA>{"a\x83\x5C", "", "\x95\x0A" "b"}));
    ASSERT_TRUE(ReadTextFileLinesSJIS(&lines, u"n.txt", true));
    EXPECT_EQ(lines.size(), 2u);
    Put("e.txt", "");
    EXPECT_TRUE(ReadTextFileLinesSJIS(&lines, u"e.txt", false));
    EXPECT_TRUE(lines.empty());
}

TEST_F(FsTest, AZeroCharacterEndsTheText) {
    Put("z.txt", std::string("a\nb\0c\nd\n", 8));
    std::vector<GxString> wide;
    ASSERT_TRUE(ReadTextFileLines(&wide, u"z.txt", false));
    EXPECT_EQ(wide, (std::vector<GxString>{u"a", u"b"}));
    std::vector<GxStringA> narrow;
    ASSERT_TRUE(ReadTextFileLinesSJIS(&narrow, u"z.txt", false));
    EXPECT_EQ(narrow, (std::vector<GxStringA>{"a", "b"}));
    Put("z16.txt", "\xFF\xFE" + Utf16Le(std::u16string(u"x\n\0y", 4)));
    wide.clear();
    ASSERT_TRUE(ReadTextFileLines(&wide, u"z16.txt", false));
    EXPECT_EQ(wide, std::vector<GxString>{u"x"});
}

TEST_F(FsTest, ShiftJisTrailByteIsNotABackslash) {
    Put("t.txt", "\x83\x5C\n");
    std::vector<GxString> lines;
    ASSERT_TRUE(ReadTextFileLines(&lines, u"t.txt", false));
    EXPECT_EQ(lines, std::vector<GxString>{u"ソ"});
}

} // namespace
