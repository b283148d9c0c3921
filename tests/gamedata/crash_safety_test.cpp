// Every file the game data writes survives a writer that dies between
// writing and renaming, and a disk that fills up: the old file stays whole
// and loads, and the failed save says so.
#include "SaveGameFixture.h"

#include "gamedata/GxPersistFile.h"
#include "graphics/GxPNG.h"
#include "platform/system/clock.h"
#include "platform/system/file_system.h"
#include "platform/system/safe_file.h"
#include "support/LogCapture.h"
#include "support/Processes.h"

#include <csignal>
#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <utility>

namespace {

using gdtest::SaveGame;

// Runs f in a child process; its exit code, or 128 + the signal that ended it.
int InChild(const std::function<int()>& f) {
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) _exit(f());
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

void KillSelf(const std::string&) { raise(SIGKILL); }

// A thumbnail's picture in the sweep below: the copy's own colour.
std::vector<u32> Picture(int copy) { return std::vector<u32>(128 * 96, 0xFF000000u | u32(copy) * 0x00303030u); }

// Each writer of the game data, with a check that what a file holds loads.
struct Writer {
    const char* file;
    std::function<bool()> save;
    std::function<bool()> load;
};

class CrashSafety : public SaveGame {
protected:
    std::vector<Writer> Writers() {
        return {
            {"userconf.dat", [this] { return config_.Save(); }, [this] { return config_.Load(); }},
            {"permanent.dat", [this] { return perman_.Save(SavePath("permanent.dat"), true); },
             [this] { return perman_.Load(SavePath("permanent.dat")); }},
            {"gamedata001.gd", [this] { return game_.SaveGameData(SavePath("gamedata001.gd"), true); },
             [this] { return game_.LoadGameData(SavePath("gamedata001.gd"), true); }},
        };
    }
    // Changes what every file holds, so that a new file cannot pass for the
    // old one.
    void Grow() {
        ++rounds_;
        config_.m_TextWaitTime += 1;
        for (int i = 0; i < 400; ++i) perman_.SetReadedMessage(u"grown" + Number(i), i * 7 + rounds_);
        for (int i = 0; i < 20; ++i) game_.AddMessageLog(u"grown", u"round " + Number(rounds_), false, false);
    }
    int rounds_ = 0;

    // After two copies wrote file (copy numbered cut, ended somewhere, as
    // "x"; the other, whole, as "y": what each committed lies in side) and a
    // start cleared what they left, logging lines: what either committed
    // stands or is kept (the permanent data may be merged instead), every
    // kept file is named in the log, nothing is kept twice, a slot's every
    // save has its own thumbnail beside it, and nothing of the writes is left.
    void CheckNothingLost(const std::string& file, const std::string& lines, const std::filesystem::path& side,
                          int cut, int whole) {
        namespace fs = std::filesystem;
        EXPECT_EQ(qtest::WriterLeftovers(dir_.path()), std::vector<std::string>());
        // Each file of the kind that stands, by name.
        std::map<std::string, std::vector<unsigned char>> standing;
        const auto ofKind = [](const std::string& name, const std::string& final) {
            return name == final || (name.starts_with(final + ".") && name.ends_with(".changed"));
        };
        const std::string thumb = "thumb005.png";
        for (const auto& entry : fs::directory_iterator(dir_.path())) {
            const std::string name = entry.path().filename().string();
            EXPECT_FALSE(name.ends_with(".damaged")) << name;
            if (name.ends_with(".changed")) {
                EXPECT_NE(lines.find(entry.path().string() + "として残しました"), std::string::npos) << name << "\n" << lines;
            }
            if (!entry.is_regular_file()) continue;
            standing[name] = qtest::ReadBytes(entry.path());
            // The folder is the player's alone: so is every file in it.
            EXPECT_EQ(fs::status(entry.path()).permissions() & fs::perms::all,
                      fs::perms::owner_read | fs::perms::owner_write)
                << name;
        }
        for (const auto& [copy, number] : {std::pair{"x", cut}, std::pair{"y", whole}}) {
            if (!fs::exists(side / copy)) continue;
            for (const auto& entry : fs::directory_iterator(side / copy)) {
                const std::string name = entry.path().filename().string();
                if (!name.ends_with(".committed")) continue;
                const std::string final = name.substr(0, name.size() - 10);
                const auto bytes = qtest::ReadBytes(entry.path());
                bool found = false;
                for (const auto& [n, b] : standing) found = found || (ofKind(n, final) && b == bytes);
                if (!found && final == "permanent.dat") {
                    GxUserDataPerman merged(&core_);
                    found = merged.Load(SavePath("permanent.dat")) && merged.IsReadedMessage(u"copy" + Number(number), number);
                }
                EXPECT_TRUE(found) << "copy " << copy << "'s " << final << " is lost\n" << lines;
            }
        }
        // Nothing kept twice.
        for (const auto& [a, ab] : standing)
            for (const auto& [b, bb] : standing)
                if (a < b && ab == bb) ADD_FAILURE() << a << " and " << b << " hold the same bytes";
        if (file != "gamedata005.gd") return;
        // Each save's thumbnail is the picture of the copy that saved it.
        for (const auto& [name, bytes] : standing) {
            if (!ofKind(name, file)) continue;
            GxGameDataHeader header;
            ASSERT_TRUE(game_.ReadGameDataHeader(SavePath(name), &header)) << name;
            const std::string beside = thumb + name.substr(file.size());
            ASSERT_TRUE(standing.count(beside)) << name << " has no thumbnail " << beside << "\n" << lines;
            u32 w = 0, h = 0;
            u8* p = GxDecodePNG(standing[beside].data(), u32(standing[beside].size()), &w, &h);
            ASSERT_NE(p, nullptr) << beside;
            u32 first = 0;
            std::memcpy(&first, p, 4);
            GxFreeDecodedPNG(p);
            const int copy = std::stoi(GxToUtf8(header.m_GameDataTitle).substr(5));
            EXPECT_EQ(first, Picture(copy)[0]) << beside << " beside " << name << " (copy " << copy << ")\n" << lines;
        }
        for (const auto& [name, bytes] : standing)
            if (ofKind(name, thumb)) {
                EXPECT_TRUE(standing.count(file + name.substr(thumb.size()))) << name << " beside no save";
            }
    }
};

TEST_F(CrashSafety, AWriterKilledBeforeTheRenameLeavesTheOldFile) {
    Play();
    for (const Writer& w : Writers()) {
        SCOPED_TRACE(w.file);
        ASSERT_TRUE(w.save());
        const auto old = Bytes(w.file);
        const int end = InChild([&] {
            Grow();
            psys::set_safe_file_hook(KillSelf);
            w.save();
            return 0;
        });
        EXPECT_EQ(end, 128 + SIGKILL);
        EXPECT_EQ(Bytes(w.file), old);
        // The new bytes were whole on the disk, under a name of the dead
        // writer's own; only the rename was missing.
        const auto left = psys::find_safe_file_leftovers(dir_.str(), {w.file});
        ASSERT_EQ(left.temporary.size(), 1u);
        EXPECT_TRUE(left.held.empty() && left.second_names.empty());
        const std::string leftover_path = left.temporary[0].first;
        const auto leftover = qtest::ReadBytes(leftover_path);
        EXPECT_GE(leftover.size(), old.size());
        EXPECT_NE(leftover, old);
        EXPECT_TRUE(w.load());
        // The next save leaves nothing of its own behind.
        Grow();
        ASSERT_TRUE(w.save());
        EXPECT_NE(Bytes(w.file), old);
        EXPECT_EQ(qtest::WriterLeftovers(dir_.path()),
                  std::vector<std::string>{std::filesystem::path(leftover_path).filename().string()});
        EXPECT_TRUE(w.load());
        std::filesystem::remove(leftover_path);
    }
}

// A file that would not load is kept aside, under its name and ".damaged",
// by the first save over it: after the new bytes are on the disk, so that a
// writer killed in between leaves the old file where it was. The load's
// line names the file. A later damage is kept beside the copies kept before,
// under a number of its own, linked or moved, never over them.
TEST_F(CrashSafety, AFileThatWouldNotLoadIsKeptAsideByTheSaveOverIt) {
    Play();
    for (const Writer& w : Writers()) {
        ASSERT_TRUE(w.save());
        const auto whole = Bytes(w.file);
        auto header = whole;
        header[1] = 'X';
        struct Damage {
            const char* what;
            std::vector<unsigned char> bytes;  // none: a folder stands there
        } damages[] = {
            {"one byte of the header", header},
            {"a folder in its place", {}},
            {"cut short", std::vector<unsigned char>(whole.begin(), whole.begin() + whole.size() / 2)},
        };
        std::vector<std::filesystem::path> kept;
        for (const Damage& d : damages) {
            SCOPED_TRACE(std::string(w.file) + ": " + d.what);
            const std::filesystem::path file = dir_.path() / w.file;
            const std::string number = kept.empty() ? "" : "." + std::to_string(kept.size() + 1);
            const std::filesystem::path aside = dir_.path() / (std::string(w.file) + number + ".damaged");
            std::filesystem::remove_all(file);
            if (d.bytes.empty()) {
                std::filesystem::create_directory(file);
            } else {
                qtest::WriteBytes(file, d.bytes);
            }
            qtest::LogCapture log;
            EXPECT_FALSE(w.load());
            EXPECT_TRUE(log.Contains(file.string())) << log.Text();
            const int end = InChild([&] {
                psys::set_safe_file_hook(KillSelf);
                w.save();
                return 0;
            });
            EXPECT_EQ(end, 128 + SIGKILL);
            // A folder cannot be linked: it is moved aside instead.
            if (d.bytes.empty()) {
                EXPECT_TRUE(std::filesystem::is_directory(file) || std::filesystem::is_directory(aside));
            } else {
                EXPECT_EQ(Bytes(w.file), d.bytes) << "the old file is where it was";
            }
            Grow();
            ASSERT_TRUE(w.save()) << log.Text();
            if (d.bytes.empty()) {
                EXPECT_TRUE(std::filesystem::is_directory(aside));
            } else {
                EXPECT_EQ(Bytes(aside.filename().string()), d.bytes);
                EXPECT_TRUE(log.Contains(aside.string() + "として残しました")) << log.Text();
            }
            EXPECT_TRUE(w.load());
            // Only the first save after the failed load keeps a copy.
            kept.push_back(aside);
            ASSERT_TRUE(w.save());
            size_t copies = 0;
            for (const auto& entry : std::filesystem::directory_iterator(dir_.path()))
                copies += entry.path().string().starts_with(file.string() + ".") &&
                          entry.path().extension() == ".damaged";
            EXPECT_EQ(copies, kept.size());
        }
        EXPECT_EQ(Bytes(kept[0].filename().string()), header) << "the first copy kept stays";
    }
}

// Two copies of the game that no lock keeps apart: nothing one of them wrote
// is replaced by the other unkept, however it saw the file before (read it,
// saw a slot empty on the page, saw the quick save only at the start) and
// whenever the other wrote it, even in the moment of its own write. The
// other's file is kept as ".changed" (a slot's thumbnail beside it under
// the same number), after any number kept before and past anything else
// standing at those names; the next save replaces only what this copy wrote.
TEST_F(CrashSafety, WhatAnotherCopyWroteIsNeverReplacedUnkept) {
    Play();
    std::vector<u32> pixels(128 * 96, 0xFF204060);
    const GxString saveDir = core_.GetSaveDir();
    const GxString slot = GxSaveSlot::GameDataPath(saveDir, 5), quick = GxSaveSlot::QuickSavePath(saveDir, *core_.m_Config);
    static std::function<void()> inTheMoment;
    psys::set_safe_file_hook([](const std::string&) {
        if (auto f = std::exchange(inTheMoment, nullptr)) f();
    });
    // The other copy, started after this one first saw the file.
    std::unique_ptr<GxUserConfig> otherConfigHolder;
    std::unique_ptr<GxUserData> otherGameHolder;
    const auto otherConfig = [&]() -> GxUserConfig& { return *otherConfigHolder; };
    const auto otherGame = [&]() -> GxUserData& { return *otherGameHolder; };
    const auto saveSlot = [&](GxUserData& data) {
        return GxSaveSlot::Save(data, saveDir, 5, reinterpret_cast<const u8*>(pixels.data()), 128, 96);
    };
    struct Row {
        const char* what;
        const char* file;
        std::function<void()> see;  // how this copy saw the file before
        std::function<bool()> other, mine;
        int keptBefore = 0;         // copies kept earlier
        bool folders = false;       // folders standing at those names instead
        bool meanwhile = false;     // the other writes in the moment of this copy's write
        bool same = false;          // the other writes the very bytes this copy then writes
    } rows[] = {
        {"the settings, read", "userconf.dat", [&] { config_.Load(); }, [&] { return otherConfig().Save(); },
         [&] { return config_.Save(); }},
        {"a slot the page showed empty", "gamedata005.gd",
         [&] {
             GxGameDataHeader header;
             game_.ReadGameDataHeader(slot, &header);
         },
         [&] { return saveSlot(otherGame()); }, [&] { return saveSlot(game_); }},
        {"the quick save, seen at the start", "gamedata_quick.gd", [&] { game_.SeeFiles({quick}); },
         [&] { return otherGame().SaveGameData(quick, true); }, [&] { return game_.SaveGameData(quick, true); }},
        {"a slot written in the moment of the save", "gamedata005.gd",
         [&] { ASSERT_TRUE(saveSlot(game_)); }, [&] { return saveSlot(otherGame()); }, [&] { return saveSlot(game_); },
         0, false, true},
        {"the settings, eight kept before", "userconf.dat", [&] { config_.Load(); },
         [&] { return otherConfig().Save(); }, [&] { return config_.Save(); }, 8},
        {"the settings, folders at eight kept names", "userconf.dat", [&] { config_.Load(); },
         [&] { return otherConfig().Save(); }, [&] { return config_.Save(); }, 8, true},
        {"the settings, every kept name taken", "userconf.dat", [&] { config_.Load(); },
         [&] { return otherConfig().Save(); }, [&] { return config_.Save(); }, int(GxPersistFile::kMaxChangedFiles)},
        {"the settings, the same bytes written", "userconf.dat", [&] { config_.Load(); },
         [&] {
             GxUserConfig twin = config_;
             twin.m_TextWaitTime += 1;
             return twin.Save();
         },
         [&] { return config_.Save(); }, 0, false, false, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) std::filesystem::remove_all(entry);
        const std::string file = row.file;
        const bool isSlot = file == "gamedata005.gd";
        for (int n = 1; n <= row.keptBefore; ++n) {
            const std::string name = GxToUtf8(GxPersistFile::KeptFilePath(SavePath(file), u32(n), u"changed"));
            if (row.folders) std::filesystem::create_directory(name);
            else qtest::WriteText(name, "kept before");
        }
        row.see();
        otherConfigHolder = std::make_unique<GxUserConfig>(&core_);
        otherGameHolder = std::make_unique<GxUserData>(&core_);
        otherGame().SeeFiles(GxSaveSlot::GameDataPaths(saveDir, *core_.m_Config));
        Grow();
        std::vector<unsigned char> others, otherThumb;
        const auto otherWrites = [&] {
            // The other copy's picture is its own.
            pixels[0] ^= 0xFF;
            ASSERT_TRUE(row.other());
            pixels[0] ^= 0xFF;
            others = Bytes(file);
            if (isSlot) otherThumb = Bytes("thumb005.png");
        };
        if (row.meanwhile) inTheMoment = otherWrites;
        else otherWrites();
        Grow();
        for (u32& p : pixels) p ^= 0x00FFFFFF;
        qtest::LogCapture log;
        ASSERT_TRUE(row.mine()) << log.Text();
        EXPECT_FALSE(inTheMoment);
        const std::string kept = GxToUtf8(GxPersistFile::KeptFilePath(SavePath(file), u32(row.keptBefore + 1), u"changed"));
        if (row.same) {
            // Nothing is lost, and nothing is kept twice.
            EXPECT_EQ(Bytes(file), others);
            EXPECT_FALSE(std::filesystem::exists(kept));
            EXPECT_FALSE(log.Contains("として残しました")) << log.Text();
            continue;
        }
        if (row.keptBefore == int(GxPersistFile::kMaxChangedFiles)) {
            // The other's file stays held, said, and a later start (once
            // this copy has ended) finds no name either and leaves it there.
            const std::vector<std::string> held = qtest::WriterLeftovers(dir_.path());
            ASSERT_EQ(held.size(), 1u);
            EXPECT_EQ(Bytes(held[0]), others);
            EXPECT_TRUE(log.Contains("のまま残しました(no name free)")) << log.Text();
            const std::string ended = file + "." + std::to_string(qtest::EndedProcessId()) + held[0].substr(held[0].find('-'));
            std::filesystem::rename(dir_.path() / held[0], dir_.path() / ended);
            qtest::LogCapture start;
            GxSaveSlot::RecoverLeftovers(saveDir, *core_.m_Config);
            EXPECT_EQ(Bytes(ended), others);
            EXPECT_TRUE(start.Contains("のまま残しました")) << start.Text();
            continue;
        }
        EXPECT_EQ(qtest::ReadBytes(kept), others) << log.Text();
        EXPECT_TRUE(log.Contains(kept + "として残しました")) << log.Text();
        EXPECT_NE(Bytes(file), others);
        if (isSlot) {
            EXPECT_EQ(Bytes("thumb005.png.changed"), otherThumb);
            EXPECT_NE(Bytes("thumb005.png"), otherThumb);
        }
        ASSERT_TRUE(row.mine());
        EXPECT_FALSE(std::filesystem::exists(
            GxToUtf8(GxPersistFile::KeptFilePath(SavePath(file), u32(row.keptBefore + 2), u"changed"))));
    }
    psys::set_safe_file_hook(nullptr);
}

// ---- every instant of two copies' writes ----------------------------------

// What a copy of the sweep does at each step of its writes: notes it, one a
// line ("<n> <step> <path>"); before step pauseAt it says so and waits to
// be told to go on; before step killAt it dies. Where names cannot be
// exchanged (NFS) every exchange fails as it does there. The bytes of each
// file it synced, and of each it committed, are copied beside the notes.
struct CopyPlan {
    int pauseAt = 0, killAt = 0;  // 0: never
    int said = -1, go = -1, notes = -1;
    int steps = 0;
    bool cannotExchange = false;
    std::string side;  // the folder for the notes' bytes
};
CopyPlan g_Copy;

// A temporary or held name's file: "<final>.<pid>-<random>.tmp".
std::string FinalOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const std::string name = path.substr(slash + 1);
    return name.substr(0, name.rfind('.', name.rfind('.') - 1));
}

int OnCopyStep(const char* step, const std::string& path) {
    CopyPlan& c = g_Copy;
    const std::string side = c.side + "/";
    if (std::strcmp(step, "committed") == 0) {
        const std::string name = path.substr(path.find_last_of('/') + 1);
        std::rename((side + name + ".synced").c_str(), (side + name + ".committed").c_str());
        return 0;
    }
    const std::string line = std::to_string(++c.steps) + " " + step + " " + path + "\n";
    (void)!write(c.notes, line.data(), line.size());
    if (c.steps == c.pauseAt) {
        char byte = 'p';
        (void)!write(c.said, &byte, 1);
        (void)!read(c.go, &byte, 1);
    }
    if (c.steps == c.killAt) raise(SIGKILL);
    if (std::strcmp(step, "sync") == 0) std::filesystem::copy_file(path, side + FinalOf(path) + ".synced",
                                                                     std::filesystem::copy_options::overwrite_existing);
    return c.cannotExchange && std::strcmp(step, "exchange") == 0 ? EINVAL : 0;
}

// The lines a copy logs, into a file as they come: a killed copy's too.
class LinesToFile final : public GxDebugListenerBase {
public:
    explicit LinesToFile(const std::string& path) : fd_(open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600)) {}
    void Output(const GxChar* line, int) override {
        const std::string text = GxToUtf8(line);
        (void)!write(fd_, text.data(), text.size());
    }

private:
    int fd_;
};

// A fork costs tens of milliseconds under the sanitizers: there the sweep
// ends copy 1 only, and only where its steps change a name, with the other's
// write put before each of those; the optimised build ends each copy at
// every step.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kEveryStep = false;
#else
constexpr bool kEveryStep = true;
#endif

// Two copies of the game that no lock keeps apart write one file, each
// having seen it as it stood before (a file a copy wrote earlier, or none).
// For each kind of file written whole, copy X is held before its step j
// while copy Y writes the file whole, then goes on and is ended before its
// step i, for every j and every i from j on, or ends on its own; so is Y
// with X's write in the middle of its own; also where names cannot be
// exchanged (there Y writes only between X's turns at the file). Then a start
// that holds the lock clears what they left. Every file either copy put at
// the name stands there, is kept beside it (a slot's save with the thumbnail
// made with it) or, for the permanent data, is merged into what stands;
// error.log names what was kept; nothing of the writes is left.
TEST_F(CrashSafety, NothingACopyFinishedIsLostWhereverAnotherIsEnded) {
    Play();
    namespace fs = std::filesystem;
    const GxString saveDir = core_.GetSaveDir();
    const GxString quick = GxSaveSlot::QuickSavePath(saveDir, *core_.m_Config);
    const GxString slot = GxSaveSlot::GameDataPath(saveDir, 5);
    qtest::TempDir sideDir;
    std::vector<u32> pixels;
    const auto saveSlot = [&] {
        return GxSaveSlot::Save(game_, saveDir, 5, reinterpret_cast<const u8*>(pixels.data()), 128, 96);
    };
    // Copy 0 wrote the file that stood before; copy 1 writes more than copy 2,
    // so that the two take other steps.
    const auto asCopy = [&](int copy) {
        config_.m_TextWaitTime = 10 + copy;
        perman_.SetReadedMessage(u"copy" + Number(copy), copy);
        for (int i = 0; copy == 1 && i < 300; ++i) perman_.SetReadedMessage(u"more" + Number(i), i);
        game_.SetGameDataTitle(u"copy " + Number(copy));
        for (int i = 0; copy == 1 && i < 100; ++i) game_.AddMessageLog(u"kana", u"more " + Number(i), false, false);
        pixels = Picture(copy);
    };
    struct Kind {
        const char* what;
        std::string file;
        std::function<bool()> save;
        std::function<void()> see;
    } kinds[] = {
        {"the settings", "userconf.dat", [&] { return config_.Save(); }, [&] { config_.Load(); }},
        {"the permanent data", "permanent.dat", [&] { return perman_.Save(SavePath("permanent.dat"), true); },
         [&] { perman_.Load(SavePath("permanent.dat")); }},
        {"the quick save", "gamedata_quick.gd", [&] { return game_.SaveGameData(quick, true); },
         [&] { game_.SeeFiles({quick}); }},
        {"a slot's save and thumbnail", "gamedata005.gd", saveSlot,
         [&] {
             GxGameDataHeader header;
             game_.ReadGameDataHeader(slot, &header);
         }},
    };
    // Runs one copy in a child under plan; the child's pid.
    const auto startCopy = [&](int copy, const Kind& kind, CopyPlan plan, const std::string& name) {
        std::fflush(nullptr);
        const pid_t pid = fork();
        if (pid == 0) {
            plan.side = (sideDir.path() / name).string();
            fs::create_directories(plan.side);
            plan.notes = open((plan.side + "/notes").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            g_Copy = plan;
            LinesToFile lines(plan.side + "/lines");
            GxSetDebugListener(&lines);
            asCopy(copy);
            psys::set_safe_file_step_hook(OnCopyStep);
            _exit(kind.save() ? 0 : 1);
        }
        return pid;
    };
    const auto ended = [](pid_t pid) {
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    };
    // A copy ended before it was told to go on closes its end first.
    struct IgnorePipe {
        void (*old)(int) = std::signal(SIGPIPE, SIG_IGN);
        ~IgnorePipe() { std::signal(SIGPIPE, old); }
    } ignorePipe;
    int cases = 0, steps = 0;
    for (const Kind& kind : kinds) {
        for (const bool before : {true, false}) {
            for (const bool cannotExchange : {false, true}) {
                for (const int cut : {1, 2}) {
                    if (!kEveryStep && cut == 2) continue;
                    const int whole = 3 - cut;
                    // One case: X held before step j and ended before step
                    // i (0: never); X's notes, and whether it was ended.
                    const auto run = [&](int j, int i, bool* killed) -> std::string {
                        const std::string trace = std::string(kind.what) + (before ? ", written before" : ", none before") +
                                                  (cannotExchange ? ", names not exchanged" : "") + ": copy " +
                                                  std::to_string(cut) + " held before step " + std::to_string(j) +
                                                  ", ended before step " + std::to_string(i);
                        SCOPED_TRACE(trace);
                        for (const auto& entry : fs::directory_iterator(dir_.path())) fs::remove_all(entry);
                        fs::remove_all(sideDir.path());
                        fs::create_directories(sideDir.path());
                        asCopy(0);
                        EXPECT_TRUE(!before || kind.save());
                        kind.see();
                        int said[2], go[2];
                        if (pipe(said) != 0 || pipe(go) != 0) ADD_FAILURE() << "no pipe";
                        CopyPlan x;
                        x.pauseAt = j;
                        x.killAt = i;
                        x.said = said[1];
                        x.go = go[0];
                        x.cannotExchange = cannotExchange;
                        const pid_t xPid = startCopy(cut, kind, x, "x");
                        close(said[1]);
                        close(go[0]);
                        char byte = 0;
                        const bool held = read(said[0], &byte, 1) == 1;
                        const auto tokens = [&] {
                            std::vector<fs::path> found;
                            for (const auto& entry : fs::directory_iterator(dir_.path()))
                                if (entry.path().extension() == ".writing") found.push_back(entry.path());
                            return found;
                        };
                        // Where names cannot be exchanged a write waits for
                        // the turn X holds: Y then writes after X.
                        const bool inTurn = held && !tokens().empty();
                        CopyPlan y;
                        y.cannotExchange = cannotExchange;
                        const auto yWrites = [&] { EXPECT_EQ(ended(startCopy(whole, kind, y, "y")), 0); };
                        if (held && !inTurn) yWrites();
                        (void)!write(go[1], &byte, 1);
                        close(go[1]);
                        close(said[0]);
                        *killed = ended(xPid) == 128 + SIGKILL;
                        // A turn's token X left is taken as stale by a copy
                        // that waits 10 s; this one comes later.
                        if (*killed)
                            for (const fs::path& token : tokens()) fs::remove(token);
                        if (!held || inTurn) yWrites();
                        // A start that holds the save folder's lock.
                        qtest::LogCapture start;
                        GxSaveSlot::RecoverLeftovers(saveDir, *core_.m_Config);
                        ++cases;
                        std::string lines = start.Text();
                        for (const char* copy : {"x", "y"}) lines += qtest::ReadText(sideDir.path() / copy / "lines");
                        CheckNothingLost(kind.file, lines, sideDir.path(), cut, whole);
                        const std::string notes = qtest::ReadText(sideDir.path() / "x" / "notes");
                        if (HasFailure())
                            std::printf("copy x:\n%s\ncopy y:\n%s\n", notes.c_str(),
                                        qtest::ReadText(sideDir.path() / "y" / "notes").c_str());
                        return notes;
                    };
                    // Y's write can only meet X's where X changes a name:
                    // it is put before each such step of X's, and after all.
                    bool killed = false;
                    std::vector<int> meets = {1};
                    std::istringstream alone(run(0, 0, &killed));
                    int n = 0;
                    for (std::string line; std::getline(alone, line);) {
                        const size_t space = line.find(' ');
                        const std::string step = line.substr(space + 1, line.rfind(' ') - space - 1);
                        n = std::stoi(line);
                        if (step == "link" || step == "exchange" || step == "rename" || step == "unlink" || step == "token")
                            meets.push_back(n);
                    }
                    meets.push_back(n + 1);
                    steps += n;
                    const std::set<int> ends(meets.begin(), meets.end());
                    for (const int j : meets) {
                        for (int i = j; !HasFailure(); ++i) {
                            if (!kEveryStep && i < n + 1 && !ends.count(i)) continue;
                            run(j, i, &killed);
                            if (!killed) break;
                        }
                        if (HasFailure()) return;
                    }
                }
            }
        }
    }
    std::printf("%d cases over %d steps of the copies' writes\n", cases, steps);
}

// ---- end of every instant ----------------------------------------------------

// ---- what another user plants in a shared save folder -----------------------

// What another user who may write into the save folder leaves at a name.
enum class Plant { Bytes, HardLink, Link, LinkToNothing, Fifo, Folder };
constexpr const char* kPlantNames[] = {"a file of its own", "a hard link", "a link",
                                       "a link to nothing", "a FIFO", "a folder with a file"};
// What the game does at the name: the file itself, a name it keeps another
// copy's file under, one it keeps a damaged file under, the turn's token
// (where names cannot be exchanged), the temporary names an older writer
// took ("<name>.<pid>.tmp", "<name>.<pid>-2.tmp" ... "-100"), a log.
enum class Use { Own, Kept, Damaged, Token, OldTemporaries, Log };

// The save folder is one of 1777, as a folder the players of one machine
// share is, and what stands at each name the game makes there was planted
// by another user (root; the player is nobody): a file of its own, a hard
// or symbolic link to a file elsewhere that the player may write, a link to
// nothing, a FIFO, a folder with a file in it. The player meets each name as
// the game comes to it: a file it reads and then writes, another copy's
// file it keeps, a damaged one it keeps, a turn it takes where names cannot
// be exchanged, a write after an older writer of the same pid, a log line.
// A later start then clears what was left. No write is made through a link
// or waits, nothing planted is changed, a name the player may not have
// costs no write but that of the file itself (which says so) and a turn (said
// once), what the game made has the folder's reach and nothing of its
// writes is left.
TEST_F(CrashSafety, NothingPlantedInASharedFolderIsWrittenThroughOrCostsAWrite) {
    namespace fs = std::filesystem;
    PlugModule();
    Play();
    const bool otherUser = geteuid() == 0;
    const uid_t player = otherUser ? 65534 : geteuid();
    if (!otherUser) std::printf("not root: the planter is the player itself, the other user's part is skipped\n");
    fs::permissions(dir_.path(), fs::perms(otherUser ? 01777 : 0777));
    qtest::TempDir outside;
    fs::permissions(outside.path(), fs::perms(0755));
    const fs::path victim = outside.path() / "victim", side = outside.path() / "side";
    fs::create_directory(side);
    fs::permissions(side, fs::perms::all);
    const GxString saveDir = core_.GetSaveDir();
    const std::string slot = "gamedata005.gd", thumb = "thumb005.png";
    const auto at = [&](const std::string& name) { return (dir_.path() / name).string(); };
    const auto keptAt = [&](const std::string& file, u32 n, const GxChar* why) {
        return GxToUtf8(GxPersistFile::KeptFilePath(SavePath(file), n, why));
    };

    // A copy of the game: the player's objects are the fixture's.
    struct Copy {
        GxUserConfig& config;
        GxUserDataPerman& perman;
        GxUserData& game;
    };
    const auto see = [&](Copy& c, const std::string& file) {
        GxGameDataHeader header;
        if (file == "userconf.dat") c.config.Load();
        else if (file == "permanent.dat") c.perman.Load(SavePath(file));
        else c.game.ReadGameDataHeader(SavePath(file == thumb ? slot : file), &header);
    };
    // Each copy's files say which copy wrote them (the player is copy 1).
    std::vector<u32> pixels;
    const auto save = [&](Copy& c, const std::string& file, int copy) {
        c.config.m_TextWaitTime = copy;
        module_.m_Value = copy;
        c.game.SetGameDataTitle(u"copy " + Number(copy));
        pixels = Picture(copy);
        if (file == "userconf.dat") return c.config.Save();
        if (file == "permanent.dat") return c.perman.Save(SavePath(file), true);
        if (file == slot || file == thumb)
            return GxSaveSlot::Save(c.game, saveDir, 5, reinterpret_cast<const u8*>(pixels.data()), 128, 96);
        return c.game.SaveGameData(SavePath(file), true);
    };
    // The copy that wrote the regular file at the path; -1 for none.
    const auto copyIn = [&](const std::string& file, const std::string& path) {
        if (!fs::is_regular_file(fs::symlink_status(path))) return -1;
        const GxString p = GxFromUtf8(path);
        if (file == "userconf.dat") {
            GxUserConfig c(&core_);
            return c.Load(p) ? c.m_TextWaitTime : -1;
        }
        if (file == "permanent.dat") {
            GxUserDataPerman perman(&core_);
            module_.m_Value = -1;
            return perman.Load(p) ? module_.m_Value : -1;
        }
        if (file == thumb) {
            const auto png = qtest::ReadBytes(path);
            u32 w = 0, h = 0, first = 0;
            u8* pixel = GxDecodePNG(png.data(), u32(png.size()), &w, &h);
            if (!pixel) return -1;
            std::memcpy(&first, pixel, 4);
            GxFreeDecodedPNG(pixel);
            for (int copy = 1; copy <= 3; ++copy)
                if (Picture(copy)[0] == first) return copy;
            return -1;
        }
        GxUserData reader(&core_);
        GxGameDataHeader header;
        return reader.ReadGameDataHeader(p, &header) ? std::stoi(GxToUtf8(header.m_GameDataTitle).substr(5)) : -1;
    };

    // What is planted, as it stood, by path; each held open, so that no file
    // the game makes takes the number of one that went.
    std::map<std::string, struct stat> planted;
    std::vector<int> held;
    const auto plant = [&](const std::string& path, Plant kind) {
        switch (kind) {
        case Plant::Bytes: qtest::WriteText(path, "planted"); break;
        case Plant::HardLink: fs::create_hard_link(victim, path); break;
        case Plant::Link: fs::create_symlink(victim, path); break;
        case Plant::LinkToNothing: fs::create_symlink(outside.path() / "nothing", path); break;
        case Plant::Fifo: mkfifo(path.c_str(), 0666); break;
        case Plant::Folder:
            fs::create_directory(path);
            qtest::WriteText(fs::path(path) / "inside", "planted");
            break;
        }
        // Only the victim and the FIFO the player may write.
        if (kind == Plant::Bytes || kind == Plant::Fifo || kind == Plant::Folder)
            chmod(path.c_str(), kind == Plant::Fifo ? 0666 : kind == Plant::Folder ? 0755 : 0644);
        lstat(path.c_str(), &planted[path]);
        held.push_back(open(path.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    };
    const auto untouched = [&](const std::string& path, const struct stat& was) {
        struct stat st {};
        if (lstat(path.c_str(), &st) != 0 || st.st_ino != was.st_ino || st.st_mode != was.st_mode ||
            st.st_uid != was.st_uid)
            return false;
        if (S_ISREG(st.st_mode)) return qtest::ReadText(path) == (st.st_nlink > 1 ? "victim" : "planted");
        if (S_ISDIR(st.st_mode))
            return qtest::ReadText(fs::path(path) / "inside") == "planted" &&
                   std::distance(fs::directory_iterator(path), fs::directory_iterator()) == 1;
        return true;
    };

    struct Row {
        std::string file, name;
        Use use;
        Plant plant;
    };
    std::vector<Row> rows;
    for (const Plant kind :
         {Plant::Bytes, Plant::HardLink, Plant::Link, Plant::LinkToNothing, Plant::Fifo, Plant::Folder}) {
        for (const std::string file :
             {"userconf.dat", "permanent.dat", "gamedata_quick.gd", "gamedata005.gd", "thumb005.png"})
            for (const auto& [ending, use] :
                 {std::pair{"", Use::Own}, {".changed", Use::Kept}, {".2.changed", Use::Kept},
                  {".damaged", Use::Damaged}, {".writing", Use::Token}, {".<pid>.tmp", Use::OldTemporaries}})
                rows.push_back({file, file + ending, use, kind});
        for (const std::string log : {"error.log", "debug.log"}) rows.push_back({log, log, Use::Log, kind});
    }
    const std::string mark = "a line of the player's";
    const std::string damaged = "a save cut short";
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name + ": " + kPlantNames[int(row.plant)]);
        for (const auto& entry : fs::directory_iterator(dir_.path())) fs::remove_all(entry);
        for (const auto& entry : fs::directory_iterator(side)) fs::remove(entry);
        fs::remove(victim);
        qtest::WriteText(victim, "victim");
        fs::permissions(victim, fs::perms(0666));
        planted.clear();
        for (const int fd : std::exchange(held, {})) close(fd);
        int go[2];
        ASSERT_EQ(pipe(go), 0);
        // The player, another user than the planter where this runs as root,
        // each of whose steps a bound holds.
        const auto asPlayer = [&](const char* lines, const std::function<int()>& f) {
            std::fflush(nullptr);
            const pid_t pid = fork();
            if (pid != 0) return pid;
            const int errors = open((side / "errors").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0666);
            dup2(errors, 2);
            LinesToFile listener((side / lines).string());
            GxSetDebugListener(&listener);
            if (otherUser && (setgroups(0, nullptr) != 0 || setresgid(65534, 65534, 65534) != 0 ||
                              setresuid(65534, 65534, 65534) != 0))
                _exit(99);
            alarm(5);
            GxSetErrorLogPath(SavePath("error.log"));
            GxSetDebugLogPath(SavePath("debug.log"));
            // The turn's token is waited for by this clock, which moves only
            // as the writer sleeps.
            psys::manual_clock clock;
            psys::set_current_clock(&clock);
            const int code = f();
            qtest::WriteText(side / (std::string(lines) + ".slept"), std::to_string(clock.slept_ms()));
            _exit(code);
        };
        const pid_t pid = asPlayer("lines", [&] {
            char byte = 0;
            close(go[1]);
            if (read(go[0], &byte, 1) != 1) return 98;
            if (row.use == Use::Token)
                psys::set_safe_file_step_hook([](const char* step, const std::string&) {
                    return std::strcmp(step, "exchange") == 0 ? EINVAL : 0;
                });
            if (row.use == Use::Log) {
                for (int i = 0; i < 2; ++i) {
                    GxWriteErrorLog(u"%s\n", GxFromUtf8(mark));
                    GxWriteDebugLog(u"%s\n", GxFromUtf8(mark));
                }
                return 0;
            }
            GxUserConfig otherConfig(&core_);
            GxUserDataPerman otherPerman(&core_);
            GxUserData otherGame(&core_);
            Copy mine{config_, perman_, game_}, other{otherConfig, otherPerman, otherGame};
            if (row.use == Use::Damaged)
                psys::write_file_whole(at(row.file == thumb ? slot : row.file), damaged.data(), damaged.size());
            see(mine, row.file);
            if (row.use == Use::Own || row.use == Use::Damaged) return save(mine, row.file, 1) ? 0 : 1;
            // Another copy writes the file after reading it, and the player
            // then writes over it, twice.
            int failed = 0;
            for (int copy = 2; copy <= 3; ++copy) {
                see(other, row.file);
                failed += !save(other, row.file, copy);
                failed += !save(mine, row.file, 1);
            }
            return failed;
        });
        close(go[0]);
        if (row.use == Use::OldTemporaries) {
            const std::string prefix = at(row.file) + "." + std::to_string(pid);
            plant(prefix + ".tmp", row.plant);
            for (int n = 2; n <= 100; ++n) plant(prefix + "-" + std::to_string(n) + ".tmp", row.plant);
        } else {
            plant(at(row.name), row.plant);
        }
        (void)!write(go[1], "g", 1);
        close(go[1]);
        const auto ended = [](pid_t child) {
            int status = 0;
            waitpid(child, &status, 0);
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        };
        const int end = ended(pid);
        // A later start of the player's.
        EXPECT_EQ(ended(asPlayer("start", [&] {
                      GxSaveSlot::RecoverLeftovers(saveDir, *core_.m_Config);
                      return 0;
                  })),
                  0);
        const std::string lines = qtest::ReadText(side / "lines"), errors = qtest::ReadText(side / "errors");
        SCOPED_TRACE(lines + qtest::ReadText(side / "start") + errors);

        // A sanitizer's report ends a process with 1 too.
        EXPECT_TRUE(end == 0 || (row.use == Use::Own && end == 1 && errors.find("Sanitizer") == std::string::npos))
            << "the player ended with " << end;
        // Nothing is waited for but a token that stands as a writer's would,
        // until it is stale (10 s), once by each copy that cannot remove it.
        const bool token = row.use == Use::Token && (row.plant == Plant::Bytes || row.plant == Plant::HardLink);
        const long waited = token ? (otherUser ? 2 : 1) * 10000 : 0;
        const long slept = std::stol("0" + qtest::ReadText(side / "lines.slept"));
        EXPECT_TRUE(slept >= waited && slept < waited + 1000) << "waited " << slept << " ms";
        EXPECT_EQ(qtest::ReadText(victim), "victim");
        EXPECT_EQ(fs::status(victim).permissions(), fs::perms(0666));
        for (const auto& [path, was] : planted) {
            EXPECT_TRUE(!otherUser || untouched(path, was)) << path;
        }
        // What the game made: the folder's reach, the player's, and none of
        // its writers' names left.
        std::set<ino_t> plantedFiles;
        for (const auto& [path, was] : planted) plantedFiles.insert(was.st_ino);
        std::map<std::string, struct stat> made;
        for (const auto& entry : fs::directory_iterator(dir_.path())) {
            struct stat st {};
            lstat(entry.path().c_str(), &st);
            if (plantedFiles.count(st.st_ino)) continue;
            const std::string name = entry.path().filename().string();
            made[name] = st;
            EXPECT_TRUE(S_ISREG(st.st_mode) && (st.st_mode & 07777) == (otherUser ? 0644 : 0666) && st.st_uid == player)
                << name << std::oct << " mode " << st.st_mode << std::dec << " of " << st.st_uid;
            for (const char* ending : {".tmp", ".held", ".stale", ".writing"}) {
                EXPECT_FALSE(name.ends_with(ending)) << name;
            }
        }

        switch (row.use) {
        case Use::Log: {
            // The line in a log of the player's own, or not written and said.
            struct stat st {};
            std::string utf16;
            for (const char c : mark) utf16 += {c, '\0'};
            const bool appended = lstat(at(row.name).c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
                                  st.st_nlink == 1 && st.st_uid == player &&
                                  qtest::ReadText(at(row.name)).find(utf16) != std::string::npos;
            const std::string said = "the log \"" + at(row.name) + "\" cannot be written";
            EXPECT_TRUE(appended || errors.find(said) != std::string::npos);
            break;
        }
        case Use::Own: {
            // The player's file stands, with what stood there kept beside it;
            // or the write failed and said so.
            const bool stands = end == 0 && copyIn(row.file, at(row.file)) == 1;
            EXPECT_TRUE(stands || lines.find("(" + at(row.file) + ":") != std::string::npos);
            if (!stands) break;
            bool kept = false;
            for (const auto& entry : fs::directory_iterator(dir_.path())) {
                struct stat st {};
                lstat(entry.path().c_str(), &st);
                const std::string name = entry.path().filename().string();
                kept = kept || (st.st_ino == planted.begin()->second.st_ino && name.starts_with(row.file + ".") &&
                                (name.ends_with(".damaged") || name.ends_with(".changed")));
            }
            // But a thumbnail that names no save goes with the save it stood
            // beside, here none.
            EXPECT_TRUE(kept || row.file == thumb) << "what stood at the name is not kept";
            break;
        }
        default: {
            // The player's file stands. Another copy's two stand under the
            // first two kept names at which nothing was planted (a slot's
            // save and thumbnail under one number), a damaged file under the
            // first such damaged name; nothing else is kept.
            const std::vector<std::string> files =
                row.file == slot || row.file == thumb ? std::vector<std::string>{slot, thumb} : std::vector{row.file};
            const std::string damagedFile = row.use == Use::Damaged ? files[0] : "";
            u32 firstDamaged = 1;
            while (planted.count(keptAt(damagedFile, firstDamaged, u"damaged"))) ++firstDamaged;
            std::vector<u32> free;
            for (u32 n = 1; row.use != Use::Damaged && free.size() < 2; ++n) {
                bool taken = false;
                for (const std::string& file : files)
                    taken = taken || planted.count(keptAt(file, n, u"changed"));
                if (!taken) free.push_back(n);
            }
            for (const std::string& file : files) {
                EXPECT_EQ(copyIn(file, at(file)), 1) << file;
                for (size_t i = 0; i < free.size(); ++i) {
                    EXPECT_EQ(copyIn(file, keptAt(file, free[i], u"changed")), int(i) + 2) << file << " " << free[i];
                }
                size_t keptFiles = 0;
                for (const auto& [name, st] : made)
                    keptFiles += name.starts_with(file + ".") &&
                                 (name.ends_with(".changed") || name.ends_with(".damaged"));
                EXPECT_EQ(keptFiles, file == damagedFile ? 1 : free.size()) << file;
            }
            if (!damagedFile.empty()) {
                EXPECT_EQ(qtest::ReadText(keptAt(damagedFile, firstDamaged, u"damaged")), damaged);
            }
            if (row.use == Use::Token) {
                // A token the player may not remove is said once by each copy.
                const std::string note = "書き込みの順番を取れないまま書き込みました(" + at(row.name) + ":";
                size_t said = 0;
                for (size_t p = lines.find(note); p != std::string::npos; p = lines.find(note, p + 1)) ++said;
                EXPECT_EQ(said, otherUser || row.plant == Plant::Folder ? 2u : 0u);
            }
            break;
        }
        }
    }
    for (const int fd : held) close(fd);
}

// ---- end of what another user plants ------------------------------------------

// A file far larger than any the engine writes (here a sparse one) is not
// loaded into memory: refused with a line naming it, and kept aside by the
// save over it.
TEST_F(CrashSafety, AFileLargerThanAnySaveIsRefusedUnread) {
    Play();
    for (const Writer& w : Writers()) {
        SCOPED_TRACE(w.file);
        const std::filesystem::path file = dir_.path() / w.file;
        std::filesystem::remove(file);
        qtest::WriteBytes(file, {'B'});
        std::filesystem::resize_file(file, GxPersistFile::kMaxFileBytes + 1);
        qtest::LogCapture log;
        EXPECT_FALSE(w.load());
        EXPECT_TRUE(log.Contains("(" + file.string() + ":67108865)")) << log.Text();
        ASSERT_TRUE(w.save());
        EXPECT_EQ(std::filesystem::file_size(dir_.path() / (std::string(w.file) + ".damaged")), 67108865u);
        EXPECT_TRUE(w.load());
    }
}

// While it lives every write past a file's first byte fails, as on a full
// disk: the process's file-size limit is 0 (a write past it fails, with no
// signal).
class NoRoomToWrite {
public:
    NoRoomToWrite() {
        psys::fail_writes_past_size_limit();
        getrlimit(RLIMIT_FSIZE, &old_);
        rlimit none = old_;
        none.rlim_cur = 0;
        setrlimit(RLIMIT_FSIZE, &none);
    }
    ~NoRoomToWrite() { setrlimit(RLIMIT_FSIZE, &old_); }

private:
    rlimit old_{};
};

// Every write fails as on a full disk, whether the writer meets it inside a
// value or at the flush.
TEST_F(CrashSafety, AFullDiskFailsTheSaveSaysSoAndKeepsTheOldFile) {
    Play();
    std::vector<u32> pixels(128 * 96, 0xFF336699);
    std::vector<Writer> writers = Writers();
    writers.push_back({"thumb001.png",
                       [&] {
                           return GxWritePNGFile(SavePath("thumb001.png").c_str(), 128, 96,
                                                 reinterpret_cast<const u8*>(pixels.data()));
                       },
                       [&] {
                           const auto png = Bytes("thumb001.png");
                           u32 w = 0, h = 0;
                           u8* p = GxDecodePNG(png.data(), u32(png.size()), &w, &h);
                           GxFreeDecodedPNG(p);
                           return p != nullptr && w == 128;
                       }});
    for (const Writer& w : writers) {
        SCOPED_TRACE(w.file);
        ASSERT_TRUE(w.save());
        const auto old = Bytes(w.file);
        Grow();
        for (u32& p : pixels) p ^= 0x00FFFFFF;
        qtest::LogCapture log;
        bool saved;
        {
            NoRoomToWrite full;
            saved = w.save();
        }
        EXPECT_FALSE(saved);
        // The thumbnail writer says nothing itself; the slot's save does.
        if (std::string(w.file) != "thumb001.png") {
            EXPECT_TRUE(log.Contains("File too large")) << log.Text();
        }
        EXPECT_EQ(Bytes(w.file), old);
        EXPECT_EQ(qtest::WriterLeftovers(dir_.path()), std::vector<std::string>());
        EXPECT_TRUE(w.load());
    }
}

TEST_F(CrashSafety, AFolderThatCannotBeWrittenFailsTheSaveWithAReason) {
    qtest::LogCapture log;
    core_.m_SaveDir = dir_.u16("no such folder") + u"/";
    EXPECT_FALSE(config_.Save());
    EXPECT_TRUE(log.Contains("GxUserConfig::Save/ファイルを作成できませんでした(")) << log.Text();
    EXPECT_TRUE(log.Contains("No such file or directory")) << log.Text();
    EXPECT_FALSE(perman_.Save(perman_.GetFilePath(), true));
}

} // namespace
