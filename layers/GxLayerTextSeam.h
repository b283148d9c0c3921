#pragma once
// The one place where a layer draws text: the name of a picture that was
// missing, printed over the error image. Glyph-map text drawing is not part
// of the graphics layer yet; until it is, this seam forwards to a drawer
// that can be installed (tests install one), and draws nothing without one.
// When the graphics layer's font-map text drawing exists, this function
// calls it directly.
#include "base/GxTypes.h"

struct GxLayerTextRequest {
    s32 fontMap = 1;
    GxString text;
    f32 x = 0, y = 0;
    f32 scaleX = 1, scaleY = 1;
    u32 colour = 0xFFFFFFFF;
    u32 secondColour = 0;
    u32 blendMode = 2;
    GxChar lineFeed = 10;
};

using GxLayerTextDrawer = void (*)(const GxLayerTextRequest& request);

void GxSetLayerTextDrawer(GxLayerTextDrawer drawer);
void GxLayerDrawFontMapText(const GxLayerTextRequest& request);
