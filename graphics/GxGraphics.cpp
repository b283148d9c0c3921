#include "graphics/GxGraphics.h"

#include "base/GxAssert.h"
#include "base/GxLog.h"
#include "base/GxStringUtil.h"
#include "graphics/GxD3DErrorText.h"
#include "graphics/GxD3DResourceManage.h"
#include "graphics/GxGraphicsTypes.h"
#include "graphics/GxRenderState.h"
#include "graphics/GxShaderEffectPool.h"
#include "graphics/GxShaderFactory.h"
#include "graphics/GxSurface.h"
#include "graphics/GxSurfaceBase.h"
#include "graphics/GxSwapChain.h"
#include "graphics/GxTextureFactory.h"
#include "graphics/GxTextureFlexFactory.h"
#include "graphics/GxVideoMemory.h"
#include "platform/render/present_target.h"
#include "platform/system/clock.h"
#include "platform/window/window.h"

#include <deque>
#include <vector>

using prender::device_type;
using prender::display_mode;
using prender::format;
using prender::present_parameters;
using prender::resource_type;

namespace {

constexpr u32 kMultiSampleTypes = 17;
constexpr size_t kMaxKeptModes = 128;

// Everything but the default swap chain, which keeps its address; a reset
// assigns a fresh one of these.
struct Values {
    GxGraphicsConfig config;
    std::unique_ptr<prender::adapter> injectedAdapter;
    std::unique_ptr<prender::adapter> adapter;
    std::unique_ptr<prender::device> device;

    pwin::window* window = nullptr;
    std::unique_ptr<prender::sdl_present_target> target;
    GxGraphicsListenerBase* listener = nullptr;
    GxDeviceEventCallback lostCallback = nullptr;
    GxDeviceEventCallback resetCallback = nullptr;

    GxString cardDescription, driverName, driverVersion;
    u32 adapterCount = 0;
    bool videoMemoryKnown = false;
    u32 videoMemoryMB = 0;

    prender::device_caps caps;
    u32 multiSampleFull[kMultiSampleTypes] = {};
    u32 multiSampleWindowed[kMultiSampleTypes] = {};
    display_mode modes[4];
    present_parameters table[kGxDisplayModeTableSize];
    u32 textureFormat = 0, renderTargetFormat = 0, depthStencilFormat = 0, floatFormat = 0, float2Format = 0;
    bool windowedPossible = false, forceFullScreen = false, softwareVP = false, referenceRasterizer = false;
    bool forceSquare = false;
    s32 sceneCount = 0;
    std::vector<std::deque<GxRenderTargetRecord>> slots;
    GxSwapChain* current = nullptr;
    u32 backBufferWidth = 0, backBufferHeight = 0;
    GxString defaultShaderName;

    bool fatal = false;
    int exitCode = 0;
    GxGraphicsQuitHandler quitHandler = nullptr;
};

struct State : Values {
    GxSwapChain defaultChain;
};

// Never destroyed: resources released by exit-time destructors still ask for
// the device.
State& S() {
    static State* state = new State;
    return *state;
}

const present_parameters kEmptyParameters{};

GxString FormatName(format f) { return GxGetFormatName(u32(f)); }

// --- reading the adapter -------------------------------------------------

const display_mode* ChooseMode(const std::vector<display_mode>& kept, const u32 (&rates)[7]) {
    for (u32 rate : rates)
        for (const display_mode& m : kept)
            if (m.refresh_hz == rate) return &m;
    return kept.empty() ? nullptr : &kept.front();
}

void FindFullScreenMode(const prender::adapter& ad, u32 width, u32 height, const format (&candidates)[4],
                        const u32 (&rates)[7], const GxChar* header, const GxChar* found, const GxChar* notFound,
                        display_mode& out) {
    GxWriteDeviceLog(header);
    std::vector<display_mode> kept;
    for (format f : candidates) {
        for (const display_mode& m : ad.modes(f)) {
            if (m.width != width || m.height != height || m.fmt != f || kept.size() >= kMaxKeptModes) continue;
            kept.push_back(m);
            GxWriteDeviceLog(u"\t・%u x %u %uHz (%s)\n", m.width, m.height, m.refresh_hz, FormatName(m.fmt));
        }
    }
    const display_mode* chosen = ChooseMode(kept, rates);
    if (chosen) {
        out = *chosen;
        GxWriteDeviceLog(found);
        GxWriteDeviceLog(u"\t・%u x %u %uHz (%s)\n", out.width, out.height, out.refresh_hz, FormatName(out.fmt));
    } else {
        out = display_mode{};
        GxWriteDeviceLog(notFound);
    }
}

// The first candidate the adapter takes for the use, else the fallback.
u32 ChooseFormat(const prender::adapter& ad, format adapterFormat, u32 usage, resource_type type,
                 std::initializer_list<u32> candidates, u32 fallback) {
    for (u32 c : candidates)
        if (prender::succeeded(ad.check_device_format(device_type::hal, adapterFormat, usage, type, format(c))))
            return c;
    return fallback;
}

bool ReadAdapter(State& s) {
    const prender::adapter& ad = *s.adapter;
    const GxGraphicsConfig& cfg = s.config;
    s.adapterCount = ad.count();
    GxWriteDeviceLog(u"\t・ビデオカード数:%u\n", s.adapterCount);
    prender::adapter_identifier id;
    if (s.adapterCount == 0 || prender::failed(ad.identifier(id))) {
        GxWriteErrorLog(u"GetAdapterIdentifierに失敗。ビデオカード情報が取得できません\n");
        return false;
    }
    s.cardDescription = GxFromAnsi(id.description);
    s.driverName = GxFromAnsi(id.driver);
    s.driverVersion = GxFormat(u"%u.%u.%u.%u", id.driver_version[0], id.driver_version[1], id.driver_version[2],
                               id.driver_version[3]);
    GxWriteDeviceLog(u"\t・ビデオカード名:%s\n", s.cardDescription);
    GxWriteDeviceLog(u"\t・ドライバ名:%s (%s)\n", s.driverName, s.driverVersion);

    display_mode desktop;
    ad.desktop_mode(desktop);
    s.modes[0] = desktop;
    s.modes[1] = desktop;
    if (prender::succeeded(ad.check_device_type(device_type::hal, desktop.fmt, desktop.fmt, true)))
        s.windowedPossible = true;
    else
        s.forceFullScreen = true;
    s.modes[0].width = cfg.m_BackBufferWidth;
    s.modes[0].height = cfg.m_BackBufferHeight;

    const format candidates16[4] = {format::r5g6b5, format::x1r5g5b5, format::x8r8g8b8, format::a2r10g10b10};
    const format candidates32[4] = {format::x8r8g8b8, format::r5g6b5, format::x1r5g5b5, format::a2r10g10b10};
    const format(&candidates)[4] = cfg.m_BackBufferBits == 16 ? candidates16 : candidates32;
    const u32 rates[7] = {cfg.m_RefreshRate, 60, 70, 72, 75, 85, 0};
    FindFullScreenMode(ad, cfg.m_BackBufferWidth, cfg.m_BackBufferHeight, candidates, rates,
                       u"フルスクリーンモードで利用可能な画面モード一覧\n",
                       u"\tフルスクリーンモードで利用する画面モードが見つかりました\n",
                       u"\tフルスクリーンモードで利用する画面モードが見つかりませんでした\n", s.modes[2]);
    FindFullScreenMode(ad, desktop.width, desktop.height, candidates, rates,
                       u"フルスクリーン固定モードモードで利用可能な画面モード一覧\n",
                       u"\tフルスクリーン固定モードで利用する画面モードが見つかりました\n",
                       u"\tフルスクリーン固定モードで利用する画面モードが見つかりませんでした\n", s.modes[3]);

    GxWriteDeviceLog(u"使用するリソースのフォーマットを検索します\n");
    format adapterFormat = s.modes[2].height != 0 ? s.modes[2].fmt : desktop.fmt;
    const u32 rt = prender::usage_render_target, ds = prender::usage_depth_stencil;
    if (cfg.m_TextureBits == 16)
        s.textureFormat = ChooseFormat(ad, adapterFormat, 0, resource_type::texture,
                                       {kGxFmtA4R4G4B4, kGxFmtA8R8G8B8}, kGxFmtA4R4G4B4);
    else
        s.textureFormat = ChooseFormat(ad, adapterFormat, 0, resource_type::texture,
                                       {kGxFmtA8R8G8B8, kGxFmtA4R4G4B4}, kGxFmtA8R8G8B8);
    s.renderTargetFormat = ChooseFormat(ad, adapterFormat, rt, resource_type::texture,
                                        {kGxFmtA8R8G8B8, kGxFmtA4R4G4B4}, kGxFmtA8R8G8B8);
    if (cfg.m_DepthStencilBits == 16)
        s.depthStencilFormat = ChooseFormat(ad, adapterFormat, ds, resource_type::surface,
                                            {kGxFmtD15S1, kGxFmtD24S8, kGxFmtD24X8, kGxFmtD24X4S4}, kGxFmtD24S8);
    else
        s.depthStencilFormat = ChooseFormat(ad, adapterFormat, ds, resource_type::surface,
                                            {kGxFmtD24S8, kGxFmtD24X8, kGxFmtD24X4S4, kGxFmtD15S1}, kGxFmtD24S8);
    if (cfg.m_FloatTextureBits == 16)
        s.floatFormat = ChooseFormat(ad, adapterFormat, rt, resource_type::texture, {kGxFmtR16F, kGxFmtR32F}, 0);
    else
        s.floatFormat = ChooseFormat(ad, adapterFormat, rt, resource_type::texture, {kGxFmtR32F, kGxFmtR16F}, 0);
    if (cfg.m_Float2TextureBits == 16)
        s.float2Format =
            ChooseFormat(ad, adapterFormat, rt, resource_type::texture, {kGxFmtG16R16F, kGxFmtG32R32F}, 0);
    else
        s.float2Format =
            ChooseFormat(ad, adapterFormat, rt, resource_type::texture, {kGxFmtG32R32F, kGxFmtG16R16F}, 0);
    GxWriteDeviceLog(u"\t・TextureFormat:%s\n", GxGetFormatName(s.textureFormat));
    GxWriteDeviceLog(u"\t・RenderTargetFormat:%s\n", GxGetFormatName(s.renderTargetFormat));
    GxWriteDeviceLog(u"\t・DepthStencilFormat:%s\n", GxGetFormatName(s.depthStencilFormat));
    GxWriteDeviceLog(u"\t・FloatTextureFormat:%s\n", GxGetFormatName(s.floatFormat));
    GxWriteDeviceLog(u"\t・Float2TextureFormat:%s\n", GxGetFormatName(s.float2Format));
    return true;
}

// --- reading the capabilities ----------------------------------------------

prender::device_caps DefaultCaps() {
    prender::device_caps c;
    // Nothing is known: the most conservative device.
    c.pure_device = c.hw_transform_and_light = c.hw_rasterization = false;
    c.can_auto_gen_mipmap = c.cube_map = c.mip_map = c.perspective = false;
    c.square_only = c.nonpow2_conditional = c.dynamic_textures = false;
    c.pow2 = true;
    c.max_texture_width = c.max_texture_height = 2048;
    c.max_texture_repeat = c.max_texture_aspect_ratio = 8192;
    c.max_vertex_w = 1e10f;
    c.guard_band_left = c.guard_band_top = -1e8f;
    c.guard_band_right = c.guard_band_bottom = 1e8f;
    c.max_texture_blend_stages = 4;
    c.max_simultaneous_textures = 4;
    c.max_point_size = 64.0f;
    c.vertex_shader_version = c.pixel_shader_version = 0;
    c.max_vertex_index = 0xFFFE;
    c.max_streams = 1;
    c.max_stream_stride = 255;
    c.num_simultaneous_rts = 1;
    c.max_active_lights = 8;
    c.max_vertex_shader_const = 256;
    c.pack_words();
    return c;
}

void LogCaps(const prender::device_caps& c) {
    auto hex = [](const GxChar* name, u32 v) { GxWriteDeviceLog(u"\t・%s:0x%08X\n", name, v); };
    auto flag = [](const GxChar* name, bool v) { GxWriteDeviceLog(u"\t・%s:%d\n", name, v ? 1 : 0); };
    auto num = [](const GxChar* name, u32 v) { GxWriteDeviceLog(u"\t・%s:%u\n", name, v); };
    auto real = [](const GxChar* name, f32 v) { GxWriteDeviceLog(u"\t・%s:%.4lf\n", name, double(v)); };
    GxWriteDeviceLog(u"ビデオデバイスの能力情報\n");
    hex(u"Caps", c.caps);
    hex(u"Caps2", c.caps2);
    hex(u"Caps3", c.caps3);
    hex(u"DevCaps", c.dev_caps);
    hex(u"RasterCaps", c.raster_caps);
    hex(u"ZCmpCaps", c.zcmp_caps);
    hex(u"SrcBlendCaps", c.src_blend_caps);
    hex(u"DestBlendCaps", c.dest_blend_caps);
    hex(u"AlphaCmpCaps", c.alpha_cmp_caps);
    hex(u"ShadeCaps", c.shade_caps);
    hex(u"TextureCaps", c.texture_caps);
    hex(u"TextureOpCaps", c.texture_op_caps);
    GxWriteDeviceLog(u"ビデオデバイスの能力情報(概要)\n");
    flag(u"D3DDEVCAPS_PUREDEVICE", c.pure_device);
    flag(u"D3DDEVCAPS_HWTRANSFORMANDLIGHT", c.hw_transform_and_light);
    flag(u"D3DDEVCAPS_HWRASTERIZATION", c.hw_rasterization);
    flag(u"D3DPRASTERCAPS_DITHER", c.raster_dither);
    flag(u"D3DPRASTERCAPS_DEPTHBIAS", c.raster_depth_bias);
    flag(u"D3DPRASTERCAPS_WBUFFER", c.raster_w_buffer);
    flag(u"D3DCAPS2_CANAUTOGENMIPMAP", c.can_auto_gen_mipmap);
    flag(u"D3DPTEXTURECAPS_CUBEMAP", c.cube_map);
    flag(u"D3DPTEXTURECAPS_MIPMAP", c.mip_map);
    flag(u"D3DPTEXTURECAPS_PERSPECTIVE", c.perspective);
    flag(u"D3DPTEXTURECAPS_POW2", c.pow2);
    flag(u"D3DPTEXTURECAPS_SQUAREONLY", c.square_only);
    flag(u"D3DPTEXTURECAPS_NONPOW2CONDITIONAL", c.nonpow2_conditional);
    flag(u"D3DCAPS2_DYNAMICTEXTURES", c.dynamic_textures);
    num(u"MaxTextureWidth", c.max_texture_width);
    num(u"MaxTextureHeight", c.max_texture_height);
    num(u"MaxTextureRepeat", c.max_texture_repeat);
    num(u"MaxTextureAspectRatio", c.max_texture_aspect_ratio);
    num(u"MaxAnisotropy", c.max_anisotropy);
    num(u"MaxVertexBlendMatrices", c.max_vertex_blend_matrices);
    num(u"MaxVertexBlendMatrixIndex", c.max_vertex_blend_matrix_index);
    GxWriteDeviceLog(u"\t・StretchRectFilterCaps:0x%X\n", c.stretch_rect_filter_caps);
    if (c.stretch_min_point) GxWriteDeviceLog(u"\t\t・D3DPTFILTERCAPS_MINFPOINT\n");
    if (c.stretch_mag_point) GxWriteDeviceLog(u"\t\t・D3DPTFILTERCAPS_MAGFPOINT\n");
    if (c.stretch_min_linear) GxWriteDeviceLog(u"\t\t・D3DPTFILTERCAPS_MINFLINEAR\n");
    if (c.stretch_mag_linear) GxWriteDeviceLog(u"\t\t・D3DPTFILTERCAPS_MAGFLINEAR\n");
    real(u"MaxVertexW", c.max_vertex_w);
    real(u"GuardBandLeft", c.guard_band_left);
    real(u"GuardBandTop", c.guard_band_top);
    real(u"GuardBandRight", c.guard_band_right);
    real(u"GuardBandBottom", c.guard_band_bottom);
    real(u"MaxPointSize", c.max_point_size);
    num(u"MaxVertexIndex", c.max_vertex_index);
    num(u"MaxStreams", c.max_streams);
    num(u"MaxStreamStride", c.max_stream_stride);
    GxWriteDeviceLog(u"\t・MaxRenderTarget:%u\n", c.num_simultaneous_rts);
    num(u"MaxTextureBlendStages", c.max_texture_blend_stages);
    num(u"MaxSimultaneousTextures", c.max_simultaneous_textures);
    num(u"MaxActiveLights", c.max_active_lights);
    GxWriteDeviceLog(u"\t・VertexShaderVersion:%u.%u\n", (c.vertex_shader_version >> 8) & 0xFF,
                     c.vertex_shader_version & 0xFF);
    GxWriteDeviceLog(u"\t・PixelShaderVersion:%u.%u\n", (c.pixel_shader_version >> 8) & 0xFF,
                     c.pixel_shader_version & 0xFF);
    GxWriteDeviceLog(u"\t・MaxVertexShaderConst:%u\n", c.max_vertex_shader_const);
    GxWriteDeviceLog(u"\t・PixelShader1xMaxValue:%f\n", double(c.pixel_shader_1x_max_value));
    GxWriteDeviceLog(u"\t・DynamicFlowControlDepth:%u\n", c.dynamic_flow_control_depth);
    GxWriteDeviceLog(u"\t・StaticFlowControlDepth:%u\n", c.static_flow_control_depth);
    GxWriteDeviceLog(u"\t・MaxVShaderInstructionsExecuted:%u\n", c.max_vshader_instructions_executed);
    GxWriteDeviceLog(u"\t・MaxPShaderInstructionsExecuted:%u\n", c.max_pshader_instructions_executed);
    GxWriteDeviceLog(u"有効なテクスチャオペレーション\n");
    // Operations this device does not carry out are listed as 0.
    struct Op {
        const GxChar* name;
        bool on;
    };
    const Op ops[] = {
        {u"ADD", c.texop_add},
        {u"ADDSIGNED", false},
        {u"ADDSIGNED2X", false},
        {u"ADDSMOOTH", false},
        {u"BLENDCURRENTALPHA", false},
        {u"BLENDDIFFUSEALPHA", false},
        {u"BLENDFACTORALPHA", false},
        {u"BLENDTEXTUREALPHA", false},
        {u"BLENDTEXTUREALPHAPM", false},
        {u"BUMPENVMAP", false},
        {u"BUMPENVMAPLUMINANCE", false},
        {u"DISABLE", c.texop_disable},
        {u"DOTPRODUCT3", false},
        {u"LERP", false},
        {u"MODULATE", c.texop_modulate},
        {u"MODULATE2X", c.texop_modulate2x},
        {u"MODULATE4X", c.texop_modulate4x},
        {u"MODULATEALPHA_ADDCOLOR", false},
        {u"MODULATECOLOR_ADDALPHA", false},
        {u"MODULATEINVALPHA_ADDCOLOR", false},
        {u"MODULATEINVCOLOR_ADDALPHA", false},
        {u"MULTIPLYADD", false},
        {u"PREMODULATE", false},
        {u"SELECTARG1", c.texop_select_arg1},
        {u"SELECTARG2", c.texop_select_arg2},
        {u"SUBTRACT", false},
    };
    for (const Op& op : ops) GxWriteDeviceLog(u"\t・TEXOP_%s:%u\n", op.name, op.on ? 1u : 0u);
    GxWriteDeviceLog(u"その他のドライバ能力\n");
    GxWriteDeviceLog(u"\t・MISC_SEPARATEALPHABLEND:%u\n", c.separate_alpha_blend ? 1u : 0u);
    GxWriteDeviceLog(u"\t・MISC_MRTINDEPENDENTBITDEPTHS:%u\n", c.mrt_independent_bit_depths ? 1u : 0u);
    GxWriteDeviceLog(u"\t・MISC_MRTPOSTPIXELSHADERBLENDING:%u\n", c.mrt_post_pixel_shader_blending ? 1u : 0u);
    GxWriteDeviceLog(u"\t・MISC_COLORWRITEENABLE:%u\n", c.color_write_enable ? 1u : 0u);
}

bool ReadCaps(State& s) {
    if (prender::failed(s.adapter->caps(device_type::hal, s.caps))) {
        GxWriteDeviceLog(u"ビデオデバイス情報が取得できませんでした\n");
        s.caps = DefaultCaps();
        return false;
    }
    LogCaps(s.caps);
    return true;
}

void ReadMultiSample(State& s, format target, format depth) {
    for (u32 t = 0; t < kMultiSampleTypes; ++t) s.multiSampleFull[t] = s.multiSampleWindowed[t] = 0;
    const prender::adapter& ad = *s.adapter;
    bool withDepth = depth != format::unknown;
    GxWriteDeviceLog(withDepth ? u"有効なアンチエイリアス処理(深度バッファあり)\n" : u"有効なアンチエイリアス処理(深度バッファ無し)\n");
    for (u32 t = 0; t < kMultiSampleTypes; ++t) {
        for (bool windowed : {false, true}) {
            u32 q = 0, qd = 0;
            bool ok = prender::succeeded(ad.check_multisample(device_type::hal, target, windowed, t, &q));
            if (ok && withDepth) ok = prender::succeeded(ad.check_multisample(device_type::hal, depth, windowed, t, &qd));
            (windowed ? s.multiSampleWindowed : s.multiSampleFull)[t] = ok ? q : 0;
        }
    }
    GxWriteDeviceLog(u"\t・SAMPLES\tFUL\tWIN\n");
    GxWriteDeviceLog(u"\t・NONE   \t%u\t%u\n", s.multiSampleFull[0], s.multiSampleWindowed[0]);
    GxWriteDeviceLog(u"\t・NONMASK\t%u\t%u\n", s.multiSampleFull[1], s.multiSampleWindowed[1]);
    for (u32 t = 2; t < kMultiSampleTypes; ++t)
        GxWriteDeviceLog(u"\t・%02u x %02u\t%u\t%u\n", t, t, s.multiSampleFull[t], s.multiSampleWindowed[t]);
}

present_parameters BuildPresentParameters(State& s, u32 index) {
    present_parameters p;
    const display_mode& m = index == 0 ? s.modes[0] : index == 1 ? s.modes[1] : index == 3 ? s.modes[3] : s.modes[2];
    p.back_buffer_width = m.width;
    p.back_buffer_height = m.height;
    p.back_buffer_format = m.fmt;
    p.back_buffer_count = 1;
    p.effect = prender::swap_effect(s.config.m_SwapEffect);
    p.window = s.target.get();
    p.enable_auto_depth_stencil = false;
    p.auto_depth_stencil_format = format(s.depthStencilFormat);
    p.flags = s.config.m_LockableBackBuffer ? prender::present_flag_lockable_back_buffer : 0;
    p.windowed = index == 0 || index == 1;
    p.full_screen_refresh_hz = p.windowed ? 0 : m.refresh_hz;
    switch (s.config.m_VSyncInterval) {
    case 0: p.interval = prender::present_interval::immediate; break;
    case 1: p.interval = prender::present_interval::one; break;
    case 2: p.interval = prender::present_interval::two; break;
    case 3: p.interval = prender::present_interval::three; break;
    case 4: p.interval = prender::present_interval::four; break;
    default: p.interval = prender::present_interval::default_interval; break;
    }
    u32 ms = s.config.m_MultiSampleMode;
    if (ms == 2 || ms == 4) {
        if (s.multiSampleFull[ms] != 0 && s.multiSampleWindowed[ms] != 0) {
            p.multisample_type = ms;
            p.multisample_quality = s.multiSampleWindowed[ms] - 1;
        } else {
            s.config.m_MultiSampleMode = 0;
        }
    }
    return p;
}

// The lines that open both descriptions of a screen mode.
void LogModeHead(u32 displayMode, const GxGraphicsConfig& c) {
    GxWriteDeviceLog(u"\t・画面モード:%s\n", GxGetScreenModeName(displayMode));
    GxWriteDeviceLog(u"\t・VSYNCインターバル回数:%u\n", c.m_VSyncInterval);
    GxWriteDeviceLog(u"\t・ロック可能なバックバッファ:%u\n", c.m_LockableBackBuffer ? 1u : 0u);
}

void LogModeSize(u32 width, u32 height, u32 refreshRate) {
    GxWriteDeviceLog(u"\t・BackBufferWidth:%u\n", width);
    GxWriteDeviceLog(u"\t・BackBufferHeight:%u\n", height);
    GxWriteDeviceLog(u"\t・RefreshRate:%u\n", refreshRate);
}

void LogRequestedMode(const GxGraphicsConfig& c) {
    GxWriteDeviceLog(u"要求された画面モード\n");
    LogModeHead(c.m_RequestedDisplayMode, c);
    LogModeSize(c.m_BackBufferWidth, c.m_BackBufferHeight, c.m_RefreshRate);
    GxWriteDeviceLog(u"\t・TextureBits:%u\n", c.m_TextureBits);
    GxWriteDeviceLog(u"\t・BackBufferBits:%u\n", c.m_BackBufferBits);
    GxWriteDeviceLog(u"\t・DepthStencilBits:%u\n", c.m_DepthStencilBits);
    GxWriteDeviceLog(u"\t・FloatTextureBits:%u\n", c.m_FloatTextureBits);
    GxWriteDeviceLog(u"\t・Float2TextureBits:%u\n", c.m_Float2TextureBits);
    GxWriteDeviceLog(u"\t・MultiSampleMode:%u\n", c.m_MultiSampleMode);
}

void LogStartMode(const State& s) {
    const display_mode& before = s.modes[1];
    GxWriteDeviceLog(u"起動前画面モード\n");
    LogModeSize(before.width, before.height, before.refresh_hz);
    GxWriteDeviceLog(u"\t・BackBufferFormat:%s\n", FormatName(before.fmt));
    const GxGraphicsConfig& c = s.config;
    const present_parameters& p = s.table[c.m_DisplayMode];
    GxWriteDeviceLog(u"起動画面モード\n");
    LogModeHead(c.m_DisplayMode, c);
    LogModeSize(p.back_buffer_width, p.back_buffer_height, p.full_screen_refresh_hz);
    GxWriteDeviceLog(u"\t・TextureFormat:%s\n", GxGetFormatName(s.textureFormat));
    GxWriteDeviceLog(u"\t・BackBufferFormat:%s\n", FormatName(p.back_buffer_format));
    GxWriteDeviceLog(u"\t・RenderTargetFormat:%s\n", GxGetFormatName(s.renderTargetFormat));
    GxWriteDeviceLog(u"\t・DepthStencilFormat:%s\n", GxGetFormatName(s.depthStencilFormat));
    GxWriteDeviceLog(u"\t・MultiSampleMode:%u\n", c.m_MultiSampleMode);
    if (s.windowedPossible)
        GxWriteDeviceLog(u"\t・ウインドウモードで起動が可能です\n");
    else
        GxWriteDeviceLog(u"\t・ウインドウモードではアクセラレーションが効きません(強制的にフルスクリーンモードにします)\n");
}

bool CreateDevice(State& s) {
    const present_parameters& p = s.table[s.config.m_DisplayMode];
    const u32 mixed = prender::create_mixed_vertex_processing | prender::create_multithreaded |
                      prender::create_fpu_preserve;
    const u32 software = prender::create_software_vertex_processing | prender::create_multithreaded |
                         prender::create_fpu_preserve;
    struct Attempt {
        device_type type;
        u32 behaviour;
        const GxChar* line;
    };
    const Attempt attempts[] = {
        {device_type::hal, mixed, u"\t・Direct3Dを D3DDEVTYPE_HAL - D3DCREATE_MIXED_VERTEXPROCESSING で初期化しました\n"},
        {device_type::hal, software,
         u"\t・Direct3Dを D3DDEVTYPE_HAL - D3DCREATE_SOFTWARE_VERTEXPROCESSING で初期化しました\n"},
        {device_type::reference, mixed,
         u"\t・Direct3Dを D3DDEVTYPE_REF - D3DCREATE_MIXED_VERTEXPROCESSING で初期化しました\n"},
        {device_type::reference, software,
         u"\t・Direct3Dを D3DDEVTYPE_REF - D3DCREATE_SOFTWARE_VERTEXPROCESSING で初期化しました\n"},
    };
    prender::result last = prender::result::fail;
    for (size_t i = 0; i < std::size(attempts); ++i) {
        const Attempt& a = attempts[i];
        last = s.adapter->create_device(a.type, a.behaviour, p, s.device);
        if (prender::failed(last)) continue;
        GxWriteDeviceLog(a.line);
        if (i >= 2) GxWriteDeviceLog(u"\t注意：このモードでは正常に表示されません\n");
        if (i >= 1) {
            s.device->set_software_vertex_processing(true);
            s.softwareVP = true;
        }
        if (i >= 2) s.referenceRasterizer = true;
        return true;
    }
    GxWriteErrorLog(u"D3D9 CreateDevice Failed(Code:0x%x %s)\n", u32(last), GxGetD3DErrorText(u32(last)));
    GxMessageBox(u"起動できません",
                 u"Direct3Dデバイスの作成に失敗しました(Code:0x%x)\n1.最新のDirectX(August 2009以降)をインストールして下さい\n2.ビデオカードが推奨環境を満たしているか確認して下さい",
                 u32(last));
    return false;
}

void ClearStartState(State& s) {
    s.cardDescription.clear();
    s.driverName.clear();
    s.driverVersion.clear();
    s.adapterCount = 0;
    s.videoMemoryKnown = false;
    s.videoMemoryMB = 0;
    s.caps = prender::device_caps{};
    for (u32 t = 0; t < kMultiSampleTypes; ++t) s.multiSampleFull[t] = s.multiSampleWindowed[t] = 0;
    for (auto& m : s.modes) m = display_mode{};
    for (auto& p : s.table) p = present_parameters{};
    s.textureFormat = s.renderTargetFormat = s.depthStencilFormat = s.floatFormat = s.float2Format = 0;
    s.windowedPossible = s.forceFullScreen = s.softwareVP = s.referenceRasterizer = false;
    s.sceneCount = 0;
    s.slots.clear();
    s.current = nullptr;
    s.fatal = false;
    s.exitCode = 0;
}

void ReleaseDevice(State& s) {
    s.device.reset();
    s.adapter.reset();
    s.target.reset();
    s.window = nullptr;
    s.slots.clear();
    s.current = nullptr;
}

GxSwapChain* CurrentChain(State& s) { return s.current ? s.current : &s.defaultChain; }

bool ApplyRecordTarget(State& s, u32 slot, const GxRenderTargetRecord* record) {
    if (record && record->m_Target) {
        if (!record->m_Target->SetRenderTarget(slot)) {
            GxWriteErrorLog(u"SetRenderTarget/Can't set RenderTarget %d\n", slot);
            return false;
        }
        if (slot == 0) {
            const GxRect& v = record->m_Viewport;
            if (v.left != 0 || v.top != 0 || v.right != 0 || v.bottom != 0) {
                GxSetViewport(&v);
            } else {
                GxRect whole{0, 0, s32(record->m_Target->GetWidth()), s32(record->m_Target->GetHeight())};
                GxSetViewport(&whole);
            }
        }
        return true;
    }
    if (slot != 0) {
        if (prender::failed(s.device->set_render_target(slot, nullptr))) {
            GxWriteErrorLog(u"SetRenderTarget/Can't set NULL Buffer %d\n", slot);
            return false;
        }
        return true;
    }
    GxSwapChain* chain = CurrentChain(s);
    auto d3dChain = chain->GetD3DSwapChain();
    auto backBuffer = d3dChain ? d3dChain->back_buffer(0) : nullptr;
    if (!backBuffer || prender::failed(s.device->set_render_target(0, backBuffer))) {
        GxWriteErrorLog(u"GxGraphics::SetRenderTarget/Can't set Default BackBuffer\n");
        return false;
    }
    const prender::surface_desc& d = backBuffer->desc();
    GxRect m = chain->GetMargins();
    GxRect v{m.left, m.top, s32(d.width) - m.right, s32(d.height) - m.bottom};
    GxSetViewport(&v);
    return true;
}

void ReapplyRenderTargets(State& s) {
    for (u32 slot = 0; slot < s.slots.size(); ++slot) {
        const GxRenderTargetRecord* back = s.slots[slot].empty() ? nullptr : &s.slots[slot].back();
        GxGraphics::SetRenderTarget(slot, back);
        if (slot == 0) GxGraphics::SetDepthStencil(back);
    }
}

void RestyleWindow(State& s, const present_parameters& p) {
    if (!s.window || !s.window->exists()) return;
    // The result is not needed: a display that refuses keeps the window as it was.
    if (p.windowed) {
        if (s.window->is_fullscreen()) s.window->leave_fullscreen();
    } else {
        s.window->enter_fullscreen(int(p.back_buffer_width), int(p.back_buffer_height), int(p.full_screen_refresh_hz));
    }
}

} // namespace

GxGraphicsConfig& GxGraphics::GetConfig() { return S().config; }

void GxGraphics::SetAdapter(std::unique_ptr<prender::adapter> adapter) { S().injectedAdapter = std::move(adapter); }

bool GxGraphics::Initialize(pwin::window* window, GxGraphicsListenerBase* listener, GxDeviceEventCallback lostCallback,
                            GxDeviceEventCallback resetCallback) {
    State& s = S();
    if (s.device) Finalize();
    s.window = window;
    s.listener = listener;
    s.lostCallback = lostCallback;
    s.resetCallback = resetCallback;
    ClearStartState(s);
    GxClearRenderStateCache();
    s.forceSquare = s.config.m_ForceSquareTextures;
    GxWriteDeviceLog(u"Direct3D9の初期化を開始します\n");

    if (window && !window->exists()) {
        GxWriteErrorLog(u"Direct3DCreate9 Failed m_hWnd is NULL\n");
        GxMessageBox(u"起動できません", u"ウインドウハンドルが取得できません");
        s.window = nullptr;
        return false;
    }
    if (window) s.target = std::make_unique<prender::sdl_present_target>(window->sdl_window());
    s.adapter = s.injectedAdapter ? std::make_unique<prender::adapter>(*s.injectedAdapter)
                                  : std::make_unique<prender::adapter>();

    if (!ReadAdapter(s)) {
        GxWriteErrorLog(u"D3D9 GetAdapterInfo Failed\n");
        ReleaseDevice(s);
        return false;
    }
    if (!ReadCaps(s)) {
        GxMessageBox(u"ビデオデバイス情報が取得できません", u"デフォルト設定で起動しますが正常に動作しない可能性があります");
        s.windowedPossible = true;
        s.forceFullScreen = false;
    }
    ReadMultiSample(s, format(s.renderTargetFormat), format(s.depthStencilFormat));
    for (u32 i = 0; i < 4; ++i) s.table[i] = BuildPresentParameters(s, i);
    LogRequestedMode(s.config);

    s.config.m_DisplayMode = s.config.m_RequestedDisplayMode < kGxDisplayModeTableSize ? s.config.m_RequestedDisplayMode
                                                                                         : SCRMODE_WINDOW;
    if (s.forceFullScreen && s.config.m_DisplayMode == SCRMODE_WINDOW) s.config.m_DisplayMode = SCRMODE_FULLSCREEN;
    LogStartMode(s);
    s.backBufferWidth = s.table[s.config.m_DisplayMode].back_buffer_width;
    s.backBufferHeight = s.table[s.config.m_DisplayMode].back_buffer_height;

    if (!CreateDevice(s)) {
        ReleaseDevice(s);
        return false;
    }
    u32 mb = 0;
    s.videoMemoryKnown = GxGetVideoMemoryMB(*s.adapter, &mb);
    s.videoMemoryMB = mb;
    if (s.videoMemoryKnown)
        GxWriteDeviceLog(u"\t・VRAM:%uMByte\n", mb);
    else
        GxWriteDeviceLog(u"\t・VRAM:取得失敗\n");
    // How frames reach the window, chosen once for the device's life.
    if (s.target) GxWriteDeviceLog(u"\t・Present:%s\n", GxFromUtf8(s.target->open()));

    s.current = nullptr;
    s.slots.assign(s.device->caps().num_simultaneous_rts, {});
    s.defaultChain.CreateDefault(nullptr);
    SetSwapChain(nullptr, nullptr);
    GxSetInitialRenderStates();
    return true;
}

void GxGraphics::Finalize() {
    State& s = S();
    s.defaultChain.Release();
    GxTextureFactory& textures = GxTextureFactory::GetInstance();
    GxTextureFlexFactory& flexTextures = GxTextureFlexFactory::GetInstance();
    if (u32 n = textures.GetCount()) GxWriteWarningLog(u"Warning/GxTextureFactory is not Released(count=%d)\n", n);
    if (u32 n = flexTextures.GetCount())
        GxWriteWarningLog(u"Warning/GxTextureFlexFactory is not Released(count=%d)\n", n);
    textures.Clear();
    flexTextures.Clear();
    ReleaseDevice(s);
    s.sceneCount = 0;
}

void GxGraphics::ForgetStartup() {
    GX_ASSERT(!S().device);
    static_cast<Values&>(S()) = Values();
    GxShaderEffect::SetPreferSource(true);
    GxClearRenderStateCache();
}

u32 GxGraphics::InitializeShader() {
    S().defaultShaderName = u"gx_default";
    GxShaderEffect::SetPreferSource(true);
    GxSetEffectPool(std::make_shared<GxShaderEffectPool>());
    return 0;
}

void GxGraphics::FinalizeShader() {
    GxShaderFactory& shaders = GxShaderFactory::GetInstance();
    if (u32 n = shaders.GetCount()) GxWriteWarningLog(u"Warning/GxShaderFactory is not Released(count=%d)\n", n);
    shaders.Clear();
    // An effect held outside the factory keeps the pool it was made in.
    GxSetEffectPool(nullptr);
    S().defaultShaderName.clear();
}

const GxString& GxGraphics::GetDefaultShaderName() { return S().defaultShaderName; }

prender::device* GxGraphics::GetDevice() { return S().device.get(); }
const prender::adapter* GxGraphics::GetAdapter() { return S().adapter.get(); }

bool GxGraphics::BeginScene() {
    State& s = S();
    if (!s.device) return false;
    if (s.sceneCount != 0) return true;
    if (prender::failed(s.device->begin_scene())) return false;
    s.sceneCount = 1;
    return true;
}

bool GxGraphics::EndScene() {
    State& s = S();
    if (!s.device) return false;
    // An End without a Begin leaves the counter at 0, so presenting goes on.
    if (s.sceneCount <= 0) {
        s.sceneCount = 0;
        return false;
    }
    if (--s.sceneCount != 0) return true;
    return prender::succeeded(s.device->end_scene());
}

s32 GxGraphics::GetSceneCount() { return S().sceneCount; }

bool GxGraphics::Clear(u32 flags, u32 argb, f32 z, u32 stencil, const GxRect* rect) {
    State& s = S();
    if (!s.device) return false;
    if (rect) {
        prender::rect r = GxToDeviceRect(*rect);
        return prender::succeeded(s.device->clear(1, &r, flags, argb, z, stencil));
    }
    return prender::succeeded(s.device->clear(0, nullptr, flags, argb, z, stencil));
}

bool GxGraphics::Present(const GxRect* sourceRect, const GxRect* destRect, prender::present_target* window) {
    State& s = S();
    if (!s.device || s.fatal) return false;
    if (s.sceneCount != 0) {
        GxWriteErrorLog(u"BeginScene～EndSceneが完了していないのにPresentが呼ばれました\n");
        return false;
    }
    if (!s.slots.empty() && !s.slots[0].empty()) GxWriteErrorLog(u"RenderTarget Stack is't empty\n");
    auto chain = CurrentChain(s)->GetD3DSwapChain();
    prender::result r = prender::result::device_lost;
    if (chain) {
        prender::rect src, dst;
        if (sourceRect) src = GxToDeviceRect(*sourceRect);
        if (destRect) dst = GxToDeviceRect(*destRect);
        r = chain->present(sourceRect ? &src : nullptr, destRect ? &dst : nullptr, window);
    }
    if (r == prender::result::driver_internal_error) {
        GxWriteErrorLog(u"PresentでD3DERR_DRIVERINTERNALERRORが発生しました\n");
        // The driver cannot go on: end the game through its normal shutdown,
        // with an exit code that says it failed.
        s.fatal = true;
        s.exitCode = kGxDeviceFatalExitCode;
        if (s.quitHandler) s.quitHandler(s.exitCode);
        return false;
    }
    if (r == prender::result::device_lost) {
        prender::result level = s.device->test_cooperative_level();
        if (level == prender::result::device_lost)
            psys::sleep_ms(10);
        else if (level == prender::result::device_not_reset)
            ResetDevice(false, s.config.m_DisplayMode, s.config.m_DisplayMode, nullptr);
    }
    return true;
}

bool GxGraphics::ResetDevice(bool force, u32 newModeIndex, u32 previousModeIndex,
                             const prender::present_parameters* presentParameters) {
    State& s = S();
    if (!s.device) return false;
    if (!force && s.device->test_cooperative_level() == prender::result::ok) return true;
    GxD3DResourceManage::GetInstance().OnLostAll();
    if (s.listener) s.listener->OnDeviceLost(newModeIndex, previousModeIndex);
    if (s.lostCallback) s.lostCallback(newModeIndex, previousModeIndex);

    present_parameters p = presentParameters ? *presentParameters : s.table[s.config.m_DisplayMode];
    bool ok = prender::succeeded(s.device->reset(p));
    if (!ok) GxWriteErrorLog(u"Resetでデバイスの復帰に失敗しました\n");
    // A reset ends any open scene.
    s.sceneCount = 0;

    GxD3DResourceManage::GetInstance().OnResetAll();
    ReapplyRenderTargets(s);
    GxReapplyRenderStateCache();
    if (s.listener) s.listener->OnDeviceReset(newModeIndex, previousModeIndex);
    if (s.resetCallback) s.resetCallback(newModeIndex, previousModeIndex);
    return ok;
}

bool GxGraphics::ChangeDisplayMode(u32 index) {
    State& s = S();
    if (index >= kGxDisplayModeTableSize || s.table[index].back_buffer_height == 0) return false;
    u32 old = s.config.m_DisplayMode;
    s.config.m_DisplayMode = index;
    bool ok = ResetDevice(true, index, old, nullptr);
    RestyleWindow(s, s.table[index]);
    if (ok) {
        s.backBufferWidth = s.table[index].back_buffer_width;
        s.backBufferHeight = s.table[index].back_buffer_height;
    }
    return ok;
}

void GxGraphics::SetQuitHandler(GxGraphicsQuitHandler handler) { S().quitHandler = handler; }
bool GxGraphics::IsFatalError() { return S().fatal; }
int GxGraphics::GetExitCode() { return S().exitCode; }

bool GxGraphics::SetSwapChain(GxSwapChain* chain, const GxRect* viewport) {
    State& s = S();
    if (!s.device) return false;
    s.current = chain ? chain : &s.defaultChain;
    for (auto& slot : s.slots) slot.clear();
    auto d3dChain = s.current->GetD3DSwapChain();
    auto backBuffer = d3dChain ? d3dChain->back_buffer(0) : nullptr;
    if (!backBuffer || prender::failed(s.device->set_render_target(0, backBuffer))) {
        GxWriteErrorLog(u"SetSwapChain/Can't set BackBuffer\n");
        return false;
    }
    GxRect v = viewport ? *viewport : s.current->GetViewport();
    GxSetViewport(&v);
    if (prender::failed(s.device->set_depth_stencil_surface(s.current->GetDepthStencilSurface()))) {
        GxWriteErrorLog(u"SetSwapChain/Can't set DepthStencil\n");
        return false;
    }
    return true;
}

GxSwapChain* GxGraphics::GetSwapChain() { return CurrentChain(S()); }
GxSwapChain* GxGraphics::GetDefaultSwapChain() { return &S().defaultChain; }

bool GxGraphics::SetRenderTarget(u32 slot, const GxRenderTargetRecord* record) {
    State& s = S();
    if (!s.device) return false;
    if (slot >= s.slots.size()) {
        GxWriteErrorLog(u"SetRenderTarget/Can't set RenderTarget %d\n", slot);
        return false;
    }
    return ApplyRecordTarget(s, slot, record);
}

bool GxGraphics::SetDepthStencil(const GxRenderTargetRecord* record) {
    State& s = S();
    if (!s.device) return false;
    if (record && record->m_DepthStencil && record->m_DepthStencil->GetD3DSurface()) {
        if (prender::failed(s.device->set_depth_stencil_surface(record->m_DepthStencil->GetD3DSurface()))) {
            GxWriteErrorLog(u"SetRenderTarget/Can't set RenderTarget\n");
            return false;
        }
        return true;
    }
    if (prender::failed(s.device->set_depth_stencil_surface(CurrentChain(s)->GetDepthStencilSurface()))) {
        GxWriteErrorLog(u"SetDepthStencil/Can't set Default DepthStencil\n");
        return false;
    }
    return true;
}

bool GxGraphics::PushRenderTarget(u32 slot, GxSurfaceBase* target, GxSurface* depthStencil, const GxRect* viewport) {
    State& s = S();
    if (!s.device) return false;
    if (slot >= s.slots.size()) {
        GxWriteErrorLog(u"SetRenderTarget/Can't set RenderTarget %d\n", slot);
        return false;
    }
    GxRenderTargetRecord record;
    record.m_Target = target;
    record.m_DepthStencil = depthStencil;
    if (viewport) record.m_Viewport = *viewport;
    s.slots[slot].push_back(record);
    bool ok = SetRenderTarget(slot, &s.slots[slot].back());
    ok &= SetDepthStencil(&s.slots[slot].back());
    return ok;
}

bool GxGraphics::PopRenderTarget(u32 slot) {
    State& s = S();
    if (!s.device || slot >= s.slots.size()) return false;
    auto& stack = s.slots[slot];
    if (!stack.empty()) stack.pop_back();
    const GxRenderTargetRecord* back = stack.empty() ? nullptr : &stack.back();
    bool ok = SetRenderTarget(slot, back);
    ok &= SetDepthStencil(back);
    return ok;
}

void GxGraphics::ForgetSurface(const GxSurfaceBase* surface) {
    for (auto& stack : S().slots)
        for (GxRenderTargetRecord& r : stack) {
            if (r.m_Target == surface) r.m_Target = nullptr;
            if (static_cast<const GxSurfaceBase*>(r.m_DepthStencil) == surface) r.m_DepthStencil = nullptr;
        }
}

void GxGraphics::ForgetSwapChain(const GxSwapChain* chain) {
    State& s = S();
    if (s.current == chain && chain != &s.defaultChain) {
        s.current = &s.defaultChain;
        if (s.device) SetSwapChain(nullptr, nullptr);
    }
}

u32 GxGraphics::GetRenderTargetSlotCount() { return u32(S().slots.size()); }

size_t GxGraphics::GetRenderTargetDepth(u32 slot) {
    State& s = S();
    return slot < s.slots.size() ? s.slots[slot].size() : 0;
}

u32 GxGraphics::GetTextureFormat() { return S().textureFormat; }
u32 GxGraphics::GetRenderTargetFormat() { return S().renderTargetFormat; }
u32 GxGraphics::GetDepthStencilFormat() { return S().depthStencilFormat; }
u32 GxGraphics::GetFloatTextureFormat() { return S().floatFormat; }
u32 GxGraphics::GetFloat2TextureFormat() { return S().float2Format; }

const prender::device_caps& GxGraphics::GetCaps() { return S().caps; }
bool GxGraphics::IsSquareTextureRequired() { return S().caps.square_only || S().forceSquare; }
bool GxGraphics::IsWindowedModePossible() { return S().windowedPossible; }
bool GxGraphics::IsForceFullScreen() { return S().forceFullScreen; }
bool GxGraphics::IsSoftwareVertexProcessing() { return S().softwareVP; }
bool GxGraphics::IsReferenceRasterizer() { return S().referenceRasterizer; }

const prender::display_mode& GxGraphics::GetDisplayModeRecord(u32 index) {
    static const display_mode none{};
    return index < 4 ? S().modes[index] : none;
}

const prender::present_parameters& GxGraphics::GetPresentParameters(u32 index) {
    return index < kGxDisplayModeTableSize ? S().table[index] : kEmptyParameters;
}

u32 GxGraphics::GetMultiSampleQualityLevels(u32 type, bool windowed) {
    if (type >= kMultiSampleTypes) return 0;
    return windowed ? S().multiSampleWindowed[type] : S().multiSampleFull[type];
}

u32 GxGraphics::GetBackBufferWidth() { return S().backBufferWidth; }
u32 GxGraphics::GetBackBufferHeight() { return S().backBufferHeight; }
const GxString& GxGraphics::GetAdapterDescription() { return S().cardDescription; }
const GxString& GxGraphics::GetDriverName() { return S().driverName; }
const GxString& GxGraphics::GetDriverVersion() { return S().driverVersion; }
u32 GxGraphics::GetAdapterCount() { return S().adapterCount; }

bool GxGraphics::GetVideoMemory(u32* megabytes) {
    if (megabytes) *megabytes = S().videoMemoryMB;
    return S().videoMemoryKnown;
}

prender::present_target* GxGraphics::GetMainPresentTarget() { return S().target.get(); }

void GxGraphics::ApplyVertexProcessing(u32 major, u32 minor) {
    State& s = S();
    if (!s.device) return;
    if (s.softwareVP || s.referenceRasterizer) {
        s.device->set_software_vertex_processing(true);
        return;
    }
    const prender::device_caps& c = s.device->caps();
    bool software = !c.hw_transform_and_light || ((major << 8) | minor) > c.vertex_shader_version;
    s.device->set_software_vertex_processing(software);
}
