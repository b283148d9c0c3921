#pragma once
// A font of one pixel height and face, rasterising single characters into
// grey bitmaps of 65 levels (0 to 64), one byte per pixel, rows padded to a
// multiple of 4 bytes, with the glyph's black box, its origin relative to the
// pen and its advance. The height is the cell height (ascent + descent), as
// the engine's text layouts measure it; weight is always regular.
//
// Rendering is pinned for reproducible pixels: outlines only (no embedded
// bitmaps), light auto-hinting, and the hinting engines' properties set
// explicitly rather than taken from the environment.
#include "platform/glyph/face_finder.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace pglyph {

struct text_metrics {
    int32_t height = 0;  // ascent + descent
    int32_t ascent = 0;
    int32_t descent = 0;
    int32_t average_width = 0;
    int32_t maximum_width = 0;
};

struct glyph_metrics {
    uint32_t black_box_width = 0;
    uint32_t black_box_height = 0;
    // The black box's top-left corner from the pen on the baseline; y grows
    // upwards.
    int32_t origin_x = 0;
    int32_t origin_y = 0;
    int32_t advance = 0;
};

// The rasteriser and its version ("FreeType 2.12.1"): pixels drawn by
// another version may differ.
std::string rasteriser_version();

// FreeType's 0-255 coverage as a 65-level grey value, rounded to nearest.
inline uint8_t coverage_to_level(uint8_t coverage) { return uint8_t((unsigned(coverage) * 64u + 127u) / 255u); }

// Bytes of one bitmap row of a black box this wide.
inline size_t grey_pitch(uint32_t width) { return (size_t(width) + 3u) & ~size_t(3); }

class font {
public:
    // A font of the face the name resolves to (see face_finder); null when
    // the height is not positive or no face can be opened at all.
    static std::unique_ptr<font> create(int32_t height, std::u16string_view face_name);
    ~font();
    font(const font&) = delete;
    font& operator=(const font&) = delete;

    const text_metrics& metrics() const { return metrics_; }
    const face_choice& face() const { return face_; }

    // The glyph of one UTF-16 code unit (a lone surrogate draws nothing).
    // Returns the bitmap's size in bytes (0 for a blank glyph such as a
    // space), or -1 when the glyph cannot be rendered; the bitmap is written
    // into buffer only when it fits in `size` bytes, so a caller whose buffer
    // is too small can grow it and ask again.
    int64_t glyph(char16_t unit, glyph_metrics& metrics, uint8_t* buffer, size_t size) const;
    // The same for a character of code page 932: one byte, or a lead byte in
    // the high half and a trail byte in the low half.
    int64_t glyph_cp932(uint16_t code, glyph_metrics& metrics, uint8_t* buffer, size_t size) const;

private:
    struct impl;
    explicit font(std::unique_ptr<impl> p, const face_choice& face, const text_metrics& metrics);
    int64_t render(uint32_t code_point, glyph_metrics& metrics, uint8_t* buffer, size_t size) const;

    std::unique_ptr<impl> impl_;
    face_choice face_;
    text_metrics metrics_;
};

} // namespace pglyph
