#pragma once
// Ogg Vorbis decoding through libvorbisfile, reading its bytes through a
// source the caller provides (the engine reads through its own file layer, so
// streams may lie inside packs).
#include <cstddef>
#include <cstdint>
#include <memory>

namespace paudio {

class vorbis_source {
public:
    virtual size_t read(void* buffer, size_t bytes) = 0;
    // origin 0 start, 1 current, 2 end; false when the move fails.
    virtual bool seek(int64_t offset, int origin) = 0;
    virtual int64_t tell() = 0;
    // Called once by clear after a successful open.
    virtual void close() = 0;

protected:
    ~vorbis_source() = default;
};

class vorbis_stream {
public:
    vorbis_stream();
    ~vorbis_stream();
    vorbis_stream(const vorbis_stream&) = delete;
    vorbis_stream& operator=(const vorbis_stream&) = delete;

    // False when the bytes are not an Ogg Vorbis stream; the source is then
    // not closed (its owner closes it). The source is read whole first, and
    // the decoder is given only the pages find_vorbis_pages keeps.
    bool open(vorbis_source* source);
    bool is_open() const { return m_open; }
    // The last open left out part of the file as damaged.
    bool left_out() const { return m_left_out; }
    // Releases the decoder, which closes the source.
    void clear();
    bool seekable();
    int channels();
    long rate();
    // Frames of the whole stream, negative when unknown.
    int64_t pcm_total();
    // Signed 16-bit little-endian samples, interleaved, the channels of each
    // frame in the order of a WAVE file's speakers; 0 at the end, negative on
    // an error in the stream.
    long read(char* buffer, int bytes);
    bool pcm_seek(int64_t frame);
    // The frame the next read delivers.
    int64_t pcm_tell();

    struct state;

private:
    std::unique_ptr<state> m_state;
    bool m_open = false;
    bool m_left_out = false;
};

} // namespace paudio
