// Glyph-map text drawn on screen and the text panels' layouts: the pen's
// advance by cells, line feeds, panel line breaks and out rectangles, and one
// golden picture of mixed Japanese and Latin text at two sizes.
#include "text_fixture.h"

#include "graphics/GxFontMapText.h"
#include "support/Golden.h"

#include <algorithm>

using namespace gxtest;

namespace {

TEST(PanelText, LinesCloseAtTheLineFeedOrWhenAFullWidthCellWouldNotFit) {
    struct Row {
        const GxChar* text;
        s32 areaWidth;
        std::vector<GxString> lines;
        std::vector<s32> widths;
    };
    const Row rows[] = {
        // 16 + 96 >= 100 closes the line after the sixth; 16 + 80 < 100 did not.
        {u"あいうえおかきく", 100, {u"あいうえおか", u"きく"}, {96, 32}},
        {u"abcdefghij", 100, {u"abcdefghij"}, {80}},
        {u"abcdefghijk", 100, {u"abcdefghijk"}, {88}},
        {u"abcdefghijkl", 100, {u"abcdefghijk", u"l"}, {88, 8}},
        {u"ab\n", 100, {u"ab"}, {16}},
        {u"ab\n\n", 100, {u"ab", u""}, {16, 0}},
        {u"\nab", 100, {u"", u"ab"}, {0, 16}},
        {u"", 100, {}, {}},
    };
    for (const Row& r : rows) {
        const GxPanelTextLines split = GxSplitPanelText(r.text, 16, r.areaWidth, u'\n');
        EXPECT_EQ(split.m_Lines, r.lines) << GxToUtf8(r.text);
        EXPECT_EQ(split.m_Widths, r.widths) << GxToUtf8(r.text);
    }
}

TEST_F(TextTest, ThePanelLayoutsPlaceLinesAndBoundWhatTheyDrew) {
    Begin(256, 256, 0xFF000000);
    GxGDIFontMap map;
    const GxRect area{10, 20, 110, 200};
    using Draw = GxRect* (*)(GxRect*, GxGDIFontMap*, const GxChar*, const GxRect*, u32, u32, u32, u32, GxChar);
    struct Row {
        Draw draw;
        const GxChar* text;
        GxRect out;
    };
    const Row rows[] = {
        {GxDrawPanelTextAlign0, u"あいうえおかきく", {10, 20, 42, 52}},
        {GxDrawPanelTextAlign1, u"あいうえおかきく", {12, 20, 76, 52}},
        {GxDrawPanelTextAlign2, u"あいうえおかきく", {12, 94, 76, 126}},
        // A trailing empty line counts in the bottom but not in the centring.
        {GxDrawPanelTextAlign0, u"ab\n\n", {10, 20, 10, 52}},
        {GxDrawPanelTextAlign1, u"ab\n\n", {52, 20, 60, 52}},
        {GxDrawPanelTextAlign2, u"ab\n\n", {52, 102, 60, 134}},
        {GxDrawPanelTextAlign2, u"", {10, 20, 10, 20}},
    };
    for (const Row& r : rows) {
        GxRect out{-1, -1, -1, -1};
        EXPECT_EQ(r.draw(&out, &map, r.text, &area, 0xFFFFFFFF, 0, 0xFF000000, 2, u'\n'), &out);
        EXPECT_EQ(std::vector<s32>({out.left, out.top, out.right, out.bottom}),
                  std::vector<s32>({r.out.left, r.out.top, r.out.right, r.out.bottom}))
            << GxToUtf8(r.text);
    }
    End();
}

TEST_F(TextTest, GlyphsAdvanceByCellsAndTheLineFeedStartsANewLine) {
    Begin(128, 64, 0xFF000000);
    GxGDIFontMap map;
    // A tab draws nothing but takes a half-width cell; the line feed returns
    // to the start one font height lower.
    GxDrawFontMapText(&map, u"\t漢\n漢", 8, 4, nullptr, 0xFFFFFFFF, 0, 2, u'\n');
    const GxVector2 twice{2, 2};
    GxDrawFontMapText(&map, u"漢", 60, 4, &twice, 0xFF0000FF, 0, 2, u'\n');
    const std::vector<uint32_t> px = End();
    const Lit first = LitArea(px, 128, 0, 0, 56, 20), second = LitArea(px, 128, 0, 20, 56, 40);
    EXPECT_GE(first.left, 16);
    EXPECT_LT(first.right, 32);
    EXPECT_GE(second.left, 8);
    EXPECT_LT(second.right, 24);
    EXPECT_GE(second.top, 20);
    EXPECT_LT(second.bottom, 36);
    const Lit scaled = LitArea(px, 128, 56, 0, 128, 64);
    EXPECT_GT(scaled.right - scaled.left, 20) << "drawn at twice the size";
    EXPECT_GE(scaled.left, 60);
}

TEST_F(TextTest, MixedKanaKanjiAndLatinAtTwoSizesMatchTheGolden) {
    const std::string mismatch = GoldenFontMismatch();
    if (!mismatch.empty()) GTEST_SKIP() << mismatch;
    Begin(480, 72, 0xFF000000);
    GxGDIFontMap small, large;
    small.SetFont(16, nullptr);
    large.SetFont(24, nullptr);
    const GxChar* text = u"Quillonの物語、始まり。ｶﾀｶﾅ abc 123";
    GxDrawFontMapText(&small, text, 8, 8, nullptr, 0xFFFFFFFF, 0, 2, u'\n');
    GxDrawFontMapText(&large, text, 8, 32, nullptr, 0xFFFFFFFF, 0, 2, u'\n');
    std::vector<uint32_t> px = End();
    EXPECT_TRUE(MatchesGolden("text_mixed", px, 480, 72));
}

} // namespace
