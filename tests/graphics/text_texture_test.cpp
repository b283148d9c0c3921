// Text textures: rasterised glyphs written as alpha with the text colour,
// the size limit, spaces, cutting at every edge, wrapping, narrow text,
// glyph sheets and glyph sets in their three styles; and the revealing text
// texture: line feeds, colour codes, line breaks at the layout's right edge,
// reveal by count and clearing its rectangle.
#include "texture_fixture.h"

#include "graphics/GxGraphicsTypes.h"
#include "graphics/GxTextureTextEx.h"

using namespace gxtest;

namespace {

// Glyphs of 8 pixels, 4 half-width cells to a row of 16 pixels; code 'a' is
// glyph 0 (every pixel full), 'b' glyph 1 (one full pixel at (1, 3)), 'c'
// glyph 2 (empty). Any other code is past the set.
class FakeGlyphSet : public GxGlyphSet {
public:
    FakeGlyphSet() : pixels_(8 * 8, 0) {
        for (int r = 0; r < 8; ++r) pixels_[r * 8 + 0] = pixels_[r * 8 + 1] = 0xFF;  // pixels 0..3 of row r
        pixels_[3 * 8 + 2] = 0xF0;                                                   // pixel 5 = glyph 1's (1, 3)
    }
    s32 GetSize() const override { return 8; }
    u32 GetColumns() const override { return 4; }
    u32 GetPitch() const override { return 16; }
    u32 GetCount() const override { return 3; }
    u32 IndexOf(u32 code) const override { return code - u32('a'); }
    const u8* GetPixels() const override { return bytes_ ? pixels_.data() : nullptr; }
    size_t GetPixelBytes() const override { return bytes_; }

    std::vector<u8> pixels_;
    size_t bytes_ = 64;
};

class TextTextureTest : public FileTest {
protected:
    void Make(GxTextureText& t, u32 w, u32 h, u32 format = kGxFmtA8R8G8B8) {
        ASSERT_TRUE(Start());
        ASSERT_TRUE(t.CreateTexture(u"text", w, h, format, 1));
        ASSERT_TRUE(t.Fill(0));
    }
    // Texels whose colour (not alpha) is rgb, and that any glyph touched.
    static size_t Count(GxTexture& t, u32 x0, u32 y0, u32 x1, u32 y1, u32 rgb) {
        size_t n = 0;
        for (u32 y = y0; y < y1; ++y)
            for (u32 x = x0; x < x1; ++x) n += (t.GetPixel(x, y) & 0xFFFFFF) == rgb && t.GetPixel(x, y) >> 24;
        return n;
    }
};

TEST(TextAlpha, GreyLevelsAreOpaqueFromFiftyTwo) {
    const u32 rows[][2] = {{0, 0}, {1, 4}, {26, 127}, {51, 250}, {52, 255}, {64, 255}, {200, 255}};
    for (const auto& r : rows) EXPECT_EQ(GxTextureText::GreyToAlpha(r[0]), r[1]) << r[0];
}

TEST_F(TextTextureTest, GlyphsReplaceTexelsWithTheColourAndTheirCoverage) {
    GxTextureText t;
    Make(t, 64, 32);
    ASSERT_TRUE(t.Fill(0xFF0000FF));
    s32 endX = -1, endY = -1;
    ASSERT_TRUE(t.DrawText(u"漢", 4, 4, 16, 0xFF00FF00, &endX, &endY));
    EXPECT_EQ(endX, 20);
    EXPECT_EQ(endY, 4);
    size_t opaque = 0, clear = 0;
    for (u32 y = 0; y < 32; ++y)
        for (u32 x = 0; x < 64; ++x) {
            const u32 p = t.GetPixel(x, y);
            if ((p & 0xFFFFFF) == 0x00FF00) {
                (p >> 24 == 0xFF ? opaque : clear) += 1;
            } else {
                EXPECT_EQ(p, 0xFF0000FFu) << x << "," << y;
            }
            if (x < 4 || y < 4 || x >= 20 || y >= 20) {
                EXPECT_EQ(p, 0xFF0000FFu) << "outside the cell " << x << "," << y;
            }
        }
    EXPECT_GT(opaque, 20u);
    EXPECT_GT(clear, 0u) << "the black box's empty texels are written too";

    // Spaces advance without touching a texel; the size is cut to 64.
    GxTextureText s;
    Make(s, 64, 32);
    ASSERT_TRUE(s.Fill(0x12345678));
    ASSERT_TRUE(s.DrawText(u" 　 ", 0, 0, 16, 0xFFFFFFFF, &endX, nullptr));
    EXPECT_EQ(endX, 32);
    EXPECT_EQ(Count(s, 0, 0, 64, 32, 0x345678), 64u * 32);
    ASSERT_TRUE(s.DrawText(u"AB", 0, 0, 100, 0xFFFFFFFF, &endX, nullptr));
    EXPECT_EQ(endX, 64);
    ASSERT_TRUE(s.DrawTextA("\x82\xa0" "A", 0, 0, 16, 0xFFFFFFFF, &endX, nullptr));
    EXPECT_EQ(endX, 24);
}

TEST_F(TextTextureTest, GlyphsAreCutAtEveryEdgeOfTheTexture) {
    GxTextureText t;
    Make(t, 16, 16);
    // Left of and above the texture, then past its right and bottom.
    ASSERT_TRUE(t.DrawText(u"漢", -7, -9, 16, 0xFFFFFFFF, nullptr, nullptr));
    ASSERT_TRUE(t.DrawText(u"漢", 9, 11, 16, 0xFFFFFFFF, nullptr, nullptr));
    ASSERT_TRUE(t.DrawText(u"漢漢", -40, 30, 64, 0xFFFFFFFF, nullptr, nullptr));
    EXPECT_GT(Count(t, 0, 0, 8, 8, 0xFFFFFF), 0u);
    EXPECT_GT(Count(t, 9, 11, 16, 16, 0xFFFFFF), 0u);
    GxTextureText a4;
    Make(a4, 16, 16, kGxFmtA4R4G4B4);
    ASSERT_TRUE(a4.DrawText(u"漢", -7, -9, 16, 0xFFFFFFFF, nullptr, nullptr));
    EXPECT_GT(Count(a4, 0, 0, 8, 8, 0xFFFFFF), 0u);
}

TEST_F(TextTextureTest, WrappedTextBreaksByCellsAndAtTheLineFeed) {
    GxTextureText t;
    Make(t, 64, 64);
    struct Row {
        const GxChar* text;
        s32 size, maxCells, charSpacing, lineSpacing;
        s32 endX, endY;
    };
    const Row rows[] = {
        {u"ああああ", 16, 3, 0, 0, 34, 16},  // a line one cell short takes one more full-width character
        {u"a\nb", 16, 10, 0, 4, 10, 20},
        {u"aa", 16, 10, 2, 0, 30, 0},
        {u"a", 100, 10, 0, 0, 42, 0},
        {u"ab", 16, 0, 0, 0, 10, 32},  // nothing fits: each character on its own line
    };
    for (const Row& r : rows) {
        s32 x = 0, y = 0;
        ASSERT_TRUE(t.DrawTextWrapped(r.text, 10, 0, 2, r.size, r.maxCells, 0xFFFFFFFF, r.charSpacing, r.lineSpacing,
                                      &x, &y, u'\n'));
        EXPECT_EQ(x, r.endX) << GxToUtf8(r.text);
        EXPECT_EQ(y, r.endY) << GxToUtf8(r.text);
    }
    s32 x = 0, y = 0;
    ASSERT_TRUE(t.DrawTextWrappedA("a\n\x82\xa0", 10, 0, 2, 16, 10, 0xFFFFFFFF, 0, 0, &x, &y, '\n'));
    EXPECT_EQ(x, 18);
    EXPECT_EQ(y, 16);
}

TEST_F(TextTextureTest, NothingIsDrawnWithoutATexture) {
    ASSERT_TRUE(Start());
    GxTextureText none;
    GxTexture sheetTexture;
    ASSERT_TRUE(sheetTexture.CreateTexture(u"sheet", 8, 8, 0, 1));
    GxGlyphSheet sheet;
    sheet.m_Texture = &sheetTexture;
    FakeGlyphSet set;
    EXPECT_FALSE(none.DrawText(u"a", 0, 0, 16, 0, nullptr, nullptr));
    EXPECT_FALSE(none.DrawTextWrappedA("a", 0, 0, 0, 16, 4, 0, 0, 0, nullptr, nullptr, '\n'));
    EXPECT_FALSE(none.DrawSheetText(u"a", &sheet, 0, 0, nullptr, nullptr));
    EXPECT_FALSE(none.DrawGlyphSetText(u"a", &set, 0, 0, 0, nullptr, nullptr, 0, 0));
    GxTextureText t;
    ASSERT_TRUE(t.CreateTexture(u"t", 8, 8, 0, 1));
    EXPECT_FALSE(t.DrawSheetTextA("a", nullptr, 0, 0, nullptr, nullptr));
    GxGlyphSheet empty;
    EXPECT_FALSE(t.DrawSheetTextA("a", &empty, 0, 0, nullptr, nullptr));
    set.bytes_ = 0;
    EXPECT_FALSE(t.DrawGlyphSetTextA("a", &set, 0, 0, 0, nullptr, nullptr, 0, 0));
}

TEST_F(TextTextureTest, TheGlyphBufferGrowsOnlyAndReportsWhatItCannotHave) {
    GxTextureText t;
    Make(t, 16, 16);
    EXPECT_EQ(t.GetBufferSize(), 8192u);
    EXPECT_TRUE(t.ResizeBuffer(100));
    EXPECT_EQ(t.GetBufferSize(), 8192u);
    EXPECT_TRUE(t.ResizeBuffer(10000));
    EXPECT_EQ(t.GetBufferSize(), 10000u);
    qtest::LogCapture log;
    EXPECT_FALSE(t.ResizeBuffer(0xFFFFFFF0u));
    EXPECT_EQ(t.GetBufferSize(), 0u);
    EXPECT_EQ(log.Text(), "Error/GxTextureText::ResizeBuffer(4294967280)に失敗\n");
    // Without a buffer the glyph is measured but not drawn.
    s32 endX = 0;
    EXPECT_TRUE(t.DrawText(u"漢", 0, 0, 16, 0xFFFFFFFF, &endX, nullptr));
    EXPECT_EQ(endX, 16);
    EXPECT_EQ(Count(t, 0, 0, 16, 16, 0xFFFFFF), 0u);
}

TEST_F(TextTextureTest, SheetCellsAreCopiedByteByByte) {
    GxTextureText t;
    Make(t, 64, 32);
    // Four 8 × 8 cells: red, green, blue, white for 'A' to 'D'.
    std::vector<uint32_t> px(32 * 8);
    const u32 cells[4] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
    for (u32 y = 0; y < 8; ++y)
        for (u32 x = 0; x < 32; ++x) px[y * 32 + x] = cells[x / 8];
    PutPng("sheet.png", 32, 8, px);
    GxTexture sheetTexture;
    ASSERT_TRUE(sheetTexture.CreateFromFile(u"sheet.png", kGxFmtA8R8G8B8, 1, 0, false));
    GxGlyphSheet sheet;
    sheet.m_Texture = &sheetTexture;
    sheet.m_First = 'A';
    sheet.m_Last = 'D';
    sheet.m_CellWidth = sheet.m_CellHeight = 8;
    sheet.m_Columns = 4;
    s32 endX = 0, endY = 0;
    // '?' is outside the sheet's codes: cell (0, 0).
    ASSERT_TRUE(t.DrawSheetTextA("BD?", &sheet, 0, 0, &endX, &endY));
    EXPECT_EQ(endX, 24);
    EXPECT_EQ(t.GetPixel(3, 3), 0xFF00FF00u);
    EXPECT_EQ(t.GetPixel(11, 3), 0xFFFFFFFFu);
    EXPECT_EQ(t.GetPixel(19, 3), 0xFFFF0000u);
    // Wrapped: by characters, with the line feed.
    ASSERT_TRUE(t.DrawSheetTextWrapped(u"CCC\nA", &sheet, 0, 8, 32, 2, 1, 2, &endX, &endY, u'\n'));
    EXPECT_EQ(t.GetPixel(36, 21), 0xFF0000FFu) << "third C on the second line";
    EXPECT_EQ(endY, 8 + 2 * (8 + 2));
    EXPECT_EQ(endX, 32 + 9);
    // A proportional sheet copies nothing and does not move; no columns means
    // cell (0, 0), not a division by zero.
    sheet.m_Proportional = 1;
    ASSERT_TRUE(t.DrawSheetTextA("AAA", &sheet, 40, 0, &endX, nullptr));
    EXPECT_EQ(endX, 40);
    sheet.m_Proportional = 0;
    sheet.m_Columns = 0;
    ASSERT_TRUE(t.DrawSheetText(u"D", &sheet, 40, 0, &endX, nullptr));
    EXPECT_EQ(t.GetPixel(43, 3), 0xFFFF0000u);
}

TEST_F(TextTextureTest, GlyphSetsInTheirThreeStyles) {
    const u32 green = 0xFF00FF00, red = 0xFFFF0000;
    struct Row {
        s32 style;
        u32 centre, up, diagonal, twoUp;
    };
    const Row rows[] = {
        {0, 0xFF00FF00, 0x0000FF00, 0x0000FF00, 0x0000FF00},
        {1, 0xFF00FF00, 0x3300FF00, 0x1100FF00, 0x0000FF00},
        {2, 0xFF00FF00, 0x77FF0000, 0x77FF0000, 0x33FF0000},
    };
    for (const Row& r : rows) {
        GxTextureText t;
        Make(t, 32, 16);
        FakeGlyphSet set;
        s32 endX = 0;
        // 'b' at (4, 4): its pixel (1, 3) lands on (5, 7); 'z' is past the
        // set: nothing drawn, the pen still moves.
        ASSERT_TRUE(t.DrawGlyphSetTextA("zb", &set, 0, 4, green, &endX, nullptr, r.style, red));
        EXPECT_EQ(endX, 8);
        EXPECT_EQ(t.GetPixel(5, 7), r.centre) << r.style;
        EXPECT_EQ(t.GetPixel(5, 6), r.up) << r.style;
        EXPECT_EQ(t.GetPixel(4, 6), r.diagonal) << r.style;
        EXPECT_EQ(t.GetPixel(5, 5), r.twoUp) << r.style;
        EXPECT_EQ(t.GetPixel(1, 7), 0u) << "the skipped character drew nothing";
        t.ReleaseAll();
        GraphicsTest::TearDown();
    }
    // The 16-bit form, a glyph cut at the texture's left edge, a two-byte
    // character (two cells) and a set whose pixels end early.
    GxTextureText t;
    Make(t, 16, 16, kGxFmtA4R4G4B4);
    FakeGlyphSet set;
    s32 endX = 0;
    ASSERT_TRUE(t.DrawGlyphSetTextA("a\x82\xa0" "b", &set, -2, 0, green, &endX, nullptr, 0, 0));
    EXPECT_EQ(endX, -2 + 4 + 8 + 4);
    EXPECT_EQ(t.GetPixel(0, 0), 0xFF00FF00u);
    EXPECT_EQ(t.GetPixel(2, 0), 0u);
    set.pixels_.resize(10);
    set.pixels_.shrink_to_fit();
    set.bytes_ = 10;
    ASSERT_TRUE(t.DrawGlyphSetTextWrappedA("ab\nb", &set, 0, 0, 0, 4, green, 0, 1, &endX, nullptr, '\n', 1, 0));
    EXPECT_EQ(endX, 4);
    // Styles other than the three draw nothing.
    ASSERT_TRUE(t.Fill(0));
    ASSERT_TRUE(t.DrawGlyphSetText(u"a", &set, 0, 0, green, nullptr, nullptr, 3, 0));
    EXPECT_EQ(t.GetPixel(0, 0), 0u);
}

// A glyph of any number of cells, soft or edged: the work planes are as wide
// as the cells (they were sized for two, and three or more overlapped and
// wrote past them). The set's glyphs 'b' and 'c' lie right of 'a', so more
// cells of 'a' show them, and leave the first two cells as they were.
TEST(GlyphSetCopy, SoftAndEdgedGlyphsOfManyCells) {
    FakeGlyphSet set;
    GxTextureText t;
    for (const bool edged : {false, true}) {
        std::vector<u32> twoCells;
        for (const u32 cells : {2u, 3u, 4u}) {
            std::vector<u32> texels(16 * 8, 0);
            prender::locked_rect locked;
            locked.bits = texels.data();
            locked.pitch = 16 * 4;
            prender::surface_desc desc;
            desc.width = 16, desc.height = 8;
            const bool ok = edged ? t.CopyGlyphSetEdgedToA8R8G8B8(set, locked, desc, 0, cells, 0, 0, 0xFF00FF00, 0xFFFF0000)
                                  : t.CopyGlyphSetSoftToA8R8G8B8(set, locked, desc, 0, cells, 0, 0, 0xFF00FF00, 0);
            ASSERT_TRUE(ok) << cells;
            if (cells == 2) twoCells = texels;
            for (u32 y = 0; y < 8; ++y)
                for (u32 x = 0; x < 16; ++x) {
                    const u32 texel = texels[y * 16 + x];
                    if (x < 8) {
                        EXPECT_EQ(texel, twoCells[y * 16 + x]) << cells << " cells at " << x << "," << y;
                    }
                    if (x >= cells * 4) {
                        EXPECT_EQ(texel, 0u) << cells << " cells, nothing past them, at " << x;
                    }
                }
        }
    }
}

class TextExTest : public TextTextureTest {
protected:
    void SetUp() override {
        TextTextureTest::SetUp();
        Make(t_, 64, 64);
    }
    void TearDown() override {
        t_.ReleaseAll();
        TextTextureTest::TearDown();
    }
    std::pair<s32, s32> Pen() const {
        s32 x = 0, y = 0;
        t_.GetPen(&x, &y);
        return {x, y};
    }
    GxTextureTextEx t_;
};

TEST_F(TextExTest, ALineFeedMovesDownAndTheNextCharacterIsDrawnInTheSameCall) {
    EXPECT_EQ(t_.GetLayoutRect().right, 64);
    t_.SetText(u"\nあ");
    EXPECT_EQ(t_.DrawNext(1), 0u);
    EXPECT_EQ(Pen(), std::make_pair(16, 16));
    EXPECT_GT(Count(t_, 0, 16, 16, 32, 0xFFFFFF), 0u);
    // Nothing is revealed for a count of 0.
    t_.SetText(u"ab");
    EXPECT_EQ(t_.DrawNext(0), 2u);
    EXPECT_EQ(Pen(), std::make_pair(16, 16));
}

TEST_F(TextExTest, RevealByCountLeavesTheRestForLaterFrames) {
    t_.SetText(u"ab\ncd");
    EXPECT_EQ(t_.DrawNext(2), 3u);
    EXPECT_EQ(Pen(), std::make_pair(16, 0));
    EXPECT_EQ(t_.DrawNext(1), 1u) << "the line feed does not count";
    EXPECT_EQ(Pen(), std::make_pair(8, 16));
    t_.DrawAll();
    EXPECT_EQ(t_.GetPosition(), 5u);
    EXPECT_EQ(t_.DrawNext(5), 0u);
}

TEST_F(TextExTest, ColourCodesChangeTheColourOfWhatFollows) {
    t_.SetText(u"A\x01" u"3\x01" u"B");
    EXPECT_EQ(t_.DrawNextStyled(2), 0u);
    EXPECT_EQ(Count(t_, 0, 0, 8, 16, 0xFF0000), 0u);
    EXPECT_GT(Count(t_, 0, 0, 8, 16, 0xFFFFFF), 0u);
    EXPECT_GT(Count(t_, 8, 0, 16, 16, 0xFF0000), 0u);
    EXPECT_EQ(Count(t_, 8, 0, 16, 16, 0xFFFFFF), 0u);

    // '-' returns to the default colour; an escape without its terminator
    // uses up the rest of the text.
    t_.SetColour(0xFF00FF00);
    t_.SetPen(0, 20);
    t_.SetText(u"\x01" u"5\x01" u"a\x01-\x01" u"b\x01" u"3b");
    t_.DrawAllStyled();
    EXPECT_GT(Count(t_, 0, 20, 8, 36, 0xFF00FF), 0u);
    EXPECT_GT(Count(t_, 8, 20, 16, 36, 0x00FF00), 0u);
    EXPECT_EQ(Pen(), std::make_pair(16, 20));
    EXPECT_EQ(t_.GetCurrentColour(), 0xFFFF0000u);
    EXPECT_EQ(ParseTextColorCode(nullptr, u"77\x01zz", 1), 3u);

    // Without a parser the escape is an ordinary (half-width) character.
    t_.SetColourCodeParser(nullptr);
    t_.SetPen(0, 40);
    t_.SetText(u"\x01" u"3\x01");
    EXPECT_EQ(t_.DrawNextStyled(3), 0u);
    EXPECT_EQ(Pen(), std::make_pair(24, 40));
}

TEST_F(TextExTest, ACharacterThatWouldPassTheRightEdgeStartsANewLine) {
    struct Row {
        s32 right, charSpacing;
        std::pair<s32, s32> pen;
    };
    const Row rows[] = {{48, 0, {48, 0}}, {47, 0, {16, 16}}, {51, 1, {51, 0}}, {50, 1, {17, 16}}};
    for (const Row& r : rows) {
        const GxRect layout{0, 0, r.right, 64};
        t_.SetLayoutRect(&layout);
        t_.SetSpacing(r.charSpacing, 0);
        t_.DrawString(u"あああ");
        EXPECT_EQ(Pen(), r.pen) << r.right << " " << r.charSpacing;
    }
    // The layout's own left edge is where lines start; null is the texture.
    const GxRect inset{10, 4, 50, 60};
    t_.SetLayoutRect(&inset);
    t_.SetSpacing(0, 2);
    EXPECT_EQ(Pen(), std::make_pair(10, 4));
    t_.DrawString(u"ああ\nあ");
    EXPECT_EQ(Pen(), std::make_pair(26, 4 + 16 + 2));
    t_.SetLayoutRect(nullptr);
    EXPECT_EQ(t_.GetLayoutRect().right, 64);
    EXPECT_EQ(Pen(), std::make_pair(0, 0));
}

TEST_F(TextExTest, ClearEmptiesTheLayoutRectangleDownToItsBottom) {
    ASSERT_TRUE(t_.Fill(0xFFFFFFFF));
    const GxRect layout{8, 8, 40, 24};
    t_.SetLayoutRect(&layout);
    t_.DrawString(u"abc");
    t_.Clear();
    EXPECT_EQ(t_.GetText(), u"");
    EXPECT_EQ(Pen(), std::make_pair(8, 8));
    EXPECT_EQ(t_.GetPixel(8, 8), 0u);
    EXPECT_EQ(t_.GetPixel(39, 23), 0u);
    EXPECT_EQ(t_.GetPixel(8, 24), 0xFFFFFFFFu) << "below the rectangle";
    EXPECT_EQ(t_.GetPixel(40, 8), 0xFFFFFFFFu);
    EXPECT_EQ(t_.GetPixel(7, 8), 0xFFFFFFFFu);
    t_.ClearAndDrawStringAt(u"A", 20, 10);
    EXPECT_EQ(Pen(), std::make_pair(28, 10));
}

TEST_F(TextExTest, SheetsAndGlyphSetsMeasureTheirOwnCells) {
    GxGlyphSheet sheet;
    GxTexture sheetTexture;
    ASSERT_TRUE(sheetTexture.CreateTexture(u"sheet", 32, 8, 0, 1));
    sheet.m_Texture = &sheetTexture;
    sheet.m_CellWidth = 6;
    sheet.m_CellHeight = 10;
    sheet.m_Columns = 4;
    t_.SetGlyphSheet(&sheet);
    EXPECT_EQ(t_.GetGlyphSource(), kGxGlyphSourceSheet);
    t_.DrawString(u"ab\nc");
    EXPECT_EQ(Pen(), std::make_pair(6, 10));
    FakeGlyphSet set;
    t_.SetGlyphSet(&set, 2);
    t_.SetPen(0, 0);
    t_.DrawString(u"aあ");
    EXPECT_EQ(Pen(), std::make_pair(12, 0));
    // A source never given measures and draws nothing rather than failing.
    t_.SetGlyphSheet(nullptr);
    t_.SetPen(3, 3);
    t_.DrawString(u"ab");
    EXPECT_EQ(Pen(), std::make_pair(3, 3));
    t_.SetFontSize(20);
    EXPECT_EQ(t_.GetGlyphSource(), kGxGlyphSourceFont);
    t_.DrawString(u"a");
    EXPECT_EQ(Pen(), std::make_pair(13, 3));
}

} // namespace
