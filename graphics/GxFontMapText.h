#pragma once
// Text drawn glyph by glyph from a glyph map, with or without an outline, and
// the three layouts of a text panel's text inside a rectangle: left-aligned,
// centred, and centred both ways. Everything is drawn through the sprite
// routines, so the caller opens the scene and sets the 2-D states first.
#include "base/GxVector.h"
#include "graphics/GxGDIFontMap.h"

#include <vector>

// One glyph after another from (x, y), each at (x + scale.x × penX,
// y + scale.y × penY) scaled by scale (null: 1, 1); the pen advances by
// fontHeight × cells / 2, and after the line-feed character returns to the
// line's start one font height lower. Glyphs without an image (control
// characters) draw nothing but still advance.
void GxDrawFontMapText(GxGDIFontMap* map, const GxChar* text, f32 x, f32 y, const GxVector2* scale, u32 colour,
                       u32 secondColour, u32 blendMode, GxChar lineFeed);
// The text at the four diagonal offsets of `edge` around (x, y), and for
// fonts below 20 pixels at the four straight ones too: an outline to draw
// the text over.
void GxDrawFontMapTextEdge(GxGDIFontMap* map, const GxChar* text, f32 x, f32 y, f32 edge, const GxVector2* scale,
                           u32 colour, u32 secondColour, u32 blendMode, GxChar lineFeed);
// A one-pixel outline in edgeColour, then the text in colour on top.
void GxDrawFontMapTextOutlined(GxGDIFontMap* map, const GxChar* text, f32 x, f32 y, const GxVector2* scale,
                               u32 colour, u32 secondColour, u32 edgeColour, u32 blendMode, GxChar lineFeed);

// A panel's text split into lines no wider than the area: a line closes at
// the line-feed character (which is not kept) or once a further full-width
// character would not fit (fontHeight + line width ≥ areaWidth). Widths are
// in pixels. An empty text makes no line.
struct GxPanelTextLines {
    std::vector<GxString> m_Lines;
    std::vector<s32> m_Widths;
};
GxPanelTextLines GxSplitPanelText(const GxChar* text, s32 fontHeight, s32 areaWidth, GxChar lineFeed);

// Each line drawn outlined (GxDrawFontMapTextOutlined) at the area's left
// (Align0), centred across it (Align1), or centred across and down it
// (Align2, which leaves a trailing empty line out of its centring). out
// bounds what was drawn; its right edge follows the last line. Align0 and
// Align1 read only the area's left, top and right.
GxRect* GxDrawPanelTextAlign0(GxRect* out, GxGDIFontMap* map, const GxChar* text, const GxRect* area, u32 colour,
                              u32 secondColour, u32 edgeColour, u32 blendMode, GxChar lineFeed);
GxRect* GxDrawPanelTextAlign1(GxRect* out, GxGDIFontMap* map, const GxChar* text, const GxRect* area, u32 colour,
                              u32 secondColour, u32 edgeColour, u32 blendMode, GxChar lineFeed);
GxRect* GxDrawPanelTextAlign2(GxRect* out, GxGDIFontMap* map, const GxChar* text, const GxRect* area, u32 colour,
                              u32 secondColour, u32 edgeColour, u32 blendMode, GxChar lineFeed);
