#pragma once
// A movie's sound on its way into the process's mixer: decoded, converted to
// 16-bit PCM in one or two channels at a rate the mixer plays, laid on the
// graph's timeline (silence filling gaps, overlaps cut) and written into a
// streamed voice as fast as the voice takes it.
//
// The decoding thread adds, writes, resets and cuts; any thread may start,
// stop and set the volume of the voice and ask how much it still holds.
#include "platform/movie/media_type.h"
#include "platform/movie/stream_decoder.h"

#include <cstdint>
#include <memory>
#include <vector>

struct AVFrame;
struct AVStream;
struct SwrContext;

namespace paudio {
class mixer;
class push_voice;
} // namespace paudio

namespace pmovie {

class audio_feed {
public:
    // Silence put into a gap, and sound waiting for room in the voice, are at
    // most this long.
    static constexpr int64_t max_pending_us = 2000000;

    // Opens the stream's decoder and a voice on the process's mixer.
    static result create(const AVStream* stream, std::unique_ptr<audio_feed>* out);
    ~audio_feed();
    audio_feed(const audio_feed&) = delete;
    audio_feed& operator=(const audio_feed&) = delete;

    stream_decoder& decoder() { return m_decoder; }

    // Empties the voice and what waits; the next sound added belongs at origin.
    void reset(int64_t origin_us);
    // Adds a decoded frame whose first sample belongs at timeline time t_us.
    void add(const AVFrame* frame, int64_t t_us);
    // Drops what waits beyond end_us (the end of a pass the next one follows).
    void cut_after(int64_t end_us);
    // Empties the voice and lays what waits so that the next sample the voice
    // plays belongs at at_us: older sound is dropped, a gap is filled.
    void resync(int64_t at_us);
    // Moves waiting sound into the voice; true when any went.
    bool write();

    bool has_pending() const { return m_total > m_consumed; }
    int64_t pending_us() const { return frames_to_us(m_total - m_consumed); }
    // The timeline time after the last sample added, and after the last one
    // given to the voice.
    int64_t end_us() const { return time_of(m_total); }
    int64_t written_end_us() const { return time_of(m_consumed); }
    uint32_t rate() const { return m_rate; }

    // The voice, from any thread.
    uint32_t queued_frames();
    uint32_t free_bytes();
    void start();
    void stop();
    void set_volume(int32_t hundredths_db);

private:
    audio_feed() = default;
    int64_t frames_to_us(int64_t frames) const { return frames * 1000000 / m_rate; }
    int64_t us_to_frames(int64_t us) const { return us * m_rate / 1000000; }
    int64_t time_of(int64_t frame) const { return m_origin_us + frames_to_us(frame); }
    void append_silence(int64_t frames);
    void drop_front(int64_t frames);
    bool convert(const AVFrame* frame);

    stream_decoder m_decoder;
    paudio::mixer* m_mixer = nullptr;
    paudio::push_voice* m_voice = nullptr;
    SwrContext* m_swr = nullptr;
    int m_swr_format = -1;
    int m_swr_rate = 0;
    int m_swr_channels = 0;
    uint32_t m_rate = 0;
    uint32_t m_channels = 0;
    uint32_t m_block = 0;
    // Sound waiting for the voice, from m_head; frames are counted from the
    // origin: m_consumed went to the voice (or was dropped), m_total were added.
    std::vector<uint8_t> m_pending;
    size_t m_head = 0;
    int64_t m_origin_us = 0;
    int64_t m_consumed = 0;
    int64_t m_total = 0;
    std::vector<uint8_t> m_converted;
};

} // namespace pmovie
