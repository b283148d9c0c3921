// The movie service end to end on clips made by ffmpeg: frames read back
// from the movie texture at their times, repeats and the stop at the end,
// stopping, replaying and seeking, the volume in the mixer, a movie inside a
// scrambled pack, refused and damaged files, four slots at once, and many
// opens and closes.
#include "movie_fixture.h"

#include "tools/builders/FileBytes.h"
#include "tools/builders/PackWriter.h"
#include "support/Golden.h"

#include <cmath>
#include <filesystem>

#include <sys/stat.h>

namespace {

using namespace movietest;
using qtest::ClipKind;

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
