#include "platform/movie/audio_feed.h"

#include "platform/audio/output_device.h"
#include "platform/audio/push_voice.h"
#include "platform/audio/wave_format.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
}

#include <algorithm>

namespace pmovie {
namespace {

// Timestamps this close to where the sound already ends are taken as
// following on; decoders' rounding is well within it.
constexpr int64_t kJoinToleranceUs = 20000;

} // namespace

result audio_feed::create(const AVStream* stream, std::unique_ptr<audio_feed>* out) {
    out->reset();
    std::unique_ptr<audio_feed> f(new audio_feed());
    const result r = f->m_decoder.open(stream);
    if (failed(r)) return r;
    const AVCodecContext* c = f->m_decoder.context();
    const int in_rate = c->sample_rate;
    const int in_channels = c->ch_layout.nb_channels;
    if (in_rate <= 0 || in_channels <= 0) return vfw_e_unsupported_stream;
    f->m_rate = (uint32_t(in_rate) >= paudio::min_rate && uint32_t(in_rate) <= paudio::max_rate) ? uint32_t(in_rate)
                                                                                                 : paudio::mix_rate;
    f->m_channels = in_channels == 1 ? 1 : 2;
    f->m_block = 2 * f->m_channels;
    paudio::wave_format wf;
    wf.format_tag = paudio::format_pcm;
    wf.channels = uint16_t(f->m_channels);
    wf.samples_per_sec = f->m_rate;
    wf.block_align = uint16_t(f->m_block);
    wf.avg_bytes_per_sec = f->m_rate * f->m_block;
    wf.bits_per_sample = 16;
    f->m_mixer = paudio::output_device::instance().acquire();
    if (!f->m_mixer) return e_fail;
    // A second of sound: far more than the graph decodes ahead.
    f->m_voice = paudio::push_voice::create(*f->m_mixer, wf, f->m_rate);
    if (!f->m_voice) return vfw_e_unsupported_stream;
    f->set_volume(0);
    *out = std::move(f);
    return s_ok;
}

audio_feed::~audio_feed() {
    if (m_voice) m_voice->destroy();
    if (m_mixer) paudio::output_device::instance().release();
    swr_free(&m_swr);
}

bool audio_feed::convert(const AVFrame* frame) {
    m_converted.clear();
    // A damaged stream can claim any rate or channel count; the resampler's
    // tables grow with both, so only what real sound uses is converted.
    constexpr int kMaxRate = 768000, kMinRate = 1000, kMaxChannels = 64;
    if (frame->nb_samples <= 0 || frame->sample_rate < kMinRate || frame->sample_rate > kMaxRate ||
        frame->ch_layout.nb_channels <= 0 || frame->ch_layout.nb_channels > kMaxChannels)
        return false;
    if (!m_swr || frame->format != m_swr_format || frame->sample_rate != m_swr_rate ||
        frame->ch_layout.nb_channels != m_swr_channels) {
        swr_free(&m_swr);
        AVChannelLayout in{};
        if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
            av_channel_layout_default(&in, frame->ch_layout.nb_channels);
        else if (av_channel_layout_copy(&in, &frame->ch_layout) < 0)
            return false;
        AVChannelLayout outLayout{};
        av_channel_layout_default(&outLayout, int(m_channels));
        const int ok = swr_alloc_set_opts2(&m_swr, &outLayout, AV_SAMPLE_FMT_S16, int(m_rate), &in,
                                           AVSampleFormat(frame->format), frame->sample_rate, 0, nullptr);
        av_channel_layout_uninit(&in);
        av_channel_layout_uninit(&outLayout);
        if (ok < 0 || swr_init(m_swr) < 0) {
            swr_free(&m_swr);
            return false;
        }
        m_swr_format = frame->format;
        m_swr_rate = frame->sample_rate;
        m_swr_channels = frame->ch_layout.nb_channels;
    }
    const int room = swr_get_out_samples(m_swr, frame->nb_samples);
    if (room <= 0) return false;
    m_converted.resize(size_t(room) * m_block);
    uint8_t* dst = m_converted.data();
    const int n = swr_convert(m_swr, &dst, room, const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
    if (n <= 0) {
        m_converted.clear();
        return false;
    }
    m_converted.resize(size_t(n) * m_block);
    return true;
}

void audio_feed::reset(int64_t origin_us) {
    if (m_voice) m_voice->flush();
    m_pending.clear();
    m_head = 0;
    m_origin_us = origin_us;
    m_consumed = m_total = 0;
    // Samples the resampler holds belong to the old position.
    swr_free(&m_swr);
}

void audio_feed::append_silence(int64_t frames) {
    if (frames <= 0) return;
    m_pending.insert(m_pending.end(), size_t(frames) * m_block, uint8_t(0));
    m_total += frames;
}

void audio_feed::drop_front(int64_t frames) {
    frames = std::min(frames, m_total - m_consumed);
    if (frames <= 0) return;
    m_head += size_t(frames) * m_block;
    m_consumed += frames;
    if (m_head * 2 > m_pending.size()) {
        m_pending.erase(m_pending.begin(), m_pending.begin() + ptrdiff_t(m_head));
        m_head = 0;
    }
}

void audio_feed::add(const AVFrame* frame, int64_t t_us) {
    if (!convert(frame)) return;
    const int64_t n = int64_t(m_converted.size() / m_block);
    const int64_t gap = t_us - end_us();
    int64_t skip = 0;
    if (gap > kJoinToleranceUs)
        append_silence(us_to_frames(std::min(gap, max_pending_us)));
    else if (gap < -kJoinToleranceUs)
        skip = std::min(n, us_to_frames(-gap));
    m_pending.insert(m_pending.end(), m_converted.begin() + ptrdiff_t(skip * m_block), m_converted.end());
    m_total += n - skip;
    // Sound nobody takes (no output running) is not kept without end.
    const int64_t most = us_to_frames(max_pending_us);
    if (m_total - m_consumed > most) drop_front(m_total - m_consumed - most);
}

void audio_feed::cut_after(int64_t end) {
    if (end >= end_us()) return;
    const int64_t keep = std::max(m_consumed, us_to_frames(std::max<int64_t>(end - m_origin_us, 0)));
    m_pending.resize(m_pending.size() - size_t(m_total - keep) * m_block);
    m_total = keep;
}

void audio_feed::resync(int64_t at_us) {
    if (m_voice) m_voice->flush();
    const int64_t first = written_end_us();
    if (first < at_us) {
        drop_front(us_to_frames(at_us - first));
    } else if (first > at_us) {
        const int64_t frames = us_to_frames(std::min(first - at_us, max_pending_us));
        m_pending.insert(m_pending.begin() + ptrdiff_t(m_head), size_t(frames) * m_block, uint8_t(0));
        m_total += frames;
    }
    m_total -= m_consumed;
    m_consumed = 0;
    m_origin_us = at_us;
}

bool audio_feed::write() {
    bool any = false;
    while (m_voice && has_pending()) {
        const int64_t bytes = std::min<int64_t>((m_total - m_consumed) * m_block, 1 << 20);
        const uint32_t n = m_voice->write(m_pending.data() + m_head, uint32_t(bytes));
        if (n == 0) break;
        drop_front(n / m_block);
        any = true;
    }
    return any;
}

uint32_t audio_feed::queued_frames() { return m_voice ? m_voice->queued_frames() : 0; }
uint32_t audio_feed::free_bytes() { return m_voice ? m_voice->free_bytes() : 0; }
void audio_feed::start() {
    if (m_voice) m_voice->start();
}
void audio_feed::stop() {
    if (m_voice) m_voice->stop();
}
void audio_feed::set_volume(int32_t hundredths_db) {
    if (m_voice) m_voice->set_volume(paudio::gain_from_hundredths_db(hundredths_db));
}

} // namespace pmovie
