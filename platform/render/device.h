#pragma once
// The render device: resources, render targets, states, pre-transformed
// triangle drawing, clears, copies, presentation and device loss.
//
// Drawing is recorded and carried out later, in row bands on worker threads:
// anything that reads or writes pixels (a lock, a copy, a present, a reset,
// read-back) first finishes what is queued, so callers see the same results
// as from immediate drawing, whatever the number of threads.
#include "platform/render/adapter.h"
#include "platform/render/resources.h"
#include "platform/render/types.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace prender {

namespace detail {
struct device_core;
}

class device {
public:
    // Made by adapter::create_device.
    device(const adapter& from, device_type type, uint32_t behaviour, const present_parameters& params);
    ~device();
    device(const device&) = delete;
    device& operator=(const device&) = delete;

    device_type type() const { return type_; }
    uint32_t behaviour() const { return behaviour_; }
    const device_caps& caps() const { return caps_; }
    void set_software_vertex_processing(bool on) { software_vp_ = on; }
    bool software_vertex_processing() const { return software_vp_; }

    // ok, device_lost (lost, cannot be reset yet) or device_not_reset.
    result test_cooperative_level() const;
    // Rebuilds the implicit swap chain from the parameters (zero sizes and an
    // unknown format are filled in, as at creation) and puts every state back
    // to its default. Refused with invalid_call while a default-pool resource
    // is still alive, and with device_lost while the device cannot be reset.
    result reset(present_parameters& params);

    // Resources. Textures with levels 0 get the full chain.
    result create_texture(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage, format fmt, pool where,
                          std::shared_ptr<texture>& out);
    result create_offscreen_plain_surface(uint32_t width, uint32_t height, format fmt, pool where,
                                          std::shared_ptr<surface>& out);
    result create_render_target(uint32_t width, uint32_t height, format fmt, uint32_t ms_type, uint32_t ms_quality,
                                bool lockable, std::shared_ptr<surface>& out);
    result create_depth_stencil_surface(uint32_t width, uint32_t height, format fmt, uint32_t ms_type,
                                        uint32_t ms_quality, bool discard, std::shared_ptr<surface>& out);
    result create_additional_swap_chain(present_parameters& params, std::shared_ptr<swap_chain>& out);
    // The implicit chain (index 0); null for other indexes.
    std::shared_ptr<swap_chain> get_swap_chain(uint32_t index) const;

    // Render target slots (num_simultaneous_rts of them) and depth-stencil.
    // Setting slot 0 also sets the viewport to the whole target.
    result set_render_target(uint32_t index, std::shared_ptr<surface> target);
    std::shared_ptr<surface> get_render_target(uint32_t index) const;
    result set_depth_stencil_surface(std::shared_ptr<surface> ds);
    std::shared_ptr<surface> get_depth_stencil_surface() const { return depth_; }
    // The viewport must lie inside render target 0.
    result set_viewport(const viewport& vp);
    viewport get_viewport() const { return viewport_; }

    // Drawing happens between begin_scene and end_scene; nested begins and
    // unmatched ends are refused with invalid_call.
    result begin_scene();
    result end_scene();
    bool in_scene() const;

    // Clears the viewport, or its parts covered by the rectangles, of render
    // target 0 and/or the depth-stencil surface.
    result clear(uint32_t count, const rect* rects, uint32_t flags, uint32_t argb, float z, uint32_t stencil);

    result set_render_state(render_state state, uint32_t value);
    uint32_t get_render_state(render_state state) const;
    result set_texture_stage_state(uint32_t stage, stage_state state, uint32_t value);
    uint32_t get_texture_stage_state(uint32_t stage, stage_state state) const;
    result set_sampler_state(uint32_t sampler, sampler_state state, uint32_t value);
    uint32_t get_sampler_state(uint32_t sampler, sampler_state state) const;
    result set_texture(uint32_t stage, std::shared_ptr<texture> tex);
    std::shared_ptr<texture> get_texture(uint32_t stage) const;

    // Draws `count` triangles from pre-transformed vertices (fan, list or
    // strip) with stage 0's texture and the current states, clipped to the
    // viewport. Only inside a scene; while lost it draws nothing.
    result draw_primitive_up(primitive_type type, uint32_t count, const screen_vertex* vertices);

    // Copies a rectangle between colour surfaces, scaling with point or linear
    // filtering and converting formats. Rectangles default to whole surfaces.
    result stretch_rect(surface& src, const rect* src_rect, surface& dst, const rect* dst_rect, filter f);
    // Copies a render target into a system-memory surface of its size and format.
    result get_render_target_data(surface& target, surface& dst);
    // Copies a system-memory texture into a default-pool one of the same size and format.
    result update_texture(texture& src, texture& dst);

    // Presents through the implicit swap chain.
    result present(const rect* src, const rect* dst, present_target* window);

    // Worker threads for row bands (1: everything on the calling thread). The
    // picture does not depend on the number.
    void set_raster_threads(unsigned count);
    unsigned raster_threads() const;
    // Finishes all queued drawing.
    void flush() const;
    // A frame that repeats the last presented one (the same drawing over
    // surfaces unchanged since, each written one cleared whole first) is not
    // drawn again at its present: the surfaces already hold its pixels. Off,
    // every frame is drawn (for benchmarks of the drawing itself).
    void set_frame_reuse(bool on);

    // Default-pool resources still alive (the implicit chain not counted).
    int live_default_resources() const;

    // Test hooks. make_lost loses the device (resettable at once, or only
    // after allow_reset); the next present reports the injected result once
    // (device_lost also loses the device); fast paths can be switched off to
    // check them against the general rasteriser.
    void make_lost(bool resettable_now = true);
    void allow_reset();
    void inject_present_result(result r);
    void set_fast_paths(bool on);

    const std::shared_ptr<detail::device_core>& core() const { return core_; }

private:
    void reset_states();
    result build_implicit_chain(present_parameters& params);

    adapter adapter_;
    device_type type_;
    uint32_t behaviour_;
    device_caps caps_;
    bool software_vp_ = false;
    std::shared_ptr<detail::device_core> core_;
    std::shared_ptr<swap_chain> implicit_;
    // One slot per simultaneous render target; fixed-function drawing writes slot 0 only.
    std::vector<std::shared_ptr<surface>> targets_;
    std::shared_ptr<surface> depth_;
    std::shared_ptr<texture> textures_[max_texture_stages];
    viewport viewport_;
    uint32_t rs_[render_state_count] = {};
    uint32_t tss_[max_texture_stages][stage_state_count] = {};
    uint32_t ss_[max_texture_stages][sampler_state_count] = {};
    bool fast_paths_ = true;
};

// Fills in a windowed parameter set's zero sizes (from the window, headless
// 640 × 480) and unknown format (the desktop's).
void complete_present_parameters(present_parameters& params, const display_mode& desktop);

} // namespace prender
