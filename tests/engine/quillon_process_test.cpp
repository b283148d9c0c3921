// The built program itself, in a game folder written by the sample generator:
// what a player sees when the folder, the display or the environment is not
// what the engine hoped for. Every wait is bounded; a hung start fails.
#include "GameFolder.h"
#include "ProgramRun.h"

#include "base/GxStringUtil.h"
#include "gamedata/GxUserDataPerman.h"
#include "platform/system/instance_lock.h"
#include "support/SampleGameCopy.h"

#include <csignal>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <set>

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

// Whether a process ignores SIGHUP, as /proc tells its dispositions.
bool IgnoresHangUp(pid_t pid) {
    const std::string status = ReadText("/proc/" + std::to_string(pid) + "/status");
    const size_t at = status.find("SigIgn:");
    return at != std::string::npos && (std::stoull(status.substr(at + 7), nullptr, 16) & (1ull << (SIGHUP - 1))) != 0;
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
    // Ends a started quillon as a desktop's end does (SIGTERM): its exit code,
    // -1 when it hung, -2 when it could not be sent the signal.
    int Quit(pid_t pid) { return kill(pid, SIGTERM) == 0 ? Finish(pid) : -2; }
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
    // without asking, and writes the settings and the permanent data. Under
    // nohup the game keeps the ignore it was given and plays on.
    struct Row {
        int signal;
        bool nohup;
    };
    for (const Row row : {Row{SIGTERM, false}, Row{SIGHUP, false}, Row{SIGHUP, true}}) {
        SCOPED_TRACE(std::string(strsignal(row.signal)) + (row.nohup ? " under nohup" : ""));
        for (const char* name : {"device.log", "userconf.dat", "permanent.dat"}) fs::remove(save / name);
        const pid_t pid = row.nohup ? Start(game, "first.out", Headless(), "/usr/bin/nohup",
                                            {(BuildFolder() / "app" / "quillon").string()})
                                    : Start(game, "first.out", Headless());
        ASSERT_TRUE(Booted(save)) << ReadText(temp_.path() / "first.out");
        if (row.signal == SIGTERM) {
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
        if (row.nohup) {
            EXPECT_TRUE(IgnoresHangUp(pid)) << "the game took the hang-up nohup ignored";
        }
        ASSERT_EQ(kill(pid, row.signal), 0);
        if (row.nohup) {
            ASSERT_EQ(kill(pid, SIGTERM), 0);
        }
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

// The shim's hold of that prefix (QUILLON_SHIM_FSYNC, _FSYNC2, _KEEP or
// _EXCHANGE): a copy that reaches it at a path holding name waits there until
// count copies have reached it.
void HoldAt(EnvChanges& env, const std::string& prefix, const std::string& name, const fs::path& arrived, int count) {
    fs::create_directories(arrived);
    env[prefix + "_NAME"] = name;
    env[prefix + "_ARRIVED"] = arrived.string();
    env[prefix + "_WAIT"] = std::to_string(count);
}

// A second copy on a save folder in use is refused wherever the player keeps
// the folder, before it writes anything there or in the game's folder: one
// started by another user who may write into the folder but not list it (a
// shared install; the first copy's user makes files for no one else), one on
// a file system where a folder cannot be locked (NFS, SMB), one that started
// with the first on a game whose save folder was not made yet, and one of a
// member of the folder's group on such a file system, after the player
// shared the folder made private by its first start. A user who may only
// read the folder (one made by an older release) and locks it, as `flock -s
// <folder> sleep 3600` does, stops no start.
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
    // A group nobody is not in, which the player (root) may give the folder.
    constexpr gid_t kShared = 4242;
    struct Row {
        const char* what;
        bool needsRoot;
        EnvChanges first, second;
        std::vector<std::string> secondArgs;  // for setpriv, else empty
        bool secondStartsFirst;
        // Before the first copy: the folder as it stands, and what else
        // runs; the pid of what runs on, ended with the row.
        std::function<pid_t()> before = [] { return pid_t(0); };
        std::function<void()> during = [] {};  // once the first copy runs
    };
    const std::vector<std::string> asOther = {"--reuid=65534", "--regid=65534", "--clear-groups", "--", program.string()};
    const std::vector<std::string> asMember = {"--reuid=65534", "--regid=65534", "--groups=" + std::to_string(kShared),
                                               "--", program.string()};
    // The copy started first makes the folder only once the other's lock
    // file stands in it, and says when it is about to.
    const fs::path mkdirHeld = temp_.path() / "mkdir-held";
    EnvChanges firstStart = WithShim(other, "QUILLON_SHIM_MKDIR_AFTER", (save / psys::instance_lock::kFolderLockName).string());
    firstStart["QUILLON_SHIM_MKDIR_HELD"] = mkdirHeld.string();
    const EnvChanges nfs = WithShim(Headless(), "QUILLON_SHIM_FLOCK", "folders");
    const Row rows[] = {
        {"another user, who may write into the folder but not list it", true, Headless(), other, asOther, false,
         [&] {
             fs::create_directory(save);
             fs::permissions(save, fs::perms::owner_all | fs::perms::group_write | fs::perms::group_exec |
                                       fs::perms::others_write | fs::perms::others_exec);
             return pid_t(0);
         }},
        {"a folder that cannot be locked, as on NFS", false, nfs, WithShim(other, "QUILLON_SHIM_FLOCK", "folders"), {},
         false},
        {"two first starts", false, Headless(), firstStart, {}, true},
        {"the player's own, the folder locked by a user who may only read it", true, Headless(), Headless(), {}, false,
         [&] {
             // As an older release made it: open to others' reading.
             fs::create_directory(save);
             fs::permissions(save, fs::perms(0755));
             const pid_t reader = Start(save.parent_path(), "reader.out", {}, "/usr/bin/setpriv",
                                        {"--reuid=65534", "--regid=65534", "--clear-groups", "--", "/usr/bin/flock",
                                         "-s", save.string(), "-c", "echo held; exec sleep 3600"});
             EXPECT_TRUE(Eventually([&] { return ReadText(temp_.path() / "reader.out") == "held\n"; }, seconds(10)))
                 << ReadText(temp_.path() / "reader.out");
             return reader;
         }},
        {"a member of the folder's group, after the player shared it, as on NFS", true, nfs,
         WithShim(other, "QUILLON_SHIM_FLOCK", "folders"), asMember, false,
         [&] {
             const pid_t earlier = Start(game_, "earlier.out", nfs);
             EXPECT_TRUE(Booted(save)) << ReadText(temp_.path() / "earlier.out");
             EXPECT_EQ(Quit(earlier), 0);
             fs::remove(save / "device.log");
             EXPECT_EQ(chown(save.c_str(), uid_t(-1), kShared), 0);
             fs::permissions(save, fs::perms(02770));
             return pid_t(0);
         }},
        // The same, shared while the player's copy runs: the member, on
        // another computer, may not open its lock file, and no /proc there
        // lists who holds it.
        {"a member of the folder's group on another computer, the folder shared while the player's copy runs on NFS",
         true, nfs, WithShim(WithShim(other, "QUILLON_SHIM_FLOCK", "folders"), "QUILLON_SHIM_NFS", "elsewhere"),
         asMember, false, [] { return pid_t(0); },
         [&] {
             EXPECT_EQ(chown(save.c_str(), uid_t(-1), kShared), 0);
             fs::permissions(save, fs::perms(02770));
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        if (row.needsRoot && !root) {
            std::printf("skipped: %s (needs root and setpriv)\n", row.what);
            continue;
        }
        fs::remove_all(save);
        const pid_t runsOn = row.before();
        pid_t second = 0;
        if (row.secondStartsFirst) {
            second = Start(game_, "second.out", row.second);
            ASSERT_TRUE(Eventually([&] { return fs::exists(mkdirHeld); }, seconds(30))) << ReadText(temp_.path() / "second.out");
        }
        // The other user's row: the first copy's files are its own alone.
        const mode_t umaskBefore = row.needsRoot ? umask(077) : 0;
        const pid_t first = Start(game_, "first.out", row.first);
        if (row.needsRoot) umask(umaskBefore);
        ASSERT_TRUE(Booted(save)) << ReadText(temp_.path() / "first.out");
        row.during();
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
        EXPECT_EQ(Quit(first), 0);
        if (runsOn) {
            kill(-runsOn, SIGKILL);
            Finish(runsOn);
        }
    }
}

// A copy that jumps to a label of the story, reads on (clicks times) and
// quick-saves, then says "DONE" and waits. On the stepped clock each copy
// reads the same lines however busy the machine is.
std::string ReadAndQuickSave(const std::string& label, int clicks = 3) {
    std::string script = "wait SeqTitle\nlabel " + label + "\nwait SeqAvgMain\n+60 click 512 400\n";
    for (int k = 1; k < clicks; ++k) script += "+30 click 512 400\n";
    return script + "+20 move 856 578\n+2 click 856 578\n+20 note DONE\n";
}

// The messages a save folder's permanent data has read.
std::map<GxString, GxFlagWords> ReadFlags(const fs::path& save) {
    GxUserDataPerman perman(nullptr);
    perman.Load(GxFromUtf8((save / "permanent.dat").string()));
    return perman.m_ReadedMessageFlags;
}

// Where no lock of either kind can be had (a file system without locks) every
// copy runs, says so, and loses nothing another wrote, however many run and
// however their writes meet. Each copy jumps to a label of its own, reads on
// and quick-saves, every one held inside its quick save until all are and
// again just after its first try to put it at its name, which all find free
// (so that a copy that takes the name from under another is caught); then
// they quit together, every one held inside its permanent data's write until
// all are (a desktop session's end), or all but the last quit and are held
// there while the last starts (its start must leave their temporary files
// alone, as one a writer on another machine is writing). Afterwards the
// permanent data holds every line any copy read, and the quick save of every
// copy that ran with the others stands, the last as "gamedata_quick.gd", the
// others kept beside it.
TEST_F(QuillonProcess, WithoutAnyLockNoCopyLosesWhatAnotherWrote) {
    // Without the opening movie, which would play at the pace of the clock.
    const fs::path game = temp_.path() / "shared", save = game / "QuillonSample_SAVE";
    std::string error;
    ASSERT_TRUE(qtest::CopySampleGame(game, false, &error)) << error;
    const char* labels[] = {"SEA", "HILL", "TOWN", "MAIN", "JOIN"};
    // The second five copies read a line more (MAIN's a line less: its
    // fourth is the choice), so that no two copies' quick saves are one
    // file, which would be kept once.
    const auto scriptFor = [&](const fs::path& dir, int k) {
        fs::create_directories(dir);
        const int clicks = k < 5 ? 3 : std::string(labels[k % 5]) == "MAIN" ? 2 : 4;
        qtest::WriteText(dir / "script.txt", ReadAndQuickSave(labels[k % 5], clicks));
        return dir / "script.txt";
    };
    const auto done = [&](const fs::path& out) {
        return Eventually([&] { return ReadText(out).find("DONE ") != std::string::npos; }, seconds(60));
    };
    // What each label's copy reads when it runs alone.
    std::map<GxString, GxFlagWords> alone[5];
    {
        std::vector<pid_t> pids;
        for (int k = 0; k < 5; ++k) {
            const fs::path dir = temp_.path() / ("alone" + std::to_string(k));
            ASSERT_TRUE(qtest::CopySampleGame(dir / "game", false, &error)) << error;
            fs::create_directories(dir / "run");
            EnvChanges env = proctest::HeadlessEnv(dir / "run", dir / "home");
            env["QUILLON_PLAYTHROUGH"] = scriptFor(dir, k).string();
            pids.push_back(Start(dir / "game", "alone" + std::to_string(k) + ".out", env));
        }
        for (int k = 0; k < 5; ++k) {
            ASSERT_TRUE(done(temp_.path() / ("alone" + std::to_string(k) + ".out")));
            ASSERT_EQ(Quit(pids[k]), 0);
            alone[k] = ReadFlags(temp_.path() / ("alone" + std::to_string(k)) / "game" / "QuillonSample_SAVE");
            ASSERT_FALSE(alone[k].empty());
        }
    }
    struct Row {
        const char* what;
        int copies;
        bool lastStartsWhileTheOthersWrite;
        bool noExchange = false;  // a file system that cannot exchange two names (NFS)
    } rows[] = {
        {"two copies quitting together", 2, false},
        {"a copy started while two others write", 3, true},
        {"ten copies quitting together", 10, false},
        {"ten copies quitting together where names cannot be exchanged", 10, false, true},
    };
    int run = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        fs::remove_all(save);
        const fs::path rowDir = temp_.path() / ("row" + std::to_string(run));
        const fs::path arrived = rowDir / "arrived", quick = rowDir / "quick", exchanged = rowDir / "exchanged",
                       quickBytes = rowDir / "quick-bytes", kept = rowDir / "kept", release = rowDir / "release";
        const int held = row.lastStartsWhileTheOthersWrite ? row.copies - 1 : row.copies;
        std::vector<pid_t> pids;
        std::vector<fs::path> outs;
        const auto start = [&](int k, bool holdsInItsWrite) {
            const fs::path dir = temp_.path() / ("copy" + std::to_string(run) + "_" + std::to_string(k));
            EnvChanges env = WithShim(Headless(), "QUILLON_SHIM_FLOCK", "all");
            env["QUILLON_PLAYTHROUGH"] = scriptFor(dir, k).string();
            if (holdsInItsWrite) {
                // Each is held inside its quick save until all are, so that
                // every copy has started (and seen no quick save) first; all
                // that replace another's quick save keep it at one moment.
                HoldAt(env, "QUILLON_SHIM_FSYNC2", "gamedata_quick.gd.", quick, held);
                // Then each goes on from its try to exchange its quick save
                // with the one standing only once all have tried: all find
                // none there and make the first quick save at one moment.
                HoldAt(env, "QUILLON_SHIM_EXCHANGE", "gamedata_quick.gd", exchanged, held);
                fs::create_directories(quickBytes);
                env["QUILLON_SHIM_FSYNC2_COPY"] = quickBytes.string();
                // Where names cannot be exchanged a copy takes whatever stands
                // before it puts its own, so one may take two files and
                // another none: how many keep is not known, only that two
                // meet at one moment.
                HoldAt(env, "QUILLON_SHIM_KEEP", ".changed", kept, row.noExchange ? 2 : held - 1);
                HoldAt(env, "QUILLON_SHIM_FSYNC", "permanent.dat.", arrived, held);
                if (row.lastStartsWhileTheOthersWrite) env["QUILLON_SHIM_FSYNC_UNTIL"] = release.string();
            }
            if (row.noExchange) {
                env["QUILLON_SHIM_EXCHANGE"] = "none";
                // Each a while between keeping the old file and its rename.
                env["QUILLON_SHIM_LINK_DELAY"] = "30";
            }
            outs.push_back(temp_.path() / (dir.filename().string() + ".out"));
            pids.push_back(Start(game, outs.back().filename().string(), env));
        };
        for (int k = 0; k < held; ++k) start(k, true);
        for (int k = 0; k < held; ++k) ASSERT_TRUE(done(outs[k])) << ReadText(outs[k]);
        for (int k = 0; k < held; ++k) ASSERT_EQ(kill(pids[k], SIGTERM), 0);
        std::string leftover;
        if (row.lastStartsWhileTheOthersWrite) {
            ASSERT_TRUE(Eventually([&] { return std::distance(fs::directory_iterator(arrived), {}) == held; }, seconds(30)));
            // A write of a copy on another machine, whose process this one
            // cannot see.
            leftover = "permanent.dat." + std::to_string(qtest::EndedProcessId()) + ".tmp";
            qtest::WriteText(save / leftover, "being written elsewhere");
            start(held, false);
            ASSERT_TRUE(done(outs.back())) << ReadText(outs.back());
            EXPECT_TRUE(fs::exists(save / leftover));
            qtest::WriteText(release, "");
        }
        for (int k = 0; k < held; ++k) EXPECT_EQ(Finish(pids[k]), 0) << ReadText(outs[k]);
        if (row.lastStartsWhileTheOthersWrite) {
            EXPECT_EQ(Quit(pids.back()), 0);
        }
        const std::map<GxString, GxFlagWords> merged = ReadFlags(save);
        for (int k = 0; k < row.copies; ++k)
            for (const auto& [key, words] : alone[k % 5])
                for (size_t w = 0; w < words.size(); ++w)
                    EXPECT_EQ(merged.count(key) && w < merged.at(key).size() ? merged.at(key)[w] & words[w] : 0u,
                              words[w])
                        << "copy " << k << " (" << labels[k % 5] << ") read " << GxToUtf8(key) << " word " << w;
        std::set<std::vector<unsigned char>> quickSaves;
        for (const auto& entry : fs::directory_iterator(save)) {
            const std::string name = entry.path().filename().string();
            EXPECT_FALSE(name.ends_with(".writing")) << name;
            if (name == "gamedata_quick.gd" || (name.starts_with("gamedata_quick.gd.") && name.ends_with(".changed"))) {
                EXPECT_TRUE(quickSaves.insert(qtest::ReadBytes(entry.path())).second) << name << " is kept twice";
            }
            EXPECT_TRUE(!name.ends_with(".tmp") || name == leftover) << name;
        }
        // Every copy's quick save stands or is kept beside it (a copy
        // started after the others saved replaces the quick save it found,
        // as any later start does).
        int copied = 0;
        for (const auto& entry : fs::directory_iterator(quickBytes)) {
            EXPECT_TRUE(row.lastStartsWhileTheOthersWrite || quickSaves.count(qtest::ReadBytes(entry.path())))
                << "the quick save of process " << entry.path().filename();
            ++copied;
        }
        EXPECT_EQ(copied, held);
        EXPECT_EQ(quickSaves.size(), size_t(held));
        const std::string log = ReadUtf16File(save / "error.log");
        // The folder named as the README names it, though the engine hands
        // it over with a closing '/'.
        const std::string noLocks = std::string(": ") + strerror(ENOLCK);
        EXPECT_NE(log.find("Error/GxCore Save Folder Lock Failed(" + (save / "instance.lock").string() + noLocks +
                           ")\r\n"),
                  std::string::npos)
            << log;
        EXPECT_EQ(log.find("ファイルの書き込みに失敗しました"), std::string::npos) << log;
        ++run;
    }
}

// An earlier release's writers took turns at a file where names cannot be
// exchanged (NFS) by a token beside it. No writer waits for one now: a token
// a killed copy left is removed by the next start that holds the save
// folder's lock, and one that stands while the game runs (another copy of
// an earlier release, or one left on another machine) holds no write, not
// even where the game runs on the playthrough's stepped clock, which never
// moves while a writer would wait.
TEST_F(QuillonProcess, ATokenOfAnEarlierReleasesTurnsHoldsNoWrite) {
    const fs::path save = game_ / "QuillonSample_SAVE";
    const fs::path token = save / "permanent.dat.writing";
    fs::create_directories(save);
    qtest::WriteText(token, "");
    const fs::path script = temp_.path() / "still.txt";
    qtest::WriteText(script, "wait SeqTitle\n");
    for (const bool stepped : {false, true}) {
        SCOPED_TRACE(stepped ? "the playthrough's clock" : "the real clock");
        EnvChanges env = WithShim(Headless(), "QUILLON_SHIM_EXCHANGE", "none");
        if (stepped) env["QUILLON_PLAYTHROUGH"] = script.string();
        fs::remove(save / "device.log");
        const pid_t pid = Start(game_, "run.out", env);
        ASSERT_TRUE(Booted(save)) << ReadText(temp_.path() / "run.out");
        EXPECT_FALSE(fs::exists(token)) << "a start left the token";
        qtest::WriteText(token, "");
        fs::remove(save / "permanent.dat");
        ASSERT_EQ(kill(pid, SIGTERM), 0);
        EXPECT_TRUE(Eventually([&] { return qtest::ProcessGone(pid); }, seconds(5))) << "the quit waited";
        EXPECT_EQ(Finish(pid), 0);
        EXPECT_TRUE(fs::exists(save / "permanent.dat"));
        EXPECT_TRUE(fs::exists(token));
    }
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
    EXPECT_EQ(Quit(pid), 0);
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

// A title lock that cannot be made, or that another user planted where the
// lock once was and holds, costs the player nothing: the game starts, and
// its save folder's lock guards its data.
TEST_F(QuillonProcess, ALockThatCannotBeMadeOrIsPlantedCostsOnlyTheGuard) {
    const fs::path save = game_ / "QuillonSample_SAVE";
    // A runtime folder nobody can create files in, not even root.
    EnvChanges cannot = Headless();
    cannot["XDG_RUNTIME_DIR"] = "/proc/self";
    const pid_t pid = Start(game_, "run.out", cannot);
    ASSERT_TRUE(Booted(save)) << ReadText(temp_.path() / "run.out");
    const std::string log = ReadUtf16File(save / "error.log");
    EXPECT_NE(log.find("Error/GxCore Single Instance Lock Failed(/proc/self/Quillon Sample.lock: "), std::string::npos)
        << log;
    EXPECT_EQ(Quit(pid), 0);

    // Another user's file at the name the lock had in /tmp, held.
    const fs::path planted = "/tmp/Quillon Sample-" + std::to_string(getuid()) + ".lock";
    qtest::WriteText(planted, "");
    if (geteuid() == 0) chown(planted.c_str(), 65534, 65534);
    const int holder = open(planted.c_str(), O_RDONLY);
    ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);
    EnvChanges noRuntime = Headless();
    noRuntime["XDG_RUNTIME_DIR"] = std::nullopt;
    fs::remove(save / "device.log");
    const pid_t player = Start(game_, "player.out", noRuntime);
    EXPECT_TRUE(Booted(save)) << ReadText(temp_.path() / "player.out");
    EXPECT_TRUE(fs::exists(temp_.path() / "home" / ".cache" / "quillon" / "Quillon Sample.lock"));
    EXPECT_EQ(Quit(player), 0);
    close(holder);
    fs::remove(planted);
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
            qtest::DefaultEndingSignals();
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

namespace {

// Another user holding what it could open of the save folder and its lock
// file, opened at one moment and locked (exclusive, without waiting) at a
// later one, as `flock` on a descriptor kept from before would, until this
// ends.
class Squatter {
public:
    Squatter(const fs::path& save, uid_t uid, gid_t gid, const std::vector<gid_t>& groups) {
        if (pipe(to_) != 0 || pipe(from_) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            close(to_[1]);
            close(from_[0]);
            if (!qtest::BecomeUser(uid, gid, groups)) _exit(100);
            const fs::path lock = save / psys::instance_lock::kFolderLockName;
            int file = open(lock.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK);
            if (file < 0) file = open(lock.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK);
            const int folder = open(save.c_str(), O_RDONLY | O_DIRECTORY);
            char byte = char('0' + (file >= 0) + (folder >= 0));
            if (write(from_[1], &byte, 1) != 1 || read(to_[0], &byte, 1) != 1) _exit(0);
            byte = char('0' + (file >= 0 && flock(file, LOCK_EX | LOCK_NB) == 0) +
                        (folder >= 0 && flock(folder, LOCK_EX | LOCK_NB) == 0));
            if (write(from_[1], &byte, 1) == 1) (void)!read(to_[0], &byte, 1);
            _exit(0);
        }
        close(to_[0]);
        close(from_[1]);
        char byte = '0';
        opened_ = read(from_[0], &byte, 1) == 1 ? byte - '0' : 0;
    }
    // Locks what it opened; how many of the two it holds.
    int Lock() {
        char byte = 'l';
        if (write(to_[1], &byte, 1) != 1 || read(from_[0], &byte, 1) != 1) return 0;
        return byte - '0';
    }
    int Opened() const { return opened_; }
    ~Squatter() {
        close(to_[1]);
        close(from_[0]);
        if (pid_ > 0) qtest::WaitExit(pid_, seconds(10));
    }
    Squatter(const Squatter&) = delete;
    Squatter& operator=(const Squatter&) = delete;

private:
    int to_[2] = {-1, -1}, from_[2] = {-1, -1};
    pid_t pid_ = -1;
    int opened_ = 0;
};

} // namespace

// Whoever runs the game and however the save folder is shared, it stays the
// player's. The player (nobody), a member of the folder's group who may only
// read it, a user its access list lets write, and root, each run as
// themselves, over every layout a player may give the folder: made by the
// game, left 0755 by an older release, 0750 with an access list, shared as
// 2770 and narrowed to 2750 (the member keeping what it opened meanwhile),
// open to all with the sticky bit, the group's with the sticky bit, a start
// under sudo, and a first start under sudo. For each: who may open which of
// the game's files for writing, whose locks stop a start (only a writer's),
// what another user plants is never taken as the player's, and the player's
// next start keeps every unlock and the quick save, and leaves every file
// the player's.
TEST_F(QuillonProcess, TheSaveFolderStaysThePlayersWhoeverRunsTheGame) {
    if (geteuid() != 0 || access("/usr/bin/setpriv", X_OK) != 0 || access("/usr/bin/setfacl", X_OK) != 0)
        GTEST_SKIP() << "needs root, setpriv and setfacl to be the players";
    constexpr uid_t kPlayer = 65534, kReader = 65533, kListed = 65532;
    constexpr gid_t kGroup = 4242;
    const fs::path program = temp_.path() / "quillon", save = game_ / "QuillonSample_SAVE";
    // Without the opening movie, which would play at the pace of the clock.
    fs::remove_all(game_);
    std::string error;
    ASSERT_TRUE(qtest::CopySampleGame(game_, false, &error)) << error;
    fs::copy_file(BuildFolder() / "app" / "quillon", program);
    fs::permissions(temp_.path(), fs::perms(0711));
    const std::vector<const char*> kFiles = {"instance.lock", "permanent.dat", "userconf.dat", "gamedata_quick.gd",
                                             "error.log", "debug.log"};
    // Each user's own runtime folder and home.
    const auto envOf = [&](uid_t uid) {
        const fs::path run = temp_.path() / ("run" + std::to_string(uid)), home = temp_.path() / ("home" + std::to_string(uid));
        for (const fs::path& dir : {run, home}) {
            fs::create_directories(dir);
            EXPECT_EQ(chown(dir.c_str(), uid, uid), 0);
            fs::permissions(dir, fs::perms::owner_all);
        }
        return proctest::HeadlessEnv(run, home);
    };
    const fs::path script = temp_.path() / "quick.txt", title = temp_.path() / "title.txt";
    qtest::WriteText(script, ReadAndQuickSave("SEA") + "+1 quit\n");
    qtest::WriteText(title, "wait SeqTitle\n+5 quit\n");
    // The game started as the user (root: this process's own), playing what
    // (nothing: left running) and saying it into out.
    const auto startAs = [&](uid_t uid, const std::vector<gid_t>& groups, const fs::path& what, const std::string& out) {
        EnvChanges env = envOf(uid);
        if (!what.empty()) env["QUILLON_PLAYTHROUGH"] = what.string();
        std::string ids = "";
        for (const gid_t g : groups) ids += (ids.empty() ? "" : ",") + std::to_string(g);
        return uid == 0 ? Start(game_, out, env, program)
                        : Start(game_, out, env, "/usr/bin/setpriv",
                                {"--reuid=" + std::to_string(uid), "--regid=" + std::to_string(uid),
                                 groups.empty() ? "--clear-groups" : "--groups=" + ids, "--", program.string()});
    };
    // One run to its end; its exit code, with what it said.
    int runs = 0;
    const auto play = [&](uid_t uid, const std::vector<gid_t>& groups, const fs::path& what) {
        const std::string out = "users" + std::to_string(runs++) + ".out";
        const int code = Finish(startAs(uid, groups, what, out));
        return std::make_pair(code, ReadText(temp_.path() / out));
    };
    // Which of the game's files the user may open for writing.
    const auto writable = [&](uid_t uid, const std::vector<gid_t>& groups) {
        std::set<std::string> names;
        for (const char* name : kFiles)
            if (qtest::AsUser(uid, uid, groups, [&] {
                    const int fd = open((save / name).c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK);
                    return fd >= 0 ? 0 : 1;
                }) == 0)
                names.insert(name);
        return names;
    };
    // Another user's permanent data, with a read line of its own, planted
    // under a held name a copy of the player's could have left.
    const auto plant = [&](uid_t uid, const std::vector<gid_t>& groups) {
        GxUserDataPerman theirs(nullptr);
        theirs.SetReadedMessage(u"planted", 1);
        const fs::path made = temp_.path() / "planted.dat";
        ASSERT_TRUE(theirs.Save(GxFromUtf8(made.string()), true));
        fs::permissions(made, fs::perms(0644));
        const fs::path at = save / ("permanent.dat." + std::to_string(qtest::EndedProcessId()) + "-0123456789abcdef.held");
        EXPECT_EQ(qtest::AsUser(uid, uid, groups, [&] { return fs::copy_file(made, at) ? 0 : 1; }), 0);
    };
    using Names = std::set<std::string>;
    struct Row {
        const char* what;
        std::function<void()> before;  // the folder as it stands before the first run
        bool firstBySudo = false;      // the first run is root's
        std::vector<gid_t> playersGroups{};
        std::function<void()> after{};  // between the first run and the others'
        Names readerWrites{};           // what the member who may only read may open for writing
        bool readerSquats = false;      // the member opens the folder and its lock file before `after`
        bool listedWriter = false;      // the access list lets kListed write
        bool planted = false;           // the member plants a permanent data file
        bool sudoBetween = false;       // a start under sudo between the first run and the next
        uid_t playsBetween = 0;         // another user who counts there plays between the two, alone
    };
    // The folder of the mode and group; its access list letting kListed write, where listed.
    const auto folder = [&](mode_t mode, gid_t group, bool listed = false) {
        return [&, mode, group, listed] {
            fs::create_directories(save);
            ASSERT_EQ(chown(save.c_str(), kPlayer, group), 0);
            ASSERT_EQ(chmod(save.c_str(), mode), 0);
            if (listed) {
                ASSERT_EQ(std::system(("setfacl -m u:" + std::to_string(kListed) + ":rwx '" + save.string() + "'").c_str()), 0);
            }
        };
    };
    const Row rows[] = {
        {"made by the game", [] {}},
        {"0755, as an older release made it", folder(0755, kPlayer), false, {}, {}, {}, true},
        {"0750 of a group, its access list letting another user write", folder(0750, kGroup, true), false, {kGroup}, {},
         {}, true, true},
        {"2770 of a group, narrowed to 2750 while a member keeps what it opened", folder(02770, kGroup), false,
         {kGroup}, [&] { ASSERT_EQ(chmod(save.c_str(), 02750), 0); }, {}, true},
        // Once that user has played, the player's files and its own are
        // read and written by the player all the same.
        {"0700, its access list letting another user write, who plays alone once", folder(0700, kPlayer, true), false,
         {}, {}, {}, false, false, false, false, kListed},
        {"0777, one of the others playing alone once", folder(0777, kPlayer), false, {}, {},
         {"instance.lock", "permanent.dat", "userconf.dat", "gamedata_quick.gd", "debug.log"}, false, false, false,
         false, kListed},
        {"1777, open to all with the sticky bit", folder(01777, kPlayer), false, {}, {}, {}, false, false, true},
        {"1770 of a group, with the sticky bit", folder(01770, kGroup), false, {kGroup}, {}, {}, false, false, true},
        {"a start under sudo", [] {}, false, {}, {}, {}, false, false, false, true},
        {"a first start under sudo", [] {}, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        fs::remove_all(save);
        ASSERT_EQ(std::system(("chown -R " + std::to_string(kPlayer) + ":" + std::to_string(kPlayer) + " '" +
                               game_.string() + "'")
                                  .c_str()),
                  0);
        row.before();
        // The first progress, the player's or root's.
        const auto [first, firstSaid] = play(row.firstBySudo ? 0 : kPlayer, row.playersGroups, script);
        ASSERT_EQ(first, 0) << firstSaid;
        const std::map<GxString, GxFlagWords> unlocked = ReadFlags(save);
        ASSERT_FALSE(unlocked.empty());
        const std::vector<unsigned char> quick = qtest::ReadBytes(save / "gamedata_quick.gd");
        ASSERT_FALSE(quick.empty());
        std::unique_ptr<Squatter> squatter;
        if (row.readerSquats) squatter = std::make_unique<Squatter>(save, kReader, kReader, std::vector<gid_t>{kGroup});
        if (row.after) row.after();
        if (row.sudoBetween) {
            const auto [code, said] = play(0, {}, title);
            EXPECT_EQ(code, 0) << said;
        }
        if (row.planted) plant(kReader, {kGroup});
        if (row.playsBetween) {
            fs::remove(save / "device.log");
            const auto [code, said] = play(row.playsBetween, {}, title);
            EXPECT_EQ(code, 0) << said;
        }
        // Whatever the member could open, its locks stop no start of the player's.
        if (squatter) {
            EXPECT_GT(squatter->Opened(), 0);
            EXPECT_EQ(squatter->Lock(), squatter->Opened());
        }
        fs::remove(save / "device.log");
        const pid_t next = startAs(kPlayer, row.playersGroups, {}, "next.out");
        if (!Booted(save)) {
            // The next row still runs: each is a layout of its own.
            ADD_FAILURE() << "the player's next start: " << ReadText(temp_.path() / "next.out");
            kill(next, SIGKILL);
            Finish(next);
            continue;
        }
        if (row.listedWriter) {
            Names standing;
            for (const char* name : kFiles)
                if (fs::exists(save / name)) standing.insert(name);
            EXPECT_EQ(writable(kListed, {}), standing) << "the user the list lets write";
            // Its own copy sees the player's and is refused.
            const auto [code, said] = play(kListed, {}, title);
            EXPECT_EQ(code, 1) << said;
            EXPECT_NE(said.find("既に起動中です"), std::string::npos) << said;
        }
        EXPECT_EQ(Quit(next), 0) << ReadText(temp_.path() / "next.out");
        squatter.reset();
        // Every unlock kept, nothing another user planted taken in.
        const std::map<GxString, GxFlagWords> after = ReadFlags(save);
        for (const auto& [key, words] : unlocked)
            for (size_t w = 0; w < words.size(); ++w)
                EXPECT_TRUE(after.count(key) && w < after.at(key).size() && (after.at(key)[w] & words[w]) == words[w])
                    << GxToUtf8(key);
        EXPECT_FALSE(after.count(u"planted")) << "another user's file merged";
        EXPECT_EQ(qtest::ReadBytes(save / "gamedata_quick.gd"), quick);
        // What a start leaves: files written while the folder was shared
        // narrowed with it.
        EXPECT_EQ(writable(kReader, {kGroup}), row.readerWrites) << "the member who may only read";
        struct stat st {};
        ASSERT_EQ(stat(save.c_str(), &st), 0);
        EXPECT_EQ(st.st_uid, kPlayer) << "the save folder";
        for (const auto& entry : fs::directory_iterator(save)) {
            const std::string name = entry.path().filename().string();
            if (name.find(".held") != std::string::npos) continue;
            ASSERT_EQ(lstat(entry.path().c_str(), &st), 0);
            EXPECT_EQ(st.st_uid, kPlayer) << name;
            EXPECT_FALSE(name.ends_with(".damaged")) << name;
        }
    }
}
