// Crammed image sets: the ".gis" value list against the hand-made goldens,
// the factory's sharing, pending loads and refusals, the pool, and drawing
// patterns whole and clipped.
#include "layer_fixture.h"

#include "graphics/GxTexture.h"
#include "graphics/GxTextureFactory.h"
#include "layers/GxNcContentFile.h"
#include "layers/GxNcCrammedDraw.h"
#include "layers/GxNcImageSetPool.h"
#include "support/Golden.h"
#include "tools/builders/ImageSetWriter.h"
#include "support/LogCapture.h"
#include "support/TempDir.h"

namespace {

using qtest::ImageSetSpec;

// The set of tests/golden/layers/golden.?gis, as the test writer's spec.
ImageSetSpec GoldenSpec() {
    ImageSetSpec s;
    s.atlases = {{u"atlas.png", 64, 32, 2, 0, {}}, {u"atlas2.png", 16, 16, 1, 1, {}}};
    qtest::ImageSetPattern p0{0, 0, 20, 20, 0, 2, 3, 4, 5, 16, 14, 10, 10, true, {0.0625f, 0.15625f, 0.3125f, 0.59375f},
                              0, 0};
    qtest::ImageSetPattern p1{20, 0, 20, 20, 1, 0, 0, 0, 0, 16, 16, 0, 0, false, {}, 1, 1};
    qtest::ImageSetPattern p2{0, 0, 8, 8, -1, 0, 0, 0, 0, 8, 8, 4, 4, false, {}, 0, 0};
    s.origins = {{u"button.png", 2, 40, 20, 0, {p0, p1}}, {u"icon.png", 7, 8, 8, 2, {p2}}};
    return s;
}

TEST(ImageSetFormat, GoldenFilesReadAndAreWrittenAlike) {
    for (const char* form : {"tgis", "bgis"}) {
        SCOPED_TRACE(form);
        const std::vector<unsigned char> golden = qtest::ReadBytes(qtest::GoldenPath(std::string("layers/golden.") + form));
        ASSERT_FALSE(golden.empty());
        EXPECT_EQ(qtest::BuildImageSet(GoldenSpec(), form[0] == 't'), golden) << "the test writer follows the value list";

        GxNcContentFile file;
        ASSERT_TRUE(file.OpenBytes(golden.data(), u32(golden.size()), "GIMGSET", GxNcContentFile::OtherForms::Refuse));
        GxNcCrammedImageSet set;
        ASSERT_TRUE(set.Read(file.GetReader()));
        EXPECT_FALSE(set.m_EconomyMode);
        ASSERT_EQ(set.m_CrammedImageArray.size(), 2u);
        const GxNcCrammedImage& c1 = *set.m_CrammedImageArray[1];
        EXPECT_EQ(c1.m_FileName, u"atlas2.png");
        EXPECT_EQ(c1.m_ImageWidth, 16);
        EXPECT_EQ(c1.m_Count, 1);
        EXPECT_EQ(c1.m_PreserveFlag, 1u);
        ASSERT_EQ(set.m_OriginImageArray.size(), 2u);
        GxNcOriginImage* button = set.FindOriginImage(u"button.png");
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(set.FindOriginImage(u"Button.png"), nullptr) << "origin names compare exactly";
        ASSERT_EQ(button->m_PatternArray.size(), 2u);
        const GxNcCrammedPattern& p0 = button->m_PatternArray[0];
        EXPECT_EQ(p0.m_CrammedOffsetLeft, 2);
        EXPECT_EQ(p0.m_CrammedOffsetTop, 3);
        EXPECT_EQ(p0.m_CrammedLeft, 4);
        EXPECT_EQ(p0.m_CrammedHeight, 14);
        EXPECT_EQ(p0.m_CenterPosX, 10);
        EXPECT_EQ(p0.m_CrammedRawUV.right, 0.3125f);
        EXPECT_EQ(p0.m_pCrammedImage, set.m_CrammedImageArray[0].get());
        const GxNcCrammedPattern& p1 = button->m_PatternArray[1];
        EXPECT_EQ(p1.m_CrammedRawUV.left + p1.m_CrammedRawUV.right + p1.m_CrammedRawUV.bottom, 0)
            << "a pattern without raw coordinates reads them as zero";
        EXPECT_EQ(p1.m_NoCutoffFlag, 1u);
        EXPECT_EQ(p1.m_Selected, 1u);
        EXPECT_EQ(p1.m_pCrammedImage, set.m_CrammedImageArray[1].get());
        const GxNcOriginImage* icon = set.FindOriginImage(u"icon.png");
        ASSERT_NE(icon, nullptr);
        EXPECT_EQ(icon->m_PatternCount, 7) << "stored, but the list count decides";
        EXPECT_EQ(icon->m_PatternArray.size(), 1u);
        EXPECT_EQ(icon->m_PatternArray[0].m_CrammedImageIndex, -1);
        EXPECT_EQ(icon->m_PatternArray[0].m_pCrammedImage, nullptr);
        EXPECT_EQ(icon->m_PreserveFlag, 2u);
    }
}


ImageSetSpec DrawSpec() {
    ImageSetSpec s;
    s.atlases = {{u"atlas.png", 64, 32, 2, 0, ltest::AtlasPixels(64, 32)}};
    qtest::ImageSetPattern trimmed = qtest::WholePattern(0, 4, 5, 16, 14);
    trimmed.width = 20, trimmed.height = 20, trimmed.offsetLeft = 2, trimmed.offsetTop = 3;
    s.origins = {{u"parts.png", -1, 40, 20, 0, {trimmed, qtest::WholePattern(0, 24, 0, 20, 10)}}};
    return s;
}

class ImageSets : public ltest::GfxTest {
protected:
    void Write(const std::string& name, const ImageSetSpec& spec, bool text = true) {
        ASSERT_TRUE(qtest::WriteImageSetFiles(dir_.path(), name, spec, text));
    }
    GxNcCrammedImageSet* Get(GxString name, bool textures = true) {
        return GxNcCrammedImageSetFactory::GetInstance().GetCrammedImageSet(name, textures);
    }
    GxNcCrammedImageSetFactory& F() { return GxNcCrammedImageSetFactory::GetInstance(); }
};

TEST_F(ImageSets, SharedByNameWhateverTheCaseOrExtension) {
    Write("ui/common", DrawSpec(), false);
    GxString asked = u"UI/Common";
    GxNcCrammedImageSet* a = F().GetCrammedImageSet(asked, true);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(asked, u"ui/common") << "the caller's string is lower-cased";
    EXPECT_EQ(a->m_FileName, u"UI/Common.gis");
    EXPECT_EQ(a->m_Directory, u"ui/");
    std::filesystem::remove(dir_.path() / "ui/common.gis");
    EXPECT_EQ(Get(u"ui/common"), a) << "the second request reads no file";
    EXPECT_EQ(Get(u"ui/common.gis"), a) << "a name given with its extension names the same set";
    EXPECT_EQ(a->GetRefCount(), 3u);
    GxTexture* atlas = a->m_CrammedImageArray[0]->m_pTexture;
    ASSERT_NE(atlas, nullptr);
    EXPECT_EQ(atlas->GetFormat(), 21u);
    EXPECT_EQ(atlas->GetName(), u"ui/atlas.png");
    EXPECT_EQ(F().FindOriginImage(u"UI/COMMON", u"parts.png"), a->FindOriginImage(u"parts.png"));

    F().Release(a);
    F().ReleaseByName(u"UI/common");
    EXPECT_EQ(a->GetRefCount(), 1u);
    qtest::LogCapture log;
    F().ReportNotReleased();
    EXPECT_TRUE(log.Contains("Warning/GxNcCrammedImageSetFactory Object Not Released(ui/common)\n")) << log.Text();
    F().Release(a);
    EXPECT_EQ(GxTextureFactory::GetInstance().GetCount(), 0u) << "the last release gives the atlas back";
    GxString again = u"ui/common";
    EXPECT_EQ(F().Find(again), nullptr);
}

TEST_F(ImageSets, EconomySetsAndPendingTextures) {
    ImageSetSpec spec = DrawSpec();
    spec.economy = true;
    Write("eco", spec);
    GxNcCrammedImageSet* set = Get(u"eco", false);
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(set->m_CrammedImageArray[0]->m_pTexture, nullptr);
    EXPECT_EQ(F().GetPendingCount(), 1);
    EXPECT_EQ(F().LoadOnePending(), 0);
    ASSERT_NE(set->m_CrammedImageArray[0]->m_pTexture, nullptr);
    EXPECT_EQ(set->m_CrammedImageArray[0]->m_pTexture->GetFormat(), 26u) << "economy sets load A4R4G4B4";
    EXPECT_EQ(F().LoadOnePending(), 0);
    F().Release(set);
}

// A damaged set costs one line naming it; an image no picture could be, or
// a missing atlas, costs only itself.
TEST_F(ImageSets, DamagedSetsCostOneLineAndBadImagesOrAtlasesOnlyThemselves) {
    ImageSetSpec noPng = DrawSpec();
    noPng.atlases[0].pixels.clear();
    Write("nopng", noPng);
    Put("badmagic.gis", {'T', 'X', 'Y', '\t', '1', '\n'});
    Put("zipped.gis", {'Z', 0, 0, 0});
    std::vector<unsigned char> huge = qtest::BuildImageSet(DrawSpec(), false);
    huge.resize(huge.size() / 2);
    Put("cut.gis", huge);
    auto counted = qtest::WriteContentBytes(false, "GIMGSET", 1, [](GxContentWriterBase& w) {
        w.Write("m_EconomyMode", false);
        w.WriteListBegin("m_CrammedImageArray", "", 0x7FFFFFFF);
    });
    Put("counted.gis", counted);
    // 20,000 patterns would fit 20 KB at a byte each, not at a pattern's least.
    auto claimed = qtest::WriteContentBytes(false, "GIMGSET", 1, [](GxContentWriterBase& w) {
        w.Write("m_EconomyMode", false);
        w.WriteListBegin("m_CrammedImageArray", "", 0);
        w.WriteListEnd();
        w.WriteListBegin("m_OriginImageArray", "", 1);
        w.Write("m_FileName", u"a.png");
        for (int i = 0; i < 3; ++i) w.Write("n", s32(0));
        w.Write("m_PreserveFlag", u32(0));
        w.WriteListBegin("m_PatternArray", "", 20000);
        const std::vector<unsigned char> junk(20000, 0x05);
        w.WriteBinary("pad", junk.data(), u32(junk.size()));
    });
    Put("claimed.gis", claimed);
    // A piece wider than any picture, and one whose kept part lies outside
    // its atlas: those images go, the other stays.
    ImageSetSpec wide = DrawSpec();
    wide.atlases[0].fileName = u"wide.png";
    wide.origins.push_back(wide.origins[0]);
    wide.origins.push_back(wide.origins[0]);
    wide.origins[1].name = u"btn_yes_off.png";
    wide.origins[1].patterns[0].width = 0x7FFFFFFF;
    wide.origins[2].name = u"outside.png";
    wide.origins[2].patterns[1].crammedLeft = 50;
    Write("wide", wide);
    Put("sparse.gis", {});
    std::filesystem::resize_file(dir_.path() / "sparse.gis", u64(kGxImageSetMaxFileSize) + 1);
    struct Row {
        const char* name;
        const char* line;
        bool loads;
    } rows[] = {
        {"nopng", "LoadAttachedTexture:Load Failed:atlas.png", true},
        {"badmagic", "GxContentTextReader/FileHeader Isn't TGIMGSET Line=1 (badmagic.gis)", false},
        {"zipped", "GetCrammedImageSet:Load Failed:zipped.gis", false},
        {"cut", "GxNcCrammedImageSet/m_PatternArrayの要素数が不正です(2) (cut.gis)", false},
        {"counted", "m_CrammedImageArrayの要素数が不正です(2147483647) (counted.gis)", false},
        {"claimed", "m_PatternArrayの要素数が不正です(20000) (claimed.gis)", false},
        {"wide", "GxNcCrammedImageSet/画像の大きさか位置が不正です(btn_yes_off.png) (wide.gis)", true},
        {"sparse", "GetCrammedImageSet:Load Failed:sparse.gis", false},
        {"absent", "GetCrammedImageSet:Load Failed:absent.gis", false},
    };
    for (const Row& r : rows) {
        qtest::LogCapture log;
        GxNcCrammedImageSet* set = Get(GxFromUtf8(r.name));
        EXPECT_EQ(set != nullptr, r.loads) << r.name;
        EXPECT_EQ(log.Lines().size(), 1u) << r.name << ": " << log.Text();
        EXPECT_TRUE(log.Contains(r.line)) << r.name << ": " << log.Text();
        if (set) F().Release(set);
    }
    EXPECT_EQ(GxTextureFactory::GetInstance().GetCount(), 0u) << "a refused or released set keeps no texture";

    GxNcCrammedImageSet* wideSet = Get(u"wide");
    ASSERT_NE(wideSet, nullptr);
    EXPECT_NE(wideSet->FindOriginImage(u"parts.png"), nullptr);
    EXPECT_EQ(wideSet->FindOriginImage(u"btn_yes_off.png"), nullptr);
    EXPECT_EQ(wideSet->FindOriginImage(u"outside.png"), nullptr);
    F().Release(wideSet);
    // Without its atlas the set's patterns draw nothing, and nothing fails.
    GxNcCrammedImageSet* bare = Get(u"nopng");
    ASSERT_NE(bare, nullptr);
    Begin(64, 32, 0xFF000000);
    DrawCrammedPattern(0, bare->FindOriginImage(u"parts.png"), GxMatrix(), 1, GxFColor(1, 1, 1, 1),
                       GxFColor(0, 0, 0, 0), 0);
    EXPECT_EQ(End(), std::vector<uint32_t>(64 * 32, 0xFF000000u));
    F().Release(bare);

    qtest::LogCapture log;
    GxNcCrammedImageSet stranger;
    F().Release(&stranger);
    EXPECT_TRUE(log.Contains("Warning/GxNcCrammedImageSetFactory You tried to release the object does not exist(0x"))
        << "an unknown set is told by its address, not read: " << log.Text();
    F().ReleaseByName(u"nothing");
    EXPECT_TRUE(log.Contains("does not exist(nothing)")) << log.Text();
}

TEST_F(ImageSets, ThePoolHoldsOneReferencePerName) {
    Write("ui_common", DrawSpec());
    GxNcCrammedImageSet* set = GxNcImageSetPool::Add(u"ui_common.gis");
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(GxNcImageSetPool::Add(u"ui_common.gis"), set);
    EXPECT_EQ(set->GetRefCount(), 1u);
    EXPECT_EQ(GxNcImageSetPool::Get(u"ui_common.gis"), set);
    EXPECT_TRUE(GxNcImageSetPool::Release(u"ui_common.gis"));
    EXPECT_EQ(GxNcImageSetPool::Get(u"ui_common.gis"), nullptr);
    GxString name = u"ui_common";
    EXPECT_EQ(F().Find(name), nullptr) << "released to 0 and deleted";
    qtest::LogCapture log;
    EXPECT_FALSE(GxNcImageSetPool::Release(u"ui_common.gis"));
    EXPECT_TRUE(log.Contains("GxNcImageSetPool::Release 解放するイメージセットが見つからない[ui_common.gis]"))
        << log.Text();
    EXPECT_EQ(GxNcImageSetPool::Add(u"absent"), nullptr);
    EXPECT_TRUE(log.Contains("GxNcImageSetPool::Add イメージセット読み込み失敗[absent]")) << log.Text();
}

TEST_F(ImageSets, PatternsDrawnWholeAndClipped) {
    Write("parts", DrawSpec());
    GxNcCrammedImageSet* set = Get(u"parts");
    ASSERT_NE(set, nullptr);
    const GxNcOriginImage* o = set->FindOriginImage(u"parts.png");
    const GxFColor white(1, 1, 1, 1), none(0, 0, 0, 0);
    const uint32_t back = 0xFF202020;
    auto atlas = [](int x, int y) { return 0xFF000040u | uint32_t(x * 4) << 16 | uint32_t(y * 8) << 8; };

    Begin(48, 40, back);
    DrawCrammedPattern(0, o, GxMatrix(), 1, white, none, 1);
    GxMatrix below;
    below.SetTranslation(0, 20, 0);
    DrawCrammedPatternClipped(1, o, GxRect{0, 0, 10, 100}, below, 1, white, none, 1);
    below.SetTranslation(24, 20, 0);
    DrawCrammedPatternClipped(1, o, GxRect{5, 0, 100, 100}, below, 1, white, none, 1);
    below.SetTranslation(0, 32, 0);
    DrawCrammedPatternClipped(1, o, GxRect{10, 0, 5, 100}, below, 1, white, none, 1);
    DrawCrammedPatternClipped(1, o, GxRect{0, 0, 40, -3}, below, 1, white, none, 1);
    DrawCrammedPattern(2, o, GxMatrix(), 1, white, none, 1);
    DrawCrammedPattern(0, nullptr, GxMatrix(), 1, white, none, 1);
    std::vector<uint32_t> px = End();

    EXPECT_EQ(At(px, 2, 3), atlas(4, 5)) << "the kept part starts at its offset (2, 3)";
    EXPECT_EQ(At(px, 17, 16), atlas(19, 18));
    EXPECT_EQ(At(px, 18, 16), back) << "and covers 16 x 14 pixels";
    EXPECT_EQ(At(px, 1, 3), back);
    EXPECT_EQ(At(px, 9, 20), atlas(33, 0)) << "clip (0, 0, 10, 100): the left 10 pixels";
    EXPECT_EQ(At(px, 10, 20), back);
    EXPECT_EQ(At(px, 24, 20), atlas(29, 0)) << "clip (5, 0, 100, 100): the right 15 drawn from x = 0";
    EXPECT_EQ(At(px, 38, 29), atlas(43, 9));
    EXPECT_EQ(At(px, 39, 20), back);
    for (int y = 32; y < 40; ++y)
        for (int x = 0; x < 48; ++x) ASSERT_EQ(At(px, x, y), back) << "inside-out clips draw nothing at " << x;
    EXPECT_TRUE(Golden("image_set_patterns", px));
    F().Release(set);
}

} // namespace
