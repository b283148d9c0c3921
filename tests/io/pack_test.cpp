#include "io/GxFileSystem.h"
#include "io/GxPackFileHeaderCache.h"
#include "io/GxWideCase.h"
#include "support/Golden.h"
#include "support/LogCapture.h"
#include "support/PackWriter.h"
#include "tests/io/fs_fixture.h"

#include <cstring>

namespace {

using iotest::FsTest;
using Bytes = std::vector<unsigned char>;

Bytes B(const std::string& s) { return {s.begin(), s.end()}; }

// The entries of the golden packs (tests/golden/io/make_golden.py).
std::vector<qtest::PackEntrySpec> GoldenEntries() {
    Bytes png;
    for (int r = 0; r < 2; ++r)
        for (int i = 0; i < 256; ++i) png.push_back((unsigned char)i);
    for (char c : std::string("tail")) png.push_back((unsigned char)c);
    return {{"system/sysconf.ini", B("APP_TITLE=Golden\n"), 0x01D0000000000001ull},
            {"BG/タイトル.png", png, 0x01D0000000000002ull},
            {"se/a.ogg", {}, 0x01D0000000000003ull}};
}

TEST(PackGolden, WriterMatchesTheHandMadePacks) {
    EXPECT_EQ(qtest::BuildPack(GoldenEntries(), {.scrambled = true}), qtest::ReadBytes(qtest::GoldenPath("io/scrambled.gxp")));
    EXPECT_EQ(qtest::BuildPack(GoldenEntries(), {.utf16Names = true}), qtest::ReadBytes(qtest::GoldenPath("io/utf16.gxp")));
}

TEST(PackGolden, ReaderFindsEveryEntryOfBothForms) {
    for (const char* file : {"io/scrambled.gxp", "io/utf16.gxp"}) {
        const auto path = qtest::GoldenPath(file).string();
        GxPackFileHeaderCache pack;
        ASSERT_TRUE(pack.Open(GxString(path.begin(), path.end()))) << file;
        EXPECT_EQ(pack.GetEntryCount(), 3u);
        EXPECT_EQ(pack.IsScrambled(), std::string(file) == "io/scrambled.gxp");
        const GxPackEntry* e = pack.FindEntry(u"Bg\\タイトル.PNG");
        ASSERT_TRUE(e) << file;
        EXPECT_EQ(e->m_DataSize, 516u);
        EXPECT_EQ(e->m_FileTime, 0x01D0000000000002ull);
        EXPECT_EQ(e->m_DataOffset, 17u);
        EXPECT_TRUE(pack.FindEntry(u"SYSTEM/SYSCONF.INI"));
        EXPECT_FALSE(pack.FindEntry(u"./system/sysconf.ini")) << "paths are not normalised";
        EXPECT_FALSE(pack.FindEntry(u"/system/sysconf.ini"));
        pack.Release();
        EXPECT_FALSE(pack.IsOpen());
        EXPECT_FALSE(pack.FindEntry(u"se/a.ogg"));
    }
}

TEST_F(FsTest, GoldenPackContentsThroughTheFileSystem) {
    const auto path = qtest::GoldenPath("io/scrambled.gxp").string();
    ASSERT_TRUE(GxMountPackFile(GxString(path.begin(), path.end())));
    const auto entries = GoldenEntries();
    GxBinBuffer b;
    ASSERT_TRUE(GxLoadFile(&b, u"bg/タイトル.png", false, false));
    EXPECT_EQ(Bytes(b.GetData(), b.GetData() + b.GetSize()), entries[1].data);
    ASSERT_TRUE(GxLoadFile(&b, u"System\\SysConf.ini", false, false));
    EXPECT_EQ(Str(b), "APP_TITLE=Golden\n");
    ASSERT_TRUE(GxLoadFile(&b, u"se/a.ogg", false, false));
    EXPECT_EQ(b.GetSize(), 0u);
}

TEST_F(FsTest, ShiftJisNamesAreFoundByTheirWideForm) {
    qtest::WritePack("j.gxp", {{"ｂｇ/ソース.txt", B("sjis"), 0}, {"Ä/Ω.txt", B("latin"), 0}});
    ASSERT_TRUE(GxMountPackFile(u"j.gxp"));
    EXPECT_EQ(GxFileExists(u"ＢＧ\\ソース.TXT"), kGxFileInPack) << "full-width letters lower too";
    GxBinBuffer b;
    ASSERT_TRUE(GxLoadFile(&b, u"Ｂｇ/ソース.txt", false, false));
    EXPECT_EQ(Str(b), "sjis");
}

TEST_F(FsTest, DuplicateNamesResolveToTheFirstRecord) {
    qtest::WritePack("d.gxp", {{"Dup.txt", B("first"), 1}, {"dup.TXT", B("second"), 2}});
    ASSERT_TRUE(GxMountPackFile(u"d.gxp"));
    GxBinBuffer b;
    ASSERT_TRUE(GxLoadFile(&b, u"DUP.txt", false, false));
    EXPECT_EQ(Str(b), "first");
}

TEST_F(FsTest, OverlongNamesAreRefused) {
    const std::string longName(522, 'n');
    qtest::WritePack("l.gxp", {{longName, B("long"), 0}, {"ok.txt", B("ok"), 0}}, {.utf16Names = true});
    qtest::LogCapture log;
    ASSERT_TRUE(GxMountPackFile(u"l.gxp")) << "the other entries stay usable";
    EXPECT_EQ(log.Lines(), std::vector<std::string>{"Error/GxPackFileHeaderCache Name Too Long(Index:0 Path:\"l.gxp\")\n"});
    EXPECT_EQ(GxFileExists(u"ok.txt"), kGxFileInPack);
    EXPECT_EQ(GxFileExists(GxString(522, u'n')), kGxFileNotFound);
    EXPECT_EQ(GxFileExists(GxString(2000, u'n')), kGxFileNotFound);
    qtest::WritePack("m.gxp", {{std::string(521, 'm'), B("fits"), 0}});
    ASSERT_TRUE(GxMountPackFile(u"m.gxp"));
    EXPECT_EQ(GxFileExists(GxString(521, u'M')), kGxFileInPack);
}

// A damaged directory ends the mount with a logged error, whatever the record.
TEST_F(FsTest, DamagedDirectoriesDoNotMount) {
    const Bytes good = qtest::BuildPack({{"a.txt", B("aaaa"), 0}, {"b.txt", B("bb"), 0}});
    auto put32 = [](Bytes& b, size_t at, u32 v) {
        for (int i = 0; i < 4; ++i) b[at + size_t(i)] = (unsigned char)(v >> (8 * i));
    };
    const u32 firstLength = 40;  // 32 + "a.txt\0", padded to 4
    struct Case {
        const char* what;
        std::function<void(Bytes&)> damage;
        bool logged;
    };
    const Case cases[] = {
        {"record length 0", [&](Bytes& b) { put32(b, 48, 0); }, true},
        {"record length past the directory", [&](Bytes& b) { put32(b, 48, 4000); }, true},
        {"record shorter than its fields", [&](Bytes& b) { put32(b, 48, 20); }, true},
        {"name without terminator", [&](Bytes& b) { std::memset(b.data() + 48 + 32, 'x', 8); }, true},
        {"more entries than records", [&](Bytes& b) { put32(b, 24, 3); }, true},
        {"entry count beyond any directory", [&](Bytes& b) { put32(b, 24, 0xFFFFFFFF); }, true},
        {"data past the end of the file", [&](Bytes& b) { put32(b, 48 + 4, 1000); }, true},
        {"data offset wraps around", [&](Bytes& b) { put32(b, 48 + 24, 0xFFFFFFFF), put32(b, 48 + 28, 0xFFFFFFFF); }, true},
        {"data base offset past the end", [&](Bytes& b) { put32(b, 40, 0x7FFFFFFF); }, true},
        {"directory size past the end", [&](Bytes& b) { put32(b, 28, 0x7FFFFFFF); }, false},
        {"directory cut short", [&](Bytes& b) { b.resize(48 + firstLength); }, false},
    };
    for (const auto& c : cases) {
        Bytes b = good;
        c.damage(b);
        qtest::WriteBytes(m_Dir.path() / "bad.gxp", b);
        qtest::LogCapture log;
        EXPECT_FALSE(GxMountPackFile(u"bad.gxp")) << c.what;
        EXPECT_EQ(log.Contains("Error/GxPackFileHeaderCache Bad Directory Record"), c.logged) << c.what << log.Text();
    }
    qtest::WriteBytes(m_Dir.path() / "good.gxp", good);
    EXPECT_TRUE(GxMountPackFile(u"good.gxp"));
}

TEST(PackScramble, MatchesTheRuleAtAnyPosition) {
    auto naive = [](u8 b, u32 p) { return u8(b ^ u8(p & 0xFF) ^ kGxPackScrambleTable[p % 23]); };
    std::vector<u8> data(20000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = u8(i * 31);
    for (u32 position : {0u, 4u, 5887u, 5888u, 123456789u, 0xFFFFFF00u}) {
        std::vector<u8> d = data;
        const u32 n = position > 0xFFFF0000u ? 0x100u : u32(d.size());
        DescramblePackEntries(d.data(), n, position);
        bool same = true;
        for (u32 i = 0; i < n; ++i) same = same && d[i] == naive(data[i], position + i);
        EXPECT_TRUE(same) << position;
        DescramblePackEntries(d.data(), n, position);
        EXPECT_EQ(d, data) << "its own inverse";
    }
    // Positions wrap at 2^32.
    u8 two[2] = {0, 0};
    DescramblePackEntries(two, 2, 0xFFFFFFFFu);
    EXPECT_EQ(two[0], naive(0, 0xFFFFFFFFu));
    EXPECT_EQ(two[1], naive(0, 0));
}

TEST(WideCase, LowersWhatTheJapaneseLocaleLowers) {
    EXPECT_EQ(GxToLowerWide(u"ABCＡＺÀÖØÞĀŸΑΩАЯЀⅠⒶ"), u"abcａｚàöøþāÿαωаяѐⅰⓐ");
    EXPECT_EQ(GxToLowerWide(u"×ソース/\\_1"), u"×ソース/\\_1") << "everything else stays";
}

} // namespace
