#pragma once
// A movie file opened for demuxing: FFmpeg's reader over a byte_source
// through a custom I/O context (so files in packs play and seek), with the
// demuxer that the media subtype names tried first and probing after it. The
// streams it offers are the best video and the best audio stream that have a
// decoder, in stream-number order.
#include "platform/movie/byte_source.h"
#include "platform/movie/media_type.h"

#include <memory>
#include <string>
#include <vector>

struct AVFormatContext;
struct AVIOContext;

namespace pmovie {

struct stream_info {
    int index = 0;      // the demuxer's stream index
    int number = 0;     // the container's own stream number
    major_type kind = major_type::none;
    std::string name;
};

class container {
public:
    // Opens what src holds (src must outlive the container). Fails with
    // vfw_e_invalid_file_format when no demuxer reads it, and with
    // vfw_e_unsupported_stream when no stream can be decoded.
    static result open(byte_source& src, subtype hint, std::unique_ptr<container>* out);
    ~container();
    container(const container&) = delete;
    container& operator=(const container&) = delete;

    const std::vector<stream_info>& streams() const { return m_streams; }
    // Microseconds; 0 when the file does not say.
    int64_t duration_us() const { return m_duration_us; }
    // Where the file's timestamps start, in microseconds.
    int64_t start_us() const { return m_start_us; }
    AVFormatContext* context() { return m_format; }

private:
    container(byte_source& src);
    static int read_packet(void* opaque, uint8_t* buf, int size);
    static int64_t seek(void* opaque, int64_t offset, int whence);
    result open_as(subtype hint);

    byte_source& m_src;
    AVIOContext* m_io = nullptr;
    AVFormatContext* m_format = nullptr;
    int64_t m_pos = 0;
    int64_t m_duration_us = 0;
    int64_t m_start_us = 0;
    std::vector<stream_info> m_streams;
};

// The demuxer FFmpeg names for a byte-stream subtype; null for none.
const char* demuxer_name(subtype s);

// FFmpeg's own logging goes nowhere: failures come back as results. Done by
// the first open; once is enough.
void initialize();

} // namespace pmovie
