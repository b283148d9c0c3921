#pragma once
// The immediate-mode 2-D drawing that all the engine's pictures end in: one or
// a few screen-space quads per call, each with its blend preset and texture on
// stage 0, skipped without a device call when it lies wholly outside the
// viewport. Callers open the scene and set the default 2-D state first.
//
// Quads are four vertices in the order top-left, bottom-left, bottom-right,
// top-right of the untransformed rectangle, drawn as one triangle fan.
// Routines that draw textures move their final positions by −0.5 so that
// texels land on pixels.
#include "base/GxMatrix.h"
#include "base/GxVector.h"
#include "graphics/GxTextureBase.h"
#include "platform/render/types.h"

#include <memory>

using GxScreenVertex = prender::screen_vertex;

// A region of a texture in its pixels.
struct GxSpriteRect {
    GxTextureBase* m_Texture = nullptr;
    s32 m_Left = 0;
    s32 m_Top = 0;
    s32 m_Width = 0;
    s32 m_Height = 0;
};

// The offset passed when texture coordinates are not shifted.
extern const GxVector2 GxVector2Zero;

// The current viewport as left, top, right, bottom.
void GxGetViewportRect(GxRect* out);
bool GxSetTexture(u32 stage, std::shared_ptr<prender::texture> texture);

// A texture region (src: left, top, right, bottom in texels) scaled, rotated
// (radians about x, y and z) about the pivot (a fraction of the region's
// size), with the pivot landing on (x, y). Null scale, rotation, pivot or
// offset mean 1, 0, 0 and 0. With no texture (or an empty one) the quad is
// drawn in its colours alone.
void GxDrawSprite(GxTextureBase* texture, f32 x, f32 y, const f32 src[4], const GxVector2* scale,
                  const GxVector3* rotation, const GxVector2* pivot, const GxVector2* uvOffset, u32 colour,
                  u32 secondColour, u32 blendMode);
void GxDrawSpriteRect(const GxSpriteRect* rect, f32 x, f32 y, const GxVector2* scale, const GxVector3* rotation,
                      const GxVector2* pivot, u32 colour, u32 secondColour, u32 blendMode);
// The region eight times around (x, y) at the distance `edge`, for an outline;
// the caller then draws the region itself on top.
void GxDrawSpriteRectEdge(const GxSpriteRect* rect, f32 x, f32 y, f32 edge, const GxVector2* scale,
                          const GxVector3* rotation, const GxVector2* pivot, u32 colour, u32 secondColour,
                          u32 blendMode);
class GxTextureFlex;
// A whole tiled texture, transformed as a sprite of its image size; each tile
// is culled on its own and drawn whole (edge tiles reach past the image).
void GxDrawTextureFlex(const GxTextureFlex* texture, f32 x, f32 y, const GxVector2* scale, const GxVector3* rotation,
                       const GxVector2* pivot, u32 colour, u32 secondColour, u32 blendMode);
// Four free corners (x, y pairs in corner order), texture coordinates left,
// top, right, bottom, and a colour and second colour per corner.
void GxDrawTexturedQuad(GxTextureBase* texture, const f32 corners[8], const f32 uv[4], const u32 colours[4],
                        const u32 secondColours[4], u32 blendMode);
// A layout-project layer quad: points 0 to 3 the corners in corner order and
// 4 the centre, in screen space with their own z; drawn as four triangles
// that meet at the centre. Without colours: opaque white and no second colour.
void GxDrawNcLayerQuad(GxTextureBase* texture, const GxVector4 points[5], const GxVector2 uvs[5],
                       const u32 colours[5], const u32 secondColours[5], const GxVector2* uvOffset, u32 blendMode);
// An untextured rectangle (left, top, right, bottom) with colours 0 to 3 at
// the corners and 4 at the centre; neither culled nor offset.
void GxDrawGradientRect(const f32 rect[4], const u32 colours[5], const u32 secondColours[5], u32 blendMode);

// The sprite transform: corner c of a w × h region lands at
// (c − pivot)·scale·rotation + (x, y) − 0.5.
GxMatrix GxMakeSpriteMatrix(f32 x, f32 y, f32 w, f32 h, const GxVector2* scale, const GxVector3* rotation,
                            const GxVector2* pivot);
// Whether quad corners all lie beyond one edge of the viewport.
bool GxIsOutsideViewport(const GxScreenVertex* vertices, u32 count);
