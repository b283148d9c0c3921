#pragma once
// What textures and surfaces share: they can become a render target of the
// device and have a format, a pool and a size.
#include "graphics/GxD3DResourceBase.h"

class GxSurfaceBase : public GxD3DResourceBase {
public:
    // Binds level 0 (or the surface itself) as device render target `index`.
    virtual bool SetRenderTarget(u32 index) = 0;
    virtual u32 GetFormat() const = 0;
    virtual u32 GetPool() const = 0;
    virtual u32 GetWidth() const = 0;
    virtual u32 GetHeight() const = 0;
};
