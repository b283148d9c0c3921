// Decoded pictures converted into destinations exactly their size, rows
// downwards and upwards: every pixel written white, and not one
// byte before or after the destination touched (the scaler writes whole
// blocks of pixels past a row's end, out of sight of the sanitizers).
#include "platform/movie/picture_converter.h"

extern "C" {
#include <libavutil/frame.h>
}

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

using namespace pmovie;

constexpr size_t kGuard = 256;
constexpr uint8_t kGuardByte = 0xAB;

struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};

// A white picture as the decoders give it: limited-range 4:2:0.
std::unique_ptr<AVFrame, FrameFree> WhiteFrame(int w, int h) {
    std::unique_ptr<AVFrame, FrameFree> f(av_frame_alloc());
    f->format = AV_PIX_FMT_YUV420P;
    f->width = w;
    f->height = h;
    EXPECT_EQ(av_frame_get_buffer(f.get(), 0), 0);
    std::memset(f->data[0], 235, size_t(f->linesize[0]) * size_t(h));
    for (int p : {1, 2}) std::memset(f->data[p], 128, size_t(f->linesize[p]) * size_t((h + 1) / 2));
    return f;
}

TEST(PictureConverter, WritesEveryPixelOfItsDestinationAndNothingBesides) {
    struct Layout {
        pixel_layout layout;
        int bytes;
    };
    const Layout layouts[] = {{pixel_layout::argb8888, 4}, {pixel_layout::argb1555, 2},
                              {pixel_layout::argb4444, 2}, {pixel_layout::bgr24, 3}};
    for (const Layout& l : layouts)
        for (int w : {1, 7, 17, 100, 641})
            for (bool upwards : {false, true}) {
                SCOPED_TRACE(testing::Message() << "layout " << int(l.layout) << ", width " << w
                                                << (upwards ? ", rows upwards" : ""));
                const int h = 5;
                const size_t row = size_t(w) * size_t(l.bytes), size = row * size_t(h);
                std::vector<uint8_t> memory(kGuard + size + kGuard, kGuardByte);
                uint8_t* first = memory.data() + kGuard;
                const frame_target t{upwards ? first + row * size_t(h - 1) : first,
                                     upwards ? -int32_t(row) : int32_t(row), w, h, l.layout};
                picture_converter converter;
                ASSERT_TRUE(converter.convert(WhiteFrame(w, h).get(), t));
                for (size_t i = 0; i < kGuard; ++i) {
                    ASSERT_EQ(memory[i], kGuardByte) << "byte " << kGuard - i << " before the destination";
                    ASSERT_EQ(memory[kGuard + size + i], kGuardByte) << "byte " << i << " after the destination";
                }
                // White within the scaler's rounding, in every layout.
                for (size_t i = 0; i < size; ++i) ASSERT_GE(first[i], 0xF8) << "byte " << i;
            }
}

} // namespace
