// The string helpers: paths, edits, quoted text, files and folders, and the
// printf-style formatting.
#include "base/GxFormat.h"
#include "base/GxStringUtil.h"
#include "support/TempDir.h"

#include <climits>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

TEST(GxStringUtil, PathParts) {
    EXPECT_EQ(GxGetFileExtension(u"a.b/c"), u"");
    EXPECT_EQ(GxGetFileExtension(u"c:/x/y.PNG"), u".PNG");
    EXPECT_EQ(GxGetFileExtension(u"x\\y.tar.gz"), u".gz");
    EXPECT_EQ(GxGetFileExtension(u"c:x"), u"");
    EXPECT_TRUE(GxHasFileExtension(u"y.PNG", u".png"));
    EXPECT_FALSE(GxHasFileExtension(u"y.png", u"png"));
    EXPECT_EQ(GxGetFileTitle(u"dir/name.tar.gz"), u"name");
    EXPECT_EQ(GxGetFileTitle(u"dir.d/name"), u"name");
    EXPECT_EQ(GxGetFileName(u"a\\b/c:d.txt"), u"d.txt");
    EXPECT_EQ(GxGetFileName(u"plain"), u"plain");
    EXPECT_EQ(GxGetDirectoryName(u"a\\b/c.txt"), u"a\\b/");
    EXPECT_EQ(GxGetDirectoryName(u"c.txt"), u"");
    EXPECT_EQ(GxChangeFileExtension(u"bg/a.png", u".dds"), u"bg/a.dds");
    EXPECT_EQ(GxChangeFileExtension(u"bg.d/a", u".dds"), u"bg.d/a.dds");
    EXPECT_EQ(GxCombinePath(u"data/", u"x.txt", u'/'), u"data/x.txt");
    EXPECT_EQ(GxCombinePath(u"data", u"x.txt", u'/'), u"data/x.txt");
    EXPECT_EQ(GxCombinePath(u"data\\", u"x.txt", u'/'), u"data\\x.txt");
    EXPECT_EQ(GxCombinePath(u"", u"x.txt", u'/'), u"x.txt");
    EXPECT_EQ(GxAddPathSeparator(u"", u'/'), u"");
    EXPECT_EQ(GxAddPathSeparator(u"a", u'/'), u"a/");
    EXPECT_EQ(GxAddPathSeparator(u"a\\", u'/'), u"a\\");
    EXPECT_EQ(GxRemovePathSeparator(u"a//"), u"a/");
}

TEST(GxStringUtil, EditingEdges) {
    EXPECT_EQ(GxReplaceAll(u"aaa", u"a", u"aa"), u"aaaaaa");
    EXPECT_EQ(GxReplaceAll(u"a-b-c", u"-", u""), u"abc");
    EXPECT_EQ(GxReplaceAll(u"abc", u"", u"x"), u"abc");  // an empty pattern changes nothing
    EXPECT_EQ(GxReplaceChar(u"a\\b\\c", u'\\', u'/'), u"a/b/c");
    EXPECT_EQ(GxToLower(u"ABC日Ｚ"), u"abc日Ｚ");
    EXPECT_EQ(GxToUpper(u"abcｚ"), u"ABCｚ");
    EXPECT_EQ(GxTrim(u" \tx \r\n", 3), u"x");
    EXPECT_EQ(GxTrim(u" \tx ", 1), u"x ");
    EXPECT_EQ(GxTrim(u" x \t", 2), u" x");
    EXPECT_EQ(GxTrim(u"\r\n x \r\n", 7), u" x ");
    EXPECT_EQ(GxTrim(u"\r\n x \r\n", -1), u" x ");
    EXPECT_EQ(GxTrim(u" \r\n ", 3), u"");
    EXPECT_EQ(GxTrim(u" a ", 0), u" a ");
    EXPECT_EQ(GxCharAt(u"abc", 1), u"b");
    EXPECT_EQ(GxCharAt(u"abc", 3), u"");
    EXPECT_EQ(GxCharAt(u"abc", -1), u"");
}

TEST(GxStringUtil, ExtractQuoted) {
    // say "a\"b" at the first quote gives a\"b with the escape kept.
    EXPECT_EQ(GxExtractQuoted(u"say \"a\\\"b\"", 4), u"a\\\"b");
    EXPECT_EQ(GxExtractQuoted(u"'x\\'y' z", 0), u"x\\'y");
    EXPECT_EQ(GxExtractQuoted(u"\"it's\"", 0), u"it's");        // the other quote kind does not end it
    EXPECT_EQ(GxExtractQuoted(u"\"open", 0), u"open");           // no closing quote: to the end
    EXPECT_EQ(GxExtractQuoted(u"key=value", 3), u"=value");      // not a quote: the rest
    EXPECT_EQ(GxExtractQuoted(u"ab", 2), u"");
    EXPECT_EQ(GxExtractQuoted(u"ab", 50), u"");                  // past the end
    EXPECT_EQ(GxExtractQuoted(u"ab", -3), u"");
    EXPECT_EQ(GxExtractQuoted(u"\"a\\", 0), u"a\\");             // a backslash at the very end
}

TEST(GxStringUtil, FilesAndFolders) {
    qtest::TempDir dir;
    std::u16string sub = dir.u16("セーブ");
    EXPECT_FALSE(GxIsDirectory(sub));
    EXPECT_TRUE(GxCreateDirectory(sub));
    EXPECT_TRUE(GxIsDirectory(sub));
    EXPECT_FALSE(GxCreateDirectory(sub)) << "already exists";
    EXPECT_FALSE(GxCreateDirectory(dir.u16("a/b"))) << "no intermediate folders";
    EXPECT_FALSE(GxCanOpenFile(sub + u"/x.dat"));
    qtest::WriteText(dir.path() / "セーブ" / "x.dat", "1");
    EXPECT_TRUE(GxCanOpenFile(sub + u"/x.dat"));
    EXPECT_TRUE(GxCanOpenFile(dir.u16() + u"\\セーブ\\x.dat")) << "backslashes are separators";
    // A FIFO where a save file should be: asking must not wait for a writer.
    ASSERT_EQ(mkfifo((dir.path() / "save.dat").c_str(), 0600), 0);
    EXPECT_TRUE(GxCanOpenFile(dir.u16("save.dat")));
    std::u16string cwd = GxGetCurrentDirectory();
    ASSERT_FALSE(cwd.empty());
    EXPECT_EQ(cwd.back(), u'/');
    EXPECT_EQ(GxGetFullPath(u"a/../b"), cwd + u"b");
    EXPECT_EQ(GxToNativePath(u"a\\b"), "a/b");
}

TEST(GxFormat, IntegerConversionsFollowPrintf) {
    const std::string sjis = "\x93\xFA\x96\x7B";  // "日本" in CP932
    struct Case {
        std::u16string got, want;
    } cases[] = {
        {GxFormat(u"%d", 42), u"42"},
        {GxFormat(u"[%5d]", -42), u"[  -42]"},
        {GxFormat(u"[%-5d]", 42), u"[42   ]"},
        {GxFormat(u"[%05d]", -42), u"[-0042]"},
        {GxFormat(u"%+d % d", 5, 5), u"+5  5"},
        {GxFormat(u"%03d", 7), u"007"},
        {GxFormat(u"%02u", 3u), u"03"},
        {GxFormat(u"%u", -1), u"4294967295"},          // 32 bits unless the size says more
        {GxFormat(u"%d", 0x100000005LL), u"5"},        // cut to 32 bits, as printf reads it
        {GxFormat(u"%x %X", 255, 255), u"ff FF"},
        {GxFormat(u"%08X", 0xBEEFu), u"0000BEEF"},
        {GxFormat(u"%8.8X", 0x1234u), u"00001234"},
        {GxFormat(u"%#x", 255), u"0xff"},
        {GxFormat(u"%I64d", LLONG_MIN), u"-9223372036854775808"},
        {GxFormat(u"%I64u", ULLONG_MAX), u"18446744073709551615"},
        {GxFormat(u"%lld", -3LL), u"-3"},
        {GxFormat(u"%li", 12L), u"12"},
        {GxFormat(u"%hd", 70000), u"4464"},
        {GxFormat(u"%*d|%-*d|", 4, 1, 3, 2), u"   1|2  |"},
        {GxFormat(u"%c%c", u'日', 'A'), u"日A"},
        {GxFormat(u"%s=%S", u"鍵", sjis), u"鍵=日本"},
        {GxFormat(u"%s", std::u16string(u"値")), u"値"},
        {GxFormat(u"%s", sjis), u"日本"},             // a narrow argument is read as narrow
        {GxFormat(u"[%4s][%-4s]", u"ab", u"ab"), u"[  ab][ab  ]"},
        {GxFormat(u"[%.2s]", u"abcdef"), u"[ab]"},
        {GxFormat(u"%s", static_cast<const char16_t*>(nullptr)), u"(null)"},
        {GxFormat(u"%f", 1.5), u"1.500000"},
        {GxFormat(u"%3.1f|%2.2f|%.0f", 2.25f, 0.125, 2.5), u"2.2|0.12|2"},
        {GxFormat(u"%e", 12345.678), u"1.234568e+04"},
        {GxFormat(u"%g", 0.0001), u"0.0001"},
        {GxFormat(u"100%%"), u"100%"},
        {GxFormat(u"%d", true), u"1"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.got, c.want);
}

TEST(GxFormat, NeverReadsGarbageOrLoops) {
    // Too few arguments: the missing ones print nothing.
    EXPECT_EQ(GxFormat(u"a%db%sc"), u"abc");
    EXPECT_EQ(GxFormat(u"%d-%d", 1), u"1-");
    // Extra arguments are ignored.
    EXPECT_EQ(GxFormat(u"x", 1, 2), u"x");
    // A string where a number is asked for shows the string.
    EXPECT_EQ(GxFormat(u"%d", u"text"), u"text");
    // A format ending inside a directive, and unknown conversions, stay as written.
    EXPECT_EQ(GxFormat(u"50%"), u"50%");
    EXPECT_EQ(GxFormat(u"%5"), u"%5");
    EXPECT_EQ(GxFormat(u"%y%d", 3), u"%y3");
    // %n never writes anywhere.
    EXPECT_EQ(GxFormat(u"a%nb", 0), u"ab");
    // Huge widths are bounded instead of allocating without end.
    EXPECT_EQ(GxFormat(u"%999999999d", 1).size(), 4096u);
    // Long text and long numbers come back whole.
    const std::u16string big(5000, u'あ');
    EXPECT_EQ(GxFormat(u"<%s>", big), u"<" + big + u">");
    EXPECT_EQ(GxFormat(u"%f", 1e300).size(), 308u);
    // A narrow argument with invalid bytes still formats, with a replacement.
    EXPECT_EQ(GxFormat(u"[%s]", std::string("a\x82")), u"[a\uFFFD]");
    EXPECT_EQ(GxFormatA("[%s]", "\x82"), u"[\uFFFD]");
    EXPECT_EQ(GxFormat(static_cast<const char16_t*>(nullptr)), u"");
}

TEST(GxFormat, NarrowFormatIsReadAsAnsi) {
    // The narrow format and its narrow arguments are CP932.
    EXPECT_EQ(GxFormatA("\x83\x5C%s:%d", "\x83\x5C", 5), u"ソソ:5");
    EXPECT_EQ(GxFormatA("%s", u"wide"), u"wide");
    EXPECT_EQ(GxIntToString(-12), u"-12");
    EXPECT_EQ(GxFloatToString(0.5), u"0.500000");
}

} // namespace
