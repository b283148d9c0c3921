#include "graphics/GxDraw.h"

#include "graphics/GxGraphics.h"
#include "graphics/GxRenderState.h"
#include "graphics/GxTextureFlex.h"

#include <cmath>

const GxVector2 GxVector2Zero{0.0f, 0.0f};

namespace {

constexpr u32 kOpaqueWhite = 0xFFFFFFFFu;

GxScreenVertex Vertex(f32 x, f32 y, f32 z, u32 diffuse, u32 specular, f32 u, f32 v) {
    return GxScreenVertex{x, y, z, 1.0f, diffuse, specular, u, v};
}

void DrawFan(const std::shared_ptr<prender::texture>& texture, u32 blendMode, const GxScreenVertex* v) {
    prender::device* dev = GxGraphics::GetDevice();
    if (!dev) return;
    GxSetBlendMode(0, blendMode);
    GxSetTexture(0, texture);
    dev->draw_primitive_up(prender::primitive_type::triangle_fan, 2, v);
}

// What a draw call needs of a texture: the device texture, and its size for
// texel-to-coordinate mapping (0 when there is none).
struct TextureUse {
    std::shared_ptr<prender::texture> d3d;
    f32 width = 0.0f, height = 0.0f;
};

TextureUse Use(GxTextureBase* texture) {
    TextureUse t;
    if (!texture) return t;
    t.d3d = texture->GetD3DTexture();
    if (t.d3d) {
        t.width = f32(texture->GetWidth());
        t.height = f32(texture->GetHeight());
    }
    return t;
}

} // namespace

void GxGetViewportRect(GxRect* out) {
    if (!out) return;
    prender::viewport vp = GxGetViewport();
    *out = GxRect{s32(vp.x), s32(vp.y), s32(vp.x + vp.width), s32(vp.y + vp.height)};
}

bool GxSetTexture(u32 stage, std::shared_ptr<prender::texture> texture) {
    prender::device* dev = GxGraphics::GetDevice();
    return dev && prender::succeeded(dev->set_texture(stage, std::move(texture)));
}

bool GxIsOutsideViewport(const GxScreenVertex* v, u32 count) {
    GxRect vp;
    GxGetViewportRect(&vp);
    bool left = true, right = true, above = true, below = true;
    for (u32 i = 0; i < count; ++i) {
        left &= v[i].x < f32(vp.left);
        right &= v[i].x > f32(vp.right);
        above &= v[i].y < f32(vp.top);
        below &= v[i].y > f32(vp.bottom);
    }
    return left || right || above || below;
}

GxMatrix GxMakeSpriteMatrix(f32 x, f32 y, f32 w, f32 h, const GxVector2* scale, const GxVector3* rotation,
                            const GxVector2* pivot) {
    const GxVector2 s = scale ? *scale : kGxVector2One;
    const GxVector3 r = rotation ? *rotation : GxVector3();
    const GxVector2 p = pivot ? *pivot : GxVector2Zero;
    GxMatrix m;
    m.ComposeZXY(GxVector3(x, y, 0.0f), r, GxVector3(s.x, s.y, 1.0f), GxVector3(p.x * w, p.y * h, 0.0f));
    m.TranslateXYZ(-p.x * w, -p.y * h, 0.0f);
    m.TranslateXYZ(-0.5f, -0.5f, 0.0f);
    return m;
}

void GxDrawSprite(GxTextureBase* texture, f32 x, f32 y, const f32 src[4], const GxVector2* scale,
                  const GxVector3* rotation, const GxVector2* pivot, const GxVector2* uvOffset, u32 colour,
                  u32 secondColour, u32 blendMode) {
    if (!src || !GxGraphics::GetDevice()) return;
    const f32 w = std::fabs(src[2] - src[0]), h = std::fabs(src[3] - src[1]);
    const GxMatrix m = GxMakeSpriteMatrix(x, y, w, h, scale, rotation, pivot);
    const GxVector2 corners[4] = {
        GxVector2(0, 0).Transform(m), GxVector2(0, h).Transform(m), GxVector2(w, h).Transform(m),
        GxVector2(w, 0).Transform(m)};
    TextureUse t = Use(texture);
    const GxVector2 off = uvOffset ? *uvOffset : GxVector2Zero;
    f32 u0 = 0, v0 = 0, u1 = 0, v1 = 0;
    if (t.width > 0 && t.height > 0) {
        u0 = src[0] / t.width + off.x;
        v0 = src[1] / t.height + off.y;
        u1 = src[2] / t.width + off.x;
        v1 = src[3] / t.height + off.y;
    }
    const GxScreenVertex v[4] = {
        Vertex(corners[0].x, corners[0].y, 0, colour, secondColour, u0, v0),
        Vertex(corners[1].x, corners[1].y, 0, colour, secondColour, u0, v1),
        Vertex(corners[2].x, corners[2].y, 0, colour, secondColour, u1, v1),
        Vertex(corners[3].x, corners[3].y, 0, colour, secondColour, u1, v0),
    };
    if (GxIsOutsideViewport(v, 4)) return;
    DrawFan(t.d3d, blendMode, v);
}

void GxDrawSpriteRect(const GxSpriteRect* rect, f32 x, f32 y, const GxVector2* scale, const GxVector3* rotation,
                      const GxVector2* pivot, u32 colour, u32 secondColour, u32 blendMode) {
    if (!rect) return;
    const f32 src[4] = {f32(rect->m_Left), f32(rect->m_Top), f32(rect->m_Left) + f32(rect->m_Width),
                        f32(rect->m_Top) + f32(rect->m_Height)};
    GxDrawSprite(rect->m_Texture, x, y, src, scale, rotation, pivot, &GxVector2Zero, colour, secondColour, blendMode);
}

void GxDrawSpriteRectEdge(const GxSpriteRect* rect, f32 x, f32 y, f32 edge, const GxVector2* scale,
                          const GxVector3* rotation, const GxVector2* pivot, u32 colour, u32 secondColour,
                          u32 blendMode) {
    const f32 offsets[8][2] = {{-edge, -edge}, {edge, edge}, {edge, -edge}, {-edge, edge},
                               {edge, 0},      {-edge, 0},   {0, edge},     {0, -edge}};
    for (const auto& o : offsets)
        GxDrawSpriteRect(rect, x + o[0], y + o[1], scale, rotation, pivot, colour, secondColour, blendMode);
}

void GxDrawTextureFlex(const GxTextureFlex* texture, f32 x, f32 y, const GxVector2* scale, const GxVector3* rotation,
                       const GxVector2* pivot, u32 colour, u32 secondColour, u32 blendMode) {
    prender::device* dev = GxGraphics::GetDevice();
    if (!texture || !dev) return;
    const std::vector<std::shared_ptr<prender::texture>> tiles = texture->GetTileArray();
    const u32 across = texture->GetTilesAcross(), down = texture->GetTilesDown();
    const f32 tw = f32(texture->GetTileWidth()), th = f32(texture->GetTileHeight());
    if (tiles.size() != size_t(across) * down) return;
    const GxMatrix m = GxMakeSpriteMatrix(x, y, f32(texture->GetImageWidth()), f32(texture->GetImageHeight()), scale,
                                          rotation, pivot);
    std::vector<GxVector2> grid(size_t(across + 1) * (down + 1));
    for (u32 j = 0; j <= down; ++j)
        for (u32 i = 0; i <= across; ++i) grid[size_t(j) * (across + 1) + i] = GxVector2(f32(i) * tw, f32(j) * th).Transform(m);
    auto at = [&](u32 i, u32 j) { return grid[size_t(j) * (across + 1) + i]; };
    GxSetBlendMode(0, blendMode);
    for (u32 j = 0; j < down; ++j) {
        for (u32 i = 0; i < across; ++i) {
            const GxVector2 p0 = at(i, j), p1 = at(i, j + 1), p2 = at(i + 1, j + 1), p3 = at(i + 1, j);
            const GxScreenVertex v[4] = {
                Vertex(p0.x, p0.y, 0, colour, secondColour, 0, 0), Vertex(p1.x, p1.y, 0, colour, secondColour, 0, 1),
                Vertex(p2.x, p2.y, 0, colour, secondColour, 1, 1), Vertex(p3.x, p3.y, 0, colour, secondColour, 1, 0)};
            if (GxIsOutsideViewport(v, 4)) continue;
            GxSetTexture(0, tiles[size_t(j) * across + i]);
            dev->draw_primitive_up(prender::primitive_type::triangle_fan, 2, v);
        }
    }
}

void GxDrawTexturedQuad(GxTextureBase* texture, const f32 corners[8], const f32 uv[4], const u32 colours[4],
                        const u32 secondColours[4], u32 blendMode) {
    if (!corners || !GxGraphics::GetDevice()) return;
    const f32 u0 = uv ? uv[0] : 0, v0 = uv ? uv[1] : 0, u1 = uv ? uv[2] : 0, v1 = uv ? uv[3] : 0;
    const f32 us[4] = {u0, u0, u1, u1}, vs[4] = {v0, v1, v1, v0};
    GxScreenVertex v[4];
    for (int i = 0; i < 4; ++i)
        v[i] = Vertex(corners[i * 2] - 0.5f, corners[i * 2 + 1] - 0.5f, 0, colours ? colours[i] : kOpaqueWhite,
                      secondColours ? secondColours[i] : 0, us[i], vs[i]);
    if (GxIsOutsideViewport(v, 4)) return;
    TextureUse t = Use(texture);
    DrawFan(t.d3d, blendMode, v);
}

namespace {

// Two fans around the centre: (0, 1, centre, 3) and (centre, 1, 2, 3), four
// triangles that meet at the centre.
void DrawAroundCentre(const std::shared_ptr<prender::texture>& texture, u32 blendMode, const GxScreenVertex (&p)[5]) {
    const GxScreenVertex first[4] = {p[0], p[1], p[4], p[3]};
    const GxScreenVertex second[4] = {p[4], p[1], p[2], p[3]};
    DrawFan(texture, blendMode, first);
    DrawFan(texture, blendMode, second);
}

} // namespace

void GxDrawNcLayerQuad(GxTextureBase* texture, const GxVector4 points[5], const GxVector2 uvs[5],
                       const u32 colours[5], const u32 secondColours[5], const GxVector2* uvOffset, u32 blendMode) {
    if (!points || !GxGraphics::GetDevice()) return;
    const GxVector2 off = uvOffset ? *uvOffset : GxVector2Zero;
    GxScreenVertex v[5];
    for (int i = 0; i < 5; ++i) {
        f32 u = 0, tv = 0;
        if (uvs) u = uvs[i].x + off.x, tv = uvs[i].y + off.y;
        v[i] = Vertex(points[i].x - 0.5f, points[i].y - 0.5f, points[i].z, colours ? colours[i] : kOpaqueWhite,
                      secondColours ? secondColours[i] : 0, u, tv);
    }
    if (GxIsOutsideViewport(v, 5)) return;
    TextureUse t = Use(texture);
    DrawAroundCentre(t.d3d, blendMode, v);
}

void GxDrawGradientRect(const f32 rect[4], const u32 colours[5], const u32 secondColours[5], u32 blendMode) {
    if (!rect || !GxGraphics::GetDevice()) return;
    const f32 l = rect[0], t = rect[1], r = rect[2], b = rect[3];
    const f32 xs[5] = {l, l, r, r, (l + r) * 0.5f}, ys[5] = {t, b, b, t, (t + b) * 0.5f};
    GxScreenVertex v[5];
    for (int i = 0; i < 5; ++i)
        v[i] = Vertex(xs[i], ys[i], 0, colours ? colours[i] : kOpaqueWhite, secondColours ? secondColours[i] : 0, 0, 0);
    DrawAroundCentre(nullptr, blendMode, v);
}
