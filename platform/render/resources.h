#pragma once
// Device memory: surfaces (plain, render targets, depth-stencil, back
// buffers), textures made of one surface per level, and swap chains.
//
// Resources are shared by std::shared_ptr. Those in pool::default_pool count
// as live on the device until the last reference (the texture or any of its
// level surfaces) is gone; a device reset is refused while any is live.
#include "platform/render/types.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace prender {

namespace detail {
struct device_core;
struct pool_token;
struct pixel_view;
} // namespace detail

class surface {
public:
    struct init;
    explicit surface(const init& in);
    ~surface();
    surface(const surface&) = delete;
    surface& operator=(const surface&) = delete;

    const surface_desc& desc() const { return desc_; }
    bool lockable() const { return lockable_; }
    bool locked() const { return locked_; }

    // Locks a rectangle (null: the whole surface) for direct access; queued
    // drawing is finished first. Fails with invalid_call when the surface
    // cannot be locked, is locked already or the rectangle is not inside it.
    // Unless locked read-only, the surface counts as changed.
    result lock_rect(const rect* area, locked_rect& out, uint32_t flags);
    result unlock_rect();

    // A number no other surface of the process has, and one that changes
    // whenever the pixels may have: drawing, clears, copies, writable locks.
    // Whoever writes bits() directly calls touch.
    uint64_t id() const { return id_; }
    uint64_t version() const { return version_.load(std::memory_order_acquire); }
    void touch() { version_.fetch_add(1, std::memory_order_acq_rel); }

    // The whole surface as 0xAARRGGBB pixels, row after row, after all queued
    // drawing (empty for depth formats). For tests and tools: it ignores
    // lockability, as a read-back of the headless back buffer must.
    std::vector<uint32_t> read_argb() const;

    // Internal: raw pixels for the rasteriser and the copies.
    uint8_t* bits() { return storage_.data(); }
    const uint8_t* bits() const { return storage_.data(); }
    int32_t pitch() const { return pitch_; }
    void finish_drawing() const;
    const std::weak_ptr<detail::device_core>& core() const { return core_; }

    // Internal: a clear of the whole surface to one value, noted rather than
    // written (2-D drawing never reads depth, so a frame's depth clear would
    // mostly be wasted); written by settle, before anything sees the bytes.
    void defer_fill(uint32_t value);
    void settle();

private:
    surface_desc desc_;
    std::vector<uint8_t> storage_;
    int32_t pitch_ = 0;
    bool lockable_ = true;
    bool locked_ = false;
    bool fill_pending_ = false;
    uint32_t pending_fill_ = 0;
    bool locked_writable_ = false;
    std::weak_ptr<detail::device_core> core_;
    std::shared_ptr<detail::pool_token> token_;
    const uint64_t id_;
    std::atomic<uint64_t> version_{0};
};

struct surface::init {
    surface_desc desc;
    bool lockable = true;
    std::weak_ptr<detail::device_core> core;
    std::shared_ptr<detail::pool_token> token;
};

class texture {
public:
    texture(std::vector<std::shared_ptr<surface>> levels, uint32_t usage, pool where);

    uint32_t level_count() const { return uint32_t(levels_.size()); }
    result level_desc(uint32_t level, surface_desc& out) const;
    // The surface of one level (null past the last level).
    std::shared_ptr<surface> surface_level(uint32_t level) const;
    result lock_rect(uint32_t level, const rect* area, locked_rect& out, uint32_t flags);
    result unlock_rect(uint32_t level);
    // Nothing to track: transfers always copy whole levels.
    result add_dirty_rect(const rect*) { return result::ok; }
    uint32_t usage() const { return usage_; }
    pool where() const { return pool_; }
    format fmt() const { return levels_.empty() ? format::unknown : levels_[0]->desc().fmt; }
    uint32_t width() const { return levels_.empty() ? 0 : levels_[0]->desc().width; }
    uint32_t height() const { return levels_.empty() ? 0 : levels_[0]->desc().height; }

private:
    std::vector<std::shared_ptr<surface>> levels_;
    uint32_t usage_;
    pool pool_;
};

class present_target;

class swap_chain {
public:
    swap_chain(std::weak_ptr<detail::device_core> core, const present_parameters& params,
               std::shared_ptr<surface> back_buffer, std::shared_ptr<detail::pool_token> token);

    const present_parameters& params() const { return params_; }
    // Back buffer 0 (the only one); null for any other index.
    std::shared_ptr<surface> back_buffer(uint32_t index) const;
    // Shows the back buffer in `window` (null: the chain's own window; no
    // window at all: nothing is shown and the back buffer stays readable).
    // device_lost while the device is lost; invalid_call inside a scene.
    // A frame that repeats the last is not drawn again, and a back buffer
    // the window already shows, as it was shown, is not shown again unless
    // the window needs it.
    result present(const rect* src, const rect* dst, present_target* window, uint32_t flags = 0);
    uint64_t presents() const { return presents_; }

private:
    std::weak_ptr<detail::device_core> core_;
    present_parameters params_;
    std::shared_ptr<surface> back_buffer_;
    std::shared_ptr<detail::pool_token> token_;
    uint64_t presents_ = 0;
    // What the window shows: the back buffer's version and the rectangles
    // it was shown with.
    struct shown_frame {
        present_target* window = nullptr;
        uint64_t version = 0;
        bool has_src = false, has_dst = false;
        rect src, dst;
        bool operator==(const shown_frame& o) const;
    } shown_;
};

} // namespace prender
