#include "graphics/GxDrawFilledRect.h"

#include "graphics/GxDraw.h"

void GxDrawFilledRect(const GxRect& rect, u32 colour, u32 secondColour, u32 blendMode) {
    const f32 r[4] = {f32(rect.left), f32(rect.top), f32(rect.right), f32(rect.bottom)};
    const u32 d[5] = {colour, colour, colour, colour, colour};
    const u32 s[5] = {secondColour, secondColour, secondColour, secondColour, secondColour};
    GxDrawGradientRect(r, d, s, blendMode);
}
