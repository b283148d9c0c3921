// The configuration over the test game: its pages' screens, every control
// shown from its setting and read back into it when the scene is left, the
// settings file read back as after a restart, the sound page heard at once,
// the voice panels with their order, faces and scrolling, the questions asked
// through the system scene's dialog, the play modes and notices, and a
// refused screen-mode switch.
#include "ExtrasFixture.h"

#include "game/SeqSystem.h"
#include "game/scenes/SeqConfig.h"
#include "gamedata/DBVoiceVolume.h"
#include "gamedata/GxUserConfig.h"
#include "tasks/GxUIEventParam.h"

namespace {

using extrastest::ExtrasTest;

constexpr const char16_t* kUI = u"$UI:SeqConfig";
constexpr const char16_t* kSystem = u"$UI_SYSTEM:SeqConfig";
constexpr const char16_t* kSound = u"$UI_SOUND:SeqConfig";
constexpr const char16_t* kVoice = u"$UI_VOICE:SeqConfig";

class Config : public ExtrasTest {
protected:
    void SetUp() override {
        ExtrasTest::SetUp();
        // Entered from another scene, so that it has one to go back to.
        Enter(u"SeqCGMode");
    }
    SeqConfig* Screen() { return Scene<SeqConfig>(u"SeqConfig"); }
    static SeqSystem* System() { return SeqSystem::Get(); }
    // A slider left at a value by the player: the value, then its change told.
    void Slide(const GxChar* page, const GxChar* name, s32 index, f64 value) {
        GxTaskUIBase* w = Widget(page, name, index);
        ASSERT_NE(w, nullptr) << GxToUtf8(name);
        w->SetValue(value);
        w->PostUIEvent(UIEVENT_VALUE_CHANGE);
        Frames(2);
    }
    bool On(const GxChar* page, const GxChar* name, s32 index = 0) { return Widget(page, name, index)->GetValueBool(); }
    GxString Asked() {
        return System()->IsUserDialogOpen() ? GxTaskUIBase::FromTask(Task(u"dlg_user"))->GetText() : GxString();
    }
    void Answer(const GxChar* button, s32 index = 0) { Click(u"dlg_user", button, index); }
};

// One control: the setting before the scene starts, the value the control
// shows for it, the value the player leaves it at and what the settings then
// hold.
struct Control {
    const char16_t* page;
    const GxChar* name;
    s32 index;
    std::function<void(GxUserConfig&)> before;
    f64 shown;
    f64 set;
    std::function<bool(const GxUserConfig&)> after;
};

std::vector<Control> Controls() {
    std::vector<Control> c = {
        {kSystem, u"hsld_textspeed", 0, [](GxUserConfig& s) { s.m_TextWaitTime = 70; }, -70, -40,
         [](const GxUserConfig& s) { return s.m_TextWaitTime == 40 && s.m_TextLongWaitTime == 320; }},
        {kSystem, u"hsld_autospeed", 0, [](GxUserConfig& s) { s.m_AutoWaitTime = 2500; }, -2500, -1000,
         [](const GxUserConfig& s) { return s.m_AutoWaitTime == 1000; }},
        {kSystem, u"hsld_winalpha", 0, [](GxUserConfig& s) { s.m_TextWindowOpacity = 200; }, -200, -100,
         [](const GxUserConfig& s) { return s.m_TextWindowOpacity == 100; }},
        {kSound, u"hsld_vol_master", 0, [](GxUserConfig& s) { s.m_Volume_Master = 90; }, 90, 40,
         [](const GxUserConfig& s) { return s.m_Volume_Master == 40; }},
        {kSound, u"hsld_vol_bgm", 0, [](GxUserConfig& s) { s.m_Volume_BGM = 60; }, 60, 35,
         [](const GxUserConfig& s) { return s.m_Volume_BGM == 35; }},
        // The background voice goes with the effects' slider.
        {kSound, u"hsld_vol_se", 0, [](GxUserConfig& s) { s.m_Volume_Sound = 70, s.m_Volume_BGV = 20; }, 70, 30,
         [](const GxUserConfig& s) { return s.m_Volume_Sound == 30 && s.m_Volume_BGV == 30; }},
        {kSound, u"hsld_vol_movie", 0, [](GxUserConfig& s) { s.m_Volume_Movie = 55; }, 55, 45,
         [](const GxUserConfig& s) { return s.m_Volume_Movie == 45; }},
        {kSound, u"hsld_vol_rest", 0, [](GxUserConfig& s) { s.m_Volume_RestrainBGM = 65; }, 65, 15,
         [](const GxUserConfig& s) { return s.m_Volume_RestrainBGM == 15; }},
        {kSound, u"btn_nextvoice", 1, [](GxUserConfig& s) { s.m_VoiceStopTiming = false; }, 0, 1,
         [](const GxUserConfig& s) { return s.m_VoiceStopTiming; }},
        {kSound, u"btn_on", 2, [](GxUserConfig& s) { s.m_WaitVoiceEndOnAutoMode = true; }, 1, 0,
         [](const GxUserConfig& s) { return !s.m_WaitVoiceEndOnAutoMode; }},
        {kSound, u"btn_on", 3, [](GxUserConfig& s) { s.m_UseSystemVoice = true; }, 1, 0,
         [](const GxUserConfig& s) { return !s.m_UseSystemVoice; }},
        {kSound, u"btn_xaudio2", 4, [](GxUserConfig& s) { s.m_SoundEngineMode = 0; }, 0, 1,
         [](const GxUserConfig& s) { return s.m_SoundEngineMode == 2; }},
        {kVoice, u"hsld_vol_voicemaster", 0, [](GxUserConfig& s) { s.m_Volume_VoiceMaster = 85; }, 85, 50,
         [](const GxUserConfig& s) { return s.m_Volume_VoiceMaster == 50; }},
        {kVoice, u"hsld_vol_systemvoice", 0, [](GxUserConfig& s) { s.m_Volume_SystemVoice = 75; }, 75, 20,
         [](const GxUserConfig& s) { return s.m_Volume_SystemVoice == 20; }},
        // Row 0 is slot 3 (first by its order), row 1 slot 1.
        {kVoice, u"hsld_vol_voice", 0, [](GxUserConfig& s) { s.m_Volume_Voice[3] = 60; }, 60, 25,
         [](const GxUserConfig& s) { return s.m_Volume_Voice[3] == 25 && s.m_Volume_Voice[1] == 100; }},
        {kVoice, u"btn_systemvoice", 1, [](GxUserConfig& s) { s.m_SystemVoice_Activated[1] = false; }, 0, 1,
         [](const GxUserConfig& s) { return s.m_SystemVoice_Activated[1]; }},
    };
    // The system page's switches, each against the others' settings.
    const std::pair<s32, bool GxUserConfig::*> switches[] = {
        {2, &GxUserConfig::m_AllowSkipUnreadText},     {3, &GxUserConfig::m_FastShowReadedText},
        {4, &GxUserConfig::m_ChangeColorReadedText},   {5, &GxUserConfig::m_ChangeColorSelectedMenu},
        {6, &GxUserConfig::m_KeepAutoModeAfterSelect}, {7, &GxUserConfig::m_KeepSkipModeAfterSelect},
    };
    for (const auto& [index, field] : switches) {
        const bool was = index % 2 == 0;
        c.push_back({kSystem, u"btn_on", index, [was, f = field](GxUserConfig& s) { s.*f = was; }, was ? 1.0 : 0.0,
                     was ? 0.0 : 1.0, [was, f = field](const GxUserConfig& s) { return s.*f == !was; }});
    }
    return c;
}

TEST_F(Config, EachControlShowsItsSettingAndLeavingKeepsItInTheSettingsAndTheirFile) {
    const std::vector<Control> controls = Controls();
    for (const Control& c : controls) c.before(*settings_);
    Enter(u"SeqConfig");
    for (const Control& c : controls) {
        SCOPED_TRACE(GxToUtf8(c.name) + " " + std::to_string(c.index));
        GxTaskUIBase* w = Widget(c.page, c.name, c.index);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->GetValue(), c.shown);
        w->SetValue(c.set);
    }
    // The pairs' other halves show the opposite.
    EXPECT_TRUE(On(kSystem, u"btn_off", 3));
    EXPECT_FALSE(On(kSound, u"btn_off", 2));
    // The voice rows are read back while their page is shown.
    Click(kUI, u"btn_tabconf_voice");
    Click(kUI, u"btn_back");
    Frames(2);
    EXPECT_EQ(Worker().m_CurrentName, u"SeqCGMode");
    EXPECT_EQ(Worker().m_CurrentParam1, 5);
    for (const Control& c : controls) EXPECT_TRUE(c.after(*settings_)) << GxToUtf8(c.name) << " " << c.index;

    // The file as shutdown writes it, read by the next start; a write that
    // cannot be made is told and leaves that file whole.
    ASSERT_TRUE(settings_->Save());
    const auto saved = qtest::ReadBytes("save/userconf.dat");
    GxUserConfig restarted(&core_);
    ASSERT_TRUE(restarted.Load());
    for (const Control& c : controls) EXPECT_TRUE(c.after(restarted)) << GxToUtf8(c.name) << " " << c.index;
    const qtest::TempFileRefused refused(std::filesystem::absolute("save/userconf.dat"));
    settings_->m_Volume_Master = 1;
    log_.Clear();
    EXPECT_FALSE(settings_->Save());
    EXPECT_TRUE(log_.Contains("GxUserConfig::Save/")) << log_.Text();
    EXPECT_EQ(qtest::ReadBytes("save/userconf.dat"), saved);
}

TEST_F(Config, ThePagesFollowTheTabsByMouseWithTheirScreens) {
    Enter(u"SeqConfig");
    EXPECT_TRUE(MatchesGolden("config_system"));
    const struct {
        const GxChar* tab;
        const char16_t* page;
    } tabs[] = {{u"btn_tabconf_sound", kSound}, {u"btn_tabconf_game", u"$UI_GAME:SeqConfig"}, {u"btn_tabconf_voice", kVoice},
                {u"btn_tabconf_system", kSystem}};
    const char16_t* pages[] = {kSystem, kSound, kVoice, u"$UI_GAME:SeqConfig"};
    for (const auto& t : tabs) {
        Click(kUI, t.tab);
        for (const char16_t* page : pages)
            EXPECT_EQ(Task(page)->IsSuspended(), GxString(page) != t.page) << GxToUtf8(t.tab) << " " << GxToUtf8(page);
        if (GxString(t.tab) == u"btn_tabconf_voice") {
            Frames(2);
            EXPECT_TRUE(MatchesGolden("config_voice"));
        }
    }
}

TEST_F(Config, TheSoundPageIsHeardAtOnce) {
    GxPlayBgm(u"bgms/m2.wav", 0, 0, 0, 0, false);
    Enter(u"SeqConfig");
    Click(kUI, u"btn_tabconf_sound");
    const float piece = 8000.0f / 32768;
    EXPECT_NEAR(Heard(), piece * 0.8f, 1e-3);
    const struct {
        const GxChar* slider;
        s32 value;
        float gain;
    } moves[] = {{u"hsld_vol_bgm", 40, 0.4f}, {u"hsld_vol_master", 50, 0.2f}, {u"hsld_vol_se", 10, 0.2f}, {u"hsld_vol_bgm", 0, 0.0f}};
    for (const auto& m : moves) {
        Slide(kSound, m.slider, 0, m.value);
        EXPECT_NEAR(Heard(), piece * m.gain, 1e-3) << GxToUtf8(m.slider) << " " << m.value;
    }
    EXPECT_EQ(settings_->m_Volume_BGV, 10);
    // The effect's test plays on its channel.
    Click(kSound, u"btn_test_se");
    EXPECT_TRUE(Playing(8));
    Click(kUI, u"btn_back");
    Frames(2);
    EXPECT_FALSE(Playing(8)) << "leaving stops the tests";
}

TEST_F(Config, VoicePanelsKeepTheirOrderShowTheirFacesAndScroll) {
    Enter(u"SeqConfig");
    Click(kUI, u"btn_tabconf_voice");
    const std::vector<SeqConfigVoicePanel>& panels = Screen()->GetVoicePanels();
    ASSERT_EQ(panels.size(), 3u);
    EXPECT_EQ(std::vector<s32>({panels[0].VoiceVolumeID, panels[1].VoiceVolumeID, panels[2].VoiceVolumeID}),
              (std::vector<s32>{3, 1, 2}));
    EXPECT_EQ(panels[0].FacePattern, nullptr) << "face_none.png is not in the set";
    EXPECT_NE(panels[1].FacePattern, nullptr) << "FACE_AKI.png is found in lower case";
    // Rows: a test only with a test sound, a switch only with a system voice.
    const struct {
        s32 row;
        bool shown, test, systemVoice;
    } rows[] = {{0, true, true, true}, {1, true, true, true}, {2, true, false, false}, {3, false, false, false}};
    for (const auto& r : rows) {
        EXPECT_EQ(Widget(kVoice, u"tip_voiceplate", r.row)->IsVisible(), r.shown) << r.row;
        if (!r.shown) continue;
        EXPECT_EQ(Widget(kVoice, u"btn_test_voice", r.row)->IsEnabled(), r.test) << r.row;
        EXPECT_EQ(Widget(kVoice, u"btn_systemvoice", r.row)->IsEnabled(), r.systemVoice) << r.row;
    }
    EXPECT_EQ(Screen()->GetVoiceScrollMax(), 0);
    EXPECT_FALSE(Widget(kVoice, u"hsld_scroll_voice")->IsVisible());
    Click(kVoice, u"btn_test_voice", 1);
    EXPECT_TRUE(Playing(14));

    // More panels: two a row, three rows shown.
    const struct {
        int panels, max;
    } counts[] = {{6, 0}, {7, 1}, {8, 1}, {9, 2}, {10, 2}};
    for (const auto& n : counts) {
        std::string text = "\xEF\xBB\xBF#ID\tPanelVisible\tPanelOrder\tFacePanelFileName\tSoundTestFileName\tSystemVoiceExist\tSystemVoiceEnabled\tComment\n";
        for (int id = 1; id <= n.panels; ++id) text += std::to_string(id) + "\t1\t0\t\taki\t1\t1\t\n";
        ASSERT_TRUE(qtest::WriteText("data/db_voicevolume.txt", text));
        ASSERT_TRUE(g_DBVoiceVolume.Load(u"data/db_voicevolume.txt"));
        Screen()->BuildVoicePanels();
        EXPECT_EQ(Screen()->GetVoiceScrollMax(), n.max) << n.panels;
        EXPECT_EQ(Widget(kVoice, u"hsld_scroll_voice")->IsVisible(), n.max > 0) << n.panels;
        EXPECT_EQ(Widget(kVoice, u"btn_scrolldown_voice")->IsVisible(), n.max > 0) << n.panels;
    }
    // With ten: the first row shown from the slider, the buttons and the wheel.
    const struct {
        const char* how;
        f64 value;
        s32 row;
    } scrolls[] = {{"slide", 0.7, 1}, {"slide", 0.5, 0}, {"down", 1.5, 1}, {"down", 2, 2}, {"down", 2, 2},
                   {"wheel up", 1, 1}, {"wheel down", 2, 2}, {"up", 1, 1}, {"up", 0, 0}, {"up", 0, 0}};
    for (const auto& s : scrolls) {
        const std::string how = s.how;
        if (how == "slide") Slide(kVoice, u"hsld_scroll_voice", 0, s.value);
        if (how == "down") Click(kVoice, u"btn_scrolldown_voice");
        if (how == "up") Click(kVoice, u"btn_scrollup_voice");
        if (how == "wheel up") Wheel(120);
        if (how == "wheel down") Wheel(-120);
        EXPECT_EQ(Widget(kVoice, u"hsld_scroll_voice")->GetValue(), s.value) << how;
        EXPECT_EQ(Screen()->GetFirstVoiceRow(), s.row) << how << " " << s.value;
        EXPECT_EQ(Widget(kVoice, u"btn_scrollup_voice")->IsEnabled(), s.value != 0) << how;
        EXPECT_EQ(Widget(kVoice, u"btn_scrolldown_voice")->IsEnabled(), s.value < 2) << how;
    }
    // A row edits the slot it shows: row 1 on the first row is the fourth panel.
    Slide(kVoice, u"hsld_scroll_voice", 0, 1);
    Slide(kVoice, u"hsld_vol_voice", 1, 33);
    EXPECT_EQ(settings_->m_Volume_Voice[4], 33);
    EXPECT_EQ(settings_->m_Volume_Voice[2], 100);
}

TEST_F(Config, QuestionsGoThroughTheSystemScenesDialog) {
    settings_->m_SoundEngineModeInEffect = 1;
    settings_->m_SoundEngineMode = 1;
    Enter(u"SeqConfig");

    // Back to the title: no, then yes, with the settings read back.
    EXPECT_TRUE(Widget(kUI, u"btn_title")->IsVisible());
    Click(kUI, u"btn_title");
    EXPECT_EQ(Asked(), u"タイトル画面に戻りますか？");
    EXPECT_EQ(System()->GetUserDialogOwner(), Screen());
    Answer(u"btn_dlguser_no");
    EXPECT_EQ(Asked(), u"");
    EXPECT_EQ(Worker().m_CurrentName, u"SeqConfig");

    // The defaults, asked with the engine's note while an engine is chosen;
    // the screen mode and the engine in effect stay.
    settings_->m_Volume_BGM = 10;
    settings_->m_ScreenMode = 1;
    Click(kUI, u"btn_init");
    EXPECT_EQ(Asked(), u"設定を初期化しますか？|（サウンドエンジンの反映は再起動が必要です）");
    // No second dialog while one is open.
    Click(kUI, u"btn_title");
    EXPECT_EQ(Asked(), u"設定を初期化しますか？|（サウンドエンジンの反映は再起動が必要です）");
    Answer(u"btn_dlguser_yes");
    EXPECT_EQ(Asked(), u"");
    EXPECT_EQ(settings_->m_Volume_BGM, 80);
    EXPECT_EQ(settings_->m_ScreenMode, 1);
    EXPECT_EQ(settings_->m_SoundEngineModeInEffect, 1);
    EXPECT_EQ(Widget(kSound, u"hsld_vol_bgm")->GetValue(), 80.0);
    EXPECT_TRUE(On(kSound, u"btn_soundauto", 4));
    EXPECT_FALSE(On(kSound, u"btn_directsound", 4));

    // The engine: the one in effect asks nothing, another warns once.
    Click(kUI, u"btn_tabconf_sound");
    Click(kSound, u"btn_directsound", 4);
    EXPECT_EQ(Asked(), u"");
    Click(kSound, u"btn_xaudio2", 4);
    EXPECT_EQ(Asked(), u"この変更を反映するには|ゲームの再起動が必要です");
    Answer(u"btn_dlguser_ok", 1);
    EXPECT_EQ(Asked(), u"");
    EXPECT_TRUE(On(kSound, u"btn_xaudio2", 4));

    Slide(kSound, u"hsld_vol_master", 0, 30);
    Click(kUI, u"btn_title");
    Answer(u"btn_dlguser_yes");
    Frames(2);
    EXPECT_EQ(Worker().m_CurrentName, u"SeqTitle");
    EXPECT_EQ(Worker().m_CurrentParam1, 6);
    EXPECT_EQ(settings_->m_SoundEngineMode, 2);
    EXPECT_EQ(settings_->m_Volume_Master, 30);
    // Entered from the title, there is no play to leave for it.
    Enter(u"SeqConfig");
    EXPECT_FALSE(Widget(kUI, u"btn_title")->IsVisible());
}

// A screen mode the display refuses (the test adapter offers no full-screen
// mode) is not kept, on the page nor once the scene is left.
TEST_F(Config, EnteringEndsThePlayModesHoldsTheNoticesWhileShownAndRefusesAScreenMode) {
    ui_.m_SkipMode = true;
    ui_.m_AutoMode = true;
    Enter(u"SeqConfig");
    EXPECT_FALSE(ui_.m_SkipMode);
    EXPECT_FALSE(ui_.m_AutoMode);
    EXPECT_TRUE(System()->AreUserNoticesHeld());
    Click(kSystem, u"btn_fullscreen", 1);
    EXPECT_EQ(settings_->m_ScreenMode, 0);
    EXPECT_TRUE(On(kSystem, u"btn_window", 1));
    EXPECT_FALSE(On(kSystem, u"btn_fullscreen", 1));
    for (int how = 0; how < 3; ++how) {
        if (how > 0) Enter(u"SeqConfig");
        how == 0 ? Click(kUI, u"btn_back") : how == 1 ? RightClick() : Action(u"CANCEL", true);
        Frames(2);
        EXPECT_EQ(Worker().m_CurrentName, u"SeqCGMode") << how;
        EXPECT_FALSE(System()->AreUserNoticesHeld()) << how;
        EXPECT_EQ(settings_->m_ScreenMode, 0) << how;
    }
}

} // namespace
