#pragma once
// The process's one mixer and where its sound goes. The first acquire makes
// the mixer and opens the output: SDL2 audio, whose callback thread renders
// the mixer, or, when SDL's audio driver is "dummy" or no device opens, a null
// output that renders only when pumped. The last release closes it again.
//
// The null output is pumped either by hand (tests: pump renders N frames and
// hands them back), or, in automatic mode, by service from the current clock,
// so that a game without a sound device keeps its sounds moving (they end,
// loop and fade on time) while nothing is heard. Both render in blocks of
// pump_block frames and let every refill thread answer its wake-ups (buffer
// ends, notifications) between blocks, so what is rendered does not depend on
// thread timing.
#include "platform/audio/mixer.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace paudio {

enum class output_mode {
    automatic,  // SDL when a device opens, else the null output paced by the clock
    manual,     // always the null output, pumped by hand
};

class output_device {
public:
    static constexpr uint32_t pump_block = mix_rate / 100;
    // The most the clock-paced output catches up at once; time beyond it is
    // dropped (a stalled game does not come back to seconds of mixing).
    static constexpr uint32_t max_catch_up = mix_rate;

    static output_device& instance();

    // Takes effect at the next first acquire.
    void set_mode(output_mode mode);
    output_mode mode();
    mixer* acquire();
    void release();
    bool is_open();
    bool is_null();
    // Why the last first acquire found no sound device: "" where one opened,
    // where the dummy driver was asked for (a headless run) or in manual mode.
    std::string open_failure();
    // The null output: renders frames (interleaved stereo into out when not
    // null). Does nothing on SDL output.
    void pump(uint32_t frames, float* out = nullptr);
    // The clock-paced null output in automatic mode: renders the frames due
    // since the last call. Does nothing otherwise.
    void service();

private:
    output_device() = default;
    bool open_sdl();
    void close_sdl();

    std::mutex m_mutex;
    output_mode m_mode = output_mode::automatic;
    int m_users = 0;
    std::unique_ptr<mixer> m_mixer;
    uint32_t m_sdl_device = 0;
    std::string m_open_failure;
    bool m_sdl_audio = false;
    uint64_t m_clock_base_us = 0;
    uint64_t m_clock_frames = 0;
    std::vector<float> m_scratch;
};

} // namespace paudio
