#pragma once
// A motion of a layout project evaluated at a time: one layer snapshot per
// layer of the motion, combined along the layer tree into world matrices and
// finished into quads ready to draw. The snapshot is kept from frame to frame
// and reused; it allocates only when its motion has more layers than before
// or a nested motion is first shown.
#include "base/GxFColor.h"
#include "base/GxMatrix.h"
#include "layers/GxNcLayerSnapShotEx.h"

#include <vector>

class GxNcProject;
class GxNcMotion;
class GxNcLayerNode;
class GxNcSnapShotListener;
class GxNcSnapShotDrawHook;

class GxNcMotionSnapShotEx {
public:
    GxNcMotionSnapShotEx();
    ~GxNcMotionSnapShotEx();
    GxNcMotionSnapShotEx(const GxNcMotionSnapShotEx&) = default;
    GxNcMotionSnapShotEx& operator=(const GxNcMotionSnapShotEx&) = default;

    // Evaluates the motion at the time. offset is added to every point after
    // the world transform; parent null means the identity; depth bounds the
    // levels of nested motions evaluated below this one. A null motion does
    // nothing.
    void Update(const GxNcProject* project, const GxNcMotion* motion, s32 time, const GxVector4& offset,
                const GxMatrix* parent, const GxFColor& tint, int depth, GxNcSnapShotListener* listener);
    // Draws the layers, last to first, so the first layer ends on top.
    // Overrides of 0 mean none.
    void Draw(const GxMatrix& matrix, f32 alphaFactor, const GxFColor& tint, const GxFColor& secondColour,
              u32 blendOverride, u32 filterOverride, GxNcSnapShotDrawHook* hook);

    s32 m_Time = 0;
    s32 m_Period = 1;
    const GxNcMotion* m_pMotion = nullptr;
    GxVector4 m_Offset;
    std::vector<GxNcLayerSnapShotEx> m_Layers;

private:
    void Combine(GxNcLayerNode* first, u32 blendMode, const GxMatrix& parent);
    void Finish(GxNcLayerSnapShotEx& s, const GxNcProject* project, const GxFColor& tint, int depth,
                GxNcSnapShotListener* listener);
};
