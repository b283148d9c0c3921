#include "platform/image/surface_io.h"

#include "platform/render/format.h"

#include <algorithm>

namespace pimage {

using prender::result;

namespace {

bool resolve_rect(const prender::surface& s, const prender::rect* r, prender::rect& out) {
    const prender::surface_desc& d = s.desc();
    out = r ? *r : prender::rect{0, 0, int32_t(d.width), int32_t(d.height)};
    return out.left >= 0 && out.top >= 0 && out.left < out.right && out.top < out.bottom &&
           out.right <= int32_t(d.width) && out.bottom <= int32_t(d.height);
}

} // namespace

result write_image(prender::surface& dst, const prender::rect* dst_rect, const image& img, load_filter filter,
                   uint32_t color_key) {
    prender::rect r;
    if (!resolve_rect(dst, dst_rect, r) || !prender::is_color_format(dst.desc().fmt) || dst.locked())
        return result::invalid_call;
    if (img.width == 0 || img.height == 0 || img.pixels.size() != size_t(img.width) * img.height)
        return result::invalid_arg;
    // Row by row, each made and converted on its own: no whole keyed, placed
    // or resized copy of the picture is ever made.
    const uint32_t w = uint32_t(r.width()), h = uint32_t(r.height());
    dst.finish_drawing();
    const prender::format f = dst.desc().fmt;
    const uint32_t bpp = prender::bytes_per_pixel(f);
    std::vector<uint32_t> line(w);
    auto put = [&](uint32_t y) {
        prender::row_from_argb(f, line.data(),
                               dst.bits() + ptrdiff_t(r.top + int32_t(y)) * dst.pitch() + ptrdiff_t(r.left) * bpp, w);
    };
    if (filter == load_filter::triangle && (w != img.width || h != img.height)) {
        triangle_rows rows(img, w, h, color_key);
        for (uint32_t y = 0; y < h; ++y) {
            rows.next(line.data());
            put(y);
        }
    } else {
        const uint32_t cw = std::min(w, img.width);
        for (uint32_t y = 0; y < h; ++y) {
            std::fill(line.begin(), line.end(), 0u);
            if (y < img.height) {
                const uint32_t* from = img.pixels.data() + size_t(y) * img.width;
                for (uint32_t x = 0; x < cw; ++x) line[x] = color_key != 0 && from[x] == color_key ? 0 : from[x];
            }
            put(y);
        }
    }
    dst.touch();
    return result::ok;
}

bool surface_writer::begin(uint32_t width, uint32_t height) {
    const prender::surface_desc& d = dst_.desc();
    if (!prender::is_color_format(d.fmt) || dst_.locked() || width > d.width || height > d.height) return false;
    dst_.finish_drawing();
    width_ = width;
    line_.assign(d.width, 0);
    for (uint32_t y = height; y < d.height; ++y) put(y);
    return true;
}

void surface_writer::row(uint32_t y, const uint32_t* pixels) {
    for (uint32_t x = 0; x < width_; ++x) line_[x] = key_ != 0 && pixels[x] == key_ ? 0 : pixels[x];
    put(y);
}

void surface_writer::put(uint32_t y) {
    const prender::format f = dst_.desc().fmt;
    prender::row_from_argb(f, line_.data(), dst_.bits() + ptrdiff_t(y) * dst_.pitch(), line_.size());
    dst_.touch();
}

result load_surface(prender::surface& dst, const prender::rect* dst_rect, const uint8_t* file, size_t size,
                    load_filter filter, uint32_t color_key, image_info* info, std::string* error) {
    image img;
    if (!decode(file, size, img, error)) return result::invalid_arg;
    if (info) {
        info->width = img.width;
        info->height = img.height;
        info->depth = 1;
        info->fmt = detect(file, size);
        if (info->fmt == file_format::dds) {
            image_info probe;
            if (probe_dds_header(file, size, probe)) info->depth = probe.depth;
        }
    }
    return write_image(dst, dst_rect, img, filter, color_key);
}

result fill_mip_levels(prender::texture& tex) {
    if (tex.level_count() < 2) return result::ok;
    prender::surface& top = *tex.surface_level(0);
    const prender::surface_desc& d = top.desc();
    if (!prender::is_color_format(d.fmt)) return result::invalid_call;
    top.finish_drawing();
    // Level 1 from level 0's rows, two at a time; each later level from the
    // one before it, a quarter of its size.
    image level;
    level.width = std::max(1u, d.width / 2);
    level.height = std::max(1u, d.height / 2);
    level.pixels.resize(size_t(level.width) * level.height);
    std::vector<uint32_t> upper(d.width), lower(d.width);
    for (uint32_t y = 0; y < level.height; ++y) {
        prender::row_to_argb(d.fmt, top.bits() + ptrdiff_t(std::min(2 * y, d.height - 1)) * top.pitch(), upper.data(),
                             d.width);
        prender::row_to_argb(d.fmt, top.bits() + ptrdiff_t(std::min(2 * y + 1, d.height - 1)) * top.pitch(),
                             lower.data(), d.width);
        half_row(upper.data(), lower.data(), d.width, level.pixels.data() + size_t(y) * level.width, level.width);
    }
    for (uint32_t i = 1; i < tex.level_count(); ++i) {
        if (i > 1) level = half_size(level);
        result r = write_image(*tex.surface_level(i), nullptr, level, load_filter::none, 0);
        if (r != result::ok) return r;
    }
    return result::ok;
}

result copy_surface(prender::surface& dst, const prender::rect* dst_rect, prender::surface& src,
                    const prender::rect* src_rect, load_filter filter) {
    prender::rect sr;
    if (!resolve_rect(src, src_rect, sr) || !prender::is_color_format(src.desc().fmt)) return result::invalid_call;
    image whole;
    if (!read_surface(src, whole)) return result::invalid_call;
    image part;
    part.width = uint32_t(sr.width());
    part.height = uint32_t(sr.height());
    part.pixels.resize(size_t(part.width) * part.height);
    for (uint32_t y = 0; y < part.height; ++y)
        std::copy_n(whole.pixels.data() + size_t(sr.top + int32_t(y)) * whole.width + sr.left, part.width,
                    part.pixels.data() + size_t(y) * part.width);
    if (filter == load_filter::none) {
        // Unscaled copies touch only the pixels both rectangles share.
        prender::rect dr;
        if (!resolve_rect(dst, dst_rect, dr)) return result::invalid_call;
        dr.right = std::min(dr.right, dr.left + int32_t(part.width));
        dr.bottom = std::min(dr.bottom, dr.top + int32_t(part.height));
        return write_image(dst, &dr, part, load_filter::none, 0);
    }
    return write_image(dst, dst_rect, part, filter, 0);
}

bool read_surface(prender::surface& src, image& out) {
    out = image{};
    if (!prender::is_color_format(src.desc().fmt)) return false;
    out.width = src.desc().width;
    out.height = src.desc().height;
    out.pixels = src.read_argb();
    return true;
}

bool save_surface_png(const std::string& path, prender::surface& src) {
    image img;
    if (!read_surface(src, img)) return false;
    return save_png(path, img.pixels.data(), img.width, img.height, size_t(img.width) * 4);
}

} // namespace pimage
