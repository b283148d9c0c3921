// The adventure-text layout as the message and text windows run it: line
// breaks by width with the line-start and line-end rules (and without them),
// the letter margin, ruby records, every markup command, a zero character in
// the text and font indexes outside the fonts.
#include "text_ui_fixture.h"

#include "ui/GxTaskUIMessageWindowFx.h"
#include "ui/GxTaskUITextLogFx.h"
#include "ui/GxTaskUITextPanelIs.h"
#include "ui/GxTaskUITextWindowFx.h"

using namespace uitest;

namespace {

class TextLayout : public TextUITest {
protected:
    // A message window with font 2 (23 pixels) and ruby font 0 (11 pixels)
    // in a region of the width, the whole message revealed at once.
    GxTaskUIMessageWindowFx* Reveal(const GxString& text, s32 width, s32 margin, bool ignoreKinsoku = false,
                                    bool noAutoNewline = false) {
        auto* w = new GxTaskUIMessageWindowFx(root, nullptr, u"mes", n_++);
        w->SetTextRegion(0, 0, width, 100);
        w->SetLetterMarginWidth(margin);
        w->SetMessage(text, true, false, ignoreKinsoku, noAutoNewline);
        w->RevealAll(true, false);
        return w;
    }
    s32 n_ = 0;
};

TEST_F(TextLayout, LinesBreakByWidthKeepingClosingCharactersOffLineStartsAndOpeningOnesOffLineEnds) {
    struct Row {
        const char* what;
        const GxChar* text;
        s32 width, margin;
        bool ignore, noNewline;
        std::vector<GxString> lines;
    };
    // 23-pixel full-width and 11-pixel half-width cells; a line closes once
    // the cursor plus a full cell (and a margin) reaches the width: with 116
    // that is after five full-width characters.
    const Row rows[] = {
        {"by width", u"あいうえおかきく", 116, 0, false, false, {u"あいうえお", u"かきく"}},
        {"the cursor exactly one cell short of the width breaks", u"あいうえおか", 115, 0, false, false,
         {u"あいうえ", u"おか"}},
        {"a closing mark hangs at the end of the full line", u"あいうえお、かき", 116, 0, false, false,
         {u"あいうえお、", u"かき"}},
        {"with the rules off it starts the next line", u"あいうえお、かき", 116, 0, true, false,
         {u"あいうえお", u"、かき"}},
        {"a second closing mark beyond the width does not hang", u"あいうえお、。か", 116, 0, false, false,
         {u"あいうえお、", u"。か"}},
        {"a half-width closing mark hangs too", u"abcdefghi!j", 116, 0, false, false, {u"abcdefghi!", u"j"}},
        {"an opening bracket with room for fewer than two cells starts the next line", u"あいうえ「かき」", 116, 0,
         false, false, {u"あいうえ", u"「かき」"}},
        {"with the rules off it ends the line", u"あいうえ「かき」", 116, 0, true, false, {u"あいうえ「", u"かき」"}},
        {"an opening bracket with room for two stays", u"あいう「えお」", 116, 0, false, false,
         {u"あいう「え", u"お」"}},
        {"no automatic new line: the text runs past the edge", u"あいうえ「かきくけこ", 116, 0, false, true,
         {u"あいうえ「かきくけこ"}},
        {"the letter margin counts in the advance and the test", u"あいうえおか", 116, 4, false, false,
         {u"あいうえ", u"おか"}},
        {"a new-line command", u"あ%rい", 116, 0, false, true, {u"あ", u"い"}},
    };
    for (const Row& r : rows) {
        GxTaskUIMessageWindowFx* w = Reveal(r.text, r.width, r.margin, r.ignore, r.noNewline);
        EXPECT_EQ(Utf8(Lines(w->GetLayout())), Utf8(r.lines)) << r.what;
    }
    // Lines are the text size plus the ruby size plus one apart.
    GxTaskUIMessageWindowFx* w = Reveal(u"あいうえおかき", 116, 0);
    EXPECT_EQ(w->GetLayout().m_ShowChars.back().m_OffsetPos.y, 35.0f);
    EXPECT_EQ(w->GetLayout().m_ShowChars[1].m_OffsetPos.x, 23.0f);
}

TEST_F(TextLayout, RubyRecordsMeasureTheReadingAndTheBaseAndStandHalfACellBeforeTheBase) {
    struct Row {
        const char* what;
        const GxChar* text;
        GxString shown;
        std::vector<GxString> readings;
        std::vector<s32> readingWidths, baseWidths, xs;
    };
    const Row rows[] = {
        {"two base characters under three", u"≪漢字／かんじ≫です", u"漢字です", {u"かんじ"}, {33}, {46}, {0}},
        {"after a character: the cursor less half a text cell", u"あ≪海／うみ≫", u"あ海", {u"うみ"}, {22}, {23},
         {27 - 11}},
        {"half-width reading and base", u"≪ab／xyz≫", u"ab", {u"xyz"}, {15}, {22}, {0}},
        {"no separator: the open character goes, the rest is plain text", u"≪漢字", u"漢字", {}, {}, {}, {}},
        {"no close: the reading runs to the end", u"≪漢／かん", u"漢", {u"かん"}, {22}, {23}, {0}},
        {"no command is recognised in the base", u"≪%r／よ≫", u"%r", {u"よ"}, {11}, {22}, {0}},
        {"two rubies", u"≪空／そら≫と≪海／うみ≫", u"空と海", {u"そら", u"うみ"}, {22, 22}, {23, 23}, {0, 54 - 11}},
    };
    for (const Row& r : rows) {
        GxTaskUIMessageWindowFx* w = Reveal(r.text, 800, 4);
        const GxTextLayout& l = w->GetLayout();
        EXPECT_EQ(Shown(l), GxToUtf8(r.shown)) << r.what;
        ASSERT_EQ(l.m_Rubies.size(), r.readings.size()) << r.what;
        for (size_t i = 0; i < l.m_Rubies.size(); ++i) {
            EXPECT_EQ(GxToUtf8(l.m_Rubies[i].m_Text), GxToUtf8(r.readings[i])) << r.what;
            EXPECT_EQ(l.m_Rubies[i].m_RubyCharWidth, r.readingWidths[i]) << r.what;
            EXPECT_EQ(l.m_Rubies[i].m_RubyUnderCharWidth, r.baseWidths[i]) << r.what;
            EXPECT_EQ(l.m_Rubies[i].m_OffsetPos.x, f32(r.xs[i])) << r.what;
        }
        EXPECT_FALSE(l.m_RubyMode) << r.what;
    }
}

TEST_F(TextLayout, EveryMarkupCommand) {
    const u32 kColour0 = core_->m_Config->m_MesWinTextColor0;
    struct Row {
        const char* what;
        const GxChar* text;
        GxString shown;
        s32 waitAdded;
        std::vector<u32> colours;  // per shown character; empty: not checked
        std::vector<bool> colourFlags;
    };
    const Row rows[] = {
        {"time wait without a number: the long wait", u"a%wb", u"ab", 480, {}, {}},
        {"time wait in decimal", u"a%w(500)b", u"ab", 500, {}, {}},
        {"the same in hexadecimal", u"a%w(0x1F4)b", u"ab", 500, {}, {}},
        {"a leading zero is octal", u"a%w(0764)b", u"ab", 500, {}, {}},
        {"two waits add up", u"%w(100)a%w(0x10)", u"a", 116, {}, {}},
        {"a letter in the parentheses adds nothing and shows", u"a%w(x)b", u"ax)b", 0, {}, {}},
        {"empty parentheses", u"a%w()b", u"ab", 0, {}, {}},
        {"colour change and reset", u"%a(0x102030)ab%ac", u"abc", 0, {0xFF102030, 0xFF102030, kColour0},
         {true, true, false}},
        {"the alpha of a colour is always opaque", u"%a(0x40FFFFFF)a", u"a", 0, {0xFFFFFFFF}, {true}},
        {"colour without a number", u"%a(x)a", u"x)a", 0, {kColour0, kColour0, kColour0}, {false, false, false}},
        {"two colour commands in a row", u"%a(0x10)%a(0x20)a", u"a", 0, {0xFF000020}, {true}},
        {"a doubled percent shows one", u"100%%", u"100%", 0, {}, {}},
        {"an unknown command shows its letter", u"%zq", u"zq", 0, {}, {}},
        {"a percent at the end shows nothing", u"ab%", u"ab", 0, {}, {}},
        {"new page keeps only what follows", u"ab%pcd", u"cd", 0, {}, {}},
        {"click waits lay out nothing", u"a%cb%c", u"ab", 0, {}, {}},
    };
    for (const Row& r : rows) {
        GxTaskUIMessageWindowFx* w = Reveal(r.text, 800, 4);
        const GxTextLayout& l = w->GetLayout();
        EXPECT_EQ(Shown(l), GxToUtf8(r.shown)) << r.what;
        EXPECT_EQ(w->GetWaitTimeLeft(), r.waitAdded) << r.what;
        EXPECT_EQ(w->GetRemainingChars(), 0) << r.what;
        for (size_t i = 0; i < r.colours.size() && i < l.m_ShowChars.size(); ++i) {
            EXPECT_EQ(l.m_ShowChars[i].m_Color, r.colours[i]) << r.what << " #" << i;
            EXPECT_EQ(l.m_ShowChars[i].m_ChangeColorFlag, r.colourFlags[i]) << r.what << " #" << i;
        }
    }
    // The page command starts over at the region's corner.
    GxTaskUIMessageWindowFx* w = Reveal(u"あいう%rえ%pお", 800, 4);
    ASSERT_EQ(w->GetCharCount(), 1u);
    EXPECT_EQ(w->GetLayout().m_ShowChars[0].m_OffsetPos.x, 0.0f);
    EXPECT_EQ(w->GetLayout().m_ShowChars[0].m_OffsetPos.y, 0.0f);
}

TEST_F(TextLayout, TheTextWindowLaysOutTheSameMarkupWithoutMarginsWaitsOrClickState) {
    auto* t = new GxTaskUITextWindowFx(root, u"log");
    t->SetTextRegion(0, 0, 116, 100);
    struct Row {
        const char* what;
        const GxChar* text;
        bool ruby;
        std::vector<GxString> lines;
        f32 secondLineY;
    };
    const Row rows[] = {
        {"a speaker's name over the message", u"【名前】%rこんにちは", true, {u"【名前】", u"こんにちは"}, 24 + 11},
        {"without the ruby band lines are a font size and a pixel apart", u"【名前】%rこんにちは", false,
         {u"【名前】", u"こんにちは"}, 24},
        {"click and time waits leave no trace", u"あ%cい%w(1000)う%wえ", true, {u"あいうえ"}, 0},
        {"a page command leaves only what follows it", u"あいう%pえお", true, {u"えお"}, 0},
        {"no margin: five cells to a 116-pixel line", u"あいうえおかき", true, {u"あいうえお", u"かき"}, 35},
    };
    for (const Row& r : rows) {
        r.ruby ? t->ShowRuby() : t->HideRuby();
        t->SetDisplayText(r.text, false, false);
        EXPECT_EQ(Utf8(Lines(t->GetLayout())), Utf8(r.lines)) << r.what;
        EXPECT_EQ(t->GetRemainingChars(), 0) << r.what;
        if (r.lines.size() > 1) {
            EXPECT_EQ(t->GetLayout().m_ShowChars.back().m_OffsetPos.y, r.secondLineY) << r.what;
        }
        EXPECT_EQ(t->GetText(), r.text) << "its own text";
    }
    // Colour commands set the record's colour; a reset takes the system's.
    t->SetDisplayText(u"%a(0xFF0000)a%ab", false, false);
    EXPECT_EQ(t->GetLayout().m_ShowChars[0].m_Color, 0xFFFF0000u);
    EXPECT_EQ(t->GetLayout().m_ShowChars[1].m_Color, core_->m_Config->m_SystemTextColor0);
    // The layout record's text goes through the same call with the rules on.
    t->SetText(u"あいうえお、か");
    EXPECT_EQ(Utf8(Lines(t->GetLayout())), Utf8({u"あいうえお、", u"か"}));
    t->ClearText();
    EXPECT_EQ(t->GetCharCount(), 0u);
    EXPECT_EQ(t->GetTextLength(), 0);
}

TEST_F(TextLayout, AZeroCharacterEndsTheTextInsteadOfStallingTheLayoutForEver) {
    const GxString text = GxString(u"ab") + GxChar(0) + u"cd";
    auto* w = new GxTaskUIMessageWindowFx(root, u"mes");
    w->SetMessage(text, true, false, false, false);
    // Before the mend the step stopped at the zero without moving on, so
    // characters remained for ever; a bounded number of steps must end it.
    for (int i = 0; i < 10 && w->GetRemainingChars() > 0; ++i) w->RevealStep();
    EXPECT_EQ(w->GetRemainingChars(), 0);
    EXPECT_EQ(w->GetCharCount(), 2u);
    EXPECT_TRUE(w->IsClickWaiting()) << "the zero is the end of the message";
    auto* t = new GxTaskUITextWindowFx(root, u"tw");
    t->SetDisplayText(text, false, false);
    EXPECT_EQ(t->GetRemainingChars(), 0);
    EXPECT_EQ(t->GetCharCount(), 2u);
}

TEST_F(TextLayout, FontIndexesOutsideTheSixFontsAreHeldToTheRangeWithALogLine) {
    auto* w = new GxTaskUIMessageWindowFx(root, u"mes");
    auto* t = new GxTaskUITextWindowFx(root, u"tw");
    auto* p = new GxTaskUITextPanelIs(root, u"tp");
    auto* l = new GxTaskUITextLogFx(root, u"log");
    struct Row {
        s32 index, expected;
        bool logged;
    };
    const Row rows[] = {{0, 0, false}, {5, 5, false}, {6, 5, true}, {-1, 0, true}, {1 << 30, 5, true}};
    for (const Row& r : rows) {
        log.Clear();
        w->SetTextFontIndex(r.index);
        w->SetRubyFontIndex(r.index);
        t->SetTextFontIndex(r.index);
        p->SetTextFontIndex(r.index);
        l->SetTextFontIndex(r.index);
        EXPECT_EQ(w->GetLayout().m_TextFontIndex, r.expected) << r.index;
        EXPECT_EQ(p->GetPanelText().m_TextFontIndex, r.expected) << r.index;
        EXPECT_EQ(l->GetTextFontIndex(), r.expected) << r.index;
        EXPECT_EQ(w->GetLayout().m_RubyFontIndex, r.expected) << r.index;
        EXPECT_EQ(t->GetLayout().m_TextFontIndex, r.expected) << r.index;
        EXPECT_EQ(w->GetLayout().m_TextFontSize, core_->m_Config->m_FontSize[r.expected]) << r.index;
        EXPECT_EQ(log.Lines().size(), r.logged ? 5u : 0u) << log.Text();
        if (r.logged) {
            EXPECT_TRUE(log.Contains("GxTaskUIMessageWindowFx")) << log.Text();
        }
    }
    // The line pitch is set once, at construction, from the configured sizes.
    EXPECT_EQ(w->GetLayout().m_TextFontSize, 38);
    w->SetMessage(u"a%rb", true, false, false, false);
    w->RevealAll(true, false);
    EXPECT_EQ(w->GetLayout().m_ShowChars[1].m_OffsetPos.y, 23.0f + 11 + 1);
}

} // namespace
