#pragma once
// The process's fonts: six glyph maps, one per configured font size
// (FONTSIZE_0 to FONTSIZE_5), ten bitmap fonts, and the message window's
// built-in bitmap font. They are made with their defaults when first asked
// for; the game fills them at start-up and empties them at shutdown.
#include "graphics/GxFontData.h"
#include "graphics/GxGDIFontMap.h"

class GxGlobalFonts {
public:
    static constexpr int kFontMapCount = 6;
    static constexpr int kFontDataCount = 10;

    // Null for an index out of range.
    static GxGDIFontMap* GetFontMap(int index);
    static GxFontData* GetFontData(int index);
    static GxFontData* GetMessageFont();
    // Empties every glyph map and releases every bitmap font.
    static void ReleaseAll();
    // Every glyph map back to the default height and face it is made with
    // (ReleaseAll empties them but keeps the sizes the game set).
    static void ResetFontMaps();
};
