// The main adventure scene driven by a compiled script over the headless
// engine: text advancing on clicks, skip stopping at unread text, auto mode
// waiting for the voice and the settings, hiding the windows, the holds and
// the input that cuts them short, the scene's reset, and the adventure
// screen drawn.
#include "MainSceneFixture.h"

#include "gamedata/GxUserDataPerman.h"
#include "graphics/text_fixture.h"
#include "layers/GxTaskLayer.h"
#include "tasks/GxInput.h"
#include "ui/GxTaskUITextButtonIs.h"

namespace {

using maintest::MainSceneTest;

using maintest::kStory;

using MainScene = MainSceneTest;

// A click while the text reveals shows it whole first; the next goes on.
TEST_F(MainScene, TextAdvancesOnClicksAndEachLineGoesToTheLog) {
    Play(kStory);
    ASSERT_EQ(CurrentScene(), u"SeqAvgMain") << log_.Text();
    ASSERT_TRUE(FramesUntil([] { return Shown().size() > 6; }));
    ASSERT_FALSE(Window()->IsClickWaiting());
    Click();
    EXPECT_EQ(Shown(), "「おはよう。今日はいい天気だね。」");
    EXPECT_TRUE(Window()->IsClickWaiting());
    struct Step {
        const char* shown;
        const char16_t* name;
        int line;
    } steps[] = {
        {"「おはよう。今日はいい天気だね。」", u"アキ", 5},
        {"「そうだね。どこかへ出かけようか。」", u"ユウ", 7},
        {"二人は駅へ向かった。", u"", 8},
    };
    for (const Step& s : steps) {
        ASSERT_TRUE(UntilClickWait()) << s.shown << log_.Text();
        EXPECT_EQ(Shown(), s.shown);
        EXPECT_EQ(Main()->GetNameWindow()->GetText(), s.name);
        EXPECT_EQ(Main()->GetNameWindow()->IsVisible(), *s.name != 0);
        EXPECT_EQ(ScriptLine(), s.line) << "the script waits on the line after the text";
        Frames(30);
        EXPECT_EQ(Shown(), s.shown) << "nothing moves on without a click, nor with the one that cut the reveal short";
        EXPECT_TRUE(GxTaskUIBase::FromTask(Window()->FindTaskLocal(u"icon_wait", 0))->IsVisible());
        Click();
        Frame();
        EXPECT_FALSE(GxTaskUIBase::FromTask(Window()->FindTaskLocal(u"icon_wait", 0))->IsVisible());
    }
    ASSERT_EQ(data_->m_MessageLog.size(), 4u);
    EXPECT_EQ(data_->m_MessageLog[1].m_Name, u"ユウ");
    EXPECT_EQ(data_->m_MessageLog[1].m_VoiceFileName[0], u"voices/v1.wav") << "the line keeps its voice";
    EXPECT_EQ(data_->m_MessageLog[2].m_Message, u"二人は駅へ向かった。");
    EXPECT_TRUE(data_->m_MessageLog[2].m_VoiceFileName[0].empty()) << "a click ends the page and its voice";
}

// Skip passes the click waits inside a read message too.
TEST_F(MainScene, SkipRunsThroughReadTextAndStopsAtUnreadText) {
    constexpr const char* kFirst = "「おはよう。今日はいい天気だね。」";
    constexpr const char* kSecond = "「そうだね。どこかへ出かけようか。」";
    constexpr const char* kThird = "二人は駅へ向かった。";
    enum Saved { kNotSaved, kSavedWaiting, kSavedRevealing };
    struct Case {
        const char* how;
        bool allowUnread;
        bool control;
        bool windowActive;
        bool minimised;
        const char* stopsAt;  // the text skip stands at; empty: the script ended
        size_t logged;
        // Not saved: the first two lines were read in an earlier play.
        // Saved: nothing was, and the first line was quick-saved the first
        // time it showed (waiting for its click, or still revealing), then
        // quick-loaded.
        Saved saved = kNotSaved;
        // The story: kStory, or one read message with click waits inside it
        // and then an unread one.
        bool clickWaits = false;
    } cases[] = {
        {"button", false, false, true, false, kThird, 3},
        {"control key", false, true, true, false, kThird, 3},
        {"button, unread allowed", true, false, true, false, "", 4},
        {"control key, window inactive", false, true, false, false, kFirst, 1},
        {"button, window minimised", false, false, true, true, kFirst, 1},
        // The loaded line was read when it was saved; the next is new.
        {"button, loaded where saved waiting", false, false, true, false, kSecond, 2, kSavedWaiting},
        {"control key, loaded where saved revealing", false, true, true, false, kSecond, 2, kSavedRevealing},
        {"button, click waits inside a read message", false, false, true, false, "まだ読んでいない。", 2, kNotSaved, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        Restart();
        // Their 1-based line numbers.
        for (int line : c.saved != kNotSaved ? std::vector<int>{} : c.clickWaits ? std::vector<int>{2} : std::vector<int>{5, 7})
            perman_->SetReadedMessage(u"main", line);
        settings_->m_AllowSkipUnreadText = c.allowUnread;
        core_.m_Active = c.windowActive;
        core_.m_Minimized = c.minimised;
        Play(c.clickWaits ? u"*start\n> 一つ目。%c二つ目。%c三つ目。\n> まだ読んでいない。\n" : kStory);
        ASSERT_TRUE(FramesUntil([] { return Shown().size() > 3; }));
        if (c.saved != kNotSaved) {
            if (c.saved == kSavedWaiting) {
                ASSERT_TRUE(UntilClickWait());
            }
            ASSERT_FALSE(Window()->IsReaded());
            Press(u"btn_qsave");
            Frame();
            // The reveal stands still after the load until skip moves it.
            settings_->m_TextWaitTime = 1000000;
            Press(u"btn_qload");
            ASSERT_TRUE(UntilScene(u"SeqQuickLoad"));
            ASSERT_TRUE(UntilScene(u"SeqAvgMain")) << log_.Text();
            settings_->m_TextWaitTime = 20;
            ASSERT_TRUE(perman_->IsReadedMessage(u"main", 5));
            ASSERT_EQ(Window()->IsClickWaiting(), c.saved == kSavedWaiting);
            ASSERT_EQ(Window()->GetRemainingChars() > 0, c.saved == kSavedRevealing);
        }
        if (c.control)
            GxGetInputState(0)->m_Down.Set(0x1D);
        else
            Press(u"btn_skip");
        Frames(40);
        if (*c.stopsAt) {
            EXPECT_TRUE(UntilClickWait());
            EXPECT_EQ(Shown(), c.stopsAt);
            Frames(20);
            EXPECT_EQ(Shown(), c.stopsAt) << "skip holds here";
        } else {
            EXPECT_FALSE(g_pMoaMainWorker()->IsRunning());
        }
        EXPECT_EQ(data_->m_MessageLog.size(), c.logged);
        GxGetInputState(0)->m_Down.Reset();
        core_.m_Minimized = false;
    }
}

TEST_F(MainScene, AutoModeWaitsItsTimeAndForTheVoice) {
    struct Case {
        const char* what;
        bool waitVoice;
        int framesOnSecondLine;  // click-waiting on the voiced line before it moves on, about
    } cases[] = {
        // The voice's two seconds less the line's reveal.
        {"waits for the voice", true, 105},
        {"does not wait for the voice", false, 13},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Restart();
        WriteWav("voices/v1.wav", 96000, 8000);  // two seconds
        settings_->m_WaitVoiceEndOnAutoMode = c.waitVoice;
        settings_->m_AutoWaitTime = 200;
        Play(kStory);
        ASSERT_TRUE(UntilClickWait());
        Press(u"btn_auto");
        // The first line, without a voice: 200 ms of 16 ms frames.
        Frames(12);
        EXPECT_EQ(Shown(), "「おはよう。今日はいい天気だね。」");
        Frames(2);
        ASSERT_TRUE(UntilClickWait());
        EXPECT_EQ(Shown(), "「そうだね。どこかへ出かけようか。」");
        ASSERT_TRUE(GxIsVoicePlaying());
        int frames = 0;
        while (Shown() == "「そうだね。どこかへ出かけようか。」" && frames < 400) Frame(), ++frames;
        EXPECT_NEAR(frames, c.framesOnSecondLine, 3);
        EXPECT_EQ(GxIsVoicePlaying(), false) << "ended, or stopped when the page ended";
    }
}

// Hidden windows hold the script until shown again; a click in skip or auto
// mode only ends the mode, and sets its button off. The input that ends them
// does nothing else.
TEST_F(MainScene, HiddenWindowsAndPlayModesEndByTheirInputAlone) {
    struct Case {
        const char* start;  // what hides the windows, or the mode's button
        const char* end;
    } cases[] = {
        {"space", "click"}, {"right button", "wheel"}, {"hide button", "enter"}, {"space", "space"},
        {"btn_skip", "click"}, {"btn_auto", "click"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.start) + " / " + c.end);
        Restart();
        Play(kStory);
        ASSERT_TRUE(UntilClickWait());
        settings_->m_AutoWaitTime = 100000;
        const std::string start = c.start, end = c.end;
        const GxString mode = start.starts_with("btn_") ? GxFromUtf8(start) : GxString();
        if (start == "space") Key(0x20);
        if (start == "right button") Tasks().OnRButtonDown(GxVector2(10.0f, 10.0f), 0, false);
        if (start == "hide button") Press(u"btn_hide");
        if (!mode.empty()) Press(mode.c_str());
        Frame();
        if (!mode.empty()) {
            EXPECT_TRUE(ui_.m_SkipMode || ui_.m_AutoMode);
        } else {
            ASSERT_TRUE(ui_.m_HideWindowFlag);
            EXPECT_FALSE(Main()->IsScriptRunnable());
            EXPECT_FALSE(Main()->IsUIWidgetActive(Window()));
        }
        if (end == "click") Click();
        if (end == "wheel") Tasks().OnMouseWheel(GxVector2(10.0f, 10.0f), -120, 0);
        if (end == "enter") Key(0x0D);
        if (end == "space") Key(0x20);
        EXPECT_FALSE(ui_.m_HideWindowFlag || ui_.m_SkipMode || ui_.m_AutoMode);
        if (!mode.empty()) {
            EXPECT_FALSE(Main()->GetPlayButton(mode.c_str())->GetValueBool()) << "the button is set off with it";
        }
        Frame();
        EXPECT_EQ(Shown(), "「おはよう。今日はいい天気だね。」") << "the text stays";
    }
}

// The holds as the wait builtins leave them, and the input that may end them.
TEST_F(MainScene, HoldsEndByTheirInputInOrderOrWhenTheirTimeHasPassed) {
    Play(u"*start\ntwaitclick()\n> 次の行。\n");
    EXPECT_EQ(data_->m_Hold_WaitClick, 3);
    Frames(20);
    EXPECT_TRUE(data_->m_MessageLog.empty()) << "held";
    Click();
    EXPECT_EQ(data_->m_Hold_WaitClick, 0);
    EXPECT_TRUE(Shown().empty()) << "the click ended the wait and did nothing else";
    ASSERT_TRUE(UntilClickWait());
    EXPECT_EQ(Shown(), "次の行。");

    struct Case {
        s32 GxUserData::*hold;
        s32 value;
        s32 input;
        bool ended;
    } cases[] = {
        {&GxUserData::m_Hold_WaitClick, 3, 2, true},   {&GxUserData::m_Hold_WaitClick, 9, 2, false},
        {&GxUserData::m_Hold_WaitTime, 9, 8, true},    {&GxUserData::m_Hold_EndOfMovie, 11, 2, true},
        {&GxUserData::m_Hold_EndOfBGM, 1, 8, false},   {&GxUserData::m_Hold_EndOfVoice, 15, 8, true},
    };
    for (const Case& c : cases) {
        (*data_).*c.hold = c.value;
        EXPECT_EQ(Main()->EndWaitByInput(c.input), c.ended);
        EXPECT_EQ((*data_).*c.hold, c.ended ? 0 : c.value);
        (*data_).*c.hold = 0;
    }
    // Only the first hold the input may end goes.
    data_->m_Hold_WaitClick = 3;
    data_->m_Hold_WaitTime = 3;
    data_->m_Hold_WaitTime_TimeLeft = 100;
    EXPECT_TRUE(Main()->EndWaitByInput(2));
    EXPECT_EQ(data_->m_Hold_WaitTime, 3);
    // A time wait runs down; a separate-layer wait on a layer that does not
    // exist ends at the next update.
    data_->m_Hold_EndOfLayerActionSeparate = 1;
    data_->m_Hold_EndOfLayerActionSeparate_LayerName = u"いない人";
    Main()->UpdateWaits(60000);
    EXPECT_EQ(data_->m_Hold_WaitTime_TimeLeft, 40);
    EXPECT_EQ(data_->m_Hold_EndOfLayerActionSeparate, 0);
    EXPECT_TRUE(data_->m_Hold_EndOfLayerActionSeparate_LayerName.empty());
    Main()->UpdateWaits(40000);
    EXPECT_EQ(data_->m_Hold_WaitTime, 0);
}

constexpr const char16_t* kChoice =
    u"*start\n"
    u"> どこへ行こう？\n"
    u"tsel(\"main:1\", \"海へ\", \"sea\", \"\", \"\", \"山へ\", \"mountain\", \"川へ\", \"river\")\n"
    u"> ここには来ない。\n"
    u"*sea\n"
    u"> 海に着いた。\n"
    u"*mountain\n"
    u"> 山に着いた。\n";

TEST_F(MainScene, AChoiceSlidesInHoldsTheScriptAndJumpsToItsLabel) {
    // The first item was taken in an earlier play.
    perman_->SetSelectedMenu(u"main:1", 1);
    Play(kChoice);
    ASSERT_TRUE(UntilClickWait());
    Click();
    Frame();
    ASSERT_TRUE(data_->m_IsSelecting);
    EXPECT_FALSE(Main()->GetChoiceButton(2)->IsVisible()) << "a hidden item leaves no gap";
    GxTaskUIBase* first = Main()->GetChoiceButton(1);
    GxTaskUIBase* second = Main()->GetChoiceButton(3);
    EXPECT_EQ(first->GetText(), u"海へ");
    EXPECT_EQ(second->GetText(), u"山へ");
    EXPECT_EQ(static_cast<GxTaskUITextButtonIs*>(first)->GetTextColor(), core_.m_Config->m_SelectTextColor1);
    EXPECT_EQ(static_cast<GxTaskUITextButtonIs*>(second)->GetTextColor(), core_.m_Config->m_SelectTextColor0);
    GxVector4 a, b;
    first->GetPos(&a);
    second->GetPos(&b);
    const f32 step = f32(first->GetHeight() + 10);
    EXPECT_FLOAT_EQ(b.y - a.y, step);
    // Centred at half the message window's top: three buttons' column.
    EXPECT_FLOAT_EQ(a.y, f32(s32((556.0f - 3 * step) * 0.5f)));
    const f32 centred = f32((1024 - first->GetWidth()) / 2);
    EXPECT_EQ(b.x, centred - 32.0f) << "each starts 32 pixels left, the second 50 ms after the first";
    EXPECT_GT(a.x, centred - 32.0f);
    Frames(20);
    first->GetPos(&a);
    second->GetPos(&b);
    EXPECT_EQ(a.x, centred);
    EXPECT_EQ(b.x, centred) << "and slides in, 50 ms after the one before";
    EXPECT_EQ(first->GetAlpha(), 255);
    EXPECT_TRUE(data_->m_IsSelecting);
    EXPECT_EQ(Shown(), "どこへ行こう？") << "the script waits for the choice";

    second->PostUIEvent(UIEVENT_DECIDE);
    Frame();
    EXPECT_FALSE(data_->m_IsSelecting);
    EXPECT_EQ(data_->m_LastSelectNum, 3);
    EXPECT_TRUE(perman_->IsSelectedMenu(u"main:1", 3));
    // The chosen button stays 400 ms and fades 200 ms; the script runs on
    // after that.
    Frames(34);
    EXPECT_EQ(Shown(), "どこへ行こう？");
    ASSERT_TRUE(UntilClickWait());
    EXPECT_EQ(Shown(), "山に着いた。");
    EXPECT_FALSE(second->IsVisible());
    EXPECT_FALSE(first->IsVisible());
}

// The buttons' sizes come from the UI module table and the image sets,
// whatever numbers those hold: the column is worked out without overflow.
TEST_F(MainScene, ChoiceButtonsOfAnySizeAreLaidOutWithoutOverflow) {
    for (const s32 size : {INT32_MAX, INT32_MIN}) {
        Restart();
        for (s32 i = 1; i <= 3; ++i) {
            Main()->GetChoiceButton(i)->SetWidth(size);
            Main()->GetChoiceButton(i)->SetHeight(size);
        }
        Play(kChoice);
        ASSERT_TRUE(UntilClickWait());
        Click();
        Frame();
        ASSERT_TRUE(data_->m_IsSelecting);
        GxVector4 a, b;
        Main()->GetChoiceButton(1)->GetPos(&a);
        Main()->GetChoiceButton(3)->GetPos(&b);
        EXPECT_EQ(b.x, f32((1024 - s64(size)) / 2) - 32.0f) << size;
        EXPECT_EQ(b.y > a.y, size > 0) << "each a button's height below the one before: " << size;
    }
}

TEST_F(MainScene, ChoicesWithoutItemsOrLabels) {
    Play(u"*start\ntsel(\"k\")\n> 次へ。\n");
    ASSERT_TRUE(UntilClickWait());
    EXPECT_FALSE(data_->m_IsSelecting) << "no visible item: nothing is shown";
    EXPECT_EQ(data_->m_LastSelectNum, 0);
    EXPECT_EQ(Shown(), "次へ。");

    Restart();
    Play(u"*start\ntsel(\"k\", \"どこか\", \"nowhere\")\n> 次へ。\n");
    ASSERT_TRUE(data_->m_IsSelecting);
    Main()->GetChoiceButton(1)->PostUIEvent(UIEVENT_DECIDE);
    Frame();
    EXPECT_TRUE(log_.Contains("選択肢[1]番のラベル [nowhere] が見つかりません")) << log_.Text();
    EXPECT_TRUE(g_pMoa()->m_ErrorFlag);
    EXPECT_EQ(data_->m_LastSelectNum, 1) << "the choice is still taken";
    // A button index from nowhere takes nothing.
    Main()->OnSelect(11);
    Main()->OnSelect(0);
    EXPECT_EQ(data_->m_LastSelectNum, 1);

    // A game whose UI has no choice button: the choice is reported once and
    // the script goes on as after a choice of nothing.
    const std::vector<unsigned char> table = qtest::ReadBytes("data/db_uimodule.txt");
    std::string modules(table.begin(), table.end());
    const size_t at = modules.find("btn_select0");
    modules.erase(modules.rfind('\n', at) + 1, modules.find('\n', at) - modules.rfind('\n', at));
    qtest::WriteText("data/db_uimodule.txt", modules);
    Restart();
    ASSERT_EQ(Main()->GetChoiceButton(1), nullptr);
    log_.Clear();
    Play(u"*start\ntsel(\"k\", \"どこか\", \"nowhere\")\n> 次へ。\n");
    ASSERT_TRUE(UntilClickWait());
    EXPECT_FALSE(data_->m_IsSelecting);
    EXPECT_EQ(data_->m_LastSelectNum, 0);
    EXPECT_EQ(Shown(), "次へ。");
    EXPECT_EQ(std::count_if(log_.Lines().begin(), log_.Lines().end(),
                            [](const std::string& l) { return l.find("btn_select0") != std::string::npos; }),
              1)
        << log_.Text();
    EXPECT_TRUE(log_.Contains("SeqAvgMain::ShowSelect/")) << log_.Text();
}

TEST_F(MainScene, ABackgroundTransitionHoldsTheScriptForItsTime) {
    Play(u"*start\ntstand(\"アキ\", \"cg/stand/aki.png\", 150)\ntbgsw(\"cg/bg/room.png\", 500)\n> 着いた。\n");
    ASSERT_TRUE(Main()->IsBgTransiting());
    EXPECT_TRUE(Layer(u"$BGTRANSIT:SeqAvgMain")->IsVisible());
    EXPECT_EQ(Stand(u"アキ")->GetCurrentContent()->m_ContentType, kGxContentEmpty) << "the characters go with the old screen";
    EXPECT_FALSE(Main()->IsUIWidgetActive(Window()));
    const s32 left = Main()->GetBgTransitTimeLeft();
    ASSERT_GT(left, 48);
    const int frames = (left - 1) / 16;
    Frames(frames);
    EXPECT_TRUE(Main()->IsBgTransiting());
    EXPECT_EQ(Main()->GetBgTransitTimeLeft(), left - frames * 16);
    EXPECT_TRUE(Shown().empty());
    Frame();
    EXPECT_FALSE(Main()->IsBgTransiting());
    EXPECT_FALSE(Layer(u"$BGTRANSIT:SeqAvgMain")->IsVisible());
    ASSERT_TRUE(UntilClickWait());
    EXPECT_EQ(Shown(), "着いた。");
    // Skip cuts a transition short.
    settings_->m_AllowSkipUnreadText = true;
    Main()->StartBgTransit(u"cg/bg/room.png", u"", 500, false);
    Main()->Skip();
    EXPECT_FALSE(Main()->IsBgTransiting());
}

// The adventure screen with a message and two characters, then a new play
// that resets it.
TEST_F(MainScene, ANewPlayResetsTheScene) {
    Play(kStory);
    ASSERT_TRUE(UntilClickWait());
    // The click-wait icon shows from the next update.
    Frame();
    if (gxtest::GoldenFontMismatch().empty()) {
        EXPECT_TRUE(gxtest::MatchesGolden("adventure_screen", Draw(), 1024, 768, "game"));
    }
    Key(0x20);
    data_->ResetPlayState(true);
    EXPECT_TRUE(Shown().empty());
    EXPECT_FALSE(Main()->GetNameWindow()->IsVisible());
    EXPECT_EQ(Layer(u"$BGLAYER:SeqAvgMain")->GetCurrentContent()->m_ContentType, kGxContentEmpty);
    EXPECT_EQ(Stand(u"アキ")->GetCurrentContent()->m_ContentType, kGxContentEmpty);
    EXPECT_EQ(Layer(u"$GLOBALFADE:SeqAvgMain")->GetAlpha(), 255) << "the screen is covered";
    EXPECT_TRUE(data_->m_HideWindowByCommandFlag);
    EXPECT_FALSE(Main()->IsUIWidgetActive(Window())) << "the windows wait for the next message";
    EXPECT_FALSE(g_pMoaMainWorker()->IsRunning());
}

// The sound waits as the main scene keeps them: the script goes on once the
// music, effect or voice it waits for has ended, or at once on a click that
// the wait's flags name, which stops that sound.
class SoundWaits : public MainSceneTest {
protected:
    void SetUp() override {
        MainSceneTest::SetUp();
        // Three seconds each: longer than the scene takes to start.
        for (const char* file : {"bgms/long.wav", "sounds/se/long.wav", "voices/long.wav"}) WriteWav(file, 144000, 8000);
    }
};

TEST_F(SoundWaits, TheScriptGoesOnWhenTheSoundEndsOrOnAClick) {
    struct Row {
        const char16_t* script;
        s32 GxUserData::*hold;
        bool (*playing)();
        bool click, clickEnds;
    };
    const Row rows[] = {
        {u"*start\nBGM(\"long\", 0, 1)\nBGM.WA()\ntwaitclick()\n", &GxUserData::m_Hold_EndOfBGM, GxIsBgmPlaying, false, false},
        {u"*start\nSE(\"long\")\nSE.WA()\ntwaitclick()\n", &GxUserData::m_Hold_EndOfSE, GxIsSePlaying, false, false},
        {u"*start\nVO(\"long\")\nVO.WA()\ntwaitclick()\n", &GxUserData::m_Hold_EndOfVoice, GxIsVoicePlaying, false, false},
        {u"*start\nSE(\"long\")\nSE.WA()\ntwaitclick()\n", &GxUserData::m_Hold_EndOfSE, GxIsSePlaying, true, true},
        {u"*start\nBGM(\"long\")\nBGM.WA(0, 2)\ntwaitclick()\n", &GxUserData::m_Hold_EndOfBGM, GxIsBgmPlaying, true, true},
        // Flags without the click's bit: the click leaves the wait alone.
        {u"*start\nVO(\"long\")\nVO.WA(0, 4)\ntwaitclick()\n", &GxUserData::m_Hold_EndOfVoice, GxIsVoicePlaying, true, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(GxToUtf8(r.script));
        Play(r.script);
        ASSERT_TRUE(r.playing());
        EXPECT_NE(data_.get()->*r.hold, 0);
        EXPECT_EQ(data_->m_Hold_WaitClick, 0) << "held before the next line";
        if (r.click) {
            Click();
            Frame();
            EXPECT_EQ(r.playing(), !r.clickEnds);
        }
        ASSERT_TRUE(FramesUntil([&] { return !r.playing(); }, 300));
        Frame();
        EXPECT_EQ(data_.get()->*r.hold, 0);
        EXPECT_EQ(data_->m_Hold_WaitClick, 3) << "the line after the wait ran";
        Restart();
    }
}

} // namespace
