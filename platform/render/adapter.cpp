#include "platform/render/adapter.h"

#include "platform/render/device.h"
#include "platform/render/format.h"

#include <SDL.h>

#include <algorithm>

namespace prender {

void device_caps::pack_words() {
    auto pack = [](std::initializer_list<bool> bits) {
        uint32_t w = 0, i = 0;
        for (bool b : bits) w |= uint32_t(b) << i++;
        return w;
    };
    dev_caps = pack({pure_device, hw_transform_and_light, hw_rasterization});
    raster_caps = pack({raster_dither, raster_depth_bias, raster_w_buffer});
    caps2 = pack({can_auto_gen_mipmap, dynamic_textures});
    texture_caps = pack({cube_map, mip_map, perspective, pow2, square_only, nonpow2_conditional});
    texture_op_caps = pack({texop_disable, texop_select_arg1, texop_select_arg2, texop_modulate, texop_modulate2x,
                            texop_modulate4x, texop_add});
    caps3 = pack({separate_alpha_blend, mrt_independent_bit_depths, mrt_post_pixel_shader_blending, color_write_enable});
    stretch_rect_filter_caps = pack({stretch_min_point, stretch_mag_point, stretch_min_linear, stretch_mag_linear});
    // Every blend factor, every comparison, Gouraud and flat shading.
    src_blend_caps = dest_blend_caps = 0x7FF;
    alpha_cmp_caps = 0xFF;
    zcmp_caps = 0;
    shade_caps = 0x3;
    caps = 0;
}

adapter_script adapter::default_script() {
    adapter_script s;
    s.identifier.description = "Quillon software rasteriser";
    s.identifier.driver = "quillon-render";
    s.identifier.driver_version[0] = 1;
    s.desktop = display_mode{1920, 1080, 60, format::x8r8g8b8};
    if (SDL_WasInit(SDL_INIT_VIDEO)) {
        SDL_DisplayMode dm;
        if (SDL_GetDesktopDisplayMode(0, &dm) == 0 && dm.w > 0 && dm.h > 0) {
            s.desktop.width = uint32_t(dm.w);
            s.desktop.height = uint32_t(dm.h);
            if (dm.refresh_rate > 0) s.desktop.refresh_hz = uint32_t(dm.refresh_rate);
        }
    }
    static const uint32_t sizes[][2] = {{640, 480},   {800, 600},   {1024, 768},  {1280, 720},
                                         {1280, 800}, {1280, 1024}, {1920, 1080}};
    for (format f : {format::x8r8g8b8, format::r5g6b5}) {
        bool desktop_listed = false;
        for (auto& sz : sizes) {
            s.modes.push_back(display_mode{sz[0], sz[1], 60, f});
            desktop_listed |= sz[0] == s.desktop.width && sz[1] == s.desktop.height;
        }
        if (!desktop_listed) s.modes.push_back(display_mode{s.desktop.width, s.desktop.height, s.desktop.refresh_hz, f});
    }
    const format colour[] = {format::a8r8g8b8, format::x8r8g8b8, format::a4r4g4b4, format::x4r4g4b4,
                             format::a1r5g5b5, format::x1r5g5b5, format::r5g6b5};
    for (format f : colour) {
        s.formats.push_back({f, 0, resource_type::texture});
        s.formats.push_back({f, 0, resource_type::surface});
        s.formats.push_back({f, usage_render_target, resource_type::texture});
        s.formats.push_back({f, usage_render_target, resource_type::surface});
    }
    for (format f : {format::d24s8, format::d24x8, format::d24x4s4, format::d15s1, format::d16, format::d32})
        s.formats.push_back({f, usage_depth_stencil, resource_type::surface});
    s.caps.pack_words();
    return s;
}

adapter::adapter() : script_(default_script()) {}
adapter::adapter(adapter_script script) : script_(std::move(script)) {}

result adapter::identifier(adapter_identifier& out) const {
    if (!script_.identifier_ok) return result::invalid_call;
    out = script_.identifier;
    return result::ok;
}

result adapter::desktop_mode(display_mode& out) const {
    out = script_.desktop;
    return result::ok;
}

result adapter::check_device_type(device_type, format display, format back_buffer, bool windowed) const {
    if (windowed && !script_.windowed_ok) return result::not_available;
    if (display == format::unknown || !is_color_format(back_buffer)) return result::invalid_call;
    return result::ok;
}

std::vector<display_mode> adapter::modes(format fmt) const {
    std::vector<display_mode> out;
    for (const display_mode& m : script_.modes)
        if (m.fmt == fmt) out.push_back(m);
    return out;
}

result adapter::check_device_format(device_type, format adapter_format, uint32_t usage, resource_type rtype,
                                    format candidate) const {
    if (adapter_format == format::unknown) return result::invalid_call;
    uint32_t kind = usage & (usage_render_target | usage_depth_stencil);
    for (const format_support& f : script_.formats)
        if (f.fmt == candidate && f.usage == kind && f.type == rtype) return result::ok;
    return result::not_available;
}

result adapter::caps(device_type, device_caps& out) const {
    if (!script_.caps_ok) return result::invalid_call;
    out = script_.caps;
    return result::ok;
}

result adapter::check_multisample(device_type, format fmt, bool windowed, uint32_t ms_type,
                                  uint32_t* quality_levels) const {
    if (quality_levels) *quality_levels = 0;
    if (!is_supported_format(fmt) || ms_type > 16) return result::invalid_call;
    if (ms_type == 0) {
        if (quality_levels) *quality_levels = 1;
        return result::ok;
    }
    for (const multisample_levels& m : script_.multisample) {
        if (m.type != ms_type) continue;
        uint32_t q = windowed ? m.windowed : m.full_screen;
        if (q == 0) break;
        if (quality_levels) *quality_levels = q;
        return result::ok;
    }
    return result::not_available;
}

result adapter::create_device(device_type type, uint32_t behaviour, const present_parameters& params,
                              std::unique_ptr<device>& out) const {
    out.reset();
    for (const auto& f : script_.failing_creations)
        if (f.first == type && (behaviour & f.second) == f.second) return script_.creation_failure;
    present_parameters pp = params;
    if (pp.windowed) complete_present_parameters(pp, script_.desktop);
    if (!is_color_format(pp.back_buffer_format) || pp.back_buffer_width == 0 || pp.back_buffer_height == 0)
        return result::invalid_call;
    if (!pp.windowed) {
        bool found = false;
        for (const display_mode& m : script_.modes)
            found |= m.width == pp.back_buffer_width && m.height == pp.back_buffer_height &&
                     m.fmt == pp.back_buffer_format &&
                     (pp.full_screen_refresh_hz == 0 || pp.full_screen_refresh_hz == m.refresh_hz);
        if (!found) return result::invalid_call;
    }
    if (pp.enable_auto_depth_stencil && !is_depth_format(pp.auto_depth_stencil_format)) return result::invalid_call;
    try {
        out = std::make_unique<device>(*this, type, behaviour, pp);
    } catch (const std::bad_alloc&) {
        return result::out_of_memory;
    }
    return result::ok;
}

} // namespace prender
