#pragma once
// The drawing scenes do themselves: clearing the frame, and the transition's
// overlay of the captured screen. The graphics layer installs the one
// implementation; with none installed scenes draw nothing.
#include "base/GxTypes.h"

class GxSceneRenderServices {
public:
    static GxSceneRenderServices* Get();
    static void Set(GxSceneRenderServices* services);

    virtual ~GxSceneRenderServices() = default;

    // Clears render target, depth and stencil.
    virtual void ClearTarget(u32 argb, f32 depth, u32 stencil) = 0;
    // Begins the scene, sets the default 2-D states, draws the global render
    // texture as one sprite at (0, 0) from (0, 0, 1024, 768), unscaled, with
    // the colour argb and blend mode 2, and ends the scene.
    virtual void DrawTransitOverlay(u32 argb) = 0;
    // The debug status overlay with its top-left corner at (x, y), inside
    // an open scene with the 2-D states set.
    virtual void DrawDebugStatus(f32 /*x*/, f32 /*y*/) {}
};
