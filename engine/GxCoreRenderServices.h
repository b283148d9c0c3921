#pragma once
// The drawing scenes ask of the device: the clear that begins each frame's
// drawing, the transition's overlay of the captured screen, and the debug
// status overlay.
#include "scenes/GxSceneRenderServices.h"

class GxCoreRenderServices : public GxSceneRenderServices {
public:
    static GxCoreRenderServices* GetInstance();

    // Target, depth and stencil; a target without a depth buffer is still
    // cleared.
    void ClearTarget(u32 argb, f32 depth, u32 stencil) override;
    // The captured screen is the game's global render texture, made by its
    // off-screen render; until the game makes one there is nothing to overlay.
    void DrawTransitOverlay(u32 argb) override;
    // Drawn with the process's debug console.
    void DrawDebugStatus(f32 x, f32 y) override;
};
