#include "graphics/GxGlobalFonts.h"

#include "graphics/GxD3DResourceManage.h"

namespace {

struct Fonts {
    GxGDIFontMap maps[GxGlobalFonts::kFontMapCount];
    GxFontData data[GxGlobalFonts::kFontDataCount];
    GxFontData message;
};

Fonts& All() {
    // The registry the page textures enter must outlive them at exit.
    static GxD3DResourceManage& registry = GxD3DResourceManage::GetInstance();
    (void)registry;
    static Fonts fonts;
    return fonts;
}

} // namespace

GxGDIFontMap* GxGlobalFonts::GetFontMap(int index) {
    return index >= 0 && index < kFontMapCount ? &All().maps[index] : nullptr;
}

GxFontData* GxGlobalFonts::GetFontData(int index) {
    return index >= 0 && index < kFontDataCount ? &All().data[index] : nullptr;
}

GxFontData* GxGlobalFonts::GetMessageFont() { return &All().message; }

void GxGlobalFonts::ReleaseAll() {
    Fonts& f = All();
    for (GxGDIFontMap& m : f.maps) m.Clear();
    for (GxFontData& d : f.data) d.Release();
    f.message.Release();
}

void GxGlobalFonts::ResetFontMaps() {
    const GxGDIFontMap fresh;
    for (GxGDIFontMap& m : All().maps) m.SetFont(fresh.GetFontHeight(), fresh.GetFaceName().c_str());
}
