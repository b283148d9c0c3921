#include "platform/audio/cursor_buffer.h"

#include "platform/audio/buffer_device.h"
#include "platform/audio/mixer.h"
#include "platform/audio/wake_event.h"

#include <algorithm>
#include <cstring>

namespace paudio {

using guard = std::lock_guard<std::recursive_mutex>;

cursor_buffer::cursor_buffer(buffer_device& device, mixer& m, const wave_format& f, uint32_t flags, uint32_t bytes)
    : mix_voice(m, f), m_device(device), m_flags(flags), m_ring(bytes, sample_bytes(f) == 1 ? 0x80 : 0x00) {
    apply_gains();
}

bool cursor_buffer::lock(uint32_t offset, uint32_t bytes, void** part1, uint32_t* bytes1, void** part2,
                         uint32_t* bytes2, uint32_t flags) {
    if (!part1 || !bytes1) return false;
    guard g(m_mixer.mutex());
    const uint32_t total = size();
    if (flags & lock_entire_buffer) {
        offset = 0;
        bytes = total;
    }
    if (m_locked || offset >= total || bytes == 0 || bytes > total) return false;
    const uint32_t first = std::min(bytes, total - offset);
    const uint32_t second = bytes - first;
    if (second > 0 && (!part2 || !bytes2)) return false;
    m_staging.resize(bytes);
    std::memcpy(m_staging.data(), m_ring.data() + offset, first);
    std::memcpy(m_staging.data() + first, m_ring.data(), second);
    m_lock_offset = offset;
    m_locked = true;
    *part1 = m_staging.data();
    *bytes1 = first;
    if (part2) *part2 = second ? m_staging.data() + first : nullptr;
    if (bytes2) *bytes2 = second;
    return true;
}

bool cursor_buffer::unlock(void* part1, uint32_t bytes1, void* part2, uint32_t bytes2) {
    guard g(m_mixer.mutex());
    if (!m_locked || part1 != m_staging.data()) return false;
    const uint32_t first = std::min<uint32_t>(bytes1, uint32_t(m_staging.size()));
    const uint32_t total = size();
    const uint32_t inFirst = std::min(first, total - m_lock_offset);
    std::memcpy(m_ring.data() + m_lock_offset, m_staging.data(), inFirst);
    if (part2 && bytes2 > 0) {
        const uint8_t* p2 = static_cast<const uint8_t*>(part2);
        if (p2 < m_staging.data() || p2 >= m_staging.data() + m_staging.size()) return false;
        const size_t from = size_t(p2 - m_staging.data());
        std::memcpy(m_ring.data(), p2, std::min<size_t>(bytes2, m_staging.size() - from));
    }
    m_locked = false;
    m_staging.clear();
    return true;
}

bool cursor_buffer::play(uint32_t flags) {
    guard g(m_mixer.mutex());
    m_looping = (flags & play_looping) != 0;
    set_running(true);
    return true;
}

bool cursor_buffer::stop() {
    guard g(m_mixer.mutex());
    set_running(false);
    return true;
}

uint32_t cursor_buffer::status() {
    guard g(m_mixer.mutex());
    if (!running()) return 0;
    return uint32_t(status_playing) | (m_looping ? uint32_t(status_looping) : 0u);
}

uint32_t cursor_buffer::play_frame() const {
    return uint32_t((uint64_t(m_cursor.start) + (m_cursor.pos >> 32)) % frames());
}

bool cursor_buffer::current_position(uint32_t* play, uint32_t* write) {
    guard g(m_mixer.mutex());
    const uint32_t at = play_frame() * m_format.block_align;
    if (play) *play = at;
    if (write) *write = at;
    return true;
}

bool cursor_buffer::set_current_position(uint32_t offset) {
    guard g(m_mixer.mutex());
    if (offset >= size()) return false;
    m_cursor = read_cursor{};
    m_cursor.start = offset / m_format.block_align;
    return true;
}

bool cursor_buffer::set_volume(int32_t volume) {
    if (!(m_flags & caps_ctrl_volume) || volume < volume_min || volume > 0) return false;
    guard g(m_mixer.mutex());
    m_volume = volume;
    apply_gains();
    return true;
}

int32_t cursor_buffer::volume() {
    guard g(m_mixer.mutex());
    return m_volume;
}

bool cursor_buffer::set_pan(int32_t pan) {
    if (!(m_flags & caps_ctrl_pan) || pan < pan_left || pan > pan_right) return false;
    guard g(m_mixer.mutex());
    m_pan = pan;
    apply_gains();
    return true;
}

int32_t cursor_buffer::pan() {
    guard g(m_mixer.mutex());
    return m_pan;
}

bool cursor_buffer::set_notification_positions(uint32_t count, const notify_position* positions) {
    if (!(m_flags & caps_ctrl_position_notify) || (count > 0 && !positions)) return false;
    guard g(m_mixer.mutex());
    if (running()) return false;
    std::vector<std::pair<uint32_t, wake_event*>> list;
    for (uint32_t i = 0; i < count; ++i) {
        if (positions[i].offset >= size() || !positions[i].event) return false;
        list.emplace_back(positions[i].offset / m_format.block_align, positions[i].event);
    }
    std::sort(list.begin(), list.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    m_notify = std::move(list);
    return true;
}

bool cursor_buffer::set_3d_parameters(const buffer_3d_params& params, bool deferred) {
    if (!(m_flags & caps_ctrl_3d)) return false;
    guard g(m_mixer.mutex());
    if (deferred) {
        m_3d_deferred = params;
        m_has_deferred = true;
        return true;
    }
    m_3d = params;
    m_has_deferred = false;
    apply_gains();
    return true;
}

bool cursor_buffer::get_3d_parameters(buffer_3d_params& params) {
    if (!(m_flags & caps_ctrl_3d)) return false;
    guard g(m_mixer.mutex());
    params = m_has_deferred ? m_3d_deferred : m_3d;
    return true;
}

void cursor_buffer::commit_3d() {
    if (m_has_deferred) m_3d = m_3d_deferred;
    m_has_deferred = false;
    apply_gains();
}

void cursor_buffer::apply_gains() {
    const float level = gain_from_hundredths_db(m_volume);
    float left = 1.0f, right = 1.0f;
    if (m_flags & caps_ctrl_3d) {
        buffer_3d_gains(m_device.m_listener_now, m_3d, (m_flags & caps_mute_3d_at_max_distance) != 0, left, right);
    } else {
        pan_gains(m_pan, left, right);
    }
    float g[2][2] = {};
    if (m_format.channels == 1) {
        g[0][0] = level * left;
        g[0][1] = level * right;
    } else {
        g[0][0] = level * left;
        g[1][1] = level * right;
    }
    set_gains(g);
}

void cursor_buffer::release() {
    {
        guard g(m_mixer.mutex());
        m_device.forget(this);
    }
    destroy_voice();
}

uint32_t cursor_buffer::boundary_after(uint32_t frame) const {
    for (const auto& n : m_notify)
        if (n.first > frame) return n.first;
    return frames();
}

pcm_span cursor_buffer::region(const read_cursor& c) {
    const uint32_t end = boundary_after(c.start);
    return {m_ring.data() + size_t(c.start) * m_format.block_align, end - c.start};
}

bool cursor_buffer::next_region(read_cursor& c, bool live) {
    const uint32_t total = frames();
    const uint32_t end = boundary_after(c.start);
    const bool wraps = end >= total;
    if (wraps && !m_looping) {
        if (live) ended();
        return false;
    }
    const uint32_t reached = wraps ? 0 : end;
    if (live)
        for (const auto& n : m_notify)
            if (n.first == reached) n.second->set();
    c.start = reached;
    return true;
}

} // namespace paudio
