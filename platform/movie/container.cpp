#include "platform/movie/container.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libavutil/mem.h>
}

#include <cstdio>
#include <mutex>

namespace pmovie {
namespace {

constexpr int kIoBufferSize = 32 * 1024;
// A duration beyond a day is a damaged header, not a movie.
constexpr int64_t kLongestUs = int64_t(24) * 3600 * 1000000;

} // namespace

void initialize() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

const char* demuxer_name(subtype s) {
    switch (s) {
    case subtype::avi: return "avi";
    case subtype::mpeg1_system:
    case subtype::mpeg1_videocd: return "mpeg";
    case subtype::mpeg1_video:
    case subtype::mpeg2_video: return "mpegvideo";
    case subtype::quicktime: return "mov";
    case subtype::mpeg1_audio: return "mp3";
    case subtype::wave: return "wav";
    case subtype::asf: return "asf";
    default: return nullptr;
    }
}

container::container(byte_source& src) : m_src(src) {}

container::~container() {
    avformat_close_input(&m_format);
    if (m_io) {
        av_freep(&m_io->buffer);
        avio_context_free(&m_io);
    }
}

int container::read_packet(void* opaque, uint8_t* buf, int size) {
    container* c = static_cast<container*>(opaque);
    if (size <= 0) return 0;
    const int64_t n = c->m_src.read_at(c->m_pos, buf, uint32_t(size));
    if (n < 0) return AVERROR(EIO);
    if (n == 0) return AVERROR_EOF;
    c->m_pos += n;
    return int(n);
}

int64_t container::seek(void* opaque, int64_t offset, int whence) {
    container* c = static_cast<container*>(opaque);
    whence &= ~AVSEEK_FORCE;
    if (whence == AVSEEK_SIZE) return c->m_src.size();
    int64_t target;
    switch (whence) {
    case SEEK_SET: target = offset; break;
    case SEEK_CUR: target = c->m_pos + offset; break;
    case SEEK_END: {
        const int64_t size = c->m_src.size();
        if (size < 0) return AVERROR(ENOSYS);
        target = size + offset;
        break;
    }
    default: return AVERROR(EINVAL);
    }
    if (target < 0) return AVERROR(EINVAL);
    c->m_pos = target;
    return target;
}

result container::open_as(subtype hint) {
    avformat_close_input(&m_format);
    if (m_io) {
        av_freep(&m_io->buffer);
        avio_context_free(&m_io);
    }
    m_pos = 0;
    uint8_t* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferSize));
    if (!buffer) return e_outofmemory;
    m_io = avio_alloc_context(buffer, kIoBufferSize, 0, this, read_packet, nullptr, seek);
    if (!m_io) {
        av_free(buffer);
        return e_outofmemory;
    }
    m_format = avformat_alloc_context();
    if (!m_format) return e_outofmemory;
    m_format->pb = m_io;
    m_format->flags |= AVFMT_FLAG_CUSTOM_IO;
    const char* name = demuxer_name(hint);
    const AVInputFormat* format = name ? av_find_input_format(name) : nullptr;
    if (name && !format) return vfw_e_invalid_file_format;
    // On failure the context is freed and nulled.
    if (avformat_open_input(&m_format, nullptr, format, nullptr) < 0) return vfw_e_invalid_file_format;
    if (avformat_find_stream_info(m_format, nullptr) < 0) return vfw_e_invalid_file_format;
    return s_ok;
}

result container::open(byte_source& src, subtype hint, std::unique_ptr<container>* out) {
    out->reset();
    initialize();
    std::unique_ptr<container> c(new container(src));
    // A file whose extension names the wrong container still plays.
    result r = c->open_as(hint);
    if (failed(r) && r != e_outofmemory && hint != subtype::none) r = c->open_as(subtype::none);
    if (failed(r)) return r;

    AVFormatContext* f = c->m_format;
    const AVMediaType kinds[2] = {AVMEDIA_TYPE_VIDEO, AVMEDIA_TYPE_AUDIO};
    int video = -1;
    for (AVMediaType kind : kinds) {
        const AVCodec* decoder = nullptr;
        const int i = av_find_best_stream(f, kind, -1, kind == AVMEDIA_TYPE_AUDIO ? video : -1, &decoder, 0);
        if (i < 0 || !decoder) continue;
        const AVStream* st = f->streams[i];
        if (st->disposition & AV_DISPOSITION_ATTACHED_PIC) continue;
        if (kind == AVMEDIA_TYPE_VIDEO) video = i;
        stream_info info;
        info.index = i;
        info.number = st->id;
        info.kind = kind == AVMEDIA_TYPE_VIDEO ? major_type::video : major_type::audio;
        const AVDictionaryEntry* title = av_dict_get(st->metadata, "title", nullptr, 0);
        if (title && title->value[0]) {
            info.name = title->value;
        } else {
            char name[32];
            std::snprintf(name, sizeof name, "%s %d", kind == AVMEDIA_TYPE_VIDEO ? "Video" : "Audio", st->id);
            info.name = name;
        }
        c->m_streams.push_back(info);
    }
    if (c->m_streams.empty()) return vfw_e_unsupported_stream;
    if (c->m_streams.size() == 2 && c->m_streams[1].number < c->m_streams[0].number)
        std::swap(c->m_streams[0], c->m_streams[1]);
    if (f->duration != AV_NOPTS_VALUE && f->duration > 0 && f->duration < kLongestUs) c->m_duration_us = f->duration;
    if (f->start_time != AV_NOPTS_VALUE && f->start_time > -kLongestUs && f->start_time < kLongestUs)
        c->m_start_us = f->start_time;
    *out = std::move(c);
    return s_ok;
}

} // namespace pmovie
