#pragma once
// The display adapter: what it is, its display modes, which formats and
// multisample modes it takes, its capabilities, and the creation of devices.
// Every answer comes from a script, so tests can stand up any adapter; the
// default script describes this machine's software device and desktop.
#include "platform/render/types.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace prender {

class device;

// The largest side of a texture the device holds; its capabilities say so
// unless an adapter's script says less.
constexpr uint32_t largest_texture_side = 8192;

struct adapter_identifier {
    std::string description;  // narrow text, as the adapter gives it
    std::string driver;
    uint16_t driver_version[4] = {0, 0, 0, 0};  // high part first
};

// What the device can do. The flag words pack the named booleans below in
// this library's own bit order (one bit per flag, in the order listed), so
// they can be logged as numbers; callers test the booleans.
struct device_caps {
    // device
    bool pure_device = false;
    bool hw_transform_and_light = false;
    bool hw_rasterization = false;
    // raster
    bool raster_dither = false;
    bool raster_depth_bias = false;
    bool raster_w_buffer = false;
    // textures
    bool can_auto_gen_mipmap = false;
    bool cube_map = false;
    bool mip_map = true;
    bool perspective = false;
    bool pow2 = false;
    bool square_only = false;
    bool nonpow2_conditional = true;
    bool dynamic_textures = true;
    // texture operations that stage 0 carries out
    bool texop_disable = true, texop_select_arg1 = true, texop_select_arg2 = true, texop_modulate = true,
         texop_modulate2x = true, texop_modulate4x = true, texop_add = true;
    // miscellaneous
    bool separate_alpha_blend = true;
    bool mrt_independent_bit_depths = false;
    bool mrt_post_pixel_shader_blending = false;
    bool color_write_enable = false;
    // stretch-copy filters
    bool stretch_min_point = true, stretch_mag_point = true, stretch_min_linear = true, stretch_mag_linear = true;

    uint32_t caps = 0, caps2 = 0, caps3 = 0, dev_caps = 0, raster_caps = 0, zcmp_caps = 0, src_blend_caps = 0,
             dest_blend_caps = 0, alpha_cmp_caps = 0, shade_caps = 0, texture_caps = 0, texture_op_caps = 0,
             stretch_rect_filter_caps = 0;

    uint32_t max_texture_width = largest_texture_side, max_texture_height = largest_texture_side;
    uint32_t max_texture_repeat = 8192, max_texture_aspect_ratio = 8192;
    uint32_t max_anisotropy = 1;
    uint32_t max_vertex_blend_matrices = 0, max_vertex_blend_matrix_index = 0;
    float max_vertex_w = 1e10f;
    float guard_band_left = -1048576.0f, guard_band_top = -1048576.0f;
    float guard_band_right = 1048576.0f, guard_band_bottom = 1048576.0f;
    float max_point_size = 1.0f;
    uint32_t max_vertex_index = 0xFFFFFF;
    uint32_t max_streams = 1, max_stream_stride = 32;
    uint32_t num_simultaneous_rts = 1;
    uint32_t max_texture_blend_stages = max_texture_stages;
    uint32_t max_simultaneous_textures = 1;
    uint32_t max_active_lights = 0;
    uint32_t vertex_shader_version = 0, pixel_shader_version = 0;  // major << 8 | minor
    uint32_t max_vertex_shader_const = 0;
    float pixel_shader_1x_max_value = 0.0f;
    uint32_t dynamic_flow_control_depth = 0, static_flow_control_depth = 0;
    uint32_t max_vshader_instructions_executed = 0, max_pshader_instructions_executed = 0;

    // Recomputes the flag words from the booleans.
    void pack_words();
};

// Quality levels of one multisample type: 0 means the type is not available.
struct multisample_levels {
    uint32_t type = 0;
    uint32_t windowed = 0;
    uint32_t full_screen = 0;
};

struct format_support {
    format fmt;
    uint32_t usage;  // 0, usage_render_target or usage_depth_stencil
    resource_type type;
};

struct adapter_script {
    uint32_t adapter_count = 1;
    bool identifier_ok = true;
    adapter_identifier identifier;
    display_mode desktop;
    bool windowed_ok = true;                // the desktop format can be rendered to in a window
    std::vector<display_mode> modes;        // full-screen modes, in enumeration order
    std::vector<format_support> formats;    // resource formats the adapter takes
    bool caps_ok = true;
    device_caps caps;
    std::vector<multisample_levels> multisample;  // types not listed have no levels (type 0 always has 1)
    // Device creations that fail: (device type, behaviour bits that must all be set).
    std::vector<std::pair<device_type, uint32_t>> failing_creations;
    result creation_failure = result::not_available;
    std::optional<uint32_t> video_memory_mb;
};

class adapter {
public:
    // The software device on this machine: the desktop mode from SDL when its
    // video system is up, else 1920 × 1080; common modes at 60 Hz.
    adapter();
    explicit adapter(adapter_script script);

    static adapter_script default_script();

    uint32_t count() const { return script_.adapter_count; }
    result identifier(adapter_identifier& out) const;
    result desktop_mode(display_mode& out) const;
    result check_device_type(device_type type, format display, format back_buffer, bool windowed) const;
    // Full-screen modes of one format, in enumeration order.
    std::vector<display_mode> modes(format fmt) const;
    result check_device_format(device_type type, format adapter_format, uint32_t usage, resource_type rtype,
                               format candidate) const;
    result caps(device_type type, device_caps& out) const;
    result check_multisample(device_type type, format fmt, bool windowed, uint32_t ms_type, uint32_t* quality_levels) const;
    std::optional<uint32_t> video_memory_mb() const { return script_.video_memory_mb; }

    // Creates a device. With a zero back-buffer size in windowed mode the
    // window's size is taken (headless: 640 × 480); an unknown back-buffer
    // format in windowed mode means the desktop format.
    result create_device(device_type type, uint32_t behaviour, const present_parameters& params,
                         std::unique_ptr<device>& out) const;

    const adapter_script& script() const { return script_; }

private:
    adapter_script script_;
};

} // namespace prender
