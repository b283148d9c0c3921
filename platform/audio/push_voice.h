#pragma once
// A streamed voice fed by copying, for a decoder thread (a movie's sound):
// the feeder writes PCM as it decodes into the voice's own ring, which the
// mixer drains at the voice's rate. When the ring runs dry the voice plays
// silence and goes on as soon as more arrives. played_frames is the audio
// clock a movie can pace its pictures by.
#include "platform/audio/mix_voice.h"

#include <vector>

namespace paudio {

class push_voice final : public mix_voice {
public:
    // Null for a format the mixer does not play or no capacity.
    static push_voice* create(mixer& m, const wave_format& f, uint32_t capacity_frames);

    // Copies as many whole frames as fit; the bytes taken.
    uint32_t write(const void* data, uint32_t bytes);
    uint32_t free_bytes();
    uint32_t queued_frames();
    // Frames mixed since creation or the last flush.
    uint64_t played_frames();
    void start();
    void stop();
    // Drops what is queued and restarts the clock.
    void flush();
    void set_volume(float volume);
    void destroy() { destroy_voice(); }

private:
    push_voice(mixer& m, const wave_format& f, uint32_t capacity_frames);
    pcm_span region(const read_cursor& c) override;
    bool next_region(read_cursor& c, bool live) override;
    void after_render(read_cursor& c) override;
    void consume(uint32_t frames);

    std::vector<uint8_t> m_ring;
    uint32_t m_capacity;  // frames
    uint32_t m_read = 0;  // frame index of the oldest queued frame
    uint32_t m_count = 0;  // frames queued
    uint64_t m_played = 0;
};

} // namespace paudio
