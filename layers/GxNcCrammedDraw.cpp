#include "layers/GxNcCrammedDraw.h"

#include "graphics/GxDraw.h"
#include "graphics/GxTexture.h"
#include "layers/GxNcCrammedImage.h"
#include "layers/GxNcOriginImage.h"

#include <algorithm>
#include <cstdint>

namespace {

// The pattern's atlas texture when it can be drawn from, else null.
GxTexture* AtlasOf(const GxNcCrammedPattern* p) {
    if (!p || !p->m_pCrammedImage) return nullptr;
    GxTexture* t = p->m_pCrammedImage->m_pTexture;
    return (t && t->HasTexture()) ? t : nullptr;
}

// The atlas rectangle (x, y, w, h) drawn with its top-left corner at (ox, oy)
// of the pattern frame.
void DrawPart(GxTexture* t, s32 x, s32 y, s32 w, s32 h, s32 ox, s32 oy, const GxMatrix& world, f32 alphaScale,
              const GxFColor& colour, const GxFColor& secondColour, u32 blendMode) {
    const f32 uv[4] = {t->ToU(f32(x)), t->ToV(f32(y)), t->ToU(f32(s64(x) + w)), t->ToV(f32(s64(y) + h))};
    const GxVector2 corners[4] = {{f32(ox), f32(oy)},
                                  {f32(ox), f32(s64(oy) + h)},
                                  {f32(s64(ox) + w), f32(s64(oy) + h)},
                                  {f32(s64(ox) + w), f32(oy)}};
    f32 xy[8];
    for (int i = 0; i < 4; ++i) {
        const GxVector2 c = corners[i].Transform(world);
        xy[i * 2] = c.x;
        xy[i * 2 + 1] = c.y;
    }
    GxFColor c = colour;
    c.a *= alphaScale;
    const u32 diffuse = c.ToARGB(), specular = secondColour.ToARGB();
    const u32 d[4] = {diffuse, diffuse, diffuse, diffuse};
    const u32 s[4] = {specular, specular, specular, specular};
    GxDrawTexturedQuad(t, xy, uv, d, s, blendMode);
}

// One axis of a clip: the offset into the kept part and the visible length
// (64-bit: the values come from files).
void ClipAxis(s64 lo, s64 hi, s64 offset, s64 length, s64* skip, s64* visible) {
    if (lo < offset) {
        *skip = 0;
        *visible = std::min(length, hi - lo);
    } else {
        *skip = lo - offset;
        *visible = std::min(length - lo + offset, hi - lo);
    }
}

} // namespace

void DrawCrammedPattern(s32 patternIndex, const GxNcOriginImage* origin, const GxMatrix& world, f32 alphaScale,
                        const GxFColor& colour, const GxFColor& secondColour, u32 blendMode) {
    const GxNcCrammedPattern* p = origin ? origin->GetPattern(patternIndex) : nullptr;
    GxTexture* t = AtlasOf(p);
    if (!t) return;
    DrawPart(t, p->m_CrammedLeft, p->m_CrammedTop, p->m_CrammedWidth, p->m_CrammedHeight, p->m_CrammedOffsetLeft,
             p->m_CrammedOffsetTop, world, alphaScale, colour, secondColour, blendMode);
}

void DrawCrammedPatternClipped(s32 patternIndex, const GxNcOriginImage* origin, const GxRect& clip,
                               const GxMatrix& world, f32 alphaScale, const GxFColor& colour,
                               const GxFColor& secondColour, u32 blendMode) {
    const GxNcCrammedPattern* p = origin ? origin->GetPattern(patternIndex) : nullptr;
    GxTexture* t = AtlasOf(p);
    if (!t) return;
    s64 dx, dy, vw, vh;
    ClipAxis(clip.left, clip.right, p->m_CrammedOffsetLeft, p->m_CrammedWidth, &dx, &vw);
    ClipAxis(clip.top, clip.bottom, p->m_CrammedOffsetTop, p->m_CrammedHeight, &dy, &vh);
    // A clip that leaves nothing (or is turned inside out) would otherwise
    // draw a mirrored strip of the neighbouring atlas pixels.
    if (vw <= 0 || vh <= 0 || vw > INT32_MAX || vh > INT32_MAX || dx > INT32_MAX || dy > INT32_MAX) return;
    DrawPart(t, s32(std::clamp<s64>(p->m_CrammedLeft + dx, INT32_MIN, INT32_MAX)),
             s32(std::clamp<s64>(p->m_CrammedTop + dy, INT32_MIN, INT32_MAX)), s32(vw), s32(vh), p->m_CrammedOffsetLeft, p->m_CrammedOffsetTop,
             world, alphaScale, colour, secondColour, blendMode);
}
