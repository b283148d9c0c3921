// Every file the game data writes survives a writer that dies between
// writing and renaming, and a disk that fills up: the old file stays whole
// and loads, and the failed save says so.
#include "SaveGameFixture.h"

#include "gamedata/GxPersistFile.h"
#include "graphics/GxPNG.h"
#include "platform/image/image.h"
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

#include <chrono>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <tuple>
#include <set>
#include <sstream>
#include <utility>

namespace {

namespace fs = std::filesystem;
using gdtest::FirstPixel;
using gdtest::Picture;
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

// Ends this process at the next commit's first step.
void KillAtCommit() {
    gdtest::AtCommit() = [] { raise(SIGKILL); };
    psys::set_safe_file_step_hook(gdtest::AtCommitStep);
}


// Each writer of the game data, with a check that what a file holds loads,
// and, for a file the game saves over without loading it first (the quick
// save), the only look it takes before: the start's.
struct Writer {
    const char* file;
    std::function<bool()> save;
    std::function<bool()> load;
    std::function<void()> seen = {};
};

class CrashSafety : public SaveGame {
protected:
    // Each writing into the save folder, which lies in the folder `in`
    // of the test's (none: the test's own).
    std::vector<Writer> Writers(const std::string& in = {}) {
        core_.m_SaveDir = (in.empty() ? dir_.u16() : dir_.u16(in)) + u"/";
        const GxString permanent = dir_.u16((fs::path(in) / "permanent.dat").string());
        const GxString slot = dir_.u16((fs::path(in) / "gamedata001.gd").string());
        return {
            {"userconf.dat", [this] { return config_.Save(); }, [this] { return config_.Load(); }},
            {"permanent.dat", [this, permanent] { return perman_.Save(permanent, true); },
             [this, permanent] { return perman_.Load(permanent); }},
            {"gamedata001.gd", [this, slot] { return game_.SaveGameData(slot, true); },
             [this, slot] { return game_.LoadGameData(slot, true); }},
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
};

TEST_F(CrashSafety, AWriterKilledBeforeTheRenameLeavesTheOldFile) {
    Play();
    for (const Writer& w : Writers()) {
        SCOPED_TRACE(w.file);
        ASSERT_TRUE(w.save());
        const auto old = Bytes(w.file);
        const int end = InChild([&] {
            Grow();
            KillAtCommit();
            w.save();
            return 0;
        });
        EXPECT_EQ(end, 128 + SIGKILL);
        EXPECT_EQ(Bytes(w.file), old);
        // The new bytes were whole on the disk, under a name of the dead
        // writer's own; only the rename was missing.
        const std::vector<std::string> left = qtest::WriterLeftovers(dir_.path());
        ASSERT_EQ(left.size(), 1u);
        ASSERT_TRUE(left[0].ends_with(".tmp")) << left[0];
        const std::string leftover_path = (dir_.path() / left[0]).string();
        const auto leftover = qtest::ReadBytes(leftover_path);
        EXPECT_GE(leftover.size(), old.size());
        EXPECT_NE(leftover, old);
        EXPECT_TRUE(w.load());
        // The next save leaves nothing of its own behind.
        Grow();
        ASSERT_TRUE(w.save());
        EXPECT_NE(Bytes(w.file), old);
        EXPECT_EQ(qtest::WriterLeftovers(dir_.path()),
                  std::vector<std::string>{fs::path(leftover_path).filename().string()});
        EXPECT_TRUE(w.load());
        fs::remove(leftover_path);
    }
}

// A file that would not load is kept aside, under its name and ".damaged",
// by the first save over it: after the new bytes are on the disk, so that a
// writer killed in between leaves the old file where it was. The load's
// line names the file; the quick save, which only the start saw, is judged
// by its save as a load would. A later damage is kept beside the copies
// kept before, under a number of its own, linked or moved, never over them;
// a folder, in the link way too, where a link of it is refused (a move that
// refuses to replace takes it, I2); a FIFO, or the player's own link to a
// save cut short, as it stands.
TEST_F(CrashSafety, AFileThatWouldNotLoadIsKeptAsideByTheSaveOverIt) {
    Play();
    static bool s_Links;
    const GxString quick = GxSaveSlot::QuickSavePath(core_.GetSaveDir(), *core_.m_Config);
    std::vector<Writer> writers = Writers();
    writers.push_back({"gamedata_quick.gd", [&] { return game_.SaveGameData(quick, true); },
                       [&] { return game_.LoadGameData(quick, true); }, [&] { game_.SeeFiles({quick}); }});
    qtest::TempDir outside;
    for (const bool links : {false, true})
    for (const Writer& w : writers) {
        SCOPED_TRACE(links ? "in the link way" : "in the folder's way");
        for (const auto& entry : fs::directory_iterator(dir_.path())) fs::remove_all(entry);
        s_Links = links;
        psys::forget_folders();
        // The link way: names are not exchanged, and what a folder's file
        // system refuses of a link it refuses.
        const auto linkWay = [](const char* step, const std::string&, const std::string&) {
            return s_Links && std::strcmp(step, "exchange") == 0 ? EINVAL : 0;
        };
        psys::set_safe_file_step_hook(linkWay);
        ASSERT_TRUE(w.save());
        const auto whole = Bytes(w.file);
        auto header = whole;
        header[1] = 'X';
        const std::vector<unsigned char> cut(whole.begin(), whole.begin() + whole.size() / 2);
        enum class Stands { Bytes, Folder, Fifo, Link };
        struct Damage {
            const char* what;
            std::vector<unsigned char> bytes;  // of the file, or the one the link leads to
            Stands stands = Stands::Bytes;
        } damages[] = {
            {"one byte of the header", header},
            {"a folder in its place", {}, Stands::Folder},
            {"cut short", cut},
            {"a FIFO in its place", {}, Stands::Fifo},
            {"a link to a save cut short", cut, Stands::Link},
        };
        std::vector<fs::path> kept;
        for (const Damage& d : damages) {
            SCOPED_TRACE(std::string(w.file) + ": " + d.what);
            const fs::path file = dir_.path() / w.file;
            const std::string number = kept.empty() ? "" : "." + std::to_string(kept.size() + 1);
            const fs::path aside = dir_.path() / (std::string(w.file) + number + ".damaged");
            const fs::path target = outside.path() / (std::string(w.file) + number);
            fs::remove_all(file);
            switch (d.stands) {
            case Stands::Bytes: qtest::WriteBytes(file, d.bytes); break;
            case Stands::Folder: fs::create_directory(file); break;
            case Stands::Fifo: ASSERT_EQ(mkfifo(file.c_str(), 0600), 0); break;
            case Stands::Link:
                qtest::WriteBytes(target, d.bytes);
                fs::create_symlink(target, file);
                break;
            }
            qtest::LogCapture log;
            if (w.seen) {
                w.seen();
            } else {
                EXPECT_FALSE(w.load());
                EXPECT_TRUE(log.Contains(file.string())) << log.Text();
            }
            const int end = InChild([&] {
                KillAtCommit();
                w.save();
                return 0;
            });
            psys::set_safe_file_step_hook(linkWay);
            EXPECT_EQ(end, 128 + SIGKILL);
            // A folder cannot be linked: it is moved aside instead.
            if (d.stands == Stands::Folder) {
                EXPECT_TRUE(fs::is_directory(file) || fs::is_directory(aside));
            } else if (d.stands == Stands::Fifo) {
                EXPECT_TRUE(fs::is_fifo(file)) << "the FIFO is where it was";
            } else {
                EXPECT_EQ(Bytes(w.file), d.bytes) << "the old file is where it was";
            }
            Grow();
            ASSERT_TRUE(w.save()) << log.Text();
            if (d.stands == Stands::Folder) {
                EXPECT_TRUE(fs::is_directory(aside));
            } else {
                if (d.stands == Stands::Fifo) {
                    EXPECT_TRUE(fs::is_fifo(aside));
                } else {
                    EXPECT_EQ(Bytes(aside.filename().string()), d.bytes);
                }
                EXPECT_EQ(fs::is_symlink(aside), d.stands == Stands::Link);
                EXPECT_TRUE(log.Contains(aside.string() + "として残しました")) << log.Text();
            }
            EXPECT_TRUE(w.load());
            // Only the first save after the failed load keeps a copy.
            kept.push_back(aside);
            ASSERT_TRUE(w.save());
            size_t copies = 0;
            for (const auto& entry : fs::directory_iterator(dir_.path()))
                copies += entry.path().string().starts_with(file.string() + ".") &&
                          entry.path().extension() == ".damaged";
            EXPECT_EQ(copies, kept.size());
        }
        EXPECT_EQ(Bytes(kept[0].filename().string()), header) << "the first copy kept stays";
        EXPECT_EQ(psys::folder_way(dir_.str()), links ? psys::write_way::link : psys::write_way::exchange);
    }
    psys::set_safe_file_step_hook(nullptr);
}

// Two copies of the game that no lock keeps apart: nothing one of them wrote
// is replaced by the other unkept, however it saw the file before (read it,
// saw a slot empty on the page, saw the quick save only at the start, even
// where the other wrote it between that look and its hash) and whenever the
// other wrote it, even in the moment of its own write. The
// other's file is kept as ".changed" (a slot's thumbnail beside it under
// the same number), after any number kept before and past anything else
// standing at those names; the next save replaces only what this copy wrote,
// also where the file system keeps times as FAT's do (its own file stands
// with another time than it had as it was written).
TEST_F(CrashSafety, WhatAnotherCopyWroteIsNeverReplacedUnkept) {
    Play();
    std::vector<u32> pixels(128 * 96, 0xFF204060);
    const GxString saveDir = core_.GetSaveDir();
    const GxString slot = GxSaveSlot::GameDataPath(saveDir, 5), quick = GxSaveSlot::QuickSavePath(saveDir, *core_.m_Config);
    std::function<void()>& inTheMoment = gdtest::AtCommit();
    // Where the row says so, the file system keeps times as FAT's do: in
    // steps of two seconds, set once the file is closed, which FUSE does
    // only after the writer has gone on (here: once the file took its name).
    static bool s_FatTimes;
    psys::set_safe_file_step_hook([](const char* step, const std::string& path, const std::string& from) {
        if (s_FatTimes && std::strcmp(step, "committed") == 0) {
            timespec now{};
            clock_gettime(CLOCK_REALTIME, &now);
            const timespec times[2] = {{0, UTIME_OMIT}, {(now.tv_sec | 1) + 3, 0}};
            utimensat(AT_FDCWD, path.c_str(), times, 0);
        }
        return gdtest::AtCommitStep(step, path, from);
    });
    // The other copy, started after this one first saw the file.
    std::unique_ptr<GxUserConfig> otherConfigHolder;
    std::unique_ptr<GxUserData> otherGameHolder;
    const auto otherConfig = [&]() -> GxUserConfig& { return *otherConfigHolder; };
    const auto otherGame = [&]() -> GxUserData& { return *otherGameHolder; };
    const auto saveSlot = [&](GxUserData& data) {
        return GxSaveSlot::Save(data, saveDir, 5, reinterpret_cast<const u8*>(pixels.data()), 128, 96);
    };
    psys::file_status looked;
    struct Row {
        const char* what;
        const char* file;
        std::function<void()> see;  // how this copy saw the file before
        std::function<bool()> other, mine;
        int keptBefore = 0;         // copies kept earlier
        bool folders = false;       // folders standing at those names instead
        bool meanwhile = false;     // the other writes in the moment of this copy's write
        bool same = false;          // the other writes the very bytes this copy then writes
        bool fatTimes = false;      // on a file system that keeps times as FAT's do
        bool locked = false;        // this process holds the save folder's lock
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
        {"the quick save, on FAT", "gamedata_quick.gd", [&] { game_.SeeFiles({quick}); },
         [&] { return otherGame().SaveGameData(quick, true); }, [&] { return game_.SaveGameData(quick, true); }, 0,
         false, false, false, true},
        {"the quick save, on FAT, with the lock", "gamedata_quick.gd", [&] { game_.SeeFiles({quick}); },
         [&] { return otherGame().SaveGameData(quick, true); }, [&] { return game_.SaveGameData(quick, true); }, 0,
         false, false, false, true, true},
        {"a slot, on FAT", "gamedata005.gd", [&] { ASSERT_TRUE(saveSlot(game_)); },
         [&] { return saveSlot(otherGame()); }, [&] { return saveSlot(game_); }, 0, false, false, false, true},
        // The start's look, which hashes the file after it took its status.
        {"the quick save, written between the start's look and its hash", "gamedata_quick.gd",
         [&] { qtest::WriteText(GxToUtf8(quick), "an earlier session's"), psys::status_of(GxToUtf8(quick), &looked); },
         [&] {
             const bool saved = otherGame().SaveGameData(quick, true);
             game_.GetKnownFiles().SawRead(quick, looked, psys::mark_of_file(GxToUtf8(quick)));
             return saved;
         },
         [&] { return game_.SaveGameData(quick, true); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        s_FatTimes = row.fatTimes;
        psys::set_folder_locked(dir_.str(), row.locked);
        for (const auto& entry : fs::directory_iterator(dir_.path())) fs::remove_all(entry);
        const std::string file = row.file;
        const bool isSlot = file == "gamedata005.gd";
        for (int n = 1; n <= row.keptBefore; ++n) {
            const std::string name = GxToUtf8(GxPersistFile::KeptFilePath(SavePath(file), u32(n), u"changed"));
            if (row.folders) fs::create_directory(name);
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
        // A write whose file stands but which could not keep the other's
        // reports that it failed, and why.
        const bool nameFree = row.keptBefore != int(GxPersistFile::kMaxChangedFiles);
        ASSERT_EQ(row.mine(), nameFree) << log.Text();
        EXPECT_EQ(GxPersistFile::FailureForPlayer().empty(), nameFree);
        EXPECT_FALSE(inTheMoment);
        const std::string kept = GxToUtf8(GxPersistFile::KeptFilePath(SavePath(file), u32(row.keptBefore + 1), u"changed"));
        if (row.same) {
            // Nothing is lost, and nothing is kept twice.
            EXPECT_EQ(Bytes(file), others);
            EXPECT_FALSE(fs::exists(kept));
            EXPECT_FALSE(log.Contains("として残しました")) << log.Text();
            EXPECT_FALSE(log.Contains("のまま残しました")) << log.Text();
            continue;
        }
        if (!nameFree) {
            // The other's file stays held, said, and a later start finds no
            // name either and leaves it there, said again.
            const std::vector<std::string> held = qtest::WriterLeftovers(dir_.path());
            ASSERT_EQ(held.size(), 1u);
            EXPECT_EQ(Bytes(held[0]), others);
            EXPECT_TRUE(log.Contains("のまま残しました")) << log.Text();
            qtest::LogCapture start;
            GxSaveSlot::RecoverLeftovers(saveDir, *core_.m_Config, true);
            EXPECT_EQ(Bytes(held[0]), others);
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
        log.Clear();
        Grow();
        ASSERT_TRUE(row.mine());
        EXPECT_FALSE(fs::exists(GxToUtf8(GxPersistFile::KeptFilePath(SavePath(file), u32(row.keptBefore + 2), u"changed"))));
        EXPECT_FALSE(log.Contains("読み込んだ後に書き換えられていた")) << log.Text();
    }
    psys::set_safe_file_step_hook(nullptr);
    psys::set_folder_locked(dir_.str(), false);
}


// ---- what a start says --------------------------------------------------------

// The step hook's refusal of a step at one path: a move, link or rename to
// or from it (a place), its removal, or a read of the folder's names; the
// first g_RefusedPast such steps run.
std::string g_RefusedPath;
const char* g_RefusedStep = "place";
int g_RefusedWith = EACCES, g_RefusedPast = 0;
int RefuseAt(const char* step, const std::string& path, const std::string& from) {
    const bool place = std::strcmp(step, "move") == 0 || std::strcmp(step, "link") == 0 || std::strcmp(step, "rename") == 0;
    const bool refused = std::strcmp(g_RefusedStep, "place") == 0 ? place : std::strcmp(step, g_RefusedStep) == 0;
    const bool at = path == g_RefusedPath || (place && from == g_RefusedPath);
    return refused && at && g_RefusedPast-- <= 0 ? g_RefusedWith : 0;
}

// A thumbnail naming the save whose mark is given, in the copy's colour.
std::vector<unsigned char> ThumbnailNaming(const std::string& mark, int copy) {
    std::vector<uint8_t> png;
    const std::vector<u32> pixels = Picture(copy);
    EXPECT_TRUE(pimage::encode_png(pixels.data(), 128, 96, 128 * 4, png, "save", mark));
    return png;
}

// A start says what it does with each file writes left, each in the log a
// player reads for it, before the step, and nothing more: what it put back,
// kept or could not keep, and any step that failed (not one that acted and
// said it failed all the same), in error.log; what it removed (bytes that
// stand elsewhere, a second name of a file that stays, a temporary name of
// a write that did not finish, a thumbnail of no save, a token of an
// earlier release's turns) in debug.log, each in its own words. A folder at
// a held name is one a write took from the file's name: it goes back too. A
// thumbnail goes beside its save wherever that is kept, as damaged too.
// Without the lock it only puts a held file back where nothing stands (a
// thumbnail only beside the save it names, as it places a finished one),
// and hands the permanent data's over for its load to merge (I8).
TEST_F(CrashSafety, AStartSaysWhatItDoesWithEachFile) {
    const GxString saveDir = core_.GetSaveDir();
    const auto at = [&](const std::string& name) { return (dir_.path() / name).string(); };
    const std::string held = "userconf.dat.1-aa.held", thumbHeld = "thumb005.png.1-aa.held";
    const std::string finished = "thumb005.png.1-aa.tmp", part = "permanent.dat.1-aa.tmp";
    const std::string save = "a save", thumb = "png naming a save";
    using Files = std::vector<std::pair<std::string, std::string>>;
    // A thumbnail held, or finished, beside its save; a finished one left.
    const Files heldBeside = {{"gamedata005.gd", save}, {thumbHeld, thumb}};
    const Files finishedBeside = {{"gamedata005.gd", save}, {finished, thumb}};
    const Files finishedLeft = {{finished, thumb}, {"thumb005.png", ""}};
    // Pieces of the lines.
    const auto back = [&](const std::string& name) { return at(name) + "に戻しました"; };
    const auto failed = [&](const std::string& name, const std::string& why) {
        return "片付けられませんでした(" + at(name) + ":" + why + ")";
    };
    const auto kept = [&](const std::string& name) { return at(name) + "として残しました"; };
    const auto same = [&](const std::string& as, const std::string& name) {
        return "同じ内容が" + at(as) + "にあるファイルを削除しました(" + at(name) + ")";
    };
    const auto unfinished = [&](const std::string& name) { return "終わらなかった書き込みの一時ファイルを削除しました(" + at(name) + ")"; };
    const std::string orphanGone = "対になるファイルがないため削除しました(" + at(thumbHeld) + ")";
    const std::string placed = "書き込みの途中で終わっていたファイルを" + at("thumb005.png") + "に置きました";
    struct Row {
        const char* what;
        Files files;                             // "=<name>": a second name of that file; "/": a folder
        std::string refused;                     // a name the start may not place at, or remove
        std::vector<std::string> errors, debug;  // what the lines say, by piece
        Files after;                             // "" for nothing there
        const char* refusedStep = "place";
        bool locked = true;
        size_t merged = 0;
        int refusedWith = EACCES;
        int refusedPast = 0;
    } rows[] = {
        {"a held file where nothing stands", {{held, "X"}}, "", {back("userconf.dat")}, {},
         {{"userconf.dat", "X"}, {held, ""}}},
        {"a held file whose put back is refused", {{held, "X"}}, "userconf.dat",
         {back("userconf.dat"), failed(held, "Permission denied")}, {}, {{"userconf.dat", ""}, {held, "X"}}},
        {"a held file whose put back acts and fails all the same", {{held, "X"}}, "userconf.dat",
         {back("userconf.dat")}, {}, {{"userconf.dat", "X"}, {held, ""}}, "place", true, 0, -ENOENT},
        {"a held file whose name is taken as it goes back", {{held, "X"}}, "userconf.dat",
         {back("userconf.dat"), failed(held, "File exists"), kept("userconf.dat.changed")}, {},
         {{"userconf.dat.changed", "X"}, {held, ""}}, "place", true, 0, EEXIST},
        {"a held file with the bytes that stand at its name", {{"userconf.dat", "X"}, {held, "X"}}, "", {},
         {same("userconf.dat", held)}, {{held, ""}, {"userconf.dat.changed", ""}}},
        {"a held file with the bytes of one kept", {{"userconf.dat", "Y"}, {"userconf.dat.2.changed", "X"}, {held, "X"}}, "",
         {}, {same("userconf.dat.2.changed", held)}, {{held, ""}, {"userconf.dat.changed", ""}}},
        {"a held file larger than any save, byte for byte one kept: kept unread",
         {{"userconf.dat", "Y"}, {"userconf.dat.changed", "large"}, {held, "large"}}, "",
         {kept("userconf.dat.2.changed")}, {}, {{held, ""}, {"userconf.dat.2.changed", "large"}}},
        {"a held file that cannot be kept", {{"userconf.dat", "Y"}, {held, "X"}}, "userconf.dat.changed",
         {kept("userconf.dat.changed"), at("userconf.dat.changed") + "として残せませんでした。" + at(held) + "のまま残します"},
         {}, {{held, "X"}, {"userconf.dat.changed", ""}}},
        {"a second name of a file that stays", {{"userconf.dat", "X"}, {"userconf.dat.1-aa.tmp", "=userconf.dat"}}, "",
         {}, {at("userconf.dat") + "と同じファイルの別の名前を削除しました(" + at("userconf.dat.1-aa.tmp") + ")"},
         {{"userconf.dat", "X"}, {"userconf.dat.1-aa.tmp", ""}}},
        {"a held thumbnail whose save stands nowhere", {{thumbHeld, "png naming nothing"}}, "", {}, {orphanGone},
         {{thumbHeld, ""}}},
        {"a held thumbnail put back beside its save", heldBeside, "", {back("thumb005.png")}, {}, {{thumbHeld, ""}}},
        {"a held thumbnail whose put back is refused", heldBeside, "thumb005.png",
         {back("thumb005.png"), failed(thumbHeld, "Permission denied")}, {}, {{"thumb005.png", ""}}},
        {"a held thumbnail of no save whose removal is refused", {{thumbHeld, "png naming nothing"}}, thumbHeld,
         {failed(thumbHeld, "Permission denied")}, {orphanGone}, {}, "unlink"},
        {"a held thumbnail beside its twin whose removal is refused",
         {{"gamedata005.gd", save}, {"thumb005.png", thumb}, {thumbHeld, thumb}}, thumbHeld,
         {failed(thumbHeld, "Permission denied")}, {same("thumb005.png", thumbHeld)}, {}, "unlink"},
        {"a folder at a held name", {{held, "/"}}, "", {back("userconf.dat")}, {}, {{held, ""}}},
        {"a temporary file", {{part, "part"}}, "", {}, {unfinished(part)}, {{part, ""}}},
        {"a temporary file whose removal is refused", {{part, "part"}}, part, {failed(part, "Permission denied")},
         {unfinished(part)}, {{part, "part"}}, "unlink"},
        {"a temporary file whose removal acts and fails all the same", {{part, "part"}}, part, {}, {unfinished(part)},
         {{part, ""}}, "unlink", true, 0, -EIO},
        {"a variable dump's temporary file", {{"vardump.txt.1-aa.tmp", "part"}, {"vardump_extern.txt.tmp", "part"}}, "",
         {}, {unfinished("vardump.txt.1-aa.tmp"), unfinished("vardump_extern.txt.tmp")},
         {{"vardump.txt.1-aa.tmp", ""}, {"vardump_extern.txt.tmp", ""}}},
        {"a token of an earlier release's turns", {{"permanent.dat.writing", ""}}, "", {},
         {"前の版が書き込み中に置いた印を削除しました(" + at("permanent.dat.writing") + ")"}, {{"permanent.dat.writing", ""}}},
        {"without the lock, a held file where nothing stands", {{held, "X"}}, "", {back("userconf.dat")}, {},
         {{"userconf.dat", "X"}, {held, ""}}, "place", false},
        {"without the lock, what a running copy may be writing",
         {{"userconf.dat", "Y"}, {held, "X"}, {part, "part"}, {"permanent.dat.writing", "t"},
          {"gamedata001.gd.2-bb.tmp", "new"}, {"gamedata001.gd.2-bb.held", "=gamedata001.gd.2-bb.tmp"}},
         "", {}, {}, {{held, "X"}, {part, "part"}, {"permanent.dat.writing", "t"},
                      {"gamedata001.gd.2-bb.held", "new"}, {"userconf.dat.changed", ""}}, "place", false},
        {"without the lock, the permanent data's held file", {{"permanent.dat", "Y"}, {"permanent.dat.1-aa.held", "X"}},
         "", {}, {}, {{"permanent.dat.1-aa.held", "X"}}, "place", false, 1},
        {"the folder's sync at the end failing", {{held, "X"}}, ".",
         {back("userconf.dat"),
          "セーブフォルダの変更がディスクに書き込まれたか確かめられませんでした。電源が切れると元に戻ることがあります(" +
              dir_.str() + ":Input/output error)"},
         {}, {{"userconf.dat", "X"}}, "sync folder", true, 0, EIO},
        {"a held thumbnail whose save was kept as damaged", {{"gamedata005.gd.damaged", save}, {thumbHeld, thumb}}, "",
         {kept("thumb005.png.damaged")}, {}, {{thumbHeld, ""}, {"thumb005.png.damaged", thumb}}},
        {"without the lock, a held thumbnail put back beside its save", heldBeside, "", {back("thumb005.png")}, {},
         {{thumbHeld, ""}, {"thumb005.png", thumb}}, "place", false},
        {"without the lock, a held thumbnail beside its save where a picture stands",
         {{"gamedata005.gd", save}, {"thumb005.png", "picture"}, {thumbHeld, thumb}}, "", {}, {},
         {{thumbHeld, thumb}, {"thumb005.png", "picture"}}, "place", false},
        {"without the lock, a held thumbnail whose name is taken as it goes back", heldBeside, "thumb005.png",
         {back("thumb005.png"), failed(thumbHeld, "File exists")}, {}, {{thumbHeld, thumb}}, "place", false, 0, EEXIST},
        {"without the lock, a held thumbnail beside a save it was not written with",
         {{"gamedata005.gd", "another save"}, {thumbHeld, thumb}}, "", {}, {}, {{thumbHeld, thumb}, {"thumb005.png", ""}},
         "place", false},
        {"without the lock, a finished thumbnail beside its save", finishedBeside, "", {}, {placed},
         {{"thumb005.png", thumb}}, "place", false},
        {"without the lock, a finished thumbnail whose name is taken as it is placed", finishedBeside, "thumb005.png",
         {failed(finished, "File exists")}, {placed}, finishedLeft, "place", false, 0, EEXIST},
        // A finished thumbnail whose move into the start's own hand fails
        // without acting is the new save's all the same: it stays, said.
        {"a finished thumbnail whose move into the start's hand fails (EIO)", finishedBeside, finished,
         {failed(finished, "Input/output error")}, {}, finishedLeft, "place", true, 0, EIO},
        {"a finished thumbnail whose move into the start's hand fails (ENOENT)", finishedBeside, finished,
         {failed(finished, "No such file or directory")}, {}, finishedLeft, "place", true, 0, ENOENT},
        // Where a read the start decides from fails, it cannot tell whether
        // a thumbnail is a finished write's: it stays, said.
        {"a finished thumbnail this user may not read", finishedBeside, finished,
         {failed(finished, "Permission denied")}, {}, finishedLeft, "unreadable"},
        {"a finished thumbnail whose save this user may not read", finishedBeside, "gamedata005.gd",
         {failed(finished, "Permission denied")}, {}, {{finished, thumb}, {"thumb005.png", ""}, {"gamedata005.gd", save}},
         "unreadable"},
        {"the folder's names this user may not read", {{part, "part"}}, ".",
         {"片付けられませんでした(" + dir_.str() + ":Permission denied)"}, {}, {{part, "part"}}, "unreadable"},
        {"a finished thumbnail whose save is kept, the folder's names unread after the start listed them",
         {{"gamedata005.gd", "another save"}, {"gamedata005.gd.changed", save}, {finished, thumb}}, ".",
         {"片付けられませんでした(" + at("thumb005.png.")}, {},
         {{finished, ""}, {"thumb005.png.changed", ""}, {"thumb005.png", ""}}, "read", true, 0, EIO, 1},
        {"without the lock, a finished thumbnail beside another save",
         {{"gamedata005.gd", "another save"}, {finished, thumb}}, "", {}, {}, finishedLeft, "place", false},
    };
    const std::vector<unsigned char> orphan = ThumbnailNaming("h:0000000000000000:1", 1);
    const std::vector<unsigned char> named = ThumbnailNaming(psys::mark_of_bytes(save.data(), save.size()), 1);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        for (const auto& entry : fs::directory_iterator(dir_.path())) fs::remove_all(entry);
        for (const auto& [name, text] : row.files) {
            if (text == "png naming nothing") qtest::WriteBytes(dir_.path() / name, orphan);
            else if (text == thumb) qtest::WriteBytes(dir_.path() / name, named);
            else if (text.starts_with("=")) fs::create_hard_link(dir_.path() / text.substr(1), dir_.path() / name);
            else if (text == "/") fs::create_directory(dir_.path() / name);
            else qtest::WriteText(dir_.path() / name, text);
            // Larger than any save (a sparse file).
            if (text == "large") fs::resize_file(dir_.path() / name, GxPersistFile::kMaxFileBytes + 1);
            // As the game makes them in its folder: nothing to narrow.
            fs::permissions(dir_.path() / name, fs::perms(text == "/" ? 0700 : 0600));
        }
        g_RefusedPath = row.refused.empty() ? "" : row.refused == "." ? dir_.str() : at(row.refused);
        g_RefusedStep = row.refusedStep;
        g_RefusedWith = row.refusedWith;
        g_RefusedPast = row.refusedPast;
        psys::set_safe_file_step_hook(RefuseAt);
        psys::set_folder_locked(dir_.str(), row.locked);
        std::optional<qtest::UnreadableFile> unreadable;
        const auto folderMode = fs::status(dir_.path()).permissions();
        if (std::strcmp(row.refusedStep, "unreadable") == 0)
            unreadable.emplace(row.refused == "." ? dir_.str() : at(row.refused));
        qtest::LogCapture log;
        const std::vector<psys::held_file> merged = GxSaveSlot::RecoverLeftovers(saveDir, *core_.m_Config, row.locked);
        unreadable.reset();
        fs::permissions(dir_.path(), folderMode);
        psys::set_safe_file_step_hook(nullptr);
        EXPECT_EQ(merged.size(), row.merged);
        for (const auto* pieces : {&row.errors, &row.debug})
            for (const std::string& piece : *pieces) EXPECT_TRUE(log.Contains(piece)) << piece << "\n" << log.Text();
        // Nothing more is said: no failure of a step that acted all the same.
        EXPECT_EQ(log.Lines().size(), row.errors.size() + row.debug.size()) << log.Text();
        for (const auto& [name, text] : row.after) {
            if (text.empty()) {
                EXPECT_FALSE(fs::exists(dir_.path() / name)) << name;
            } else if (text == thumb) {
                EXPECT_EQ(qtest::ReadBytes(dir_.path() / name), named) << name;
            } else if (text == "large") {
                std::error_code none;
                EXPECT_EQ(fs::file_size(dir_.path() / name, none), GxPersistFile::kMaxFileBytes + 1) << name;
            } else {
                EXPECT_EQ(qtest::ReadText(dir_.path() / name), text) << name;
            }
        }
    }
    psys::set_folder_locked(dir_.str(), false);
}

// A save and its thumbnail pair by the save's bytes, which stay what they
// are wherever the folder is copied or synced: a save put back from a backup
// (cp -a, other inodes) and then saved over is kept with its own thumbnail
// beside it; after cp -r (other times too) a finished thumbnail a kill left
// goes beside its save. A thumbnail of an earlier release names its save by
// device, inode, size and time: after cp -a, which keeps sizes and times, it
// still finds it. A save kept as damaged keeps its thumbnail beside it too.
TEST_F(CrashSafety, ASaveAndItsThumbnailPairWhereverTheFolderIsCopied) {
    Play();
    const GxString saveDir = core_.GetSaveDir();
    qtest::TempDir other;
    const auto saveSlot = [&](int copy) {
        const std::vector<u32> pixels = Picture(copy);
        game_.SetGameDataTitle(u"copy " + Number(copy));
        return GxSaveSlot::Save(game_, saveDir, 5, reinterpret_cast<const u8*>(pixels.data()), 128, 96);
    };
    const auto firstPixel = [](const fs::path& png) { return FirstPixel(qtest::ReadBytes(png)); };
    const auto shell = [](const std::string& command) { return std::system(command.c_str()); };
    const std::string save = "gamedata005.gd", thumb = "thumb005.png";

    // A save put back from a backup, then saved over.
    game_.SeeFiles(GxSaveSlot::GameDataPaths(saveDir, *core_.m_Config));
    ASSERT_TRUE(saveSlot(1));
    ASSERT_EQ(shell("cp -a " + dir_.str() + "/" + save + " " + dir_.str() + "/" + thumb + " " + other.str()), 0);
    ASSERT_TRUE(saveSlot(2));
    ASSERT_EQ(shell("cp -a --remove-destination " + other.str() + "/* " + dir_.str()), 0);
    ASSERT_TRUE(saveSlot(3));
    EXPECT_EQ(Bytes(save + ".changed"), qtest::ReadBytes(other.path() / save));
    EXPECT_EQ(Bytes(thumb + ".changed"), qtest::ReadBytes(other.path() / thumb));
    EXPECT_EQ(firstPixel(dir_.path() / thumb), Picture(3)[0]);

    // A write ended between its save's commit and its thumbnail's, the
    // folder then copied whole, times and all anew.
    static bool ended;
    ended = false;
    psys::set_safe_file_step_hook([](const char* step, const std::string& path, const std::string&) {
        if (ended) return EIO;
        ended = std::strcmp(step, "committed") == 0 && path.ends_with("gamedata005.gd");
        return 0;
    });
    saveSlot(4);
    psys::set_safe_file_step_hook(nullptr);
    ASSERT_TRUE(ended);
    const fs::path copied = other.path() / "copied";
    ASSERT_EQ(shell("cp -r " + dir_.str() + " " + copied.string()), 0);
    GxSaveSlot::RecoverLeftovers(GxFromUtf8(copied.string() + "/"), *core_.m_Config, true);
    EXPECT_EQ(qtest::WriterLeftovers(copied), std::vector<std::string>());
    EXPECT_EQ(firstPixel(copied / thumb), Picture(4)[0]);

    // A save and thumbnail of an earlier release's, put in a folder with cp -a
    // by a player whose copy saw the slot empty there, which then saves it.
    GxSaveSlot::RecoverLeftovers(saveDir, *core_.m_Config, true);
    struct stat st {};
    ASSERT_EQ(stat((dir_.path() / save).c_str(), &st), 0);
    char mark[96];
    std::snprintf(mark, sizeof mark, "%llx:%llx:%llx:%lld.%09ld", (unsigned long long)st.st_dev,
                  (unsigned long long)st.st_ino, (unsigned long long)st.st_size, (long long)st.st_mtim.tv_sec,
                  (long)st.st_mtim.tv_nsec);
    qtest::WriteBytes(dir_.path() / thumb, ThumbnailNaming(mark, 5));
    const fs::path kept = other.path() / "kept";
    fs::create_directory(kept);
    const GxString keptDir = GxFromUtf8(kept.string() + "/");
    GxUserData player(&core_);
    player.SeeFiles(GxSaveSlot::GameDataPaths(keptDir, *core_.m_Config));
    ASSERT_EQ(shell("cp -a " + dir_.str() + "/" + save + " " + dir_.str() + "/" + thumb + " " + kept.string()), 0);
    const std::vector<u32> pixels = Picture(6);
    ASSERT_TRUE(GxSaveSlot::Save(player, keptDir, 5, reinterpret_cast<const u8*>(pixels.data()), 128, 96));
    EXPECT_EQ(qtest::ReadBytes(kept / (save + ".changed")), Bytes(save));
    EXPECT_EQ(firstPixel(kept / (thumb + ".changed")), Picture(5)[0]);
    EXPECT_EQ(firstPixel(kept / thumb), Picture(6)[0]);
    EXPECT_EQ(qtest::WriterLeftovers(kept), std::vector<std::string>());

    // A save that no longer loads (the game lacks a layer it stores, as after
    // an update), kept as damaged by the save over it, keeps its thumbnail
    // beside it, also where the copy is ended before any step of that save
    // and a start finishes what it left.
    static int s_EndAt, s_Steps;
    psys::set_safe_file_step_hook([](const char* step, const std::string&, const std::string&) {
        return std::strcmp(step, "committed") != 0 && s_EndAt && ++s_Steps >= s_EndAt ? EIO : 0;
    });
    // Rounds: the layer lacking, the save cut short (with the lock; without
    // it, the write not ended).
    for (int end = 1, round = 0; round < 3; ++end) {
        const bool cut = round > 0, locked = round < 2;
        if (!locked) end = 1000;
        SCOPED_TRACE("ended before step " + std::to_string(end) + (cut ? ", the save cut short" : "") +
                     (locked ? "" : ", without the lock"));
        psys::set_folder_locked(dir_.str(), locked);
        for (const auto& entry : fs::directory_iterator(dir_.path())) fs::remove_all(entry);
        ASSERT_TRUE(saveSlot(7));
        if (cut) fs::resize_file(dir_.path() / save, fs::file_size(dir_.path() / save) / 2);
        else delete tasks_.at(u"$MOVIELAYER:SeqAvgMain");
        EXPECT_FALSE(game_.LoadGameData(SavePath(save), true));
        if (!cut) tasks_[u"$MOVIELAYER:SeqAvgMain"] = new gdtest::StoredTask(scene_, u"$MOVIELAYER:SeqAvgMain");
        const std::vector<unsigned char> unloadable = Bytes(save);
        s_Steps = 0, s_EndAt = end;
        const bool saved = saveSlot(8);
        s_EndAt = 0;
        GxSaveSlot::RecoverLeftovers(saveDir, *core_.m_Config, locked);
        // Wherever the save that would not load stands, its picture does.
        std::string at;
        for (const auto& entry : fs::directory_iterator(dir_.path()))
            if (const std::string name = entry.path().filename().string();
                name.starts_with(save) && qtest::ReadBytes(entry.path()) == unloadable)
                at = name.substr(save.size());
        EXPECT_EQ(firstPixel(dir_.path() / (thumb + at)), Picture(7)[0]) << at;
        if (s_Steps < end) {
            EXPECT_TRUE(saved && at == ".damaged");
            EXPECT_EQ(firstPixel(dir_.path() / thumb), Picture(8)[0]);
            ++round, end = 0;
        }
    }
    psys::set_folder_locked(dir_.str(), false);
    psys::set_safe_file_step_hook(nullptr);

    // A second session's save over the first's where a file system sets a
    // file's times as it moves it (fusefat): the pair seen at the start is
    // known by its bytes, read since (the load page) or not, and nothing is
    // kept; so is a pair another session put there after the start, once
    // read: by the bytes read, not those the start saw.
    for (const int read : {0, 1, 2, 3}) {
        SCOPED_TRACE(read == 0   ? "not read"
                     : read == 1 ? "its header read"
                     : read == 2 ? "another session's, read"
                                 : "another session's, written over the first in place (its inode kept), read");
        for (const auto& entry : fs::directory_iterator(dir_.path())) fs::remove_all(entry);
        ASSERT_TRUE(saveSlot(1));
        game_.SeeFiles(GxSaveSlot::GameDataPaths(saveDir, *core_.m_Config));
        if (read == 2) {
            GxUserData later(&core_);
            ASSERT_TRUE(GxSaveSlot::Save(later, saveDir, 5, reinterpret_cast<const u8*>(Picture(9).data()), 128, 96));
        }
        if (read == 3) {
            GxUserData later(&core_);
            later.SetGameDataTitle(u"another session, in place");
            ASSERT_TRUE(later.SaveGameData(SavePath("later.gd"), true));
            qtest::WriteBytes(dir_.path() / save, Bytes("later.gd"));
            fs::remove(dir_.path() / "later.gd");
        }
        GxGameDataHeader header;
        ASSERT_TRUE(!read || game_.ReadGameDataHeader(SavePath(save), &header));
        for (const std::string& name : {save, thumb})
            fs::last_write_time(dir_.path() / name, fs::last_write_time(dir_.path() / name) - std::chrono::hours(1));
        ASSERT_TRUE(saveSlot(2));
        EXPECT_FALSE(fs::exists(dir_.path() / (save + ".changed")));
        EXPECT_FALSE(fs::exists(dir_.path() / (thumb + ".changed")));
    }
}

// ---- what another user plants in a shared save folder -----------------------

// The lines a process logs, into a file as they come.
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

// What another user who may write into the save folder leaves at a name.
enum class Plant { Bytes, HardLink, Link, LinkToNothing, Fifo, Folder };
constexpr const char* kPlantNames[] = {"a file of its own", "a hard link", "a link",
                                       "a link to nothing", "a FIFO", "a folder with a file"};
// What the game does at the name: the file itself, a name it keeps another
// copy's file under, one it keeps a damaged file under, the last release's
// turn's token (where names cannot be exchanged), the temporary names an
// older writer took ("<name>.<pid>.tmp", "<name>.<pid>-2.tmp" ... "-100"), a
// log.
enum class Use { Own, Kept, Damaged, Token, OldTemporaries, Log };

// The save folder is one of 1777, as a folder the players of one machine
// share is, and what stands at each name the game makes there was planted
// by another user (root; the player is nobody): a file of its own, a hard
// or symbolic link to a file elsewhere that the player may write, a link to
// nothing, a FIFO, a folder with a file in it. The player meets each name as
// the game comes to it: a file it reads and then writes, another copy's
// file it keeps, a damaged one it keeps, a write where names cannot be
// exchanged beside a token of the last release's turns (which nothing waits
// for), a write after an older writer of the same pid, a log line.
// A later start then clears what was left. No write is made through a link
// or waits, nothing planted is changed, a name the player may not have
// costs no write but that of the file itself (which says so) and a turn (said
// once), what the game made has the folder's reach and nothing of its
// writes is left.
TEST_F(CrashSafety, NothingPlantedInASharedFolderIsWrittenThroughOrCostsAWrite) {
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
    const auto copyIn = [&](const std::string& file, const std::string& stood) {
        if (!fs::is_regular_file(fs::symlink_status(stood))) return -1;
        // Read from a copy of the test's own: the player's files are another
        // user's to it.
        const std::string path = (outside.path() / "read").string();
        qtest::WriteBytes(path, qtest::ReadBytes(stood));
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
            const u32 first = FirstPixel(qtest::ReadBytes(path));
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
            if (otherUser && !qtest::BecomeUser(65534, 65534)) _exit(99);
            alarm(5);
            GxSetErrorLogPath(SavePath("error.log"));
            GxSetDebugLogPath(SavePath("debug.log"));
            // Any wait would show on this clock, which moves only as the
            // writer sleeps.
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
                psys::set_safe_file_step_hook([](const char* step, const std::string&, const std::string&) {
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
                      GxSaveSlot::RecoverLeftovers(saveDir, *core_.m_Config, true);
                      return 0;
                  })),
                  0);
        const std::string lines = qtest::ReadText(side / "lines"), errors = qtest::ReadText(side / "errors");
        SCOPED_TRACE(lines + qtest::ReadText(side / "start") + errors);

        // A sanitizer's report ends a process with 1 too.
        EXPECT_TRUE(end == 0 || (row.use == Use::Own && end == 1 && errors.find("Sanitizer") == std::string::npos))
            << "the player ended with " << end;
        // Nothing is waited for.
        EXPECT_EQ(qtest::ReadText(side / "lines.slept"), "0");
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
            EXPECT_TRUE(S_ISREG(st.st_mode) && (st.st_mode & 07777) == (otherUser ? 0600 : 0666) && st.st_uid == player)
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
            // first such damaged name (a save's, of both); nothing else is
            // kept.
            const std::vector<std::string> files =
                row.file == slot || row.file == thumb ? std::vector<std::string>{slot, thumb} : std::vector{row.file};
            const std::string damagedFile = row.use == Use::Damaged ? files[0] : "";
            u32 firstDamaged = 1;
            while (std::any_of(files.begin(), files.end(), [&](const std::string& file) {
                return planted.count(keptAt(file, firstDamaged, u"damaged"));
            }))
                ++firstDamaged;
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
            break;
        }
        }
    }
    for (const int fd : held) close(fd);
}

// ---- end of what another user plants ------------------------------------------

// A file far larger than any the engine writes (here a sparse one) is not
// loaded into memory: refused with a line naming it, and kept aside by the
// save over it; so is the next, byte for byte the first, beside it: telling
// the two the same would read both whole. Nor does a start's look at the
// saves read it for its mark:
// with its time moved (as a move on FAT moves it) it is kept as changed by
// the save over it, where one at the limit is read and known by its bytes
// (and kept as the damage it is); one of 3 GiB standing as the start saw it
// is kept as damaged, unread, as a slot's is.
TEST_F(CrashSafety, AFileLargerThanAnySaveIsRefusedUnread) {
    Play();
    for (const Writer& w : Writers())
        for (const std::string aside : {".damaged", ".2.damaged"}) {
            SCOPED_TRACE(w.file + aside);
            const fs::path file = dir_.path() / w.file;
            fs::remove(file);
            qtest::WriteBytes(file, {'B'});
            fs::resize_file(file, GxPersistFile::kMaxFileBytes + 1);
            qtest::LogCapture log;
            EXPECT_FALSE(w.load());
            EXPECT_TRUE(log.Contains("(" + file.string() + ":67108865)")) << log.Text();
            ASSERT_TRUE(w.save());
            std::error_code none;
            EXPECT_EQ(fs::file_size(dir_.path() / (w.file + aside), none), 67108865u);
            EXPECT_TRUE(w.load());
        }
    const GxString quick = GxSaveSlot::QuickSavePath(core_.GetSaveDir(), *core_.m_Config);
    const fs::path file = GxToUtf8(quick);
    const struct {
        u64 size;
        bool moved;
        const char* kept;
    } quicks[] = {{GxPersistFile::kMaxFileBytes, true, ".damaged"},
                  {GxPersistFile::kMaxFileBytes + 1, true, ".changed"},
                  {3ull << 30, false, ".damaged"}};
    for (const auto& q : quicks) {
        SCOPED_TRACE(std::to_string(q.size) + (q.moved ? ", moved" : ""));
        for (const char* kept : {".changed", ".damaged"}) fs::remove(file.string() + kept);
        fs::remove(file);
        qtest::WriteBytes(file, {'B'});
        fs::resize_file(file, q.size);
        game_.SeeFiles({quick});
        if (q.moved) fs::last_write_time(file, fs::last_write_time(file) - std::chrono::hours(1));
        ASSERT_TRUE(game_.SaveGameData(quick, true));
        for (const char* kept : {".changed", ".damaged"}) {
            std::error_code none;
            EXPECT_EQ(fs::file_size(file.string() + kept, none), kept == std::string(q.kept) ? q.size : u64(-1))
                << kept;
        }
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

// ---- files that are not the player's, and why a save failed ------------------

// Another user's file (root plants it: the player's folder lets no one else
// write) or a file of the player's it may not read, at a game file's name, is
// not the player's: not read (no link followed, not for its mark), not kept,
// renamed or replaced; one line says whose it is and how to give it back,
// once; a save of that name fails, with the reason the game shows.
TEST_F(CrashSafety, AFileThatIsNotThePlayersIsNeitherReadNorReplaced) {
    Play();
    const bool root = geteuid() == 0;
    qtest::TempDir outside;
    enum class Stranger { Unreadable, OwnersUnreadable, OthersFile, OthersLink, OthersFolder };
    const std::string unreadable = "読む権限のないファイルのため、読み込みも置き換えもしません(";
    const std::string others = "他のユーザー(nobody)のファイルのため、読み込みも置き換えもしません(";
    const struct {
        Stranger plant;
        const char* what;
        std::string line, reason;
        // The save folder's folder in the test's, and as the command quotes
        // it.
        std::string in = {}, quoted = {};
    } plants[] = {
        {Stranger::Unreadable, "a file of the player's it may not read", unreadable, "読めないファイルがセーブファイルの名前にあります"},
        {Stranger::Unreadable, "in a folder named with a space", unreadable, "読めないファイル", "My Games", "My Games"},
        {Stranger::Unreadable, "in a folder named with a shell's marks", unreadable, "読めないファイル",
         "Tom's $HOME;(1)*", "Tom'\\''s $HOME;(1)*"},
        // The folder's owner's, made before it shared the folder with this
        // user: already the player's.
        {Stranger::OwnersUnreadable, "a file of the folder's owner's it may not read", unreadable,
         "読めないファイルがセーブファイルの名前にあります"},
        {Stranger::OthersFile, "another user's file", others, "他のユーザー(nobody)のファイルがセーブファイルの名前にあります"},
        {Stranger::OthersLink, "another user's link to a whole file", others, "他のユーザー(nobody)のファイル"},
        {Stranger::OthersFolder, "another user's folder", others, "他のユーザー(nobody)のファイル"},
    };
    for (const auto& p : plants) {
        if (p.plant != Stranger::Unreadable && !root) continue;
        for (const Writer& w : Writers(p.in)) {
            SCOPED_TRACE(std::string(w.file) + ", " + p.what);
            for (const auto& entry : fs::directory_iterator(dir_.path())) fs::remove_all(entry);
            const fs::path folder = dir_.path() / p.in, file = folder / w.file;
            fs::create_directories(folder);
            // Another user's, which that user lets this one write into.
            if (p.plant == Stranger::OwnersUnreadable) {
                ASSERT_EQ(chown(dir_.path().c_str(), 65534, gid_t(-1)), 0);
                ASSERT_EQ(chmod(dir_.path().c_str(), 0777), 0);
            }
            ASSERT_TRUE(w.save());
            std::optional<qtest::UnreadableFile> closed;
            switch (p.plant) {
            case Stranger::Unreadable:
            case Stranger::OwnersUnreadable: closed.emplace(file); break;
            case Stranger::OthersFile: ASSERT_EQ(chown(file.c_str(), 65534, 65534), 0); break;
            case Stranger::OthersLink:
                fs::rename(file, outside.path() / "whole");
                fs::create_symlink(outside.path() / "whole", file);
                ASSERT_EQ(lchown(file.c_str(), 65534, 65534), 0);
                break;
            case Stranger::OthersFolder:
                fs::remove(file);
                fs::create_directory(file);
                ASSERT_EQ(chown(file.c_str(), 65534, 65534), 0);
                break;
            }
            struct stat was {};
            lstat(file.c_str(), &was);
            qtest::LogCapture log;
            EXPECT_FALSE(w.load());
            EXPECT_TRUE(log.Contains(p.line + file.string())) << log.Text();
            EXPECT_EQ(GxPersistFile::FailureForPlayer(), u"") << "a load is no failed write";
            // The file as a shell takes it, in the command that gives it back.
            const std::string word =
                p.in.empty() ? file.string() : "'" + dir_.str() + "/" + p.quoted + "/" + w.file + "'";
            const std::string how = p.plant == Stranger::Unreadable         ? "「chmod u+rw " + word + "」"
                                    : p.plant == Stranger::OwnersUnreadable ? "「chmod g+rw " + word + "」"
                                                                            : "「sudo chown root " + word + "」";
            EXPECT_TRUE(log.Contains(how)) << log.Text();
            log.Clear();
            EXPECT_FALSE(w.save());
            EXPECT_NE(GxToUtf8(GxPersistFile::FailureForPlayer()).find(p.reason), std::string::npos)
                << GxToUtf8(GxPersistFile::FailureForPlayer());
            EXPECT_FALSE(log.Contains(how)) << "said again: " << log.Text();
            EXPECT_EQ(psys::mark_of_file(file.string()), "");
            struct stat now {};
            lstat(file.c_str(), &now);
            EXPECT_TRUE(now.st_ino == was.st_ino && now.st_mode == was.st_mode && now.st_uid == was.st_uid);
            closed.reset();
            std::vector<std::string> names;
            for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
            EXPECT_EQ(names, std::vector<std::string>{w.file});
            ASSERT_EQ(chown(dir_.path().c_str(), geteuid(), gid_t(-1)), 0);
            fs::permissions(dir_.path(), fs::perms::owner_all);
        }
    }
}

// A save that fails says why in the player's words, for the game's notice,
// and whether its file took its name all the same (then what failed is that
// it may not outlive a power cut, or that what it replaced could not be
// kept, or that a write again with another copy's file merged failed, its
// content too; but not where another copy's file has replaced it since);
// the next that succeeds says nothing.
TEST_F(CrashSafety, AFailedSaveSaysWhyInThePlayersWords) {
    Play();
    const GxString saveDir = core_.GetSaveDir();
    const std::vector<u32> pixels = Picture(1);
    const auto saveSlot = [&] { return GxSaveSlot::Save(game_, saveDir, 5, reinterpret_cast<const u8*>(pixels.data()), 128, 96); };
    static std::string s_Step, s_At;
    static int s_Error, s_Skip;
    // Another copy's file that replaces this write's own as the step fails.
    static fs::path s_Replacing, s_Replaced;
    struct Row {
        const char* what;
        const char* step;  // the step that fails, at a path that ends with at, after skip such steps
        const char* at;
        int error;
        std::string reason;
        bool slot = false;
        bool stands = false;  // the new file stands all the same
        int skip = 0;
        bool other = false;   // another copy wrote the file first: this write keeps it
        bool merged = false;  // the permanent data, which another copy writes in the moment of this write: merged,
                              // and written again
        bool bodyRefused = false;  // a module refuses its part of the write again
        bool replaced = false;     // another copy's file replaces this write's own as the step fails
    } rows[] = {
        {"a read-only folder", "open", ".tmp", EROFS, "セーブフォルダが読み取り専用です"},
        {"no right to write there", "open", ".tmp", EACCES, "セーブフォルダに書き込む権限がありません"},
        {"a full disk", "write", ".tmp", ENOSPC, "ディスクの空きが足りません"},
        {"a sync that failed", "sync", ".tmp", EIO, "ディスクへの書き込みに失敗しました"},
        {"a folder sync that failed once the file took its name", "sync folder", "", EIO,
         "ディスクへの書き込みを確かめられませんでした", false, true},
        {"a thumbnail's folder sync before the save's commit that failed", "sync folder", "", EIO,
         "ディスクへの書き込みに失敗しました", true},
        {"a save's folder sync that failed once it took its name", "sync folder", "", EIO,
         "ディスクへの書き込みを確かめられませんでした", true, true, 1},
        {"a thumbnail's folder sync that failed once it took its name", "sync folder", "", EIO,
         "ディスクへの書き込みを確かめられませんでした", true, true, 2},
        {"a thumbnail's commit that failed", "exchange", "thumb005.png", EIO, "サムネイルを書き込めませんでした", true, true},
        {"a folder sync that failed once another copy's file was kept", "sync folder", "", EIO,
         "ディスクへの書き込みを確かめられませんでした", false, true, 1, true},
        {"a keep that failed", "move", ".changed", EIO, "置き換えたファイルを残せませんでした", false, true, 0, true},
        {"a save's exchange that acted and failed all the same", "exchange", "gamedata005.gd", -EIO,
         "ディスクへの書き込みを確かめられませんでした", true, true},
        {"a link that acted and failed all the same", "link", ".held", -EIO,
         "ディスクへの書き込みを確かめられませんでした", false, true},
        {"a write again with another copy's file merged that failed", "open", ".tmp", ENOSPC,
         "ディスクの空きが足りません", false, true, 1, false, true},
        {"a write again with another copy's file merged whose sync failed", "sync", ".tmp", EIO,
         "ディスクへの書き込みに失敗しました", false, true, 1, false, true},
        {"a write again with another copy's file merged whose content cannot be made", "none", "", 0,
         "書き込む内容を用意できませんでした", false, true, 0, false, true, true},
        {"a write again with another copy's file merged that failed once a third copy's file replaced the first",
         "open", ".tmp", ENOSPC, "ディスクの空きが足りません", false, false, 1, false, true, false, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const auto save = [&] {
            return row.merged ? perman_.Save(SavePath("permanent.dat"), true) : row.slot ? saveSlot() : config_.Save();
        };
        if (row.bodyRefused) PlugModule();
        ASSERT_TRUE(save());
        std::vector<unsigned char> others;
        if (row.merged) {
            fs::remove(dir_.path() / "permanent.dat.changed");
            GxUserDataPerman other(&core_);
            other.SetReadedMessage(u"other" + Number(rounds_), 3);
            ASSERT_TRUE(other.Save(SavePath("other.dat"), true));
            others = Bytes("other.dat");
            gdtest::AtCommit() = [this, &row] {
                fs::rename(dir_.path() / "other.dat", dir_.path() / "permanent.dat");
                module_.m_Result = !row.bodyRefused;
            };
        }
        s_Replacing.clear();
        if (row.replaced) {
            GxUserDataPerman third(&core_);
            third.SetReadedMessage(u"third" + Number(rounds_), 5);
            ASSERT_TRUE(third.Save(SavePath("third.dat"), true));
            s_Replacing = dir_.path() / "third.dat";
            s_Replaced = dir_.path() / "permanent.dat";
        }
        if (row.other) {
            GxUserConfig other(&core_);
            other.m_TextWaitTime = config_.m_TextWaitTime + 7;
            ASSERT_TRUE(other.Save());
        }
        s_Step = row.step;
        s_At = row.at;
        s_Error = row.error;
        s_Skip = row.skip;
        psys::set_safe_file_step_hook([](const char* step, const std::string& path, const std::string& from) {
            gdtest::AtCommitStep(step, path, from);
            if (step != s_Step || !path.ends_with(s_At) || s_Skip-- > 0) return 0;
            if (!s_Replacing.empty()) fs::rename(std::exchange(s_Replacing, {}), s_Replaced);
            return std::exchange(s_Error, 0);
        });
        qtest::LogCapture log;
        EXPECT_FALSE(save());
        psys::set_safe_file_step_hook(nullptr);
        module_.m_Result = true;
        core_.SetModule(0, nullptr);
        EXPECT_EQ(GxToUtf8(GxPersistFile::FailureForPlayer()), row.reason) << log.Text();
        EXPECT_EQ(GxPersistFile::FailedWriteStands(), row.stands);
        EXPECT_TRUE(log.Contains(row.slot ? "GxSaveSlot::Save/" : row.merged ? "Perman::Save/ファイル" : "Config::Save/ファイル") ||
                    (row.slot && log.Contains("GxUserData::SaveGameData/ファイル")))
            << log.Text();
        // What stands is what the log says too: a file that took its name is
        // said written (but for the save beside a thumbnail that did not).
        EXPECT_TRUE(!row.stands || !log.Contains("ファイルの書き込みに失敗しました")) << log.Text();
        EXPECT_EQ(log.Contains("を書き込みましたが、"), row.stands && row.reason != "サムネイルを書き込めませんでした")
            << log.Text();
        EXPECT_TRUE(!row.merged || Bytes("permanent.dat.changed") == others) << "what it was to merge is kept";
        // The file that took its name is this copy's own: the next save (of
        // other bytes) keeps nothing of it.
        log.Clear();
        Grow();
        ASSERT_TRUE(save());
        EXPECT_EQ(GxPersistFile::FailureForPlayer(), u"");
        EXPECT_FALSE(log.Contains("読み込んだ後に書き換えられていたファイル")) << log.Text();
        GxSaveSlot::RecoverLeftovers(saveDir, *core_.m_Config, true);
        EXPECT_EQ(qtest::WriterLeftovers(dir_.path()), std::vector<std::string>());
    }
}

// A start leaves alone what a user who does not count left in the folder
// (never merging a permanent data file planted at a held name), a token of
// the last release's turns too; it narrows the player's
// own files that stay to the folder's reach (but one with a name elsewhere
// too); and it settles the game's own folder, named "" as its writers name
// it (I6, 5).
TEST_F(CrashSafety, AStartLeavesOtherUsersLeftoversAndNarrowsThePlayersFiles) {
    const bool root = geteuid() == 0;
    if (!root) std::printf("not root: another user's files cannot be made, those rows are skipped\n");
    GxUserDataPerman planted(&core_);
    planted.SetReadedMessage(u"planted", 7);
    ASSERT_TRUE(planted.Save(SavePath("planted.dat"), true));
    const std::vector<unsigned char> permanent = Bytes("planted.dat");
    struct Row {
        const char* what;
        std::vector<std::tuple<std::string, std::string, int>> files;  // name, text ("=<name>": a second name), mode
        bool others = false;                                            // the files are another user's
        std::vector<std::pair<std::string, int>> after;                 // name, mode (-1: gone)
        const char* said = nullptr;
    } rows[] = {
        {"another user's permanent data at a held name", {{"permanent.dat.1-aa.held", "perm", 0600}}, true,
         {{"permanent.dat.1-aa.held", 0600}, {"permanent.dat", -1}}},
        {"another user's temporary, held and token names",
         {{"userconf.dat", "mine", 0600}, {"userconf.dat.1-aa.tmp", "x", 0600}, {"userconf.dat.1-bb.held", "y", 0600},
          {"userconf.dat.writing", "", 0600}},
         true, {{"userconf.dat.1-aa.tmp", 0600}, {"userconf.dat.1-bb.held", 0600}, {"userconf.dat.writing", 0600}}},
        {"the player's save open to all", {{"gamedata001.gd", "save", 0666}}, false, {{"gamedata001.gd", 0600}},
         "フォルダに書き込めない人が読み書きできないようにしました"},
        {"a kept save open to all", {{"gamedata001.gd.changed", "save", 0666}}, false,
         {{"gamedata001.gd.changed", 0600}}, "フォルダに書き込めない人が読み書きできないようにしました"},
        {"a save with a second name elsewhere", {{"gamedata001.gd", "save", 0666}, {"elsewhere", "=gamedata001.gd", 0666}},
         false, {{"gamedata001.gd", 0666}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        if (row.others && !root) continue;
        for (const auto& entry : fs::directory_iterator(dir_.path())) fs::remove_all(entry);
        for (const auto& [name, text, mode] : row.files) {
            const fs::path path = dir_.path() / name;
            if (text.starts_with("=")) fs::create_hard_link(dir_.path() / text.substr(1), path);
            else if (text == "perm") qtest::WriteBytes(path, permanent);
            else qtest::WriteText(path, text);
            fs::permissions(path, fs::perms(mode));
            if (row.others) {
                ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0);
            }
        }
        qtest::LogCapture log;
        EXPECT_TRUE(GxSaveSlot::RecoverLeftovers(core_.GetSaveDir(), *core_.m_Config, true).empty());
        GxUserDataPerman perman(&core_);
        perman.Load(SavePath("permanent.dat"));
        EXPECT_FALSE(perman.IsReadedMessage(u"planted", 7));
        for (const auto& [name, mode] : row.after) {
            struct stat st {};
            const bool there = lstat((dir_.path() / name).c_str(), &st) == 0;
            EXPECT_EQ(there ? int(st.st_mode & 07777) : -1, mode) << name;
        }
        if (row.said) {
            EXPECT_TRUE(log.Contains(row.said)) << log.Text();
        } else {
            EXPECT_EQ(log.Text(), "");
        }
    }

    // The game's own folder, where no save folder could be made.
    for (const auto& entry : fs::directory_iterator(dir_.path())) fs::remove_all(entry);
    qtest::WriteText(dir_.path() / "userconf.dat.1-aa.held", "held");
    fs::permissions(dir_.path() / "userconf.dat.1-aa.held", fs::perms(0600));
    const fs::path was = fs::current_path();
    fs::current_path(dir_.path());
    GxSaveSlot::RecoverLeftovers(u"", *core_.m_Config, true);
    fs::current_path(was);
    EXPECT_EQ(qtest::ReadText(dir_.path() / "userconf.dat"), "held");

    // From a user namespace that maps only the player, another user's file
    // reads as the overflow id, whoever it is: no stranger's, and said.
    if (!root) return;
    for (const auto& entry : fs::directory_iterator(dir_.path())) fs::remove_all(entry);
    qtest::WriteText(dir_.path() / "gamedata001.gd", "save");
    ASSERT_EQ(chown((dir_.path() / "gamedata001.gd").c_str(), 65534, 65534), 0);
    EXPECT_EQ(InChild([&] {
                  if (!qtest::EnterOwnUserNamespace(true)) return 97;
                  qtest::LogCapture seen;
                  GxSaveSlot::RecoverLeftovers(core_.GetSaveDir(), *core_.m_Config, true);
                  return seen.Contains("持ち主が分からないファイルを、プレイヤーのものとして扱います") ? 0 : 1;
              }),
              0);

    // A token of the folder's owner's, who counts there, met by a start with
    // the lock of another user's whom the folder lets write: it goes, as the
    // start's own would.
    qtest::TempDir shared;
    fs::permissions(shared.path(), fs::perms(0777));
    qtest::WriteText(shared.path() / "permanent.dat.writing", "");
    const int end = InChild([&] {
        if (!qtest::BecomeUser(65534, 65534)) return 99;
        GxSaveSlot::RecoverLeftovers(GxFromUtf8(shared.str() + "/"), *core_.m_Config, true);
        return 0;
    });
    EXPECT_EQ(end, 0);
    EXPECT_FALSE(fs::exists(shared.path() / "permanent.dat.writing"));
}

} // namespace
