#pragma once
// Lets a caller draw layers of a motion snapshot itself.
#include "base/GxFColor.h"
#include "base/GxMatrix.h"

class GxNcMotionSnapShotEx;
class GxNcLayerSnapShotEx;

class GxNcSnapShotDrawHook {
public:
    virtual ~GxNcSnapShotDrawHook() = default;
    // True when the hook has drawn the layer and the snapshot should not.
    virtual bool DrawLayer(GxNcMotionSnapShotEx* motion, GxNcLayerSnapShotEx* layer, const GxMatrix& matrix,
                           f32 alphaFactor, const GxFColor& tint, const GxFColor& secondColour, u32 blendOverride) = 0;
};
