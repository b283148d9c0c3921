// The built program itself, in a game folder written by the sample generator:
// what a player sees when the folder, the display or the environment is not
// what the engine hoped for. Every wait is bounded; a hung start fails.
#include "GameFolder.h"
#include "ProgramRun.h"

#include "platform/system/instance_lock.h"
#include "support/SampleGameCopy.h"

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <map>

namespace {

using proctest::BuildFolder;
using proctest::EnvChanges;
using proctest::ReadText;
using proctest::ReadUtf16File;
using proctest::Spawn;
using qtest::Eventually;
using qtest::WaitExit;
namespace fs = std::filesystem;
using std::chrono::seconds;

// A process whose parent is parent; 0 when there is none.
pid_t ChildOf(pid_t parent) {
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string pid = entry.path().filename().string();
        if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
        const std::string stat = ReadText(entry.path() / "stat");
        const size_t open = stat.find('('), close = stat.rfind(')');
        if (open == std::string::npos || close == std::string::npos || close + 4 > stat.size()) continue;
        const pid_t ppid = std::atoi(stat.c_str() + stat.find(' ', close + 2) + 1);
        if (ppid == parent) return std::atoi(stat.c_str());
    }
    return 0;
}

class QuillonProcess : public testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(run_);
        fs::create_directories(temp_.path() / "home");
        std::string error;
        ASSERT_TRUE(qtest::CopySampleGame(game_, true, &error)) << error;
        ASSERT_TRUE(fs::exists(game_ / "system" / "sysconf.ini"));
        ASSERT_TRUE(fs::exists(game_ / "sample.gxp"));
    }

    // Headless by request, with its own runtime, home and no display.
    EnvChanges Headless() const { return proctest::HeadlessEnv(run_, temp_.path() / "home"); }

    void TearDown() override {
        // What a failed test left running goes with everything it started.
        for (const pid_t pid : started_) {
            kill(-pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }

    pid_t Start(const fs::path& dir, const std::string& out, const EnvChanges& env, const fs::path& program = {},
                const std::vector<std::string>& args = {}) {
        started_.push_back(
            Spawn(program.empty() ? BuildFolder() / "app" / "quillon" : program, args, dir, temp_.path() / out, env));
        return started_.back();
    }
    // Waits for a started quillon to end: its exit code, -1 when it hung.
    int Finish(pid_t pid) {
        started_.erase(std::find(started_.begin(), started_.end(), pid));
        return WaitExit(pid, seconds(30));
    }
    // Runs quillon to its end; its exit code (-1 when it hung) and what it said.
    std::pair<int, std::string> RunToEnd(const fs::path& dir, const EnvChanges& env) {
        const int code = Finish(Start(dir, "run.out", env));
        return {code, ReadText(temp_.path() / "run.out")};
    }
    // Start-up is as good as over once the game chose its sound engine.
    static bool Booted(const fs::path& save) {
        return Eventually(
            [&] { return ReadUtf16File(save / "device.log").find("サウンドエンジンに") != std::string::npos; },
            seconds(30));
    }

    qtest::TempDir temp_;
    fs::path game_ = temp_.path() / "game";
    fs::path run_ = temp_.path() / "run";
    std::vector<pid_t> started_;
};

// What stands in a folder: each name with its inode, size, last change of
// its contents and last change of anything about it.
std::map<std::string, std::string> Snapshot(const fs::path& dir) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(dir)) {
        struct stat st {};
        lstat(entry.path().c_str(), &st);
        files[entry.path().filename().string()] =
            std::to_string(st.st_ino) + " " + std::to_string(st.st_size) + " " + std::to_string(st.st_mtim.tv_sec) +
            "." + std::to_string(st.st_mtim.tv_nsec) + " " + std::to_string(st.st_ctim.tv_sec) + "." +
            std::to_string(st.st_ctim.tv_nsec);
    }
    return files;
}

TEST_F(QuillonProcess, RunsInAFolderWhoseNameIsNotUtf8RefusesASecondStartAndEndsOnSigterm) {
    // Unpacked without a code-page option: Latin-1 "é", then Shift-JIS "あ".
    const fs::path game = temp_.path() / std::string("g\xE9me\x82\xA0");
    fs::rename(game_, game);
    const fs::path save = game / "QuillonSample_SAVE";
    // A hang-up (the terminal it was started from closed) ends the game as
    // SIGTERM does, which SDL turns into the window's end: the game ends
    // without asking, and writes the settings and the permanent data.
    for (const int signal : {SIGTERM, SIGHUP}) {
        SCOPED_TRACE(strsignal(signal));
        for (const char* name : {"device.log", "userconf.dat", "permanent.dat"}) fs::remove(save / name);
        const pid_t pid = Start(game, "first.out", Headless());
        ASSERT_TRUE(Booted(save)) << ReadText(temp_.path() / "first.out");
        if (signal == SIGTERM) {
            EXPECT_FALSE(fs::exists(game / "error.log")) << "no log falls loose into the game folder";
            // A second copy on the save folder is refused whatever its runtime
            // folder, before it writes anything there.
            fs::create_directories(temp_.path() / "run2");
            EnvChanges otherRuntime = Headless(), noRuntime = Headless();
            otherRuntime["XDG_RUNTIME_DIR"] = (temp_.path() / "run2").string();
            noRuntime["XDG_RUNTIME_DIR"] = std::nullopt;
            for (const EnvChanges& env : {Headless(), otherRuntime, noRuntime}) {
                SCOPED_TRACE(env.at("XDG_RUNTIME_DIR").value_or("unset"));
                const auto before = Snapshot(save);
                const auto [second, said] = RunToEnd(game, env);
                EXPECT_EQ(second, 1);
                EXPECT_NE(said.find("[Quillon Sample] 既に起動中です"), std::string::npos) << said;
                EXPECT_EQ(Snapshot(save), before);
            }
        }
        ASSERT_EQ(kill(pid, signal), 0);
        EXPECT_EQ(Finish(pid), 0);
        for (const char* name : {"device.log", "userconf.dat", "permanent.dat"})
            EXPECT_TRUE(fs::exists(save / name)) << name;
    }
    // The lock file stays behind, held by nobody.
    const int fd = open((run_ / "Quillon Sample.lock").c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
    close(fd);
}

// The program with the lock shim preloaded (support/programs/lock_shim.cpp):
// what a file system this machine has not does to the locks.
EnvChanges WithShim(EnvChanges env, const std::string& name, const std::string& value) {
    env["LD_PRELOAD"] = (BuildFolder() / "tests" / "libquillon_lock_shim.so").string();
    // The sanitizers' runtime would otherwise insist on being loaded first.
    const char* asan = std::getenv("ASAN_OPTIONS");
    env["ASAN_OPTIONS"] = std::string(asan ? asan : "") + ":verify_asan_link_order=0";
    env[name] = value;
    return env;
}

// A second copy on a save folder in use is refused wherever the player keeps
// the folder, before it writes anything there or in the game's folder: one
// started by another user who may write into the folder but not list it (a
// shared install; the first copy's user makes files for no one else), one on
// a file system where a folder cannot be locked (NFS, SMB), and one that
// started with the first on a game whose save folder was not made yet.
TEST_F(QuillonProcess, ASecondCopyIsRefusedWhereverTheSaveFolderIs) {
    const fs::path save = game_ / "QuillonSample_SAVE";
    const bool root = geteuid() == 0 && access("/usr/bin/setpriv", X_OK) == 0;
    // The other user's own runtime folder and home, and the program where
    // that user may run it.
    const fs::path otherRun = temp_.path() / "run2", otherHome = temp_.path() / "home2";
    const fs::path program = temp_.path() / "quillon";
    EnvChanges other = proctest::HeadlessEnv(otherRun, otherHome);
    for (const fs::path& dir : {otherRun, otherHome}) fs::create_directories(dir);
    if (root) {
        fs::copy_file(BuildFolder() / "app" / "quillon", program);
        for (const fs::path& dir : {otherRun, otherHome}) ASSERT_EQ(chown(dir.c_str(), 65534, 65534), 0);
        fs::permissions(temp_.path(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    }
    struct Row {
        const char* what;
        bool needsRoot;
        EnvChanges first, second;
        std::vector<std::string> secondArgs;  // for setpriv, else empty
        bool secondStartsFirst;
    };
    const std::vector<std::string> asOther = {"--reuid=65534", "--regid=65534", "--clear-groups", "--", program.string()};
    const Row rows[] = {
        {"another user, who may write into the folder but not list it", true, Headless(), other, asOther, false},
        {"a folder that cannot be locked, as on NFS", false, WithShim(Headless(), "QUILLON_SHIM_FLOCK", "folders"),
         WithShim(other, "QUILLON_SHIM_FLOCK", "folders"), {}, false},
        {"two first starts", false, Headless(),
         WithShim(other, "QUILLON_SHIM_MKDIR_AFTER", (save / psys::instance_lock::kFolderLockName).string()), {},
         true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        if (row.needsRoot && !root) {
            std::printf("skipped: %s (needs root and setpriv)\n", row.what);
            continue;
        }
        fs::remove_all(save);
        if (row.needsRoot) {
            fs::create_directory(save);
            fs::permissions(save, fs::perms::owner_all | fs::perms::group_write | fs::perms::group_exec |
                                      fs::perms::others_write | fs::perms::others_exec);
        }
        pid_t second = 0;
        if (row.secondStartsFirst) second = Start(game_, "second.out", row.second);
        // The other user's row: the first copy's files are its own alone.
        const mode_t umaskBefore = row.needsRoot ? umask(077) : 0;
        const pid_t first = Start(game_, "first.out", row.first);
        if (row.needsRoot) umask(umaskBefore);
        ASSERT_TRUE(Booted(save)) << ReadText(temp_.path() / "first.out");
        const auto before = Snapshot(save);
        if (!row.secondStartsFirst)
            second = row.secondArgs.empty() ? Start(game_, "second.out", row.second)
                                            : Start(game_, "second.out", row.second, "/usr/bin/setpriv", row.secondArgs);
        EXPECT_EQ(Finish(second), 1);
        const std::string said = ReadText(temp_.path() / "second.out");
        EXPECT_NE(said.find("[Quillon Sample] 既に起動中です"), std::string::npos) << said;
        EXPECT_EQ(Snapshot(save), before);
        for (const char* loose : {"error.log", "device.log", "userconf.dat", "permanent.dat"})
            EXPECT_FALSE(fs::exists(game_ / loose)) << loose;
        ASSERT_EQ(kill(first, SIGTERM), 0);
        EXPECT_EQ(Finish(first), 0);
    }
}

// Where no lock of either kind can be had both copies run, the guard lost
// and said once by each; the one that quits last keeps what the other
// wrote to the permanent data since it read it.
TEST_F(QuillonProcess, WithoutAnyLockNeitherCopyLosesWhatTheOtherWrote) {
    const fs::path save = game_ / "QuillonSample_SAVE";
    fs::create_directories(temp_.path() / "run2");
    EnvChanges otherRuntime = Headless();
    otherRuntime["XDG_RUNTIME_DIR"] = (temp_.path() / "run2").string();
    const pid_t first = Start(game_, "first.out", WithShim(Headless(), "QUILLON_SHIM_FLOCK", "all"));
    ASSERT_TRUE(Booted(save)) << ReadText(temp_.path() / "first.out");
    fs::remove(save / "device.log");
    const pid_t second = Start(game_, "second.out", WithShim(otherRuntime, "QUILLON_SHIM_FLOCK", "all"));
    ASSERT_TRUE(Booted(save)) << ReadText(temp_.path() / "second.out");
    ASSERT_EQ(kill(first, SIGTERM), 0);
    EXPECT_EQ(Finish(first), 0);
    const std::vector<unsigned char> firsts = qtest::ReadBytes(save / "permanent.dat");
    ASSERT_FALSE(firsts.empty());
    ASSERT_EQ(kill(second, SIGTERM), 0);
    EXPECT_EQ(Finish(second), 0);
    EXPECT_EQ(qtest::ReadBytes(save / "permanent.dat.changed"), firsts);
    const std::string log = ReadUtf16File(save / "error.log");
    size_t lines = 0;
    for (size_t at = 0; (at = log.find("Error/GxCore Save Folder Lock Failed(", at)) != std::string::npos; ++at) ++lines;
    EXPECT_EQ(lines, 2u) << log;
    EXPECT_NE(log.find("permanent.dat.changed"), std::string::npos) << log;
}

TEST_F(QuillonProcess, FifosAsGameFilesNeverHangAndAreNamed) {
    // A configuration that is a FIFO stops the start at once; the damaged
    // system pack it might have come from is named where the player sees it.
    fs::rename(game_ / "system" / "sysconf.ini", temp_.path() / "sysconf.ini");
    ASSERT_EQ(mkfifo((game_ / "system" / "sysconf.ini").c_str(), 0600), 0);
    qtest::WriteText(game_ / "system.gxp", "not a pack");
    const auto [code, said] = RunToEnd(game_, Headless());
    EXPECT_EQ(code, 1);
    EXPECT_NE(said.find("システム設定ファイルの読み込みに失敗しました"), std::string::npos) << said;
    EXPECT_NE(said.find("Error/GxMountPackFile Failed(system.gxp)"), std::string::npos) << said;

    // Packs that are FIFOs are refused and logged, and the game still starts.
    fs::remove(game_ / "system" / "sysconf.ini");
    fs::rename(temp_.path() / "sysconf.ini", game_ / "system" / "sysconf.ini");
    fs::remove(game_ / "system.gxp");
    fs::remove(game_ / "sample.gxp");
    ASSERT_EQ(mkfifo((game_ / "system.gxp").c_str(), 0600), 0);
    ASSERT_EQ(mkfifo((game_ / "sample.gxp").c_str(), 0600), 0);
    const pid_t pid = Start(game_, "fifo.out", Headless());
    const fs::path save = game_ / "QuillonSample_SAVE";
    ASSERT_TRUE(Booted(save)) << ReadText(temp_.path() / "fifo.out");
    const std::string log = ReadUtf16File(save / "error.log");
    EXPECT_NE(log.find("Error/GxMountPackFile Failed(system.gxp)"), std::string::npos) << log;
    EXPECT_NE(log.find("Error/GxMountPackFile Failed(sample.gxp)"), std::string::npos) << log;
    ASSERT_EQ(kill(pid, SIGTERM), 0);
    EXPECT_EQ(Finish(pid), 0);
}

TEST_F(QuillonProcess, WithoutADisplayTheStartIsRefusedAndEveryMessageIsSaid) {
    struct Case {
        const char* what;
        std::optional<std::string> display;
    };
    for (const Case& c : {Case{"no display at all", std::nullopt}, Case{"a display nobody answers", ":1097"}}) {
        SCOPED_TRACE(c.what);
        fs::remove_all(game_ / "QuillonSample_SAVE");
        EnvChanges env = Headless();
        env["SDL_VIDEODRIVER"] = std::nullopt;
        env["DISPLAY"] = c.display;
        const auto [code, said] = RunToEnd(game_, env);
        EXPECT_EQ(code, 1);
        // The first-start box, which nobody could have seen, and the refusal.
        EXPECT_NE(said.find("インストールフォルダにセーブフォルダ[QuillonSample_SAVE]を作成しました。"), std::string::npos)
            << said;
        EXPECT_NE(said.find("ウインドウハンドルが取得できません"), std::string::npos) << said;
        const std::string log = ReadUtf16File(game_ / "QuillonSample_SAVE" / "error.log");
        EXPECT_NE(log.find("no usable display"), std::string::npos) << log;
    }
}

TEST_F(QuillonProcess, ALockThatCannotBeMadeCostsOnlyTheGuard) {
    // A runtime folder nobody can create files in, not even root.
    EnvChanges env = Headless();
    env["XDG_RUNTIME_DIR"] = "/proc/self";
    const pid_t pid = Start(game_, "run.out", env);
    const fs::path save = game_ / "QuillonSample_SAVE";
    ASSERT_TRUE(Booted(save)) << ReadText(temp_.path() / "run.out");
    const std::string log = ReadUtf16File(save / "error.log");
    EXPECT_NE(log.find("Error/GxCore Single Instance Lock Failed(/proc/self/Quillon Sample.lock: "), std::string::npos)
        << log;
    ASSERT_EQ(kill(pid, SIGTERM), 0);
    EXPECT_EQ(Finish(pid), 0);
}

// An X server of our own for the one behaviour that needs a desktop.
class VirtualDisplay {
public:
    VirtualDisplay() {
        if (access("/usr/bin/Xvfb", X_OK) != 0) return;
        int fds[2];
        if (pipe(fds) != 0) return;
        const std::string fd = std::to_string(fds[1]);
        pid_ = fork();
        if (pid_ == 0) {
            close(fds[0]);
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, STDERR_FILENO);
            execl("/usr/bin/Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-screen", "0", "1280x1024x24",
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        // The server writes its display number once it accepts clients.
        std::string number;
        pollfd p{fds[0], POLLIN, 0};
        char c;
        while (poll(&p, 1, 10000) == 1 && read(fds[0], &c, 1) == 1 && c != '\n') number.push_back(c);
        close(fds[0]);
        if (!number.empty()) name_ = ":" + number;
    }
    ~VirtualDisplay() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            WaitExit(pid_, seconds(10));
        }
    }
    const std::string& name() const { return name_; }

private:
    pid_t pid_ = -1;
    std::string name_;
};

TEST_F(QuillonProcess, TheFirstStartBoxGoesWithTheEngine) {
    if (access("/usr/bin/zenity", X_OK) != 0) GTEST_SKIP() << "zenity is not installed";
    VirtualDisplay display;
    if (display.name().empty()) GTEST_SKIP() << "Xvfb is not installed";
    EnvChanges env = Headless();
    env["SDL_VIDEODRIVER"] = std::nullopt;
    env["DISPLAY"] = display.name();
    env["NO_AT_BRIDGE"] = "1";
    const pid_t pid = Start(game_, "run.out", env);
    pid_t box = 0;
    ASSERT_TRUE(Eventually([&] { return (box = ChildOf(pid)) != 0; }, seconds(30)))
        << ReadText(temp_.path() / "run.out");
    ASSERT_EQ(kill(pid, SIGTERM), 0);
    EXPECT_NE(Finish(pid), -1);
    EXPECT_TRUE(Eventually([&] { return qtest::ProcessGone(box); }, seconds(10))) << "the box outlived the engine";
    if (!qtest::ProcessGone(box)) kill(box, SIGKILL);
}

} // namespace
