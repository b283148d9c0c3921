#include "platform/movie/picture_converter.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
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

// The scaler's vector kernels convert YUV pictures in whole blocks of 16
// pixels where a row's stride holds them (where it does not, they shorten
// the row and leave its last pixels unwritten), so a row may be written up to
// 15 pixels past its end (60 bytes at 32 bits): past the end of the
// destination after its last row, and over the bytes between rows of a
// destination wider than the picture.
constexpr size_t kBlockPixels = 16;
// Rows of the converter's own get this much room beyond a 64-byte-rounded
// width: more than a block's overrun. (Its plain copy of an RGB picture
// already in the destination's layout runs on as far as the stride allows,
// never past it.)
constexpr int kRowSlack = 64;
// Rows scaled straight into the destination are whole groups of 8: the
// scaler's own converters take rows in pairs and dither 16-bit layouts by a
// pattern of up to 8 rows that starts again with each call, and a chroma row
// serves up to 4 picture rows.
constexpr int kRowGroup = 8;

// The scaler leaves the unused top bits of 16-bit pixels clear; the
// destination wants them opaque.
void set_alpha_bits(uint8_t* rows, ptrdiff_t pitch, int w, int h, uint16_t alpha) {
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

void set_alpha_bits(pixel_layout layout, uint8_t* rows, ptrdiff_t pitch, int w, int h) {
    if (layout == pixel_layout::argb1555) set_alpha_bits(rows, pitch, w, h, 0x8000);
    if (layout == pixel_layout::argb4444) set_alpha_bits(rows, pitch, w, h, 0xF000);
}

// How many of the first rows are scaled straight into the destination: all
// but the last few of a YUV picture's rows downwards (one block of memory,
// the next row a pitch further on) whose pitch holds a row rounded up to
// whole blocks; what follows the last row is not known. RGB pictures and
// pictures with a palette never go straight: the scaler may copy their rows
// as far as the stride allows, which no fixed room bounds.
int straight_rows(const AVPixFmtDescriptor* source, const frame_target& t, size_t block_row, int h) {
    constexpr uint64_t kNotByBlocks =
        AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_HWACCEL | AV_PIX_FMT_FLAG_BITSTREAM;
    if (!source || (source->flags & kNotByBlocks) || source->log2_chroma_h > 2) return 0;
    if (t.pitch <= 0 || size_t(t.pitch) < block_row) return 0;
    return (h - 1) / kRowGroup * kRowGroup;
}

// The address `rows` rows of `stride` bytes before `first`, where no object
// need lie: the scaler is handed it as a plane's start and writes only the
// rows from `first` on. Reckoned as a number, since pointer arithmetic may
// not leave its array.
uint8_t* rows_before(uint8_t* first, int rows, int stride) {
    return reinterpret_cast<uint8_t*>(reinterpret_cast<uintptr_t>(first) - uintptr_t(rows) * uintptr_t(stride));
}

} // namespace

picture_converter::~picture_converter() { sws_freeContext(m_sws); }

bool picture_converter::convert(const AVFrame* frame, const frame_target& t) {
    const AVPixelFormat dst = scaler_format(t.layout);
    if (!frame || !t.bits || dst == AV_PIX_FMT_NONE) return false;
    const int w = std::min(t.width, frame->width);
    const int h = std::min(t.height, frame->height);
    if (w <= 0 || h <= 0) return true;
    // The scaler's own converter from 4:2:0 and 4:2:2 to 4-4-4-4 writes whole
    // groups of 8 pixels only, and leaves a row's last width % 8 as they
    // were; its exact rounding takes the general path, which writes them all.
    const int flags = SWS_BILINEAR | (t.layout == pixel_layout::argb4444 ? SWS_ACCURATE_RND : 0);
    m_sws = sws_getCachedContext(m_sws, w, h, AVPixelFormat(frame->format), w, h, dst, flags, nullptr, nullptr,
                                 nullptr);
    if (!m_sws) return false;
    const AVPixFmtDescriptor* source = av_pix_fmt_desc_get(AVPixelFormat(frame->format));
    const int bpp = bytes_per_pixel(t.layout);
    const size_t row = size_t(w) * size_t(bpp);
    const size_t block_row = (size_t(w) + kBlockPixels - 1) / kBlockPixels * kBlockPixels * size_t(bpp);
    const int straight = straight_rows(source, t, block_row, h);

    // The first rows straight into the destination. The bytes their blocks
    // run over between one row's end and the next row's start are not the
    // picture's, and are put back (the last row has no next one: it never
    // goes straight).
    int done = 0;
    if (straight > 0) {
        const size_t over = block_row - row;
        const int gaps = over ? straight : 0;
        m_gaps.resize(over * size_t(gaps));
        for (int y = 0; y < gaps; ++y)
            std::memcpy(m_gaps.data() + size_t(y) * over, t.bits + ptrdiff_t(y) * t.pitch + ptrdiff_t(row), over);
        uint8_t* planes[4] = {t.bits, nullptr, nullptr, nullptr};
        int strides[4] = {t.pitch, 0, 0, 0};
        done = sws_scale(m_sws, frame->data, frame->linesize, 0, straight, planes, strides);
        for (int y = 0; y < gaps; ++y)
            std::memcpy(t.bits + ptrdiff_t(y) * t.pitch + ptrdiff_t(row), m_gaps.data() + size_t(y) * over, over);
        if (done < 0 || done > straight) return false;
        set_alpha_bits(t.layout, t.bits, t.pitch, w, done);
    }

    // The rest (all of it for rows upwards, an RGB picture or a pitch too
    // short for whole blocks) into rows of the converter's own with room for
    // the overrun, then copied.
    const int stride = int((row + 63) / 64 * 64) + kRowSlack;
    const int rest = h - done;
    m_rows.resize(size_t(stride) * size_t(rest));
    // The scaler writes row y of the picture at planes[0] + y * stride: the
    // plane starts `done` rows before these rows.
    uint8_t* planes[4] = {rows_before(m_rows.data(), done, stride), nullptr, nullptr, nullptr};
    int strides[4] = {stride, 0, 0, 0};
    // The source from the first row not yet sent; chroma planes (1 and 2)
    // hold one row for every 1 << log2_chroma_h.
    const uint8_t* slice[4] = {frame->data[0], frame->data[1], frame->data[2], frame->data[3]};
    if (straight > 0)
        for (int p = 0; p < 4; ++p)
            if (slice[p])
                slice[p] += ptrdiff_t(frame->linesize[p]) * ((p == 1 || p == 2) ? straight >> source->log2_chroma_h
                                                                                  : straight);
    const int n = sws_scale(m_sws, slice, frame->linesize, straight, h - straight, planes, strides);
    if (n != rest) return false;
    set_alpha_bits(t.layout, m_rows.data(), stride, w, rest);
    for (int y = 0; y < rest; ++y)
        std::memcpy(t.bits + ptrdiff_t(done + y) * t.pitch, m_rows.data() + size_t(y) * size_t(stride), row);
    return true;
}

} // namespace pmovie
