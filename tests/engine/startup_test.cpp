#include "GameFolder.h"

#include "base/GxStringUtil.h"
#include "engine/GxCore.h"
#include "engine/GxDebugStatus.h"
#include "gamedata/GxUserConfig.h"
#include "gamedata/GxUserData.h"
#include "gamedata/GxUserDataPerman.h"
#include "support/Golden.h"
#include "support/LogCapture.h"
#include "support/Processes.h"
#include "tasks/GxSystemConfig.h"
#include "tasks/GxTaskBase.h"
#include "tasks/GxTaskManage.h"
#include "game/AvgCore.h"
#include "graphics/GxGraphics.h"
#include "platform/render/adapter.h"
#include "platform/system/instance_lock.h"
#include "platform/system/safe_file.h"
#include "script/GxMoaSystem.h"

#include <cerrno>
#include <cstring>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using proctest::GameFolderTest;
using proctest::ReadUtf16File;
namespace fs = std::filesystem;

// Runs start-up: whether it started, and what its message boxes said
// (headless they go to standard error).
struct StartUp {
    bool started;
    std::string said;
};
StartUp StartCapturing(GxCore& core) {
    testing::internal::CaptureStderr();
    return {core.Initialize(), testing::internal::GetCapturedStderr()};
}

class Startup : public GameFolderTest {};

TEST_F(Startup, WorkingFolderLengthLimit) {
    // The working folder counts with its closing '/': 244 starts, 245 stops.
    for (const size_t limit : {244, 245}) {
        const bool refused = limit == 245;
        fs::path dir = fs::current_path();
        fs::path first;
        size_t length = dir.string().size() + 1;
        ASSERT_LT(length + 2, limit);
        while (length < limit) {
            // A component of k characters adds k + 1; never leave 1 to go.
            const size_t remaining = limit - length;
            size_t k = remaining - 1;
            if (k > 60) k = (remaining - 61 == 1) ? 59 : 60;
            dir /= std::string(k, 'd');
            if (first.empty()) first = dir;
            length = dir.string().size() + 1;
        }
        fs::create_directories(dir);
        fs::current_path(dir);
        ASSERT_EQ(GxGetCurrentDirectory().size(), limit);
        GxCore core;
        const auto [started, said] = StartCapturing(core);
        EXPECT_FALSE(started);
        EXPECT_EQ(said.find("インストール先のパスが長すぎます") != std::string::npos, refused) << said;
        // There is no configuration here: the 244 case goes on to that refusal.
        EXPECT_NE(said.find(refused ? "(インストール可能なパス最大長は245文字です)"
                                    : "システム設定ファイルの読み込みに失敗しました"),
                  std::string::npos)
            << said;
        fs::current_path(game_);
        fs::remove_all(first);
    }
}

TEST_F(Startup, AConfigurationThatGivesNoKeyStopsBeforeAnythingIsMade) {
    struct Case {
        const char* what;
        std::optional<std::string> bytes;  // none: no file
        const char* reason;                // the line that names the file; none for a missing file
    };
    // Keys past the reader's limit of 1 MiB.
    std::string large = "APP_TITLE=Large\n";
    large += std::string((1u << 20) + 1 - large.size(), '#');
    const Case cases[] = {
        {"missing", std::nullopt, nullptr},
        {"no byte", "", "Error/GxSystemConfig Empty File(system/sysconf.ini)"},
        {"a UTF-8 mark alone", "\xEF\xBB\xBF", "Error/GxSystemConfig Empty File(system/sysconf.ini)"},
        {"UTF-16BE", std::string("\xFE\xFF\0A\0P\0P\0_\0T\0I\0T\0L\0E\0=\0X", 24),
         "Error/GxSystemConfig UTF-16 Big-Endian Is Not Read(system/sysconf.ini)"},
        {"no line with '='", "APP_TITLE\n", "Error/GxSystemConfig No Key In File(system/sysconf.ini)"},
        {"too large", large, "File too large(1048577 bytes, at most 1048576):system/sysconf.ini"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(game_ / "system" / "sysconf.ini");
        if (c.bytes) qtest::WriteText(game_ / "system" / "sysconf.ini", *c.bytes);
        GxCore core;
        const auto [started, said] = StartCapturing(core);
        EXPECT_FALSE(started);
        if (started) core.Finalize();
        EXPECT_NE(said.find("[Quillon] システム設定ファイルの読み込みに失敗しました。考えられる原因は以下の通りです。\n・ウイルス対策ソフトによって"),
                  std::string::npos)
            << said;
        // No log is open yet: the reason goes to standard error; a missing
        // file's name is not said at all.
        EXPECT_EQ(said.find(c.reason ? std::string(c.reason) + "\n" : "sysconf.ini") != std::string::npos, c.reason != nullptr)
            << said;
        EXPECT_EQ(core.GetSystemConfig(), nullptr);
        EXPECT_FALSE(fs::exists(Documents() / "Quillon_SAVE"));
        psys::instance_lock other;
        EXPECT_TRUE(other.acquire("Quillon"));
    }
}

TEST_F(Startup, SecondInstanceIsRefusedBeforeAnyWindowOrLog) {
    WriteGame("Twice", "SAVE_TO_MYDOCUMENTS=0\n");
    psys::instance_lock first;
    ASSERT_TRUE(first.acquire("Twice"));
    GxCore core;
    const auto [started, said] = StartCapturing(core);
    EXPECT_FALSE(started);
    EXPECT_NE(said.find("[Twice] 既に起動中です"), std::string::npos) << said;
    EXPECT_FALSE(core.GetMainWindow().exists());
    EXPECT_EQ(core.GetTaskManage(), nullptr);
    EXPECT_FALSE(fs::exists(game_ / "Save_Twice"));

    // Once the first holder is gone the game starts.
    first.release();
    GxCore again;
    const StartUp second = StartCapturing(again);
    ASSERT_TRUE(second.said.find("既に起動中です") == std::string::npos);
    ASSERT_TRUE(second.started);
    again.Finalize();
}

TEST_F(Startup, SaveFolderPlaceFollowsBothConfigurationFiles) {
    struct Case {
        const char* sysconf;   // SAVE_TO_MYDOCUMENTS line
        const char* settings;  // setting.ini, or null for none
        bool inDocuments;
    };
    const Case cases[] = {
        {"", nullptr, true},
        {"SAVE_TO_MYDOCUMENTS=0\n", nullptr, false},
        {"SAVE_TO_MYDOCUMENTS=0\n", "DebugModeFlag=0\n", false},
        {"SAVE_TO_MYDOCUMENTS=0\n", "SaveToMyDocuments=1\n", true},
        {"SAVE_TO_MYDOCUMENTS=1\n", "SaveToMyDocuments=0\n", false},
        {"", "SaveToMyDocuments=0\n", false},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(n);
        const std::string title = "Place" + std::to_string(n++);
        fs::remove(game_ / "setting.ini");
        WriteGame(title, c.sysconf, c.settings ? std::optional<std::string>(c.settings) : std::nullopt);
        GxCore core;
        const mode_t umaskBefore = umask(0);
        const auto [started, said] = StartCapturing(core);
        umask(umaskBefore);
        ASSERT_TRUE(started) << said;
        const fs::path expected = (c.inDocuments ? Documents() : game_) / ("Save_" + title);
        EXPECT_TRUE(fs::is_directory(expected));
        // The player's alone, whatever the umask: whoever may open it may lock it.
        EXPECT_EQ(fs::status(expected).permissions(), fs::perms::owner_all);
        EXPECT_EQ(core.GetSaveDir(), GxFromUtf8(expected.string() + "/"));
        // The message names the folder, not its path.
        const std::string message = std::string(c.inDocuments ? "ドキュメント" : "インストールフォルダ") +
                                    "にセーブフォルダ[Save_" + title + "]を作成しました。";
        EXPECT_NE(said.find("[" + title + "] " + message), std::string::npos) << said;
        core.Finalize();

        // A folder that exists is not announced again.
        GxCore second;
        EXPECT_EQ(StartCapturing(second).said.find("セーブフォルダ"), std::string::npos);
        second.Finalize();
    }
}

// An account without a documents folder has one made, in its home or, with
// no home, in the data folder. Where none can be had at all, or a file
// stands where the save folder should go, there is no save folder and the
// logs stay in the working folder.
TEST_F(Startup, TheSaveFolderOfAnAccountWithoutADocumentsFolder) {
    const fs::path data = temp_.path() / "data" / "share";
    struct Case {
        const char* name;
        std::optional<fs::path> home;  // HOME; unset, with a data folder, when none
        bool blocked;                  // a file where the folder should go, in the game's folder
        std::optional<fs::path> made;  // the folder the save folder is made in; none: no save folder
    };
    const Case cases[] = {
        {"NoHome", temp_.path() / "not-a-home", false, std::nullopt},  // a file: no documents folder can be had
        {"Blocked", temp_.path() / "home", true, std::nullopt},
        {"Made", temp_.path() / "home", false, Documents()},
        {"Data", std::nullopt, false, data},
    };
    qtest::WriteText(temp_.path() / "not-a-home", "x");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string folder = std::string("Save_") + c.name;
        fs::remove_all(Documents());
        c.home ? setenv("HOME", c.home->c_str(), 1) : unsetenv("HOME");
        if (!c.home) setenv("XDG_DATA_HOME", data.c_str(), 1);
        WriteGame(c.name, c.blocked ? "SAVE_TO_MYDOCUMENTS=0\n" : "");
        if (c.blocked) qtest::WriteText(game_ / folder, "x");
        GxCore core;
        const auto [started, said] = StartCapturing(core);
        unsetenv("XDG_DATA_HOME");
        setenv("HOME", (temp_.path() / "home").c_str(), 1);
        ASSERT_TRUE(started) << said;
        if (c.made) {
            EXPECT_TRUE(fs::is_directory(*c.made / folder));
            EXPECT_EQ(core.GetSaveDir(), GxFromUtf8((*c.made / folder).string() + "/"));
            EXPECT_NE(said.find("ドキュメントにセーブフォルダ"), std::string::npos) << said;
            core.Finalize();
            continue;
        }
        EXPECT_NE(said.find("セーブフォルダの作成に失敗しました。"), std::string::npos) << said;
        EXPECT_EQ(said.find("を作成しました"), std::string::npos) << said;
        EXPECT_EQ(core.GetSaveDir(), u"");
        EXPECT_FALSE(fs::exists(fs::path("/") / folder));
        core.Finalize();
        // The system dialogs' missing records were logged under the bare name.
        EXPECT_NE(ReadUtf16File(game_ / "error.log").find("UIモジュールデータ[dlg_shutdown]が見つかりません:SeqSystem"),
                  std::string::npos);
        fs::remove(game_ / "error.log");
    }
}

TEST_F(Startup, LogsOfTheLastRunAreClearedAsConfigured) {
    struct Case {
        const char* settings;
        bool errorAndDebugKept;
    };
    int n = 0;
    for (const Case c : {Case{"", true}, Case{"CleanErrorLog=1\n", false}}) {
        const std::string title = "Logs" + std::to_string(n++);
        // A pack that is missing is logged before the log folder is known.
        WriteGame(title, "SAVE_TO_MYDOCUMENTS=0\nPACK_FILE_00=missing.gxp\n", std::string(c.settings));
        const fs::path save = game_ / ("Save_" + title);
        fs::create_directories(save);
        for (const char* name : {"error.log", "debug.log", "device.log"}) qtest::WriteText(save / name, "OLD");
        GxCore core;
        ASSERT_TRUE(StartCapturing(core).started);
        // device.log always starts anew: only this run's device report.
        EXPECT_EQ(ReadUtf16File(save / "device.log").find("OLD"), std::string::npos);
        EXPECT_TRUE(fs::exists(save / "device.log"));
        // The save folder's way of writing is this run's first debug line.
        EXPECT_EQ(qtest::ReadText(save / "debug.log").starts_with("OLD"), c.errorAndDebugKept);
        if (!c.errorAndDebugKept) {
            EXPECT_NE(ReadUtf16File(save / "debug.log").find("GxCore/セーブフォルダへの書き込み方法(" + save.string() + ":"),
                      std::string::npos)
                << ReadUtf16File(save / "debug.log");
        }
        const std::vector<unsigned char> error = qtest::ReadBytes(save / "error.log");
        EXPECT_EQ(error.size() > 3 && error[0] == 'O' && error[1] == 'L', c.errorAndDebugKept);
        // This run's early lines come after the old ones, or alone when those went.
        const size_t skip = c.errorAndDebugKept ? 3 : 2;
        ASSERT_GT(error.size(), skip);
        std::vector<unsigned char> thisRun(error.begin() + static_cast<std::ptrdiff_t>(skip), error.end());
        const unsigned char bom[] = {0xFF, 0xFE};
        thisRun.insert(thisRun.begin(), std::begin(bom), std::end(bom));
        qtest::WriteBytes(save / "this-run.log", thisRun);
        EXPECT_NE(ReadUtf16File(save / "this-run.log").find("Error/GxMountPackFile Failed(missing.gxp)"), std::string::npos);
        core.Finalize();
    }
}

TEST_F(Startup, ConfigurationReachesTheCoreAndTheGame) {
    WriteGame("Configured", "SAVE_TO_MYDOCUMENTS=0\nPACK_FILE_00=data.gxp\n", std::string("DebugModeFlag=1\n"));
    qtest::WritePack(game_ / "data.gxp", {{"inpack.txt", {'x'}}});
    GxCore core;
    ASSERT_TRUE(StartCapturing(core).started);
    EXPECT_TRUE(core.IsStarted());
    EXPECT_EQ(core.GetTitle(), u"Configured");
    EXPECT_EQ(core.GetMainWindow().title(), "Configured");
    EXPECT_TRUE(core.GetSystemConfig()->m_DebugModeFlag);
    EXPECT_EQ(GxFileExists(u"inpack.txt"), kGxFileInPack);
    EXPECT_EQ(core.GetFrameTimer()->m_TargetRate, 60);
    EXPECT_EQ(core.GetFrameTimer()->m_StepRate, 60);
    // The game is plugged in and its system scene is the resident tree.
    EXPECT_EQ(core.GetModule(1), AvgCore::GetInstance());
    EXPECT_EQ(AvgCore::GetInstance()->GetCore(), &core);
    ASSERT_NE(core.GetTaskManage()->GetRootTree(), nullptr);
    EXPECT_EQ(core.GetTaskManage()->GetRootTree()->GetTaskName(), u"SeqSystem");
    EXPECT_TRUE(GxGetFileCache().IsEnabled());
    ASSERT_NE(core.GetProfile(), nullptr);
    // Every check of the platform's version takes its modern path.
    int major = 0, minor = -1;
    EXPECT_TRUE(GxCore::GetWindowsVersion(&major, &minor));
    EXPECT_EQ(major, 10);
    EXPECT_EQ(minor, 0);
    // The instance lock is held until shutdown.
    psys::instance_lock other;
    EXPECT_FALSE(other.acquire("Configured"));
    core.Finalize();
    EXPECT_FALSE(core.IsStarted());
    EXPECT_EQ(AvgCore::GetInstance()->GetCore(), nullptr);
    EXPECT_EQ(core.GetTaskManage(), nullptr);
    EXPECT_EQ(core.GetProfile(), nullptr);
    EXPECT_FALSE(core.GetMainWindow().exists());
    EXPECT_TRUE(other.acquire("Configured"));
}

TEST_F(Startup, SettingsAndPermanentDataAreReadAtStartAndWrittenAtExit) {
    WriteGame("Persist", "SAVE_TO_MYDOCUMENTS=0\n");
    const fs::path save = game_ / "Save_Persist";
    fs::create_directories(save);
    const auto settings = qtest::ReadBytes(qtest::GoldenPath("gamedata/userconf.dat"));
    qtest::WriteBytes(save / "userconf.dat", settings);
    fs::copy_file(qtest::GoldenPath("gamedata/permanent.dat"), save / "permanent.dat");
    GxCore core;
    ASSERT_TRUE(StartCapturing(core).started);
    ASSERT_NE(core.GetUserConfig(), nullptr);
    EXPECT_EQ(GxUserConfig::Get(), core.GetUserConfig());
    EXPECT_EQ(GxUserData::Get(), core.GetUserData());
    EXPECT_EQ(GxUserDataPerman::Get(), core.GetUserDataPerman());
    EXPECT_EQ(core.GetUserConfig()->m_TextWaitTime, 30);
    EXPECT_TRUE(core.GetUserDataPerman()->IsReadedMessage(u"script01", 63));
    // The status line shows the game state's waits.
    core.GetUserData()->m_Hold_WaitClick = 3;
    core.GetUserData()->m_Hold_EndOfLayerActionSeparate_LayerName = u"$BGLAYER:SeqAvgMain";
    const GxDebugStatusInput status = GxGatherDebugStatus(nullptr);
    EXPECT_EQ(status.m_WaitClick, 3);
    EXPECT_EQ(status.m_WaitASName, u"$BGLAYER:SeqAvgMain");
    // A save past the player's file-size limit fails and says why; the game
    // that started goes on.
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        qtest::LogCapture log;
        const rlimit limit{64, 64};
        setrlimit(RLIMIT_FSIZE, &limit);
        const bool saved = core.GetUserDataPerman()->Save(core.GetUserDataPerman()->GetFilePath(), true);
        _exit(!saved && log.Contains("File too large") ? 0 : 1);
    }
    EXPECT_EQ(qtest::WaitExit(child, std::chrono::seconds(30)), 0);

    core.GetUserConfig()->m_TextWaitTime = 45;
    core.GetUserDataPerman()->SetReadedMessage(u"new", 2);
    core.Finalize();
    EXPECT_EQ(GxUserConfig::Get(), nullptr);
    EXPECT_EQ(core.GetUserData(), nullptr);
    // The core keeps its save folder after shutdown; fresh holders read there
    // (the permanent data with the script's variables, as at start-up).
    GxUserConfig settingsAfter(&core);
    GxUserDataPerman permanAfter(&core);
    EXPECT_TRUE(settingsAfter.Load());
    GxMoaStartup(nullptr);
    EXPECT_TRUE(permanAfter.Load(permanAfter.GetFilePath()));
    GxMoaShutdown();
    EXPECT_EQ(settingsAfter.m_TextWaitTime, 45);
    EXPECT_EQ(settingsAfter.m_Volume_Voice[31], 69);
    EXPECT_TRUE(permanAfter.IsReadedMessage(u"new", 2));
    EXPECT_TRUE(permanAfter.IsReadedMessage(u"script01", 63));

    // At exit no notice could show that the permanent data was not kept: a
    // box says it, and why; or, where its file took its name but the folder
    // could not be synced after, that it stands, and what could not be.
    static bool committed;
    for (const bool stands : {false, true}) {
        GxCore again;
        ASSERT_TRUE(StartCapturing(again).started);
        std::optional<qtest::TempFileRefused> refused;
        committed = false;
        if (stands)
            psys::set_safe_file_step_hook([](const char* step, const std::string& path, const std::string&) {
                if (std::strcmp(step, "committed") == 0) committed = path.ends_with("permanent.dat");
                return committed && std::strcmp(step, "sync folder") == 0 ? EIO : 0;
            });
        else
            refused.emplace(save / "permanent.dat");
        testing::internal::CaptureStderr();
        again.Finalize();
        psys::set_safe_file_step_hook(nullptr);
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_NE(said.find(stands ? "プレイ記録を保存しましたが、ディスクへの書き込みを確かめられませんでした"
                                   : "プレイ記録の保存に失敗しました\nディスクの空きが足りません"),
                  std::string::npos)
            << said;
        EXPECT_EQ(said.find("設定"), std::string::npos) << said;
    }
}

// Writes cut short by a kill leave their temporary files: the engine's own
// are removed at the next start that holds the save folder's lock, whatever
// process their names give (no writer can be writing there beside it: pid 1
// runs, and a pid namespace gives every start the same small pid), anything
// else in the folder stays; the files such writes held are kept, with a
// line, put back where their name stands empty, or (the permanent data's)
// merged at its load, kept as damaged where they would not read. A FIFO
// planted at the lock file's name gives way to a lock file. A permanent-data file whose header is
// damaged is not read, and the first write keeps it aside before writing
// its own.
TEST_F(Startup, StaleTemporaryFilesGoAndAnUnreadFileIsKeptAtExit) {
    WriteGame("Stale", "SAVE_TO_MYDOCUMENTS=0\n");
    const fs::path save = game_ / "Save_Stale";
    // As the game makes it: the player's alone, so that its own lock counts.
    fs::create_directories(save);
    fs::permissions(save, fs::perms::owner_all);
    const std::string dead = std::to_string(qtest::EndedProcessId());
    struct Name {
        std::string name;
        bool removed;
    } names[] = {
        {"userconf.dat.tmp", true},           {"permanent.dat." + dead + ".tmp", true},
        {"gamedata001.gd." + dead + "-2.tmp", true}, {"gamedata080.gd.tmp", true},
        {"thumb037.png." + dead + ".tmp", true},     {"gamedata_quick.gd.tmp", true},
        // A writer whose pid runs (init always does), and names of no writer's.
        {"permanent.dat.1.tmp", true},       {"gamedata081.gd.tmp", false},
        {"gamedata1.gd.tmp", false},         {"notes.tmp", false},
        {"gamedata002.gd", false},           {"userconf.dat.x1.tmp", false},
    };
    for (const Name& n : names) qtest::WriteText(save / n.name, "x");
    // Files writes held, perhaps another copy's: kept beside a file that
    // stands, put back where none does, merged into the permanent data.
    const std::string keptHeld = "gamedata002.gd." + dead + "-0a1b.held", backHeld = "gamedata004.gd." + dead + "-2c3d.held";
    qtest::WriteText(save / keptHeld, "held");
    // A save is kept only where its thumbnail can be kept beside it.
    qtest::WriteText(save / "thumb002.png.changed", "planted");
    qtest::WriteText(save / backHeld, "back");
    qtest::WriteText(save / "permanent.dat.1-4e5f.held", "running");
    ASSERT_EQ(mkfifo((save / "instance.lock").c_str(), 0666), 0);
    auto damaged = qtest::ReadBytes(qtest::GoldenPath("gamedata/permanent.dat"));
    damaged[1] = 'X';
    qtest::WriteBytes(save / "permanent.dat", damaged);
    GxCore core;
    ASSERT_TRUE(StartCapturing(core).started);
    for (const Name& n : names) EXPECT_EQ(fs::exists(save / n.name), !n.removed) << n.name;
    EXPECT_FALSE(fs::exists(save / keptHeld));
    EXPECT_FALSE(fs::exists(save / "gamedata002.gd.changed"));
    EXPECT_EQ(qtest::ReadText(save / "gamedata002.gd.2.changed"), "held");
    EXPECT_EQ(qtest::ReadText(save / "thumb002.png.changed"), "planted");
    EXPECT_FALSE(fs::exists(save / backHeld));
    EXPECT_EQ(qtest::ReadText(save / "gamedata004.gd"), "back");
    EXPECT_FALSE(core.GetUserDataPerman()->IsReadedMessage(u"script01", 63));
    core.GetUserDataPerman()->SetReadedMessage(u"new", 2);
    core.Finalize();
    EXPECT_EQ(qtest::ReadBytes(save / "permanent.dat.damaged"), damaged);
    EXPECT_FALSE(fs::exists(save / "permanent.dat.1-4e5f.held"));
    EXPECT_EQ(qtest::ReadText(save / "permanent.dat.2.damaged"), "running");
    const std::string log = ReadUtf16File(save / "error.log");
    EXPECT_NE(log.find("FileHeader Isn't BPD (" + (save / "permanent.dat").string() + ")"), std::string::npos) << log;
    EXPECT_NE(log.find((save / "gamedata002.gd.2.changed").string() + "として残しました"), std::string::npos) << log;
    EXPECT_NE(log.find((save / "gamedata004.gd").string() + "に戻しました"), std::string::npos) << log;
    EXPECT_TRUE(fs::is_regular_file(save / "instance.lock"));
    EXPECT_EQ(log.find("Lock"), std::string::npos) << log;
    GxUserDataPerman after(&core);
    EXPECT_TRUE(after.Load(after.GetFilePath()));
    EXPECT_TRUE(after.IsReadedMessage(u"new", 2));
}

// A start settles only as far as its lock reaches. Where the lock it holds
// is one every copy sees (its own save folder; the game's folder when no
// save folder could be made) it settles everything a cut write left; where
// it has none (a folder stands at the lock file's name) it puts back only
// what stands nowhere else, leaves a write another copy may still be
// making, and says once what copies running together may do.
TEST_F(Startup, AStartSettlesAsFarAsItsLockReaches) {
    const std::string dead = std::to_string(qtest::EndedProcessId());
    const std::string temporary = "permanent.dat." + dead + "-0123456789abcdef.tmp",
                      back = "gamedata004.gd." + dead + "-2c3d.held", beside = "gamedata002.gd." + dead + "-0a1b.held";
    struct Row {
        const char* what;
        bool saveFolder;
        bool everyCopySees;
    };
    const Row rows[] = {
        {"the player's own save folder", true, true},
        {"a save folder with a folder at its lock file's name", true, false},
        {"no save folder: the game's folder", false, true},
    };
    int n = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string title = "Reach" + std::to_string(n++);
        WriteGame(title, "SAVE_TO_MYDOCUMENTS=0\n");
        const fs::path save = row.saveFolder ? game_ / ("Save_" + title) : game_;
        if (row.saveFolder) {
            fs::create_directories(save);
            fs::permissions(save, fs::perms::owner_all);
            if (!row.everyCopySees) fs::create_directory(save / "instance.lock");
        } else {
            qtest::WriteText(game_ / ("Save_" + title), "a file where the folder would go");
        }
        qtest::WriteText(save / temporary, "being written");
        qtest::WriteText(save / back, "back");
        qtest::WriteText(save / "gamedata002.gd", "standing");
        qtest::WriteText(save / beside, "held");
        GxCore core;
        const auto [started, said] = StartCapturing(core);
        ASSERT_TRUE(started) << said;
        EXPECT_EQ(qtest::ReadText(save / "gamedata004.gd"), "back") << "put back where nothing stood";
        EXPECT_FALSE(fs::exists(save / back));
        EXPECT_EQ(fs::exists(save / temporary), !row.everyCopySees);
        EXPECT_EQ(fs::exists(save / beside), !row.everyCopySees);
        EXPECT_EQ(fs::exists(save / "gamedata002.gd.changed"), row.everyCopySees);
        core.Finalize();
        const std::string log = ReadUtf16File(save / "error.log");
        EXPECT_EQ(log.find("GxCore/セーブフォルダをロックできないため") != std::string::npos, !row.everyCopySees) << log;
        for (const char* name : {"gamedata004.gd", "gamedata002.gd", "gamedata002.gd.changed", "error.log",
                                 "debug.log", "device.log", "userconf.dat", "permanent.dat", "instance.lock"})
            if (!row.saveFolder) fs::remove(save / name);
        if (!row.saveFolder) fs::remove(save / temporary);
    }
}

TEST_F(Startup, AWindowThatCannotBeMadeEndsStartUpCleanly) {
    WriteGame("NoWindow", "SAVE_TO_MYDOCUMENTS=0\n");
    setenv("SDL_VIDEODRIVER", "no-such-driver", 1);
    GxCore core;
    const auto [started, said] = StartCapturing(core);
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    EXPECT_FALSE(started);
    EXPECT_NE(said.find("[起動できません] ウインドウハンドルが取得できません"), std::string::npos) << said;
    EXPECT_NE(ReadUtf16File(game_ / "Save_NoWindow" / "error.log").find("Error/GxCore CreateMainWindow Failed("),
              std::string::npos);
    // A game that never started writes no settings over the player's.
    EXPECT_FALSE(fs::exists(game_ / "Save_NoWindow" / "userconf.dat"));
    EXPECT_FALSE(fs::exists(game_ / "Save_NoWindow" / "permanent.dat"));
    // Everything start-up made is gone again, the lock included.
    EXPECT_EQ(core.GetTaskManage(), nullptr);
    EXPECT_EQ(core.GetSystemConfig(), nullptr);
    EXPECT_EQ(core.GetModule(1), nullptr);
    psys::instance_lock other;
    EXPECT_TRUE(other.acquire("NoWindow"));
}

TEST_F(Startup, ADeviceThatDoesNotStartEndsStartUpCleanly) {
    WriteGame("NoDevice", "SAVE_TO_MYDOCUMENTS=0\n");
    prender::adapter_script script = prender::adapter::default_script();
    script.identifier_ok = false;
    GxGraphics::SetAdapter(std::make_unique<prender::adapter>(script));
    GxCore core;
    const bool started = StartCapturing(core).started;
    GxGraphics::SetAdapter(nullptr);
    EXPECT_FALSE(started);
    EXPECT_NE(ReadUtf16File(game_ / "Save_NoDevice" / "error.log").find("D3D9 GetAdapterInfo Failed"), std::string::npos);
    EXPECT_EQ(GxGraphics::GetDevice(), nullptr);
    EXPECT_FALSE(core.GetMainWindow().exists());
    EXPECT_EQ(core.GetTaskManage(), nullptr);
    EXPECT_EQ(core.GetModule(1), nullptr);
    psys::instance_lock other;
    EXPECT_TRUE(other.acquire("NoDevice"));
}

} // namespace
