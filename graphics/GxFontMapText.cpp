#include "graphics/GxFontMapText.h"

#include "graphics/GxCharWidth.h"

#include <algorithm>

void GxDrawFontMapText(GxGDIFontMap* map, const GxChar* text, f32 x, f32 y, const GxVector2* scale, u32 colour,
                       u32 secondColour, u32 blendMode, GxChar lineFeed) {
    if (!map || !text) return;
    const GxVector2 s = scale ? *scale : kGxVector2One;
    const s32 height = map->GetFontHeight();
    f32 penX = 0.0f, penY = 0.0f;
    for (const GxChar* p = text; *p; ++p) {
        const GxFontMapGlyph glyph = map->GetGlyph(*p);
        if (glyph.m_Texture)
            GxDrawSpriteRect(&glyph, x + s.x * penX, y + s.y * penY, &s, nullptr, nullptr, colour, secondColour,
                             blendMode);
        penX += f32(height * GxGetCharCellWidth(*p) / 2);
        if (*p == lineFeed) {
            penX = 0.0f;
            penY += f32(height);
        }
    }
}

void GxDrawFontMapTextEdge(GxGDIFontMap* map, const GxChar* text, f32 x, f32 y, f32 edge, const GxVector2* scale,
                           u32 colour, u32 secondColour, u32 blendMode, GxChar lineFeed) {
    if (!map) return;
    const f32 diagonal[4][2] = {{-edge, -edge}, {edge, edge}, {edge, -edge}, {-edge, edge}};
    const f32 straight[4][2] = {{edge, 0}, {-edge, 0}, {0, edge}, {0, -edge}};
    for (const auto& o : diagonal)
        GxDrawFontMapText(map, text, x + o[0], y + o[1], scale, colour, secondColour, blendMode, lineFeed);
    if (map->GetFontHeight() >= 20) return;
    for (const auto& o : straight)
        GxDrawFontMapText(map, text, x + o[0], y + o[1], scale, colour, secondColour, blendMode, lineFeed);
}

void GxDrawFontMapTextOutlined(GxGDIFontMap* map, const GxChar* text, f32 x, f32 y, const GxVector2* scale,
                               u32 colour, u32 secondColour, u32 edgeColour, u32 blendMode, GxChar lineFeed) {
    GxDrawFontMapTextEdge(map, text, x, y, 1.0f, scale, edgeColour, 0, blendMode, lineFeed);
    GxDrawFontMapText(map, text, x, y, scale, colour, secondColour, blendMode, lineFeed);
}

GxPanelTextLines GxSplitPanelText(const GxChar* text, s32 fontHeight, s32 areaWidth, GxChar lineFeed) {
    GxPanelTextLines out;
    size_t line = 0;
    s32 lineWidth = 0;
    for (const GxChar* p = text; p && *p; ++p) {
        if (out.m_Lines.size() <= line) {
            out.m_Lines.resize(line + 1);
            out.m_Widths.resize(line + 1, 0);
        }
        if (*p == lineFeed) {
            ++line;
            lineWidth = 0;
            continue;
        }
        lineWidth += fontHeight * GxGetCharCellWidth(*p) / 2;
        out.m_Lines[line].push_back(*p);
        out.m_Widths[line] = std::max(out.m_Widths[line], lineWidth);
        if (s64(fontHeight) + lineWidth >= areaWidth) {
            ++line;
            lineWidth = 0;
        }
    }
    return out;
}

namespace {

enum class Align { Left, Centre, Middle };

GxRect* DrawPanelText(Align align, GxRect* out, GxGDIFontMap* map, const GxChar* text, const GxRect* area,
                      u32 colour, u32 secondColour, u32 edgeColour, u32 blendMode, GxChar lineFeed) {
    if (!out) return out;
    const GxRect a = area ? *area : GxRect{};
    *out = GxRect{a.left, a.top, a.left, a.top};
    if (!map) return out;
    const s32 h = map->GetFontHeight();
    const s32 areaWidth = a.right - a.left;
    const GxPanelTextLines split = GxSplitPanelText(text, h, areaWidth, lineFeed);
    const size_t n = split.m_Lines.size();
    if (n == 0) return out;
    s32 offsetY = 0;
    if (align == Align::Middle) {
        const s32 textHeight = h * s32(split.m_Lines.back().empty() ? n - 1 : n);
        offsetY = (a.bottom - a.top - textHeight) / 2;
    }
    s32 x = a.left, y = a.top;
    for (size_t i = 0; i < n; ++i) {
        x = align == Align::Left ? a.left : a.left + (areaWidth - split.m_Widths[i]) / 2;
        y = a.top + offsetY + h * s32(i);
        GxDrawFontMapTextOutlined(map, split.m_Lines[i].c_str(), f32(x), f32(y), &kGxVector2One, colour,
                                  secondColour, edgeColour, blendMode, lineFeed);
    }
    if (align != Align::Left) out->left = a.left + (areaWidth - split.m_Widths[0]) / 2;
    out->top = a.top + offsetY;
    out->right = x + split.m_Widths[n - 1];
    out->bottom = y + h;
    return out;
}

} // namespace

GxRect* GxDrawPanelTextAlign0(GxRect* out, GxGDIFontMap* map, const GxChar* text, const GxRect* area, u32 colour,
                              u32 secondColour, u32 edgeColour, u32 blendMode, GxChar lineFeed) {
    return DrawPanelText(Align::Left, out, map, text, area, colour, secondColour, edgeColour, blendMode, lineFeed);
}

GxRect* GxDrawPanelTextAlign1(GxRect* out, GxGDIFontMap* map, const GxChar* text, const GxRect* area, u32 colour,
                              u32 secondColour, u32 edgeColour, u32 blendMode, GxChar lineFeed) {
    return DrawPanelText(Align::Centre, out, map, text, area, colour, secondColour, edgeColour, blendMode, lineFeed);
}

GxRect* GxDrawPanelTextAlign2(GxRect* out, GxGDIFontMap* map, const GxChar* text, const GxRect* area, u32 colour,
                              u32 secondColour, u32 edgeColour, u32 blendMode, GxChar lineFeed) {
    return DrawPanelText(Align::Middle, out, map, text, area, colour, secondColour, edgeColour, blendMode, lineFeed);
}
