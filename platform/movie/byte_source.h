#pragma once
// Where a movie's bytes come from: the engine's file layer (a file on disk or
// an entry in a pack) behind positioned reads. The demuxer reads through it on
// the graph's decoding thread; an implementation guards its own state.
#include <cstdint>

namespace pmovie {

class byte_source {
public:
    virtual ~byte_source() = default;
    // The total length in bytes; negative when it cannot be told.
    virtual int64_t size() = 0;
    // Reads up to bytes at pos into buffer: the bytes read, 0 at the end,
    // negative on a failure.
    virtual int64_t read_at(int64_t pos, void* buffer, uint32_t bytes) = 0;
};

} // namespace pmovie
