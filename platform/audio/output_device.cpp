#include "platform/audio/output_device.h"

#include "platform/audio/wake_event.h"
#include "platform/system/clock.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>

namespace paudio {
namespace {

void render_callback(void* user, Uint8* stream, int bytes) {
    static_cast<mixer*>(user)->render(reinterpret_cast<float*>(stream), uint32_t(bytes) / (sizeof(float) * 2));
}

} // namespace

output_device& output_device::instance() {
    static output_device device;
    return device;
}

void output_device::set_mode(output_mode mode) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_mode = mode;
}

output_mode output_device::mode() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_mode;
}

mixer* output_device::acquire() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_users++ == 0) {
        m_mixer = std::make_unique<mixer>();
        m_open_failure.clear();
        if (m_mode == output_mode::automatic) open_sdl();
        m_clock_base_us = psys::now_us();
        m_clock_frames = 0;
    }
    return m_mixer.get();
}

void output_device::release() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_users == 0 || --m_users > 0) return;
    close_sdl();
    m_mixer.reset();
}

bool output_device::is_open() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_mixer != nullptr;
}

bool output_device::is_null() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_sdl_device == 0;
}

std::string output_device::open_failure() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_open_failure;
}

bool output_device::open_sdl() {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        m_open_failure = *SDL_GetError() ? SDL_GetError() : "no audio driver";
        return false;
    }
    m_sdl_audio = true;
    const char* driver = SDL_GetCurrentAudioDriver();
    if (driver && std::strcmp(driver, "dummy") == 0) {
        close_sdl();
        return false;
    }
    SDL_AudioSpec want{}, have{};
    want.freq = int(mix_rate);
    want.format = AUDIO_F32SYS;
    want.channels = uint8_t(mix_channels);
    want.samples = 1024;
    want.callback = render_callback;
    want.userdata = m_mixer.get();
    // No changes allowed: SDL converts to whatever the device takes.
    m_sdl_device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (m_sdl_device == 0) {
        m_open_failure = std::string(driver ? driver : "?") + ": " + SDL_GetError();
        close_sdl();
        return false;
    }
    SDL_PauseAudioDevice(m_sdl_device, 0);
    return true;
}

void output_device::close_sdl() {
    if (m_sdl_device != 0) SDL_CloseAudioDevice(m_sdl_device);
    m_sdl_device = 0;
    if (m_sdl_audio) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    m_sdl_audio = false;
}

void output_device::pump(uint32_t frames, float* out) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_mixer || m_sdl_device != 0) return;
    m_scratch.resize(size_t(pump_block) * 2);
    while (frames > 0) {
        const uint32_t n = std::min(frames, pump_block);
        float* dst = out ? out : m_scratch.data();
        m_mixer->render(dst, n);
        wake_event::settle_all();
        if (out) out += size_t(n) * 2;
        frames -= n;
    }
}

void output_device::service() {
    uint32_t due = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_mixer || m_sdl_device != 0 || m_mode != output_mode::automatic) return;
        const uint64_t elapsed = psys::now_us() - m_clock_base_us;
        const uint64_t target = elapsed * mix_rate / 1000000u;
        if (target <= m_clock_frames) return;
        uint64_t behind = target - m_clock_frames;
        if (behind > max_catch_up) {
            m_clock_frames = target - max_catch_up;
            behind = max_catch_up;
        }
        m_clock_frames += behind;
        due = uint32_t(behind);
    }
    pump(due);
}

} // namespace paudio
