#pragma once
// The game started over the stand-in core as the process starts it, with a
// small game of its own: two characters, the main scene's windows and play
// buttons, the backlog's lines, the save and load screens' pages and plates,
// their pictures, a voice; a UI manager; a script compiled by the notation
// compiler into the game's interpreter, with test builtins bound beside the
// default ones. Frames are run by hand on the manual clock and drawn into a
// 1024 x 768 target.
#include "GameFixture.h"

#include "game/AvgCore.h"
#include "game/GxGameSound.h"
#include "game/SeqSystem.h"
#include "game/scenes/SeqAvgMain.h"
#include "gamedata/DBUILayout.h"
#include "graphics/GxGraphicsTypes.h"
#include "graphics/GxSurface.h"
#include "layers/GxTaskLayer.h"
#include "media/sound/GxAudio.h"
#include "script/GxMoaEx.h"
#include "script/GxMoaFunctionBinder.h"
#include "script/GxMoaSystem.h"
#include "script/GxMoaWorkerEx.h"
#include "script/moa_world.h"
#include "support/LogCapture.h"
#include "support/FrameCapture.h"
#include "tasks/GxTaskManage.h"
#include "tools/builders/ImageSetWriter.h"
#include "tools/builders/MoaScriptBuilder.h"
#include "tools/builders/SoundFiles.h"
#include "ui/GxTaskUIMessageWindowFx.h"
#include "ui/GxUIManage.h"

#include <functional>
#include <sstream>

namespace maintest {

namespace fs = std::filesystem;

// The widget kinds of the test game's modules.
constexpr int kPanel = 8;
constexpr int kMessageWindow = 9;
constexpr int kTextWindow = 10;
constexpr int kTextPanel = 11;
constexpr int kButton = 18;
constexpr int kToggle = 19;
constexpr int kRadio = 20;
constexpr int kTextButton = 21;

// Lines 4 to 8 (0-based) are text; line 5 plays a voice first.
constexpr const char16_t* kStory =
    u"*start\n"
    u"tbg(\"cg/bg/room.png\")\n"
    u"tstand(\"アキ\", \"cg/stand/aki.png\", 150)\n"
    u"tstand(\"ユウ\", \"cg/stand/yu.png\", 620)\n"
    u"> アキ「おはよう。今日はいい天気だね。」\n"
    u"tvoice(\"voices/v1.wav\")\n"
    u"> ユウ「そうだね。どこかへ出かけようか。」\n"
    u"> 二人は駅へ向かった。\n"
    u"> 電車はすぐに来た。\n";

class MainSceneTest : public gametest::GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        ui_.SetLayoutTable(g_DBUILayout.GetRecords());
        WriteGame();
        ASSERT_TRUE(StartDevice());
        StartAudio();
        DeclareBuiltins();
        StartGame();
    }
    void TearDown() override {
        StopGame();
        GameTest::TearDown();
    }

    // The game module started, with the test builtins bound. Read text is
    // not shown whole at once unless a test says so, characters come one
    // every 20 ms, and the speaker's name shows as text.
    void StartGame() {
        Initialize();
        settings_->m_FastShowReadedText = false;
        settings_->m_TextWaitTime = 20;
        data_->m_NameIdentifyMode = 3;
        for (const auto& [name, fn] : builtins_) g_pMoaFunctionBinder()->AddFunction(name, new mtest::LambdaBuiltin(fn));
    }
    // The game ended and started again over its save folder: new settings,
    // game state and permanent data read from the files, the play state
    // cleared.
    void Restart() {
        StopGame();
        ui_.m_ModalLevel = 0;
        ui_.m_AutoMode = ui_.m_SkipMode = ui_.m_HideWindowFlag = false;
        ui_.m_AutoWaitTime = 0;
        core_.m_Active = true;
        MakeGameState();
        StartGame();
    }

    // Small builtins of the test's own ("t" before names the game's may
    // take) that stand in for the game's: a background, a standing character
    // at an x position, a voice, a wait for a click.
    void DeclareBuiltins() {
        builtins_ = {
            {u"tbg", [](GxMoaVariable* args, GxMoaWorker*, GxMoaExecStack*, GxMoaVariable*) {
                 return Layer(u"$BGLAYER:SeqAvgMain")->SetFlexImageContent(Arg(args, 0), 0);
             }},
            {u"tstand", [](GxMoaVariable* args, GxMoaWorker*, GxMoaExecStack*, GxMoaVariable*) {
                 GxTaskLayer* layer = Stand(Arg(args, 0).c_str());
                 if (!layer) return false;
                 layer->SetPos(f32(GxMoaArgumentAt(args, 2)->ToInt()), 168.0f, 0.0f, 0.0f);
                 return layer->SetFlexImageContent(Arg(args, 1), 0);
             }},
            {u"tvoice", [](GxMoaVariable* args, GxMoaWorker*, GxMoaExecStack*, GxMoaVariable*) {
                 return GxPlayVoice(0, Arg(args, 0), 1);
             }},
            {u"twaitclick", [](GxMoaVariable*, GxMoaWorker*, GxMoaExecStack*, GxMoaVariable*) {
                 GxUserData::Get()->m_Hold_WaitClick = 3;
                 return true;
             }},
            // tbgsw(file, time): the screen captured, then the new background
            // through a transition without a rule picture.
            {u"tbgsw", [](GxMoaVariable* args, GxMoaWorker*, GxMoaExecStack*, GxMoaVariable*) {
                 Main()->CaptureScreen();
                 Main()->StartBgTransit(Arg(args, 0).c_str(), u"", GxMoaArgumentAt(args, 1)->ToInt(), true);
                 return true;
             }},
            // tsel(key, text, label, text, label, ...): a choice menu; an
            // empty text leaves its item out.
            {u"tsel", [](GxMoaVariable* args, GxMoaWorker*, GxMoaExecStack*, GxMoaVariable*) {
                 GxUserData* data = GxUserData::Get();
                 data->ClearSelect();
                 data->m_SelectHash = Arg(args, 0);
                 for (GxSelectMenuItem& item : data->m_SelectMenuItemList) item.m_Visible = false;
                 for (int i = 1; 2 * i < args->GetArraySize(); ++i) {
                     GxSelectMenuItem& item = data->m_SelectMenuItemList[size_t(i)];
                     item.m_Text = Arg(args, 2 * i - 1);
                     item.m_Label = Arg(args, 2 * i);
                     item.m_Visible = !item.m_Text.empty();
                 }
                 Main()->ShowSelect();
                 return true;
             }},
        };
        // The game's own builtins beside them, as the game's scripts know them.
        builder_.DeclareGameBuiltins();
        for (const auto& [name, fn] : builtins_) builder_.DeclareBuiltin(name);
    }

    // The game's own folder: tables, pictures, a voice, the default
    // background.
    void WriteGame() {
        fs::create_directories("data");
        qtest::WriteText("data/db_avgchar.txt", "\xEF\xBB\xBF" "1\tアキ\t1\t\t\tvoices/\t1\t\n2\tユウ\t1\t\t\tvoices/\t2\t\n");
        WriteTables();
        WritePicture("cg/bg/黒.png", 4, 4, [](int, int) { return 0xFF000000u; });
        WritePicture("cg/bg/room.png", 1024, 768, [](int x, int y) {
            return 0xFF000000u | u32(40 + y * 120 / 768) << 16 | u32(60 + x * 80 / 1024) << 8 | 110u;
        });
        WritePicture("cg/stand/aki.png", 240, 560, [](int x, int y) { return Figure(x, y, 240, 560, 0xFFE0A040u); });
        WritePicture("cg/stand/yu.png", 240, 560, [](int x, int y) { return Figure(x, y, 240, 560, 0xFF60B0E0u); });
        WritePicture("cg/ui/msgwin.png", 1000, 200, [](int x, int y) {
            const bool edge = x < 3 || y < 3 || x >= 997 || y >= 197;
            return edge ? 0xFFC0C0E0u : 0xC0101830u;
        });
        WritePicture("cg/ui/namewin.png", 200, 40, [](int, int) { return 0xE0303860u; });
        WritePicture("cg/ui/logline.png", 900, 110, [](int, int) { return 0x80202030u; });
        WritePicture("cg/ui/bg_avglog.png", 1024, 768, [](int x, int y) { return 0xFF102018u + u32((x + y) / 64 % 2) * 0x080808u; });
        WritePicture("cg/ui/bg_save.png", 1024, 768, [](int, int y) { return 0xFF201010u + u32(y / 96) * 0x040000u; });
        WritePicture("cg/ui/bg_load.png", 1024, 768, [](int, int y) { return 0xFF101020u + u32(y / 96) * 0x000004u; });
        WritePicture("cg/ui/new.png", 40, 20, [](int, int) { return 0xFFE03030u; });
        WritePicture("cg/ui/dialog.png", 480, 200, [](int, int) { return 0xE8182030u; });
        WriteButtonFaces();
        // A voice of half a second.
        WriteWav("voices/v1.wav", 24000, 8000);
    }

    // The buttons' faces: "ui_avgmain" with the play buttons, the mode
    // toggles and the choice button; "ui_saveload" with the slot plates, the
    // page buttons and the back button. Each a colour in a frame of itself
    // made opaque, in an atlas of 512 x 512.
    void WriteButtonFaces() {
        const auto face = [](const char* name, int w, int h, u32 argb) {
            return qtest::SetImage{name, w, h, qtest::Framed(w, h, argb, argb | 0xFF000000u)};
        };
        const std::vector<qtest::SetImage> play = {face("play_off.png", 56, 24, 0xFF405070u), face("play_over.png", 56, 24, 0xFF6080A0u),
                                                   face("play_on.png", 56, 24, 0xFF80A0D0u), face("play_na.png", 56, 24, 0xFF404040u)};
        std::vector<qtest::SetImage> main = play;
        for (const qtest::SetImage& f : {face("mode_off.png", 56, 24, 0xFF505030u), face("mode_on.png", 56, 24, 0xFFB0A040u),
                                         face("mode_over.png", 56, 24, 0xFF707040u), face("mode_onover.png", 56, 24, 0xFFD0C060u),
                                         face("select_off.png", 480, 40, 0xC0203050u), face("select_over.png", 480, 40, 0xE0305080u),
                                         face("select_on.png", 480, 40, 0xF04070B0u)})
            main.push_back(f);
        WriteSet("ui_avgmain", main, 512, 512);
        std::vector<qtest::SetImage> slots = play;
        for (const qtest::SetImage& f : {face("plate_off.png", 440, 120, 0x40FFFFFFu), face("plate_over.png", 440, 120, 0x60FFFFFFu),
                                         face("plate_na.png", 440, 120, 0x20FFFFFFu), face("page_off.png", 56, 24, 0xFF503030u),
                                         face("page_on.png", 56, 24, 0xFFC06060u)})
            slots.push_back(f);
        WriteSet("ui_saveload", slots, 512, 512);
    }

    static u32 Figure(int x, int y, int w, int h, u32 colour) {
        const int cx = w / 2, head = h / 6;
        const int dx = x - cx, dy = y - head;
        if (dx * dx + dy * dy < head * head * 3 / 4) return colour;
        if (y > head * 2 && std::abs(dx) < w / 3 - (h - y) / 20) return colour - 0x00202020u;
        return 0x00000000u;
    }

    void WriteTables() {
        const std::vector<qtest::UIModuleRow> modules = {
            {kMessageWindow, "tip_msgwindow", "cg/ui/", "msgwin", 40, 40, 920, 140, 3},
            {kTextPanel, "tip_namewindow", "cg/ui/", "namewin", 16, 8, 168, 28, 2},
            {kTextButton, "btn_select0", "ui_avgmain", "select", 0, 0, 0, 0, 3},
            {kButton, "btn_play", "ui_avgmain", "play"},
            {kToggle, "btn_mode", "ui_avgmain", "mode"},
            {kPanel, "icon_wait", "cg/ui/", "new"},
            {kTextWindow, "tip_logwindow", "cg/ui/", "logline", 20, 10, 860, 90, 3},
            {kRadio, "btn_page", "ui_saveload", "page"},
            {kButton, "btn_fileplate", "ui_saveload", "plate"},
            {kButton, "btn_back", "ui_saveload", "play"},
            {kPanel, "tip_new", "cg/ui/", "new"},
            {kTextPanel, "dlg_user", "cg/ui/", "dialog", 24, 40, 432, 80, 2},
            {kTextPanel, "dlg_shutdown", "cg/ui/", "dialog", 24, 40, 432, 80, 2},
            {kButton, "btn_yes", "ui_saveload", "play"},
            {kButton, "btn_no", "ui_saveload", "play"},
            {kButton, "btn_ok", "ui_saveload", "play"},
            {kButton, "btn_cancel", "ui_saveload", "play"},
        };
        // Every widget of group 1, with no system sound, a maximum of 1 and
        // no tool tip.
        const auto at = [](const char* parent, const char* module, const char* task, int index, float left, float top, float z) {
            qtest::UILayoutRow r{parent, module, task, index, left, top, 1};
            r.max = 1, r.z = z, r.sound = -1, r.help = 0;
            return r;
        };
        std::vector<qtest::UILayoutRow> layouts = {
            at("$UI:SeqAvgMain", "tip_msgwindow", "$MESWIN:SeqAvgMain", -1, 12, 556, 15000),
            at("$UI:SeqAvgMain", "tip_namewindow", "$NAMEWIN:SeqAvgMain", -1, 40, 512, 15001),
            at("$MESWIN:SeqAvgMain", "icon_wait", "icon_wait", 0, 940, 170, 15002),
        };
        float x = 300;
        for (const char* b : {"btn_auto", "btn_skip"}) layouts.push_back(at("$MESWIN:SeqAvgMain", "btn_mode", b, 0, x += 64, 6, 15002));
        for (const char* b : {"btn_log", "btn_voice", "btn_qsave", "btn_qload", "btn_save", "btn_load", "btn_hide", "btn_rend"})
            layouts.push_back(at("$MESWIN:SeqAvgMain", "btn_play", b, 0, x += 64, 6, 15002));
        for (int i = 0; i < 5; ++i) {
            layouts.push_back(at("$UI:SeqAvgLog", "tip_logwindow", "tip_logwindow", i, 40, 40.0f + 124 * i, 100));
            layouts.push_back(at("$UI:SeqAvgLog", "btn_play", "btn_voiceplay", i, 950, 60.0f + 124 * i, 100));
        }
        x = 100;
        for (const char* b : {"btn_b", "btn_bb", "btn_f", "btn_ff", "btn_back"}) layouts.push_back(at("$UI:SeqAvgLog", "btn_play", b, 0, x += 80, 700, 100));
        for (const char* scene : {"$UI:SeqSave", "$UI:SeqLoad"}) {
            for (int i = 1; i <= 10; ++i) {
                char name[16];
                std::snprintf(name, sizeof name, "b%02d", i);
                layouts.push_back(at(scene, "btn_page", name, 0, 60.0f + 66 * i, 80, 100));
            }
            for (int k = 0; k < 8; ++k)
                layouts.push_back(at(scene, "btn_fileplate", "btn_fileplate", k, float((k / 4) * 484 + 48), float((k % 4) * 131 + 146), 90));
            layouts.push_back(at(scene, "tip_new", "tip_new", 0, 0, 0, 110));
            layouts.push_back(at(scene, "btn_back", "btn_back", 0, 900, 700, 100));
        }
        WriteUITables(modules, layouts);
    }

    static GxString Arg(GxMoaVariable* args, int i) { return GxMoaArgumentAt(args, i)->ToString(); }
    static SeqAvgMain* Main() { return SeqAvgMain::Find(); }
    static GxTaskUIMessageWindowFx* Window() { return Main()->GetMessageWindow(); }
    static SeqSystem* System() { return SeqSystem::Get(); }
    // A character's standing layer.
    static GxTaskLayer* Stand(const GxChar* name) {
        return static_cast<GxTaskLayer*>(static_cast<GxTaskFolder*>(Task(u"$STAND:SeqAvgMain"))->FindTaskLocal(name, 0));
    }

    // Compiles the script "main" into the game's interpreter and starts the
    // main scene at its label "start", as the title scene does; then runs
    // frames until the scene's fade-in and the global fade are over.
    void Play(const char16_t* text) {
        ASSERT_NE(builder_.AddScript(g_pMoa(), u"main", text), nullptr) << builder_.LastError();
        g_pMoa()->InitExternVariables();
        g_pMoaMainWorker()->InitGlobalVariables();
        AvgCore::StartMainScene(0, u"start");
        Frames(70);
    }

    bool UntilClickWait() {
        return FramesUntil([] { return Window()->IsClickWaiting(); });
    }
    // Frames until the worker's scene is the one named and its fade-in is
    // over.
    bool UntilScene(const GxChar* name) {
        return FramesUntil([&] {
            const GxSeqWorker* w = Tasks().GetSeqWorker(0);
            auto* scene = dynamic_cast<GxSeqTransitBase*>(w->m_CurrentTask);
            return w->m_CurrentName == name && w->m_MainStarted && scene && !scene->IsTransiting();
        });
    }
    // Frames until the test holds, at most n.
    bool FramesUntil(const std::function<bool()>& done, int n = 600) {
        for (int i = 0; i < n; ++i) {
            if (done()) return true;
            Frame();
        }
        return done();
    }

    void Click() { Tasks().OnLButtonDown(GxVector2(500.0f, 300.0f), 0, false); }
    void Key(u32 vk) { Tasks().OnKeyDown(vk, 0); }
    // A play button under the message window pressed, as its click reports it.
    void Press(const GxChar* name, bool value = true) {
        GxTaskUIBase* button = Main()->GetPlayButton(name);
        ASSERT_NE(button, nullptr) << GxToUtf8(name);
        button->SetValueBool(value);
        button->PostUIEvent(UIEVENT_DECIDE);
    }
    // A widget of a menu scene's UI folder pressed.
    static void PressIn(const GxChar* folder, const GxChar* name, s32 index = 0) {
        GxTaskUIBase* widget = Widget(folder, name, index);
        ASSERT_NE(widget, nullptr) << GxToUtf8(folder) << " " << GxToUtf8(name);
        widget->PostUIEvent(UIEVENT_DECIDE);
    }
    // The common user dialog's button pressed, as its click reports it to
    // the listener the dialog was opened with.
    static void Answer(const GxChar* button) { PressIn(u"dlg_user", button); }
    // The text of the common user dialog.
    static GxString DialogText() { return GxTaskUIBase::FromTask(Task(u"dlg_user"))->GetText(); }

    static GxString CurrentScene() { return Tasks().GetSeqWorker(0)->m_CurrentName; }
    // The shown text of the message window.
    static std::string Shown() {
        GxString s;
        for (const GxTextLayout::CharRecord& c : Window()->GetLayout().m_ShowChars) s.push_back(GxChar(c.m_Char));
        return GxToUtf8(s);
    }
    // The main worker's line (0-based) in its innermost frame.
    static int ScriptLine() { return g_pMoaMainWorker()->GetLine(nullptr); }

    qtest::LogCapture log_;
    GxUIManage ui_;
    qtest::MoaScriptBuilder builder_;
    std::vector<std::pair<const GxChar*, mtest::LambdaBuiltin::Fn>> builtins_;
};

} // namespace maintest
