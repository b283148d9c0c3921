#include "base/GxLog.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

struct Recorder final : GxDebugListenerBase {
    struct Line {
        std::u16string text;
        int kind;
    };
    std::vector<Line> lines;
    void Output(const GxChar* line, int kind) override { lines.push_back({line, kind}); }
};

// A log file's bytes: the signature, then the text in UTF-16LE.
std::vector<unsigned char> Signed(const std::u16string& s) {
    std::vector<unsigned char> b = {0xFF, 0xFE};
    for (char16_t c : s) {
        b.push_back(c & 0xFF);
        b.push_back(c >> 8);
    }
    return b;
}

class Logs : public testing::Test {
protected:
    void SetUp() override {
        GxSetErrorLogPath(dir.u16("error.log"));
        GxSetDebugLogPath(dir.u16("debug.log"));
        GxSetDeviceLogPath(dir.u16("device.log"));
        GxSetDebugListener(&rec);
        GxSetSkipSlightError(false);
        GxResetErrorCount();
    }
    void TearDown() override {
        GxSetDebugListener(nullptr);
        GxSetErrorLogPath(u"");
        GxSetDebugLogPath(u"");
        GxSetDeviceLogPath(u"");
        GxSetSkipSlightError(false);
        GxResetErrorCount();
    }
    std::vector<unsigned char> file(const char* name) { return qtest::ReadBytes(dir.path() / name); }
    qtest::TempDir dir;
    Recorder rec;
};

TEST_F(Logs, FilesAreUtf16LeWithOneSignatureAndCrLf) {
    GxWriteErrorLog(u"GxTaskManage::RegisterTaskID/TaskID=0は指定できません(%s)\n", u"名前");
    GxWriteErrorLog(u"Error/%d\n", 2);
    EXPECT_EQ(file("error.log"), Signed(u"GxTaskManage::RegisterTaskID/TaskID=0は指定できません(名前)\r\nError/2\r\n"));
    EXPECT_EQ(GxGetErrorCount(), 2);
    ASSERT_EQ(rec.lines.size(), 2u);
    EXPECT_EQ(rec.lines[1].text, u"Error/2\n") << "the listener sees the text as formatted";
    EXPECT_EQ(rec.lines[1].kind, 1);
    // An existing empty file gets the signature too, once.
    qtest::WriteBytes(dir.path() / "debug.log", {});
    GxWriteDebugLog(u"x");
    GxWriteDebugLog(u"y");
    // A folder name that is not UTF-8: "gé" with the é kept as the byte it was on disk.
    GxWriteDebugLog(u"%s\n", std::u16string{u'g', 0xDCE9, 0xD83D, 0xDE00});
    EXPECT_EQ(file("debug.log"), Signed(u"xyg\uFFFD\U0001F600\r\n")) << "valid UTF-16 in the file";
    GxDeleteErrorLog();
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "error.log"));
    GxDeleteErrorLog();  // a missing file is harmless
    GxDeleteDeviceLog();
}

TEST_F(Logs, EachWriterHasItsOwnRules) {
    GxWriteWarningLog(u"Warning/a\n");
    GxWriteDebugLog(u"d\n");
    GxWriteDeviceLog(u"\t・name:%d\n", 1);
    EXPECT_EQ(GxGetErrorCount(), 1) << "warnings count, debug and device lines do not";
    ASSERT_EQ(rec.lines.size(), 2u) << "device lines never reach the listener";
    EXPECT_EQ(rec.lines[0].kind, 0);
    EXPECT_EQ(rec.lines[1].kind, 2);
    EXPECT_EQ(file("device.log"), Signed(u"\t・name:1\r\n"));
    EXPECT_FALSE(file("error.log").empty());

    GxSetSkipSlightError(true);
    auto before = file("error.log");
    GxWriteWarningLog(u"Warning/b\n");
    EXPECT_EQ(GxGetErrorCount(), 1) << "a skipped warning changes nothing";
    EXPECT_EQ(rec.lines.size(), 2u);
    EXPECT_EQ(file("error.log"), before);
    GxWriteErrorLog(u"e\n");
    EXPECT_EQ(GxGetErrorCount(), 2) << "errors are not slight";
    // Without a path lines are counted and heard but written nowhere.
    std::filesystem::remove(dir.path() / "error.log");
    GxSetErrorLogPath(u"");
    GxWriteErrorLog(u"lost\n");
    EXPECT_EQ(GxGetErrorCount(), 3);
    EXPECT_EQ(rec.lines.size(), 4u);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "error.log"));
}

size_t Count(const std::string& text, const std::string& piece) {
    size_t n = 0;
    for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++n;
    return n;
}

TEST_F(Logs, ALogThatCannotBeWrittenIsSaidOnceOnStandardError) {
    // A missing folder, and a FIFO with a reader, where a blocking writer would
    // stall the game: neither is written, each is said once.
    GxSetErrorLogPath(dir.u16("missing/dir/error.log"));
    ASSERT_EQ(mkfifo((dir.path() / "debug.log").c_str(), 0600), 0);
    const int reader = open((dir.path() / "debug.log").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    testing::internal::CaptureStderr();
    GxWriteErrorLog(u"lost\n");
    GxWriteErrorLog(u"lost\n");
    GxWriteDebugLog(u"lost\n");
    GxWriteDebugLog(u"lost\n");
    const std::string said = testing::internal::GetCapturedStderr();
    char byte;
    EXPECT_LE(read(reader, &byte, 1), 0) << "nothing went into the FIFO";
    close(reader);
    EXPECT_EQ(GxGetErrorCount(), 2) << "the lines still count";
    EXPECT_EQ(Count(said, "cannot be written"), 2u) << said;
    EXPECT_EQ(Count(said, dir.str() + "/missing/dir/error.log"), 1u) << said;
    EXPECT_EQ(Count(said, dir.str() + "/debug.log\" cannot be written (not a regular file)"), 1u) << said;
    // A new path is tried, and said, anew.
    testing::internal::CaptureStderr();
    GxSetErrorLogPath(dir.u16("error.log"));
    GxWriteErrorLog(u"kept\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(file("error.log").size(), 2u + 2 * 6);
}

TEST_F(Logs, LinesFromBeforeTheLogFolderReachItOnceKnown) {
    GxSetErrorLogPath(u"");
    GxSetDebugLogPath(u"");
    GxHoldLogLines();
    GxWriteErrorLog(u"Error/early\n");
    GxWriteDebugLog(u"script says\n");
    GxWriteErrorLogA("Error/%s\n", "narrow");
    // The path is known, but the last run's log may still be deleted: the
    // lines wait until the hold ends, in their order.
    GxSetErrorLogPath(dir.u16("error.log"));
    GxWriteWarningLog(u"Warning/later\n");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "error.log"));
    EXPECT_EQ(GxGetErrorCount(), 3) << "counted at once";
    EXPECT_EQ(rec.lines.size(), 4u) << "heard at once";
    testing::internal::CaptureStderr();
    GxReleaseHeldLogLines();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "script says\n")
        << "a log without a path gives its lines to standard error";
    const std::vector<unsigned char> want = Signed(u"Error/early\r\nError/narrow\r\nWarning/later\r\n");
    EXPECT_EQ(file("error.log"), want);
    GxReleaseHeldLogLines();
    GxWriteErrorLog(u"x");
    EXPECT_EQ(file("error.log").size(), want.size() + 2) << "written at once after the hold";

    // What does not fit is dropped, and the drop is noted.
    std::filesystem::remove(dir.path() / "error.log");
    GxHoldLogLines();
    const std::u16string line = std::u16string(999, u'a') + u"\n";
    for (int i = 0; i < 300; ++i) GxWriteDebugLog(u"%s", line);
    GxSetDebugLogPath(dir.u16("debug.log"));
    GxReleaseHeldLogLines();
    EXPECT_EQ(file("debug.log").size(), 2u + 262u * 1001u * 2u);
    EXPECT_EQ(file("error.log"),
              Signed(u"Warning/GxLog 38 lines from before the log folder was known were dropped\r\n"));
}

// A log in a folder others can write to may be a link someone planted to a
// file of the player's: no byte goes through it, the log is made anew.
TEST_F(Logs, ALinkWhereALogGoesIsReplacedNotWrittenThrough) {
    namespace fs = std::filesystem;
    qtest::TempDir outside;
    struct Case {
        const char* log;
        void (*write)(const GxChar*);
        const char* target;  // the player's file the link leads to
        bool symbolic, targetExists;
    } cases[] = {
        {"error.log", [](const GxChar* t) { GxWriteErrorLog(u"%s", t); }, "notes.txt", true, true},
        {"debug.log", [](const GxChar* t) { GxWriteDebugLog(u"%s", t); }, "new.txt", true, false},
        {"device.log", [](const GxChar* t) { GxWriteDeviceLog(u"%s", t); }, "hard.txt", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.log);
        const fs::path target = outside.path() / c.target, log = dir.path() / c.log;
        if (c.targetExists) qtest::WriteText(target, "the player's own\n");
        if (c.symbolic) fs::create_symlink(target, log);
        else fs::create_hard_link(target, log);
        c.write(u"line\n");
        if (c.targetExists) EXPECT_EQ(qtest::ReadText(target), "the player's own\n");
        else EXPECT_FALSE(fs::exists(fs::symlink_status(target))) << "nothing made where a link led";
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(log)));
        EXPECT_EQ(fs::hard_link_count(log), 1u);
        EXPECT_EQ(file(c.log), Signed(u"line\r\n"));
    }
}

// A log says what the game did and where: whatever the umask, it can be read
// and written by no one who does not count in its folder (in a sticky
// folder, by its owner alone). A log of the player's from an older run is
// narrowed to that, never widened; one of a user who does not count there is
// no log of the game's, and gives way to one.
TEST_F(Logs, ALogReachesNoFurtherThanItsFolder) {
    namespace fs = std::filesystem;
    const mode_t umaskBefore = umask(022);
    struct Row {
        const char* what;
        mode_t folder, umask;
        mode_t before;  // the mode of a log standing from an older run; 0 for none
        mode_t mode;    // the log's after a line
        enum { Plain, HardLink, Theirs } stood = Plain;
    } rows[] = {
        {"a private folder", 0700, 022, 0, 0600},
        {"a folder others may read", 0755, 022, 0, 0600},
        {"a folder its group may write", 0775, 022, 0, 0660},
        {"a folder its group may write, a narrow umask", 0775, 077, 0, 0660},
        {"a shared folder with the sticky bit", 01777, 077, 0, 0600},
        {"a folder its group may write, with the sticky bit", 01770, 022, 0, 0600},
        {"a folder all may write, without the sticky bit", 0777, 077, 0, 0666},
        {"an older log open to all, a private folder", 0700, 022, 0644, 0600},
        {"an older log open to all, a folder others may read", 0755, 077, 0644, 0600},
        {"an older log open to all, a folder its group may write", 0775, 022, 0644, 0640},
        {"an older log open to all, a shared folder", 01777, 022, 0666, 0600},
        {"an older log narrower than its folder", 01777, 022, 0600, 0600},
        {"an older log with a second name, replaced", 0755, 022, 0644, 0600, Row::HardLink},
        {"another user's older log, replaced", 0755, 022, 0644, 0600, Row::Theirs},
    };
    int n = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        if (row.stood == Row::Theirs && geteuid() != 0) {
            std::printf("Skipped \"%s\": needs root to give a log to another user\n", row.what);
            continue;
        }
        const std::string name = "save" + std::to_string(n++);
        const fs::path folder = dir.path() / name, log = folder / "debug.log";
        fs::create_directory(folder);
        if (row.before) {
            qtest::WriteBytes(log, {0xFF, 0xFE});
            ASSERT_EQ(chmod(log.c_str(), row.before), 0);
            if (row.stood == Row::HardLink) fs::create_hard_link(log, folder / "debug.log.bak");
            if (row.stood == Row::Theirs) {
                ASSERT_EQ(chown(log.c_str(), 65534, 65534), 0);
            }
        }
        ASSERT_EQ(chmod(folder.c_str(), row.folder), 0);
        umask(row.umask);
        GxSetDebugLogPath(dir.u16(name + "/debug.log"));
        GxWriteDebugLog(u"x");
        umask(022);
        EXPECT_EQ(qtest::ReadBytes(log), (std::vector<unsigned char>{0xFF, 0xFE, 'x', 0}));
        struct stat st {};
        ASSERT_EQ(lstat(log.c_str(), &st), 0);
        const auto octal = [](mode_t m) {
            char text[8];
            std::snprintf(text, sizeof text, "%04o", unsigned(m));
            return std::string(text);
        };
        EXPECT_EQ(octal(st.st_mode & 07777), octal(row.mode));
        if (row.stood == Row::HardLink) {
            EXPECT_EQ(fs::status(folder / "debug.log.bak").permissions(), fs::perms(0644)) << "the other name kept";
        }
    }
    umask(umaskBefore);
}

TEST_F(Logs, TheListenerGetsAtMost1023CharactersTheNarrowWriterCutsBeforeWritingAnywhere) {
    GxWriteErrorLogA("Error/%s key=%s\n", "GxContentReaderBinary", "\x83\x5C");
    ASSERT_EQ(rec.lines.size(), 1u);
    EXPECT_EQ(rec.lines[0].text, u"Error/GxContentReaderBinary key=ソ\n");
    EXPECT_EQ(GxGetErrorCount(), 1);
    std::string longNarrow(2000, 'z');
    GxWriteErrorLogA("%s", longNarrow);
    EXPECT_EQ(rec.lines[1].text, std::u16string(1023, u'z'));
    std::vector<unsigned char> f = file("error.log");
    EXPECT_EQ(f.size(), 2u + 2 * std::u16string(u"Error/GxContentReaderBinary key=ソ\r\n").size() + 1023u * 2);
    // A wide line reaches the listener cut to 1023 characters, the file whole.
    const std::u16string longText(1500, u'あ');
    GxWriteErrorLog(u"%s", longText);
    EXPECT_EQ(rec.lines[2].text, longText.substr(0, 1023));
    EXPECT_EQ(file("error.log").size(), f.size() + 1500u * 2);
}

TEST_F(Logs, LinesFromTwoThreadsNeverInterleave) {
    auto writer = [](char16_t c) {
        std::u16string line(200, c);
        for (int i = 0; i < 200; ++i) GxWriteDebugLog(u"%s\n", line);
    };
    GxSetDebugListener(nullptr);
    std::thread a(writer, u'a'), b(writer, u'b');
    a.join();
    b.join();
    std::vector<unsigned char> f = file("debug.log");
    ASSERT_EQ(f.size(), 2u + 400u * 202u * 2u);
    for (size_t line = 0; line < 400; ++line) {
        size_t at = 2 + line * 404;
        unsigned char c = f[at];
        for (size_t k = 0; k < 200; ++k) ASSERT_EQ(f[at + 2 * k], c) << "line " << line;
        ASSERT_EQ(f[at + 400], '\r');
        ASSERT_EQ(f[at + 402], '\n');
    }
}

} // namespace
