// The movie service's parts: the renderer's copy into each texture format
// and its refusals, the file stream, the stream input's seeks, the pins of
// both sources, and the subtype chosen by extension.
#include "movie_fixture.h"

#include "media/movie/GxMoviePlayerFile.h"
#include "media/movie/GxMovieReader.h"
#include "media/movie/GxMovieReaderWMV.h"
#include "media/movie/GxMovieRenderer.h"
#include "media/movie/GxMovieSourceFilterFile.h"
#include "media/movie/GxMovieStreamInputWMV.h"
#include "platform/render/types.h"

namespace {

using namespace movietest;
using pmovie::media_type;

media_type Rgb24(s32 w, s32 h) {
    return media_type{pmovie::major_type::video, pmovie::subtype::rgb24, pmovie::format_type::video_info, w, h};
}

// Rows of blue, green, red, padded to 4 bytes, top row first in memory when
// topDown; pixel (x, y) of the picture is (r, g, b) = (40x + 7, 30y + 5, 200).
std::vector<u8> Frame(s32 w, s32 h, bool topDown) {
    const s32 pitch = pmovie::packed_pitch(w, 3);
    std::vector<u8> rows(size_t(pitch) * size_t(h), 0xEE);
    for (s32 y = 0; y < h; ++y) {
        u8* row = rows.data() + size_t(topDown ? y : h - 1 - y) * size_t(pitch);
        for (s32 x = 0; x < w; ++x) {
            row[3 * x] = 200;
            row[3 * x + 1] = u8(30 * y + 5);
            row[3 * x + 2] = u8(40 * x + 7);
        }
    }
    return rows;
}

pmovie::sample RowsSample(const std::vector<u8>& rows) {
    pmovie::sample s;
    s.data = rows.data();
    s.length = u32(rows.size());
    return s;
}

// The shown buffer's raw pixel at (x, y), 4 or 2 bytes.
u32 Raw(GxTextureMovie* t, s32 x, s32 y) {
    prender::locked_rect lr;
    const auto shown = t->GetD3DTexture();
    EXPECT_TRUE(prender::succeeded(shown->lock_rect(0, nullptr, lr, prender::lock_read_only)));
    const u8* p = static_cast<const u8*>(lr.bits) + ptrdiff_t(y) * lr.pitch;
    const bool wide = GxIs32BitColorFormat(t->GetFormat());
    const u32 v = wide ? (u32(p[4 * x]) | u32(p[4 * x + 1]) << 8 | u32(p[4 * x + 2]) << 16 | u32(p[4 * x + 3]) << 24)
                       : (u32(p[2 * x]) | u32(p[2 * x + 1]) << 8);
    shown->unlock_rect(0);
    return v;
}

class MovieParts : public MovieTest {};

TEST_F(MovieParts, RendererCopiesRowsIntoEveryFormat) {
    struct Case {
        u32 format;
        u32 expect;  // pixel (1, 0): r 47, g 5, b 200
    };
    const Case cases[] = {
        {kGxFmtA8R8G8B8, 0xFF2F05C8u},
        {kGxFmtX8R8G8B8, 0xFF2F05C8u},
        {kGxFmtA1R5G5B5, 0x8000u | (47u >> 3) << 10 | (5u >> 3) << 5 | (200u >> 3)},
        {kGxFmtA4R4G4B4, 0xF000u | (47u >> 4) << 8 | (5u >> 4) << 4 | (200u >> 4)},
        {kGxFmtX4R4G4B4, 0xF000u | (47u >> 4) << 8 | (5u >> 4) << 4 | (200u >> 4)},
        {kGxFmtX1R5G5B5, 0},  // not copied: what the buffer held stays
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        GxTextureMovie* tex = Texture(4, 3, c.format);
        ASSERT_EQ(tex->GetFormat(), c.format);
        tex->Advance();
        const u32 before = Raw(tex, 1, 0);
        tex->Advance();
        pmovie::result hr = pmovie::e_fail;
        GxMovieRenderer r(tex, true, &hr);
        EXPECT_EQ(hr, pmovie::s_ok);
        ASSERT_EQ(r.SetMediaType(Rgb24(4, 3)), pmovie::s_ok);
        const std::vector<u8> rows = Frame(4, 3, false);
        const pmovie::sample s = RowsSample(rows);
        ASSERT_EQ(r.DoRenderSample(&s), pmovie::s_ok);
        r.ShowRenderedSample();
        EXPECT_EQ(Raw(tex, 1, 0), c.expect ? c.expect : before) << "the first texture row is the picture's top row";
    }
}

TEST_F(MovieParts, RendererOrientationSizesAndRefusals) {
    // A top-down frame (negative height) is not turned upside down.
    GxTextureMovie* tex = Texture(4, 3);
    GxMovieRenderer r(tex, false, nullptr);
    ASSERT_EQ(r.SetMediaType(Rgb24(4, -3)), pmovie::s_ok);
    EXPECT_EQ(r.GetVideoHeight(), 3);
    EXPECT_EQ(r.GetSourcePitch(), 12);
    const std::vector<u8> rows = Frame(4, 3, true);
    pmovie::sample s = RowsSample(rows);
    ASSERT_EQ(r.DoRenderSample(&s), pmovie::s_ok);
    r.ShowRenderedSample();
    EXPECT_EQ(Raw(tex, 3, 2), 0xFF7F41C8u);

    // A sample shorter than its frame is refused, and nothing is read or shown.
    const std::vector<u8> shortRows(rows.begin(), rows.end() - 1);
    s = RowsSample(shortRows);
    EXPECT_EQ(r.DoRenderSample(&s), pmovie::e_fail);
    EXPECT_EQ(r.DoRenderSample(nullptr), pmovie::e_pointer);

    struct Check {
        const media_type* type;
        pmovie::result expect;
    };
    const media_type rgb32{pmovie::major_type::video, pmovie::subtype::rgb32, pmovie::format_type::video_info, 4, 4};
    const media_type noFormat{pmovie::major_type::video, pmovie::subtype::rgb24, pmovie::format_type::none, 4, 4};
    const media_type sound{pmovie::major_type::audio, pmovie::subtype::rgb24, pmovie::format_type::video_info, 4, 4};
    const media_type pictures{pmovie::major_type::video, pmovie::subtype::picture, pmovie::format_type::video_info,
                              4, -4};
    const media_type rows24 = Rgb24(4, 4);
    for (const Check& c : {Check{nullptr, pmovie::e_pointer}, Check{&noFormat, pmovie::e_invalidarg},
                           Check{&rgb32, pmovie::e_fail}, Check{&sound, pmovie::e_fail},
                           Check{&rows24, pmovie::s_ok}, Check{&pictures, pmovie::s_ok}})
        EXPECT_EQ(r.CheckMediaType(c.type), c.expect);

    // A video larger than the texture gives the texture its top-left part.
    GxTextureMovie* small = Texture(2, 2);
    GxMovieRenderer clip(small, false, nullptr);
    clip.SetMediaType(Rgb24(4, 3));
    const std::vector<u8> big = Frame(4, 3, false);
    s = RowsSample(big);
    ASSERT_EQ(clip.DoRenderSample(&s), pmovie::s_ok);
    clip.ShowRenderedSample();
    EXPECT_EQ(Raw(small, 1, 1), 0xFF2F23C8u);

    // Without a texture to write, a sample is unexpected.
    GxMovieRenderer none(nullptr, false, nullptr);
    EXPECT_EQ(none.DoRenderSample(&s), pmovie::e_unexpected);
}

TEST_F(MovieParts, RendererOwnTextureIsMadeAgainNotLeaked) {
    const size_t before = GxD3DResourceManage::GetInstance().GetCount();
    {
        GxMovieRenderer r(nullptr, true, nullptr);
        ASSERT_EQ(r.SetMediaType(Rgb24(640, 480)), pmovie::s_ok);
        ASSERT_NE(r.GetTexture(), nullptr);
        EXPECT_EQ(r.GetTexture()->GetWidth(), 1024u);
        EXPECT_EQ(r.GetTexture()->GetHeight(), 512u);
        ASSERT_EQ(r.SetMediaType(Rgb24(100, 60)), pmovie::s_ok);
        EXPECT_EQ(r.GetTexture()->GetWidth(), 128u);
        EXPECT_EQ(GxD3DResourceManage::GetInstance().GetCount(), before + 1) << "the first texture was let go";
    }
    EXPECT_EQ(GxD3DResourceManage::GetInstance().GetCount(), before);
}

TEST_F(MovieParts, PlayerGivenALargerTextureReportsTheCoveredPart) {
    PutClip("op.avi", qtest::ClipKind::Avi);
    GxTextureMovie* tex = Texture(640, 480);  // buffers of 1024 x 512
    ASSERT_TRUE(GxMovie::Open(0, u"op.avi", tex, true));
    f32 u = 0, v = 0;
    GxMoviePlayerSlots[0]->GetTextureUV(u, v);
    EXPECT_EQ(u, 0.3125f);
    EXPECT_EQ(v, 0.46875f);
}

TEST_F(MovieParts, FileStreamAndStreamInputSeekAndReadThroughTheFileLayer) {
    std::vector<unsigned char> bytes(1000);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = u8(i * 7);
    qtest::WriteBytes(m_Dir.path() / "data.mpg", bytes);
    GxMovieSourceFilterFile f(u"data.mpg", 0xFFFFFFFFu);
    ASSERT_TRUE(f.IsOpen());
    s64 available = -1;
    EXPECT_EQ(f.Size(&available), 1000);
    EXPECT_EQ(available, 0) << "nothing has come through in the first millisecond";
    m_Clock.advance_us(1000);
    f.Size(&available);
    EXPECT_EQ(available, 1000);
    EXPECT_EQ(f.SetPointer(-1), pmovie::s_false);
    EXPECT_EQ(f.SetPointer(1001), pmovie::s_false);
    EXPECT_EQ(f.SetPointer(1000), pmovie::s_ok);
    EXPECT_EQ(f.SetPointer(990), pmovie::s_ok);
    u8 buf[64];
    u32 got = 0;
    EXPECT_EQ(f.Read(buf, 20, true, &got), pmovie::s_ok) << "cut at the end";
    EXPECT_EQ(got, 10u);
    EXPECT_EQ(buf[9], u8(999 * 7));

    // The stream input moves from each origin and reports where it stands.
    GxMovieStreamInputWMV in(&f);
    s64 pos = -1;
    EXPECT_EQ(in.Seek(10, GxMovieStreamInputWMV::kSeekBegin, &pos), pmovie::s_ok);
    EXPECT_EQ(pos, 10);
    in.Read(buf, 5, &got);
    EXPECT_EQ(in.Seek(5, GxMovieStreamInputWMV::kSeekCurrent, &pos), pmovie::s_ok);
    EXPECT_EQ(pos, 20);
    EXPECT_EQ(in.Seek(-100, GxMovieStreamInputWMV::kSeekEnd, &pos), pmovie::s_ok);
    EXPECT_EQ(pos, 900);
    in.Read(buf, 1, &got);
    EXPECT_EQ(buf[0], u8(900 * 7));
    EXPECT_EQ(in.Seek(-2000, GxMovieStreamInputWMV::kSeekCurrent, &pos), GxMovieStreamInputWMV::kInvalidFunction);
    EXPECT_EQ(pos, 900) << "a refused seek moves nothing";
    s64 size = 0;
    EXPECT_EQ(in.Stat(&size), pmovie::s_ok);
    EXPECT_EQ(size, 1000);
    EXPECT_EQ(in.Stat(nullptr), pmovie::e_pointer);

    // The generic source's pin: exactly its media type, short reads at the end.
    const media_type stream{pmovie::major_type::stream, pmovie::subtype::mpeg1_system};
    pmovie::result hr = pmovie::s_ok;
    GxMovieReader reader(&f, stream, &hr);
    EXPECT_EQ(hr, pmovie::vfw_e_invalid_file_format) << "no movie in these bytes";
    EXPECT_EQ(reader.GetPinCount(), 1);
    EXPECT_EQ(reader.GetPin(1), nullptr);
    auto* pin = static_cast<GxMovieReaderOutputPin*>(reader.GetPin(0));
    EXPECT_EQ(pin->GetName(), u"Output");
    media_type t;
    EXPECT_EQ(pin->GetMediaType(0, &t), pmovie::s_ok);
    EXPECT_EQ(t, stream);
    EXPECT_EQ(pin->GetMediaType(1, &t), pmovie::vfw_s_no_more_items);
    EXPECT_EQ(pin->GetMediaType(-1, &t), pmovie::e_invalidarg);
    EXPECT_EQ(pin->CheckMediaType(&stream), pmovie::s_ok);
    media_type avi = stream;
    avi.sub = pmovie::subtype::avi;
    EXPECT_EQ(pin->CheckMediaType(&avi), pmovie::s_false);
    s32 actual = 0;
    EXPECT_EQ(pin->SyncRead(980, 40, buf, &actual), pmovie::s_false);
    EXPECT_EQ(actual, 20);
    EXPECT_EQ(pin->SyncRead(100, 40, buf, &actual), pmovie::s_ok);
    EXPECT_EQ(buf[0], u8(100 * 7));
}

TEST_F(MovieParts, WmvSourceHasAPinPerStreamInStreamOrder) {
    PutClip("op.wmv", qtest::ClipKind::Wmv);
    GxMovieSourceFilterFile f(u"op.wmv", 0xFFFFFFFFu);
    pmovie::result hr = pmovie::e_fail;
    GxMovieReaderWMV reader(&f, &hr);
    ASSERT_EQ(hr, pmovie::s_ok);
    ASSERT_EQ(reader.GetPinCount(), 2);
    EXPECT_EQ(reader.GetPin(0)->GetName(), u"Video 1");
    EXPECT_EQ(reader.GetPin(1)->GetName(), u"Audio 2");
    EXPECT_EQ(reader.GetPin(2), nullptr);
    EXPECT_EQ(reader.GetPin(-1), nullptr);
    reader.StopReading();
    EXPECT_EQ(reader.GetPinCount(), 0);
    EXPECT_EQ(reader.GetContainer(), nullptr);
}

TEST(MovieSubtype, ChosenByTheExtensionInAnyCase) {
    struct Case {
        const GxChar* file;
        pmovie::subtype sub;
    };
    using pmovie::subtype;
    for (const Case& c : {Case{u"a.avi", subtype::avi}, Case{u"a.MPG", subtype::mpeg1_system},
                          Case{u"a.mpeg", subtype::mpeg1_system}, Case{u"a.mpv", subtype::mpeg1_video},
                          Case{u"a.dat", subtype::mpeg1_videocd}, Case{u"a.mov", subtype::quicktime},
                          Case{u"a.mpa", subtype::mpeg1_audio}, Case{u"a.wav", subtype::wave},
                          Case{u"a.ASF", subtype::asf}, Case{u"movies/op.WMV", subtype::asf},
                          Case{u"a.mpg2", subtype::mpeg2_video}, Case{u"a.mp4", subtype::none},
                          Case{u"a.wmv.bak", subtype::none}, Case{u"movies.wmv/op", subtype::none}})
        EXPECT_EQ(GxGetMovieSubtype(c.file), c.sub) << GxToUtf8(c.file);
}

} // namespace
