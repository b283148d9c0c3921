// Glyph maps: pages filled row by row, a new page when one is full, one
// record per character, control and private-use characters, page sizes by
// font height, and a map that cannot make pages.
#include "graphics_fixture.h"

#include "graphics/GxGDIFontMap.h"
#include "graphics/GxGraphicsTypes.h"

#include <memory>

using namespace gxtest;

namespace {

class FontMapTest : public GraphicsTest {};

// A glyph's place on its page: left, top, width, height and cells.
std::vector<s32> Box(const GxFontMapGlyph& g) { return {g.m_Left, g.m_Top, g.m_Width, g.m_Height, g.m_CellWidth}; }

TEST_F(FontMapTest, PagesFillInRowsAndAFullPageIsFollowedByANewOne) {
    ASSERT_TRUE(Start());
    GxGDIFontMap map;
    EXPECT_EQ(map.GetFontHeight(), 16);
    EXPECT_EQ(map.GetFaceName(), u"ＭＳ ゴシック");
    // Full-width cells of 16 on a 256-pixel page: 15 to a row, 15 rows.
    for (int n = 0; n < 15 * 15; ++n) {
        const GxFontMapGlyph g = map.GetGlyph(GxChar(0x4E00 + n));
        ASSERT_EQ(g.m_Texture, map.GetPageTexture(0)) << n;
        EXPECT_EQ(g.m_Left, (n % 15) * 16) << n;
        EXPECT_EQ(g.m_Top, (n / 15) * 16) << n;
    }
    EXPECT_EQ(map.GetPageCount(), 1u);
    const GxFontMapGlyph next = map.GetGlyph(u'A');
    EXPECT_EQ(map.GetPageCount(), 2u);
    EXPECT_EQ(next.m_Texture, map.GetPageTexture(1));
    EXPECT_EQ(Box(next), (std::vector<s32>{0, 0, 8, 16, 1}));
    const GxFontMapGlyph after = map.GetGlyph(u'漢');
    EXPECT_EQ(Box(after), (std::vector<s32>{8, 0, 16, 16, 2}));
    EXPECT_FLOAT_EQ(after.m_ULeft, 8.0f / 256);
    EXPECT_FLOAT_EQ(after.m_URight, 24.0f / 256);
    EXPECT_FLOAT_EQ(after.m_VBottom, 16.0f / 256);
    EXPECT_EQ(map.GetPageTexture(1)->GetFormat(), kGxFmtA4R4G4B4);
    EXPECT_EQ(map.GetPageTexture(1)->GetName(), u"gdifontmap");
    // The glyph is on the page: white texels in its cell.
    size_t lit = 0;
    for (u32 y = 0; y < 16; ++y)
        for (u32 x = 8; x < 24; ++x) lit += map.GetPageTexture(1)->GetPixel(x, y) == 0xFFFFFFFFu;
    EXPECT_GT(lit, 10u);

    // After Clear the next request starts a fresh page at (0, 0).
    map.Clear();
    EXPECT_EQ(map.GetPageCount(), 0u);
    EXPECT_EQ(Box(map.GetGlyph(u'漢')), (std::vector<s32>{0, 0, 16, 16, 2}));
    EXPECT_EQ(map.GetPageCount(), 1u);
}

TEST_F(FontMapTest, ACharacterIsRasterisedOnceAndControlCharactersHaveNoImage) {
    ASSERT_TRUE(Start());
    GxGDIFontMap map;
    const GxFontMapGlyph a = map.GetGlyph(u' ');
    const GxFontMapGlyph b = map.GetGlyph(u' ');
    EXPECT_NE(a.m_Texture, nullptr) << "a space is cached like any character";
    EXPECT_TRUE(a.m_Texture == b.m_Texture && Box(a) == Box(b) && a.m_URight == b.m_URight && a.m_VBottom == b.m_VBottom);
    EXPECT_EQ(map.GetGlyphCount(), 1u);
    EXPECT_EQ(map.GetGlyph(u'x').m_Left, 8);
    for (GxChar c : {GxChar(0), GxChar(9), GxChar(10), GxChar(0x1F), GxChar(0x7F), GxChar(0x80), GxChar(0x9F)}) {
        const GxFontMapGlyph g = map.GetGlyph(c);
        EXPECT_EQ(g.m_Texture, nullptr) << int(c);
        EXPECT_EQ(Box(g), (std::vector<s32>{0, 0, 0, 0, 0})) << int(c);
    }
    EXPECT_NE(map.GetGlyph(GxChar(0xA0)).m_Texture, nullptr);
    EXPECT_EQ(map.GetGlyphCount(), 3u);

    // Private-use characters: nothing without a sheet, never cached.
    EXPECT_EQ(map.GetGlyph(GxChar(0xE005)).m_Texture, nullptr);
    auto sheet = std::make_unique<GxTexture>();
    ASSERT_TRUE(sheet->CreateTexture(u"gaiji", 64, 64, 0, 1));
    GxTexture* sheetPtr = sheet.get();
    map.SetSheet(std::move(sheet), 4);
    const GxFontMapGlyph e = map.GetGlyph(GxChar(0xE005));
    EXPECT_EQ(e.m_Texture, sheetPtr);
    EXPECT_EQ(Box(e), (std::vector<s32>{16, 16, 16, 16, 2}));
    EXPECT_FLOAT_EQ(e.m_VBottom, 32.0f / 64);
    EXPECT_EQ(map.GetGlyphCount(), 3u);
}

TEST_F(FontMapTest, PageSizeFollowsTheFontHeight) {
    ASSERT_TRUE(Start());
    // A height from the configuration that no page could hold is held to
    // the tallest one can, with a line.
    const struct {
        s32 height, held;
        u32 side;
    } rows[] = {{11, 11, 256},   {17, 17, 256},  {18, 18, 512}, {38, 38, 512},
                {511, 511, 512}, {512, 511, 512}, {INT32_MAX, 511, 512}};
    for (const auto& r : rows) {
        qtest::LogCapture log;
        GxGDIFontMap map;
        map.SetFont(r.height, u"IPAGothic");
        EXPECT_EQ(map.GetFontHeight(), r.held);
        EXPECT_EQ(map.GetFaceName(), u"IPAGothic");
        EXPECT_EQ(Box(map.GetGlyph(u'あ')), (std::vector<s32>{0, 0, r.held, r.held, 2})) << "two cells of half the height";
        EXPECT_EQ(map.GetPageCount(), 1u) << r.height;
        EXPECT_EQ(map.GetPageTexture(0)->GetWidth(), r.side) << r.height;
        EXPECT_EQ(map.GetPageTexture(0)->GetFaceName(), u"IPAGothic");
        EXPECT_EQ(log.Lines().size(), r.held == r.height ? 0u : 1u) << log.Text();
    }
}

TEST_F(FontMapTest, AMapThatCannotMakeAPageStopsAndSaysSoOnce) {
    // No device: every page texture fails.
    qtest::LogCapture log;
    GxGDIFontMap map;
    for (int n = 0; n < 100; ++n) EXPECT_EQ(map.GetGlyph(GxChar(0x4E00 + n)).m_Texture, nullptr);
    EXPECT_EQ(map.GetPageCount(), 0u);
    EXPECT_EQ(map.GetGlyphCount(), 0u) << "characters without a page are not remembered";
    EXPECT_EQ(log.Lines().size(), 1u) << log.Text();
    EXPECT_TRUE(log.Contains("Error/GxGDIFontMap CreateTexture Failed(Height:16 Size:256,256)"));
    // Once pages can be made again, Clear lets the map try again.
    ASSERT_TRUE(Start());
    EXPECT_EQ(map.GetGlyph(u'a').m_Texture, nullptr);
    map.Clear();
    EXPECT_NE(map.GetGlyph(u'a').m_Texture, nullptr);
    // A height that is not positive draws nothing.
    map.SetFont(0, nullptr);
    EXPECT_EQ(map.GetGlyph(u'a').m_Texture, nullptr);
    map.SetFont(INT32_MIN, nullptr);
    EXPECT_EQ(map.GetFontHeight(), 0);
    EXPECT_EQ(map.GetGlyph(u'a').m_Texture, nullptr);
    EXPECT_EQ(map.GetFaceName(), u"ＭＳ ゴシック");
}

} // namespace
