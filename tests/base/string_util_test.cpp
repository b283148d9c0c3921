#include "base/GxStringUtil.h"
#include "support/TempDir.h"

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
    std::u16string cwd = GxGetCurrentDirectory();
    ASSERT_FALSE(cwd.empty());
    EXPECT_EQ(cwd.back(), u'/');
    EXPECT_EQ(GxGetFullPath(u"a/../b"), cwd + u"b");
    EXPECT_EQ(GxToNativePath(u"a\\b"), "a/b");
}

// A save folder holding a FIFO where a save file should be: asking whether it
// opens must not wait for a writer that never comes.
TEST(GxStringUtil, CanOpenFileNeverWaitsOnAFifo) {
    qtest::TempDir dir;
    ASSERT_EQ(mkfifo((dir.path() / "save.dat").c_str(), 0600), 0);
    EXPECT_TRUE(GxCanOpenFile(dir.u16("save.dat")));
}

} // namespace
