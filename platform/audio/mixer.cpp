#include "platform/audio/mixer.h"

#include "platform/audio/mix_voice.h"

#include <algorithm>
#include <cstring>

namespace paudio {

mixer::mixer() = default;

mixer::~mixer() = default;

void mixer::render(float* out, uint32_t frames) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    std::memset(out, 0, sizeof(float) * 2 * frames);
    // By index: a callback may add a voice while the list is walked.
    for (size_t i = 0; i < m_voices.size(); ++i) {
        mix_voice* v = m_voices[i];
        if (v->m_running) v->render(out, frames);
    }
    for (tail& t : m_tails) {
        const size_t n = std::min(t.samples.size() - t.pos, size_t(frames) * 2);
        for (size_t k = 0; k < n; ++k) out[k] += t.samples[t.pos + k];
        t.pos += n;
    }
    std::erase_if(m_tails, [](const tail& t) { return t.pos == t.samples.size(); });
    m_frames += frames;
}

uint64_t mixer::frames_rendered() {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return m_frames;
}

size_t mixer::voice_count() {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return m_voices.size();
}

void mixer::attach(mix_voice* v) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    m_voices.push_back(v);
}

void mixer::detach(mix_voice* v) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    m_voices.erase(std::find(m_voices.begin(), m_voices.end(), v));
}

void mixer::add_tail(std::vector<float>&& samples) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    m_tails.push_back({std::move(samples), 0});
}

} // namespace paudio
