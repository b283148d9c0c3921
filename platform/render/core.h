#pragma once
// Internal: the part of a device that its resources share (the drawing queue,
// the worker threads, device loss and the count of live default-pool
// resources).
#include "platform/render/raster.h"
#include "platform/render/resources.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace prender::detail {

// Threads that share out numbered work items (the caller is one of them).
// Each participant starts on its own run of consecutive items, so that
// neighbouring items (bands, which share texture cache lines along their
// borders) mostly run on one core; one that runs out takes single items
// from the far end of another's run. A thread held back by the machine's
// other work thus simply does fewer items, and run returns once every item
// is done, without waiting for threads that had not woken up by then.
class worker_pool {
public:
    explicit worker_pool(unsigned participants);
    ~worker_pool();
    unsigned size() const { return unsigned(threads_.size()) + 1; }
    void run(unsigned items, const std::function<void(unsigned)>& job);

private:
    // Items [front, back) not yet taken, packed as front | back << 32.
    struct alignas(64) item_range {
        std::atomic<uint64_t> ends{0};
    };
    void loop(unsigned participant);
    void take_items(unsigned participant);
    std::vector<std::thread> threads_;
    std::unique_ptr<item_range[]> ranges_;
    std::mutex m_;
    std::condition_variable start_cv_, done_cv_;
    const std::function<void(unsigned)>* job_ = nullptr;  // null between runs
    // Workers inside the current run; changed under m_, read without it
    // while the caller spins.
    std::atomic<unsigned> active_{0};
    uint64_t generation_ = 0;
    bool stop_ = false;
};

struct command {
    bool is_clear = false;
    std::shared_ptr<surface> target;
    std::shared_ptr<surface> depth;
    std::vector<clip_rect> areas;  // clear
    uint32_t flags = 0, color = 0, depth_value = 0;
    bool depth_deferred = false;   // the depth part was noted on the surface instead
    pixel_pipeline pl;             // draw
    std::shared_ptr<surface> tex;
    clip_rect clip{0, 0, 0, 0};
    std::vector<primitive> prims;
    uint64_t work = 0;             // pixels it may touch
    // What the command was made from, to tell a repeated frame: the
    // surfaces' ids and the draw call itself.
    uint64_t target_id = 0, depth_id = 0, tex_id = 0;
    primitive_type type = primitive_type::triangle_list;
    cull cull_mode = cull::none;
    bool allow_fast = true;
    std::vector<screen_vertex> vertices;
};

// Whether two commands draw the same thing given the same surfaces.
bool same_command(const command& a, const command& b);

// What the last presented frame drew, kept to recognise a frame that only
// repeats it: its commands (ids, states and vertices; no surfaces held, so
// that nothing stays alive for it) and each surface they read or wrote, by
// id, with its version once the frame was drawn.
struct frame_record {
    std::vector<command> commands;
    std::vector<std::pair<uint64_t, uint64_t>> stamps;  // sorted by id
    bool reusable = false;
};

enum class loss { none, lost, not_reset };

struct device_core {
    std::recursive_mutex mu;
    std::vector<command> queue;
    std::unique_ptr<worker_pool> pool;
    loss state = loss::none;
    bool in_scene = false;
    result injected_present = result::ok;
    std::atomic<int> live_default{0};

    // Frames between presents. A frame is redrawn at its present unless it
    // repeats the last one: the same commands, over surfaces unchanged since
    // (each written one cleared whole before anything else touches it, so
    // that its pixels follow from the commands alone). Then the surfaces
    // already hold what drawing it would give, and it is not drawn again.
    bool reuse_frames = true;
    bool drawn_early = false;  // some of this frame was drawn before its present
    frame_record last;

    void enqueue(command&& c);
    // Draws everything queued (for a lock, a copy, a read-back).
    void flush();
    // At a present: draws the frame, or finds it repeats the last one;
    // true when it was not drawn.
    bool finish_frame();
    void forget_frames();

private:
    void draw_queue();
};

// Held by every default-pool resource (and each of its level surfaces):
// the resource counts as live on the device while one remains.
struct pool_token {
    explicit pool_token(const std::shared_ptr<device_core>& c) : core(c) { c->live_default.fetch_add(1); }
    ~pool_token() {
        if (auto c = core.lock()) c->live_default.fetch_sub(1);
    }
    std::weak_ptr<device_core> core;
};

pixel_view view_of(surface& s);

} // namespace prender::detail
