// The global render targets on the headless device: the capture of the
// scenes, the rule transition's alpha mask and the save thumbnail; the icon
// index; and the main scene's proxy task.
#include "GameFixture.h"

#include "game/AvgTaskProxyMain.h"
#include "game/GxGameLayerServices.h"
#include "game/GxGlobalRenderTargets.h"
#include "game/GxIconIndex.h"
#include "graphics/GxGraphicsTypes.h"
#include "graphics/GxSurface.h"
#include "graphics/GxTexture.h"
#include "io/GxBinBuffer.h"
#include "io/GxContentTextReader.h"
#include "layers/GxNcImageSetPool.h"
#include "layers/GxNcOriginImage.h"
#include "tools/builders/ContentBytes.h"
#include "tools/builders/ImageSetWriter.h"
#include "support/LogCapture.h"
#include "tasks/GxTaskManage.h"
#include "tasks/GxTaskRenderManage.h"

#include <cstring>

namespace {

using gametest::GameTest;
namespace fs = std::filesystem;

constexpr u32 kScreen = 0xFF102030;
constexpr u32 kCorner = 0xFFFFFFFF;

// Clears the target to kScreen and its top-left 4 x 8 pixels to kCorner, and
// notes how it was drawn.
class PaintTask : public GxTaskBase {
public:
    using GxTaskBase::GxTaskBase;
    int EnqueueRender(int, s64) override {
        GxCoreBase* core = GxCoreBase::GetCoreBase();
        core->GetRenderList(3)->AddTask(0, this, 0.0f, 0);
        bank = core->GetRenderBank();
        return 0;
    }
    int Render(int, int) override {
        capturing = GxIsCapturingGlobalTexture();
        GxGraphics::Clear(kGxClearTarget, kScreen, 1.0f, 0);
        const GxRect corner{0, 0, 4, 8};
        GxGraphics::Clear(kGxClearTarget, kCorner, 1.0f, 0, &corner);
        ++draws;
        return 0;
    }
    int bank = -1;
    bool capturing = false;
    int draws = 0;
};

class RenderTargets : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        ASSERT_TRUE(StartDevice());
        GxCreateGlobalRenderTargets();
    }
    void TearDown() override {
        GxReleaseGlobalRenderTargets();
        GameTest::TearDown();
    }
    // Captures a screen painted by a PaintTask as a worker's scene.
    PaintTask* Capture() {
        GxTaskManage* tm = core_.GetTaskManage();
        GxTaskBase* top = tm->GetTopTask() ? tm->GetTopTask() : new GxTaskBase(tm);
        auto* paint = new PaintTask(top, u"paint");
        tm->GetSeqWorker(1)->m_CurrentTask = paint;
        EXPECT_TRUE(GxRenderToGlobalTexture(&core_));
        return paint;
    }
};

TEST_F(RenderTargets, TheCaptureDrawsTheScenesOnceOnTheSecondBankAndMakesTheThumbnail) {
    GxTexture* capture = GxGetGlobalRenderTexture(0);
    ASSERT_TRUE(capture && capture->HasTexture());
    EXPECT_GE(capture->GetWidth(), 1024u);
    EXPECT_GE(capture->GetHeight(), 768u);
    EXPECT_EQ(GxGetGlobalDepthStencil()->GetWidth(), capture->GetWidth());
    EXPECT_EQ(GxGetThumbnailPixels().GetSize(), 49152u) << "128 x 96 pixels";

    // What the frame enqueued on its own bank stays for the frame.
    auto* sentinel = new GxTaskBase(core_.GetTaskManage());
    core_.GetRenderList(9)->AddTask(0, sentinel, 0.0f, 0);
    const size_t depth = GxGraphics::GetRenderTargetDepth(0);
    PaintTask* paint = Capture();
    EXPECT_EQ(paint->draws, 1);
    EXPECT_EQ(paint->bank, 1);
    EXPECT_TRUE(paint->capturing);
    EXPECT_FALSE(GxIsCapturingGlobalTexture());
    EXPECT_EQ(core_.GetRenderBank(), 0);
    EXPECT_EQ(core_.GetRenderList(9)->GetEntries().size(), 1u);
    EXPECT_TRUE(core_.List(1, 3).GetEntries().empty()) << "the capture's lists are emptied";
    EXPECT_EQ(GxGraphics::GetRenderTargetDepth(0), depth);
    EXPECT_EQ(capture->GetPixel(500, 400), kScreen);
    EXPECT_EQ(capture->GetPixel(1, 1), kCorner);
    core_.GetRenderList(9)->Clear();

    // The thumbnail averages each block of 8 x 8: half of block 0 is white,
    // (0x10 + 0xFF) * 32 / 64 and so on, truncated.
    ASSERT_TRUE(GxCaptureThumbnailPixels());
    const auto thumb = [](u32 x, u32 y) {
        u32 p = 0;
        std::memcpy(&p, GxGetThumbnailPixels().GetData() + (size_t(y) * 128 + x) * 4, 4);
        return p;
    };
    EXPECT_EQ(thumb(0, 0), 0xFF878F97u);
    EXPECT_EQ(thumb(1, 0), kScreen);
    EXPECT_EQ(thumb(127, 95), kScreen);

    GxReleaseGlobalRenderTargets();
    EXPECT_EQ(GxGetGlobalRenderTexture(0), nullptr);
    EXPECT_FALSE(GxRenderToGlobalTexture(&core_));
    EXPECT_FALSE(GxCaptureThumbnailPixels());
    GxComposeRuleTransition(nullptr, 0.5f);
}

TEST_F(RenderTargets, RuleTransitionMasksTheCapturedScreen) {
    Capture();
    // The rule's red runs from 0 at the left edge to 255 at the right.
    std::vector<u32> ramp(1024 * 768);
    for (u32 y = 0; y < 768; ++y)
        for (u32 x = 0; x < 1024; ++x) ramp[y * 1024 + x] = 0xFF000000u | ((x * 255 / 1023) << 16);
    ASSERT_TRUE(GxWritePNGFile(u"rule.png", 1024, 768, reinterpret_cast<const u8*>(ramp.data())));
    ASSERT_NE(GxGetTransitionSurface(u"rule.png"), nullptr);
    GxTexture dest;
    ASSERT_TRUE(dest.CreateTexture(u"dest", 1024, 768, kGxFmtA8R8G8B8, 1));

    const f32 progress[] = {0.0f, 0.25f, 0.5f, 0.75f, 1.0f};
    const u32 columns[] = {0, 300, 700, 1023};
    for (f32 p : progress) {
        GxComposeRuleTransition(&dest, p);
        for (u32 x : columns) {
            const s32 red = s32(x * 255 / 1023);
            const s32 alpha = std::clamp(red - s32(p * 510) + 255, 0, 255);
            EXPECT_EQ(dest.GetPixel(x, 400), (kScreen & 0x00FFFFFFu) | (u32(alpha) << 24)) << p << " at " << x;
        }
    }
    // A rule, or a destination, smaller than the screen leaves it as it was.
    ASSERT_TRUE(dest.Fill(0x12345678));
    WritePng("small.png", 512, 768, 0xFF000000);
    GxGetTransitionSurface(u"small.png");
    GxComposeRuleTransition(&dest, 0.5f);
    EXPECT_EQ(dest.GetPixel(10, 10), 0x12345678u);
    GxGetTransitionSurface(u"rule.png");
    GxTexture small;
    ASSERT_TRUE(small.CreateTexture(u"small", 256, 256, kGxFmtA8R8G8B8, 1));
    ASSERT_TRUE(small.Fill(0x12345678));
    GxComposeRuleTransition(&small, 0.5f);
    EXPECT_EQ(small.GetPixel(10, 10), 0x12345678u);
    // Without a name the rule is an empty surface of the screen's size.
    GxSurface* empty = GxGetTransitionSurface(nullptr);
    EXPECT_EQ(empty->GetWidth(), 1024u);
    EXPECT_EQ(empty->GetHeight(), 768u);
}

TEST_F(RenderTargets, IconIndexFindsIconsByNameAndDrawsThem) {
    qtest::ImageSetSpec spec;
    std::vector<uint32_t> atlas(32 * 8, 0xFFFF0000);
    for (u32 y = 0; y < 8; ++y)
        for (u32 x = 8; x < 16; ++x) atlas[y * 32 + x] = 0xFF00FF00;
    spec.atlases.push_back({u"icons.png", 32, 8, 1, 0, atlas});
    spec.origins.push_back({u"icon_a.png", -1, 8, 8, 0, {qtest::WholePattern(0, 0, 0, 8, 8)}});
    spec.origins.push_back({u"icon_b.png", -1, 8, 8, 0, {qtest::WholePattern(0, 8, 0, 8, 8)}});
    spec.origins.push_back({u"icon_a.dds", -1, 8, 8, 0, {qtest::WholePattern(0, 8, 0, 8, 8)}});
    ASSERT_TRUE(qtest::WriteImageSetFiles(dir_.path() / "uigis", "ui_iconpool", spec, true));
    GxBuildIconIndex(GxNcImageSetPool::Add(u"uigis/ui_iconpool.gis"));
    const GxNcOriginImage* a = GxGetIconIndex(u"icon_a");
    const GxNcOriginImage* b = GxGetIconIndex(u"icon_b");
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(a->m_FileName, u"icon_a.png") << "the first of two equal names stays";
    EXPECT_EQ(GxGetIconIndex(u"icon_c"), nullptr);
    EXPECT_EQ(GxGetIconIndex(u"icon_a.png"), nullptr);
    EXPECT_EQ(GxGameLayerServices().FindIcon(u"icon_b"), b) << "the widgets' way to the icons";

    GxTexture target;
    ASSERT_TRUE(target.CreateRenderTarget(u"icons", 64, 64, kGxFmtA8R8G8B8));
    ASSERT_TRUE(GxGraphics::PushRenderTarget(0, &target, nullptr, nullptr));
    ASSERT_TRUE(GxGraphics::Clear(kGxClearTarget, 0, 1.0f, 0));
    ASSERT_TRUE(GxGraphics::BeginScene());
    GxDrawIcon(b, GxVector3(10, 20, 0), 0xFFFFFFFF, GxVector2(2, 2));
    GxDrawIcon(GxGetIconIndex(u"icon_c"), GxVector3(0, 0, 0), 0xFFFFFFFF, GxVector2(1, 1));
    GxGraphics::EndScene();
    GxGraphics::PopRenderTarget(0);
    EXPECT_EQ(target.GetPixel(11, 21), 0xFF00FF00u);
    EXPECT_EQ(target.GetPixel(24, 34), 0xFF00FF00u) << "scaled to 16 x 16";
    EXPECT_EQ(target.GetPixel(27, 37), 0u);
    EXPECT_EQ(target.GetPixel(2, 2), 0u) << "a missing icon draws nothing";

    // Once the pool gives its sets back the index holds nothing of them.
    GxNcImageSetPool::Clear();
    GxBuildIconIndex(nullptr);
    EXPECT_EQ(GxGetIconIndex(u"icon_a"), nullptr);
}

// A task that counts the walks it receives.
class CountingTask : public GxTaskBase {
public:
    using GxTaskBase::GxTaskBase;
    int Update(int, s64) override { return ++updates, 0; }
    void OnStartSequence(int worker) override { startedWith = worker; }
    int updates = 0;
    int startedWith = 99;
};

TEST(ProxyTask, ForwardsToTheNamedTaskWhileItExists) {
    qtest::FakeCore core;
    qtest::LogCapture log;
    GxTaskManage* tm = core.GetTaskManage();
    auto* top = new GxTaskBase(tm);
    auto* scene = new GxTaskBase(top, u"SeqAvgMain");
    auto* receiver = new GxTaskBase(scene, u"$STAND:SeqAvgMain");
    auto* child = new CountingTask(receiver, u"child");
    auto* proxy = new AvgTaskProxyMain(top);
    EXPECT_EQ(proxy->GetTaskName(), u"$PROXY:SeqAvgMain");

    proxy->Update(0, 0);
    EXPECT_EQ(child->updates, 0) << "nothing named yet";
    proxy->SetReceiveTask(u"SeqAvgMain", u"$STAND:SeqAvgMain");
    proxy->Update(0, 0);
    proxy->OnStartSequence(0);
    EXPECT_EQ(child->updates, 1);
    EXPECT_EQ(child->startedWith, -1);

    // The stored form names both; read back where one is gone, it forwards
    // nothing and says why.
    std::vector<unsigned char> stored = qtest::WriteContentBytes(true, "PROXY", 1, [&](GxContentWriterBase& w) {
        EXPECT_TRUE(proxy->WriteContent(&w));
    });
    auto read = [&](AvgTaskProxyMain* into) {
        GxContentTextReader r(stored.data(), u32(stored.size()), true);
        u32 version = 0;
        ASSERT_TRUE(r.ReadHeader("TPROXY", &version));
        EXPECT_TRUE(into->ReadContent(&r));
    };
    auto* copy = new AvgTaskProxyMain(top);
    read(copy);
    EXPECT_EQ(copy->GetReceiveTaskName(), u"$STAND:SeqAvgMain");
    copy->Update(0, 0);
    EXPECT_EQ(child->updates, 2);

    // The receiver deleted under the proxy: nothing is walked.
    delete child;
    delete receiver;
    proxy->Update(0, 0);
    EXPECT_EQ(proxy->GetReceiveTask(), nullptr);
    auto* third = new AvgTaskProxyMain(top);
    read(third);
    EXPECT_TRUE(log.Contains("AvgTaskProxyMainにタスクを設定できませんでした(SeqAvgMain/$STAND:SeqAvgMain)\n"))
        << log.Text();
    EXPECT_EQ(third->GetReceiveSequenceName(), u"");

    // A receiver above the proxy would walk the proxy again without end.
    auto* inner = new AvgTaskProxyMain(scene);
    inner->SetReceiveTask(u"SeqAvgMain", u"SeqAvgMain");
    EXPECT_EQ(inner->Update(0, 0), 0);
    inner->EnqueueRender(0, 0);
}

} // namespace
