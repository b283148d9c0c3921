#include "platform/movie/stream_decoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace pmovie {

stream_decoder::~stream_decoder() { avcodec_free_context(&m_context); }

result stream_decoder::open(const AVStream* stream) {
    avcodec_free_context(&m_context);
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec) return vfw_e_unsupported_stream;
    m_context = avcodec_alloc_context3(codec);
    if (!m_context) return e_outofmemory;
    if (avcodec_parameters_to_context(m_context, stream->codecpar) < 0) return vfw_e_unsupported_stream;
    m_context->pkt_timebase = stream->time_base;
    m_context->max_pixels = max_pixels;
    // One thread: the graph decodes ahead on a thread of its own already.
    m_context->thread_count = 1;
    if (avcodec_open2(m_context, codec, nullptr) < 0) return vfw_e_unsupported_stream;
    m_draining = false;
    return s_ok;
}

bool stream_decoder::send(const AVPacket* packet) {
    if (!m_context || m_draining) return false;
    if (!packet) m_draining = true;
    return avcodec_send_packet(m_context, packet) >= 0;
}

bool stream_decoder::receive(AVFrame* frame) {
    return m_context && avcodec_receive_frame(m_context, frame) >= 0;
}

void stream_decoder::flush() {
    if (m_context) avcodec_flush_buffers(m_context);
    m_draining = false;
}

} // namespace pmovie
