#include "platform/audio/source_voice.h"

#include "platform/audio/mixer.h"

namespace paudio {

namespace {
// Phases of a queued buffer: up to the loop's end (or the play region's end),
// the loop passes, then the rest of the play region after the loop.
enum : uint32_t { phase_first = 0, phase_loop = 1, phase_after = 2 };
} // namespace

source_voice::source_voice(mixer& m, const wave_format& f, voice_callback* callback)
    : mix_voice(m, f), m_callback(callback) {
    m_matrix[0][0] = 1.0f;
    m_matrix[0][1] = f.channels == 1 ? 1.0f : 0.0f;
    m_matrix[1][1] = 1.0f;
}

bool source_voice::submit(const audio_buffer& b) {
    const uint32_t frames = b.audio_bytes / m_format.block_align;
    if (!b.audio_data || frames == 0 || b.play_begin >= frames) return false;
    queued q{b, 0, 0};
    q.play_end = b.play_length ? b.play_begin + b.play_length : frames;
    if (q.play_end > frames || q.play_end <= b.play_begin) return false;
    if (b.loop_count > 0) {
        if (b.loop_count > max_loop_count && b.loop_count != loop_infinite) return false;
        q.loop_end = b.loop_length ? b.loop_begin + b.loop_length : q.play_end;
        if (q.loop_end > q.play_end || b.loop_begin >= q.loop_end || b.play_begin >= q.loop_end) return false;
    }
    std::lock_guard<std::recursive_mutex> lock(m_mixer.mutex());
    m_queue.push_back(q);
    return true;
}

bool source_voice::start() {
    std::lock_guard<std::recursive_mutex> lock(m_mixer.mutex());
    set_running(true);
    return true;
}

bool source_voice::stop() {
    std::lock_guard<std::recursive_mutex> lock(m_mixer.mutex());
    set_running(false);
    return true;
}

bool source_voice::flush() {
    std::lock_guard<std::recursive_mutex> lock(m_mixer.mutex());
    leave_tail();
    while (!m_queue.empty()) {
        void* context = m_queue.front().desc.context;
        m_queue.pop_front();
        if (m_callback) m_callback->on_buffer_end(context);
    }
    m_cursor = read_cursor{};
    return true;
}

void source_voice::get_state(voice_state& state) {
    std::lock_guard<std::recursive_mutex> lock(m_mixer.mutex());
    state.buffers_queued = uint32_t(m_queue.size());
    state.current_context = m_queue.empty() ? nullptr : m_queue.front().desc.context;
}

bool source_voice::set_volume(float volume) {
    std::lock_guard<std::recursive_mutex> lock(m_mixer.mutex());
    m_volume = volume;
    apply_gains();
    return true;
}

float source_voice::volume() {
    std::lock_guard<std::recursive_mutex> lock(m_mixer.mutex());
    return m_volume;
}

bool source_voice::set_output_matrix(uint32_t source_channels, uint32_t destination_channels, const float* levels) {
    // A matrix places one or two channels; more are mixed down first.
    if (source_channels != m_format.channels || source_channels > 2 || destination_channels != mix_channels || !levels)
        return false;
    std::lock_guard<std::recursive_mutex> lock(m_mixer.mutex());
    for (uint32_t s = 0; s < source_channels; ++s)
        for (uint32_t d = 0; d < destination_channels; ++d) m_matrix[s][d] = levels[source_channels * d + s];
    apply_gains();
    return true;
}

void source_voice::apply_gains() {
    float g[2][2];
    for (int s = 0; s < 2; ++s)
        for (int d = 0; d < 2; ++d) g[s][d] = m_matrix[s][d] * m_volume;
    set_gains(g);
}

void source_voice::destroy() { destroy_voice(); }

pcm_span source_voice::region(const read_cursor& c) {
    if (c.item >= m_queue.size()) return {};
    const queued& q = m_queue[c.item];
    uint32_t begin = q.desc.play_begin, end = q.play_end;
    if (c.phase == phase_first && q.desc.loop_count > 0) end = q.loop_end;
    if (c.phase == phase_loop) begin = q.desc.loop_begin, end = q.loop_end;
    if (c.phase == phase_after) begin = q.loop_end;
    return {q.desc.audio_data + size_t(begin) * m_format.block_align, end - begin};
}

bool source_voice::next_region(read_cursor& c, bool live) {
    if (c.item >= m_queue.size()) return false;
    const queued& q = m_queue[c.item];
    const uint32_t loops = q.desc.loop_count;
    if (c.phase == phase_first && loops > 0) {
        c.phase = phase_loop;
        c.passes = 0;
        return true;
    }
    if (c.phase == phase_loop) {
        ++c.passes;
        if (loops == loop_infinite || c.passes < loops) return true;
        if (q.loop_end < q.play_end) {
            c.phase = phase_after;
            return true;
        }
    }
    // The buffer is done.
    c.phase = phase_first;
    c.passes = 0;
    if (!live) {
        ++c.item;
        return c.item < m_queue.size();
    }
    void* context = q.desc.context;
    m_queue.pop_front();
    if (m_callback) m_callback->on_buffer_end(context);
    return !m_queue.empty();
}

} // namespace paudio
