#pragma once
// A voice of the queued style: the caller submits buffers of PCM that the
// voice plays one after another, each with an optional loop region and loop
// count. Buffers are not copied: the caller keeps a buffer's memory alive and
// unchanged until its buffer-end callback (or until the voice is destroyed).
// Callbacks run on the output thread with the mixer's lock held: they must be
// short and must not destroy the voice; they may submit more buffers.
#include "platform/audio/mix_voice.h"

#include <deque>

namespace paudio {

constexpr uint32_t buffer_end_of_stream = 0x40;
constexpr uint32_t loop_infinite = 255;
constexpr uint32_t max_loop_count = 254;

struct audio_buffer {
    uint32_t flags = 0;
    uint32_t audio_bytes = 0;
    const uint8_t* audio_data = nullptr;
    uint32_t play_begin = 0;   // frames
    uint32_t play_length = 0;  // 0: to the end of the buffer
    uint32_t loop_begin = 0;
    uint32_t loop_length = 0;  // 0: to the end of the play region
    uint32_t loop_count = 0;   // 0 no loop, 1-254 passes, loop_infinite
    void* context = nullptr;   // handed to the buffer-end callback
};

struct voice_state {
    void* current_context = nullptr;  // the context of the buffer playing
    uint32_t buffers_queued = 0;      // including the one playing
};

class voice_callback {
public:
    virtual void on_buffer_end(void* context) = 0;

protected:
    ~voice_callback() = default;
};

class source_voice final : public mix_voice {
public:
    // Refused (false) for a buffer whose regions lie outside its frames.
    bool submit(const audio_buffer& b);
    bool start();
    // Keeps the queue and the position; a sounding voice fades out quickly.
    bool stop();
    // Drops every queued buffer, calling its buffer-end callback.
    bool flush();
    void get_state(voice_state& state);
    bool set_volume(float volume);
    float volume();
    // levels[source channels x d + s]: the level of source channel s in
    // output channel d; for a voice of one or two channels only.
    bool set_output_matrix(uint32_t source_channels, uint32_t destination_channels, const float* levels);
    // No callback runs once this returns.
    void destroy();

private:
    friend class voice_engine;
    source_voice(mixer& m, const wave_format& f, voice_callback* callback);

    struct queued {
        audio_buffer desc;
        uint32_t play_end = 0;
        uint32_t loop_end = 0;
    };

    pcm_span region(const read_cursor& c) override;
    bool next_region(read_cursor& c, bool live) override;
    void apply_gains();

    voice_callback* m_callback;
    std::deque<queued> m_queue;
    float m_volume = 1.0f;
    float m_matrix[2][2] = {};
};

} // namespace paudio
