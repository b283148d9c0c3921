#include "layers/GxLayerTextSeam.h"

#include "graphics/GxFontMapText.h"
#include "graphics/GxGlobalFonts.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxRenderState.h"

namespace {
GxLayerTextDrawer g_Drawer = nullptr;
}

void GxSetLayerTextDrawer(GxLayerTextDrawer drawer) { g_Drawer = drawer; }

void GxLayerDrawFontMapText(const GxLayerTextRequest& r) {
    if (g_Drawer) {
        g_Drawer(r);
        return;
    }
    GxGDIFontMap* map = GxGlobalFonts::GetFontMap(r.fontMap);
    if (!map) return;
    const GxVector2 scale(r.scaleX, r.scaleY);
    GxGraphics::BeginScene();
    GxSetDefaultRenderStates();
    GxDrawFontMapText(map, r.text.c_str(), r.x, r.y, &scale, r.colour, r.secondColour, r.blendMode, r.lineFeed);
    GxGraphics::EndScene();
}
