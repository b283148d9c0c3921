#include "engine/GxCoreRenderServices.h"

#include "engine/GxDebugConsoleOutputEx.h"
#include "engine/GxDebugStatus.h"

#include "graphics/GxGraphics.h"
#include "graphics/GxGraphicsTypes.h"

GxCoreRenderServices* GxCoreRenderServices::GetInstance() {
    static GxCoreRenderServices instance;
    return &instance;
}

void GxCoreRenderServices::ClearTarget(u32 argb, f32 depth, u32 stencil) {
    if (GxGraphics::Clear(kGxClearTarget | kGxClearZBuffer | kGxClearStencil, argb, depth, stencil)) return;
    GxGraphics::Clear(kGxClearTarget, argb, depth, stencil);
}

void GxCoreRenderServices::DrawTransitOverlay(u32) {}

void GxCoreRenderServices::DrawDebugStatus(f32 x, f32 y) {
    ::DrawDebugStatus(GxDebugConsoleOutputEx::GetInstance(), x, y);
}
