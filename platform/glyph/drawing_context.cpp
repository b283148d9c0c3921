#include "platform/glyph/drawing_context.h"

#include "platform/glyph/font.h"

#include <algorithm>

namespace pglyph {
namespace {

uint32_t Mix(uint32_t under, uint32_t colour, uint32_t level) {
    uint32_t out = under & 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t u = (under >> shift) & 255, c = (colour >> shift) & 255;
        out |= ((u * (64 - level) + c * level + 32) / 64) << shift;
    }
    return out;
}

} // namespace

drawing_context::drawing_context(uint32_t width, uint32_t height)
    : width_(width), height_(height), pixels_(size_t(width) * height, 0) {}

uint32_t drawing_context::pixel(int32_t x, int32_t y) const {
    if (x < 0 || y < 0 || uint32_t(x) >= width_ || uint32_t(y) >= height_) return 0;
    return pixels_[size_t(y) * width_ + uint32_t(x)];
}

void drawing_context::set_pixel(int32_t x, int32_t y, uint32_t argb) {
    if (x < 0 || y < 0 || uint32_t(x) >= width_ || uint32_t(y) >= height_) return;
    pixels_[size_t(y) * width_ + uint32_t(x)] = argb;
}

void drawing_context::fill_rect(int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t argb) {
    const int64_t l = std::max<int64_t>(left, 0), t = std::max<int64_t>(top, 0);
    const int64_t r = std::min<int64_t>(right, width_), b = std::min<int64_t>(bottom, height_);
    for (int64_t y = t; y < b; ++y)
        std::fill(pixels_.begin() + y * width_ + l, pixels_.begin() + y * width_ + std::max(l, r), argb);
}

int32_t drawing_context::text_out(const font& f, int32_t x, int32_t y, std::u16string_view text, uint32_t argb) {
    std::vector<uint8_t> grey;
    const int32_t baseline = y + f.metrics().ascent;
    for (char16_t unit : text) {
        glyph_metrics gm;
        int64_t bytes = f.glyph(unit, gm, grey.data(), grey.size());
        if (bytes > int64_t(grey.size())) {
            grey.resize(size_t(bytes));
            bytes = f.glyph(unit, gm, grey.data(), grey.size());
        }
        if (bytes > 0) {
            const size_t pitch = grey_pitch(gm.black_box_width);
            for (uint32_t r = 0; r < gm.black_box_height; ++r)
                for (uint32_t c = 0; c < gm.black_box_width; ++c) {
                    const uint8_t level = std::min<uint8_t>(grey[r * pitch + c], 64);
                    const int64_t px = int64_t(x) + gm.origin_x + c, py = int64_t(baseline) - gm.origin_y + r;
                    if (level == 0 || px < 0 || py < 0 || px >= width_ || py >= height_) continue;
                    uint32_t& p = pixels_[size_t(py) * width_ + size_t(px)];
                    p = Mix(p, argb, level);
                }
        }
        if (bytes >= 0) x += gm.advance;
    }
    return x;
}

} // namespace pglyph
