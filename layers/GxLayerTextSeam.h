#pragma once
// The one place where a layer draws text: the name of a picture that was
// missing, printed over the error image with one of the process's glyph
// maps. Tests may install a drawer that receives the request instead.
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

// Null: draw through the glyph map again.
void GxSetLayerTextDrawer(GxLayerTextDrawer drawer);
// In a scene of its own, with the default 2-D state.
void GxLayerDrawFontMapText(const GxLayerTextRequest& request);
