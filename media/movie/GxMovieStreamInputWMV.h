#pragma once
// The movie file as a seekable byte stream, the way the Windows Media
// source reads it: reads and seeks from the start, the current position or
// the end, reporting where it now stands. It is the byte source through which
// the ASF/WMV demuxer reads.
#include "base/GxTypes.h"
#include "platform/movie/byte_source.h"
#include "platform/movie/media_type.h"

class GxMovieSourceFilterFile;

class GxMovieStreamInputWMV : public pmovie::byte_source {
public:
    static constexpr u32 kSeekBegin = 0, kSeekCurrent = 1, kSeekEnd = 2;
    static constexpr pmovie::result kInvalidFunction = 0x80030001u;

    explicit GxMovieStreamInputWMV(GxMovieSourceFilterFile* stream);

    // Reads from the position; always s_ok, with the bytes read.
    pmovie::result Read(void* buffer, u32 bytes, u32* read);
    // Moves to offset from the origin: s_ok with the new position, else
    // kInvalidFunction with nothing moved.
    pmovie::result Seek(s64 offset, u32 origin, s64* newPosition);
    // The size; e_pointer for a null out.
    pmovie::result Stat(s64* size);

    int64_t size() override { return m_Size; }
    int64_t read_at(int64_t pos, void* buffer, uint32_t bytes) override;

private:
    GxMovieSourceFilterFile* m_Stream;
    s64 m_Position = 0;
    s64 m_Size;
};
