#pragma once
// One entry of a render-target slot's stack: what to draw into, its
// depth-stencil surface, and the viewport (all four 0: the whole target).
#include "base/GxVector.h"

class GxSurfaceBase;
class GxSurface;

struct GxRenderTargetRecord {
    GxSurfaceBase* m_Target = nullptr;
    GxSurface* m_DepthStencil = nullptr;
    GxRect m_Viewport;
};
