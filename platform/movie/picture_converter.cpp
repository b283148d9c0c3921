#include "platform/movie/picture_converter.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstring>

namespace pmovie {
namespace {

AVPixelFormat scaler_format(pixel_layout layout) {
    switch (layout) {
    case pixel_layout::argb8888: return AV_PIX_FMT_BGRA;
    case pixel_layout::argb1555: return AV_PIX_FMT_RGB555LE;
    case pixel_layout::argb4444: return AV_PIX_FMT_RGB444LE;
    case pixel_layout::bgr24: return AV_PIX_FMT_BGR24;
    default: return AV_PIX_FMT_NONE;
    }
}

int bytes_per_pixel(pixel_layout layout) {
    switch (layout) {
    case pixel_layout::argb8888: return 4;
    case pixel_layout::bgr24: return 3;
    default: return 2;
    }
}

// The scaler writes whole blocks of pixels, up to 15 past a row's end (60
// bytes at 32 bits): into the next row, or past the end of the destination
// on its last. Its rows get this much room beyond a block-rounded width.
constexpr int kRowSlack = 64;

// The scaler leaves the unused top bits of 16-bit pixels clear; the
// destination wants them opaque.
void set_alpha_bits(uint8_t* rows, int pitch, int w, int h, uint16_t alpha) {
    for (int y = 0; y < h; ++y) {
        uint8_t* row = rows + ptrdiff_t(y) * pitch;
        for (int x = 0; x < w; ++x) {
            uint16_t v = uint16_t(row[2 * x] | row[2 * x + 1] << 8);
            v |= alpha;
            row[2 * x] = uint8_t(v);
            row[2 * x + 1] = uint8_t(v >> 8);
        }
    }
}

} // namespace

picture_converter::~picture_converter() { sws_freeContext(m_sws); }

bool picture_converter::convert(const AVFrame* frame, const frame_target& t) {
    const AVPixelFormat dst = scaler_format(t.layout);
    if (!frame || !t.bits || dst == AV_PIX_FMT_NONE) return false;
    const int w = std::min(t.width, frame->width);
    const int h = std::min(t.height, frame->height);
    if (w <= 0 || h <= 0) return true;
    m_sws = sws_getCachedContext(m_sws, w, h, AVPixelFormat(frame->format), w, h, dst, SWS_BILINEAR, nullptr,
                                 nullptr, nullptr);
    if (!m_sws) return false;
    // Scaled into rows of the converter's own with room for the scaler's
    // overrun, then copied: written straight into the destination it ran
    // past the end of a texture's memory.
    const int bpp = bytes_per_pixel(t.layout);
    const size_t row = size_t(w) * size_t(bpp);
    const int stride = int((row + 63) / 64 * 64) + kRowSlack;
    m_rows.resize(size_t(stride) * size_t(h));
    uint8_t* planes[4] = {m_rows.data(), nullptr, nullptr, nullptr};
    int strides[4] = {stride, 0, 0, 0};
    if (sws_scale(m_sws, frame->data, frame->linesize, 0, h, planes, strides) != h) return false;
    if (t.layout == pixel_layout::argb1555) set_alpha_bits(m_rows.data(), stride, w, h, 0x8000);
    if (t.layout == pixel_layout::argb4444) set_alpha_bits(m_rows.data(), stride, w, h, 0xF000);
    for (int y = 0; y < h; ++y)
        std::memcpy(t.bits + ptrdiff_t(y) * t.pitch, m_rows.data() + size_t(y) * size_t(stride), row);
    return true;
}

} // namespace pmovie
