// The movie service over a headless render device, in the sound tests'
// scratch folder with its hand-driven clock and the null output pumped by
// hand, on clips made by ffmpeg (support/MovieClips.h). Its parts: the
// renderer's copy into each texture format and its refusals, the file
// stream, the stream input's seeks, the pins of both sources, the subtype
// chosen by extension. End to end: frames read back from the movie texture
// at their times, repeats and the stop at the end, stopping, replaying and
// seeking, the volume in the mixer, a movie inside a scrambled pack, refused
// and damaged files, four slots at once, and many opens and closes.
#include "base/GxStringUtil.h"
#include "graphics/GxD3DResourceManage.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxGraphicsTypes.h"
#include "graphics/GxTextureMovie.h"
#include "media/movie/GxMovie.h"
#include "media/movie/GxMoviePlayerBase.h"
#include "media/movie/GxMoviePlayerFile.h"
#include "media/movie/GxMovieReader.h"
#include "media/movie/GxMovieReaderWMV.h"
#include "media/movie/GxMovieRenderer.h"
#include "media/movie/GxMovieSourceFilterFile.h"
#include "media/movie/GxMovieStreamInputWMV.h"
#include "platform/movie/movie_graph.h"
#include "platform/render/adapter.h"
#include "platform/render/types.h"
#include "sound_fixture.h"
#include "support/Golden.h"
#include "support/LogCapture.h"
#include "support/MovieClips.h"
#include "tools/builders/FileBytes.h"
#include "tools/builders/PackWriter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <sys/stat.h>

namespace {

using pmovie::media_type;
using qtest::ClipKind;

class MovieTest : public soundtest::SoundTest {
protected:
    void SetUp() override {
        SoundTest::SetUp();
        GxGraphics::GetConfig() = GxGraphicsConfig{};
        GxGraphics::SetAdapter(std::make_unique<prender::adapter>(prender::adapter::default_script()));
        ASSERT_TRUE(GxGraphics::Initialize(nullptr, nullptr, nullptr, nullptr));
        GxMovie::Initialize();
        m_Start = m_Clock.now_us();
    }
    void TearDown() override {
        GxMovie::Shutdown();
        for (auto& t : m_Textures) t->Release();
        m_Textures.clear();
        GxGraphics::Finalize();
        GxGraphics::SetAdapter(nullptr);
        EXPECT_EQ(GxD3DResourceManage::GetInstance().GetCount(), 0u) << "a resource was left registered";
        SoundTest::TearDown();
    }
    // Writes the standard clip of a kind into the working folder.
    void PutClip(const std::string& name, qtest::ClipKind kind) {
        const std::vector<unsigned char>& b = qtest::StandardClip(kind);
        ASSERT_FALSE(b.empty()) << "ffmpeg did not write the clip";
        qtest::WriteBytes(m_Dir.path() / name, b);
    }
    // A movie texture as a layer makes one.
    GxTextureMovie* Texture(u32 w = 320, u32 h = 240, u32 format = kGxFmtA8R8G8B8) {
        m_Textures.push_back(std::make_unique<GxTextureMovie>());
        EXPECT_TRUE(m_Textures.back()->Create(u"", w, h, format, 0xFF000000u, true));
        return m_Textures.back().get();
    }
    // The clock at ms after the start, the decoding threads caught up, one
    // frame of the movie service.
    void At(int64_t ms) {
        m_Clock.set_us(m_Start + uint64_t(ms) * 1000);
        pmovie::movie_graph::settle_all();
        GxMovie::Update();
    }
    // The frame counter the texture shows.
    static int Shown(GxTextureMovie* t) {
        const std::vector<uint32_t> px = t->GetD3DTexture()->surface_level(0)->read_argb();
        return qtest::ReadFrameCounter(px.data(), int(t->GetWidth()), 320, 240);
    }
    uint64_t m_Start = 0;
    std::vector<std::unique_ptr<GxTextureMovie>> m_Textures;
};

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

// The renderer given a sample of the rows, shown where it takes it: its result.
pmovie::result Render(GxMovieRenderer& r, const std::vector<u8>& rows) {
    pmovie::sample s;
    s.data = rows.data();
    s.length = u32(rows.size());
    const pmovie::result hr = r.DoRenderSample(&s);
    if (hr == pmovie::s_ok) r.ShowRenderedSample();
    return hr;
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
        ASSERT_EQ(Render(r, Frame(4, 3, false)), pmovie::s_ok);
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
    ASSERT_EQ(Render(r, rows), pmovie::s_ok);
    EXPECT_EQ(Raw(tex, 3, 2), 0xFF7F41C8u);

    // A sample shorter than its frame is refused, and nothing is read or shown.
    EXPECT_EQ(Render(r, std::vector<u8>(rows.begin(), rows.end() - 1)), pmovie::e_fail);
    EXPECT_EQ(r.DoRenderSample(nullptr), pmovie::e_pointer);

    const media_type rgb32{pmovie::major_type::video, pmovie::subtype::rgb32, pmovie::format_type::video_info, 4, 4};
    const media_type noFormat{pmovie::major_type::video, pmovie::subtype::rgb24, pmovie::format_type::none, 4, 4};
    const media_type sound{pmovie::major_type::audio, pmovie::subtype::rgb24, pmovie::format_type::video_info, 4, 4};
    const media_type pictures{pmovie::major_type::video, pmovie::subtype::picture, pmovie::format_type::video_info,
                              4, -4};
    const media_type rows24 = Rgb24(4, 4);
    for (const auto& [type, expect] : {std::pair<const media_type*, pmovie::result>{nullptr, pmovie::e_pointer},
                                       {&noFormat, pmovie::e_invalidarg}, {&rgb32, pmovie::e_fail},
                                       {&sound, pmovie::e_fail}, {&rows24, pmovie::s_ok}, {&pictures, pmovie::s_ok}})
        EXPECT_EQ(r.CheckMediaType(type), expect);

    // A video larger than the texture gives the texture its top-left part.
    GxTextureMovie* small = Texture(2, 2);
    GxMovieRenderer clip(small, false, nullptr);
    clip.SetMediaType(Rgb24(4, 3));
    ASSERT_EQ(Render(clip, Frame(4, 3, false)), pmovie::s_ok);
    EXPECT_EQ(Raw(small, 1, 1), 0xFF2F23C8u);

    // Without a texture to write, a sample is unexpected.
    GxMovieRenderer none(nullptr, false, nullptr);
    EXPECT_EQ(Render(none, Frame(4, 3, false)), pmovie::e_unexpected);
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
    for (const auto& [at, result] :
         {std::pair{-1, pmovie::s_false}, {1001, pmovie::s_false}, {1000, pmovie::s_ok}, {990, pmovie::s_ok}})
        EXPECT_EQ(f.SetPointer(at), result) << at;
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

class MoviePlayback : public MovieTest {};

TEST_F(MoviePlayback, FramesAtTheirTimesInEveryFormatThenTheStopAtTheStart) {
    for (ClipKind kind : {ClipKind::Wmv, ClipKind::Mpeg1, ClipKind::Avi}) {
        const std::string name = "op" + qtest::ClipExtension(kind);
        SCOPED_TRACE(name);
        PutClip(name, kind);
        GxTextureMovie* tex = Texture();
        m_Start = m_Clock.now_us();
        ASSERT_TRUE(GxMovie::Open(0, GxFromUtf8(name), tex, true));
        GxMoviePlayerBase* p = GxMoviePlayerSlots[0];
        EXPECT_EQ(p->GetVideoWidth(), 320);
        EXPECT_EQ(p->GetVideoHeight(), 240);
        EXPECT_EQ(p->GetVideoPitch(), 960);
        f32 u = 0, v = 0;
        p->GetTextureUV(u, v);
        EXPECT_EQ(u, 0.625f);
        EXPECT_EQ(v, 0.9375f);
        EXPECT_NEAR(p->GetDuration(), 2.0, 0.1);
        EXPECT_EQ(p->GetTexture(), tex);
        ASSERT_TRUE(GxMovie::Play(0, 0, 0));
        for (int n : {0, 1, 2, 24, 25, 48, 49}) {
            At(n * 40 + 20);
            EXPECT_EQ(Shown(tex), n) << "at " << n * 40 + 20 << " ms";
        }
        EXPECT_TRUE(p->IsPlaying());
        EXPECT_NEAR(GxMovie::GetPosition(0), 1.98, 0.001);
        At(2100);
        EXPECT_FALSE(p->IsPlaying()) << "played once";
        EXPECT_EQ(GxMovie::GetPosition(0), 0.0) << "back at the start";
        EXPECT_EQ(Shown(tex), 49) << "the last frame stays while stopped";
        GxMovie::Close(0);
        EXPECT_EQ(GxMoviePlayerSlots[0], nullptr);
    }
    // Given a larger texture (buffers of 1024 x 512), the player reports the part the picture covers.
    ASSERT_TRUE(GxMovie::Open(0, u"op.avi", Texture(640, 480), true));
    f32 u = 0, v = 0;
    GxMoviePlayerSlots[0]->GetTextureUV(u, v);
    EXPECT_EQ(u, 0.3125f);
    EXPECT_EQ(v, 0.46875f);
}

TEST_F(MoviePlayback, RepeatsCountDownWithoutASeamAndReplay) {
    PutClip("loop.wmv", ClipKind::Wmv);
    GxTextureMovie* tex = Texture();
    ASSERT_TRUE(GxMovie::Open(1, u"loop.wmv", tex, true));
    ASSERT_TRUE(GxMovie::Play(1, 2, 0));
    for (int n = 0; n < 150; ++n) {
        At(n * 40 + 20);
        ASSERT_EQ(Shown(tex), n % 50) << "tick " << n;
        ASSERT_EQ(GxMovie::GetLoopCount(1), 2 - n / 50) << "tick " << n;
        ASSERT_TRUE(GxMoviePlayerSlots[1]->IsPlaying());
    }
    At(6040);
    EXPECT_FALSE(GxMoviePlayerSlots[1]->IsPlaying());
    EXPECT_EQ(GxMovie::GetLoopCount(1), 0);
    EXPECT_EQ(GxMovie::GetPosition(1), 0.0);

    // Played again from the start, now without end from a loop start.
    GxMovie::SetLoopStart(1, 1.0);
    ASSERT_TRUE(GxMovie::Play(1, -1, 0));
    m_Start = m_Clock.now_us();
    At(20);
    EXPECT_EQ(Shown(tex), 0);
    for (int pass = 0; pass < 4; ++pass) {
        At(2000 + pass * 1000 + 20);
        EXPECT_EQ(Shown(tex), 25) << "pass " << pass + 1 << " starts at the loop start";
        EXPECT_EQ(GxMovie::GetLoopCount(1), -1);
    }
}

TEST_F(MoviePlayback, StopHoldsThePositionAndSeeksMove) {
    PutClip("op.avi", ClipKind::Avi);
    GxTextureMovie* tex = Texture();
    ASSERT_TRUE(GxMovie::Open(2, u"op.avi", tex, false));
    GxMovie::Play(2, 0, 0);
    At(500);
    EXPECT_EQ(Shown(tex), 12);
    EXPECT_TRUE(GxMovie::Stop(2));
    EXPECT_FALSE(GxMoviePlayerSlots[2]->IsPlaying());
    At(900);
    EXPECT_EQ(Shown(tex), 12);
    EXPECT_NEAR(GxMovie::GetPosition(2), 0.5, 0.001);
    EXPECT_TRUE(GxMovie::SetPosition(2, 1.5));
    GxMovie::Play(2, 0, 0);
    At(910);
    EXPECT_EQ(Shown(tex), 37);
    EXPECT_TRUE(GxMovie::SetPosition(2, 0.2));
    At(930);
    EXPECT_EQ(Shown(tex), 5) << "a seek while running";

    EXPECT_FALSE(GxMovie::SetPosition(3, 1.0)) << "an empty slot";
    EXPECT_EQ(GxMovie::GetPosition(3), 0.0);
    EXPECT_FALSE(GxMovie::Stop(3));
    EXPECT_FALSE(GxMovie::Play(7, 0, 0)) << "a slot that does not exist";
    EXPECT_TRUE(GxMovie::StopAll());
    EXPECT_FALSE(GxMoviePlayerSlots[2]->IsPlaying());
}

TEST_F(MoviePlayback, TheVolumeReachesTheMixer) {
    PutClip("tone.avi", ClipKind::Avi);
    ASSERT_TRUE(GxMovie::Open(0, u"tone.avi", Texture(), true));
    ASSERT_TRUE(GxMovie::Play(0, 0, 0));
    auto rms = [&] {
        pmovie::movie_graph::settle_all();
        Pump(960);  // past the ramp of a gain change
        pmovie::movie_graph::settle_all();
        const std::vector<float> out = Pump(4800);
        double sum = 0;
        for (size_t i = 0; i < out.size(); i += 2) sum += double(out[i]) * out[i];
        return std::sqrt(sum / double(out.size() / 2));
    };
    const double full = rms();
    EXPECT_NEAR(full, 0.125 / std::sqrt(2.0), 0.01) << "the tone at full volume";
    struct Case {
        s32 volume;
        double gain;
    };
    for (const Case c : {Case{-600, 0.501}, Case{-2000, 0.1}, Case{0, 1.0}, Case{-10000, 0.0}}) {
        GxMoviePlayerSlots[0]->SetVolume(c.volume);
        EXPECT_NEAR(rms() / full, c.gain, 0.02) << c.volume;
    }
}

TEST_F(MoviePlayback, PlaysFromAScrambledPackAndSeeksThere) {
    qtest::PackOptions scrambled;
    scrambled.scrambled = true;
    const std::vector<unsigned char>& clip = qtest::StandardClip(ClipKind::Wmv);
    ASSERT_FALSE(clip.empty());
    qtest::WritePack(m_Dir.path() / "movie.gxp", {{"movies/op.wmv", clip}}, scrambled);
    ASSERT_TRUE(GxMountPackFile(u"movie.gxp"));
    ASSERT_EQ(GxFileExists(u"movies/OP.wmv"), kGxFileInPack);
    GxTextureMovie* tex = Texture();
    ASSERT_TRUE(GxMovie::Open(0, u"movies/OP.wmv", tex, true));
    GxMovie::Play(0, 1, 0);
    At(420);
    EXPECT_EQ(Shown(tex), 10);
    GxMovie::SetPosition(0, 1.6);
    At(440);
    EXPECT_EQ(Shown(tex), 40);
    At(420 + 400 + 20);
    EXPECT_EQ(Shown(tex), 0) << "the repeat seeks back to the start inside the pack";
    EXPECT_EQ(GxMovie::GetLoopCount(0), 0);
}

// Each refused file is named once, by the open or, for what a game takes as
// no movie, by the check it makes first: an absent or empty file silently,
// one that is there but cannot be opened with the open's own line.
TEST_F(MoviePlayback, RefusedFilesLogTheirLineAndLeaveAPlayerThatDoesNotPlay) {
    qtest::WriteBytes(m_Dir.path() / "noise.avi", std::vector<unsigned char>(5000, 0x3C));
    qtest::WriteBytes(m_Dir.path() / "noise.wmv", std::vector<unsigned char>(5000, 0x3C));
    qtest::WriteBytes(m_Dir.path() / "empty.mpg", {});
    PutClip("clip.xyz", ClipKind::Wmv);
    ASSERT_EQ(mkfifo((m_Dir.path() / "fifo.wmv").c_str(), 0600), 0);
    std::filesystem::create_symlink(m_Dir.path() / "gone.wmv", m_Dir.path() / "nowhere.wmv");
    struct Case {
        const GxChar* file;
        const char* line;
        bool noMovie;  // what RefuseUnplayable says
        bool named;    // and whether it writes the line
    };
    const Case cases[] = {
        {u"clip.xyz", "GxMoviePlayerFile::この形式は再生できません (File=clip.xyz)\n", false, false},
        {u"missing.wmv", "GxMoviePlayerFile::動画ファイルオープンに失敗 (File=missing.wmv)\n", true, false},
        {u"noise.avi", "GxMoviePlayerFile::MovieReader作成失敗 (File=noise.avi/HRESULT 0x8004022F)\n", false, false},
        {u"noise.wmv", "GxMoviePlayerFile::MovieReader作成失敗 (File=noise.wmv/HRESULT 0x8004022F)\n", false, false},
        {u"empty.mpg", "GxMoviePlayerFile::MovieReader作成失敗 (File=empty.mpg/HRESULT 0x8004022F)\n", true, false},
        {u"fifo.wmv", "GxMoviePlayerFile::動画ファイルオープンに失敗 (File=fifo.wmv)\n", true, true},
        {u"nowhere.wmv", "GxMoviePlayerFile::動画ファイルオープンに失敗 (File=nowhere.wmv)\n", true, true},
    };
    GxTextureMovie* tex = Texture();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        {
            qtest::LogCapture log;
            EXPECT_EQ(GxMovie::RefuseUnplayable(c.file), c.noMovie);
            EXPECT_EQ(log.Lines(), c.named ? std::vector<std::string>{c.line} : std::vector<std::string>{});
        }
        qtest::LogCapture log;
        EXPECT_FALSE(GxMovie::Open(3, c.file, tex, true));
        EXPECT_EQ(log.Lines(), std::vector<std::string>{c.line});
        ASSERT_NE(GxMoviePlayerSlots[3], nullptr) << "the half-built player stays in its slot";
        EXPECT_FALSE(GxMovie::Play(3, 0, 0));
        EXPECT_EQ(GxMovie::GetPosition(3), 0.0);
        EXPECT_EQ(GxMovie::GetLoopCount(3), 0);
        GxMovie::Update();
        GxMoviePlayerSlots[3]->Close();
        GxMoviePlayerSlots[3]->Close();
    }
    GxMovie::Close(3);
    EXPECT_EQ(GxMoviePlayerSlots[3], nullptr);
}

TEST_F(MoviePlayback, DamagedClipsEndAsIfComplete) {
    enum Damage { Truncated, Flipped, InACutPack };
    struct Case {
        ClipKind kind;
        Damage damage;
        const char* line;  // the one line logged, or none
    };
    const Case cases[] = {
        {ClipKind::Wmv, Truncated, nullptr},
        {ClipKind::Mpeg1, Flipped, nullptr},
        {ClipKind::Avi, Truncated, nullptr},
        {ClipKind::Wmv, Flipped, nullptr},
        // The pack says the entry is longer than what is left of the pack.
        {ClipKind::Avi, InACutPack, "Error/GxMovieSourceFilterFile Read Failed(File=movies/cut.avi Pos="},
    };
    for (const Case& c : cases) {
        std::vector<unsigned char> b = qtest::StandardClip(c.kind);
        ASSERT_FALSE(b.empty());
        const std::string name = (c.damage == InACutPack ? "movies/cut" : "bad") + qtest::ClipExtension(c.kind);
        SCOPED_TRACE(name + " damage " + std::to_string(c.damage));
        if (c.damage == InACutPack) {
            std::vector<unsigned char> pack = qtest::BuildPack({{name, b}});
            pack.resize(pack.size() * 2 / 3);
            qtest::WriteBytes(m_Dir.path() / "cut.gxp", pack);
            ASSERT_TRUE(GxMountPackFile(u"cut.gxp"));
        } else {
            b = c.damage == Truncated ? std::vector<unsigned char>(b.begin(), b.begin() + ptrdiff_t(b.size() * 2 / 3))
                                      : qtest::DamagedCopy(b, b.size() / 4);
            qtest::WriteBytes(m_Dir.path() / name, b);
        }
        qtest::LogCapture log;
        ASSERT_TRUE(GxMovie::Open(0, GxFromUtf8(name), Texture(), true));
        ASSERT_TRUE(GxMovie::Play(0, 0, 0));
        m_Start = m_Clock.now_us();
        int ms = 0;
        while (GxMoviePlayerSlots[0]->IsPlaying() && ms < 3000) At(ms += 40);
        EXPECT_FALSE(GxMoviePlayerSlots[0]->IsPlaying()) << "ended within 3 s";
        EXPECT_GT(ms, 500) << "and played what it could first";
        const std::vector<std::string> lines = log.Lines();
        if (!c.line) {
            EXPECT_TRUE(lines.empty()) << log.Text();
        } else {
            ASSERT_EQ(lines.size(), 1u) << log.Text();
            EXPECT_EQ(lines[0].rfind(c.line, 0), 0u) << lines[0];
        }
    }
}

// A repeat that would show nothing new ends the movie with one line instead
// of repeating without end: pictures that never arrive (the fuzzer's WMV whose
// video stream number was changed), and a loop start past what a truncated
// file holds (the fuzzer's 4 KB WMV, an MPEG-1 clip cut in half). A first
// pass begun past the end still gets its repeat.
TEST_F(MoviePlayback, LoopsWithNothingToRepeatEndWithOneLine) {
    const std::string found = "tests/corpus/movie_graph_fuzz/";
    auto corpus = [&](const char* name) {
        std::vector<unsigned char> b = qtest::ReadBytes(qtest::SourcePath(found + name));
        return std::vector<unsigned char>(b.begin() + std::min<ptrdiff_t>(6, ptrdiff_t(b.size())), b.end());
    };
    std::vector<unsigned char> cut = qtest::StandardClip(ClipKind::Mpeg1);
    cut.resize(cut.size() / 2);
    struct Case {
        const char* file;
        std::vector<unsigned char> bytes;
        double loopStart;
        double startAt;
        bool ends;
    };
    // The 4 KB WMV holds one picture, at 0.046 s; half the MPEG-1 clip about 1.5 s.
    const Case cases[] = {
        {"nopictures.wmv", corpus("hang-looping-movie-whose-video-stream-reads-nothing"), 0, 0, true},
        {"cut.wmv", corpus("slow-looping-truncated-movie-whose-position-stands"), 0.2, 0, true},
        {"cut.mpg", cut, 1.8, 0, true},
        {"whole.wmv", qtest::StandardClip(ClipKind::Wmv), 0.5, 2.0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        ASSERT_GT(c.bytes.size(), 1000u);
        qtest::WriteBytes(m_Dir.path() / c.file, c.bytes);
        qtest::LogCapture log;
        ASSERT_TRUE(GxMovie::Open(0, GxFromUtf8(c.file), Texture(), true));
        GxMoviePlayerBase* p = GxMoviePlayerSlots[0];
        GxMovie::SetLoopStart(0, c.loopStart);
        GxMovie::SetPosition(0, c.startAt);
        ASSERT_TRUE(GxMovie::Play(0, -1, 0));
        m_Start = m_Clock.now_us();
        for (int ms = 0; ms < 4000 && p->IsPlaying(); ms += 40) At(ms);
        EXPECT_EQ(p->IsPlaying(), !c.ends);
        if (c.ends) {
            EXPECT_EQ(GxMovie::GetPosition(0), 0.0) << "back at the start";
            EXPECT_EQ(log.Lines(), std::vector<std::string>{"GxMoviePlayerFile::繰り返し再生できる映像がありません (File=" +
                                                            std::string(c.file) + ")\n"});
        } else {
            EXPECT_EQ(GxMovie::GetLoopCount(0), -1);
            EXPECT_TRUE(log.Lines().empty()) << log.Text();
        }
        GxMovie::Close(0);
    }
}

TEST_F(MoviePlayback, FourSlotsAtOnce) {
    const ClipKind kinds[4] = {ClipKind::Wmv, ClipKind::Mpeg1, ClipKind::Avi, ClipKind::Wmv};
    GxTextureMovie* tex[4];
    for (s32 slot = 0; slot < 4; ++slot) {
        const std::string name = "m" + std::to_string(slot) + qtest::ClipExtension(kinds[slot]);
        PutClip(name, kinds[slot]);
        tex[slot] = Texture();
        ASSERT_TRUE(GxMovie::Open(slot, GxFromUtf8(name), tex[slot], true));
        GxMovie::SetPosition(slot, 0.4 * slot);
        GxMovie::Play(slot, slot == 3 ? -1 : 0, -1000);
    }
    for (int n = 0; n < 20; ++n) {
        At(n * 40 + 20);
        for (s32 slot = 0; slot < 4; ++slot) ASSERT_EQ(Shown(tex[slot]), 10 * slot + n) << "slot " << slot;
    }
    At(1300);
    EXPECT_FALSE(GxMoviePlayerSlots[2]->IsPlaying()) << "slot 2 has ended";
    EXPECT_TRUE(GxMoviePlayerSlots[3]->IsPlaying());
    EXPECT_EQ(Shown(tex[3]), (30 + 32) % 50) << "slot 3 repeats";
}

TEST_F(MoviePlayback, OpenPlayStopAndClose200Times) {
    PutClip("short.mpg", ClipKind::Mpeg1);
    PutClip("short.wmv", ClipKind::Wmv);
    GxTextureMovie* tex = Texture();
    for (int i = 0; i < 200; ++i) {
        const s32 slot = i % 4;
        ASSERT_TRUE(GxMovie::Open(slot, i % 2 ? u"short.mpg" : u"short.wmv", tex, true)) << i;
        GxMovie::Play(slot, -1, 0);
        if (i % 50 == 0) At(i * 10);
        GxMovie::Stop(slot);
        if (i % 3 == 0) GxMovie::Close(slot);
    }
}

} // namespace
