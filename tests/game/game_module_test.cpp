// The game module over a stand-in core and the headless device: its
// start-up defaults, the order of its start-up and shutdown as a second
// module sees it through the broadcasts, the sound engine and screen mode
// the settings choose, the script compiler's run, and the global fade.
#include "GameFixture.h"

#include "game/AvgBuiltin.h"
#include "game/AvgCore.h"
#include "game/GxGameSound.h"
#include "game/GxGlobalRenderTargets.h"
#include "game/GxIconIndex.h"
#include "graphics/GxGlobalFonts.h"
#include "graphics/GxTexture.h"
#include "layers/GxActorActions.h"
#include "layers/GxLayerServices.h"
#include "layers/GxNcImageSetPool.h"
#include "layers/GxTaskLayer.h"
#include "scenes/GxSceneGameServices.h"
#include "script/GxMoaFunctionBinder.h"
#include "script/GxMoaSystem.h"
#include "script/GxMoaWorkerEx.h"
#include "support/Golden.h"
#include "tools/builders/ImageSetWriter.h"
#include "support/LogCapture.h"
#include "tasks/GxModuleCoreBase.h"
#include "tasks/GxSharedAssetManage.h"
#include "tasks/GxTaskManage.h"

namespace {

using gametest::GameTest;
namespace fs = std::filesystem;

// A second module in entry 0: at each broadcast it notes what of the game
// stands by then.
class RecordingModule : public GxModuleCoreBase {
public:
    const GxString& GetModuleName() override { return name; }
    void AttachCore(GxCoreBase*) override {}
    void DetachCore() override { Note("detach"); }
    void OnStartup() override { Note("startup"); }
    void OnShutdown() override { Note("shutdown"); }
    void RegisterBuiltins(GxBuiltinRegistryBase* r) override {
        registry = r;
        Note("builtins");
    }
    void CreateSequences(GxTaskBase*) override { Note("sequences"); }
    void OnEnterTitle() override {}
    void OnLoadGame() override {}
    GxTaskBase* GetResumeSequence() override { return nullptr; }
    void OnConfigShow(GxTaskBase*) override {}
    void OnConfigApply(GxTaskBase*) override {}
    void OnConfigReset() override {}
    bool WriteUserData(GxContentWriterBase*, const GxString&) override { return true; }
    bool ReadUserData(GxContentReaderBase*, const GxString&, bool) override { return true; }
    bool WritePermanentData(GxContentWriterBase*) override { return true; }
    bool ReadPermanentData(GxContentReaderBase*) override { return true; }
    bool WriteUserConfig(GxContentWriterBase*) override { return true; }
    bool ReadUserConfig(GxContentReaderBase*) override { return true; }

    void Note(const std::string& event) {
        GxCoreBase* core = GxCoreBase::GetCoreBase();
        GxTaskManage* tm = core->GetTaskManage();
        GxSharedScope* scope = core->GetSharedAssetManage()->GetScope(2);
        GxTexture* capture = GxGetGlobalRenderTexture(0);
        std::string s = event;
        auto add = [&](const char* what, int value) { s += std::string(" ") + what + "=" + std::to_string(value); };
        add("targets", capture && capture->HasTexture());
        add("fonts", GxGlobalFonts::GetFontData(2)->GetName() == u"FONT22NUM");
        add("bundle", g_pMoaMainWorker() && g_pMoaMainWorker()->FindVariable(u"score"));
        add("host", g_pMoaMainWorker() && g_pMoaMainWorker()->GetMainHost());
        add("tables", g_DBAvgChar.GetRecord(1)->CharName == u"Hero");
        add("workers", core->GetSharedAssetManage()->m_AsyncJobManage.GetWorkerCount());
        add("scopes", scope && scope->HasSequenceName(u"SeqBoot"));
        add("builtin", AvgCore::GetInstance()->GetBuiltin() != nullptr);
        add("icons", GxGetIconIndex(u"icon_a") != nullptr);
        add("perman", GxUserDataPerman::Get()->IsReadedMessage(u"s", 5));
        add("settings", GxUserConfig::Get()->m_TextWaitTime == 33);
        add("ds", !core->GetSystemConfig()->m_UseXAudio2);
        add("system", tm->GetRootTree() && tm->GetRootTree()->GetTaskName() == u"SeqSystem");
        add("cache", GxGetFileCache().IsEnabled());
        notes.push_back(s);
    }

    GxString name = u"REC";
    GxBuiltinRegistryBase* registry = nullptr;
    std::vector<std::string> notes;
};

class GameModule : public GameTest {
protected:
    // Settings and permanent data in the save folder, as the last run left them.
    void WriteSaves(s32 soundEngineMode, s32 screenMode) {
        GxUserConfig settings(&core_);
        settings.m_TextWaitTime = 33;
        settings.m_SoundEngineMode = soundEngineMode;
        settings.m_ScreenMode = screenMode;
        ASSERT_TRUE(settings.Save());
        GxUserDataPerman perman(&core_);
        perman.SetReadedMessage(u"s", 5);
        ASSERT_TRUE(perman.Save(perman.GetFilePath(), true));
    }
    // A glyph table of one character 'A' in an 8 x 16 cell of a 64 x 32 image.
    static void WriteGlyphTable(const fs::path& path) {
        std::vector<unsigned char> b(96 + 8, 0);
        auto put32 = [&](size_t at, u32 v) {
            for (int i = 0; i < 4; ++i) b[at + i] = u8(v >> (8 * i));
        };
        put32(16, 'A'), put32(20, 'A'), put32(40, 8), put32(44, 16), put32(52, 64), put32(56, 32);
        b[64] = 'M';
        b[96 + 4] = 8;  // x 0, y 0, width 8
        qtest::WriteBytes(path, b);
    }
    void WriteGameFolder() {
        WritePng("fonts/FONT16SYS.png", 128, 96, 0xFFFFFFFF);
        WritePng("fonts/FONT8NUM.png", 56, 64, 0xFFFFFFFF);
        WritePng("fonts/FONT22NUM.png", 110, 64, 0xFFFFFFFF);
        WritePng("fonts/MSG.png", 64, 32, 0xFFFFFFFF);
        WriteGlyphTable("fonts/MSG.fmp");
        core_.m_Config->m_MesWinTextBuiltinFontName = u"MSG";
        qtest::ImageSetSpec icons;
        icons.atlases.push_back({u"icons.png", 16, 16, 1, 0, std::vector<uint32_t>(256, 0xFFFF0000)});
        for (const char16_t* name : {u"icon_a.png", u"icon_b.png", u"icon_a.dds"})
            icons.origins.push_back({name, -1, 8, 8, 0, {qtest::WholePattern(0, 0, 0, 8, 8)}});
        ASSERT_TRUE(qtest::WriteImageSetFiles(dir_.path() / "uigis", "ui_iconpool", icons, true));
        ASSERT_TRUE(qtest::WriteImageSetFiles(dir_.path() / "uigis", "ui_common", icons, true));
        fs::create_directories("data");
        qtest::WriteText("data/db_avgchar.txt", "1\tHero\t0\t\t\t\t7\t\n");
        fs::create_directories("bincode");
        fs::copy_file(qtest::GoldenPath("script/moacode_text.mwb"), "fresh.mwb");
    }
};

TEST_F(GameModule, StartupDefaultsClearTheLastRunsLogsAndSetTheGamesScreen) {
    for (const bool clean : {false, true}) {
        SCOPED_TRACE(clean);
        for (const char* name : {"error.log", "debug.log", "device.log"}) qtest::WriteText(dir_.path() / name, "old");
        core_.m_Config->m_CleanErrorLog = clean;
        core_.m_Timer.m_TargetRate = 30;
        core_.m_Timer.m_StepRate = 0;
        GxGraphics::GetConfig() = GxGraphicsConfig{};
        GxSetGameStartupDefaults(&core_);
        EXPECT_FALSE(fs::exists(dir_.path() / "device.log"));
        EXPECT_EQ(fs::exists(dir_.path() / "error.log"), !clean);
        EXPECT_EQ(fs::exists(dir_.path() / "debug.log"), !clean);
        EXPECT_EQ(core_.m_Timer.m_TargetRate, 60);
        EXPECT_EQ(core_.m_Timer.m_StepRate, 60);
        const GxGraphicsConfig& g = GxGraphics::GetConfig();
        const std::vector<u32> block = {g.m_BackBufferWidth, g.m_BackBufferHeight, g.m_ScreenWidth, g.m_ScreenHeight,
                                        g.m_RefreshRate,     g.m_BackBufferBits,   g.m_DepthStencilBits, g.m_DisplayMode};
        EXPECT_EQ(block, (std::vector<u32>{1024, 768, 1024, 768, 60, 32, 24, SCRMODE_WINDOW}));
    }
}

TEST_F(GameModule, StartupAndShutdownRunInTheirOrder) {
    WriteGameFolder();
    WriteSaves(1, 0);
    // The compiler writes the bundle that the start-up then loads.
    qtest::WriteText("brelkit.exe", "#!/bin/sh\ncp fresh.mwb bincode/moacode.mwb\n");
    fs::permissions("brelkit.exe", fs::perms::owner_all);
    core_.m_Config->m_AutoCompile = true;
    ASSERT_TRUE(StartDevice());
    RecordingModule rec;
    core_.SetModule(0, &rec);
    qtest::LogCapture log;
    Initialize();

    // What stands from the first broadcast on, then what the saves and the
    // system scene add before the sequences are made.
    const std::string up = " targets=1 fonts=1 bundle=1 host=1 tables=1 workers=2 scopes=1 builtin=1 icons=1 perman=";
    const std::vector<std::string> expected = {"startup" + up + "0 settings=0 ds=0 system=0 cache=0",
                                               "builtins" + up + "0 settings=0 ds=0 system=0 cache=0",
                                               "sequences" + up + "1 settings=1 ds=1 system=1 cache=0"};
    EXPECT_EQ(rec.notes, expected);
    EXPECT_EQ(rec.registry, g_pMoaFunctionBinder());
    EXPECT_TRUE(GxGetFileCache().IsEnabled());
    EXPECT_EQ(core_.GetModule(1), AvgCore::GetInstance());
    EXPECT_EQ(AvgCore::GetInstance()->GetModuleName(), u"AVG");
    EXPECT_EQ(AvgCore::GetInstance()->GetBuiltin()->GetCore(), &core_);
    // The system scene stands under the top task, the menu scenes beside it,
    // and the boot scene waits for the first pass.
    GxTaskManage* tm = core_.GetTaskManage();
    EXPECT_EQ(tm->GetRootTree()->GetParent(), tm->GetTopTask());
    EXPECT_EQ(tm->FindTaskName(u"SeqDebug")->GetParent(), tm->GetTopTask());
    EXPECT_EQ(tm->GetSeqWorker(0)->m_PendingName, u"SeqBoot");
    // The scopes of the menu scenes and of the main scene.
    EXPECT_TRUE(core_.m_Assets->GetScope(3)->HasSequenceName(u"SeqAvgLog"));
    EXPECT_FALSE(core_.m_Assets->GetScope(2)->HasSequenceName(u"SeqAvgMain"));
    EXPECT_EQ(GxGlobalFonts::GetMessageFont()->GetName(), u"M");
    EXPECT_EQ(GxGlobalFonts::GetFontMap(5)->GetFontHeight(), 38);
    EXPECT_EQ(GxGlobalFonts::GetFontData(1)->GetCellWidth(), 8);
    EXPECT_EQ(GxGlobalFonts::GetFontData(1)->GetLast(), 57u);
    EXPECT_EQ(core_.m_CursorShape, 6);
    // The game's services are installed for the libraries below it.
    EXPECT_NE(GxSceneGameServices::Get(), nullptr);
    EXPECT_EQ(GxLayerServices::Get().GetGlobalRenderTexture(1), GxGetGlobalRenderTexture(1));

    rec.notes.clear();
    Terminate();
    const std::vector<std::string> down = {
        "shutdown" + up + "1 settings=1 ds=1 system=1 cache=1",
        "detach targets=0 fonts=0 bundle=0 host=0 tables=1 workers=0 scopes=1 builtin=1 icons=0 perman=1 "
        "settings=1 ds=1 system=1 cache=1",
    };
    EXPECT_EQ(rec.notes, down);
    EXPECT_EQ(AvgCore::GetInstance()->GetBuiltin(), nullptr);
    EXPECT_EQ(AvgCore::GetInstance()->GetCore(), nullptr);
    EXPECT_EQ(GxNcImageSetPool::Get(u"uigis/ui_iconpool.gis"), nullptr);
    EXPECT_EQ(GxSceneGameServices::Get(), nullptr);
    EXPECT_EQ(GxGlobalFonts::GetMessageFont()->GetName(), u"");
}

TEST_F(GameModule, SettingsChooseTheSoundEngineAndTheScreenMode) {
    struct Case {
        s32 soundEngineMode;
        bool before;  // the flag as the configuration left it
        bool xaudio2;
        s32 screenMode;
        bool fullScreenPossible;
        s32 screenModeAfter;
    };
    const Case cases[] = {
        {0, false, true, 0, true, 0},  {1, true, false, 1, true, 1},  {2, false, true, 1, false, 0},
        {3, true, true, 0, false, 0},  {3, false, false, 0, false, 0}, {-1, false, false, 0, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.soundEngineMode);
        WriteSaves(c.soundEngineMode, c.screenMode);
        ASSERT_TRUE(StartDevice(c.fullScreenPossible ? std::vector<prender::display_mode>{{1024, 768, 60, prender::format::x8r8g8b8}}
                                                     : std::vector<prender::display_mode>{}));
        core_.m_Config->m_UseXAudio2 = c.before;
        Initialize();
        EXPECT_EQ(core_.m_Config->m_UseXAudio2, c.xaudio2);
        const std::string line = c.xaudio2 ? "サウンドエンジンにXAudio2が選択されました" : "サウンドエンジンにDirectSoundが選択されました";
        EXPECT_NE(LogFile("device.log").find(line), std::string::npos) << LogFile("device.log");
        EXPECT_EQ(settings_->m_ScreenMode, c.screenModeAfter);
        EXPECT_EQ(GxGraphics::GetConfig().m_DisplayMode, c.screenModeAfter == 1 ? u32(SCRMODE_FULLSCREEN) : u32(SCRMODE_WINDOW));
        // No message font is named: none is loaded.
        EXPECT_EQ(GxGlobalFonts::GetMessageFont()->GetName(), u"");
        Terminate();
        StopDevice();
        fs::remove(dir_.path() / "device.log");
    }
}

TEST_F(GameModule, AFailedCompilationRunsTheOldBundle) {
    fs::create_directories("bincode");
    fs::copy_file(qtest::GoldenPath("script/moacode_text.mwb"), "bincode/moacode.mwb");
    qtest::WriteText("brelkit.exe", "#!/bin/sh\nrm bincode/moacode.mwb\nexit 3\n");
    fs::permissions("brelkit.exe", fs::perms::owner_all);
    // Only when asked: without AutoCompile the compiler never runs.
    Initialize();
    EXPECT_NE(g_pMoaMainWorker()->FindVariable(u"score"), nullptr);
    Terminate();
    qtest::WriteText("brelkit.exe", "#!/bin/sh\nexit 3\n");
    core_.m_Config->m_AutoCompile = true;
    qtest::LogCapture log;
    Initialize();
    EXPECT_TRUE(log.Contains("コンパイル時にエラーが発生したため古いスクリプトを実行しています\n")) << log.Text();
    EXPECT_NE(g_pMoaMainWorker()->FindVariable(u"score"), nullptr);
}

TEST_F(GameModule, GlobalFadeAndDefaultBackgroundOfTheMainScene) {
    ASSERT_TRUE(StartDevice());
    GxTaskManage* tm = core_.GetTaskManage();
    auto* top = new GxTaskBase(tm);
    auto* fade = new GxTaskLayer(top, u"$GLOBALFADE:SeqAvgMain");
    auto* background = new GxTaskLayer(top, u"$BGLAYER:SeqAvgMain");
    struct Case {
        void (*start)(s32);
        s32 time;
        s32 from;
        s32 atOnce;  // the alpha right after the call
        s32 after;   // and once the time has passed
    };
    const Case cases[] = {
        {GxStartGlobalFadeOut, 0, 0, 255, 255},
        {GxStartGlobalFadeIn, 0, 255, 0, 0},
        {GxStartGlobalFadeOut, 400, 100, 100, 255},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.time);
        fade->SetAlpha(c.from);
        // A fade under way is dropped, not finished.
        GxAddActionFadeIn(0, 10000, fade);
        c.start(c.time);
        EXPECT_EQ(fade->GetAlpha(), c.atOnce);
        fade->Update(0, s64(std::max(c.time, 0)) * 1000);
        EXPECT_EQ(fade->GetAlpha(), c.after);
        EXPECT_TRUE(fade->IsActionFinished());
    }

    core_.m_Config->m_FileCGBGDefault = u"cg/bg/black.png";
    WritePng("cg/bg/black.png", 4, 4, 0xFF000000);
    qtest::LogCapture log;
    fade->SetAlpha(255);
    AvgCore::StartMainScene(1, u"nowhere");
    EXPECT_EQ(background->GetCurrentContent()->m_ContentFileName, u"cg/bg/black.png");
    EXPECT_EQ(fade->GetAlpha(), 255);
    fade->Update(0, 1000 * 1000);
    EXPECT_EQ(fade->GetAlpha(), 0);
    EXPECT_TRUE(log.Contains("スクリプトにラベル nowhere が存在しないため実行できません\n")) << log.Text();
    EXPECT_TRUE(log.Contains("遷移先のシーケンスが見つかりません(SeqAvgMain)")) << log.Text();
}

} // namespace

