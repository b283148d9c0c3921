#pragma once
// The software mixer under both device styles: every live voice, resampled
// from its own rate to mix_rate and mixed in float into interleaved stereo.
// The output thread (SDL's callback, or a test pumping the null output) calls
// render; every other thread changes voices under the mixer's lock, which
// render holds for the whole block. Voice callbacks and wake events are fired
// from inside render, with that lock held.
#include "platform/audio/wave_format.h"

#include <cstdint>
#include <mutex>
#include <vector>

namespace paudio {

class mix_voice;

class mixer {
public:
    mixer();
    ~mixer();
    mixer(const mixer&) = delete;
    mixer& operator=(const mixer&) = delete;

    // Writes frames of interleaved stereo (overwriting out).
    void render(float* out, uint32_t frames);

    std::recursive_mutex& mutex() { return m_mutex; }
    uint64_t frames_rendered();
    size_t voice_count();

private:
    friend class mix_voice;
    void attach(mix_voice* v);
    void detach(mix_voice* v);
    // A voice that stops while it sounds leaves the next few milliseconds of
    // what it would have played, faded out, to be mixed after it is gone.
    void add_tail(std::vector<float>&& samples);

    struct tail {
        std::vector<float> samples;
        size_t pos = 0;
    };

    std::recursive_mutex m_mutex;
    std::vector<mix_voice*> m_voices;
    std::vector<tail> m_tails;
    uint64_t m_frames = 0;
};

} // namespace paudio
