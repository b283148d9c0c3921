#pragma once
// Values shared by the render device and its callers: result codes, pixel
// formats, pools, states and the one vertex layout the device draws.
//
// Result codes, formats and pools keep the numbers that the engine's logs and
// stored settings were written with, so a caller can print or store them as
// they stand; everything else is numbered by this library alone.
#include <cstdint>

namespace prender {

enum class result : uint32_t {
    ok = 0,
    not_implemented = 0x80004001u,
    fail = 0x80004005u,
    out_of_memory = 0x8007000Eu,
    invalid_arg = 0x80070057u,
    out_of_video_memory = 0x8876017Cu,
    wrong_texture_format = 0x88760818u,
    driver_internal_error = 0x88760827u,
    not_found = 0x88760866u,
    device_lost = 0x88760868u,
    device_not_reset = 0x88760869u,
    not_available = 0x8876086Au,
    invalid_call = 0x8876086Cu,
};
inline bool succeeded(result r) { return r == result::ok; }
inline bool failed(result r) { return r != result::ok; }

enum class format : uint32_t {
    unknown = 0,
    a8r8g8b8 = 21,
    x8r8g8b8 = 22,
    r5g6b5 = 23,
    x1r5g5b5 = 24,
    a1r5g5b5 = 25,
    a4r4g4b4 = 26,
    x4r4g4b4 = 30,
    a2r10g10b10 = 35,
    d16_lockable = 70,
    d32 = 71,
    d15s1 = 73,
    d24s8 = 75,
    d24x8 = 77,
    d24x4s4 = 79,
    d16 = 80,
    r16f = 111,
    g16r16f = 112,
    r32f = 114,
    g32r32f = 115,
};

enum class pool : uint32_t {
    default_pool = 0,  // lost with the device; must be released before a reset
    managed = 1,       // survives device loss
    system_memory = 2, // survives device loss; source and target of transfers
    scratch = 3,       // plain memory, never bound to the device
};

// Usage bits of a resource.
constexpr uint32_t usage_render_target = 0x1;
constexpr uint32_t usage_depth_stencil = 0x2;
constexpr uint32_t usage_dynamic = 0x200;

// Lock flags.
constexpr uint32_t lock_read_only = 0x10;
constexpr uint32_t lock_discard = 0x2000;

// Clear flags.
constexpr uint32_t clear_target = 0x1;
constexpr uint32_t clear_zbuffer = 0x2;
constexpr uint32_t clear_stencil = 0x4;

enum class resource_type : uint32_t { surface = 1, texture = 3 };
enum class device_type : uint32_t { hal = 1, reference = 2 };

// Device-creation behaviour bits.
constexpr uint32_t create_software_vertex_processing = 0x20;
constexpr uint32_t create_hardware_vertex_processing = 0x40;
constexpr uint32_t create_mixed_vertex_processing = 0x80;
constexpr uint32_t create_multithreaded = 0x4;
constexpr uint32_t create_fpu_preserve = 0x2;

enum class swap_effect : uint32_t { discard = 1, flip = 2, copy = 3 };
enum class present_interval : uint32_t { default_interval = 0, one = 1, two = 2, three = 3, four = 4, immediate = 5 };
// Present-parameter flag: the back buffer may be locked.
constexpr uint32_t present_flag_lockable_back_buffer = 0x1;

enum class primitive_type : uint32_t { triangle_list = 4, triangle_strip = 5, triangle_fan = 6 };

enum class render_state : uint32_t {
    z_enable,
    z_write_enable,
    alpha_test_enable,
    alpha_ref,
    alpha_func,
    alpha_blend_enable,
    src_blend,
    dest_blend,
    blend_op,
    separate_alpha_blend_enable,
    src_blend_alpha,
    dest_blend_alpha,
    blend_op_alpha,
    cull_mode,
    fill_mode,
    shade_mode,
    specular_enable,
    lighting,
    multisample_antialias,
    color_vertex,
    diffuse_material_source,
    specular_material_source,
    ambient_material_source,
    emissive_material_source,
    dither_enable,
    count
};
constexpr uint32_t render_state_count = uint32_t(render_state::count);

enum class stage_state : uint32_t { color_op, color_arg1, color_arg2, alpha_op, alpha_arg1, alpha_arg2, count };
constexpr uint32_t stage_state_count = uint32_t(stage_state::count);
constexpr uint32_t max_texture_stages = 8;

enum class sampler_state : uint32_t { address_u, address_v, mag_filter, min_filter, mip_filter, count };
constexpr uint32_t sampler_state_count = uint32_t(sampler_state::count);

enum class blend_factor : uint32_t {
    zero = 1, one, src_color, inv_src_color, src_alpha, inv_src_alpha,
    dest_alpha, inv_dest_alpha, dest_color, inv_dest_color, src_alpha_sat,
};
enum class blend_op : uint32_t { add = 1, subtract, rev_subtract, min, max };
enum class texture_op : uint32_t { disable = 1, select_arg1, select_arg2, modulate, modulate2x, modulate4x, add };
enum class texture_arg : uint32_t { diffuse = 0, current = 1, texture = 2, tfactor = 3, specular = 4 };
enum class cmp_func : uint32_t { never = 1, less, equal, less_equal, greater, not_equal, greater_equal, always };
enum class cull : uint32_t { none = 1, cw = 2, ccw = 3 };
enum class fill : uint32_t { point = 1, wireframe = 2, solid = 3 };
enum class shade : uint32_t { flat = 1, gouraud = 2 };
enum class filter : uint32_t { none = 0, point = 1, linear = 2, anisotropic = 3 };
enum class address : uint32_t { wrap = 1, mirror = 2, clamp = 3, border = 4 };
enum class material_source : uint32_t { material = 0, color1 = 1, color2 = 2 };

struct rect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    int32_t width() const { return right - left; }
    int32_t height() const { return bottom - top; }
};

struct viewport {
    uint32_t x = 0, y = 0, width = 0, height = 0;
    float min_z = 0.0f, max_z = 1.0f;
};

// The pre-transformed vertex of all 2-D drawing: screen position (pixel
// centres on integer coordinates), depth, reciprocal w, two packed
// 0xAARRGGBB colours and one pair of texture coordinates.
struct screen_vertex {
    float x, y, z, rhw;
    uint32_t diffuse;
    uint32_t specular;
    float u, v;
};
static_assert(sizeof(screen_vertex) == 32, "the vertex is 32 bytes");

struct display_mode {
    uint32_t width = 0, height = 0, refresh_hz = 0;
    format fmt = format::unknown;
};

struct surface_desc {
    format fmt = format::unknown;
    resource_type type = resource_type::surface;
    uint32_t usage = 0;
    pool where = pool::default_pool;
    uint32_t multisample_type = 0;
    uint32_t multisample_quality = 0;
    uint32_t width = 0, height = 0;
};

struct locked_rect {
    int32_t pitch = 0;
    void* bits = nullptr;
};

class present_target;

struct present_parameters {
    uint32_t back_buffer_width = 0;
    uint32_t back_buffer_height = 0;
    format back_buffer_format = format::unknown;
    uint32_t back_buffer_count = 1;
    uint32_t multisample_type = 0;
    uint32_t multisample_quality = 0;
    swap_effect effect = swap_effect::discard;
    present_target* window = nullptr;  // where present shows the frame; null: headless
    bool windowed = true;
    bool enable_auto_depth_stencil = false;
    format auto_depth_stencil_format = format::unknown;
    uint32_t flags = 0;
    uint32_t full_screen_refresh_hz = 0;
    present_interval interval = present_interval::default_interval;
};

} // namespace prender
