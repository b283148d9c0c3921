// Text files in every encoding the engine reads, and INI files read through them.
#include "io/GxINIFile.h"
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
    // "ソ" in CP932 is 83 5C: its trail byte is no backslash.
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

TEST_F(FsTest, IniSyntax) {
    Put("s.ini",
        "KEY = value with spaces  \r\n"
        "A=1=2\n"
        "X=1\n"
        "X=2\n"
        "[Section]\n"
        "; comment\n"
        "; a=b\n"
        "=empty key\n"
        "key=lower\n"
        "Quoted=\"q\"\n"
        "Empty=\n"
        "\tTabbed\t=\t7\t\n"
        "Name=\x83\x5C\x83\x5B\n"
        "Last=no line feed");
    GxINIFile ini;
    ASSERT_TRUE(ini.Load(u"s.ini", false));
    struct Case {
        const GxChar* key;
        const GxChar* value;  // null: absent
    };
    const Case cases[] = {
        {u"KEY", u"value with spaces"}, {u"A", u"1=2"}, {u"X", u"1"}, {u"; a", u"b"}, {u"", u"empty key"},
        {u"key", u"lower"}, {u"Quoted", u"\"q\""}, {u"Empty", u""}, {u"Tabbed", u"7"}, {u"Name", u"ソゼ"},
        {u"Last", u"no line feed"}, {u"[Section]", nullptr}, {u"; comment", nullptr}, {u"Key", nullptr},
    };
    for (const auto& c : cases) {
        GxString v;
        ini.GetString(&v, c.key, u"<default>");
        EXPECT_EQ(v, c.value ? c.value : u"<default>") << GxString(c.key).size();
    }
}

TEST_F(FsTest, IniNumbersAndSwitches) {
    Put("n.ini", "Hex=0x10\nOct=010\nNeg=\x81\x7C" "5\nMixed=12abc\nEmpty=\nBig=0x123456789\nOne=1\nTwo=2\nZero=0\n"
                 "Minus=-1\nWord=true\nHexOne=0x1\n");
    GxINIFile ini;
    ASSERT_TRUE(ini.Load(u"n.ini", false));
    EXPECT_EQ(ini.GetInt(u"Hex", -1), 16);
    EXPECT_EQ(ini.GetInt(u"Oct", -1), 10);
    EXPECT_EQ(ini.GetInt(u"Neg", 0), -5) << "a full-width minus in CP932";
    EXPECT_EQ(ini.GetInt(u"Mixed", -1), 12);
    EXPECT_EQ(ini.GetInt(u"Empty", -1), 0) << "a present key never gives the default";
    EXPECT_EQ(ini.GetInt(u"Absent", -1), -1);
    EXPECT_EQ(ini.GetInt64(u"Big", -1), 0x123456789);
    EXPECT_EQ(ini.GetInt64(u"Absent", -7), -7);
    struct Case {
        const GxChar* key;
        bool def;
        bool want;
    };
    const Case cases[] = {{u"One", false, true},   {u"Two", false, true},     {u"Zero", true, false},
                          {u"Minus", true, false}, {u"Word", true, false},    {u"HexOne", true, false},
                          {u"Absent", true, true}, {u"Absent", false, false}};
    for (const auto& c : cases) EXPECT_EQ(ini.GetBool(c.key, c.def), c.want);
}

// A UTF-8 file with its mark keeps its first key; UTF-16LE reads as text.
TEST_F(FsTest, IniInUtf8WithItsMarkAndInUtf16) {
    const std::string utf16 = "\xFF\xFE" + Utf16Le(u"Title=日本\r\nNeg=－5\r\n");
    for (const std::string& bytes : {std::string("\xEF\xBB\xBFNeg=\xEF\xBC\x8D" "5\nTitle=日本\n"), utf16}) {
        Put("u.ini", bytes);
        GxINIFile ini;
        ASSERT_TRUE(ini.Load(u"u.ini", false));
        EXPECT_EQ(ini.GetInt(u"Neg", 0), -5) << "a full-width minus";
        GxString t;
        EXPECT_EQ(ini.GetString(&t, u"Title", u""), u"日本");
    }
}

TEST_F(FsTest, IniSaysWhyItGaveNoKey) {
    struct Case {
        const char* what;
        std::string bytes;
        GxINIFileNoKey reason;
    };
    const Case cases[] = {
        {"no byte", "", GxINIFileNoKey::Empty},
        {"a UTF-8 mark alone", "\xEF\xBB\xBF", GxINIFileNoKey::Empty},
        {"a UTF-16LE mark alone", "\xFF\xFE", GxINIFileNoKey::Empty},
        {"UTF-16BE", std::string("\xFE\xFF\0A\0=\0" "1", 8), GxINIFileNoKey::BigEndianUtf16},
        {"no line with '='", "[Section]\n; comment\n\n", GxINIFileNoKey::NoEntry},
        {"a zero byte first", std::string("\0A=1\n", 5), GxINIFileNoKey::NoEntry},
        {"a key", "A=1", GxINIFileNoKey::None},
        {"a key after a UTF-8 mark", "\xEF\xBB\xBF" "A=1", GxINIFileNoKey::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Put("k.ini", c.bytes);
        GxINIFile ini;
        // Read, even when nothing came of it.
        ASSERT_TRUE(ini.Load(u"k.ini", false));
        EXPECT_EQ(ini.GetNoKeyReason(), c.reason);
    }
    GxINIFile ini;
    EXPECT_FALSE(ini.Load(u"absent.ini", true));
    EXPECT_EQ(ini.GetNoKeyReason(), GxINIFileNoKey::NotRead);
}

TEST_F(FsTest, IniMissingFileEmptiesAndReports) {
    Put("a.ini", "A=1\n");
    GxINIFile ini;
    ASSERT_TRUE(ini.Load(u"a.ini", false));
    qtest::LogCapture log;
    EXPECT_FALSE(ini.Load(u"setting.ini", true));
    EXPECT_TRUE(log.Lines().empty());
    EXPECT_EQ(ini.GetInt(u"A", 5), 5) << "a failed load leaves nothing of the last";
    EXPECT_FALSE(ini.Load(u"setting.ini", false));
    EXPECT_EQ(log.Lines(), std::vector<std::string>{"File open error:setting.ini\n"});
    Put("z.ini", std::string("A=1\0B=2\n", 8));
    ASSERT_TRUE(ini.Load(u"z.ini", false));
    EXPECT_EQ(ini.GetInt(u"B", 9), 9) << "the text ends at a zero byte";
}

} // namespace
