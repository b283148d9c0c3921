// Start-up of the device layer against scripted adapters: which display
// modes and resource formats it chooses, the device-creation cascade, what it
// writes to "device.log", and its start-up failures.
#include "graphics_fixture.h"

#include "graphics/GxGraphicsTypes.h"
#include "graphics/GxSwapChain.h"
#include "platform/render/present_target.h"
#include "platform/window/window.h"

#include <SDL.h>

using namespace gxtest;
using prender::format;

namespace {

class StartTest : public GraphicsTest {};

TEST_F(StartTest, FullScreenModeByRefreshPreference) {
    struct Row {
        const char* what;
        std::vector<prender::display_mode> modes;
        uint32_t requestedHz;
        uint32_t expectedHz;  // 0 with expectFound false: none
        bool expectFound;
    };
    const Row rows[] = {
        {"the requested rate wins over 60", {Mode(1024, 768, 60), Mode(1024, 768, 75)}, 75, 75, true},
        {"60 when the requested rate is missing", {Mode(1024, 768, 75), Mode(1024, 768, 60)}, 50, 60, true},
        {"then 70, 72, 75, 85 in that order", {Mode(1024, 768, 85), Mode(1024, 768, 72), Mode(1024, 768, 70)}, 50, 70,
         true},
        {"72 before 75 whatever the enumeration order", {Mode(1024, 768, 75), Mode(1024, 768, 72)}, 50, 72, true},
        {"none of them: the first kept", {Mode(1024, 768, 100), Mode(1024, 768, 120)}, 50, 100, true},
        {"other sizes do not count", {Mode(800, 600, 60), Mode(1280, 1024, 60)}, 60, 0, false},
    };
    for (const Row& r : rows) {
        GxGraphics::GetConfig() = GxGraphicsConfig{};
        GxGraphics::GetConfig().m_BackBufferWidth = 1024;
        GxGraphics::GetConfig().m_BackBufferHeight = 768;
        GxGraphics::GetConfig().m_RefreshRate = r.requestedHz;
        ASSERT_TRUE(Start(Script(r.modes))) << r.what;
        const prender::display_mode& m = GxGraphics::GetDisplayModeRecord(2);
        const prender::present_parameters& p = GxGraphics::GetPresentParameters(SCRMODE_FULLSCREEN);
        if (r.expectFound) {
            EXPECT_EQ(m.refresh_hz, r.expectedHz) << r.what;
            EXPECT_EQ(p.back_buffer_height, 768u) << r.what;
            EXPECT_EQ(p.full_screen_refresh_hz, r.expectedHz) << r.what;
            EXPECT_FALSE(p.windowed) << r.what;
        } else {
            EXPECT_EQ(p.back_buffer_height, 0u) << r.what << ": the entry stays empty";
            EXPECT_FALSE(GxGraphics::ChangeDisplayMode(SCRMODE_FULLSCREEN)) << r.what;
        }
        GxGraphics::Finalize();
    }
}

TEST_F(StartTest, CandidateFormatsFollowTheBackBufferBits) {
    const std::vector<prender::display_mode> modes = {Mode(640, 480, 60, format::r5g6b5), Mode(640, 480, 60)};
    for (uint32_t bits : {16u, 32u}) {
        GxGraphics::GetConfig() = GxGraphicsConfig{};
        GxGraphics::GetConfig().m_BackBufferBits = bits;
        ASSERT_TRUE(Start(Script(modes)));
        EXPECT_EQ(GxGraphics::GetDisplayModeRecord(2).fmt, bits == 16 ? format::r5g6b5 : format::x8r8g8b8);
        GxGraphics::Finalize();
    }
}

TEST_F(StartTest, ResourceFormatsFirstCandidateTheAdapterTakes) {
    using prender::format_support;
    using prender::resource_type;
    const uint32_t rt = prender::usage_render_target, ds = prender::usage_depth_stencil;
    struct Row {
        const char* what;
        uint32_t textureBits, depthBits, floatBits;
        std::vector<format_support> formats;
        uint32_t texture, renderTarget, depth, floatTex, float2Tex;
    };
    const std::vector<format_support> everything = {
        {format::a8r8g8b8, 0, resource_type::texture}, {format::a4r4g4b4, 0, resource_type::texture},
        {format::a8r8g8b8, rt, resource_type::texture}, {format::a4r4g4b4, rt, resource_type::texture},
        {format::d24s8, ds, resource_type::surface},   {format::d15s1, ds, resource_type::surface},
        {format::r16f, rt, resource_type::texture},     {format::r32f, rt, resource_type::texture},
        {format::g16r16f, rt, resource_type::texture},  {format::g32r32f, rt, resource_type::texture},
    };
    const Row rows[] = {
        {"32-bit defaults", 32, 24, 32, everything, kGxFmtA8R8G8B8, kGxFmtA8R8G8B8, kGxFmtD24S8, kGxFmtR32F,
         kGxFmtG32R32F},
        {"16-bit preferences", 16, 16, 16, everything, kGxFmtA4R4G4B4, kGxFmtA8R8G8B8, kGxFmtD15S1, kGxFmtR16F,
         kGxFmtG16R16F},
        {"second candidates",
         32,
         24,
         32,
         {{format::a4r4g4b4, 0, resource_type::texture},
          {format::a4r4g4b4, rt, resource_type::texture},
          {format::d24x4s4, ds, resource_type::surface},
          {format::r16f, rt, resource_type::texture}},
         kGxFmtA4R4G4B4,
         kGxFmtA4R4G4B4,
         kGxFmtD24X4S4,
         kGxFmtR16F,
         0},
        {"nothing taken: the untested fallbacks", 16, 24, 32, {}, kGxFmtA4R4G4B4, kGxFmtA8R8G8B8, kGxFmtD24S8, 0, 0},
    };
    for (const Row& r : rows) {
        GxGraphics::GetConfig() = GxGraphicsConfig{};
        GxGraphics::GetConfig().m_TextureBits = r.textureBits;
        GxGraphics::GetConfig().m_DepthStencilBits = r.depthBits;
        GxGraphics::GetConfig().m_FloatTextureBits = r.floatBits;
        GxGraphics::GetConfig().m_Float2TextureBits = r.floatBits;
        prender::adapter_script s = Script({Mode(640, 480, 60)});
        s.formats = r.formats;
        // The device itself still needs a back buffer and can hold any colour format.
        ASSERT_TRUE(Start(s)) << r.what;
        EXPECT_EQ(GxGraphics::GetTextureFormat(), r.texture) << r.what;
        EXPECT_EQ(GxGraphics::GetRenderTargetFormat(), r.renderTarget) << r.what;
        EXPECT_EQ(GxGraphics::GetDepthStencilFormat(), r.depth) << r.what;
        EXPECT_EQ(GxGraphics::GetFloatTextureFormat(), r.floatTex) << r.what;
        EXPECT_EQ(GxGraphics::GetFloat2TextureFormat(), r.float2Tex) << r.what;
        GxGraphics::Finalize();
    }
}

TEST_F(StartTest, PresentParametersOfTheFourEntries) {
    GxGraphicsConfig& c = GxGraphics::GetConfig();
    c.m_BackBufferWidth = 1024;
    c.m_BackBufferHeight = 768;
    c.m_VSyncInterval = 0;
    c.m_LockableBackBuffer = false;
    c.m_SwapEffect = 2;
    ASSERT_TRUE(Start(Script({Mode(1024, 768, 60), Mode(1920, 1080, 50)})));
    struct Row {
        uint32_t index, w, h, hz;
        bool windowed;
    };
    const Row rows[] = {{0, 1024, 768, 0, true}, {1, 1920, 1080, 0, true}, {2, 1024, 768, 60, false},
                        {3, 1920, 1080, 50, false}};
    for (const Row& r : rows) {
        const prender::present_parameters& p = GxGraphics::GetPresentParameters(r.index);
        EXPECT_EQ(p.back_buffer_width, r.w) << r.index;
        EXPECT_EQ(p.back_buffer_height, r.h) << r.index;
        EXPECT_EQ(p.full_screen_refresh_hz, r.hz) << r.index;
        EXPECT_EQ(p.windowed, r.windowed) << r.index;
        EXPECT_EQ(p.back_buffer_format, format::x8r8g8b8) << r.index;
        EXPECT_EQ(p.interval, prender::present_interval::immediate) << r.index;
        EXPECT_EQ(p.effect, prender::swap_effect::flip) << r.index;
        EXPECT_EQ(p.flags, 0u) << r.index;
        EXPECT_FALSE(p.enable_auto_depth_stencil) << r.index;
        EXPECT_EQ(p.auto_depth_stencil_format, format::d24s8) << r.index;
    }
    EXPECT_EQ(GxGraphics::GetPresentParameters(4).back_buffer_height, 0u) << "named modes stay empty";
    EXPECT_EQ(GxGraphics::GetBackBufferWidth(), 1024u);
    EXPECT_EQ(Dev().get_swap_chain(0)->back_buffer(0)->desc().width, 1024u);
}

TEST_F(StartTest, MultisampleNeedsBothTablesElseTheSettingFallsBackToNone) {
    struct Row {
        uint32_t windowedLevels, fullLevels, expectedType, expectedQuality, settingAfter;
    };
    const Row rows[] = {{3, 2, 2, 2, 2}, {0, 2, 0, 0, 0}, {3, 0, 0, 0, 0}};
    for (const Row& r : rows) {
        GxGraphics::GetConfig() = GxGraphicsConfig{};
        GxGraphics::GetConfig().m_MultiSampleMode = 2;
        prender::adapter_script s = Script({Mode(640, 480, 60)});
        s.multisample = {{2, r.windowedLevels, r.fullLevels}};
        ASSERT_TRUE(Start(s));
        const prender::present_parameters& p = GxGraphics::GetPresentParameters(0);
        EXPECT_EQ(p.multisample_type, r.expectedType);
        EXPECT_EQ(p.multisample_quality, r.expectedQuality);
        EXPECT_EQ(GxGraphics::GetConfig().m_MultiSampleMode, r.settingAfter);
        EXPECT_EQ(GxGraphics::GetMultiSampleQualityLevels(2, true), r.windowedLevels);
        EXPECT_EQ(GxGraphics::GetMultiSampleQualityLevels(0, false), 1u) << "type 0 always has one level";
        GxGraphics::Finalize();
    }
}

TEST_F(StartTest, NoWindowedRenderingForcesFullScreen) {
    prender::adapter_script s = Script({Mode(640, 480, 60)});
    s.windowed_ok = false;
    ASSERT_TRUE(Start(s));
    EXPECT_TRUE(GxGraphics::IsForceFullScreen());
    EXPECT_EQ(GxGraphics::GetConfig().m_DisplayMode, u32(SCRMODE_FULLSCREEN));
    EXPECT_FALSE(Dev().get_swap_chain(0)->params().windowed);
}

TEST_F(StartTest, UnreadableCapabilitiesStartWithDefaults) {
    prender::adapter_script s = Script({Mode(640, 480, 60)});
    s.caps_ok = false;
    s.windowed_ok = false;
    DeviceLog log;
    ASSERT_TRUE(Start(s));
    EXPECT_EQ(GxGraphics::GetCaps().max_texture_width, 2048u);
    EXPECT_TRUE(GxGraphics::GetCaps().pow2);
    EXPECT_EQ(GxGraphics::GetCaps().max_active_lights, 8u);
    EXPECT_EQ(GxGraphics::GetRenderTargetSlotCount(), 1u);
    EXPECT_TRUE(GxGraphics::IsWindowedModePossible());
    EXPECT_FALSE(GxGraphics::IsForceFullScreen()) << "the defaults allow the windowed start";
    EXPECT_TRUE(log.Has("ビデオデバイス情報が取得できませんでした\n"));
}

TEST_F(StartTest, CreationCascade) {
    using prender::device_type;
    const uint32_t mixed = prender::create_mixed_vertex_processing;
    struct Row {
        std::vector<std::pair<device_type, uint32_t>> failing;
        const char* line;
        bool softwareVP, reference;
    };
    const Row rows[] = {
        {{}, "\t・Direct3Dを D3DDEVTYPE_HAL - D3DCREATE_MIXED_VERTEXPROCESSING で初期化しました\n", false, false},
        {{{device_type::hal, mixed}},
         "\t・Direct3Dを D3DDEVTYPE_HAL - D3DCREATE_SOFTWARE_VERTEXPROCESSING で初期化しました\n", true, false},
        {{{device_type::hal, 0}},
         "\t・Direct3Dを D3DDEVTYPE_REF - D3DCREATE_MIXED_VERTEXPROCESSING で初期化しました\n"
         "\t注意：このモードでは正常に表示されません\n",
         true, true},
        {{{device_type::hal, 0}, {device_type::reference, mixed}},
         "\t・Direct3Dを D3DDEVTYPE_REF - D3DCREATE_SOFTWARE_VERTEXPROCESSING で初期化しました\n"
         "\t注意：このモードでは正常に表示されません\n",
         true, true},
    };
    for (const Row& r : rows) {
        prender::adapter_script s = Script({Mode(640, 480, 60)});
        s.failing_creations = r.failing;
        DeviceLog log;
        ASSERT_TRUE(Start(s)) << r.line;
        EXPECT_TRUE(log.Has(r.line)) << log.Text();
        EXPECT_EQ(GxGraphics::IsSoftwareVertexProcessing(), r.softwareVP) << r.line;
        EXPECT_EQ(GxGraphics::IsReferenceRasterizer(), r.reference) << r.line;
        EXPECT_EQ(Dev().software_vertex_processing(), r.softwareVP || r.reference ||
                                                           !Dev().caps().hw_transform_and_light)
            << r.line;
        GxGraphics::Finalize();
    }
}

TEST_F(StartTest, StartFailuresReportAndLeaveNoDevice) {
    qtest::LogCapture errors;
    prender::adapter_script all = Script({Mode(640, 480, 60)});
    all.failing_creations = {{prender::device_type::hal, 0}, {prender::device_type::reference, 0}};
    all.creation_failure = prender::result::out_of_video_memory;
    EXPECT_FALSE(Start(all));
    EXPECT_EQ(GxGraphics::GetDevice(), nullptr);
    EXPECT_TRUE(errors.Contains(
        "D3D9 CreateDevice Failed(Code:0x8876017c Direct3D が処理を行うのに十分なディスプレイメモリがありません。)\n"))
        << errors.Text();

    errors.Clear();
    prender::adapter_script noId = Script({Mode(640, 480, 60)});
    noId.identifier_ok = false;
    EXPECT_FALSE(Start(noId));
    EXPECT_EQ(GxGraphics::GetDevice(), nullptr);
    EXPECT_TRUE(errors.Contains("GetAdapterIdentifierに失敗。ビデオカード情報が取得できません\n"));
    EXPECT_TRUE(errors.Contains("D3D9 GetAdapterInfo Failed\n"));

    errors.Clear();
    pwin::window never_created;
    EXPECT_FALSE(GxGraphics::Initialize(&never_created, nullptr, nullptr, nullptr));
    EXPECT_TRUE(errors.Contains("Direct3DCreate9 Failed m_hWnd is NULL\n"));
    EXPECT_EQ(GxGraphics::GetDevice(), nullptr);
}

TEST_F(StartTest, DeviceLogFindings) {
    prender::adapter_script s = Script({Mode(640, 480, 60), Mode(640, 480, 75), Mode(1920, 1080, 60)});
    s.identifier.description = "Test Card";
    s.identifier.driver = "testdrv";
    s.identifier.driver_version[0] = 8;
    s.identifier.driver_version[1] = 15;
    s.identifier.driver_version[2] = 10;
    s.identifier.driver_version[3] = 2712;
    s.video_memory_mb = 256;
    s.multisample = {{4, 2, 1}};
    DeviceLog log;
    ASSERT_TRUE(Start(s));
    const std::string text = log.Text();
    const char* expected[] = {
        "Direct3D9の初期化を開始します\n",
        "\t・ビデオカード数:1\n",
        "\t・ビデオカード名:Test Card\n",
        "\t・ドライバ名:testdrv (8.15.10.2712)\n",
        "フルスクリーンモードで利用可能な画面モード一覧\n\t・640 x 480 60Hz (D3DFMT_X8R8G8B8)\n\t・640 x 480 75Hz "
        "(D3DFMT_X8R8G8B8)\n\tフルスクリーンモードで利用する画面モードが見つかりました\n\t・640 x 480 60Hz "
        "(D3DFMT_X8R8G8B8)\n",
        "フルスクリーン固定モードモードで利用可能な画面モード一覧\n\t・1920 x 1080 60Hz (D3DFMT_X8R8G8B8)\n",
        "使用するリソースのフォーマットを検索します\n\t・TextureFormat:D3DFMT_A8R8G8B8\n"
        "\t・RenderTargetFormat:D3DFMT_A8R8G8B8\n\t・DepthStencilFormat:D3DFMT_D24S8\n"
        "\t・FloatTextureFormat:D3DFMT_UNKNOWN\n\t・Float2TextureFormat:D3DFMT_UNKNOWN\n",
        "ビデオデバイスの能力情報\n\t・Caps:0x00000000\n",
        "\t・MaxTextureWidth:8192\n",
        "\t・MaxRenderTarget:1\n",
        "\t・TEXOP_MODULATE2X:1\n",
        "\t・TEXOP_LERP:0\n",
        "有効なアンチエイリアス処理(深度バッファあり)\n\t・SAMPLES\tFUL\tWIN\n\t・NONE   \t1\t1\n\t・NONMASK\t0\t0\n"
        "\t・02 x 02\t0\t0\n\t・03 x 03\t0\t0\n\t・04 x 04\t1\t2\n",
        "要求された画面モード\n\t・画面モード:SCRMODE_WINDOW\n\t・VSYNCインターバル回数:1\n"
        "\t・ロック可能なバックバッファ:1\n\t・BackBufferWidth:640\n\t・BackBufferHeight:480\n",
        "起動前画面モード\n\t・BackBufferWidth:1920\n\t・BackBufferHeight:1080\n\t・RefreshRate:60\n"
        "\t・BackBufferFormat:D3DFMT_X8R8G8B8\n起動画面モード\n\t・画面モード:SCRMODE_WINDOW\n",
        "\t・ウインドウモードで起動が可能です\n",
        "\t・VRAM:256MByte\n",
    };
    for (const char* e : expected) EXPECT_NE(text.find(e), std::string::npos) << "missing:\n" << e << "\nin:\n" << text;
    EXPECT_EQ(GxGraphics::GetDriverVersion(), u"8.15.10.2712");
    u32 mb = 0;
    EXPECT_TRUE(GxGraphics::GetVideoMemory(&mb));
    EXPECT_EQ(mb, 256u);
    GxGraphics::Finalize();
    DeviceLog unknown;
    ASSERT_TRUE(Start());
    EXPECT_TRUE(unknown.Has("\t・VRAM:取得失敗\n")) << "an adapter that does not tell its memory";
}

TEST_F(StartTest, StartsInTheInitialState) {
    ASSERT_TRUE(Start());
    prender::device& d = Dev();
    using prender::render_state;
    using prender::stage_state;
    EXPECT_EQ(d.get_render_state(render_state::separate_alpha_blend_enable), 1u);
    EXPECT_EQ(d.get_render_state(render_state::blend_op_alpha), u32(prender::blend_op::max));
    EXPECT_EQ(d.get_render_state(render_state::specular_enable), 1u);
    EXPECT_EQ(d.get_render_state(render_state::lighting), 0u);
    EXPECT_EQ(d.get_render_state(render_state::cull_mode), u32(prender::cull::none));
    EXPECT_EQ(d.get_render_state(render_state::z_enable), 0u);
    for (u32 s = 0; s < prender::max_texture_stages; ++s) {
        EXPECT_EQ(GxGetBlendMode(s), 2u) << s;
        EXPECT_EQ(d.get_texture_stage_state(s, stage_state::alpha_arg2), u32(prender::texture_arg::diffuse)) << s;
        EXPECT_EQ(d.get_texture_stage_state(s, stage_state::alpha_op), u32(prender::texture_op::modulate)) << s;
    }
    EXPECT_EQ(d.get_viewport().width, 640u);
    EXPECT_EQ(GxGetViewport().height, 480u);
    EXPECT_EQ(d.get_render_target(0), d.get_swap_chain(0)->back_buffer(0));
    ASSERT_NE(d.get_depth_stencil_surface(), nullptr) << "the default chain's own depth-stencil surface";
    EXPECT_EQ(d.get_depth_stencil_surface()->desc().width, 640u);
}

// A hidden main window of the given size, and the start-up block and adapter
// for it; false when there is no video driver. Frames go through SDL's
// software renderer: the GL drivers of a headless machine keep allocations
// of their own past SDL_Quit.
bool OpenWindow(pwin::window& w, u32 width, u32 height) {
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    pwin::window_config cfg;
    cfg.title = "quillon graphics test";
    cfg.width = int(width);
    cfg.height = int(height);
    cfg.hidden = true;
    if (!w.create(cfg)) return false;
    GxGraphics::GetConfig().m_BackBufferWidth = width;
    GxGraphics::GetConfig().m_BackBufferHeight = height;
    GxGraphics::SetAdapter(std::make_unique<prender::adapter>(Script({Mode(width, height, 60)})));
    return true;
}

TEST_F(StartTest, PresentsIntoARealWindowAndLogsTheWayOnce) {
    pwin::window w;
    if (!OpenWindow(w, 160, 120)) GTEST_SKIP() << "no video driver: " << pwin::window::error();
    DeviceLog log;
    ASSERT_TRUE(GxGraphics::Initialize(&w, nullptr, nullptr, nullptr));
    ASSERT_NE(GxGraphics::GetMainPresentTarget(), nullptr);
    EXPECT_EQ(GxGraphics::GetPresentParameters(0).window, GxGraphics::GetMainPresentTarget());
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(GxGraphics::Clear(kGxClearTarget, 0xFF000000u + u32(i), 1.0f, 0));
        EXPECT_TRUE(GxGraphics::Present());
    }
    EXPECT_EQ(static_cast<prender::sdl_present_target*>(GxGraphics::GetMainPresentTarget())->frames_shown(), 3u);
    const std::string text = log.Text(), line = "\t・Present:SDL renderer software (requested)\n";
    EXPECT_NE(text.find(line), std::string::npos) << text;
    EXPECT_EQ(text.find("・Present:"), text.rfind("・Present:")) << "once";
    GxGraphics::Finalize();
}

} // namespace
