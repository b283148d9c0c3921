#pragma once
// Converts decoded pictures into a locked destination with libswscale. The
// scaler writes past a row's end, so it writes straight into the
// destination only rows whose pitch holds them rounded up to its blocks of
// pixels, and never the last ones, after which nothing is known to follow;
// those (and all rows upwards or of an RGB picture) go through rows of the
// converter's own and are copied. The scaler context and those rows are kept
// for as long as the shapes on both sides stay the same. One thread at a
// time.
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
    // pitch writes rows upwards from bits), and nothing else: the bytes
    // between one row's end and the next row's start are briefly written and
    // put back, those after the last row's end are never touched. A positive
    // pitch takes the rows for one block of memory. False for an unknown
    // layout or a picture the scaler does not take.
    bool convert(const AVFrame* frame, const frame_target& target);

private:
    SwsContext* m_sws = nullptr;
    std::vector<uint8_t> m_rows;
    std::vector<uint8_t> m_gaps;
};

} // namespace pmovie
