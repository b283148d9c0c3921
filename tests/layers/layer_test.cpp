// Layers: every kind of content set, drawn, cross-faded in the four fade
// shapes, shaken, carried with sub-layers, ordered by depth, saved and
// restored pixel for pixel; movies that fade away when they stop; and the
// refusal of damaged saves.
#include "layer_fixture.h"

#include "base/GxRuntimeRandom.h"
#include "graphics/GxTexture.h"
#include "graphics/GxTextureMovie.h"
#include "layers/GxLayerMoviePlayer.h"
#include "layers/GxLayerServices.h"
#include "layers/GxLayerTextSeam.h"
#include "layers/GxActorVisualParam.h"
#include "layers/GxTaskLayer.h"
#include "support/FakeCore.h"
#include "tools/builders/ImageSetWriter.h"
#include "support/LogCapture.h"
#include "tools/builders/ProjectWriter.h"

#include <cmath>

namespace {

using namespace qtest;

struct Player : GxLayerMoviePlayer {
    bool playing = true;
    f64 position = 0;
    bool IsPlaying() override { return playing; }
    f64 GetPosition() override { return position; }
};

// The movie service, the global render target and the game's sounds, as a
// layer sees them; every movie call is noted.
struct Services : GxLayerServices {
    std::vector<std::string> calls;
    Player players[kMovieChannelCount];
    bool open[kMovieChannelCount] = {};
    GxTexture* target = nullptr;
    std::function<void(s32)> onClose;

    bool OpenMovie(s32 ch, GxStringView file, GxTextureMovie* t, s32 a, s32 b) override {
        calls.push_back("open " + std::to_string(ch) + " " + GxToUtf8(file) + " " + std::to_string(a) +
                        std::to_string(b) + (t ? "" : " no texture"));
        open[ch] = true;
        return true;
    }
    void PlayMovie(s32 ch, s32 loop, s32 volume) override {
        calls.push_back("play " + std::to_string(ch) + " " + std::to_string(loop) + " " + std::to_string(volume));
    }
    bool StopMovie(s32 ch) override {
        calls.push_back("stop " + std::to_string(ch));
        players[ch].playing = false;
        return true;
    }
    void CloseMovie(s32 ch) override {
        calls.push_back("close " + std::to_string(ch));
        open[ch] = false;
        if (onClose) onClose(ch);
    }
    void SetMovieLoopStart(s32 ch, f64 s) override { calls.push_back("loopstart " + std::to_string(ch) + " " + std::to_string(s)); }
    void SetMoviePosition(s32 ch, f64 s) override { calls.push_back("seek " + std::to_string(ch) + " " + std::to_string(s)); }
    f64 GetMoviePosition(s32 ch) override { return players[ch].position; }
    s32 GetMovieLoopCount(s32) override { return 2; }
    GxLayerMoviePlayer* GetMoviePlayer(s32 ch) override { return open[ch] ? &players[ch] : nullptr; }
    s32 GetMovieVolume() override { return -300; }
    GxTexture* GetGlobalRenderTexture(int index) override { return index == 1 ? target : nullptr; }
};

std::vector<uint32_t> Picture(uint32_t w, uint32_t h, uint32_t base) {
    std::vector<uint32_t> px(size_t(w) * h);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) px[size_t(y) * w + x] = base | (x * 7 & 255) << 8 | (y * 9 & 255);
    return px;
}

class Layers : public ltest::GfxTest {
protected:
    void SetUp() override {
        GfxTest::SetUp();
        GxLayerServices::Set(&services);
        ASSERT_TRUE(rt.CreateRenderTarget(u"global1", kScreenW, kScreenH, 21));
        services.target = &rt;
        PutPng("a.png", 24, 16, Picture(24, 16, 0xFFC00000u));
        PutPng("b.png", 20, 12, Picture(20, 12, 0xFF0000C0u));
        PutPng("face.png", 8, 6, std::vector<uint32_t>(48, 0xFFFFFF00u));
        std::filesystem::create_directories(dir_.path() / "cg");
        PutPng("cg/error.png", 16, 16, std::vector<uint32_t>(256, 0xFFFF00FFu));
        GxRuntimeRandom::Seed(7);
    }
    void TearDown() override {
        tree.reset();
        GxLayerServices::Set(nullptr);
        rt.Release();
        GfxTest::TearDown();
    }
    GxTaskLayer* NewLayer() { return new GxTaskLayer(tree->top); }
    // One update of the given length, then the layer drawn into a fresh target.
    std::vector<uint32_t> Frame(GxTaskLayer* l, s32 ms = 0, uint32_t w = kScreenW, uint32_t h = kScreenH) {
        l->Update(0, s64(ms) * 1000);
        return Draw({l}, w, h);
    }
    std::vector<uint32_t> Draw(const std::vector<GxTaskLayer*>& layers, uint32_t w = kScreenW, uint32_t h = kScreenH) {
        return DrawnBy([&] { for (GxTaskLayer* l : layers) l->Render(0, GxTaskLayer::kRenderList); }, w, h, 0xFF000000u);
    }
    // What draw draws into a fresh target of the colour.
    std::vector<uint32_t> DrawnBy(const std::function<void()>& draw, uint32_t w, uint32_t h, uint32_t colour) {
        Begin(w, h, colour);
        GxGraphics::EndScene();
        draw();
        GxGraphics::BeginScene();
        return End();
    }
    void ImageSet() {
        ImageSetSpec spec;
        spec.atlases = {{u"atlas.png", 32, 32, 1, 0, Picture(32, 32, 0xFF008000u)}};
        ImageSetPattern p = WholePattern(0, 4, 4, 16, 12);
        p.width = 20, p.height = 14;
        spec.origins = {{u"icon.png", -1, 20, 14, 0, {p}}};
        ASSERT_TRUE(WriteImageSetFiles(dir_.path(), "ui/parts", spec, false));
    }
    void Project() {
        ImageSet();
        GxNcProject p;
        GxNcMotion* m = AddMotion(*AddMotionGroup(p, u"main"), u"idle", 30);
        GxNcImageKey k;
        k.m_ImageSetName = u"parts", k.m_ImageFileName = u"icon.png";
        AddDrawnLayer(*m, u"icon", k, -12, -4, 0, 1, 1, 1);
        AddLayerNode(*m, nullptr, u"icon");
        WriteProjectFile(dir_.path() / "ui/title.gnc", p, {u"parts.gis"}, false);
    }

    Services services;
    GxTexture rt;
    FakeCore core;
    std::unique_ptr<ltest::TaskTree> tree = std::make_unique<ltest::TaskTree>();
};

TEST_F(Layers, CrossFadesInFourShapes) {
    const uint32_t W = 4 * 24, H = 3 * 16;
    std::vector<GxTaskLayer*> grid;
    for (int p = 0; p < 3; ++p)
        for (int mode = 0; mode < 4; ++mode) {
            GxTaskLayer* l = NewLayer();
            l->SetPos(f32(mode * 24), f32(p * 16), 0, 0);
            l->SetLocalTransitMode(mode);
            l->SetBlendMode(2);
            ASSERT_TRUE(l->SetImageContent(u"a.png", 0));
            ASSERT_TRUE(l->SetImageContent(u"b.png", 1000));
            l->Update(0, s64(p) * 500000);
            grid.push_back(l);
        }
    const std::vector<uint32_t> px = Draw(grid, W, H);
    auto at = [&](int mode, int p, int x, int y) { return px[size_t(p * 16 + y) * W + size_t(mode * 24 + x)]; };
    const uint32_t a = Picture(24, 16, 0xFFC00000u)[22], b = Picture(20, 12, 0xFF0000C0u)[2];
    for (int mode = 0; mode < 4; ++mode) {
        EXPECT_EQ(at(mode, 0, 22, 0), a) << "progress 0 shows the old picture alone, mode " << mode;
        EXPECT_EQ(at(mode, 2, 2, 0), b) << "progress 1 shows the new picture alone, mode " << mode;
        EXPECT_EQ(at(mode, 2, 22, 0), 0xFF000000u) << "and the old one is gone";
    }
    EXPECT_EQ(at(3, 1, 22, 14), 0xFF000000u) << "mode 3 at half time draws neither";
    EXPECT_EQ(at(0, 1, 22, 14) >> 16 & 255, 0x60u) << "mode 0 at half time: the old picture at half";
    EXPECT_GT(at(1, 1, 22, 14) >> 16 & 255, 0x9Bu) << "mode 1 stays brighter in the middle (0.5 + 1/pi)";
    EXPECT_TRUE(grid[4]->IsTransiting());
    EXPECT_FALSE(grid[8]->IsTransiting());
    EXPECT_EQ(grid[8]->GetBackContent()->m_ContentType, kGxContentEmpty) << "the back slot cleared at the end";
    EXPECT_TRUE(Golden("layer_crossfade", px));
}

TEST_F(Layers, ContentKindsDrawn) {
    ImageSet();
    GxTaskLayer* pattern = NewLayer();
    ASSERT_TRUE(pattern->SetImageSetContent(u"UI/Parts", u"Icon.PNG", 0, 0));
    EXPECT_EQ(pattern->GetCurrentContent()->m_ContentFileName, u"ui/parts");
    EXPECT_EQ(pattern->GetCurrentContent()->m_ImageName, u"icon.png");
    EXPECT_EQ(pattern->GetCurrentContent()->m_Width, 20);
    pattern->SetPos(4, 30, 0, 0);
    pattern->SetRot(0, 0, 90, 0);
    pattern->SetCenterPos(8, 6, 0, 0);

    GxTaskLayer* face = NewLayer();
    ASSERT_TRUE(face->SetImageContent(u"a.png", 0));
    face->GetCurrentContent()->CreateSubLayerContents(2);
    face->GetBackContent()->CreateSubLayerContents(2);
    ASSERT_TRUE(face->LoadSubLayerImage(u"face.png", 1));
    face->GetCurrentContent()->GetSubLayerContent(1)->m_OffsetPos = GxVector2(4, 2);
    ASSERT_TRUE(face->ShowSubLayer(1));
    face->SetPos(36, 4, 0, 0);
    face->SetAlpha(128);

    pattern->Update(0, 0);
    face->Update(0, 0);
    std::vector<uint32_t> px = Draw({pattern, face});
    EXPECT_EQ(At(px, 36 + 4, 4 + 2), 0xFFFFFF00u) << "the sub-layer ignores the layer's alpha";
    EXPECT_TRUE(Golden("layer_contents", px));

    qtest::LogCapture log;
    EXPECT_FALSE(face->LoadSubLayerImage(u"face.png", 2));
    EXPECT_TRUE(log.Contains("GxTaskLayer:サブレイヤーに読み込めません。インデックスを超えている可能性があります:face.png index:2"))
        << log.Text();
    EXPECT_FALSE(face->ShowSubLayer(5));
    EXPECT_TRUE(log.Contains("GxTaskLayer:サブレイヤーにアクセスできません。インデックスを超えている可能性がありますindex:5"))
        << log.Text();
    EXPECT_EQ(face->GetCurrentContent()->GetSubLayerContent(2), nullptr);
    face->GetBackContent()->CreateSubLayerContents(0);
    EXPECT_FALSE(face->HideSubLayer(1)) << "the index is tested against slot 0's sub-layers";

    GxTaskLayer* fill = NewLayer();
    ASSERT_TRUE(fill->SetColorContent(0x80FF8000u, 0));
    fill->SetColor(1, 0.5f, 1, 1);
    fill->SetBlendMode(1);
    px = Frame(fill);
    EXPECT_EQ(At(px, 63, 47), 0xFFFF4000u) << "the screen filled with the colour times the layer colour; the fill's own alpha unused";
    EXPECT_EQ(fill->GetCurrentContent()->m_Width, s32(kScreenW));

    fill->SetAlpha(0);
    px = Frame(fill);
    EXPECT_EQ(At(px, 10, 10), 0xFF000000u) << "alpha 0 draws nothing";
    fill->SetColor(1, 1, 1, 1);
    fill->SetBlendMode(2);
    ASSERT_TRUE(fill->SetColorContent(0xFFFF8000u, 0));
    fill->SetAlpha(300);
    px = Frame(fill);
    EXPECT_EQ(At(px, 10, 10), 0xFFFF8000u) << "an alpha above 255 draws opaque, not wrapped to a dim 44";
}

TEST_F(Layers, AProjectMotionDrawnThroughTheGlobalTarget) {
    Project();
    GxTaskLayer* l = NewLayer();
    ASSERT_TRUE(l->SetProjectContent(u"ui/title", u"ui", u"", u"idle", 3, 0));
    EXPECT_EQ(l->GetCurrentContent()->m_MotionGroupName, u"main") << "the first group when none is named";
    EXPECT_EQ(l->GetCurrentContent()->m_FrameCount, 3);
    std::vector<uint32_t> px = Frame(l);
    EXPECT_EQ(At(px, 32 - 12, 24 - 4), Picture(32, 32, 0xFF008000u)[4 * 32 + 4])
        << "the motion is centred on the screen";
    EXPECT_TRUE(Golden("layer_project", px));
    GxNcProjectEx* p = l->GetCurrentContent()->m_pProject;
    EXPECT_FALSE(l->SetProjectContent(u"ui/title", u"ui", u"nothing", u"idle", 0, 0));
    EXPECT_EQ(p->GetRefCount(), 1u) << "a missing group gives the new reference back; the old slot keeps its own";
    l->ClearContent();
    EXPECT_EQ(GxNcProjectFactory::GetInstance().Find(u"ui/title"), nullptr);
}

TEST_F(Layers, ShakingAndCentring) {
    GxTaskLayer* l = NewLayer();
    ASSERT_TRUE(l->SetImageContent(u"a.png", 0));
    l->SetPos(20, 16, 0, 0);
    const f32 amplitude[4] = {10, 6, 0, 0};
    l->StartShake(amplitude, -1);
    bool moved = false;
    for (int i = 0; i < 100; ++i) {
        l->Update(0, 16000);
        const GxVector4& o = l->GetVisualParam().m_ShakeOffsetPos;
        ASSERT_LE(std::fabs(o.x), 10);
        ASSERT_LE(std::fabs(o.y), 6);
        ASSERT_EQ(o.x, std::trunc(o.x));
        moved |= o.x != 0;
    }
    EXPECT_TRUE(moved && l->IsShaking()) << "time -1 shakes until stopped";
    GxRuntimeRandom::Seed(99);
    std::vector<uint32_t> px = Frame(l, 16);
    EXPECT_TRUE(Golden("layer_shake", px));
    l->StopShake();
    EXPECT_EQ(l->GetVisualParam().m_ShakeOffsetPos.x, 0);
    l->StartShake(amplitude, 100);
    l->Update(0, 100000);
    EXPECT_FALSE(l->IsShaking());

    PutPng("big.png", 800, 600, gxtest::Pattern(800, 600));
    ASSERT_TRUE(l->SetFlexImageContent(u"big.png", 0));
    l->CenterOnScreen();
    EXPECT_EQ(l->GetVisualParam().m_Pos.x, 112);
    EXPECT_EQ(l->GetVisualParam().m_Pos.y, 84);
    PutPng("odd.png", 100, 60, gxtest::Pattern(100, 60));
    ASSERT_TRUE(l->SetImageContent(u"odd.png", 0));
    EXPECT_EQ(l->GetContentWidth(), 100) << "the picture's size, not its 128 x 64 texture's";
    l->CenterOnScreen();
    EXPECT_EQ(l->GetVisualParam().m_Pos.x, 462);
}

TEST_F(Layers, TransitionsAndTheirSlots) {
    GxTaskLayer* l = NewLayer();
    ASSERT_TRUE(l->SetImageContent(u"a.png", 0));
    EXPECT_EQ(l->GetBackContent()->m_ContentType, kGxContentEmpty) << "time 0 replaces at once";
    ASSERT_TRUE(l->SetImageContent(u"b.png", 300));
    const s32 first = l->GetIndexPos();
    l->Update(0, 100000);
    ASSERT_TRUE(l->SetColorContent(0xFFFFFFFFu, 300));
    EXPECT_NE(l->GetIndexPos(), first) << "the second setter flips back";
    EXPECT_EQ(l->GetBackContent()->m_ContentFileName, u"b.png") << "fading from the picture that was fading in";
    EXPECT_EQ(l->GetTransit().m_TransitTimeLeft, 300) << "the transition restarts";
    EXPECT_TRUE(l->FinishTransit());
    EXPECT_FALSE(l->FinishTransit());
    EXPECT_EQ(l->GetBackContent()->m_ContentType, kGxContentEmpty);

    EXPECT_TRUE(l->StartTransit(200));
    EXPECT_EQ(l->GetCurrentContent()->m_ContentType, kGxContentEmpty);
    EXPECT_EQ(l->GetBackContent()->m_ContentType, kGxContentColor);

    qtest::LogCapture log;
    EXPECT_FALSE(l->SetMultiImageContent({}, 0));
    EXPECT_TRUE(log.Contains("GxTaskLayer:読み込むファイルが指定されていません")) << log.Text();
    ASSERT_TRUE(l->SetMultiImageContent({u"a.png", u"b.png"}, 0));
    EXPECT_EQ(l->GetContentWidth(), 24);

    GxString printed;
    static GxString* sink = &printed;
    GxSetLayerTextDrawer([](const GxLayerTextRequest& r) { *sink = GxFormat(u"%s@%d,%d/%d", r.text, s32(r.x), s32(r.y), r.fontMap); });
    l->SetPos(5, 6, 0, 0);
    EXPECT_FALSE(l->IsImageMissing());
    ASSERT_TRUE(l->SetFlexImageContent(u"cg/nothere.png", 0));
    EXPECT_TRUE(l->IsImageMissing());
    std::vector<uint32_t> px = Frame(l);
    GxSetLayerTextDrawer(nullptr);
    EXPECT_EQ(At(px, 5, 6), 0xFFFF00FFu) << "the error picture";
    EXPECT_EQ(printed, u"cg/nothere.png@37,70/1") << "the requested name printed at (x + 32, y + 64)";
    l->SetPos(-20, -50, 0, 0);
    px = Frame(l);
    int lit = 0;
    for (int y = 14; y < 40; ++y)
        for (int x = 12; x < 64; ++x) lit += At(px, x, y) != 0xFF000000u;
    EXPECT_GT(lit, 20) << "drawn with glyph map 1 when no drawer is installed";
    l->ClearContent();
    EXPECT_FALSE(l->IsImageMissing());
    EXPECT_TRUE(l->GetCurrentContent()->m_MovieAutoDisappear);
    EXPECT_EQ(l->GetCurrentContent()->m_SolidColor, GxFColor(1, 1, 1, 1));
}

TEST_F(Layers, MoviesPlayAndFadeAwayWhenTheyStop) {
    GxTaskLayer* l = NewLayer();
    ASSERT_TRUE(l->SetMovieContent(u"mov/op.wmv", 320, 240, 1, 2.5, -100, true, 0));
    const s32 channel = l->GetIndexPos() + 1;
    EXPECT_EQ(s32(l->GetCurrentContent()->m_MyChannel), channel);
    EXPECT_EQ(services.calls, (std::vector<std::string>{"open " + std::to_string(channel) + " mov/op.wmv 10",
                                                         "loopstart " + std::to_string(channel) + " 2.500000",
                                                         "play " + std::to_string(channel) + " 0 -100"}));
    EXPECT_EQ(l->GetContentWidth(), 320);
    EXPECT_TRUE(l->IsMoviePlaying());
    l->SetMovieAutoDisappearTime(1000);
    l->Update(0, 16000);
    EXPECT_FALSE(l->IsTransiting());
    services.players[channel].playing = false;
    l->Update(0, 16000);
    EXPECT_TRUE(l->IsTransiting()) << "a stopped movie fades out";
    EXPECT_EQ(l->GetCurrentContent()->m_ContentType, kGxContentEmpty);
    l->Update(0, 1000000);
    EXPECT_EQ(l->GetBackContent()->m_ContentType, kGxContentEmpty);
    EXPECT_EQ(services.calls.back(), "close " + std::to_string(channel)) << "the channel is stopped and closed";

    ASSERT_TRUE(l->SetMovieContent(u"mov/quiet.wmv", 16, 16, 0, 0, 0, false, 0));
    EXPECT_FALSE(l->IsMoviePlaying()) << "no player opened";
    EXPECT_EQ(l->GetMoviePosition(), 0.0);
    l->Update(0, 16000);
    EXPECT_EQ(l->GetCurrentContent()->m_ContentType, kGxContentMovie) << "not auto-disappearing";
}

TEST_F(Layers, DrawnInDepthOrderThroughRenderListFive) {
    GxTaskLayer* red = NewLayer();
    GxTaskLayer* blue = NewLayer();
    ASSERT_TRUE(red->SetColorContent(0xFFFF0000u, 0));
    ASSERT_TRUE(blue->SetColorContent(0xFF0000FFu, 0));
    red->SetBlendMode(1), blue->SetBlendMode(1);
    red->SetOrderZ(10);
    blue->SetOrderZ(5);
    red->EnqueueRender(0, 0);
    blue->EnqueueRender(0, 0);
    const auto& entries = core.GetRenderList(5)->GetEntries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries.front().m_Task, blue) << "ascending depth";
    const std::vector<uint32_t> px = DrawnBy([&] { core.DrawRenderLists(); }, kScreenW, kScreenH, 0);
    EXPECT_EQ(At(px, 0, 0), 0xFFFF0000u) << "the deeper layer drawn last";
    core.ClearRenderLists();
}

// Writes the layer, reads it into a fresh layer, and compares the frames.
class Restore : public Layers {
protected:
    GxTaskLayer* SaveAndRestore(GxTaskLayer* l, bool text) {
        GxTaskLayer* copy = NewLayer();
        ltest::RoundTrip(
            text, [&](GxContentWriterBase& w) { EXPECT_TRUE(l->WriteContent(&w)); },
            [&](GxContentReaderBase& r) { EXPECT_TRUE(copy->ReadContent(&r)); });
        return copy;
    }
};

TEST_F(Restore, EveryContentKindComesBackPixelForPixel) {
    ImageSet();
    Project();
    struct Row {
        const char* what;
        std::function<void(GxTaskLayer*)> set;
    } rows[] = {
        {"project", [](GxTaskLayer* l) { ASSERT_TRUE(l->SetProjectContent(u"ui/title", u"ui", u"main", u"idle", 0, 0)); }},
        {"image-set pattern", [](GxTaskLayer* l) { ASSERT_TRUE(l->SetImageSetContent(u"ui/parts", u"icon.png", 0, 0)); }},
        {"tiled image", [](GxTaskLayer* l) { ASSERT_TRUE(l->SetFlexImageContent(u"a.png", 0)); }},
        {"colour", [](GxTaskLayer* l) { ASSERT_TRUE(l->SetColorContent(0x80FF00FFu, 0)); }},
        {"movie", [](GxTaskLayer* l) { ASSERT_TRUE(l->SetMovieContent(u"op.wmv", 20, 10, 3, 1.5, 0, true, 0)); }},
        {"render texture", [](GxTaskLayer* l) { ASSERT_TRUE(l->SetRenderTextureContent(20, 10, 0)); }},
        {"image with a sub-layer", [](GxTaskLayer* l) {
             ASSERT_TRUE(l->SetImageContent(u"a.png", 0));
             l->GetCurrentContent()->CreateSubLayerContents(3);
             ASSERT_TRUE(l->LoadSubLayerImage(u"face.png", 1));
             l->GetCurrentContent()->GetSubLayerContent(1)->m_OffsetPos = GxVector2(3, 1);
             l->ShowSubLayer(1);
         }},
        {"blended images", [](GxTaskLayer* l) { ASSERT_TRUE(l->SetMultiImageContent({u"a.png", u"b.png"}, 0)); }},
        {"mid cross-fade", [](GxTaskLayer* l) {
             ASSERT_TRUE(l->SetImageContent(u"a.png", 0));
             ASSERT_TRUE(l->SetImageContent(u"b.png", 400));
             l->SetLocalTransitMode(2);
             l->Update(0, 100000);
         }},
    };
    for (bool text : {false, true})
        for (const Row& r : rows) {
            SCOPED_TRACE(std::string(r.what) + (text ? " (text form)" : ""));
            GxTaskLayer* l = NewLayer();
            l->SetPos(6, 5, 0, 0);
            l->SetColor(1, 0.75f, 1, 1);
            r.set(l);
            services.players[1].position = services.players[2].position = 7.25;
            l->Update(0, 0);
            std::vector<uint32_t> before = Draw({l});
            GxTaskLayer* copy = SaveAndRestore(l, text);
            copy->Update(0, 0);
            std::vector<uint32_t> after = Draw({copy});
            EXPECT_EQ(before, after);
            EXPECT_EQ(copy->GetIndexPos(), l->GetIndexPos());
            EXPECT_EQ(copy->GetCurrentContent()->m_ContentType, l->GetCurrentContent()->m_ContentType);
            delete l;
            delete copy;
        }
    bool restarted = false;
    for (size_t i = 0; i + 3 < services.calls.size(); ++i)
        restarted |= services.calls[i].rfind("open ", 0) == 0 && services.calls[i + 2] == "seek " +
                                                                      services.calls[i].substr(5, 1) + " 7.250000" &&
                     services.calls[i + 3].find(" 2 -300") != std::string::npos;
    EXPECT_TRUE(restarted) << "the movie is opened again at its position, loops left and the user's volume";
}

// A project layer's frame counters from a save at the ends of the integer
// range: they run on without overflow, the motion's frame in its period.
TEST_F(Restore, FrameCountersAtTheEndsOfTheRangeRunOn) {
    Project();
    for (const s32 stored : {INT32_MAX, INT32_MIN}) {
        GxTaskLayer* l = NewLayer();
        ASSERT_TRUE(l->SetProjectContent(u"ui/title", u"ui", u"main", u"idle", 0, 0));
        l->GetCurrentContent()->m_FrameCount = stored;
        GxTaskLayer* copy = SaveAndRestore(l, false);
        EXPECT_EQ(copy->GetCurrentContent()->m_FrameCount, stored);
        for (int i = 0; i < 3; ++i) copy->Update(0, 16000);
        EXPECT_EQ(copy->GetCurrentContent()->m_FrameCount, s32(u32(stored) + 3u)) << "wrapped round, not overflowed";
        Draw({copy});
        delete l;
        delete copy;
    }
}

TEST_F(Restore, DamagedSavesAreRefused) {
    GxTaskLayer* l = NewLayer();
    ASSERT_TRUE(l->SetImageContent(u"a.png", 0));
    GxLayerContent movie;
    movie.m_ContentType = kGxContentMovie;
    movie.m_MyChannel = 9;
    // A layer of the two slots' contents, showing the slot index.
    const auto layer = [](GxLayerContent& current, GxLayerContent& back, s32 index) {
        return [&current, &back, index](GxContentWriterBase& w) {
            GxTaskActor(nullptr).WriteContent(&w);
            current.Write(&w);
            back.Write(&w);
            w.Write("m_LayerType", s32(0));
            w.Write("m_IndexPos", index);
        };
    };
    struct Row {
        const char* what;
        std::function<void(GxContentWriterBase&)> write;
        const char* line;
    } rows[] = {
        {"slot index 5", layer(*l->GetCurrentContent(), *l->GetBackContent(), 5), "m_IndexPosが不正です(5)"},
        {"movie channel 9", layer(movie, movie, 0), "m_MyChannelが不正です(9)"},
        {"a sub-layer count beyond the save",
         [&](GxContentWriterBase& w) {
             GxTaskActor(nullptr).WriteContent(&w);
             GxLayerContent c;
             c.m_ContentType = kGxContentImage;
             c.m_ContentFileName = u"a.png";
             c.CreateSubLayerContents(1);
             c.Write(&w);
             w.Write("m_ContentType", s32(0));
             w.Write("m_Alpha", s32(0));
             w.Write("m_ContentFileName", u"");
             w.WriteListBegin("m_MultiContentFileName", "", 0);
             w.WriteListEnd();
             for (const char* n : {"m_Width", "m_Height"}) w.Write(n, s32(0));
             w.Write("m_ImageName", u"");
             for (const char* n : {"m_PatternIndex", "m_FrameCount"}) w.Write(n, s32(0));
             w.Write("m_MotionGroupName", u"");
             w.Write("m_MotionName", u"");
             w.Write("m_MatWorld", GxMatrix());
             w.Write("m_SolidColor", GxFColor());
             w.Write("m_MyChannel", u32(0));
             w.Write("m_LoopCount", s32(0));
             w.Write("m_LoopStartPos", 0.0);
             w.Write("m_MovieCurrentTime", 0.0);
             w.Write("m_MovieAutoDisappear", true);
             w.WriteListBegin("m_pSubLayerList", "", 500000000);
         },
         "m_pSubLayerListの要素数が不正です(500000000)"},
        // Within the bytes left at one byte an action, beyond them at an
        // action's least.
        {"1,000 actions in 20 KB",
         [&](GxContentWriterBase& w) {
             GxTaskFolder(nullptr).WriteContent(&w);
             GxActorVisualParam().Write(&w);
             w.WriteListBegin("m_ActionList", "", 1000);
             const std::vector<unsigned char> junk(20000, 0x05);
             w.WriteBinary("pad", junk.data(), u32(junk.size()));
         },
         "m_ActionListの要素数が不正です(1000)"},
        // Room for them all, but the first value is of the wrong type:
        // reading stops there, with one line.
        {"2,000 actions of nothing",
         [&](GxContentWriterBase& w) {
             GxTaskFolder(nullptr).WriteContent(&w);
             GxActorVisualParam().Write(&w);
             w.WriteListBegin("m_ActionList", "", 2000);
             for (int i = 0; i < 2000 * 10; ++i) w.Write("x", 0.0);
         },
         "ValueType Isn't VALTYPE_GxS32"},
    };
    for (const Row& r : rows) {
        qtest::LogCapture log;
        GxTaskLayer* copy = NewLayer();
        ltest::RoundTrip(false, r.write, [&](GxContentReaderBase& rd) { EXPECT_FALSE(copy->ReadContent(&rd)) << r.what; });
        EXPECT_TRUE(log.Contains(r.line)) << r.what << ": " << log.Text();
        EXPECT_LE(log.Lines().size(), 1u) << r.what << ": " << log.Text();
        EXPECT_EQ(copy->GetIndexPos(), 0) << r.what;
        EXPECT_EQ(copy->GetCurrentContent()->m_ContentType, kGxContentEmpty) << r.what << ": nothing half restored";
        EXPECT_EQ(copy->GetBackContent()->m_ContentType, kGxContentEmpty) << r.what;
        delete copy;
    }
}

} // namespace
