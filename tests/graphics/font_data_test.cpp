// Character cells, bitmap fonts (regular grids, glyph table files, the
// program's own resources), bitmap-font text on screen, and drawing contexts
// over textures and surfaces.
#include "texture_fixture.h"

#include "graphics/GxCharWidth.h"
#include "graphics/GxFontData.h"
#include "graphics/GxFontDataText.h"
#include "graphics/GxGraphicsTypes.h"
#include "graphics/GxSurface.h"
#include "graphics/GxTextureFactory.h"
#include "graphics/GxTextureTextEx.h"
#include "platform/glyph/drawing_context.h"
#include "platform/glyph/font.h"

#include <array>
#include <cstring>

using namespace gxtest;

namespace {

TEST(CharCells, WidthsAndSingleByteCodes) {
    const struct {
        GxChar ch;
        s32 cells;
        u8 sjis;
    } rows[] = {
        {0x20, 1, 0x20},   {u'A', 1, u8('A')}, {0x7F, 1, 0x7F},   {0x80, 1, 0x80},   {0x3042, 2, 0x20},
        {0xFF21, 2, 0x20}, {0xFF61, 1, 0xA1},  {0xFF71, 1, 0xB1}, {0xFF9F, 1, 0xDF}, {0xF8F0, 2, 0xA0},
        {0xF8F1, 2, 0xFD}, {0xF8F2, 2, 0xFE},  {0xF8F3, 2, 0xFF}, {0x4E00, 2, 0x20}, {0x3000, 2, 0x20},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(GxGetCharCellWidth(r.ch), r.cells) << std::hex << int(r.ch);
        EXPECT_EQ(GxCharToSjisByte(r.ch), r.sjis) << std::hex << int(r.ch);
    }
    EXPECT_EQ(GxGetStringCellWidth(u"aあｱ漢"), 6);
    EXPECT_EQ(GxGetStringCellWidth(u""), 0);
    EXPECT_EQ(GxGetStringCellWidth(nullptr), 0);
}

class FontDataTest : public DrawingTest<FileTest> {
protected:
    void SetUp() override {
        FileTest::SetUp();
        ASSERT_TRUE(Start());
    }
    // A glyph table file laid out byte by byte: header fields at their
    // offsets, then (x, y, width) per character.
    static std::vector<unsigned char> Table(u32 first, u32 last, s32 cellW, s32 cellH,
                                            const std::vector<std::array<u16, 3>>& glyphs, const char16_t* name) {
        std::vector<unsigned char> b(96 + 8 * glyphs.size(), 0);
        auto put32 = [&](size_t at, u32 v) {
            for (int i = 0; i < 4; ++i) b[at + i] = u8(v >> (8 * i));
        };
        auto put16 = [&](size_t at, u16 v) { b[at] = u8(v), b[at + 1] = u8(v >> 8); };
        for (int i = 0; i < 16; ++i) b[i] = u8(0xA0 + i);  // reserved, copied and never read
        put32(16, first);
        put32(20, last);
        put32(40, u32(cellW));
        put32(44, u32(cellH));
        put32(52, 64);
        put32(56, 32);
        for (size_t i = 0; i < 16 && name[i]; ++i) put16(64 + 2 * i, name[i]);
        for (size_t i = 0; i < glyphs.size(); ++i)
            for (int k = 0; k < 3; ++k) put16(96 + 8 * i + 2 * k, glyphs[i][k]);
        return b;
    }
};

TEST_F(FontDataTest, ARegularGridPlacesEveryCharacter) {
    PutPng("grid.png", 128, 96, Pattern(128, 96, true));
    GxFontData font;
    ASSERT_TRUE(font.Create(u"FONT16SYS-and-more-name", u"grid.png", 0x20, 0x7E, 8, 16, 16));
    ASSERT_EQ(font.GetGlyphs().size(), 95u);
    EXPECT_EQ(font.GetName(), u"FONT16SYS-and-m") << "15 significant characters";
    const GxFontGlyph& g = font.GetGlyphs()[17];
    EXPECT_EQ(g.m_X, 8);
    EXPECT_EQ(g.m_Y, 16);
    EXPECT_EQ(g.m_Width, 8);
    EXPECT_TRUE(font.HasChar(0x7E));
    EXPECT_FALSE(font.HasChar(0x7F));
    EXPECT_EQ(font.GetCharWidth(0x7F), 8);
    EXPECT_EQ(font.GetStringWidth(u"AB\u3042"), 24);
    EXPECT_EQ(font.GetCellHeight(), 16);
    EXPECT_EQ(font.GetTextureWidth(), 128);
    EXPECT_EQ(font.GetTextureHeight(), 96);

    // 128 × 128 texture for a 128 × 96 image: v is a v coordinate.
    f32 u0, v0, u1, v1;
    ASSERT_TRUE(font.GetCharUV(0x20 + 17, &u0, &v0, &u1, &v1));
    EXPECT_FLOAT_EQ(u0, 8.0f / 128);
    EXPECT_FLOAT_EQ(v0, 16.0f / 128);
    EXPECT_FLOAT_EQ(u1, 16.0f / 128);
    EXPECT_FLOAT_EQ(v1, 32.0f / 128);
    u0 = v0 = u1 = v1 = 7;
    EXPECT_FALSE(font.GetCharUV(0x1F, &u0, &v0, &u1, &v1));
    EXPECT_EQ(u0 + v0 + u1 + v1, 0.0f);
    font.Release();
    EXPECT_TRUE(font.GetGlyphs().empty());
    EXPECT_FALSE(font.GetTexture()->HasTexture());
}

TEST_F(FontDataTest, AGridThatCannotBeMadeIsReported) {
    PutPng("grid.png", 64, 64, Pattern(64, 64));
    qtest::LogCapture log;
    GxFontData font;
    // The image is missing: the load's failure is the font's.
    EXPECT_FALSE(font.Create(u"F", u"missing.png", 0x30, 0x39, 22, 32, 5));
    EXPECT_TRUE(font.GetGlyphs().empty());
    EXPECT_FALSE(font.Create(u"F", u"grid.png", 0x30, 0x39, 8, 8, 0)) << "no columns";
    EXPECT_FALSE(font.Create(u"F", u"grid.png", 0x39, 0x30, 8, 8, 4)) << "last before first";
    EXPECT_FALSE(font.Create(u"F", u"grid.png", 0x20, 0xFFFF, 8, 8, 1)) << "rows beyond 16-bit places";
    EXPECT_TRUE(log.Contains("Error/GxFontData Create Failed(Name:\"F\")")) << log.Text();
    EXPECT_TRUE(font.Create(u"F", u"grid.png", 0x30, 0x39, 8, 8, 4));
}

TEST_F(FontDataTest, GlyphTableFilesAreCheckedAgainstTheFileAndTheImage) {
    PutPng("font.png", 64, 32, Pattern(64, 32));
    const std::vector<std::array<u16, 3>> three = {{0, 0, 5}, {5, 0, 7}, {12, 16, 52}};
    // A glyph past its picture costs that glyph alone: cut at the image's
    // right edge, or dropped when it lies outside it; the first is said.
    struct Row {
        const char* what;
        std::vector<unsigned char> bytes;
        bool ok;
        std::array<s32, 3> widths = {5, 7, 52};
        const char* cut = nullptr;
    };
    std::vector<unsigned char> shortHeader = Table(0x41, 0x43, 8, 16, three, u"Fmp");
    shortHeader.resize(95);
    std::vector<unsigned char> shortEntries = Table(0x41, 0x43, 8, 16, three, u"Fmp");
    shortEntries.pop_back();
    const std::vector<Row> rows = {
        {"valid", Table(0x41, 0x43, 8, 16, three, u"Fmp"), true},
        {"header cut", shortHeader, false},
        {"entries cut", shortEntries, false},
        {"last before first", Table(0x43, 0x41, 8, 16, three, u"Fmp"), false},
        {"range beyond the file", Table(0x41, 0xFFFFFFFF, 8, 16, three, u"Fmp"), false},
        {"first 0 last max", Table(0, 0xFFFFFFFF, 8, 16, three, u"Fmp"), false},
        {"no cell height", Table(0x41, 0x43, 8, 0, three, u"Fmp"), false},
        {"cell beyond the image", Table(0x41, 0x43, 8, 33, three, u"Fmp"), false},
        {"glyph past the right edge", Table(0x41, 0x43, 8, 16, {{0, 0, 5}, {60, 0, 5}, {0, 0, 1}}, u"Fmp"), true,
         {5, 4, 1}, "Char:0042"},
        {"glyphs outside the image", Table(0x41, 0x43, 8, 16, {{0, 0, 5}, {70, 0, 5}, {0, 17, 1}}, u"Fmp"), true,
         {5, 0, 0}, "Char:0042"},
        {"empty", {}, false},
    };
    for (const Row& r : rows) {
        Put("font.fmp", r.bytes);
        qtest::LogCapture log;
        GxFontData font;
        EXPECT_EQ(font.CreateFromFile(u"font.fmp", u"font.png"), r.ok) << r.what;
        if (!r.ok) {
            EXPECT_TRUE(log.Contains("Error/GxFontData CreateFromFile Failed(Name:\"font.fmp\")")) << r.what;
            EXPECT_TRUE(font.GetGlyphs().empty()) << r.what;
            EXPECT_FALSE(font.GetTexture()->HasTexture()) << r.what;
            continue;
        }
        EXPECT_EQ(log.Lines().size(), r.cut ? 1u : 0u) << r.what << ": " << log.Text();
        if (r.cut) {
            EXPECT_TRUE(log.Contains("Error/GxFontData Glyph Outside The Image(Name:\"font.fmp\" " + std::string(r.cut)))
                << log.Text();
        }
        ASSERT_EQ(font.GetGlyphs().size(), 3u);
        EXPECT_EQ(font.GetFirst(), 0x41u);
        EXPECT_EQ(font.GetLast(), 0x43u);
        EXPECT_EQ(font.GetName(), u"Fmp");
        EXPECT_EQ(font.GetCharWidth(u'A'), r.widths[0]) << r.what;
        EXPECT_EQ(font.GetCharWidth(u'B'), r.widths[1]) << r.what;
        EXPECT_EQ(font.GetCharWidth(u'C'), r.widths[2]) << r.what;
        EXPECT_EQ(font.GetCharWidth(u'Z'), 8);
        for (const GxFontGlyph& g : font.GetGlyphs()) EXPECT_LE(g.m_X + g.m_Width, 64) << r.what;
    }
    qtest::LogCapture log;
    GxFontData font;
    EXPECT_FALSE(font.CreateFromFile(u"none.fmp", u"font.png"));
    EXPECT_FALSE(font.CreateFromFile(u"font.fmp", u"none.png"));
    EXPECT_TRUE(log.Contains("Error/GxFontData CreateFromFile Failed(Name:\"none.fmp\")"));
}

// Every texel of a texture, read back.
std::vector<u32> Texels(GxTexture& t) {
    std::vector<u32> px;
    for (u32 y = 0; y < t.GetHeight(); ++y)
        for (u32 x = 0; x < t.GetWidth(); ++x) px.push_back(t.GetPixel(x, y));
    return px;
}

TEST_F(FontDataTest, TheProgramsOwnImageLoadsAsFromItsFile) {
    const psys::resource* image = psys::find_resource(nullptr, 102, u"PNG");
    ASSERT_NE(image, nullptr);
    const u8* bytes = psys::load_resource(nullptr, image);
    Put("r102.png", std::vector<unsigned char>(bytes, bytes + psys::sizeof_resource(nullptr, image)));

    GxTexture fromResource, fromFile;
    ASSERT_TRUE(fromResource.CreateFromResource(u"Signature", nullptr, image, 0, 1, 0, true));
    ASSERT_TRUE(fromFile.CreateFromFile(u"r102.png", 0, 1, 0, true));
    EXPECT_EQ(fromResource.GetName(), u"signature");
    EXPECT_EQ(fromResource.GetWidth(), fromFile.GetWidth());
    EXPECT_EQ(fromResource.GetImageHeight(), fromFile.GetImageHeight());
    EXPECT_EQ(fromResource.GetRefCount(), 1u);
    EXPECT_EQ(Texels(fromResource), Texels(fromFile));

    GxFontData a, b;
    ASSERT_TRUE(a.CreateFromResource(u"Q", nullptr, image, 0x30, 0x39, 16, 32, 4, 0));
    ASSERT_TRUE(b.Create(u"Q", u"r102.png", 0x30, 0x39, 16, 32, 4));
    ASSERT_EQ(a.GetGlyphs().size(), b.GetGlyphs().size());
    EXPECT_EQ(0, std::memcmp(a.GetGlyphs().data(), b.GetGlyphs().data(), a.GetGlyphs().size() * sizeof(GxFontGlyph)));
    EXPECT_EQ(Texels(*a.GetTexture()), Texels(*b.GetTexture()));

    qtest::LogCapture log;
    const psys::resource* missing = psys::find_resource(nullptr, 4242, u"PNG");
    GxTexture none;
    EXPECT_FALSE(none.CreateFromResource(u"Missing", nullptr, missing, 0, 1, 0, true));
    EXPECT_TRUE(none.IsCreateFailed());
    EXPECT_FALSE(a.CreateFromResource(u"Q", nullptr, missing, 0x30, 0x39, 16, 32, 4, 0));
    EXPECT_TRUE(a.GetGlyphs().empty());
    EXPECT_EQ(log.Text(), "Error/Texture CreateFromResource Failed(Resource pointer is null)\n"
                          "Error/Texture CreateFromResource Failed(Resource pointer is null)\n");
}

TEST_F(FontDataTest, BitmapFontTextDrawsEachCellAtItsPen) {
    // Three 4 × 8 cells: red, green, blue.
    std::vector<uint32_t> px(12 * 8);
    for (u32 y = 0; y < 8; ++y)
        for (u32 x = 0; x < 12; ++x) px[y * 12 + x] = x < 4 ? 0xFFFF0000 : x < 8 ? 0xFF00FF00 : 0xFF0000FF;
    PutPng("rgb.png", 12, 8, px);
    GxFontData font;
    ASSERT_TRUE(font.Create(u"rgb", u"rgb.png", u'a', u'c', 4, 8, 3));
    Begin(32, 16, 0xFF000000);
    // 'z' is missing: nothing drawn, but the pen moves by the cell width.
    GxDrawFontDataText(u"czab", &font, 2, 4, nullptr, nullptr, nullptr, 0xFFFFFFFF, 0, 1);
    const std::vector<uint32_t> out = End();
    EXPECT_EQ(At(out, 3, 6), 0xFF0000FFu);
    EXPECT_EQ(At(out, 7, 6), 0xFF000000u);
    EXPECT_EQ(At(out, 11, 6), 0xFFFF0000u);
    EXPECT_EQ(At(out, 15, 11), 0xFF00FF00u);
    EXPECT_EQ(At(out, 19, 6), 0xFF000000u);
    EXPECT_EQ(At(out, 3, 3), 0xFF000000u);
}

TEST_F(FontDataTest, ADrawingContextShowsInTheSurfacesPixels) {
    auto font = pglyph::font::create(16, u"");
    ASSERT_NE(font, nullptr);
    // A managed texture, a render target (drawn through its memory twin), a
    // 16-bit texture and a plain surface.
    GxTexture managed, target, sixteen;
    ASSERT_TRUE(managed.CreateTexture(u"m", 32, 32, kGxFmtA8R8G8B8, 1));
    ASSERT_TRUE(target.CreateRenderTarget(u"rt", 32, 32, kGxFmtA8R8G8B8));
    ASSERT_TRUE(sixteen.CreateTexture(u"s", 32, 32, kGxFmtA4R4G4B4, 1));
    for (GxTexture* t : {&managed, &target, &sixteen}) {
        ASSERT_TRUE(t->Fill(0xFF000000));
        pglyph::drawing_context* dc = nullptr;
        ASSERT_TRUE(t->GetDC(&dc));
        ASSERT_NE(dc, nullptr);
        EXPECT_EQ(dc->pixel(5, 5), 0xFF000000u);
        pglyph::drawing_context* second = nullptr;
        EXPECT_FALSE(t->GetDC(&second)) << "one context at a time";
        EXPECT_EQ(second, nullptr);
        EXPECT_FALSE(t->LockRect(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, false));
        dc->fill_rect(0, 0, 4, 4, 0xFFFFFFFF);
        dc->text_out(*font, 8, 8, u"漢", 0xFFFFFFFF);
        t->ReleaseDC(dc);
        std::shared_ptr<prender::texture> device = t->GetD3DTexture();
        const std::vector<uint32_t> px = device->surface_level(0)->read_argb();
        EXPECT_EQ(px[0], 0xFFFFFFFFu);
        EXPECT_EQ(px[3 * 32 + 3], 0xFFFFFFFFu);
        EXPECT_EQ(px[5 * 32 + 5], 0xFF000000u);
        size_t lit = 0;
        for (u32 y = 8; y < 24; ++y)
            for (u32 x = 8; x < 24; ++x) lit += (px[y * 32 + x] & 0xFFFFFF) != 0;
        EXPECT_GT(lit, 30u);
        EXPECT_TRUE(t->LockRect(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, false)) << "released";
        t->UnlockRect();
    }

    GxSurface plain;
    ASSERT_TRUE(plain.CreateSystemMemory(u"p", 16, 16, kGxFmtX8R8G8B8));
    pglyph::drawing_context* dc = nullptr;
    ASSERT_TRUE(plain.GetDC(&dc));
    dc->set_pixel(3, 4, 0xFF123456);
    plain.ReleaseDC(nullptr);  // not its context: nothing happens
    plain.ReleaseDC(dc);
    EXPECT_EQ(plain.GetD3DSurface()->read_argb()[4 * 16 + 3], 0xFF123456u);
    GxSurface depth;
    ASSERT_TRUE(depth.CreateDepthStencil(u"d", 16, 16, 0, 0, 0));
    EXPECT_FALSE(depth.GetDC(&dc)) << "no colour pixels";
    EXPECT_EQ(dc, nullptr);
}

TEST_F(FontDataTest, TheFactoryMakesBothKindsOfTextTexture) {
    GxTextureFactory& f = GxTextureFactory::GetInstance();
    auto* text = dynamic_cast<GxTextureText*>(f.Create(u"Text", kGxTextureKindText, 100, 50, 1, 0, 0, true));
    auto* ex = dynamic_cast<GxTextureTextEx*>(f.Create(u"TextEx", kGxTextureKindTextEx, 100, 50, 1, 0, 0, true));
    ASSERT_NE(text, nullptr);
    ASSERT_NE(ex, nullptr);
    EXPECT_EQ(text->GetWidth(), 128u);
    EXPECT_EQ(ex->GetLayoutRect().right, 128);
    EXPECT_EQ(ex->GetLayoutRect().bottom, 64);
    f.Release(text);
    f.Release(ex);
    EXPECT_EQ(f.GetCount(), 0u);
}

} // namespace
