#include "layers/GxLayerTextSeam.h"

namespace {
GxLayerTextDrawer g_Drawer = nullptr;
}

void GxSetLayerTextDrawer(GxLayerTextDrawer drawer) { g_Drawer = drawer; }

void GxLayerDrawFontMapText(const GxLayerTextRequest& request) {
    if (g_Drawer) g_Drawer(request);
}
