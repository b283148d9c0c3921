// The boot, opening, title and debug scenes on the sample game, pass by pass
// under the hand-driven clock: where boot goes, the fade over its screen,
// the opening movie and what ends it, the title's picture, buttons, music
// and call, every title button's decision, and the debug scene's lists.
#include "SampleSceneFixture.h"

#include "game/GxGameModule.h"
#include "support/Golden.h"
#include "support/LogCapture.h"

#include "game/GxGameSound.h"
#include "gamedata/GxUserData.h"
#include "gamedata/GxUserDataPerman.h"
#include "layers/GxLerp.h"
#include "layers/GxTaskLayer.h"
#include "media/sound/GxAudio.h"
#include "media/sound/GxAudioPlayerStream.h"
#include "platform/input/input_devices.h"
#include "script/GxMoaEx.h"
#include "script/GxMoaSystem.h"
#include "script/GxMoaWorkerEx.h"
#include "scenes/GxSeqTransitBase.h"
#include "tasks/GxInput.h"
#include "ui/GxTaskUIButtonIs.h"
#include "ui/GxTaskUIListBoxFx.h"

#include <chrono>
#include <cstring>

namespace {

using gametest::SampleScenes;
namespace fs = std::filesystem;

constexpr u32 kSystemVoiceChannel = 15;
constexpr const GxChar* kTitleUI = u"$UI:SeqTitle";
constexpr const GxChar* kDebugUI = u"$UI:SeqDebug";

u32 Brightness(u32 argb) { return ((argb >> 16) & 0xFF) + ((argb >> 8) & 0xFF) + (argb & 0xFF); }

// How often the music's two channels were started.
u32 MusicPlays() {
    u32 n = 0;
    for (u32 channel : {kGxChannelBgm0, kGxChannelBgm1})
        if (GxAudioPlayerStream* player = GxAudio::GetStreamPlayer(channel)) n += player->GetStreamBuffer().GetPlayCount();
    return n;
}

u32 ScreenPixel(int x, int y) {
    return GxGraphics::GetDevice()->get_swap_chain(0)->back_buffer(0)->read_argb()[size_t(y) * 1024 + size_t(x)];
}

TEST_F(SampleScenes, WithoutAnOpeningBootHandsOverToTheTitleWhichFadesInWithItsPictureButtonsMusicAndCall) {
    Start(false);
    Pass();
    EXPECT_EQ(Worker().m_CurrentName, u"SeqBoot");
    Pass(2);
    ASSERT_EQ(Worker().m_CurrentName, u"SeqTitle");
    auto* title = dynamic_cast<GxSeqTransitBase*>(Tm()->FindTaskName(u"SeqTitle"));
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->m_TransitParam.m_TransitTimeTotal, 400);
    // The moon brightens out of the black boot screen, frame by frame, and
    // the title's main phase begins when the fade is over.
    std::vector<u32> moon;
    while (title->IsTransiting() && moon.size() < 60) {
        EXPECT_FALSE(Worker().m_MainStarted);
        moon.push_back(Brightness(ScreenPixel(800, 170)));
        Pass();
    }
    Pass();
    EXPECT_TRUE(Worker().m_MainStarted);
    ASSERT_GE(moon.size(), 22u);
    ASSERT_LE(moon.size(), 26u);
    for (size_t i = 1; i < moon.size(); ++i) EXPECT_GT(moon[i], moon[i - 1]) << i;
    EXPECT_LT(moon.front() * 10, Brightness(ScreenPixel(800, 170)));

    // Its picture, buttons, music and call.
    auto* background = static_cast<GxTaskLayer*>(Tm()->FindTaskName(u"$BGLAYER:SeqTitle"));
    EXPECT_EQ(background->GetContentWidth(), 1024);
    for (const GxChar* name : {u"btn_title_start", u"btn_title_load", u"btn_title_visual", u"btn_title_event",
                               u"btn_title_music", u"btn_title_config", u"btn_title_extra", u"btn_title_exit"})
        EXPECT_NE(dynamic_cast<GxTaskUIButtonIs*>(Widget(kTitleUI, name)), nullptr) << GxToUtf8(name);
    EXPECT_FALSE(Widget(kTitleUI, u"btn_title_extra")->IsEnabled()) << "the story is not finished";
    const GxSoundParam& bgm = GxUserData::Get()->m_BGMParam;
    EXPECT_EQ(bgm.m_FileName, u"bgms/title.ogg");
    EXPECT_EQ(bgm.m_Loop, 0);
    EXPECT_EQ(bgm.m_LoopPosTime, 2000u);
    EXPECT_EQ(bgm.m_FadeInTime, 50);
    EXPECT_TRUE(GxIsBgmPlaying());
    EXPECT_TRUE(GxAudio::IsStreamPlaying(kSystemVoiceChannel)) << "the title call, after the boot scene";

    // Entered again: after the boot scene the music plays on and the name is
    // called; after the (silent) debug scene the music starts again, and the
    // name is called only on the script's return to the title.
    const struct {
        const GxChar* from;
        s32 param1;
        bool call;
        u32 newPlays;
    } kEntries[] = {{u"SeqBoot", 0, true, 0}, {u"SeqDebug", 0, false, 1}, {u"SeqDebug", 6, true, 1}};
    for (const auto& e : kEntries) {
        SCOPED_TRACE(GxToUtf8(e.from) + " " + std::to_string(e.param1));
        const u32 plays = MusicPlays();
        Tm()->ChangeSequenceByName(e.from, 0, 0, 0);
        ASSERT_TRUE(RunUntilCurrent(e.from));
        GxAudio::StopStream(kSystemVoiceChannel);
        if (e.from != std::u16string_view(u"SeqBoot")) {
            ASSERT_TRUE(RunUntil(e.from));
            Tm()->ChangeSequenceByName(u"SeqTitle", 0, 0, e.param1);
        }
        ASSERT_TRUE(RunUntilCurrent(u"SeqTitle"));
        EXPECT_EQ(GxAudio::IsStreamPlaying(kSystemVoiceChannel), e.call);
        EXPECT_EQ(MusicPlays(), plays + e.newPlays);
        EXPECT_TRUE(GxIsBgmPlaying());
        ASSERT_TRUE(RunUntil(u"SeqTitle"));
    }
}

// How the opening ends: a left click, a right click, the movie's own end, a
// movie that is not there, or one that is there but cannot be opened (a link
// that leads nowhere), which is named.
class OpeningScene : public SampleScenes, public testing::WithParamInterface<std::string> {};

TEST_P(OpeningScene, TheTitleFollows) {
    const std::string how = GetParam();
    const bool missing = how == "missing" || how == "dangling";
    qtest::LogCapture log;
    Start(true, [&] {
        if (missing) fs::remove("movies/opening.wmv");
        if (how == "dangling") fs::create_symlink("nowhere.wmv", "movies/opening.wmv");
    });
    ASSERT_TRUE(RunUntil(u"SeqOpening"));
    EXPECT_EQ(log.Contains("動画ファイルオープンに失敗 (File=movies/opening.wmv)"), how == "dangling") << log.Text();
    auto* layer = static_cast<GxTaskLayer*>(Tm()->FindTaskName(u"$BGLAYER:SeqOpening"));
    EXPECT_EQ(layer->IsMoviePlaying(), !missing);
    int passes = 0;
    if (how == "left" || how == "right") {
        Pass(30);
        EXPECT_EQ(Worker().m_CurrentName, u"SeqOpening");
        Click(Widget(u"$UI:SeqOpening", u"null_eventcaller"), how == "right");
        EXPECT_TRUE(Worker().m_ChangePending);
        EXPECT_EQ(Worker().m_PendingName, u"SeqTitle");
    } else {
        while (Worker().m_CurrentName == u"SeqOpening" && passes < 600) {
            Pass();
            ++passes;
        }
        // The movie is four seconds long and began with the scene's fade in
        // (0.4 s); a missing one ends the scene on its second update.
        if (how == "end") EXPECT_NEAR(passes, (4.05 - 0.4) * 60, 6);
        else EXPECT_LE(passes, 3);
    }
    ASSERT_TRUE(RunUntil(u"SeqTitle"));
    EXPECT_FALSE(layer->IsMoviePlaying());
    EXPECT_EQ(layer->GetContentWidth(), 0) << "the layer was emptied";
}

INSTANTIATE_TEST_SUITE_P(Ends, OpeningScene, testing::Values("left", "right", "end", "missing", "dangling"));

// Control held down before the window appeared, which no key event tells.
TEST_F(SampleScenes, ControlHeldSinceBeforeTheStartSkipsTheOpening) {
    Start(true);
    pinput::inject_desktop_key(0x1D, true);
    struct Input {
        Input() { GxInitInput(); }
        ~Input() { GxReleaseInput(), pinput::clear_state(); }
    } input;
    GxUpdateInput();
    bool opening = false;
    for (int i = 0; i < 10 && Worker().m_CurrentName != u"SeqTitle"; ++i) {
        Pass();
        opening |= Worker().m_CurrentName == u"SeqOpening";
    }
    EXPECT_FALSE(opening);
    EXPECT_EQ(Worker().m_CurrentName, u"SeqTitle");
}

TEST_F(SampleScenes, EveryTitleButtonHoversPressesAndDecides) {
    Start(false);
    GxUserDataPerman::Get()->m_ExtraOption.Set(1u << 10);
    ASSERT_TRUE(RunUntil(u"SeqTitle"));
    EXPECT_TRUE(Widget(kTitleUI, u"btn_title_extra")->IsEnabled()) << "the story was finished once";
    const struct {
        const GxChar* button;
        const char* scene;
        const GxChar* label;  // where the main worker then stands
    } kButtons[] = {
        {u"btn_title_load", "SeqLoad", nullptr},       {u"btn_title_visual", "SeqCGMode", nullptr},
        {u"btn_title_event", "SeqRPMode", nullptr},    {u"btn_title_music", "SeqBGMMode", nullptr},
        {u"btn_title_config", "SeqConfig", nullptr},   {u"btn_title_start", "SeqAvgMain", u"MAIN"},
        {u"btn_title_extra", "SeqAvgMain", u"EXTRA"},
    };
    for (const auto& b : kButtons) {
        SCOPED_TRACE(GxToUtf8(b.button));
        auto* button = dynamic_cast<GxTaskUIButtonIs*>(Widget(kTitleUI, b.button));
        ASSERT_NE(button, nullptr);
        GxVector4 at;
        button->GetWorldPos(&at);
        const f32 x = at.x + 120, y = at.y + 22;
        Move(x, y);
        Pass();
        EXPECT_GT(button->GetHoverCount(), 0);
        EXPECT_EQ(button->GetImageIndex(), GxTaskUIButtonIs::kFaceOver);
        qtest::LogCapture log;
        Press(x, y);
        Release(x, y);
        Pass();
        EXPECT_EQ(button->GetImageIndex(), GxTaskUIButtonIs::kFaceOn);
        EXPECT_TRUE(ChangeAskedFor(log, b.scene)) << log.Text();
        if (b.label) {
            const GxMoaLabelDefinition* label = g_pMoa()->FindLabel(b.label);
            ASSERT_NE(label, nullptr);
            EXPECT_EQ(g_pMoaMainWorker()->GetLine(nullptr), label->m_Pos.m_Line);
        }
        // A scene that is not built leaves the title where it is; one that
        // is runs, and the title is asked for again.
        if (Worker().m_ChangePending) {
            ASSERT_TRUE(RunUntil(GxFromUtf8(b.scene).c_str()));
            Tm()->ChangeSequenceByName(u"SeqTitle", 0, 0, 0);
        }
        ASSERT_TRUE(RunUntil(u"SeqTitle"));
        Move(10, 10);
        Pass();
    }

    // The tool tip of a button hovered long enough; "Extra", open, tells
    // what it opens.
    const struct {
        const GxChar *button, *tip;
    } kTips[] = {{u"btn_title_load", u"Go on from a saved game"},
                 {u"btn_title_extra", u"A thank-you under the night sky"}};
    for (const auto& t : kTips) {
        SCOPED_TRACE(GxToUtf8(t.tip));
        GxVector4 at;
        Widget(kTitleUI, t.button)->GetWorldPos(&at);
        Move(10, 10);
        Pass();
        Move(at.x + 20, at.y + 20);
        Pass(80);
        GxTaskUIBase* tip = GxTaskUIBase::FromTask(Tm()->FindTaskName(u"tip_help"));
        ASSERT_NE(tip, nullptr);
        EXPECT_TRUE(tip->IsRunning());
        EXPECT_TRUE(tip->IsVisible());
        EXPECT_EQ(tip->GetText(), t.tip);
    }
}

TEST_F(SampleScenes, TheDebugSceneListsScriptsThenLabelsByLineAndRunsOne) {
    Start(false);
    ASSERT_TRUE(RunUntil(u"SeqTitle"));
    ASSERT_TRUE(ChangeTo(u"SeqDebug"));
    EXPECT_FALSE(GxIsBgmPlaying()) << "the debug scene is silent";
    auto* scripts = dynamic_cast<GxTaskUIListBoxFx*>(Widget(kDebugUI, u"lbox_scriptselect"));
    auto* labels = dynamic_cast<GxTaskUIListBoxFx*>(Widget(kDebugUI, u"lbox_labelselect"));
    ASSERT_TRUE(scripts && labels);
    ASSERT_EQ(scripts->GetItemCount(), 1);
    EXPECT_EQ(scripts->GetItem(0)->m_Text, u"main.txt");
    EXPECT_EQ(labels->GetItemCount(), 0);
    GxTaskUIBase* run = Widget(kDebugUI, u"btn_runlabel");
    EXPECT_FALSE(run->IsEnabled());
    EXPECT_FALSE(Widget(kDebugUI, u"btn_editlabel")->IsEnabled());

    GxVector4 at;
    scripts->GetWorldPos(&at);
    Press(at.x + 100, at.y + 16);
    Pass();
    // The bundle keeps its labels by name (EXTRA before MAIN); the list goes
    // by line.
    const struct {
        const GxChar *line, *name;
    } kRows[] = {{u"00000005:", u"#MAIN"}, {u"00000047:", u"#SEA"},   {u"00000054:", u"#HILL"},
                 {u"00000060:", u"#TOWN"}, {u"00000067:", u"#JOIN"},  {u"00000096:", u"#NIGHT"},
                 {u"00000139:", u"#EXTRA"}};
    ASSERT_EQ(labels->GetItemCount(), int(std::size(kRows)));
    for (int i = 0; i < int(std::size(kRows)); ++i) {
        EXPECT_EQ(labels->GetItem(i)->m_Text, kRows[i].line);
        ASSERT_EQ(labels->GetItem(i)->m_SubItems.size(), 1u);
        EXPECT_EQ(labels->GetItem(i)->m_SubItems[0].m_Text, kRows[i].name);
    }
    EXPECT_FALSE(run->IsEnabled());

    labels->GetWorldPos(&at);
    const f32 second = at.y + 8 + 1.5f * f32(labels->GetTextFontSize() + 2);
    Press(at.x + 100, second);
    Pass();
    EXPECT_EQ(labels->GetSelectedIndex(), 1);
    EXPECT_TRUE(run->IsEnabled());
    qtest::LogCapture log;
    Click(run);
    EXPECT_TRUE(ChangeAskedFor(log, "SeqAvgMain")) << log.Text();
    EXPECT_EQ(g_pMoaMainWorker()->GetLine(nullptr), g_pMoa()->FindLabel(u"SEA")->m_Pos.m_Line);

    // A right click is Back: to the scene before, the title.
    ASSERT_TRUE(RunUntilCurrent(u"SeqAvgMain"));
    ASSERT_TRUE(ChangeTo(u"SeqTitle"));
    ASSERT_TRUE(ChangeTo(u"SeqDebug"));
    Press(512, 740, true);
    Pass();
    EXPECT_EQ(Worker().m_PendingName, u"SeqTitle");
    ASSERT_TRUE(RunUntil(u"SeqTitle"));
    EXPECT_TRUE(GxIsBgmPlaying()) << "the title's music again";
}

// A save of the sample whose name window a UI module table made a text log:
// the window's stored value and view rows drive its drawing, which must cost
// no more than its lines (it took seconds a frame).
TEST_F(SampleScenes, ASavedTextLogOfAnyViewDrawsInNoTime) {
    const fs::path found = qtest::SourcePath("tests/corpus/widget_state_fuzz");
    Start(false, [&] {
        fs::create_directories("data");
        fs::copy_file(found / "real-program-db_uimodule-namewin-as-textlog.txt", "data/db_uimodule.txt");
        fs::copy_file(found / "real-program-save-textlog-namewin.gd", "save/gamedata001.gd");
    });
    ASSERT_TRUE(RunUntil(u"SeqTitle"));
    ASSERT_EQ(GxLoadSavedGame(dir_.u16("save/gamedata001.gd")), GxLoadResult::Loaded);
    Tm()->ChangeSequenceByName(u"SeqAvgMain", 0, 0, 0);
    ASSERT_TRUE(RunUntilCurrent(u"SeqAvgMain"));
    const auto start = std::chrono::steady_clock::now();
    Pass(30);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20)) << "thirty frames";
}

// The configuration's numbers, or the dialog buttons' sizes in the UI module
// table, at the largest or the smallest integer: the scenes that lay
// themselves out from them start, and the dialogs, the debug scene and the
// debug overlay show, worked without overflow (the sanitizer build stops at
// one; the optimised build wrapped the buttons' places round).
struct Extreme {
    const char* what;
    enum { kConfig, kTable, kImageSet } file;
    s64 value;
};
class ExtremeNumbers : public SampleScenes, public testing::WithParamInterface<Extreme> {};

TEST_P(ExtremeNumbers, LayOutWithoutOverflow) {
    const Extreme e = GetParam();
    const std::string value = std::to_string(e.value);
    qtest::LogCapture log;
    Start(false, [&] {
        if (e.file == Extreme::kImageSet) {
            // The width of the yes button's first piece: the fourth value
            // after the image's name (name, count, width, height, flag, the
            // pattern list, left, top, then width).
            Unpack(u"uigis/ui_common.gis", [&](std::string& set) {
                const size_t name = set.find("btn_yes_off.png");
                ASSERT_NE(name, std::string::npos);
                const size_t width = name + 16 + 7 * 5 + 1;
                ASSERT_EQ(set[width - 1], char(kGxValS32));
                for (int i = 0; i < 4; ++i) set[width + size_t(i)] = char(u32(e.value) >> (24 - 8 * i));
            });
            return;
        }
        if (e.file == Extreme::kConfig) {
            for (int i = 0; i < 6; ++i) SetConfig("FONTSIZE_" + std::to_string(i), value);
            for (const char* key : {"MESWIN_LETTER_MARGINWIDTH", "BGM_LOOP_TITLE", "SYSTEM_TEXT_COLOR0",
                                    "MESWIN_TEXT_COLOR0", "SELECT_TEXT_COLOR0"})
                SetConfig(key, value);
            return;
        }
        Unpack(u"data/db_uimodule.txt", [&](std::string& table) {
            // Width and height, the sixth and seventh columns, of the buttons.
            for (const char* name : {"\tbtn_yes\t", "\tbtn_no\t", "\tbtn_ok\t", "\tbtn_cancel\t"}) {
                const size_t row = table.find(name);
                ASSERT_NE(row, std::string::npos) << name;
                size_t at = table.find('\t', table.find('\t', row + std::strlen(name)) + 1) + 1;
                for (int column = 0; column < 2; ++column) {
                    const size_t end = table.find('\t', at);
                    table.replace(at, end - at, value);
                    at += value.size() + 1;
                }
            }
        });
    });
    ASSERT_TRUE(RunUntil(u"SeqTitle"));
    System()->OpenUserDialog(u"k", nullptr, u"?", 3);
    Pass();
    GxTaskUIBase* dialog = GxTaskUIBase::FromTask(Tm()->FindTaskName(u"dlg_user"));
    GxTaskUIBase* yes = Widget(u"dlg_user", u"btn_dlguser_yes");
    ASSERT_TRUE(dialog && yes);
    GxVector4 at;
    yes->GetPos(&at);
    const s64 W = dialog->GetWidth(), w = yes->GetWidth();
    EXPECT_EQ(at.x, f32((W - (2 * w + 32)) / 2)) << "a pair of buttons centred in the dialog, 32 apart";
    GxCloseUserDialog(false);
    ASSERT_TRUE(ChangeTo(u"SeqDebug"));
    auto* labels = dynamic_cast<GxTaskUIListBoxFx*>(Widget(kDebugUI, u"lbox_labelselect"));
    ASSERT_TRUE(labels && labels->GetColumnCount() == 1);
    // The label list's line column: ten half-width cells of its font.
    EXPECT_EQ(*labels->GetColumnWidth(0), GxTruncToS32(f64(labels->GetTextFontSize()) * 5));
    Pass(2);
    if (e.file == Extreme::kImageSet) {
        EXPECT_LT(w, 16384) << "a piece wider than any picture is not laid out";
        EXPECT_TRUE(log.Contains("画像の大きさか位置が不正です(btn_yes_off.png) (uigis/ui_common.gis)")) << log.Text();
    }
}

INSTANTIATE_TEST_SUITE_P(Sample, ExtremeNumbers,
                         testing::Values(Extreme{"ConfigLargest", Extreme::kConfig, INT32_MAX},
                                         Extreme{"ConfigSmallest", Extreme::kConfig, INT32_MIN},
                                         Extreme{"ButtonsLargest", Extreme::kTable, INT32_MAX},
                                         Extreme{"ButtonsSmallest", Extreme::kTable, INT32_MIN},
                                         Extreme{"PieceWidest", Extreme::kImageSet, INT32_MAX}),
                         [](const testing::TestParamInfo<Extreme>& p) { return std::string(p.param.what); });

} // namespace
