#include "io/GxFileSystem.h"
#include "io/GxPackFileHeaderCache.h"
#include "io/GxWideCase.h"
#include "support/Golden.h"
#include "support/LogCapture.h"
#include "tools/builders/PackWriter.h"
#include "tests/io/fs_fixture.h"

#include <chrono>
#include <cstring>
#include <sys/resource.h>

namespace {

using iotest::FsTest;
using Bytes = std::vector<unsigned char>;

Bytes B(const std::string& s) { return {s.begin(), s.end()}; }

// A pack header's or record's 32-bit field, little-endian.
void Put32(Bytes& b, size_t at, u32 v) {
    for (int i = 0; i < 4; ++i) b[at + size_t(i)] = (unsigned char)(v >> (8 * i));
}

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
    ASSERT_TRUE(GxLoadFile(&b, u"bg/タイトル.png", false, false, kGxLoadFileAnySize));
    EXPECT_EQ(Bytes(b.GetData(), b.GetData() + b.GetSize()), entries[1].data);
    ASSERT_TRUE(GxLoadFile(&b, u"System\\SysConf.ini", false, false, kGxLoadFileAnySize));
    EXPECT_EQ(Str(b), "APP_TITLE=Golden\n");
    ASSERT_TRUE(GxLoadFile(&b, u"se/a.ogg", false, false, kGxLoadFileAnySize));
    EXPECT_EQ(b.GetSize(), 0u);
}

TEST_F(FsTest, ShiftJisNamesAreFoundByTheirWideFormAndDuplicatesByTheFirstRecord) {
    qtest::WritePack("j.gxp", {{"ｂｇ/ソース.txt", B("sjis"), 0}, {"Ä/Ω.txt", B("latin"), 0}, {"Dup.txt", B("first"), 1},
                               {"dup.TXT", B("second"), 2}});
    ASSERT_TRUE(GxMountPackFile(u"j.gxp"));
    EXPECT_EQ(GxFileExists(u"ＢＧ\\ソース.TXT"), kGxFileInPack) << "full-width letters lower too";
    GxBinBuffer b;
    ASSERT_TRUE(GxLoadFile(&b, u"Ｂｇ/ソース.txt", false, false, kGxLoadFileAnySize));
    EXPECT_EQ(Str(b), "sjis");
    ASSERT_TRUE(GxLoadFile(&b, u"DUP.txt", false, false, kGxLoadFileAnySize));
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
    const u32 firstLength = 40;  // 32 + "a.txt\0", padded to 4
    struct Case {
        const char* what;
        std::function<void(Bytes&)> damage;
        const char* logged;
    };
    const char* record = "Error/GxPackFileHeaderCache Bad Directory Record";
    const char* size = "Error/GxPackFileHeaderCache Bad Directory Size";
    const Case cases[] = {
        {"record length 0", [&](Bytes& b) { Put32(b, 48, 0); }, record},
        {"record length past the directory", [&](Bytes& b) { Put32(b, 48, 4000); }, record},
        {"record shorter than its fields", [&](Bytes& b) { Put32(b, 48, 20); }, record},
        {"name without terminator", [&](Bytes& b) { std::memset(b.data() + 48 + 32, 'x', 8); }, record},
        {"more entries than the directory holds", [&](Bytes& b) { Put32(b, 24, 3); }, size},
        {"entry count beyond any directory", [&](Bytes& b) { Put32(b, 24, 0xFFFFFFFF); }, size},
        {"directory size past the end", [&](Bytes& b) { Put32(b, 28, 0x7FFFFFFF); }, size},
        {"directory cut short", [&](Bytes& b) { b.resize(48 + firstLength); }, size},
    };
    for (const auto& c : cases) {
        Bytes b = good;
        c.damage(b);
        qtest::WriteBytes(m_Dir.path() / "bad.gxp", b);
        qtest::LogCapture log;
        EXPECT_FALSE(GxMountPackFile(u"bad.gxp")) << c.what;
        EXPECT_TRUE(log.Contains(c.logged)) << c.what << log.Text();
    }
    qtest::WriteBytes(m_Dir.path() / "good.gxp", good);
    EXPECT_TRUE(GxMountPackFile(u"good.gxp"));
}

// An entry whose data lies outside the file is mounted with the rest: loading
// it fails on its own, and every other entry stays readable.
TEST_F(FsTest, DamagedEntriesFailAlone) {
    const size_t second = 48 + 40;  // the second record: "a.txt" takes 40 bytes
    struct Case {
        const char* what;
        std::function<void(Bytes&)> damage;
        bool firstReadable;
        const char* secondLog;
    } cases[] = {
        {"data past the end of the file", [&](Bytes& b) { Put32(b, second + 4, 1000); }, true,
         "File read error:B.txt\n"},
        {"data starting past the end", [&](Bytes& b) { Put32(b, second + 24, 5000); }, true, "File read error:B.txt\n"},
        {"data base offset past the end", [&](Bytes& b) { Put32(b, 40, 0x7FFFFFFF); }, false,
         "File read error:B.txt\n"},
        {"data offset no file reaches", [&](Bytes& b) { Put32(b, second + 24, 0xFFFFFFFF), Put32(b, second + 28, 0xFFFFFFFF); },
         true, "File open error or not exist:B.txt\n"},
    };
    for (const auto& c : cases) {
        for (bool scrambled : {false, true}) {
            GxResetFileSystem();
            Bytes b = qtest::BuildPack({{"a.txt", B("aaaa"), 0}, {"b.txt", B("bb"), 0}}, {.scrambled = scrambled});
            // The records are damaged as they read unscrambled.
            auto flip = [&] {
                if (!scrambled) return;
                DescramblePackEntries(b.data() + 48, 40, 0);
                DescramblePackEntries(b.data() + second, 40, 0);
            };
            flip();
            c.damage(b);
            flip();
            qtest::WriteBytes(m_Dir.path() / "damaged.gxp", b);
            qtest::LogCapture log;
            ASSERT_TRUE(GxMountPackFile(u"damaged.gxp")) << c.what;
            EXPECT_EQ(GxFileExists(u"b.txt"), kGxFileInPack) << c.what;
            GxBinBuffer buf;
            EXPECT_FALSE(GxLoadFile(&buf, u"B.txt", false, false, kGxLoadFileAnySize)) << c.what;
            EXPECT_EQ(buf.GetSize(), 0u) << c.what;
            EXPECT_EQ(log.Lines(), std::vector<std::string>{c.secondLog}) << c.what;
            EXPECT_FALSE(GxLoadFileNoCache(&buf, u"b.txt", 0, true, kGxLoadFileAnySize)) << c.what;
            EXPECT_EQ(GxLoadFile(&buf, u"a.txt", false, true, kGxLoadFileAnySize), c.firstReadable) << c.what;
            if (c.firstReadable) {
                EXPECT_EQ(Str(buf), "aaaa") << c.what;
            }
        }
    }
    // A streaming read of such an entry gives what the file holds of it.
    Bytes b = qtest::BuildPack({{"a.txt", B("aaaa"), 0}, {"b.txt", B("bb"), 0}});
    Put32(b, second + 4, 1000);
    qtest::WriteBytes(m_Dir.path() / "short.gxp", b);
    GxResetFileSystem();
    ASSERT_TRUE(GxMountPackFile(u"short.gxp"));
    GxFileHandle h;
    ASSERT_TRUE(GxFileOpen(&h, u"b.txt"));
    char got[16] = {};
    EXPECT_EQ(GxFileRead(got, sizeof got, &h), 2u);
    EXPECT_EQ(std::string(got, 2), "bb");
    GxFileClose(&h);
}

// A damaged directory size in a pack of gigabytes is found from the header
// alone, before memory for it is taken or the file is read through. The pack
// is a sparse file: its 4 GiB take no room on disk.
TEST_F(FsTest, DamagedDirectorySizeOfAHugePackCostsNothing) {
    struct Case {
        const char* what;
        u32 count;
        u32 directorySize;
    } cases[] = {
        {"size far beyond its entries", 10, 0xFFFFFF00u},
        {"count and size both damaged", 0x07000000u, 0xFFFFFF00u},
    };
    for (const auto& c : cases) {
        Bytes header = qtest::BuildPack({});
        header.resize(48);
        Put32(header, 24, c.count);
        Put32(header, 28, c.directorySize);
        const auto path = m_Dir.path() / "huge.gxp";
        qtest::WriteBytes(path, header);
        std::filesystem::resize_file(path, (u64(1) << 32) + 4096);
        struct rusage before = {}, after = {};
        getrusage(RUSAGE_SELF, &before);
        const auto t0 = std::chrono::steady_clock::now();
        qtest::LogCapture log;
        EXPECT_FALSE(GxMountPackFile(u"huge.gxp")) << c.what;
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        getrusage(RUSAGE_SELF, &after);
        EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 64 * 1024) << c.what << ": peak memory grew (KiB)";
        EXPECT_LT(seconds, 1.0) << c.what;
        EXPECT_TRUE(log.Contains("Error/GxPackFileHeaderCache Bad Directory")) << c.what << log.Text();
        std::filesystem::remove(path);
    }
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
