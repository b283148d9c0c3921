// Every file the game data writes survives a writer that dies between
// writing and renaming, and a disk that fills up: the old file stays whole
// and loads, and the failed save says so.
#include "SaveGameFixture.h"

#include "gamedata/GxPersistFile.h"
#include "graphics/GxPNG.h"
#include "platform/system/file_system.h"
#include "platform/system/safe_file.h"
#include "support/LogCapture.h"

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
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
        const std::vector<std::string> leftovers = psys::safe_file_leftovers(dir_.str(), {w.file});
        ASSERT_EQ(leftovers.size(), 1u);
        const auto leftover = qtest::ReadBytes(leftovers[0]);
        EXPECT_GE(leftover.size(), old.size());
        EXPECT_NE(leftover, old);
        EXPECT_TRUE(w.load());
        // The next save leaves nothing of its own behind.
        Grow();
        ASSERT_TRUE(w.save());
        EXPECT_NE(Bytes(w.file), old);
        EXPECT_EQ(psys::safe_file_leftovers(dir_.str(), {w.file}), leftovers);
        EXPECT_FALSE(std::filesystem::exists(psys::safe_file_temp_path(dir_.str() + "/" + w.file)));
        EXPECT_TRUE(w.load());
        std::filesystem::remove(leftovers[0]);
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
        const std::filesystem::path temp = psys::safe_file_temp_path(dir_.str() + "/" + w.file);
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
        EXPECT_FALSE(std::filesystem::exists(temp));
        EXPECT_TRUE(w.load());
    }
}

// A save folder others can write to may hold a link, planted at a writer's
// temporary name, to a file of the player's: no byte goes through it.
TEST_F(CrashSafety, ALinkAtTheTemporaryNameIsNeverWrittenThrough) {
    Play();
    qtest::TempDir outside;
    const std::filesystem::path players = outside.path() / "notes.txt";
    for (const Writer& w : Writers()) {
        for (const bool symbolic : {true, false}) {
            SCOPED_TRACE(std::string(w.file) + (symbolic ? ": symbolic" : ": hard"));
            qtest::WriteText(players, "the player's own\n");
            const std::filesystem::path temp = psys::safe_file_temp_path(dir_.str() + "/" + w.file);
            if (symbolic) std::filesystem::create_symlink(players, temp);
            else std::filesystem::create_hard_link(players, temp);
            Grow();
            ASSERT_TRUE(w.save());
            std::filesystem::remove(temp);
            EXPECT_EQ(qtest::ReadText(players), "the player's own\n");
            EXPECT_FALSE(std::filesystem::is_symlink(dir_.path() / w.file));
            EXPECT_EQ(std::filesystem::hard_link_count(dir_.path() / w.file), 1u);
            EXPECT_TRUE(w.load());
        }
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
