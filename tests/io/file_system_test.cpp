#include "io/GxFileSystem.h"
#include "io/GxINIFile.h"
#include "base/GxStringUtil.h"
#include "support/LogCapture.h"
#include "tools/builders/PackWriter.h"
#include "tests/io/fs_fixture.h"

#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using iotest::FsTest;

std::vector<unsigned char> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

TEST_F(FsTest, DiskFirstThenPacksInMountingOrder) {
    qtest::WritePack("one.gxp", {{"a.txt", Bytes("pack one a"), 11}, {"b.txt", Bytes("pack one b"), 12}});
    qtest::WritePack("two.gxp", {{"b.txt", Bytes("pack two b"), 21}, {"c.txt", Bytes("pack two c"), 22}},
                     {.scrambled = true});
    Put("a.txt", "disk a");
    ASSERT_TRUE(GxMountPackFile(u"one.gxp"));
    ASSERT_TRUE(GxMountPackFile(u"two.gxp"));
    struct Case {
        const GxChar* path;
        int where;
        const char* content;
    };
    const Case cases[] = {
        {u"a.txt", kGxFileOnDisk, "disk a"},
        {u"b.txt", kGxFileInPack, "pack one b"},
        {u"c.txt", kGxFileInPack, "pack two c"},
        {u"C.TXT", kGxFileInPack, "pack two c"},
        {u"d.txt", kGxFileNotFound, nullptr},
        {u"", kGxFileNotFound, nullptr},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GxFileExists(c.path), c.where);
        GxBinBuffer buf;
        EXPECT_EQ(GxLoadFile(&buf, c.path, false, true, kGxLoadFileAnySize), c.content != nullptr);
        if (c.content) {
            EXPECT_EQ(Str(buf), c.content);
            EXPECT_EQ(GxGetFileSize(c.path), std::strlen(c.content));
        } else {
            EXPECT_EQ(GxGetFileSize(c.path), 0u);
        }
    }
    const GxPackFileHeaderCache* pack = nullptr;
    const GxPackEntry* entry = nullptr;
    EXPECT_EQ(GxPackFindEntry(&pack, &entry, u"b.txt"), entry);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->m_FileTime, 12u) << "the first pack mounted wins";
    EXPECT_EQ(pack->GetPath(), u"one.gxp");
    GxFileHandle h;
    ASSERT_TRUE(GxFileOpen(&h, u"c.txt"));
    EXPECT_EQ(h.GetFileTime(), 22u) << "a pack entry's time is the one stored with it";
}

TEST_F(FsTest, DiskLookUpIgnoresCaseAndTakesBackslashes) {
    Put("bg/title.png", "png");
    for (const GxChar* p : {u"bg/title.png", u"BG/Title.PNG", u"Bg\\TITLE.png", u"bg//title.png"}) {
        EXPECT_EQ(GxFileExists(p), kGxFileOnDisk);
        GxBinBuffer b;
        EXPECT_TRUE(GxLoadFile(&b, p, false, false, kGxLoadFileAnySize));
        EXPECT_EQ(Str(b), "png");
    }
    EXPECT_EQ(GxFileExists(u"bg/title.png/x"), kGxFileNotFound);
    EXPECT_EQ(GxFileExists(u"BG"), kGxFileOnDisk) << "a folder exists";
    GxFileHandle h;
    EXPECT_FALSE(GxFileOpen(&h, u"BG")) << "but does not open as a file";
    const std::string abs = (m_Dir.path() / "BG" / "TITLE.PNG").string();
    EXPECT_EQ(GxFileExists(GxString(abs.begin(), abs.end())), kGxFileOnDisk) << "absolute paths too";

    // Files added or removed are seen at once.
    Put("bg/a.png", "a");
    EXPECT_EQ(GxFileExists(u"BG/A.PNG"), kGxFileOnDisk);
    Put("bg/b.png", "b");
    EXPECT_EQ(GxFileExists(u"BG/B.PNG"), kGxFileOnDisk);
    std::filesystem::remove(m_Dir.path() / "bg" / "a.png");
    EXPECT_EQ(GxFileExists(u"BG/A.PNG"), kGxFileNotFound);
    Put("bg/A.png", "A");
    Put("bg/a.PNG", "a");
    GxBinBuffer b;
    ASSERT_TRUE(GxLoadFile(&b, u"Bg/a.png", false, false, kGxLoadFileAnySize));
    EXPECT_EQ(Str(b), "A") << "of several names that differ in case only, the smallest is taken";
}

TEST_F(FsTest, SeekAndRead) {
    Put("f.bin", "0123456789");
    GxFileHandle h;
    ASSERT_TRUE(GxFileOpen(&h, u"f.bin"));
    char b[16] = {};
    EXPECT_EQ(GxFileRead(b, 4, &h), 4u);
    EXPECT_EQ(std::string(b, 4), "0123");
    EXPECT_TRUE(GxFileSeek(&h, -2, kGxSeekCurrent));
    EXPECT_EQ(GxFileTell(&h), 2);
    EXPECT_EQ(GxFileRead(b, 16, &h), 8u) << "clamped to what is left";
    EXPECT_TRUE(h.IsEnd());
    EXPECT_EQ(GxFileRead(b, 1, &h), 0u);
    EXPECT_TRUE(GxFileSeek(&h, -100, kGxSeekBegin));
    EXPECT_EQ(GxFileTell(&h), 0) << "a negative target lands on 0";
    EXPECT_FALSE(h.IsEnd());
    EXPECT_TRUE(GxFileSeek(&h, 0, kGxSeekEnd));
    EXPECT_TRUE(h.IsEnd());
    EXPECT_EQ(GxFileRead(b, 1, &h), 0u);
    EXPECT_TRUE(GxFileSeek(&h, INT64_MAX, kGxSeekCurrent));
    EXPECT_EQ(GxFileTell(&h), 10);
    EXPECT_FALSE(GxFileSeek(&h, 0, 3)) << "unknown origin";
    EXPECT_EQ(GxFileTell(&h), 10);
    GxFileClose(&h);
    EXPECT_FALSE(h.IsOpen());
    EXPECT_EQ(GxFileRead(b, 1, &h), 0u);
    EXPECT_FALSE(GxFileSeek(&h, 0, kGxSeekBegin));
}

TEST_F(FsTest, ScrambledEntryReadsTheSameWhateverTheOrder) {
    std::vector<unsigned char> data(10000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = (unsigned char)(i * 7 + i / 256);
    qtest::WritePack("s.gxp", {{"pad.bin", Bytes("xyz"), 0}, {"e.bin", data, 0}}, {.scrambled = true});
    ASSERT_TRUE(GxMountPackFile(u"s.gxp"));
    GxBinBuffer whole;
    ASSERT_TRUE(GxLoadFile(&whole, u"e.bin", false, false, kGxLoadFileAnySize));
    ASSERT_EQ(whole.GetSize(), data.size());
    EXPECT_TRUE(std::equal(data.begin(), data.end(), whole.GetData()));
    GxFileHandle h;
    ASSERT_TRUE(GxFileOpen(&h, u"e.bin"));
    std::vector<unsigned char> pieces(data.size());
    for (s64 start : {7000, 13, 5000, 9990, 0}) {
        ASSERT_TRUE(GxFileSeek(&h, start, kGxSeekBegin));
        const u32 n = GxFileRead(pieces.data() + start, 1234, &h);
        EXPECT_TRUE(std::equal(pieces.begin() + start, pieces.begin() + start + n, data.begin() + start)) << start;
    }
}

TEST_F(FsTest, EmptyFilesAndTheTwoZeroBytes) {
    Put("empty.txt", "");
    Put("x.ini", "A=1");
    GxBinBuffer b;
    EXPECT_TRUE(GxLoadFile(&b, u"empty.txt", false, false, kGxLoadFileAnySize));
    EXPECT_EQ(b.GetSize(), 0u);
    EXPECT_TRUE(GxLoadFileNoCache(&b, u"empty.txt", 0, false, kGxLoadFileAnySize));
    EXPECT_EQ(b.GetSize(), 2u);
    EXPECT_TRUE(GxLoadFileNoCache(&b, u"x.ini", 0, false, kGxLoadFileAnySize));
    EXPECT_EQ(b.GetSize(), 5u);
    EXPECT_EQ(std::memcmp(b.GetData(), "A=1\0\0", 5), 0);
}

TEST_F(FsTest, MissingFilesAreLoggedUnlessSilent) {
    qtest::LogCapture log;
    GxBinBuffer b;
    EXPECT_FALSE(GxLoadFile(&b, u"no/such.png", false, true, kGxLoadFileAnySize));
    EXPECT_FALSE(GxLoadFileNoCache(&b, u"no/such.ini", 0, true, kGxLoadFileAnySize));
    EXPECT_TRUE(log.Lines().empty());
    EXPECT_FALSE(GxLoadFile(&b, u"no/such.png", false, false, kGxLoadFileAnySize));
    EXPECT_FALSE(GxLoadFileNoCache(&b, u"no/such.ini", 0, false, kGxLoadFileAnySize));
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{"File open error or not exist:no/such.png\n",
                                                     "File open error:no/such.ini\n"}));
}

// No whole-file load can leave its limit out: a reader that forgot it would
// take whatever size a file claims.
template <class Buffer>
concept LoadsWithoutALimit = requires(Buffer* b) {
    GxLoadFile(b, u"f", false, false);
} || requires(Buffer* b) { GxLoadFileNoCache(b, u"f", 0, false); };
static_assert(!LoadsWithoutALimit<GxBinBuffer>);

// Whole-file loads take no more than the caller's kind of file can mean,
// and never a file larger than 32 bits can count (it was read cut short, as
// if whole). Sparse files: the test costs nothing.
TEST_F(FsTest, WholeFileLoadsRefuseFilesLargerThanTheirKind) {
    const struct {
        const char* file;
        u64 size;
        u32 cap;
        bool loads;
    } rows[] = {
        {"at.bin", 100, 100, true},
        {"over.bin", 101, 100, false},
        {"huge.bin", (u64(5) << 30), kGxLoadFileAnySize, false},
        {"top.bin", 0xFFFFFFFFull + 1, kGxLoadFileAnySize, false},
    };
    for (const auto& r : rows) {
        Put(r.file, "");
        std::filesystem::resize_file(m_Dir.path() / r.file, r.size);
        const GxString path = GxFromUtf8(r.file);
        for (const bool whole : {true, false}) {
            qtest::LogCapture log;
            GxBinBuffer b;
            const bool loaded = whole ? GxLoadFile(&b, path, false, false, r.cap)
                                      : GxLoadFileNoCache(&b, path, 0, false, r.cap);
            EXPECT_EQ(loaded, r.loads) << r.file;
            if (r.loads) continue;
            EXPECT_EQ(b.GetSize(), 0u) << r.file << ": nothing allocated";
            EXPECT_EQ(log.Lines(), std::vector<std::string>{"File too large(" + std::to_string(r.size) +
                                                            " bytes, at most " + std::to_string(r.cap) + "):" +
                                                            r.file + "\n"});
        }
    }
    // Silent loads stay silent, and an INI file is held to what a
    // configuration can mean.
    qtest::LogCapture log;
    GxBinBuffer b;
    EXPECT_FALSE(GxLoadFile(&b, u"over.bin", false, true, 100));
    EXPECT_TRUE(log.Lines().empty());
    Put("big.ini", "");
    std::filesystem::resize_file(m_Dir.path() / "big.ini", kGxINIFileMaxSize + 1);
    GxINIFile ini;
    EXPECT_FALSE(ini.Load(u"big.ini", false));
    EXPECT_EQ(log.Lines().size(), 1u);
}

TEST_F(FsTest, MountFailures) {
    EXPECT_FALSE(GxMountPackFile(u"missing.gxp"));
    Put("short.gxp", std::string(47, '\0'));
    EXPECT_FALSE(GxMountPackFile(u"short.gxp"));
    Put("empty.gxp", std::string(48, '\0'));
    EXPECT_TRUE(GxMountPackFile(u"EMPTY.GXP")) << "a header with no entries mounts";
    EXPECT_EQ(GxFileExists(u""), kGxFileNotFound);

    // A FIFO, even one holding a whole pack, is refused before it is read:
    // reading it could wait for ever. The test keeps both ends open so that
    // a reader that waits would not wait here.
    ASSERT_EQ(mkfifo("fifo.gxp", 0600), 0);
    const int ends = open("fifo.gxp", O_RDWR | O_NONBLOCK);
    ASSERT_GE(ends, 0);
    const std::vector<unsigned char> pack = qtest::BuildPack({{"x.txt", Bytes("x"), 0}});
    ASSERT_EQ(write(ends, pack.data(), pack.size()), ssize_t(pack.size()));
    qtest::LogCapture log;
    EXPECT_FALSE(GxMountPackFile(u"fifo.gxp"));
    EXPECT_FALSE(GxMountPackFileReported(u"fifo.gxp", true)) << "present, so said even when optional";
    EXPECT_FALSE(GxMountPackFileReported(u"gone.gxp", true));
    EXPECT_FALSE(GxMountPackFileReported(u"gone.gxp", false));
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{"Error/GxMountPackFile Failed(fifo.gxp)\n",
                                                     "Error/GxMountPackFile Failed(gone.gxp)\n"}));
    GxBinBuffer b;
    EXPECT_FALSE(GxLoadFile(&b, u"fifo.gxp", false, true, kGxLoadFileAnySize)) << "nor is it a game file";
    close(ends);
}

TEST_F(FsTest, UnmountingForgetsEveryPack) {
    qtest::WritePack("p.gxp", {{"x", Bytes("1"), 0}}, {.scrambled = true});
    ASSERT_TRUE(GxMountPackFile(u"p.gxp"));
    ASSERT_TRUE(GxMountPackFile(u"p.gxp"));
    GxFileHandle h;
    ASSERT_TRUE(GxFileOpen(&h, u"x"));
    GxUnmountAllPackFiles();
    EXPECT_EQ(GxFileExists(u"x"), kGxFileNotFound);
    char c = 0;
    EXPECT_EQ(GxFileRead(&c, 1, &h), 1u) << "an open handle reads on without its pack";
    EXPECT_EQ(c, '1');
}

TEST_F(FsTest, CacheServesRepeatedLoadsUntilTheFileChanges) {
    GxSetFileCacheCapacity(1 << 20);
    GxSetFileCacheMaxFileSize(1 << 16);
    Put("t.png", "first");
    GxBinBuffer b;
    ASSERT_TRUE(GxLoadFile(&b, u"T.png", true, false, kGxLoadFileAnySize));
    EXPECT_EQ(GxGetFileCache().GetUsedBytes(), 0u) << "nothing is cached before the cache is switched on";
    GxSetFileCacheEnable(true);
    ASSERT_TRUE(GxLoadFile(&b, u"T.png", true, false, kGxLoadFileAnySize));
    EXPECT_EQ(GxGetFileCache().GetUsedBytes(), 5u);
    ASSERT_TRUE(GxLoadFile(&b, u"t.PNG", false, false, kGxLoadFileAnySize));
    EXPECT_EQ(GxGetFileCache().GetUsedBytes(), 5u) << "a load without the cache adds nothing";
    // Same time, other bytes: only the cache can answer "first".
    const auto p = m_Dir.path() / "t.png";
    const auto time = std::filesystem::last_write_time(p);
    Put("t.png", "FIRST");
    std::filesystem::last_write_time(p, time);
    ASSERT_TRUE(GxLoadFile(&b, u"t.png", true, false, kGxLoadFileAnySize));
    EXPECT_EQ(Str(b), "first") << "keys lower ASCII letters only";
    std::filesystem::last_write_time(p, time + std::chrono::seconds(1));
    ASSERT_TRUE(GxLoadFile(&b, u"t.png", true, false, kGxLoadFileAnySize));
    EXPECT_EQ(Str(b), "FIRST") << "a new last-write time misses";
    EXPECT_EQ(GxGetFileCache().GetUsedBytes(), 5u) << "and replaces the copy";
    GxClearFileCache();
    EXPECT_EQ(GxGetFileCache().GetUsedBytes(), 0u);
}

} // namespace
