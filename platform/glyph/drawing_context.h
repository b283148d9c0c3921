#pragma once
// A drawing context over a picture in memory: what the engine hands out for
// a surface's pixels so that text and fills can be drawn into them on the
// processor. Pixels are 0xAARRGGBB, rows top first, no padding. Everything
// drawn is clipped to the picture.
#include <cstdint>
#include <string_view>
#include <vector>

namespace pglyph {

class font;

class drawing_context {
public:
    drawing_context(uint32_t width, uint32_t height);

    uint32_t width() const { return width_; }
    uint32_t height() const { return height_; }
    uint32_t* pixels() { return pixels_.data(); }
    const uint32_t* pixels() const { return pixels_.data(); }

    // 0 outside the picture.
    uint32_t pixel(int32_t x, int32_t y) const;
    void set_pixel(int32_t x, int32_t y, uint32_t argb);
    // Left and top inclusive, right and bottom exclusive.
    void fill_rect(int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t argb);
    // One line of text whose cell's top-left corner is (x, y): each glyph's
    // grey levels blend the colour's red, green and blue over the pixels
    // (their alpha is kept). Returns the pen's x after the last glyph.
    int32_t text_out(const font& f, int32_t x, int32_t y, std::u16string_view text, uint32_t argb);

private:
    uint32_t width_, height_;
    std::vector<uint32_t> pixels_;
};

} // namespace pglyph
