// Tiled textures and the two name-sharing factories, with their leak
// warnings at shutdown; surfaces loaded from files.
#include "texture_fixture.h"

#include "graphics/GxDraw.h"
#include "graphics/GxGraphicsTypes.h"
#include "graphics/GxSurface.h"
#include "graphics/GxTexture.h"
#include "graphics/GxTextureFactory.h"
#include "graphics/GxTextureFlex.h"
#include "graphics/GxTextureFlexFactory.h"

using namespace gxtest;

namespace {

class FlexTest : public DrawingTest<FileTest> {
protected:
    void SetUp() override {
        FileTest::SetUp();
        ASSERT_TRUE(Start());
    }
    void TearDown() override {
        GxTextureFactory::GetInstance().Clear();
        GxTextureFlexFactory::GetInstance().Clear();
        DrawingTest::TearDown();
    }
};

TEST_F(FlexTest, TileGrids) {
    struct Row {
        u32 w, h, across, down;
    };
    const Row rows[] = {{800, 600, 7, 5}, {128, 128, 1, 1}, {129, 1, 2, 1}, {0, 0, 0, 0}, {0, 50, 0, 1}};
    for (const Row& r : rows) {
        GxTextureFlex f;
        ASSERT_TRUE(f.CreateTexture(u"Grid", r.w, r.h, 0)) << r.w << "x" << r.h;
        EXPECT_EQ(f.GetTilesAcross(), r.across) << r.w << "x" << r.h;
        EXPECT_EQ(f.GetTilesDown(), r.down) << r.w << "x" << r.h;
        EXPECT_EQ(f.GetTileArray().size(), size_t(r.across) * r.down);
        EXPECT_EQ(f.GetTileWidth(), 128u);
        EXPECT_EQ(f.GetCoveredWidth(), r.w);
        EXPECT_EQ(f.GetPool(), kGxPoolManaged);
        EXPECT_EQ(f.GetMemorySize(), 4u * 128 * 128 * r.across * r.down);
        EXPECT_EQ(f.GetName(), u"grid");
        EXPECT_EQ(f.GetRefCount(), 1u);
        EXPECT_TRUE(GxD3DResourceManage::GetInstance().IsRegistered(&f));
    }
    qtest::LogCapture log;
    GxTextureFlex huge;
    EXPECT_FALSE(huge.CreateTexture(u"huge", 0xFFFFFF80u, 0xFFFFFF80u, 0)) << "no tile array for a size no image has";
    EXPECT_TRUE(log.Contains("Error/FlexTexture CreateTexture Failed(Name:\"huge\" Size:-128,-128 ")) << log.Text();
    EXPECT_TRUE(huge.GetTileArray().empty());
    EXPECT_FALSE(GxD3DResourceManage::GetInstance().IsRegistered(&huge));
}

TEST_F(FlexTest, FromFileEdgeTilesHoldTheImagesLastColumnsAndRows) {
    const std::vector<uint32_t> px = Pattern(800, 600);
    PutPng("bg.png", 800, 600, px);
    GxTextureFlex f;
    ASSERT_TRUE(f.CreateFromFile(u"BG.png", 0, 0));
    EXPECT_EQ(f.GetName(), u"bg.png");
    ASSERT_EQ(f.GetTilesAcross(), 7u);
    ASSERT_EQ(f.GetTilesDown(), 5u);
    auto tiles = f.GetTileArray();
    // The last tile: column 6 covers 32 pixels, row 4 covers 88.
    std::vector<uint32_t> last = tiles[4 * 7 + 6]->surface_level(0)->read_argb();
    EXPECT_EQ(last[0], px[512 * 800 + 768]);
    EXPECT_EQ(last[87 * 128 + 31], px[599 * 800 + 799]);
    EXPECT_EQ(last[87 * 128 + 32], 0u) << "beyond the image the tile stays as made";
    EXPECT_EQ(last[88 * 128], 0u);
    std::vector<uint32_t> middle = tiles[2 * 7 + 3]->surface_level(0)->read_argb();
    EXPECT_EQ(middle[5 * 128 + 7], px[(256 + 5) * 800 + 384 + 7]);

    // Device loss leaves the managed tiles be.
    ASSERT_TRUE(GxGraphics::ResetDevice(true, 0, 0, nullptr));
    EXPECT_EQ(f.GetTileArray()[0], tiles[0]);
}

TEST_F(FlexTest, DrawnTileByTileAndWhole) {
    const std::vector<uint32_t> px = Pattern(200, 150, true);
    PutPng("pic.png", 200, 150, px);
    GxTextureFlex f;
    ASSERT_TRUE(f.CreateFromFile(u"pic.png", 0, 0));
    Begin(320, 200, 0xFF0000FFu);
    GxDrawTextureFlex(&f, 10, 20, nullptr, nullptr, nullptr, 0xFFFFFFFFu, 0, 1);
    std::vector<uint32_t> out = End();
    int wrong = 0;
    for (u32 y = 0; y < 150; ++y)
        for (u32 x = 0; x < 200; ++x) wrong += out[(y + 20) * 320 + x + 10] != px[y * 200 + x];
    EXPECT_EQ(wrong, 0) << "unscaled tiles land texel on pixel";
    EXPECT_EQ(out[20 * 320 + 10 + 200], 0u) << "edge tiles are drawn whole, past the image";
    EXPECT_EQ(out[(20 + 150) * 320 + 10], 0u);
    EXPECT_EQ(out[100 * 320 + 10 + 256], 0xFF0000FFu) << "beyond the last tile nothing is drawn";
    EXPECT_EQ(out[19 * 320 + 10], 0xFF0000FFu);

    // Tiles wholly outside the viewport are skipped one by one: with the
    // texture far to the left only the last column's tiles remain.
    Begin(320, 200, 0xFF0000FFu);
    GxDrawTextureFlex(&f, -250, 0, nullptr, nullptr, nullptr, 0xFFFFFFFFu, 0, 1);
    out = End();
    EXPECT_EQ(out[0], 0u) << "x 250 of the grid is the transparent part of the last tile";
    EXPECT_EQ(out[6], 0xFF0000FFu);
}

TEST_F(FlexTest, UnreadableFileFailsAndIsNotKept) {
    Put("bad.png", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R', 0, 0, 0x40, 0,
                    0, 0, 0x40, 0, 8, 6, 0, 0, 0});
    qtest::LogCapture log;
    GxTextureFlex f;
    EXPECT_FALSE(f.CreateFromFile(u"bad.png", 0, 0));
    EXPECT_TRUE(f.IsCreateFailed());
    EXPECT_TRUE(log.Contains("Error/ImageLoadFromFile Failed(Name:\"bad.png\" PNG chunk runs past the end of the data)\n"))
        << log.Text();
    EXPECT_FALSE(GxD3DResourceManage::GetInstance().IsRegistered(&f));
    GxTextureFlexFactory& factory = GxTextureFlexFactory::GetInstance();
    EXPECT_EQ(factory.Create(u"bad.png", kGxTextureFlexKindFile, 0, 0, 0), nullptr);
    EXPECT_EQ(factory.Create(u"missing.png", kGxTextureFlexKindFile, 0, 0, 0), nullptr);
    EXPECT_EQ(factory.GetCount(), 0u);
}

TEST_F(FlexTest, FactoriesShareByNameWithoutRegardToCase) {
    PutPng("face.png", 8, 8, Pattern(8, 8));
    GxTextureFactory& factory = GxTextureFactory::GetInstance();
    GxD3DResourceBase* a = factory.Create(u"Face.PNG", kGxTextureKindFile, 0, 0, 1, 0, 0, true);
    ASSERT_NE(a, nullptr);
    GxD3DResourceBase* b = factory.Create(u"face.png", kGxTextureKindEmpty, 64, 64, 1, 0, 0, false);
    EXPECT_EQ(a, b) << "same name: the same texture, whatever else is asked";
    EXPECT_EQ(a->GetRefCount(), 2u);
    EXPECT_EQ(factory.Find(u"FACE.png"), a);
    EXPECT_EQ(a->GetRefCount(), 2u) << "Find takes no reference";
    EXPECT_EQ(static_cast<GxTexture*>(a)->GetImageWidth(), 8u);
    factory.Release(a);
    EXPECT_EQ(factory.GetCount(), 1u);
    factory.ReleaseByName(u"FACE.PNG");
    EXPECT_EQ(factory.GetCount(), 0u);
    EXPECT_EQ(factory.Find(u"face.png"), nullptr);

    GxD3DResourceBase* rt = factory.Create(u"rt", kGxTextureKindRenderTarget, 100, 50, 1, 0, 0, false);
    ASSERT_NE(rt, nullptr);
    EXPECT_EQ(rt->GetObjectType(), u32(OBJTYPE_RENDERTARGET));
    EXPECT_EQ(static_cast<GxTexture*>(rt)->GetWidth(), 128u);
    for (u32 kind : {0u, 4u, 8u})
        EXPECT_EQ(factory.Create(u"other", kind, 8, 8, 1, 0, 0, false), nullptr) << kind;
    EXPECT_EQ(factory.GetCount(), 1u);

    qtest::LogCapture log;
    EXPECT_EQ(factory.Create(u"missing.png", kGxTextureKindFile, 0, 0, 1, 0, 0, true), nullptr);
    EXPECT_TRUE(log.Contains("Error/GetInfoFromFile Open error(Name:missing.png)\n")) << log.Text();
    EXPECT_EQ(factory.GetCount(), 1u);
    factory.Release(rt);
}

TEST_F(FlexTest, PreparedTexturesAreKeptEmptyForAWorker) {
    PutPng("later.png", 4, 4, std::vector<uint32_t>(16, 0xFF112233u));
    GxTextureFactory& factory = GxTextureFactory::GetInstance();
    GxD3DResourceBase* r = factory.CreateEx(u"Later.png", kGxTextureKindFile, 0, 0, 1, 0, 0, false);
    ASSERT_NE(r, nullptr);
    auto* t = static_cast<GxTexture*>(r);
    EXPECT_FALSE(t->HasTexture());
    EXPECT_EQ(factory.GetCount(), 1u);
    EXPECT_EQ(factory.CreateEx(u"missing.png", kGxTextureKindFile, 0, 0, 1, 0, 0, false) != nullptr, true)
        << "preparing does not look at the file";
    t->ExecuteJob(nullptr, nullptr);
    EXPECT_EQ(t->GetPixel(3, 3), 0xFF112233u);
    GxTextureFlexFactory& flex = GxTextureFlexFactory::GetInstance();
    GxD3DResourceBase* f = flex.CreateEx(u"later.png", kGxTextureFlexKindFile, 0, 0, 0);
    ASSERT_NE(f, nullptr);
    EXPECT_FALSE(static_cast<GxTextureFlex*>(f)->HasTexture());
    f->ExecuteJob(nullptr, nullptr);
    EXPECT_TRUE(static_cast<GxTextureFlex*>(f)->HasTexture());
    EXPECT_EQ(static_cast<GxTextureFlex*>(f)->GetImageWidth(), 4u);
}

TEST_F(FlexTest, ReleasingWhatTheFactoryDoesNotHoldWarns) {
    GxSetSkipSlightError(false);
    qtest::LogCapture log;
    GxTexture foreign;
    GxTextureFactory::GetInstance().Release(&foreign);
    GxTextureFactory::GetInstance().ReleaseByName(u"nothing.png");
    GxTextureFlexFactory::GetInstance().ReleaseByName(u"nothing.png");
    EXPECT_TRUE(log.Contains("Warning/GxTextureFactory You tried to release the texture does not exist(0x")) << log.Text();
    EXPECT_TRUE(log.Contains("Warning/GxTextureFactory You tried to release the texture does not exist(nothing.png)\n"));
    EXPECT_TRUE(log.Contains("Warning/GxTextureFlexFactory You tried to release the texture does not exist(nothing.png)\n"));
    log.Clear();
    GxSetSkipSlightError(true);
    GxTextureFactory::GetInstance().ReleaseByName(u"nothing.png");
    EXPECT_TRUE(log.Lines().empty()) << "slight errors skipped";
    GxSetSkipSlightError(false);
}

TEST_F(FlexTest, DumpAndShutdownLeakWarnings) {
    GxTextureFactory& factory = GxTextureFactory::GetInstance();
    ASSERT_NE(factory.Create(u"One", kGxTextureKindEmpty, 8, 8, 1, 0, 0, false), nullptr);
    ASSERT_NE(factory.Create(u"two", kGxTextureKindEmpty, 8, 8, 1, 0, 0, false), nullptr);
    ASSERT_NE(GxTextureFlexFactory::GetInstance().Create(u"flex", kGxTextureFlexKindEmpty, 300, 10, 0), nullptr);
    GxSetSkipSlightError(false);
    qtest::LogCapture log;
    factory.Dump();
    EXPECT_EQ(log.Text(), "---GxTextureFactory dump start---\ntotal 2 textures\none\ntwo\n---GxTextureFactory dump end---\n");
    log.Clear();
    GxGraphics::Finalize();
    EXPECT_EQ(log.Text(),
              "Warning/GxTextureFactory is not Released(count=2)\nWarning/GxTextureFlexFactory is not Released(count=1)\n");
    EXPECT_EQ(factory.GetCount(), 0u);
    EXPECT_EQ(GxTextureFlexFactory::GetInstance().GetCount(), 0u);
}

TEST_F(FlexTest, SurfacesFromFilesAndStretchCopies) {
    const std::vector<uint32_t> px = Pattern(20, 10, true);
    PutPng("s.png", 20, 10, px);
    GxSurface s;
    ASSERT_TRUE(s.CreateFromFile(u"S.png", 0, 0));
    EXPECT_EQ(s.GetPool(), kGxPoolScratch);
    EXPECT_EQ(s.GetAskedWidth(), 20u);
    EXPECT_EQ(s.GetWidth(), 20u) << "no rounding for surfaces";
    EXPECT_EQ(s.GetName(), u"s.png");
    EXPECT_EQ(s.GetD3DSurface()->read_argb(), px);
    auto kept = s.GetD3DSurface();
    ASSERT_TRUE(GxGraphics::ResetDevice(true, 0, 0, nullptr));
    EXPECT_EQ(s.GetD3DSurface(), kept) << "scratch surfaces keep their contents";

    GxSurface big;
    ASSERT_TRUE(big.CreateSurface(u"big", 40, 20, 0));
    EXPECT_TRUE(big.StretchRect(nullptr, &s, nullptr, 2));
    std::vector<uint32_t> out = big.GetD3DSurface()->read_argb();
    EXPECT_LE(MaxChannelDiff(out[0], px[0]), 2);
    EXPECT_LE(MaxChannelDiff(out[19 * 40 + 39], px[9 * 20 + 19]), 2);
    GxRect part{0, 0, 10, 5};
    EXPECT_TRUE(big.StretchRect(&part, &s, &part, 1));
    EXPECT_EQ(big.GetD3DSurface()->read_argb()[4 * 40 + 9], px[4 * 20 + 9]);
    GxRect outside{0, 0, 100, 100};
    EXPECT_FALSE(big.StretchRect(&outside, &s, nullptr, 1));
    ASSERT_TRUE(big.SaveToFile(u"big.png"));
    EXPECT_EQ(Decoded("big.png").size(), 800u);

    qtest::LogCapture log;
    GxSurface missing;
    EXPECT_FALSE(missing.CreateFromFileA("missing.png", 0, 0));
    EXPECT_TRUE(missing.IsCreateFailed());
    EXPECT_TRUE(log.Contains("Error/GetInfoFromFile Open error(Name:missing.png)\n"));
}

} // namespace
