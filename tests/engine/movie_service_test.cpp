// The process object starts the movie service, runs it every pass of the
// main loop (a movie plays to its end and stops) and shuts it down, closing
// what the slots still hold.
#include "GameFolder.h"

#include "engine/GxCore.h"
#include "graphics/GxTextureMovie.h"
#include "media/movie/GxMovie.h"
#include "media/movie/GxMoviePlayerBase.h"
#include "platform/movie/movie_graph.h"
#include "support/MovieClips.h"

namespace {

using proctest::GameFolderTest;

TEST_F(GameFolderTest, MovieServiceStartsRunsEveryPassAndShutsDown) {
    WriteGame("Movies", "SAVE_TO_MYDOCUMENTS=0\n");
    const std::vector<unsigned char>& clip = qtest::StandardClip(qtest::ClipKind::Mpeg1);
    ASSERT_FALSE(clip.empty());
    qtest::WriteBytes(game_ / "op.mpg", clip);
    GxCore core;
    testing::internal::CaptureStderr();
    ASSERT_TRUE(core.Initialize());
    testing::internal::GetCapturedStderr();
    // The boot and title scenes stop every movie when they start.
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(core.RunPass());

    // The renderer makes a texture of its own at the movie's size.
    ASSERT_TRUE(GxMovie::Open(0, u"op.mpg", nullptr, true));
    ASSERT_TRUE(GxMovie::Open(1, u"op.mpg", nullptr, true));
    GxTextureMovie* texture = GxMoviePlayerSlots[0]->GetTexture();
    ASSERT_NE(texture, nullptr);
    ASSERT_TRUE(GxMovie::Play(0, 0, 0));
    int passes = 0;
    for (; passes < 600 && GxMoviePlayerSlots[0]->IsPlaying(); ++passes) {
        pmovie::movie_graph::settle_all();
        ASSERT_TRUE(core.RunPass());
    }
    EXPECT_FALSE(GxMoviePlayerSlots[0]->IsPlaying()) << "the passes' service ended the movie";
    EXPECT_NEAR(passes, 120, 3) << "two seconds of passes at 60 a second";
    const std::vector<uint32_t> px = texture->GetD3DTexture()->surface_level(0)->read_argb();
    EXPECT_EQ(qtest::ReadFrameCounter(px.data(), int(texture->GetWidth()), 320, 240), 49);

    core.Finalize();
    EXPECT_EQ(GxMoviePlayerSlots[0], nullptr);
    EXPECT_EQ(GxMoviePlayerSlots[1], nullptr);
}

} // namespace
