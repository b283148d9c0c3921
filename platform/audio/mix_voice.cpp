#include "platform/audio/mix_voice.h"

#include "platform/audio/mixer.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace paudio {
namespace {

// Frames mixed at once; bounds the scratch space on the stack.
constexpr uint32_t block_frames = 256;
// Regions without a frame passed one after another before a voice gives up
// for this block (an endless loop over nothing must not hang the mixer).
constexpr int max_empty_regions = 64;

// One sample in -1..1: 1 byte unsigned around 128, wider ones signed.
template <int Bytes>
inline float sample_at(const uint8_t* p) {
    if constexpr (Bytes == 1) {
        return float(int(p[0]) - 128) * (1.0f / 128.0f);
    } else if constexpr (Bytes == 2) {
        return float(int16_t(uint16_t(p[0] | (p[1] << 8)))) * (1.0f / 32768.0f);
    } else if constexpr (Bytes == 3) {
        return float(int32_t(uint32_t(p[0]) << 8 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 24)) *
               (1.0f / 2147483648.0f);
    } else {
        return float(int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24)) *
               (1.0f / 2147483648.0f);
    }
}

} // namespace

mix_voice::mix_voice(mixer& m, const wave_format& f) : m_mixer(m), m_format(f) {
    m_step = (uint64_t(f.samples_per_sec) << 32) / mix_rate;
    m_mix_channels = f.channels == 1 ? 1 : 2;
    downmix_gains(f.channels, m_downmix);
    // Until told otherwise a mono voice sounds in both channels and a stereo
    // one keeps its sides.
    m_target[0][0] = 1.0f;
    m_target[0][1] = f.channels == 1 ? 1.0f : 0.0f;
    m_target[1][1] = 1.0f;
    std::memcpy(m_current, m_target, sizeof m_current);
    m_mixer.attach(this);
}

mix_voice::~mix_voice() = default;

void mix_voice::destroy_voice() {
    std::lock_guard<std::recursive_mutex> lock(m_mixer.mutex());
    leave_tail();
    m_mixer.detach(this);
    delete this;
}

void mix_voice::set_gains(const float gains[2][2]) {
    std::memcpy(m_target, gains, sizeof m_target);
    if (!m_running) {
        std::memcpy(m_current, m_target, sizeof m_current);
        m_ramp_left = 0;
        return;
    }
    for (int s = 0; s < 2; ++s)
        for (int d = 0; d < 2; ++d) m_delta[s][d] = (m_target[s][d] - m_current[s][d]) / float(ramp_frames);
    m_ramp_left = ramp_frames;
}

void mix_voice::set_running(bool on) {
    if (on == m_running) return;
    if (on) {
        std::memcpy(m_current, m_target, sizeof m_current);
        m_ramp_left = 0;
    } else {
        leave_tail();
    }
    m_running = on;
}

bool mix_voice::leave_tail() {
    if (!m_running) return false;
    bool audible = false;
    for (int s = 0; s < m_mix_channels; ++s)
        for (int d = 0; d < 2; ++d) audible |= m_current[s][d] != 0.0f;
    if (!audible) return false;
    float src[ramp_frames * 2];
    read_cursor c = m_cursor;
    if (produce(c, src, ramp_frames, false) == 0) return false;
    float current[2][2], delta[2][2];
    const float silent[2][2] = {};
    std::memcpy(current, m_current, sizeof current);
    for (int s = 0; s < 2; ++s)
        for (int d = 0; d < 2; ++d) delta[s][d] = -current[s][d] / float(ramp_frames);
    uint32_t ramp = ramp_frames;
    std::vector<float> out(size_t(ramp_frames) * 2, 0.0f);
    apply_gains(src, out.data(), ramp_frames, current, delta, ramp, silent);
    m_mixer.add_tail(std::move(out));
    return true;
}

void mix_voice::render(float* out, uint32_t frames) {
    float src[block_frames * 2];
    while (frames > 0) {
        const uint32_t n = std::min(frames, block_frames);
        produce(m_cursor, src, n, true);
        after_render(m_cursor);
        apply_gains(src, out, n, m_current, m_delta, m_ramp_left, m_target);
        out += size_t(n) * 2;
        frames -= n;
        if (!m_running) break;  // a one-time play ended in this block
    }
}

void mix_voice::apply_gains(const float* src, float* out, uint32_t frames, float current[2][2], float delta[2][2],
                            uint32_t& ramp_left, const float target[2][2]) const {
    const int channels = m_mix_channels;
    uint32_t i = 0;
    for (; i < frames && ramp_left > 0; ++i) {
        for (int s = 0; s < 2; ++s)
            for (int d = 0; d < 2; ++d) current[s][d] += delta[s][d];
        if (--ramp_left == 0) std::memcpy(current, target, sizeof(float) * 4);
        const float* f = src + size_t(i) * channels;
        float l = f[0] * current[0][0], r = f[0] * current[0][1];
        if (channels == 2) {
            l += f[1] * current[1][0];
            r += f[1] * current[1][1];
        }
        out[i * 2] += l;
        out[i * 2 + 1] += r;
    }
    const float g00 = current[0][0], g01 = current[0][1], g10 = current[1][0], g11 = current[1][1];
    if (channels == 1) {
        for (; i < frames; ++i) {
            out[i * 2] += src[i] * g00;
            out[i * 2 + 1] += src[i] * g01;
        }
    } else {
        for (; i < frames; ++i) {
            const float l = src[i * 2], r = src[i * 2 + 1];
            out[i * 2] += l * g00 + r * g10;
            out[i * 2 + 1] += l * g01 + r * g11;
        }
    }
}

uint32_t mix_voice::produce(read_cursor& c, float* dst, uint32_t frames, bool live) {
    const int layout = m_format.channels > 2 ? 0 : m_format.channels;
    switch (sample_bytes(m_format) * 4 + uint32_t(layout)) {
    case 1 * 4 + 1: return produce_as<1, 1>(c, dst, frames, live);
    case 1 * 4 + 2: return produce_as<1, 2>(c, dst, frames, live);
    case 1 * 4 + 0: return produce_as<1, 0>(c, dst, frames, live);
    case 2 * 4 + 1: return produce_as<2, 1>(c, dst, frames, live);
    case 2 * 4 + 2: return produce_as<2, 2>(c, dst, frames, live);
    case 2 * 4 + 0: return produce_as<2, 0>(c, dst, frames, live);
    case 3 * 4 + 1: return produce_as<3, 1>(c, dst, frames, live);
    case 3 * 4 + 2: return produce_as<3, 2>(c, dst, frames, live);
    case 3 * 4 + 0: return produce_as<3, 0>(c, dst, frames, live);
    case 4 * 4 + 1: return produce_as<4, 1>(c, dst, frames, live);
    case 4 * 4 + 2: return produce_as<4, 2>(c, dst, frames, live);
    case 4 * 4 + 0: return produce_as<4, 0>(c, dst, frames, live);
    default:
        // Voices are made for playable formats only.
        std::fill(dst, dst + size_t(frames) * m_mix_channels, 0.0f);
        return 0;
    }
}

template <int Bytes, int Layout>
void mix_voice::read_frame(const uint8_t* data, uint32_t frame, float* out) const {
    if constexpr (Layout == 1) {
        out[0] = sample_at<Bytes>(data + size_t(frame) * Bytes);
    } else if constexpr (Layout == 2) {
        const uint8_t* p = data + size_t(frame) * 2 * Bytes;
        out[0] = sample_at<Bytes>(p);
        out[1] = sample_at<Bytes>(p + Bytes);
    } else {
        const uint8_t* p = data + size_t(frame) * m_format.block_align;
        float l = 0.0f, r = 0.0f;
        for (int ch = 0; ch < m_format.channels; ++ch) {
            const float v = sample_at<Bytes>(p + ch * Bytes);
            l += v * m_downmix[ch][0];
            r += v * m_downmix[ch][1];
        }
        out[0] = l;
        out[1] = r;
    }
}

template <int Bytes, int Layout>
bool mix_voice::peek_following(const read_cursor& c, float* frame) {
    read_cursor next = c;
    for (int tries = 0; tries < max_empty_regions; ++tries) {
        next.pos = 0;
        if (!next_region(next, false)) return false;
        const pcm_span span = region(next);
        if (span.frames > 0) {
            read_frame<Bytes, Layout>(span.data, 0, frame);
            return true;
        }
    }
    return false;
}

template <int Bytes, int Layout>
uint32_t mix_voice::produce_as(read_cursor& c, float* dst, uint32_t frames, bool live) {
    constexpr int Out = Layout == 1 ? 1 : 2;
    constexpr uint64_t unit = uint64_t(1) << 32;
    constexpr float frac_scale = 1.0f / 4294967296.0f;
    const uint64_t step = m_step;
    pcm_span span = region(c);
    uint32_t i = 0;
    int empty = 0;
    while (i < frames) {
        uint32_t idx = uint32_t(c.pos >> 32);
        if (idx >= span.frames) {
            const uint64_t left = c.pos - (uint64_t(span.frames) << 32);
            if (span.frames == 0 && ++empty > max_empty_regions) break;
            if (span.frames > 0) empty = 0;
            if (!next_region(c, live)) {
                if (live) starved(c);
                break;
            }
            c.pos = left;
            span = region(c);
            continue;
        }
        const uint8_t* data = span.data;
        if (step == unit && (c.pos & (unit - 1)) == 0) {
            // At the mix rate every output frame is one source frame.
            const uint32_t n = std::min(frames - i, span.frames - idx);
            for (uint32_t k = 0; k < n; ++k) read_frame<Bytes, Layout>(data, idx + k, dst + size_t(i + k) * Out);
            i += n;
            c.pos += uint64_t(n) << 32;
            continue;
        }
        // Both neighbours inside the region.
        float a[Out], b[Out];
        while (i < frames && idx + 1 < span.frames) {
            const float frac = float(c.pos & (unit - 1)) * frac_scale;
            read_frame<Bytes, Layout>(data, idx, a);
            read_frame<Bytes, Layout>(data, idx + 1, b);
            for (int ch = 0; ch < Out; ++ch) dst[size_t(i) * Out + ch] = a[ch] + (b[ch] - a[ch]) * frac;
            ++i;
            c.pos += step;
            idx = uint32_t(c.pos >> 32);
        }
        if (i < frames && idx + 1 == span.frames) {
            // The last frame of a region leans on the first of the next one.
            const bool follows = peek_following<Bytes, Layout>(c, b);
            const float frac = float(c.pos & (unit - 1)) * frac_scale;
            read_frame<Bytes, Layout>(data, idx, a);
            for (int ch = 0; ch < Out; ++ch) {
                const float next = follows ? b[ch] : a[ch];
                dst[size_t(i) * Out + ch] = a[ch] + (next - a[ch]) * frac;
            }
            ++i;
            c.pos += step;
        }
    }
    std::fill(dst + size_t(i) * Out, dst + size_t(frames) * Out, 0.0f);
    return i;
}

} // namespace paudio
