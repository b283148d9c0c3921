#include "platform/movie/picture_converter.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
}

#include <algorithm>

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

// The scaler leaves the unused top bits of 16-bit pixels clear; the
// destination wants them opaque.
void set_alpha_bits(const frame_target& t, int w, int h, uint16_t bits) {
    for (int y = 0; y < h; ++y) {
        uint8_t* row = t.bits + ptrdiff_t(y) * t.pitch;
        for (int x = 0; x < w; ++x) {
            uint16_t v = uint16_t(row[2 * x] | row[2 * x + 1] << 8);
            v |= bits;
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
    uint8_t* planes[4] = {t.bits, nullptr, nullptr, nullptr};
    int strides[4] = {t.pitch, 0, 0, 0};
    if (sws_scale(m_sws, frame->data, frame->linesize, 0, h, planes, strides) != h) return false;
    if (t.layout == pixel_layout::argb1555) set_alpha_bits(t, w, h, 0x8000);
    if (t.layout == pixel_layout::argb4444) set_alpha_bits(t, w, h, 0xF000);
    return true;
}

} // namespace pmovie
