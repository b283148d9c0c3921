#include "platform/audio/buffer_device.h"

#include "platform/audio/mixer.h"

#include <algorithm>

namespace paudio {

using guard = std::lock_guard<std::recursive_mutex>;

bool sound_listener::set_position(const vec3& position, bool deferred) {
    guard g(m_device.m_mixer.mutex());
    m_device.m_listener_deferred.position = position;
    if (!deferred) {
        m_device.m_listener_now.position = position;
        m_device.apply_3d_all();
    }
    return true;
}

bool sound_listener::set_orientation(const vec3& front, const vec3& top, bool deferred) {
    guard g(m_device.m_mixer.mutex());
    m_device.m_listener_deferred.front = front;
    m_device.m_listener_deferred.top = top;
    if (!deferred) {
        m_device.m_listener_now.front = front;
        m_device.m_listener_now.top = top;
        m_device.apply_3d_all();
    }
    return true;
}

bool sound_listener::commit_deferred_settings() {
    guard g(m_device.m_mixer.mutex());
    m_device.m_listener_now = m_device.m_listener_deferred;
    for (cursor_buffer* b : m_device.m_buffers) b->commit_3d();
    return true;
}

bool primary_buffer::set_format(const wave_format& f) { return is_playable(f); }

void primary_buffer::release() {
    guard g(m_device.m_mixer.mutex());
    m_device.m_primary = nullptr;
    delete this;
}

buffer_device::buffer_device(mixer& m) : m_mixer(m) {}

buffer_device::~buffer_device() { delete m_primary; }

bool buffer_device::get_caps(device_caps& caps) const {
    caps = device_caps{};
    caps.flags = caps_flag_continuous_rate | caps_flag_emulated | caps_flag_primary_mono | caps_flag_primary_stereo |
                 caps_flag_primary_8bit | caps_flag_primary_16bit | caps_flag_secondary_mono |
                 caps_flag_secondary_stereo | caps_flag_secondary_8bit | caps_flag_secondary_16bit;
    caps.min_secondary_rate = min_rate;
    caps.max_secondary_rate = max_rate;
    caps.primary_buffers = 1;
    return true;
}

bool buffer_device::set_cooperative_level(uintptr_t window, uint32_t level) {
    if (window == 0 || (level != cooperative_normal && level != cooperative_priority)) return false;
    m_window = window;
    return true;
}

primary_buffer* buffer_device::create_primary_buffer(uint32_t flags) {
    guard g(m_mixer.mutex());
    if (!(flags & caps_primary) || m_primary) return nullptr;
    m_primary = new primary_buffer(*this, (flags & caps_ctrl_3d) ? &m_listener : nullptr);
    return m_primary;
}

cursor_buffer* buffer_device::create_buffer(uint32_t flags, uint32_t bytes, const wave_format& f) {
    if ((flags & caps_primary) || !is_playable(f) || bytes == 0 || bytes % f.block_align != 0) return nullptr;
    if ((flags & caps_ctrl_3d) && (f.channels != 1 || (flags & caps_ctrl_pan))) return nullptr;
    guard g(m_mixer.mutex());
    cursor_buffer* b = new cursor_buffer(*this, m_mixer, f, flags, bytes);
    m_buffers.push_back(b);
    return b;
}

void buffer_device::forget(cursor_buffer* b) { std::erase(m_buffers, b); }

void buffer_device::apply_3d_all() {
    for (cursor_buffer* b : m_buffers)
        if (b->m_flags & caps_ctrl_3d) b->apply_gains();
}

} // namespace paudio
