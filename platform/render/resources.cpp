#include "platform/render/resources.h"

#include "platform/render/core.h"
#include "platform/render/format.h"
#include "platform/render/present_target.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace prender {

namespace detail {

pixel_view view_of(surface& s) {
    pixel_view v;
    v.bits = s.bits();
    v.pitch = s.pitch();
    v.width = int32_t(s.desc().width);
    v.height = int32_t(s.desc().height);
    v.fmt = s.desc().fmt;
    return v;
}

worker_pool::worker_pool(unsigned participants) : ranges_(new item_range[participants]) {
    for (unsigned i = 1; i < participants; ++i) threads_.emplace_back([this, i] { loop(i); });
}

worker_pool::~worker_pool() {
    {
        std::lock_guard<std::mutex> g(m_);
        stop_ = true;
    }
    start_cv_.notify_all();
    for (auto& t : threads_) t.join();
}

namespace {

// A pause in a wait loop: lets the core's other hardware thread run.
inline void cpu_relax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#elif defined(__aarch64__)
    asm volatile("yield");
#endif
}

constexpr uint64_t pack_ends(uint64_t front, uint64_t back) { return front | back << 32; }

// Takes the front item of r (or, from_back, its last one); false when r is empty.
bool take(std::atomic<uint64_t>& r, bool from_back, unsigned& item) {
    uint64_t ends = r.load(std::memory_order_relaxed);
    for (;;) {
        uint32_t front = uint32_t(ends), back = uint32_t(ends >> 32);
        if (front >= back) return false;
        uint64_t next = from_back ? pack_ends(front, back - 1) : pack_ends(front + 1, back);
        if (r.compare_exchange_weak(ends, next, std::memory_order_relaxed)) {
            item = from_back ? back - 1 : front;
            return true;
        }
    }
}

} // namespace

void worker_pool::take_items(unsigned participant) {
    const unsigned n = size();
    unsigned item;
    for (;;) {
        bool got = take(ranges_[participant].ends, false, item);
        for (unsigned k = 1; !got && k < n; ++k) got = take(ranges_[(participant + k) % n].ends, true, item);
        if (!got) return;
        (*job_)(item);
    }
}

void worker_pool::run(unsigned items, const std::function<void(unsigned)>& job) {
    const unsigned n = size();
    if (threads_.empty() || items <= 1) {
        for (unsigned i = 0; i < items; ++i) job(i);
        return;
    }
    {
        std::lock_guard<std::mutex> g(m_);
        job_ = &job;
        for (unsigned p = 0; p < n; ++p)
            ranges_[p].ends.store(pack_ends(uint64_t(items) * p / n, uint64_t(items) * (p + 1) / n), std::memory_order_relaxed);
        ++generation_;
    }
    start_cv_.notify_all();
    take_items(0);
    // Every item taken belongs to the caller or to an active worker, so once
    // no worker is active all items are done, and the count's release
    // publishes their pixels. The last items end within a band's time of
    // each other: spinning that long saves being woken by the last worker.
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::microseconds(100);
    while (active_.load(std::memory_order_acquire) != 0 && std::chrono::steady_clock::now() < give_up) cpu_relax();
    std::unique_lock<std::mutex> l(m_);
    done_cv_.wait(l, [this] { return active_.load(std::memory_order_relaxed) == 0; });
    job_ = nullptr;
}

void worker_pool::loop(unsigned participant) {
    uint64_t seen = 0;
    std::unique_lock<std::mutex> l(m_);
    for (;;) {
        start_cv_.wait(l, [&] { return stop_ || generation_ != seen; });
        if (stop_) return;
        seen = generation_;
        if (!job_) continue;  // woke only after that run had finished
        active_.fetch_add(1, std::memory_order_relaxed);
        l.unlock();
        take_items(participant);
        l.lock();
        if (active_.fetch_sub(1, std::memory_order_release) == 1) done_cv_.notify_all();
    }
}

void device_core::enqueue(command&& c) {
    std::lock_guard<std::recursive_mutex> g(mu);
    c.target_id = c.target ? c.target->id() : 0;
    c.depth_id = c.depth ? c.depth->id() : 0;
    c.tex_id = c.tex ? c.tex->id() : 0;
    queue.push_back(std::move(c));
    if (queue.size() >= 4096) flush();
}

bool same_command(const command& a, const command& b) {
    return a.is_clear == b.is_clear && a.target_id == b.target_id && a.depth_id == b.depth_id &&
           a.tex_id == b.tex_id && a.flags == b.flags && a.color == b.color && a.depth_value == b.depth_value &&
           a.areas == b.areas && a.pl == b.pl && a.clip == b.clip && a.type == b.type && a.cull_mode == b.cull_mode &&
           a.allow_fast == b.allow_fast && a.vertices.size() == b.vertices.size() &&
           (a.vertices.empty() ||
            std::memcmp(a.vertices.data(), b.vertices.data(), a.vertices.size() * sizeof(screen_vertex)) == 0);
}

namespace {

// Rows a band covers. Eight rows of a 1024-pixel target (32 KiB) stay in
// cache while every command of a run is blended over them, and a screen
// gives nearly a hundred bands to share out.
constexpr int32_t band_rows = 8;
// Below this many pixels, waking the workers and walking every command once
// per band cost more than they save.
constexpr uint64_t banded_work = 65536;

bool holds(const std::vector<const surface*>& v, const surface* s) {
    return std::find(v.begin(), v.end(), s) != v.end();
}

// The end of the run of commands starting at `begin` that can be drawn band by
// band: a band draws all of a run's commands over its rows before another
// band's rows are touched, so no command of a run may sample a surface that
// an earlier one draws into, nor draw into one that an earlier one samples.
size_t run_end(const std::vector<command>& q, size_t begin) {
    std::vector<const surface*> written;  // a handful: targets change rarely
    for (size_t i = begin; i < q.size(); ++i) {
        const command& c = q[i];
        if (c.tex && holds(written, c.tex.get())) return i;
        for (const surface* out : {c.target.get(), c.depth.get()}) {
            if (!out || holds(written, out)) continue;
            for (size_t j = begin; j < i; ++j)
                if (q[j].tex.get() == out) return i;
            written.push_back(out);
        }
    }
    return q.size();
}

void draw_command(const command& c, const row_band& band, raster_scratch& s) {
    if (c.is_clear) {
        if (c.flags & clear_target && c.target) {
            pixel_view t = view_of(*c.target);
            for (const clip_rect& a : c.areas) clear_rows(t, a, c.color, band);
        }
        if (c.flags & (clear_zbuffer | clear_stencil) && c.depth && !c.depth_deferred) {
            pixel_view d = view_of(*c.depth);
            for (const clip_rect& a : c.areas) clear_depth_rows(d, a, c.depth_value, band);
        }
        return;
    }
    pixel_view target = view_of(*c.target);
    pixel_view texv;
    const pixel_view* tex = nullptr;
    if (c.tex) {
        texv = view_of(*c.tex);
        tex = &texv;
    }
    for (const primitive& p : c.prims) draw_primitive(p, c.pl, tex, target, c.clip, band, s);
}

// The surfaces a command writes: a draw its target; a clear its target, its
// depth-stencil surface or both, as its flags say.
surface* written_colour(const command& c) {
    return !c.is_clear || (c.flags & clear_target) ? c.target.get() : nullptr;
}
surface* written_depth(const command& c) {
    return c.is_clear && (c.flags & (clear_zbuffer | clear_stencil)) ? c.depth.get() : nullptr;
}

bool clears_whole(const command& c, const surface& s) {
    for (const clip_rect& a : c.areas)
        if (a.x0 <= 0 && a.y0 <= 0 && a.x1 >= int32_t(s.desc().width) && a.y1 >= int32_t(s.desc().height)) return true;
    return false;
}

// Depth clears of a whole surface are noted on it (in queue order: a later
// one replaces an earlier); a partial one first writes what was noted, so
// that its rows land on the right bytes.
void defer_depth_clears(std::vector<command>& queue) {
    for (command& c : queue) {
        surface* depth = written_depth(c);
        if (!depth) continue;
        if (clears_whole(c, *depth)) {
            depth->defer_fill(c.depth_value);
            c.depth_deferred = true;
        } else {
            depth->settle();
        }
    }
}

// Whether the pixels a frame leaves follow from its commands and the
// surfaces it only reads: each surface it writes is cleared whole before
// anything else touches it.
bool self_contained(const std::vector<command>& q) {
    std::vector<const surface*> written, cleared;
    for (const command& c : q)
        for (const surface* s : {written_colour(c), written_depth(c)})
            if (s && !holds(written, s)) written.push_back(s);
    for (const command& c : q) {
        if (c.is_clear) {
            for (const surface* s : {written_colour(c), written_depth(c)}) {
                if (!s || holds(cleared, s)) continue;
                if (!clears_whole(c, *s)) return false;
                cleared.push_back(s);
            }
        } else if (!holds(cleared, c.target.get()) ||
                   (c.tex && holds(written, c.tex.get()) && !holds(cleared, c.tex.get()))) {
            return false;
        }
    }
    return true;
}

// Every surface the commands read or write, once each, by rising id.
std::vector<const surface*> surfaces_of(const std::vector<command>& q) {
    std::vector<const surface*> out;
    for (const command& c : q)
        for (const surface* s : {c.target.get(), c.depth.get(), c.tex.get()})
            if (s) out.push_back(s);
    std::sort(out.begin(), out.end(), [](const surface* a, const surface* b) { return a->id() < b->id(); });
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

// A frame with more commands than this is not kept for comparison.
constexpr size_t max_recorded_commands = 65536;

} // namespace

void device_core::flush() {
    std::lock_guard<std::recursive_mutex> g(mu);
    if (queue.empty()) return;
    draw_queue();
    queue.clear();
    drawn_early = true;
}

bool device_core::finish_frame() {
    std::lock_guard<std::recursive_mutex> g(mu);
    const bool early = drawn_early;
    drawn_early = false;
    const bool comparable = reuse_frames && !early && !queue.empty();
    std::vector<const surface*> touched;
    if (comparable) touched = surfaces_of(queue);
    if (comparable && last.reusable && queue.size() == last.commands.size() && touched.size() == last.stamps.size()) {
        bool same = true;
        for (size_t i = 0; same && i < touched.size(); ++i)
            same = touched[i]->id() == last.stamps[i].first && touched[i]->version() == last.stamps[i].second;
        for (size_t i = 0; same && i < queue.size(); ++i) same = same_command(queue[i], last.commands[i]);
        if (same) {
            queue.clear();
            return true;
        }
    }
    frame_record next;
    next.reusable = comparable && queue.size() <= max_recorded_commands && self_contained(queue);
    draw_queue();
    if (next.reusable) {
        for (const surface* s : touched) next.stamps.emplace_back(s->id(), s->version());
        next.commands = std::move(queue);
        for (command& c : next.commands) {
            c.target.reset();
            c.depth.reset();
            c.tex.reset();
            std::vector<primitive>().swap(c.prims);
        }
    }
    queue.clear();
    last = std::move(next);
    return false;
}

void device_core::forget_frames() {
    std::lock_guard<std::recursive_mutex> g(mu);
    last = frame_record{};
    drawn_early = false;
}

void device_core::draw_queue() {
    defer_depth_clears(queue);
    for (size_t begin = 0; begin < queue.size();) {
        size_t end = run_end(queue, begin);
        int32_t rows = 0;
        uint64_t work = 0;
        for (size_t i = begin; i < end; ++i) {
            if (queue[i].target) rows = std::max(rows, int32_t(queue[i].target->desc().height));
            if (queue[i].depth) rows = std::max(rows, int32_t(queue[i].depth->desc().height));
            work += queue[i].work;
        }
        if (!pool || work < banded_work) {
            raster_scratch s;
            const row_band all{0, rows};
            for (size_t i = begin; i < end; ++i) draw_command(queue[i], all, s);
        } else {
            // Bands also on a single thread: each band's rows stay in cache
            // through all the run's commands.
            auto job = [&](unsigned b) {
                raster_scratch s;
                const row_band band{int32_t(b) * band_rows, std::min(rows, int32_t(b + 1) * band_rows)};
                for (size_t i = begin; i < end; ++i) draw_command(queue[i], band, s);
            };
            pool->run(unsigned((rows + band_rows - 1) / band_rows), job);
        }
        begin = end;
    }
    for (const command& c : queue)
        for (surface* s : {written_colour(c), written_depth(c)})
            if (s) s->touch();
}

} // namespace detail

namespace {
std::atomic<uint64_t> g_next_surface_id{1};
} // namespace

surface::surface(const init& in)
    : desc_(in.desc), lockable_(in.lockable), core_(in.core), token_(in.token),
      id_(g_next_surface_id.fetch_add(1, std::memory_order_relaxed)) {
    uint32_t bpp = bytes_per_pixel(desc_.fmt);
    size_t row = size_t(desc_.width) * bpp;
    pitch_ = int32_t((row + 15) & ~size_t(15));
    storage_.assign(size_t(pitch_) * desc_.height, 0);
}

surface::~surface() = default;

void surface::finish_drawing() const {
    if (auto c = core_.lock()) c->flush();
}

void surface::defer_fill(uint32_t value) {
    fill_pending_ = true;
    pending_fill_ = value;
}

void surface::settle() {
    if (!fill_pending_) return;
    fill_pending_ = false;
    const uint32_t bpp = bytes_per_pixel(desc_.fmt);
    for (uint32_t y = 0; y < desc_.height; ++y)
        detail::fill_pixels(storage_.data() + size_t(y) * pitch_, int(desc_.width), bpp, pending_fill_);
}

result surface::lock_rect(const rect* area, locked_rect& out, uint32_t flags) {
    out = locked_rect{};
    if (!lockable_ || locked_) return result::invalid_call;
    rect r{0, 0, int32_t(desc_.width), int32_t(desc_.height)};
    if (area) {
        if (area->left < 0 || area->top < 0 || area->left >= area->right || area->top >= area->bottom ||
            area->right > int32_t(desc_.width) || area->bottom > int32_t(desc_.height))
            return result::invalid_call;
        r = *area;
    }
    finish_drawing();
    if (auto c = core_.lock()) {
        std::lock_guard<std::recursive_mutex> g(c->mu);
        settle();
    } else {
        settle();
    }
    out.pitch = pitch_;
    out.bits = storage_.data() + ptrdiff_t(r.top) * pitch_ + ptrdiff_t(r.left) * bytes_per_pixel(desc_.fmt);
    locked_ = true;
    locked_writable_ = !(flags & lock_read_only);
    if (locked_writable_) touch();
    return result::ok;
}

result surface::unlock_rect() {
    if (!locked_) return result::invalid_call;
    locked_ = false;
    // Again: whatever looked at the version while the lock was held saw
    // pixels still being written.
    if (locked_writable_) touch();
    return result::ok;
}

std::vector<uint32_t> surface::read_argb() const {
    finish_drawing();
    std::vector<uint32_t> out;
    if (!is_color_format(desc_.fmt)) return out;
    out.resize(size_t(desc_.width) * desc_.height);
    for (uint32_t y = 0; y < desc_.height; ++y)
        row_to_argb(desc_.fmt, storage_.data() + size_t(y) * pitch_, out.data() + size_t(y) * desc_.width, desc_.width);
    return out;
}

texture::texture(std::vector<std::shared_ptr<surface>> levels, uint32_t usage, pool where)
    : levels_(std::move(levels)), usage_(usage), pool_(where) {}

result texture::level_desc(uint32_t level, surface_desc& out) const {
    if (level >= levels_.size()) return result::invalid_call;
    out = levels_[level]->desc();
    out.type = resource_type::texture;
    return result::ok;
}

std::shared_ptr<surface> texture::surface_level(uint32_t level) const {
    return level < levels_.size() ? levels_[level] : nullptr;
}

result texture::lock_rect(uint32_t level, const rect* area, locked_rect& out, uint32_t flags) {
    if (level >= levels_.size()) return result::invalid_call;
    return levels_[level]->lock_rect(area, out, flags);
}

result texture::unlock_rect(uint32_t level) {
    if (level >= levels_.size()) return result::invalid_call;
    return levels_[level]->unlock_rect();
}

swap_chain::swap_chain(std::weak_ptr<detail::device_core> core, const present_parameters& params,
                       std::shared_ptr<surface> back_buffer, std::shared_ptr<detail::pool_token> token)
    : core_(std::move(core)), params_(params), back_buffer_(std::move(back_buffer)), token_(std::move(token)) {}

std::shared_ptr<surface> swap_chain::back_buffer(uint32_t index) const { return index == 0 ? back_buffer_ : nullptr; }

bool swap_chain::shown_frame::operator==(const shown_frame& o) const {
    auto same = [](const rect& a, const rect& b) {
        return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
    };
    return window == o.window && version == o.version && has_src == o.has_src && has_dst == o.has_dst &&
           (!has_src || same(src, o.src)) && (!has_dst || same(dst, o.dst));
}

result swap_chain::present(const rect* src, const rect* dst, present_target* window, uint32_t /*flags*/) {
    auto core = core_.lock();
    if (!core) return result::invalid_call;
    std::lock_guard<std::recursive_mutex> g(core->mu);
    const surface_desc& d = back_buffer_->desc();
    const bool src_bad = src && (src->left < 0 || src->top < 0 || src->left >= src->right || src->top >= src->bottom ||
                                 src->right > int32_t(d.width) || src->bottom > int32_t(d.height));
    if (core->state != detail::loss::none || core->in_scene || core->injected_present != result::ok || src_bad) {
        // Refused: what was drawn is finished all the same.
        core->flush();
        if (core->state != detail::loss::none) return result::device_lost;
        if (core->in_scene) return result::invalid_call;
        if (core->injected_present != result::ok) {
            result r = core->injected_present;
            core->injected_present = result::ok;
            if (r == result::device_lost) core->state = detail::loss::lost;
            return r;
        }
        return result::invalid_call;
    }
    core->finish_frame();
    present_target* target = window ? window : params_.window;
    if (target) {
        shown_frame now;
        now.window = target;
        now.version = back_buffer_->version();
        now.has_src = src != nullptr;
        now.has_dst = dst != nullptr;
        if (src) now.src = *src;
        if (dst) now.dst = *dst;
        if (!(now == shown_) || target->needs_repaint()) {
            int32_t s[4], t[4];
            if (src) { s[0] = src->left; s[1] = src->top; s[2] = src->right; s[3] = src->bottom; }
            if (dst) { t[0] = dst->left; t[1] = dst->top; t[2] = dst->right; t[3] = dst->bottom; }
            bool ok;
            if (d.fmt == format::a8r8g8b8 || d.fmt == format::x8r8g8b8) {
                // x8 pixels go as they are: the window ignores alpha.
                ok = target->show(reinterpret_cast<const uint32_t*>(back_buffer_->bits()), int(d.width), int(d.height),
                                  back_buffer_->pitch(), src ? s : nullptr, dst ? t : nullptr);
            } else {
                std::vector<uint32_t> px = back_buffer_->read_argb();
                ok = target->show(px.data(), int(d.width), int(d.height), int(d.width) * 4, src ? s : nullptr,
                                  dst ? t : nullptr);
            }
            shown_ = ok ? now : shown_frame{};
        }
    }
    ++presents_;
    return result::ok;
}

} // namespace prender
