// Decoded pictures converted into destinations with rows downwards and
// upwards, packed and with bytes between rows: every pixel written as the
// picture has it, and not one byte before, between or after the rows touched
// (the scaler writes whole blocks of pixels past a row's end, out of sight of
// the sanitizers). The frames hold black past their width, so a block written
// over a row that is already done shows too.
#include "platform/movie/picture_converter.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
}

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

using namespace pmovie;

constexpr size_t kGuard = 256;
// Dark, so that a pixel left as it was does not pass for the picture's.
constexpr uint8_t kGuardByte = 0x2B;

struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};

// Row y's grey: limited-range luma, and the full-range value it stands for.
// The level comes round again every 13 rows, so a row landing a whole number
// of the converter's 8-row groups away from its place shows.
int Luma(int y) { return 235 - 6 * (y % 13); }
int Grey(int y) { return (Luma(y) - 16) * 255 / 219; }

// A picture of grey rows as the decoders give it, black past its width.
std::unique_ptr<AVFrame, FrameFree> StripedFrame(AVPixelFormat format, int w, int h) {
    std::unique_ptr<AVFrame, FrameFree> f(av_frame_alloc());
    f->format = format;
    f->width = w;
    f->height = h;
    EXPECT_EQ(av_frame_get_buffer(f.get(), 0), 0);
    if (format == AV_PIX_FMT_BGR24) {
        for (int y = 0; y < h; ++y) {
            uint8_t* row = f->data[0] + ptrdiff_t(y) * f->linesize[0];
            std::memset(row, 0, size_t(f->linesize[0]));
            std::memset(row, Grey(y), size_t(w) * 3);
        }
        return f;
    }
    for (int y = 0; y < h; ++y) {
        uint8_t* row = f->data[0] + ptrdiff_t(y) * f->linesize[0];
        std::memset(row, 16, size_t(f->linesize[0]));
        std::memset(row, Luma(y), size_t(w));
    }
    const int chroma_rows = AV_CEIL_RSHIFT(h, av_pix_fmt_desc_get(format)->log2_chroma_h);
    for (int p : {1, 2}) std::memset(f->data[p], 128, size_t(f->linesize[p]) * size_t(chroma_rows));
    return f;
}

// Whether the pixel is opaque and within the layout's rounding and the
// scaler's dither (two levels of 16-bit layouts) of the grey.
bool IsGrey(pixel_layout layout, const uint8_t* p, int grey) {
    int c[3];
    int tolerance = 4;
    bool opaque = true;
    const unsigned v = unsigned(p[0] | p[1] << 8);
    switch (layout) {
    case pixel_layout::argb8888:
    case pixel_layout::bgr24:
        c[0] = p[0], c[1] = p[1], c[2] = p[2];
        opaque = layout == pixel_layout::bgr24 || p[3] == 0xFF;
        break;
    case pixel_layout::argb1555:
        for (int i = 0; i < 3; ++i) c[i] = int((v >> (5 * i)) & 31) * 255 / 31;
        opaque = (v & 0x8000) != 0;
        tolerance = 17;
        break;
    case pixel_layout::argb4444:
        for (int i = 0; i < 3; ++i) c[i] = int((v >> (4 * i)) & 15) * 255 / 15;
        opaque = (v & 0xF000) == 0xF000;
        tolerance = 34;
        break;
    default: return false;
    }
    for (int i = 0; i < 3; ++i)
        if (std::abs(c[i] - grey) > tolerance) return false;
    return opaque;
}

TEST(PictureConverter, WritesEveryPixelOfItsDestinationAndNothingBesides) {
    struct Layout {
        pixel_layout layout;
        int bytes;
    };
    const Layout layouts[] = {{pixel_layout::argb8888, 4}, {pixel_layout::argb1555, 2},
                              {pixel_layout::argb4444, 2}, {pixel_layout::bgr24, 3}};
    // 4:2:0 and 4:2:2 go through the scaler's own converters at even heights
    // (with a dither for 16-bit layouts that starts again at each call) and
    // its general path at odd ones, 4:4:4 through the general path; an RGB
    // picture always through the converter's own rows.
    const AVPixelFormat formats[] = {AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUV422P, AV_PIX_FMT_YUV444P, AV_PIX_FMT_BGR24};
    // Bytes between rows: none and fewer than a block of pixels (rows then go
    // straight into the destination only at widths of whole blocks), and many
    // (a texture wider than its picture).
    const size_t spacings[] = {0, 5, 200};
    for (AVPixelFormat format : formats)
        for (const Layout& l : layouts)
            for (int w : {1, 7, 17, 48, 100, 641})
                for (int h : {36, 37}) {
                    const auto frame = StripedFrame(format, w, h);
                    const size_t row = size_t(w) * size_t(l.bytes);
                    picture_converter converter;
                    // The first destination's rows, top-down: packed rows
                    // upwards, every one through the converter's own rows.
                    std::vector<uint8_t> first_picture;
                    for (bool upwards : {true, false})
                        for (size_t spacing : spacings) {
                            SCOPED_TRACE(testing::Message()
                                         << av_get_pix_fmt_name(format) << " into layout " << int(l.layout) << ", "
                                         << w << "x" << h << ", rows " << (upwards ? "upwards" : "downwards") << " "
                                         << spacing << " bytes apart");
                            const size_t pitch = row + spacing, size = pitch * size_t(h - 1) + row;
                            std::vector<uint8_t> memory(kGuard + size + kGuard, kGuardByte);
                            uint8_t* const base = memory.data() + kGuard;
                            const auto at = [&](int y) { return base + pitch * size_t(upwards ? h - 1 - y : y); };
                            const frame_target t{at(0), upwards ? -int32_t(pitch) : int32_t(pitch), w, h, l.layout};
                            ASSERT_TRUE(converter.convert(frame.get(), t));

                            std::vector<bool> pixels(memory.size());
                            for (int y = 0; y < h; ++y)
                                std::fill_n(pixels.begin() + (at(y) - memory.data()), row, true);
                            for (size_t i = 0; i < memory.size(); ++i) {
                                if (pixels[i]) continue;
                                ASSERT_EQ(memory[i], kGuardByte)
                                    << "byte " << ptrdiff_t(i) - ptrdiff_t(kGuard) << " of the destination's memory";
                            }
                            for (int y = 0; y < h; ++y) {
                                for (int x = 0; x < w; ++x)
                                    ASSERT_TRUE(IsGrey(l.layout, at(y) + x * l.bytes, Grey(y)))
                                        << "row " << y << ", pixel " << x << ": "
                                        << testing::PrintToString(std::vector<int>(at(y) + x * l.bytes,
                                                                                   at(y) + (x + 1) * l.bytes))
                                        << ", grey " << Grey(y);
                                if (first_picture.size() < row * size_t(h))
                                    first_picture.insert(first_picture.end(), at(y), at(y) + row);
                                else
                                    ASSERT_EQ(std::memcmp(at(y), first_picture.data() + row * size_t(y), row), 0)
                                        << "row " << y << " is not the first destination's";
                            }
                        }
                }
}

} // namespace
