#include "graphics/GxSurfaceDC.h"

#include "platform/render/format.h"

std::unique_ptr<pglyph::drawing_context> GxReadSurfaceToDC(prender::surface& surface) {
    const prender::surface_desc& d = surface.desc();
    if (!prender::is_color_format(d.fmt)) return nullptr;
    prender::locked_rect lr;
    if (prender::failed(surface.lock_rect(nullptr, lr, prender::lock_read_only))) return nullptr;
    auto dc = std::make_unique<pglyph::drawing_context>(d.width, d.height);
    for (uint32_t y = 0; y < d.height; ++y)
        prender::row_to_argb(d.fmt, static_cast<const uint8_t*>(lr.bits) + ptrdiff_t(y) * lr.pitch,
                             dc->pixels() + size_t(y) * d.width, d.width);
    surface.unlock_rect();
    return dc;
}

bool GxWriteDCToSurface(const pglyph::drawing_context& dc, prender::surface& surface) {
    const prender::surface_desc& d = surface.desc();
    if (dc.width() != d.width || dc.height() != d.height || !prender::is_color_format(d.fmt)) return false;
    prender::locked_rect lr;
    if (prender::failed(surface.lock_rect(nullptr, lr, 0))) return false;
    for (uint32_t y = 0; y < d.height; ++y)
        prender::row_from_argb(d.fmt, dc.pixels() + size_t(y) * d.width,
                               static_cast<uint8_t*>(lr.bits) + ptrdiff_t(y) * lr.pitch, d.width);
    surface.unlock_rect();
    return true;
}
