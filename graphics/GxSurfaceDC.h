#pragma once
// Drawing contexts over a surface's pixels, for GetDC / ReleaseDC of surfaces
// and textures: the pixels are read into the context when it is made and
// written back, in the surface's own format, when it is released.
#include "platform/glyph/drawing_context.h"
#include "platform/render/resources.h"

#include <memory>

// Null when the surface cannot be locked or holds no colour pixels.
std::unique_ptr<pglyph::drawing_context> GxReadSurfaceToDC(prender::surface& surface);
bool GxWriteDCToSurface(const pglyph::drawing_context& dc, prender::surface& surface);
