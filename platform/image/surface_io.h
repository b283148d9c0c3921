#pragma once
// Images into and out of the render device's surfaces and textures: what a
// graphics layer needs to create a texture from an image file, load a file
// into a surface, copy between surfaces through the processor, and save a
// surface or texture as PNG.
#include "platform/image/image.h"
#include "platform/render/device.h"

#include <string>
#include <vector>

namespace pimage {

enum class load_filter { none, triangle };

// Writes an image into a locked-able surface (or its rectangle): with
// load_filter::triangle the image is resampled to the rectangle's size,
// with none it lands unscaled in its top-left corner and the rest of the
// rectangle becomes transparent black. The colour key (0: none) is applied
// to the image first. The surface's format is converted to.
prender::result write_image(prender::surface& dst, const prender::rect* dst_rect, const image& img, load_filter filter,
                            uint32_t color_key);

// Writes a picture's rows into a surface as a decoder hands them over:
// unscaled in its top-left corner with the colour key (0: none) applied,
// converted to the surface's format; the rest of the surface becomes
// transparent black. A picture larger than the surface, or a surface that
// cannot be written, refuses the picture.
class surface_writer : public pixel_sink {
public:
    surface_writer(prender::surface& dst, uint32_t color_key) : dst_(dst), key_(color_key) {}
    bool begin(uint32_t width, uint32_t height) override;
    void row(uint32_t y, const uint32_t* pixels) override;

private:
    void put(uint32_t y);

    prender::surface& dst_;
    uint32_t key_;
    uint32_t width_ = 0;
    std::vector<uint32_t> line_;
};

// Decodes a whole image file and writes it as write_image does; the file's
// size goes to info when given. invalid_arg (with a reason) for a file that
// cannot be decoded.
prender::result load_surface(prender::surface& dst, const prender::rect* dst_rect, const uint8_t* file, size_t size,
                             load_filter filter, uint32_t color_key, image_info* info = nullptr,
                             std::string* error = nullptr);

// Fills levels 1 and up of a texture by halving level 0 step by step; no
// level is copied whole on the way, only the one made last.
prender::result fill_mip_levels(prender::texture& tex);

// Copies a rectangle of one surface into another through the processor,
// unscaled (the smaller of the two sizes) or resampled.
prender::result copy_surface(prender::surface& dst, const prender::rect* dst_rect, prender::surface& src,
                             const prender::rect* src_rect, load_filter filter);

// Reads a surface's pixels (after all queued drawing).
bool read_surface(prender::surface& src, image& out);

// Saves a surface as an RGBA PNG file (formats without alpha save opaque).
bool save_surface_png(const std::string& path, prender::surface& src);

} // namespace pimage
