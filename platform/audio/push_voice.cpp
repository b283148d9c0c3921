#include "platform/audio/push_voice.h"

#include "platform/audio/mixer.h"

#include <algorithm>
#include <cstring>

namespace paudio {

using guard = std::lock_guard<std::recursive_mutex>;

push_voice* push_voice::create(mixer& m, const wave_format& f, uint32_t capacity_frames) {
    if (!is_playable(f) || capacity_frames == 0) return nullptr;
    return new push_voice(m, f, capacity_frames);
}

push_voice::push_voice(mixer& m, const wave_format& f, uint32_t capacity_frames)
    : mix_voice(m, f), m_ring(size_t(capacity_frames) * f.block_align), m_capacity(capacity_frames) {}

uint32_t push_voice::write(const void* data, uint32_t bytes) {
    if (!data) return 0;
    guard g(m_mixer.mutex());
    const uint32_t block = m_format.block_align;
    const uint32_t frames = std::min(bytes / block, m_capacity - m_count);
    const uint8_t* src = static_cast<const uint8_t*>(data);
    uint32_t at = (m_read + m_count) % m_capacity;
    for (uint32_t left = frames; left > 0;) {
        const uint32_t n = std::min(left, m_capacity - at);
        std::memcpy(m_ring.data() + size_t(at) * block, src, size_t(n) * block);
        src += size_t(n) * block;
        left -= n;
        at = (at + n) % m_capacity;
    }
    m_count += frames;
    return frames * block;
}

uint32_t push_voice::free_bytes() {
    guard g(m_mixer.mutex());
    return (m_capacity - m_count) * m_format.block_align;
}

uint32_t push_voice::queued_frames() {
    guard g(m_mixer.mutex());
    return m_count - std::min(m_count, uint32_t(m_cursor.pos >> 32));
}

uint64_t push_voice::played_frames() {
    guard g(m_mixer.mutex());
    return m_played + std::min(m_count, uint32_t(m_cursor.pos >> 32));
}

void push_voice::start() {
    guard g(m_mixer.mutex());
    set_running(true);
}

void push_voice::stop() {
    guard g(m_mixer.mutex());
    set_running(false);
}

void push_voice::flush() {
    guard g(m_mixer.mutex());
    leave_tail();
    m_read = m_count = 0;
    m_played = 0;
    m_cursor = read_cursor{};
}

void push_voice::set_volume(float volume) {
    guard g(m_mixer.mutex());
    float gains[2][2] = {};
    gains[0][0] = volume;
    gains[0][1] = m_format.channels == 1 ? volume : 0.0f;
    gains[1][1] = volume;
    set_gains(gains);
}

// One region: the queued frames up to the end of the ring; the cursor's start
// counts the frames of earlier regions of this block not yet given back.
pcm_span push_voice::region(const read_cursor& c) {
    if (c.start >= m_count) return {};
    const uint32_t first = (m_read + c.start) % m_capacity;
    const uint32_t n = std::min(m_count - c.start, m_capacity - first);
    return {m_ring.data() + size_t(first) * m_format.block_align, n};
}

bool push_voice::next_region(read_cursor& c, bool) {
    const pcm_span span = region(c);
    c.start += span.frames;
    return c.start < m_count;
}

void push_voice::after_render(read_cursor& c) {
    // Give back the frames played whole.
    consume(std::min(m_count, c.start + uint32_t(c.pos >> 32)));
    c.pos &= 0xFFFFFFFFull;
    c.start = 0;
}

void push_voice::consume(uint32_t frames) {
    m_read = (m_read + frames) % m_capacity;
    m_count -= frames;
    m_played += frames;
}

} // namespace paudio
