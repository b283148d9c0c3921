// The text window's drawing with and without its ruby band, the text panels'
// placements, the notice panel with its icon and its slide, and the text
// log: scrolling, trimming, crossing out, icons, its stored form, rows past
// its lines, drawing without outlines, and its golden frame.
#include "text_ui_fixture.h"

#include "layers/GxNcCrammedImageSet.h"
#include "layers/GxNcImageSetPool.h"
#include "ui/DBUIModuleRecord.h"
#include "ui/GxStartNoticeSlide.h"
#include "ui/GxTaskUINoticePanelFx.h"
#include "ui/GxTaskUITextLogFx.h"
#include "ui/GxTaskUITextPanelFx.h"
#include "ui/GxTaskUITextPanelIs.h"
#include "ui/GxTaskUITextWindowFx.h"

using namespace uitest;

namespace {

class TextWidgets : public TextUITest {
protected:
    // The icon font: bitmap font 0, 10 x 10 cells for ' ' (clear), '!'
    // (red), '"' (green) and '#' (blue).
    void AddIconFont() {
        std::vector<uint32_t> px(40 * 10, 0);
        const uint32_t colours[] = {0, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF};
        for (int c = 0; c < 4; ++c)
            for (int y = 1; y < 9; ++y)
                for (int x = 1; x < 9; ++x) px[size_t(y) * 40 + size_t(c * 10 + x)] = colours[c];
        PutPng("icons.png", 40, 10, px);
        ASSERT_TRUE(GxGlobalFonts::GetFontData(0)->Create(u"ICONS", u"icons.png", u' ', u'#', 10, 10, 4)) << log.Text();
    }
};

TEST_F(TextWidgets, TheTextWindowDrawsRubiesOnlyWithItsRubyBand) {
    StartFonts();
    auto* t = new GxTaskUITextWindowFx(root, u"tw");
    t->SetPos(0, 0, 0, 0);
    t->SetTextRegion(4, 0, 200, 80);
    // The reading is wider than its base: right of the base only the
    // reading can light the top rows.
    const GxChar* text = u"≪あ／ABCDEFGH≫%rあ";
    t->SetDisplayText(text, false, false);
    std::vector<uint32_t> px = DrawWidgets(*core_, 208, 80);
    EXPECT_TRUE(LitArea(px, 208, 30, 0, 46, 11).Any()) << "the reading above the line";
    const Lit withBand = LitArea(px, 208, 0, 11, 208, 80);
    t->HideRuby();
    t->SetDisplayText(text, false, false);
    px = DrawWidgets(*core_, 208, 80);
    EXPECT_FALSE(LitArea(px, 208, 30, 0, 46, 11).Any()) << "no reading";
    const Lit without = LitArea(px, 208, 0, 0, 208, 80);
    EXPECT_EQ(without.top + 11, withBand.top) << "the band moves the text down by the ruby size";
    EXPECT_EQ(t->GetLayout().m_Rubies.size(), 1u) << "laid out all the same";
    t->HideText();
    px = DrawWidgets(*core_, 208, 80);
    EXPECT_FALSE(LitArea(px, 208, 0, 0, 208, 80).Any());
}

TEST_F(TextWidgets, TextPanelsPlaceTheirTextInTheClientRectangle) {
    StartFonts();
    AddImageSet();
    struct Row {
        const char* what;
        s32 align;
        const GxChar* text;
        int left, top, right, bottom;  // where the lit pixels must lie
    };
    // The client rectangle is (14, 14)-(114, 54); font 1 is 15 pixels.
    const Row rows[] = {
        {"top left", 0, u"A", 14, 13, 24, 30},
        {"centred across", 1, u"A", 58, 13, 72, 30},
        {"centred both ways", 2, u"A", 58, 25, 72, 44},
        {"any other value as the first", 7, u"A", 14, 13, 24, 30},
        {"two lines at the line-feed character", 0, u"A|B", 14, 13, 24, 45},
    };
    for (bool onImageSet : {false, true}) {
        for (const Row& r : rows) {
            const auto made = [&](auto* p, s32 type) -> GxTaskUIBase* {
                p->ApplyModuleRecord(Module(type, u"", 104, 44));
                p->SetTextFontIndex(1), p->SetAutoAlign(r.align);
                EXPECT_EQ(p->GetAutoAlign(), r.align);
                return p;
            };
            GxTaskUIBase* panel = onImageSet ? made(new GxTaskUITextPanelIs(root, u"tp"), 17)
                                             : made(new GxTaskUITextPanelFx(root, u"tp"), 11);
            panel->SetClientRect(4, 4, 100, 40);
            panel->SetPos(10, 10, 0, 0);
            panel->SetText(r.text);
            const std::vector<uint32_t> px = DrawWidgets(*core_, 128, 64);
            const Lit lit = LitArea(px, 128, 0, 0, 128, 64);
            EXPECT_TRUE(lit.Any()) << r.what;
            EXPECT_GE(lit.left, r.left) << r.what << onImageSet;
            EXPECT_GE(lit.top, r.top) << r.what << onImageSet;
            EXPECT_LE(lit.right, r.right) << r.what << onImageSet;
            EXPECT_LE(lit.bottom, r.bottom) << r.what << onImageSet;
            EXPECT_GT(lit.bottom - lit.top, r.bottom - r.top - 12) << r.what << ": both lines";
            panel->Kill();
            m.SweepTaskTree(top);
        }
    }
}

TEST_F(TextWidgets, TheNoticeCentresItsTextInWhatTheIconLeavesAndSlidesInAndOut) {
    StartFonts();
    AddImageSet();
    GxNcOriginImage* icon = GxNcImageSetPool::Get(u"uigis/ui.gis")->FindOriginImage(u"panel.png");
    ASSERT_NE(icon, nullptr);
    auto* n = new GxTaskUINoticePanelFx(root, u"notice");
    n->SetWidth(200), n->SetHeight(40);
    n->SetClientRect(0, 0, 200, 40);
    n->SetTextFontIndex(1);
    n->SetText(u"AB");
    EXPECT_EQ(n->MeasureText(200).x, 22) << "the last start, 7, plus one font size";
    EXPECT_EQ(n->MeasureText(200).y, 15);
    n->SetIcon(icon, GxTaskUINoticePanelFx::kIconLeft);
    n->SetPos(0, 0, 0, 0);
    std::vector<uint32_t> px = DrawWidgets(*core_, 200, 40);
    EXPECT_EQ(px[size_t(20) * 200 + 10], 0xFF2040C0u) << "the icon at the left edge, centred down";
    EXPECT_EQ(px[size_t(11) * 200 + 10], 0xFF000000u);
    const Lit text = LitArea(px, 200, 24, 0, 200, 40);
    EXPECT_NEAR((text.left + text.right) / 2.0, 24 + 176 / 2.0, 8) << "centred in the 176 pixels right of it";
    n->SetIcon(icon, GxTaskUINoticePanelFx::kIconTop);
    px = DrawWidgets(*core_, 200, 40);
    EXPECT_EQ(px[size_t(8) * 200 + 100], 0xFF2040C0u) << "the icon at the top, centred across";
    EXPECT_GE(LitArea(px, 200, 0, 16, 200, 40).top, 16);

    // The slide, on a hand-driven clock.
    GxStartNoticeSlide(2000, n);
    struct Row {
        s32 atMs;
        f32 x, y;
        bool visible;
    };
    const Row rows[] = {{0, 816, -40, true}, {250, 816, 8, true}, {2250, 816, 8, true}, {2550, 1024, 8, false}};
    s32 now = 0;
    for (const Row& r : rows) {
        for (; now < r.atMs; now += 50) n->Update(0, 50000);
        EXPECT_EQ(n->GetVisualParam().m_Pos.x, r.x) << r.atMs;
        EXPECT_EQ(n->GetVisualParam().m_Pos.y, r.y) << r.atMs;
        EXPECT_EQ(n->IsVisible(), r.visible) << r.atMs;
    }
    EXPECT_EQ(n->GetAlpha(), 0);
    GxStartNoticeSlide(2000, n);
    EXPECT_EQ(n->GetVisualParam().m_Pos.y, -40.0f) << "a second call starts over";
    EXPECT_TRUE(n->IsVisible());
}

TEST_F(TextWidgets, TheTextLogScrollsTrimsAndCrossesOut) {
    auto* bar = new GxTaskUIBase(root, u"bar");
    struct Row {
        const char* what;
        int lines, maxLine, maxView;
        bool autoScroll;
        s32 count, value;
        const char* first;
    };
    const Row rows[] = {
        {"twenty lines, sixteen in view", 20, 100, 16, true, 20, 4, "0"},
        {"ten lines fit", 10, 100, 16, true, 10, 0, "0"},
        {"the 101st line drops the first", 101, 100, 16, true, 100, 84, "1"},
        {"no limit", 150, 0, 16, true, 150, 134, "0"},
        {"no automatic scrolling", 20, 100, 16, false, 20, 0, "0"},
        {"a limit below the view", 20, 5, 16, true, 5, 0, "15"},
    };
    for (const Row& r : rows) {
        auto* l = new GxTaskUITextLogFx(root, u"log");
        l->SetScrollBar(bar);
        l->SetMaxLine(r.maxLine), l->SetMaxView(r.maxView), l->SetAutoScroll(r.autoScroll);
        for (int i = 0; i < r.lines; ++i) l->AddLine(GxFromUtf8(std::to_string(i)).c_str(), u"", 0xFF00FF00);
        EXPECT_EQ(l->GetLineCount(), r.count) << r.what;
        EXPECT_EQ(l->GetValueInt(), r.value) << r.what;
        EXPECT_EQ(GxToUtf8(l->GetLines().front().m_Text), r.first) << r.what;
        EXPECT_EQ(bar->GetMax(), r.count - 1) << r.what;
        if (r.autoScroll) {
            EXPECT_EQ(bar->GetValueInt(), r.value) << r.what;
        }
        l->Kill();
        m.SweepTaskTree(top);
    }

    // Crossing out: one line every 3 s from the first line of an empty log.
    auto* l = new GxTaskUITextLogFx(root, u"log");
    l->SetScrollBar(bar);
    l->SetAutoCrossout(true);
    l->Update(0, 5000000);
    EXPECT_EQ(l->GetLineCount(), 0) << "an empty log gathers no time";
    l->AddLine(u"a", u"", 0);
    l->AddLine(u"b", u"", 0);
    struct Step {
        s32 atMs;
        s32 count;
    };
    const Step steps[] = {{2900, 2}, {3000, 1}, {5900, 1}, {6000, 0}};
    s32 now = 0;
    for (const Step& s : steps) {
        for (; now < s.atMs; now += 100) l->Update(0, 100000);
        EXPECT_EQ(l->GetLineCount(), s.count) << s.atMs;
    }
    EXPECT_EQ(bar->GetMax(), 0);
    // A long step still takes one line only.
    for (const GxChar* t : {u"x", u"y", u"z"}) l->AddLine(t, u"", 0);
    l->Update(0, 10000000);
    EXPECT_EQ(l->GetLineCount(), 2);
    l->SetText(u"w");
    EXPECT_EQ(l->GetLines().back().m_Text, u"w");
    EXPECT_EQ(l->GetLines().back().m_Icon, u"");
    l->TrimLines(1);
    EXPECT_EQ(l->GetLines().front().m_Text, u"w");
    l->ClearLines();
    EXPECT_EQ(l->GetLineCount(), 0);
}

TEST_F(TextWidgets, TheTextLogIsStoredWithItsLinesAndSettings) {
    auto* l = new GxTaskUITextLogFx(root, u"log");
    l->SetMaxLine(7), l->SetMaxView(3), l->SetAutoScroll(false), l->SetAutoCrossout(true);
    l->SetCrossoutWaitTime(1200), l->SetTextColor(0xFF112233), l->SetEdgeColor(0x44556677), l->SetUseEdge(false);
    l->AddLine(u"一行目", u"!#", 0xFFABCDEF);
    l->AddLine(u"二行目", u"", 0x01020304);
    l->Update(0, 500000);
    for (bool text : {false, true}) {
        auto* copy = new GxTaskUITextLogFx(root, u"copy");
        ASSERT_TRUE(SameStoredForm(*l, *copy, text));
        ASSERT_EQ(copy->GetLineCount(), 2);
        EXPECT_EQ(copy->GetLines()[0].m_Icon, u"!#");
        EXPECT_EQ(copy->GetLines()[1].m_TextColor, 0x01020304u);
        EXPECT_EQ(copy->GetMaxView(), 3);
        EXPECT_EQ(copy->GetCrossoutWaitTime(), 1200);
    }
}

TEST_F(TextWidgets, TextLogRowsStopAtTheLastLineAndGlyphsAreDrawnWithoutOutlines) {
    StartFonts();
    AddIconFont();
    auto* l = new GxTaskUITextLogFx(root, u"log");
    l->SetClientRect(0, 0, 200, 100);
    l->SetAutoScroll(false);
    l->AddLine(u"あ", u"", 0);
    l->AddLine(u"い", u"", 0);
    // A view starting past the lines (a value set by hand or read from a
    // save) reads no line that is not there.
    l->SetValue(5);
    std::vector<uint32_t> px = DrawWidgets(*core_, 200, 100);
    EXPECT_FALSE(LitArea(px, 200, 0, 0, 200, 100).Any());
    l->SetValue(1);
    px = DrawWidgets(*core_, 200, 100);
    EXPECT_TRUE(LitArea(px, 200, 0, 0, 200, 15).Any()) << "line 1 in row 0";
    EXPECT_FALSE(LitArea(px, 200, 0, 15, 200, 100).Any()) << "and nothing after the last line";
    l->SetValue(-1);
    px = DrawWidgets(*core_, 200, 100);
    EXPECT_FALSE(LitArea(px, 200, 0, 0, 200, 15).Any()) << "no line before the first";
    EXPECT_TRUE(LitArea(px, 200, 0, 15, 200, 30).Any());
    // Without outlines the text is still drawn.
    l->SetValue(0);
    l->SetUseEdge(false);
    l->SetEdgeColor(0xFFFF0000);
    px = DrawWidgets(*core_, 200, 100);
    const Lit plain = LitArea(px, 200, 0, 0, 200, 15);
    EXPECT_TRUE(plain.Any()) << "the glyph without its outline";
    for (uint32_t p : px) EXPECT_NE(p, 0xFFFF0000u) << "no outline";
    // Two icons move the text right by two space widths of the icon font.
    l->SetIconFontIndex(0);
    l->ClearLines();
    l->AddLine(u"あ", u"!\"", 0);
    px = DrawWidgets(*core_, 200, 100);
    EXPECT_EQ(px[size_t(5) * 200 + 3], 0xFFFF0000u) << "the first icon";
    EXPECT_EQ(px[size_t(5) * 200 + 13], 0xFF00FF00u) << "the second";
    EXPECT_GE(LitArea(px, 200, 20, 0, 200, 15).left, 20);
    EXPECT_FALSE(LitArea(px, 200, 19, 0, 20, 15).Any());
}

TEST_F(TextWidgets, AGoldenFrameOfTheTextLog) {
    const std::string mismatch = gxtest::GoldenFontMismatch();
    if (!mismatch.empty()) GTEST_SKIP() << mismatch;
    StartFonts();
    AddIconFont();
    PutPng("log.png", 160, 72, std::vector<uint32_t>(160 * 72, 0xFF302020));
    auto* l = new GxTaskUITextLogFx(root, nullptr, u"log", 0, scene);
    l->SetImageSource(u"log.png");
    ASSERT_TRUE(l->LoadImages());
    l->SetPos(0, 0, 0, 0);
    l->SetClientRect(6, 4, 148, 64);
    l->SetMaxView(4);
    l->SetTextColor(0xFFFFF0C0);
    for (const GxChar* t : {u"一つ目の行", u"二つ目の行", u"三つ目", u"四つ目の行です", u"五つ目"})
        l->AddLine(t, t[0] == u'三' ? u"!#" : u"", 0);
    EXPECT_EQ(l->GetValueInt(), 1);
    const std::vector<uint32_t> px = DrawWidgets(*core_, 160, 72);
    EXPECT_TRUE(gxtest::MatchesGolden("text_log", px, 160, 72, "ui"));
}

} // namespace
