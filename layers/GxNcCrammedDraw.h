#pragma once
// Drawing one pattern of an origin image as one textured quad, whole or
// clipped to a rectangle of the pattern's frame. Main thread, inside a scene
// the caller has begun. Nothing is drawn for a missing record, an index
// outside the pattern array or a pattern without a loaded atlas texture.
#include "base/GxFColor.h"
#include "base/GxMatrix.h"

class GxNcOriginImage;

void DrawCrammedPattern(s32 patternIndex, const GxNcOriginImage* origin, const GxMatrix& world, f32 alphaScale,
                        const GxFColor& colour, const GxFColor& secondColour, u32 blendMode);
// clip: left, top, right, bottom in the frame's pixels. The visible part is
// drawn from the pattern's offset corner; an empty clip draws nothing.
void DrawCrammedPatternClipped(s32 patternIndex, const GxNcOriginImage* origin, const GxRect& clip,
                               const GxMatrix& world, f32 alphaScale, const GxFColor& colour,
                               const GxFColor& secondColour, u32 blendMode);
