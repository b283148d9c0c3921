#pragma once
// A surface that can be drawn: the device texture and the mapping of texel
// positions to texture coordinates.
#include "graphics/GxSurfaceBase.h"
#include "platform/render/resources.h"

#include <memory>

class GxTextureBase : public GxSurfaceBase {
public:
    // The device texture to draw (null when none is held).
    virtual std::shared_ptr<prender::texture> GetD3DTexture() = 0;
    virtual bool HasTexture() = 0;
    virtual f32 ToU(f32 x) = 0;
    virtual f32 ToV(f32 y) = 0;
};
