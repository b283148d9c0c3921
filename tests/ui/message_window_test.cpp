// The message window: the reveal's pace and waits under a hand-driven
// clock, clicks, showing read messages whole, the end of the frame's update
// steps, its stored form read back mid-message to the same layout and the
// same frame, damaged saves, and the golden frame of a two-line message with
// ruby.
#include "text_ui_fixture.h"

#include "io/GxContentBinaryWriter.h"
#include "tools/builders/ContentBytes.h"
#include "ui/DBUIModuleRecord.h"
#include "ui/GxTaskUIMessageWindowFx.h"

using namespace uitest;

namespace {

class MessageWindow : public TextUITest {
protected:
    GxTaskUIMessageWindowFx* Make(const GxChar* name = u"mes") {
        auto* w = new GxTaskUIMessageWindowFx(root, name);
        w->SetTextRegion(8, 4, 240, 80);
        return w;
    }
};

TEST_F(MessageWindow, RevealsOneCharacterPerWaitTimeAndStopsAtTimeAndClickWaits) {
    settings.wait = 50;
    GxTaskUIMessageWindowFx* w = Make();
    w->SetMessage(u"abcd%w(200)ef%cgh", true, false, false, false);
    // The clock runs in 10 ms steps up to each time; a click comes first when
    // asked for.
    struct Row {
        s32 atMs;
        bool clickFirst;
        u32 chars;
        bool timeWaiting, clickWaiting, stopped, clickEnds;
    };
    const Row rows[] = {
        {10, false, 1, true, false, false, false},    // the first character at once
        {40, false, 1, true, false, false, false},
        {50, false, 2, true, false, false, false},    // one per 50 ms
        {150, false, 4, true, false, false, false},
        {200, false, 4, true, false, false, false},   // the time wait: 200 ms more
        {390, false, 4, true, false, false, false},
        {400, false, 5, true, false, false, false},
        {450, false, 6, true, false, false, false},
        {500, false, 6, false, true, true, false},    // the click wait ends the frame
        {700, false, 6, false, true, false, false},   // nothing while it waits
        {710, true, 7, true, false, false, false},    // a click: the reveal resumes
        {750, false, 8, true, true, true, false},     // the end with the automatic click wait
        {760, true, 8, false, false, false, true},    // the click that finishes the message
    };
    s32 now = 0;
    for (const Row& r : rows) {
        bool ended = false;
        if (r.clickFirst) ended = w->OnClick();
        bool stopped = false;
        for (; now < r.atMs; now += 10) {
            m.m_StopUpdateFlag = false;
            w->Update(0, 10000);
            stopped = stopped || m.m_StopUpdateFlag;
        }
        EXPECT_EQ(w->GetCharCount(), r.chars) << r.atMs;
        EXPECT_EQ(w->IsTimeWaiting(), r.timeWaiting) << r.atMs;
        EXPECT_EQ(w->IsClickWaiting(), r.clickWaiting) << r.atMs;
        EXPECT_EQ(stopped, r.stopped) << r.atMs;
        EXPECT_EQ(ended, r.clickEnds) << r.atMs;
    }
    EXPECT_EQ(w->GetRemainingChars(), 0);
    m.m_StopUpdateFlag = false;
}

TEST_F(MessageWindow, ClicksAndRevealAllFollowTheWaitState) {
    GxTaskUIMessageWindowFx* w = Make();
    // With no reveal delay the first update shows everything up to the
    // first click wait.
    w->SetMessage(u"ab%cde", true, false, false, false);
    w->Update(0, 16000);
    EXPECT_EQ(w->GetCharCount(), 2u);
    EXPECT_TRUE(w->IsClickWaiting());
    EXPECT_FALSE(w->OnClick()) << "characters remain";
    w->Update(0, 16000);
    EXPECT_EQ(w->GetCharCount(), 4u);
    EXPECT_TRUE(w->IsClickWaiting()) << "the end, with the automatic click wait";
    EXPECT_TRUE(w->OnClick());

    // A click while revealing shows everything up to the next click wait.
    settings.wait = 1000;
    w->SetMessage(u"abc%w(5000)def%cgh", false, false, false, false);
    w->Update(0, 16000);
    EXPECT_EQ(w->GetCharCount(), 1u);
    EXPECT_FALSE(w->OnClick());
    EXPECT_EQ(w->GetCharCount(), 6u);
    EXPECT_TRUE(w->IsClickWaiting());
    EXPECT_EQ(w->GetWaitTimeLeft(), 10000) << "the delays and the time wait taken on the way still count";
    EXPECT_FALSE(w->OnClick());
    EXPECT_FALSE(w->IsTimeWaiting()) << "a click ends a time wait";
    // Without the automatic click wait the end is simply finished.
    EXPECT_FALSE(w->RevealAll(false, false));
    EXPECT_EQ(w->GetCharCount(), 8u);
    EXPECT_FALSE(w->IsClickWaiting());
    EXPECT_FALSE(w->OnClick());

    // RevealAll: only read messages when asked; stops at click waits unless
    // told to go through them.
    w->SetMessage(u"a%cb%cc", true, false, false, false);
    EXPECT_FALSE(w->RevealAll(true, true));
    EXPECT_EQ(w->GetCharCount(), 0u);
    EXPECT_TRUE(w->RevealAll(false, false));
    EXPECT_EQ(w->GetCharCount(), 1u);
    EXPECT_TRUE(w->RevealAll(false, false)) << "already waiting";
    EXPECT_FALSE(w->RevealAll(true, false));
    EXPECT_EQ(w->GetCharCount(), 3u);
    EXPECT_TRUE(w->IsClickWaiting()) << "as the end left it";
}

TEST_F(MessageWindow, AReadMessageIsShownWholeWhenThePlayerAsksForIt) {
    settings.wait = 50;
    GxTaskUIMessageWindowFx* w = Make();
    struct Row {
        bool read, fastShow;
        u32 chars;
        bool clickWaiting;
    };
    const Row rows[] = {{true, true, 2, true}, {true, false, 0, false}, {false, true, 0, false}};
    for (const Row& r : rows) {
        settings.fastShow = r.fastShow;
        w->SetMessage(u"a%cb", true, r.read, false, false);
        EXPECT_EQ(w->GetCharCount(), r.chars) << r.read << r.fastShow;
        EXPECT_EQ(w->IsClickWaiting(), r.clickWaiting) << r.read << r.fastShow;
        EXPECT_EQ(w->IsReaded(), r.read);
    }
    // The layout record's text is a message with the automatic click wait.
    w->SetText(u"xy");
    w->RevealAll(false, false);
    EXPECT_TRUE(w->IsClickWaiting());
    w->ClearMessage();
    EXPECT_EQ(w->GetTextLength(), 0);
    EXPECT_EQ(w->GetCharCount(), 0u);
    EXPECT_FALSE(w->IsClickWaiting());
    // The module record sets the font and the text region.
    DBUIModuleRecord mod = Module(9, u"");
    mod.FontIndex = 3, mod.ClientLeft = 5, mod.ClientTop = 6, mod.ClientWidth = 300, mod.ClientHeight = 40;
    w->ApplyModuleRecord(mod);
    EXPECT_EQ(w->GetLayout().m_TextFontSize, 24);
    EXPECT_EQ(w->GetLayout().m_TextRegionWidth, 300);
    EXPECT_EQ(w->GetLayout().m_TextRegionTop, 6);
}

// A two-line message with ruby and a colour change, stopped at a click wait
// in the middle.
constexpr const GxChar* kMessage = u"吾輩は≪猫／ねこ≫である。%a(0xFFC040)名前%aはまだ無い。%cどこで生れたか";

TEST_F(MessageWindow, AStoredMessageComesBackWithTheSameLayoutAndTheSameFrameAndGoesOnAlike) {
    StartFonts();
    PutPng("mes.png", 256, 88, std::vector<uint32_t>(256 * 88, 0xFF203050));
    auto* w = Make(u"mes");
    w->SetImageSource(u"mes.png");
    ASSERT_TRUE(w->LoadImages());
    w->SetPos(0, 0, 0, 0);
    w->SetTextRegion(10, 4, 200, 80);
    w->SetMessage(kMessage, true, false, false, false);
    settings.wait = 30;
    for (int i = 0; i < 40 && !w->IsClickWaiting(); ++i) w->Update(0, 16000);
    ASSERT_TRUE(w->IsClickWaiting());
    ASSERT_EQ(Lines(w->GetLayout()).size(), 2u) << Utf8(Lines(w->GetLayout()));
    ASSERT_EQ(w->GetLayout().m_Rubies.size(), 1u);
    const std::vector<uint32_t> before = DrawWidgets(*core_, 256, 88);

    // Both stored forms, into a fresh window each.
    for (bool text : {false, true}) {
        auto* copy = new GxTaskUIMessageWindowFx(root, nullptr, u"copy", text);
        ASSERT_TRUE(SameStoredForm(*w, *copy, text));
        EXPECT_EQ(copy->GetProcessPos(), w->GetProcessPos());
        EXPECT_TRUE(copy->IsClickWaiting());
        EXPECT_EQ(Lines(copy->GetLayout()), Lines(w->GetLayout()));
        // The image comes from the module record, as when the scene builds
        // the window before the save is read.
        copy->SetImageSource(u"mes.png");
        ASSERT_TRUE(copy->LoadImages());
    }
    // Alone on the screen, the restored window draws the same frame.
    w->Hide();
    auto* restored = static_cast<GxTaskUIMessageWindowFx*>(root->FindTaskLocal(u"copy", 1));
    static_cast<GxTaskUIBase*>(root->FindTaskLocal(u"copy", 0))->Hide();
    const std::vector<uint32_t> after = DrawWidgets(*core_, 256, 88);
    EXPECT_EQ(after, before);
    if (const std::string mismatch = gxtest::GoldenFontMismatch(); mismatch.empty())
        EXPECT_TRUE(gxtest::MatchesGolden("message_window", after, 256, 88, "ui"));
    else
        std::printf("golden frame not compared: %s\n", mismatch.c_str());
    // The ruby's reading stands over its base, the colour change holds.
    const GxTextLayout& l = restored->GetLayout();
    EXPECT_EQ(l.m_Rubies[0].m_Text, u"ねこ");
    EXPECT_EQ(l.m_ShowChars[3].m_Char, u'猫');
    EXPECT_EQ(l.m_ShowChars[8].m_Color, 0xFFFFC040u);

    // Both go on alike after the click.
    EXPECT_FALSE(w->OnClick());
    EXPECT_FALSE(restored->OnClick());
    for (int i = 0; i < 40; ++i) w->Update(0, 16000), restored->Update(0, 16000);
    EXPECT_TRUE(w->IsClickWaiting());
    EXPECT_EQ(restored->GetCharCount(), w->GetCharCount());
    EXPECT_TRUE(restored->OnClick());
}

TEST_F(MessageWindow, DamagedSavesAreCheckedBeforeUse) {
    GxTaskUIMessageWindowFx* w = Make();
    w->SetMessage(u"あいう", true, false, false, false);
    w->RevealAll(false, false);
    log.Clear();
    // A position past the text, font indexes outside the fonts and a zero in
    // the text, written by hand the way a damaged file would hold them.
    struct Hack : GxTaskUIMessageWindowFx {
        using GxTaskUIMessageWindowFx::GxTaskUIMessageWindowFx;
        void Break() {
            m_Layout.m_ProcessPos = 1000;
            m_Layout.m_TextFontIndex = 9;
            m_Layout.m_RubyFontIndex = -3;
            m_Text = GxString(u"ab\0cd", 5);
        }
    };
    auto* broken = new Hack(root, u"broken");
    broken->Break();
    auto* into = Make(u"into2");
    const auto b2 = qtest::WriteContentBytes(false, "UITEST", 1, [&](GxContentWriterBase& wr) { broken->WriteContent(&wr); });
    {
        mtest::StreamReader r(b2, "UITEST", true);
        ASSERT_TRUE(r.headerOk);
        EXPECT_TRUE(into->ReadContent(r.reader.get()));
    }
    EXPECT_EQ(into->GetTextLength(), 2) << "the zero ends the text";
    EXPECT_EQ(into->GetProcessPos(), 2) << "held to the text";
    EXPECT_EQ(into->GetRemainingChars(), 0);
    EXPECT_EQ(into->GetLayout().m_TextFontIndex, 5);
    EXPECT_EQ(into->GetLayout().m_RubyFontIndex, 0);
    EXPECT_EQ(log.Lines().size(), 2u) << log.Text();

    // A character count beyond what the stream holds is refused before
    // anything is allocated.
    const std::vector<unsigned char> head = qtest::WriteContentBytes(false, "UITEST", 1, [&](GxContentWriterBase& wr) {
        static_cast<GxTaskUIPanelFx*>(w)->GxTaskUIPanelFx::WriteContent(&wr);
        wr.Write("m_Text", GxString(u"x"));
        wr.WriteListBegin("m_ShowChars", "", 0x7FFFFFFF);
    });
    log.Clear();
    mtest::StreamReader r(head, "UITEST", true);
    ASSERT_TRUE(r.headerOk);
    auto* victim = Make(u"victim");
    EXPECT_FALSE(victim->ReadContent(r.reader.get()));
    EXPECT_EQ(victim->GetCharCount(), 0u);
    EXPECT_TRUE(log.Contains("m_ShowChars")) << log.Text();
}

} // namespace
