#pragma once
// What the text widgets share: the system configuration they read their
// colours, sizes and character sets from, font indexes held to the six
// configured glyph maps, text measure in cells, colours with the actor's
// alpha, arithmetic that cannot overflow on values from a damaged save, and
// one glyph drawn with its outline or shadow.
#include "base/GxVector.h"

class GxContentReaderBase;
class GxGDIFontMap;
class GxSystemConfig;

constexpr s32 kGxUIFontIndexMax = 5;

// The core's configuration, or one at its defaults without a core.
const GxSystemConfig& GxUISystemConfig();
// The index held to 0..5; an index outside is logged with the class name and
// the nearest end is used.
s32 GxUICheckFontIndex(s32 index, const GxChar* className);
// The configured pixel size (FONTSIZE_0 to FONTSIZE_5) of a checked index.
s32 GxUIFontSize(s32 index);
// The glyph map of a checked index.
GxGDIFontMap* GxUIFontMap(s32 index);

// Cell width x font size / 2, truncated toward zero.
s32 GxUICharWidth(GxChar ch, s32 fontSize);
// a + b held to the s32 range.
s32 GxUIAddSat(s32 a, s64 b);
// Whether a character is one of a set (a line-start or line-end rule's).
bool GxUIInSet(const GxString& set, GxChar ch);

// A stored list's begin with its element count, refused (count 0) when the
// stream already failed, or cannot hold that many elements of at least
// elementBytes each (GxContentMinReadBytes); the stream's one line then
// names the class.
bool GxUIReadListCount(GxContentReaderBase* reader, const char* name, const GxChar* className, u32 elementBytes,
                       u32* count);

// The packed colour with its alpha multiplied by alphaScale (0..1).
u32 GxUIScaleAlpha(u32 argb, f32 alphaScale);

// How one glyph is drawn: an optional drop shadow offset right and down, an
// optional one-pixel outline (eight copies around the glyph), then the glyph.
struct GxUIGlyphStyle {
    u32 m_Colour = 0xFFFFFFFF;
    u32 m_BlendMode = 2;
    bool m_Shadow = false;
    f32 m_ShadowOffset = 0.0f;
    u32 m_ShadowColour = 0;
    bool m_Edge = false;
    u32 m_EdgeColour = 0;
};
// One glyph of the map at (x, y); offsets and the glyph are scaled by scale.
// False (nothing drawn) when the character has no image.
bool GxUIDrawGlyph(GxGDIFontMap* map, GxChar ch, f32 x, f32 y, const GxVector2& scale, const GxUIGlyphStyle& style);
