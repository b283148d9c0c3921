#pragma once
// One stream's decoder: packets in, frames out, flushed at every seek and
// drained at the end so that frames held back for reordering come out too.
#include "platform/movie/media_type.h"

struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct AVStream;

namespace pmovie {

class stream_decoder {
public:
    // The largest picture a movie may have; a header claiming more is damaged.
    static constexpr int64_t max_pixels = int64_t(4096) * 2304;

    stream_decoder() = default;
    ~stream_decoder();
    stream_decoder(const stream_decoder&) = delete;
    stream_decoder& operator=(const stream_decoder&) = delete;

    result open(const AVStream* stream);
    AVCodecContext* context() { return m_context; }
    // A packet to decode, or null to drain; false when the decoder refused it.
    bool send(const AVPacket* packet);
    // The next decoded frame; false when there is none yet (or no more).
    bool receive(AVFrame* frame);
    void flush();

private:
    AVCodecContext* m_context = nullptr;
    bool m_draining = false;
};

} // namespace pmovie
