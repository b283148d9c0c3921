#pragma once
// Converts decoded pictures into a locked destination with libswscale,
// through rows of its own (the scaler writes past a row's end), then one
// copy into the destination's rows. The scaler context and those rows are
// kept for as long as the shapes on both sides stay the same. One thread at
// a time.
#include "platform/movie/media_type.h"

#include <cstdint>
#include <vector>

struct AVFrame;
struct SwsContext;

namespace pmovie {

class picture_converter {
public:
    picture_converter() = default;
    ~picture_converter();
    picture_converter(const picture_converter&) = delete;
    picture_converter& operator=(const picture_converter&) = delete;

    // Writes the top-left part of the frame that fits the target (a negative
    // pitch writes rows upwards from bits). False for an unknown layout or a
    // picture the scaler does not take.
    bool convert(const AVFrame* frame, const frame_target& target);

private:
    SwsContext* m_sws = nullptr;
    std::vector<uint8_t> m_rows;
};

} // namespace pmovie
