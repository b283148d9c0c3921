#pragma once
// The engine's one render device and everything global about it: choosing the
// display modes and resource formats at start-up, creating the device with a
// fallback cascade, the "device.log" findings, the scene counter, clearing,
// presenting through the current swap chain with device-loss recovery,
// changing the display mode at run time, the per-slot render-target stacks
// and re-applying the cached states after a reset.
//
// There is one device per process, so this is a set of process-wide
// functions; everything here runs on the main thread.
#include "base/GxVector.h"
#include "graphics/GxGraphicsConfig.h"
#include "graphics/GxGraphicsListenerBase.h"
#include "graphics/GxRenderTargetRecord.h"
#include "platform/render/adapter.h"
#include "platform/render/device.h"

#include <memory>

namespace pwin {
class window;
}
namespace prender {
class present_target;
}
class GxSwapChain;
class GxSurfaceBase;
class GxSurface;

// Exit code of a process ended by a fatal device error.
constexpr int kGxDeviceFatalExitCode = 2;
using GxGraphicsQuitHandler = void (*)(int exitCode);

class GxGraphics {
public:
    // The start-up block, filled before Initialize.
    static GxGraphicsConfig& GetConfig();

    // The adapter to start on (null: this machine's software device). Takes
    // effect at the next Initialize.
    static void SetAdapter(std::unique_ptr<prender::adapter> adapter);

    // Starts the device for the main window. With no window at all the device
    // runs headless (frames are drawn and kept, shown nowhere); a window that
    // was never created fails, as does everything the start-up logs.
    static bool Initialize(pwin::window* window, GxGraphicsListenerBase* listener, GxDeviceEventCallback lostCallback,
                           GxDeviceEventCallback resetCallback);
    // Releases the default swap chain, reports and clears the textures never
    // released, and ends the device.
    static void Finalize();
    // Once the device has ended: everything start-up found or was given
    // (config, adapter, listener, handlers, formats, fatal flag, effect
    // sources preferred) and the render-state cache as a new process has them.
    static void ForgetStartup();
    // The shader side: the default shader name ("gx_default") and the pool
    // effects are made in (GxGetEffectPool). 0 on success.
    static u32 InitializeShader();
    static void FinalizeShader();
    static const GxString& GetDefaultShaderName();

    // The device (null before Initialize and after Finalize) and its adapter.
    static prender::device* GetDevice();
    static const prender::adapter* GetAdapter();

    // One scene per drawing pass: Begin opens it (a second Begin changes
    // nothing), End closes it; an End with no open scene is refused.
    static bool BeginScene();
    static bool EndScene();
    static s32 GetSceneCount();
    static bool Clear(u32 flags, u32 argb, f32 z, u32 stencil, const GxRect* rect = nullptr);
    // Shows the frame through the current swap chain; window null: the window
    // the chain was made for. A lost device is reset here when it can be.
    static bool Present(const GxRect* sourceRect = nullptr, const GxRect* destRect = nullptr,
                        prender::present_target* window = nullptr);
    static bool ResetDevice(bool force, u32 newModeIndex, u32 previousModeIndex,
                            const prender::present_parameters* presentParameters);
    static bool ChangeDisplayMode(u32 index);

    // A fatal device error (the driver failed inside present) ends the game
    // through its normal shutdown: the handler is asked to quit with
    // kGxDeviceFatalExitCode, and every later present is refused.
    static void SetQuitHandler(GxGraphicsQuitHandler handler);
    static bool IsFatalError();
    static int GetExitCode();

    // Swap chains and render targets.
    static bool SetSwapChain(GxSwapChain* chain, const GxRect* viewport);
    static GxSwapChain* GetSwapChain();
    static GxSwapChain* GetDefaultSwapChain();
    static bool PushRenderTarget(u32 slot, GxSurfaceBase* target, GxSurface* depthStencil, const GxRect* viewport);
    static bool PopRenderTarget(u32 slot);
    static bool SetRenderTarget(u32 slot, const GxRenderTargetRecord* record);
    static bool SetDepthStencil(const GxRenderTargetRecord* record);
    // A target, depth-stencil surface or swap chain going away: the stacks and
    // the current chain stop referring to it (a record keeps its place and
    // binds the back buffer or the chain's depth-stencil instead).
    static void ForgetSurface(const GxSurfaceBase* surface);
    static void ForgetSwapChain(const GxSwapChain* chain);
    static u32 GetRenderTargetSlotCount();
    static size_t GetRenderTargetDepth(u32 slot);

    // Formats chosen at start-up (0 when none).
    static u32 GetTextureFormat();
    static u32 GetRenderTargetFormat();
    static u32 GetDepthStencilFormat();
    static u32 GetFloatTextureFormat();
    static u32 GetFloat2TextureFormat();

    // What start-up found.
    static const prender::device_caps& GetCaps();
    static bool IsSquareTextureRequired();  // square-only device or the force-square setting
    static bool IsWindowedModePossible();
    static bool IsForceFullScreen();
    static bool IsSoftwareVertexProcessing();
    static bool IsReferenceRasterizer();
    // Display-mode records: 0 windowed, 1 desktop, 2 full screen at the
    // requested size, 3 full screen at the desktop's size.
    static const prender::display_mode& GetDisplayModeRecord(u32 index);
    // An entry of the display-mode table (an empty one has height 0).
    static const prender::present_parameters& GetPresentParameters(u32 index);
    static u32 GetMultiSampleQualityLevels(u32 type, bool windowed);
    static u32 GetBackBufferWidth();
    static u32 GetBackBufferHeight();
    static const GxString& GetAdapterDescription();
    static const GxString& GetDriverName();
    static const GxString& GetDriverVersion();
    static u32 GetAdapterCount();
    // The adapter's video memory in MB; false when unknown.
    static bool GetVideoMemory(u32* megabytes);
    // The main window's frame target (null headless).
    static prender::present_target* GetMainPresentTarget();

    // Software or hardware vertex processing for a vertex-shader version.
    static void ApplyVertexProcessing(u32 major, u32 minor);
};
