// The scene counter, presenting, device loss and reset (in order, through
// the resource registry), display-mode changes, render-target stacks and
// swap chains.
#include "graphics_fixture.h"

#include "graphics/GxGraphicsTypes.h"
#include "graphics/GxSurface.h"
#include "graphics/GxSwapChain.h"
#include "platform/system/clock.h"

using namespace gxtest;

namespace {

std::vector<std::string> g_Events;

class RecordingListener : public GxGraphicsListenerBase {
public:
    void OnDeviceLost(u32 n, u32 p) override { g_Events.push_back("listener lost " + Modes(n, p)); }
    void OnDeviceReset(u32 n, u32 p) override { g_Events.push_back("listener reset " + Modes(n, p)); }
    static std::string Modes(u32 n, u32 p) { return std::to_string(n) + "<-" + std::to_string(p); }
};

void LostCallback(u32 n, u32 p) { g_Events.push_back("callback lost " + RecordingListener::Modes(n, p)); }
void ResetCallback(u32 n, u32 p) { g_Events.push_back("callback reset " + RecordingListener::Modes(n, p)); }

// A default-pool resource that records when the registry tells it.
class RecordingResource : public GxSurface {
public:
    explicit RecordingResource(const char* tag) : tag_(tag) {}
    void OnLost() override {
        g_Events.push_back(std::string("resource lost ") + tag_);
        GxSurface::OnLost();
    }
    void OnReset() override {
        g_Events.push_back(std::string("resource reset ") + tag_);
        GxSurface::OnReset();
    }

private:
    const char* tag_;
};

class PresentTest : public GraphicsTest {
protected:
    void SetUp() override {
        GraphicsTest::SetUp();
        g_Events.clear();
        psys::set_current_clock(&clock_);
        ASSERT_TRUE(Start());
    }
    void TearDown() override {
        psys::set_current_clock(nullptr);
        GraphicsTest::TearDown();
    }
    uint64_t Presents() { return Dev().get_swap_chain(0)->presents(); }
    psys::manual_clock clock_;
};

TEST_F(PresentTest, SceneCounterNeverNestsNorGoesBelowZeroAndAPushedTargetIsLoggedAtPresent) {
    qtest::LogCapture errors;
    EXPECT_TRUE(GxGraphics::BeginScene());
    EXPECT_TRUE(GxGraphics::BeginScene()) << "a second Begin changes nothing";
    EXPECT_EQ(GxGraphics::GetSceneCount(), 1);
    EXPECT_FALSE(GxGraphics::Present()) << "refused inside a scene";
    EXPECT_TRUE(errors.Contains("BeginScene～EndSceneが完了していないのにPresentが呼ばれました\n"));
    EXPECT_TRUE(GxGraphics::EndScene()) << "one End closes the scene two Begins opened";
    EXPECT_EQ(GxGraphics::GetSceneCount(), 0);
    EXPECT_FALSE(Dev().in_scene());
    EXPECT_TRUE(GxGraphics::Present());

    EXPECT_FALSE(GxGraphics::EndScene()) << "an End with no scene open is refused";
    EXPECT_EQ(GxGraphics::GetSceneCount(), 0) << "and the counter stays at 0";
    uint64_t before = Presents();
    EXPECT_TRUE(GxGraphics::Present()) << "so presenting goes on";
    EXPECT_EQ(Presents(), before + 1);

    // A target still pushed at a present is logged and the frame presented.
    GxSurface rt;
    ASSERT_TRUE(rt.CreateRenderTarget(u"RT", 64, 64, 0, 0, 0));
    ASSERT_TRUE(GxGraphics::PushRenderTarget(0, &rt, nullptr, nullptr));
    before = Presents();
    EXPECT_TRUE(GxGraphics::Present());
    EXPECT_TRUE(errors.Contains("RenderTarget Stack is't empty\n"));
    EXPECT_EQ(Presents(), before + 1);
    EXPECT_TRUE(GxGraphics::PopRenderTarget(0));
}

TEST_F(PresentTest, NothingWithoutADevice) {
    GxGraphics::Finalize();
    EXPECT_FALSE(GxGraphics::BeginScene());
    EXPECT_FALSE(GxGraphics::EndScene());
    EXPECT_FALSE(GxGraphics::Clear(kGxClearTarget, 0, 1.0f, 0));
    EXPECT_FALSE(GxGraphics::Present());
    EXPECT_FALSE(GxGraphics::ResetDevice(true, 0, 0, nullptr));
    EXPECT_FALSE(GxGraphics::PushRenderTarget(0, nullptr, nullptr, nullptr));
    GxSwapChain chain;
    EXPECT_FALSE(chain.CreateDefault(nullptr));
    EXPECT_EQ(chain.GetD3DSwapChain(), nullptr);
    EXPECT_EQ(chain.GetObjectType(), u32(OBJTYPE_NONE));
    EXPECT_EQ(chain.GetRefCount(), 0u);
    prender::present_parameters pp;
    pp.back_buffer_width = 64;
    pp.back_buffer_height = 64;
    EXPECT_FALSE(chain.CreateAdditional(u"x", &pp, nullptr));
    EXPECT_FALSE(GxD3DResourceManage::GetInstance().IsRegistered(&chain));
}

TEST_F(PresentTest, ClearWholeTargetOrRectangle) {
    EXPECT_TRUE(GxGraphics::Clear(kGxClearTarget, 0xFFFF0000u, 1.0f, 0));
    GxRect r{10, 20, 30, 40};
    EXPECT_TRUE(GxGraphics::Clear(kGxClearTarget | kGxClearZBuffer | kGxClearStencil, 0xFF0000FFu, 1.0f, 0, &r));
    std::vector<uint32_t> px = BackBuffer();
    EXPECT_EQ(px[0] & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(px[25 * 640 + 15] & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(px[40 * 640 + 15] & 0xFFFFFF, 0xFF0000u) << "the rectangle's bottom is exclusive";
}

TEST_F(PresentTest, LostDeviceResetInOrderOnTheNextPresent) {
    RecordingListener listener;
    ASSERT_TRUE(Start(Script({Mode(640, 480, 60)}), &listener, LostCallback, ResetCallback));
    RecordingResource a("a"), b("b");
    ASSERT_TRUE(a.CreateRenderTarget(u"a", 32, 32, 0, 0, 0));
    ASSERT_TRUE(b.CreateSurface(u"b", 16, 16, 0));
    GxRect vp{4, 4, 20, 20};
    ASSERT_TRUE(GxGraphics::PushRenderTarget(0, &a, nullptr, &vp));
    GxSetRenderState(prender::render_state::dither_enable, 1);
    GxSetTextureStageState(3, prender::stage_state::color_arg2, u32(prender::texture_arg::tfactor));

    Dev().make_lost(true);
    g_Events.clear();
    EXPECT_TRUE(GxGraphics::Present());
    // Resources in address order, then listener, then callback; the same for reset.
    std::vector<std::string> lost, reset;
    for (const std::string& e : g_Events) (e.find("lost") != std::string::npos ? lost : reset).push_back(e);
    ASSERT_EQ(g_Events.size(), 8u);
    EXPECT_EQ(g_Events[0].rfind("resource lost", 0), 0u);
    EXPECT_EQ(g_Events[1].rfind("resource lost", 0), 0u);
    EXPECT_EQ(g_Events[2], "listener lost 0<-0");
    EXPECT_EQ(g_Events[3], "callback lost 0<-0");
    EXPECT_EQ(g_Events[4].rfind("resource reset", 0), 0u);
    EXPECT_EQ(g_Events[6], "listener reset 0<-0");
    EXPECT_EQ(g_Events[7], "callback reset 0<-0");
    EXPECT_EQ(Dev().test_cooperative_level(), prender::result::ok);

    // The pushed target is bound again with its viewport; cached states are back.
    EXPECT_EQ(Dev().get_render_target(0), a.GetD3DSurface());
    EXPECT_NE(a.GetD3DSurface(), nullptr) << "the render target was made again";
    EXPECT_EQ(Dev().get_viewport().x, 4u);
    EXPECT_EQ(Dev().get_viewport().width, 16u);
    EXPECT_EQ(Dev().get_render_state(prender::render_state::dither_enable), 1u);
    EXPECT_EQ(Dev().get_render_state(prender::render_state::blend_op_alpha), u32(prender::blend_op::max));
    EXPECT_EQ(Dev().get_texture_stage_state(3, prender::stage_state::color_arg2), u32(prender::texture_arg::tfactor));
    EXPECT_TRUE(GxGraphics::PopRenderTarget(0));
    EXPECT_EQ(Dev().get_render_target(0), Dev().get_swap_chain(0)->back_buffer(0));
}

TEST_F(PresentTest, ALostDeviceWaitsUntilItMayBeResetThenResets) {
    for (const bool byPresent : {false, true}) {
        SCOPED_TRACE(byPresent ? "lost by a present" : "lost while drawing");
        const u64 slept = clock_.slept_ms();
        byPresent ? Dev().inject_present_result(prender::result::device_lost) : Dev().make_lost(false);
        EXPECT_TRUE(GxGraphics::Present());
        EXPECT_EQ(Dev().test_cooperative_level(), prender::result::device_lost);
        EXPECT_EQ(clock_.slept_ms() - slept, 10u) << "gives the system time while the device cannot be reset";
        Dev().allow_reset();
        EXPECT_TRUE(GxGraphics::Present());
        EXPECT_EQ(Dev().test_cooperative_level(), prender::result::ok);
        const uint64_t before = Presents();
        EXPECT_TRUE(GxGraphics::Present());
        EXPECT_EQ(Presents(), before + 1);
    }
}

int g_QuitCode = -1;
void Quit(int code) { g_QuitCode = code; }

TEST_F(PresentTest, DriverInternalErrorQuitsThroughTheNormalShutdown) {
    g_QuitCode = -1;
    GxGraphics::SetQuitHandler(Quit);
    qtest::LogCapture errors;
    Dev().inject_present_result(prender::result::driver_internal_error);
    EXPECT_FALSE(GxGraphics::Present());
    EXPECT_TRUE(errors.Contains("PresentでD3DERR_DRIVERINTERNALERRORが発生しました\n"));
    EXPECT_TRUE(GxGraphics::IsFatalError());
    EXPECT_EQ(g_QuitCode, kGxDeviceFatalExitCode);
    EXPECT_NE(GxGraphics::GetExitCode(), 0);
    uint64_t before = Presents();
    EXPECT_FALSE(GxGraphics::Present()) << "nothing more is presented";
    EXPECT_EQ(Presents(), before);
    GxGraphics::Finalize();
    ASSERT_TRUE(Start());
    EXPECT_FALSE(GxGraphics::IsFatalError()) << "a new start clears it";
}

TEST_F(PresentTest, ResetNotForcedOnAHealthyDeviceDoesNothing) {
    RecordingListener listener;
    ASSERT_TRUE(Start(Script({Mode(640, 480, 60)}), &listener, nullptr, nullptr));
    EXPECT_TRUE(GxGraphics::ResetDevice(false, 0, 0, nullptr));
    EXPECT_TRUE(g_Events.empty());
    EXPECT_TRUE(GxGraphics::ResetDevice(true, 1, 0, nullptr));
    EXPECT_EQ(g_Events, (std::vector<std::string>{"listener lost 1<-0", "listener reset 1<-0"}));
}

TEST_F(PresentTest, ResetRefusedWhileAResourceKeepsDeviceMemory) {
    // Device memory held outside every resource's OnLost keeps the device lost.
    std::shared_ptr<prender::surface> stray;
    ASSERT_EQ(Dev().create_render_target(8, 8, prender::format::a8r8g8b8, 0, 0, true, stray), prender::result::ok);
    qtest::LogCapture errors;
    EXPECT_FALSE(GxGraphics::ResetDevice(true, 0, 0, nullptr));
    EXPECT_TRUE(errors.Contains("Resetでデバイスの復帰に失敗しました\n"));
    stray.reset();
    EXPECT_TRUE(GxGraphics::Present()) << "the next present resets it";
    EXPECT_EQ(Dev().test_cooperative_level(), prender::result::ok);
}

TEST_F(PresentTest, DisplayModeChangeResizesTheDefaultChainsDepthStencil) {
    RecordingListener listener;
    ASSERT_TRUE(Start(Script({Mode(640, 480, 60), Mode(1920, 1080, 60)}), &listener, nullptr, nullptr));
    ASSERT_TRUE(GxGraphics::ChangeDisplayMode(SCRMODE_FULLSCREENFIXED));
    EXPECT_EQ(g_Events.front(), "listener lost 3<-0");
    EXPECT_EQ(GxGraphics::GetConfig().m_DisplayMode, u32(SCRMODE_FULLSCREENFIXED));
    EXPECT_EQ(GxGraphics::GetBackBufferWidth(), 1920u);
    auto bb = Dev().get_swap_chain(0)->back_buffer(0);
    EXPECT_EQ(bb->desc().width, 1920u);
    EXPECT_FALSE(Dev().get_swap_chain(0)->params().windowed);
    GxSwapChain* chain = GxGraphics::GetDefaultSwapChain();
    EXPECT_EQ(chain->GetWidth(), 1920u);
    ASSERT_NE(chain->GetDepthStencilSurface(), nullptr);
    EXPECT_EQ(chain->GetDepthStencilSurface()->desc().width, 1920u) << "the depth-stencil follows the new size";
    EXPECT_EQ(chain->GetViewport().right, 1920);
    // Clearing depth and drawing need a depth-stencil as large as the target.
    EXPECT_TRUE(GxGraphics::Clear(kGxClearTarget | kGxClearZBuffer, 0xFF102030u, 1.0f, 0));
    EXPECT_EQ(Dev().get_viewport().width, 1920u);

    ASSERT_TRUE(GxGraphics::ChangeDisplayMode(SCRMODE_WINDOW));
    EXPECT_EQ(chain->GetDepthStencilSurface()->desc().width, 640u);
    EXPECT_EQ(GxGraphics::GetBackBufferWidth(), 640u);
    EXPECT_FALSE(GxGraphics::ChangeDisplayMode(SCRMODE_FULL640X480)) << "a named mode has no entry";
    EXPECT_FALSE(GxGraphics::ChangeDisplayMode(99));
}

TEST_F(PresentTest, RenderTargetStacksAndViewports) {
    GxSurface rt1, rt2, depth;
    ASSERT_TRUE(rt1.CreateRenderTarget(u"rt1", 128, 64, 0, 0, 0));
    ASSERT_TRUE(rt2.CreateRenderTarget(u"rt2", 32, 32, 0, 0, 0));
    ASSERT_TRUE(depth.CreateDepthStencil(u"depth", 128, 64, 0, 0, 0));

    ASSERT_TRUE(GxGraphics::PushRenderTarget(0, &rt1, &depth, nullptr));
    EXPECT_EQ(Dev().get_render_target(0), rt1.GetD3DSurface());
    EXPECT_EQ(Dev().get_depth_stencil_surface(), depth.GetD3DSurface());
    EXPECT_EQ(Dev().get_viewport().width, 128u) << "no rectangle: the whole target";
    GxRect vp{8, 8, 24, 16};
    ASSERT_TRUE(GxGraphics::PushRenderTarget(0, &rt2, nullptr, &vp));
    EXPECT_EQ(GxGraphics::GetRenderTargetDepth(0), 2u);
    EXPECT_EQ(Dev().get_viewport().x, 8u);
    EXPECT_EQ(Dev().get_viewport().height, 8u);
    EXPECT_EQ(Dev().get_depth_stencil_surface(), GxGraphics::GetDefaultSwapChain()->GetDepthStencilSurface())
        << "no depth-stencil: the chain's";
    ASSERT_TRUE(GxGraphics::PopRenderTarget(0));
    EXPECT_EQ(Dev().get_render_target(0), rt1.GetD3DSurface());
    EXPECT_EQ(Dev().get_depth_stencil_surface(), depth.GetD3DSurface());
    ASSERT_TRUE(GxGraphics::PopRenderTarget(0));
    EXPECT_EQ(Dev().get_render_target(0), Dev().get_swap_chain(0)->back_buffer(0));
    EXPECT_TRUE(GxGraphics::PopRenderTarget(0)) << "popping an empty stack re-applies the back buffer";

    qtest::LogCapture errors;
    GxSurface plain;
    ASSERT_TRUE(plain.CreateSurface(u"plain", 16, 16, 0));
    EXPECT_FALSE(GxGraphics::PushRenderTarget(0, &plain, nullptr, nullptr)) << "a plain surface cannot be a target";
    EXPECT_TRUE(errors.Contains("SetRenderTarget/Can't set RenderTarget 0\n"));
    EXPECT_FALSE(GxGraphics::PushRenderTarget(5, &rt1, nullptr, nullptr)) << "no such slot";
    EXPECT_EQ(GxGraphics::GetRenderTargetDepth(5), 0u);
}

TEST_F(PresentTest, AdditionalSwapChainWithMargins) {
    GxSwapChain chain;
    GxRect margins{8, 8, 8, 8};
    ASSERT_TRUE(chain.CreateForWindow(u"Sub", nullptr, 640, 480, &margins));
    EXPECT_EQ(chain.GetName(), u"sub");
    EXPECT_FALSE(chain.IsDefault());
    const GxRect v = chain.GetViewport();
    EXPECT_EQ(std::vector<s32>({v.left, v.top, v.right, v.bottom}), std::vector<s32>({8, 8, 632, 472}));
    EXPECT_EQ(chain.GetMemorySize(), (4u + 4u) * 640 * 480);

    ASSERT_TRUE(GxGraphics::SetSwapChain(&chain, nullptr));
    EXPECT_EQ(Dev().get_render_target(0), chain.GetD3DSwapChain()->back_buffer(0));
    EXPECT_EQ(Dev().get_viewport().x, 8u);
    EXPECT_EQ(Dev().get_viewport().width, 624u);
    EXPECT_TRUE(GxGraphics::Clear(kGxClearTarget, 0xFF00FF00u, 1.0f, 0));
    EXPECT_TRUE(GxGraphics::Present());
    EXPECT_EQ(chain.GetD3DSwapChain()->presents(), 1u);

    // Lost and reset: a new chain of the same size, and its own depth-stencil again.
    auto old = chain.GetD3DSwapChain();
    old.reset();
    ASSERT_TRUE(GxGraphics::ResetDevice(true, 0, 0, nullptr));
    ASSERT_NE(chain.GetD3DSwapChain(), nullptr);
    EXPECT_EQ(chain.GetD3DSwapChain()->back_buffer(0)->desc().width, 640u);
    EXPECT_NE(chain.GetDepthStencilSurface(), nullptr);
    EXPECT_EQ(Dev().get_render_target(0), chain.GetD3DSwapChain()->back_buffer(0)) << "slot 0 back on the chain";

    ASSERT_TRUE(GxGraphics::SetSwapChain(nullptr, nullptr));
    EXPECT_EQ(GxGraphics::GetSwapChain(), GxGraphics::GetDefaultSwapChain());
    chain.Release();
    EXPECT_EQ(chain.GetD3DSwapChain(), nullptr);
    EXPECT_EQ(chain.GetName(), u"");
}

TEST_F(PresentTest, DestroyedTargetsAndChainsAreForgottenAndTheDefaultChainWrapsTheNewOne) {
    auto rt = std::make_unique<GxSurface>();
    auto depth = std::make_unique<GxSurface>();
    ASSERT_TRUE(rt->CreateRenderTarget(u"gone", 32, 32, 0, 0, 0));
    ASSERT_TRUE(depth->CreateDepthStencil(u"gone-depth", 640, 480, 0, 0, 0));
    ASSERT_TRUE(GxGraphics::PushRenderTarget(0, rt.get(), depth.get(), nullptr));
    rt.reset();
    depth.reset();
    // The device reset re-applies the stacks: the record now binds the back buffer.
    ASSERT_TRUE(GxGraphics::ResetDevice(true, 0, 0, nullptr));
    EXPECT_EQ(Dev().get_render_target(0), Dev().get_swap_chain(0)->back_buffer(0));
    EXPECT_EQ(Dev().get_depth_stencil_surface(), GxGraphics::GetDefaultSwapChain()->GetDepthStencilSurface());
    EXPECT_EQ(GxGraphics::GetRenderTargetDepth(0), 1u) << "the record keeps its place";
    EXPECT_TRUE(GxGraphics::PopRenderTarget(0));

    auto chain = std::make_unique<GxSwapChain>();
    ASSERT_TRUE(chain->CreateForWindow(u"sub", nullptr, 64, 64, nullptr));
    ASSERT_TRUE(GxGraphics::SetSwapChain(chain.get(), nullptr));
    chain.reset();
    EXPECT_EQ(GxGraphics::GetSwapChain(), GxGraphics::GetDefaultSwapChain());
    uint64_t before = Presents();
    EXPECT_TRUE(GxGraphics::Present());
    EXPECT_EQ(Presents(), before + 1);

    // After a reset the default chain wraps the new implicit chain.
    GxSwapChain* defaultChain = GxGraphics::GetDefaultSwapChain();
    auto ds = defaultChain->GetDepthStencilSurface();
    ASSERT_NE(ds, nullptr);
    ds.reset();
    ASSERT_TRUE(GxGraphics::ResetDevice(true, 0, 0, nullptr));
    EXPECT_EQ(defaultChain->GetD3DSwapChain(), Dev().get_swap_chain(0));
    EXPECT_NE(defaultChain->GetDepthStencilSurface(), nullptr);
    EXPECT_EQ(defaultChain->GetRefCount(), 1u);
}

} // namespace
