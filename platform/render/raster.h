#pragma once
// The software rasteriser behind the device: primitive set-up on the calling
// thread, then spans shaded and blended row by row. A primitive is set up once
// and can be rasterised over any subset of rows (the row bands of the worker
// threads); every pixel's value depends only on the primitive and the pixel,
// never on which rows were drawn together, so banded and single-threaded
// drawing give identical pictures.
#include "platform/render/types.h"

#include <cstdint>
#include <vector>

namespace prender::detail {

// Everything of the device state that decides a pixel's value.
struct pixel_pipeline {
    bool textured = false;
    texture_op color_op = texture_op::modulate, alpha_op = texture_op::select_arg1;
    texture_arg color_arg1 = texture_arg::texture, color_arg2 = texture_arg::current;
    texture_arg alpha_arg1 = texture_arg::texture, alpha_arg2 = texture_arg::current;
    bool specular = false;
    bool alpha_test = false;
    cmp_func alpha_func = cmp_func::always;
    uint32_t alpha_ref = 0;
    bool blend = false;
    blend_factor src = blend_factor::one, dst = blend_factor::zero;
    blend_op op = blend_op::add;
    bool separate_alpha = false;
    blend_factor src_alpha = blend_factor::one, dst_alpha = blend_factor::zero;
    blend_op op_alpha = blend_op::add;
    filter mag = filter::point, min = filter::point;
    address address_u = address::wrap, address_v = address::wrap;
    bool flat = false;
    // Off, spans never take the fused kernels, so that tests can compare
    // them with the general path.
    bool fused = true;

    bool operator==(const pixel_pipeline&) const = default;
};

// Pixels of one level: a texture to sample or a target to draw into.
struct pixel_view {
    uint8_t* bits = nullptr;
    int32_t pitch = 0;
    int32_t width = 0, height = 0;
    format fmt = format::unknown;
};

// Vertex positions are snapped to 1/subpixel_scale of a pixel, and edges are
// tested in those steps.
constexpr int subpixel_scale = 256;
// Pixels shaded per call: the length of each scratch row.
constexpr int span_max = 256;

// Attributes interpolated over a triangle: texel coordinates (u × width,
// v × height), diffuse A, R, G, B and specular R, G, B in 0..255 units.
constexpr int attr_count = 9;

struct triangle_setup {
    // Edges in sub-pixel steps: E(x, y) = a × (x − x0) + b × (y − y0);
    // the interior is E ≥ bias (bias 0 on top and left edges, else 1).
    int64_t ea[3], eb[3], ex[3], ey[3], bias[3];
    int32_t row_first = 0, row_last = -1;  // inclusive pixel rows
    double ref_x = 0, ref_y = 0;
    double f0[attr_count], dfdx[attr_count], dfdy[attr_count];
    bool diffuse_uniform = true, specular_uniform = true;
    uint32_t diffuse = 0, specular = 0;
    bool minify = false;
};

// An axis-aligned textured or plain rectangle whose texels land one to one
// on pixel centres: drawn by copying rows.
struct rect_setup {
    int32_t x0 = 0, x1 = 0, y0 = 0, y1 = 0;  // covered pixels, half-open
    int32_t tx0 = 0, ty0 = 0;                // texel under pixel (x0, y0)
    uint32_t diffuse = 0, specular = 0;
};

struct primitive {
    bool is_rect = false;
    triangle_setup tri;
    rect_setup rc;
};

// Sets up the triangles of a primitive list for the target's clip rectangle.
// Triangles reaching more than 2^20 pixels out are clipped there first;
// degenerate, culled or unusable (NaN or infinite) ones are dropped.
void setup_primitives(primitive_type type, uint32_t count, const screen_vertex* v, const pixel_pipeline& pl,
                      const pixel_view* tex, cull cull_mode, bool allow_fast, std::vector<primitive>& out);

struct clip_rect {
    int32_t x0, y0, x1, y1;
    bool operator==(const clip_rect&) const = default;
};

// Per-thread scratch rows.
struct raster_scratch {
    alignas(16) uint32_t tex[span_max];
    alignas(16) uint32_t diff[span_max];
    alignas(16) uint32_t spc[span_max];
    alignas(16) uint32_t src[span_max];
    alignas(16) uint32_t dst[span_max];
};

// The rows [first, end) of one band. Drawing a primitive band by band gives
// the same pixels as drawing it whole.
struct row_band {
    int32_t first = 0, end = 0;
};

void draw_primitive(const primitive& p, const pixel_pipeline& pl, const pixel_view* tex, const pixel_view& target,
                    const clip_rect& clip, const row_band& band, raster_scratch& s);

void clear_rows(const pixel_view& target, const clip_rect& area, uint32_t argb, const row_band& band);
void clear_depth_rows(const pixel_view& target, const clip_rect& area, uint32_t value, const row_band& band);
// n pixels of bpp bytes each set to value's low bytes (as memory holds them).
void fill_pixels(uint8_t* row, int n, uint32_t bpp, uint32_t value);

// Span kernels, exposed for tests and the benchmark.
uint32_t blend_pixel(const pixel_pipeline& pl, uint32_t src, uint32_t dst);
// force is ORed into every written pixel (0xFF000000 on targets without alpha).
void blend_span(const pixel_pipeline& pl, const uint32_t* src, uint32_t* dst, int n, uint32_t force = 0);

// round(a × b / 255) for 0..255 inputs.
inline uint32_t mul8(uint32_t a, uint32_t b) { return (a * b + 127u) / 255u; }

} // namespace prender::detail
