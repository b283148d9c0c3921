#pragma once
// The cursor device style: a device on the mixer that makes cursor buffers,
// a primary buffer that only takes an output format, and the 3-D listener
// every 3-D buffer of the device is heard through. Listener and buffer 3-D
// settings may be deferred and then take effect together at a commit.
#include "platform/audio/cursor_buffer.h"

#include <vector>

namespace paudio {

enum : uint32_t { cooperative_normal = 1, cooperative_priority = 2 };

// What the device reports of itself, in the order it is reported.
struct device_caps {
    uint32_t flags = 0;
    uint32_t min_secondary_rate = 0, max_secondary_rate = 0;
    uint32_t primary_buffers = 0;
    uint32_t max_hw_mixing_all = 0, max_hw_mixing_static = 0, max_hw_mixing_streaming = 0;
    uint32_t free_hw_mixing_all = 0, free_hw_mixing_static = 0, free_hw_mixing_streaming = 0;
    uint32_t max_hw_3d_all = 0, max_hw_3d_static = 0, max_hw_3d_streaming = 0;
    uint32_t free_hw_3d_all = 0, free_hw_3d_static = 0, free_hw_3d_streaming = 0;
    uint32_t total_hw_mem = 0, free_hw_mem = 0, max_contig_free_hw_mem = 0;
    uint32_t transfer_rate_kb = 0;
    uint32_t cpu_overhead_percent = 0;
};
enum : uint32_t {
    caps_flag_continuous_rate = 0x10,
    caps_flag_primary_mono = 0x1,
    caps_flag_primary_stereo = 0x2,
    caps_flag_primary_8bit = 0x4,
    caps_flag_primary_16bit = 0x8,
    caps_flag_emulated = 0x20,
    caps_flag_certified = 0x40,
    caps_flag_secondary_mono = 0x100,
    caps_flag_secondary_stereo = 0x200,
    caps_flag_secondary_8bit = 0x400,
    caps_flag_secondary_16bit = 0x800,
};

class sound_listener {
public:
    bool set_position(const vec3& position, bool deferred);
    bool set_orientation(const vec3& front, const vec3& top, bool deferred);
    // Applies every deferred listener and buffer setting of the device.
    bool commit_deferred_settings();

private:
    friend class buffer_device;
    explicit sound_listener(buffer_device& device) : m_device(device) {}
    buffer_device& m_device;
};

class primary_buffer {
public:
    bool set_format(const wave_format& f);
    // Null unless made with caps_ctrl_3d.
    sound_listener* listener() { return m_listener; }
    void release();

private:
    friend class buffer_device;
    primary_buffer(buffer_device& device, sound_listener* listener) : m_device(device), m_listener(listener) {}
    buffer_device& m_device;
    sound_listener* m_listener;
};

class buffer_device {
public:
    explicit buffer_device(mixer& m);
    // Every buffer must have been released.
    ~buffer_device();
    buffer_device(const buffer_device&) = delete;
    buffer_device& operator=(const buffer_device&) = delete;

    bool get_caps(device_caps& caps) const;
    // Needs a window; the level decides nothing here.
    bool set_cooperative_level(uintptr_t window, uint32_t level);
    bool compact() { return true; }
    primary_buffer* create_primary_buffer(uint32_t flags);
    // Null for a format the mixer does not play, a size that is not a whole
    // number of blocks, or 3-D control on a source that is not mono.
    cursor_buffer* create_buffer(uint32_t flags, uint32_t bytes, const wave_format& f);

    mixer& owner() { return m_mixer; }

private:
    friend class cursor_buffer;
    friend class sound_listener;
    friend class primary_buffer;
    void forget(cursor_buffer* b);
    void apply_3d_all();

    mixer& m_mixer;
    uintptr_t m_window = 0;
    sound_listener m_listener{*this};
    primary_buffer* m_primary = nullptr;
    std::vector<cursor_buffer*> m_buffers;
    listener_params m_listener_now;
    listener_params m_listener_deferred;
};

} // namespace paudio
