// The movie builtins run by the main script worker of the headless game:
// what reaches the movie layer (file, size, repeats, start, cross-fade), the
// fade-out without a movie (with a line for one that cannot be opened), the
// report of a missing one, and the linger time of a finished movie.
#include "BuiltinScript.h"
#include "MainSceneFixture.h"

#include "gamedata/GxUserData.h"
#include "layers/GxLayerContent.h"
#include "layers/GxTaskLayer.h"
#include "media/movie/GxMovie.h"
#include "platform/movie/movie_graph.h"
#include "support/MovieClips.h"
#include "tasks/GxTaskManage.h"
#include "tools/builders/FileBytes.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

using gametest::BuiltinScriptTest;
namespace fs = std::filesystem;

class MovieBuiltins : public BuiltinScriptTest {
protected:
    void SetUp() override {
        BuiltinScriptTest::SetUp();
        ASSERT_TRUE(GxMovie::Initialize());
    }
    void TearDown() override {
        if (started_) {
            Terminate();
            StopDevice();
        }
        GxMovie::Shutdown();
        BuiltinScriptTest::TearDown();
    }
    GxTaskLayer* MovieLayer() {
        GxTaskManage* tm = core_.GetTaskManage();
        if (GxTaskBase* t = tm->FindTaskName(u"$MOVIELAYER:SeqAvgMain")) return static_cast<GxTaskLayer*>(t);
        return new GxTaskLayer(tm->GetTopTask(), u"$MOVIELAYER:SeqAvgMain");
    }
};

TEST_F(MovieBuiltins, MoviesReachTheLayerOrItFadesOut) {
    struct Row {
        const char16_t* call;
        const char* file;  // the movie content's file; null: the layer fades out
        s32 width, height, repeats;
        f64 start;
        s32 time;
        const char* report;
        const char* logged = nullptr;  // the one line a movie skipped writes
    };
    const Row rows[] = {
        {u"MV(\"op\")", "movies/op.wmv", 1024, 768, 0, 0.0, 1000, nullptr},
        {u"MV(\"op\", 500, 320, 240, 2, 2500)", "movies/op.wmv", 320, 240, 2, 2.5, 500, nullptr},
        {u"mv(\"op\", \"\", \"\", \"\", -1)", "movies/op.wmv", 1024, 768, -1, 0.0, 1000, nullptr},
        {u"MV(\"clip\", 4294967496)", "movies/clip.mpg", 1024, 768, 0, 0.0, 200, nullptr},
        {u"MV()", nullptr, 0, 0, 0, 0.0, 1000, nullptr},
        {u"MV(\"empty\", 250)", nullptr, 0, 0, 0, 0.0, 250, nullptr},
        {u"MV(\"fifo\", 250)", nullptr, 0, 0, 0, 0.0, 250, nullptr,
         "GxMoviePlayerFile::動画ファイルオープンに失敗 (File=movies/fifo.wmv)\n"},
        {u"MV(\"none\")", nullptr, 0, 0, 0, 0.0, 0, "動画ファイルが見つかりません[movies/none]"},
    };
    fs::create_directories("movies");
    ASSERT_TRUE(qtest::WriteBytes("movies/op.wmv", qtest::StandardClip(qtest::ClipKind::Wmv)));
    ASSERT_TRUE(qtest::WriteBytes("movies/clip.mpg", qtest::StandardClip(qtest::ClipKind::Mpeg1)));
    ASSERT_TRUE(qtest::WriteText("movies/empty.avi", ""));
    ASSERT_EQ(mkfifo("movies/fifo.wmv", 0600), 0);
    StartRows(gametest::Calls(rows, u"trace(\"on\")"));
    GxTaskLayer* layer = MovieLayer();
    gametest::ForEachRow(rows, [&](size_t i, const Row& r) {
        layer->FinishTransit();
        ASSERT_TRUE(layer->SetColorContent(0xFF102030u, 0));
        layer->FinishTransit();
        traces_.clear();
        RunRow(i);
        const GxLayerContent* c = layer->GetCurrentContent();
        if (r.report) {
            EXPECT_EQ(Errors(), Reports(RowLine(i), "mv", r.report));
            EXPECT_EQ(TraceText(), "");
            EXPECT_FALSE(layer->IsTransiting());
            EXPECT_EQ(c->m_ContentType, kGxContentColor) << "the layer is left as it was";
            return;
        }
        EXPECT_EQ(Errors(), r.logged ? std::vector<std::string>{r.logged} : std::vector<std::string>{});
        EXPECT_EQ(TraceText(), "on");
        EXPECT_EQ(layer->IsTransiting(), r.time > 0);
        if (r.time > 0) {
            EXPECT_EQ(layer->GetTransit().m_TransitTimeTotal, r.time);
        }
        if (!r.file) {
            EXPECT_EQ(c->m_ContentType, kGxContentEmpty);
            EXPECT_EQ(layer->GetBackContent()->m_ContentType, kGxContentColor) << "what fades out";
            return;
        }
        EXPECT_EQ(c->m_ContentType, kGxContentMovie);
        EXPECT_EQ(GxToUtf8(c->m_ContentFileName), r.file);
        EXPECT_EQ(c->m_Width, r.width);
        EXPECT_EQ(c->m_Height, r.height);
        // The movie service counts the repeats after the first play.
        EXPECT_EQ(c->m_LoopCount, r.repeats);
        EXPECT_EQ(c->m_LoopStartPos, r.start);
        EXPECT_TRUE(c->m_MovieAutoDisappear);
    });
}

// The linger time of a finished movie is its own: the wait leaves it.
TEST_F(MovieBuiltins, TheLingerTime) {
    const struct {
        const char16_t* call;
        s32 hold, linger;  // the layer's linger time, 5 before the call
    } rows[] = {{u"MV.WA()", 15, 5}, {u"MV.AUTOSTOP(300)", 0, 300}, {u"MV.AUTOSTOP()", 0, 800}};
    StartRows(gametest::Calls(rows));
    GxTaskLayer* layer = MovieLayer();
    gametest::ForEachRow(rows, [&](size_t i, const auto& r) {
        data_->m_Hold_EndOfMovie = 0;
        layer->SetMovieAutoDisappearTime(5);
        RunRow(i);
        EXPECT_EQ(data_->m_Hold_EndOfMovie, r.hold);
        EXPECT_FALSE(data_->m_HideWindowByCommandFlag);
        EXPECT_EQ(layer->GetMovieAutoDisappearTime(), r.linger);
        EXPECT_EQ(Errors(), std::vector<std::string>{});
    });
}

// The story plays a clip of two seconds at its own size in the main scene and
// waits for its end with the message window hidden; then it goes back to the
// title.
class MovieInTheStory : public maintest::MainSceneTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(GxMovie::Initialize());
        MainSceneTest::SetUp();
        fs::create_directories("movies");
        ASSERT_TRUE(qtest::WriteBytes("movies/clip.wmv", qtest::StandardClip(qtest::ClipKind::Wmv)));
    }
    void TearDown() override {
        MainSceneTest::TearDown();
        GxMovie::Shutdown();
    }
    // A frame of the main loop with the movies' turn before it.
    void MovieFrame() {
        pmovie::movie_graph::settle_all();
        GxMovie::Update();
        Frame();
    }
};

TEST_F(MovieInTheStory, TheScriptWaitsForTheClipsEndThenGoesToTheTitle) {
    Play(u"*start\nMV(\"clip\", 0, 320, 240)\nMV.WA(1)\nJumpToTitle()\n");
    GxTaskLayer* layer = Layer(u"$MOVIELAYER:SeqAvgMain");
    ASSERT_TRUE(layer->IsMoviePlaying());
    EXPECT_EQ(layer->GetContentWidth(), 320);
    EXPECT_EQ(ScriptLine(), 2) << "held at the wait";
    EXPECT_NE(data_->m_Hold_EndOfMovie, 0);
    // The clip's own frame counter, read off the screen, runs on while the
    // script waits; the story goes on only when the clip has ended.
    std::vector<int> counters;
    int frames = 0;
    while (CurrentScene() == u"SeqAvgMain" && frames < 400) {
        MovieFrame();
        ++frames;
        if (layer->IsMoviePlaying()) {
            EXPECT_EQ(CurrentScene(), u"SeqAvgMain");
            EXPECT_EQ(ScriptLine(), 2);
            const std::vector<uint32_t> px = Draw();
            if (frames % 10 == 0) counters.push_back(qtest::ReadFrameCounter(px.data(), 1024, 320, 240));
        }
    }
    EXPECT_EQ(CurrentScene(), u"SeqTitle");
    EXPECT_EQ(data_->m_Hold_EndOfMovie, 0);
    // The clip lasts 2 s, 125 frames (the movies had no turn before the loop).
    EXPECT_NEAR(frames, 125, 8) << "played once";
    ASSERT_GE(counters.size(), 4u);
    for (size_t i = 1; i < counters.size(); ++i) EXPECT_GT(counters[i], counters[i - 1]) << i;
}

} // namespace
