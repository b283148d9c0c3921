#pragma once
// A buffer of the cursor style: a ring of PCM that plays from its play cursor,
// once to its end or looping, with notification positions that wake an event
// as the cursor reaches them, volume in hundredths of a decibel, pan, and (when
// made with caps_ctrl_3d) a 3-D position heard through the device's listener.
// The owner writes the ring between lock and unlock; what it writes reaches
// the mixer at unlock, so the mixer never reads memory being written.
#include "platform/audio/mix_voice.h"
#include "platform/audio/spatial.h"

#include <utility>
#include <vector>

namespace paudio {

class buffer_device;
class wake_event;

enum : uint32_t {
    caps_primary = 0x1,
    caps_loc_software = 0x8,
    caps_ctrl_3d = 0x10,
    caps_ctrl_frequency = 0x20,
    caps_ctrl_pan = 0x40,
    caps_ctrl_volume = 0x80,
    caps_ctrl_position_notify = 0x100,
    caps_global_focus = 0x8000,
    caps_get_current_position2 = 0x10000,
    caps_mute_3d_at_max_distance = 0x20000,
    caps_loc_defer = 0x40000,
};
enum : uint32_t { play_looping = 0x1 };
enum : uint32_t { status_playing = 0x1, status_buffer_lost = 0x2, status_looping = 0x4 };
enum : uint32_t { lock_entire_buffer = 0x2 };

constexpr int32_t volume_min = -10000;
constexpr int32_t pan_left = -10000;
constexpr int32_t pan_right = 10000;

struct notify_position {
    uint32_t offset = 0;  // bytes
    wake_event* event = nullptr;
};

class cursor_buffer final : public mix_voice {
public:
    // With flags lock_entire_buffer the offset and size are ignored. Only one
    // lock may be outstanding.
    bool lock(uint32_t offset, uint32_t bytes, void** part1, uint32_t* bytes1, void** part2, uint32_t* bytes2,
              uint32_t flags);
    bool unlock(void* part1, uint32_t bytes1, void* part2, uint32_t bytes2);
    bool play(uint32_t flags);
    bool stop();
    uint32_t status();
    bool current_position(uint32_t* play, uint32_t* write);
    bool set_current_position(uint32_t offset);
    bool set_volume(int32_t volume);
    int32_t volume();
    bool set_pan(int32_t pan);
    int32_t pan();
    // Only while stopped; replaces the earlier positions. The events must
    // outlive the buffer or the next call.
    bool set_notification_positions(uint32_t count, const notify_position* positions);
    // Nothing here loses its memory; kept for the callers' restore step.
    bool restore() { return true; }
    bool set_3d_parameters(const buffer_3d_params& params, bool deferred);
    bool get_3d_parameters(buffer_3d_params& params);
    uint32_t size() const { return uint32_t(m_ring.size()); }
    // Stops and frees the buffer.
    void release();

private:
    friend class buffer_device;
    friend class sound_listener;
    cursor_buffer(buffer_device& device, mixer& m, const wave_format& f, uint32_t flags, uint32_t bytes);

    pcm_span region(const read_cursor& c) override;
    bool next_region(read_cursor& c, bool live) override;
    void starved(read_cursor& c) override { c = read_cursor{}; }
    uint32_t boundary_after(uint32_t frame) const;
    uint32_t frames() const { return uint32_t(m_ring.size() / m_format.block_align); }
    uint32_t play_frame() const;
    // Volume, pan and the 3-D position into the mixer's gains.
    void apply_gains();
    // Takes the deferred 3-D parameters; called by the device's commit.
    void commit_3d();

    buffer_device& m_device;
    uint32_t m_flags;
    std::vector<uint8_t> m_ring;
    std::vector<uint8_t> m_staging;
    uint32_t m_lock_offset = 0;
    bool m_locked = false;
    bool m_looping = false;
    int32_t m_volume = 0;
    int32_t m_pan = 0;
    std::vector<std::pair<uint32_t, wake_event*>> m_notify;  // by frame, ascending
    buffer_3d_params m_3d;
    buffer_3d_params m_3d_deferred;
    bool m_has_deferred = false;
};

} // namespace paudio
