#include "graphics/GxFontDataText.h"

#include "graphics/GxDraw.h"
#include "graphics/GxFontData.h"

void GxDrawFontDataText(const GxChar* text, GxFontData* font, f32 x, f32 y, const GxVector2* scale,
                        const GxVector3* rotation, const GxVector2* pivot, u32 colour, u32 secondColour,
                        u32 blendMode) {
    if (!text || !*text || !font) return;
    const f32 h = f32(font->GetCellHeight());
    const GxMatrix m = GxMakeSpriteMatrix(x, y, f32(font->GetStringWidth(text)), h, scale, rotation, pivot);
    const u32 colours[4] = {colour, colour, colour, colour};
    const u32 seconds[4] = {secondColour, secondColour, secondColour, secondColour};
    f32 penX = 0.0f;
    for (const GxChar* p = text; *p; ++p) {
        const f32 w = f32(font->GetCharWidth(*p));
        f32 uv[4];
        if (font->GetCharUV(*p, &uv[0], &uv[1], &uv[2], &uv[3])) {
            // The matrix already holds the half-pixel offset that the quad
            // routine takes off again.
            const GxVector2 c[4] = {GxVector2(penX, 0).Transform(m), GxVector2(penX, h).Transform(m),
                                    GxVector2(penX + w, h).Transform(m), GxVector2(penX + w, 0).Transform(m)};
            const f32 corners[8] = {c[0].x + 0.5f, c[0].y + 0.5f, c[1].x + 0.5f, c[1].y + 0.5f,
                                    c[2].x + 0.5f, c[2].y + 0.5f, c[3].x + 0.5f, c[3].y + 0.5f};
            GxDrawTexturedQuad(font->GetTexture(), corners, uv, colours, seconds, blendMode);
        }
        penX += w;
    }
}
