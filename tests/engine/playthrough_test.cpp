// The real program on the sample game, headless, as a scripted run
// (QUILLON_PLAYTHROUGH): every frame one frame's time after the last, input
// through the window's event queue, frames and sound written at named
// moments. One run goes from boot through the opening, the title, a hovered
// and a pressed button, the end-game dialog, the debug scene and the load
// page to the exit through the dialog; its frames are compared with golden pictures, the
// title music's first second with the music file decoded by sox, and what
// it leaves behind with what a clean exit leaves.
#include "GameFolder.h"
#include "ProgramRun.h"

#include "base/GxCrc32.h"
#include "base/GxStringUtil.h"
#include "engine/GxPlaythrough.h"
#include "gamedata/GxUserConfig.h"
#include "gamedata/GxUserDataPerman.h"
#include "io/GxFileSystem.h"
#include "script/GxMoaSystem.h"
#include "graphics/text_fixture.h"
#include "platform/image/image.h"
#include "support/FakeCore.h"
#include "support/SampleGameCopy.h"

#include <sys/file.h>

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

using proctest::ReadText;
namespace fs = std::filesystem;

// The opening movie the goldens show, as this machine's ffmpeg writes it.
constexpr uint32_t kGoldenMovieCrc = 0x03131B00;

constexpr const char* kScript = R"(# boot; the opening fades in over the black boot screen
wait SeqOpening
+12 shot boot_fade
+60 shot opening
+1 click 512 384
wait SeqTitle
+0 sound title_music 1
+40 shot title
# "Load" hovered long enough for its tool tip
+1 move 840 374
+80 shot hovered
# "Exit" held down, then let go: the end-game dialog; "No"
+1 move 840 686
+2 down left 840 686
+0 shot pressed
+1 up left 840 686
+20 shot dialog
+1 move 598 422
+2 click 598 422
# "New Game" with Control: the debug scene; a script, then its second label
+10 move 840 322
+1 keydown Left Ctrl
+1 click 840 322
+1 keyup Left Ctrl
wait SeqDebug
+30 move 200 88
+1 click 200 88
+2 move 600 105
+1 click 600 105
+30 shot debug
# "Back"; "Load" and its page, "Back" there; "Exit" and "Yes"
+1 move 900 680
+1 click 900 680
wait SeqTitle
+30 move 840 374
+2 click 840 374
wait SeqLoad
+40 shot load
+1 move 920 720
+2 click 920 720
wait SeqTitle
+30 move 840 686
+1 click 840 686
+20 move 426 422
+2 click 426 422
)";

// The frames compared, whole or in part.
struct Shot {
    const char* name;
    bool movie;  // shows the opening movie
    int x, y, w, h;
};
constexpr Shot kShots[] = {
    {"boot_fade", true, 0, 0, 1024, 768},   {"opening", true, 0, 0, 1024, 768},
    {"title", false, 0, 0, 1024, 768},      {"hovered", false, 700, 280, 324, 440},
    {"pressed", false, 700, 280, 324, 440}, {"dialog", false, 262, 274, 500, 220},
    {"debug", false, 0, 0, 1024, 768},      {"load", false, 0, 0, 1024, 768},
};

// A scripted run of the real program on a copy of the sample.
struct ScriptedRun {
    explicit ScriptedRun(const char* script) {
        if (!qtest::CopyQuietSampleGame(game, &failure)) return;
        fs::create_directories(out);
        fs::create_directories(temp.path() / "home");
        fs::create_directories(runtime);
        qtest::WriteText(out / "script.txt", script);
        proctest::EnvChanges env = proctest::HeadlessEnv(runtime, temp.path() / "home");
        env["QUILLON_PLAYTHROUGH"] = (out / "script.txt").string();
        const pid_t pid = proctest::Spawn(proctest::BuildFolder() / "app" / "quillon", {}, game,
                                          temp.path() / "quillon.out", env);
        exitCode = qtest::WaitExit(pid, std::chrono::seconds(120));
        said = ReadText(temp.path() / "quillon.out");
    }
    qtest::TempDir temp;
    fs::path game = temp.path() / "game";
    fs::path save = game / "QuillonSample_SAVE";
    fs::path out = temp.path() / "out";
    fs::path runtime = temp.path() / "run";
    std::string failure, said;
    int exitCode = -1;
};

// The one run of kScript every test of the suite looks at.
class Playthrough : public testing::Test {
protected:
    static void SetUpTestSuite() { run_ = new ScriptedRun(kScript); }
    static void TearDownTestSuite() {
        delete run_;
        run_ = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(run_->failure.empty()) << run_->failure; }
    static ScriptedRun* run_;
};

ScriptedRun* Playthrough::run_ = nullptr;

TEST(PlaythroughScript, IsReadOrRefusedWithItsLine) {
    const struct {
        const char* text;
        const char* error;  // empty: read
    } kScripts[] = {
        {"# nothing\n\n", ""},
        {"clock real\n+0 note first\nwait SeqTitle\n+0 keydown Left Ctrl\n+1 quit\n", ""},
        {"+3 move 1 2\n+0 down right 1 2\nsound s 0.5\nshot a # the title\n", ""},
        {"move 1\n", "line 1: move takes 2 arguments"},
        {"\n+x shot a\n", "line 2: bad delay +x"},
        {"+1\n", "line 1: a delay without a command"},
        {"shot a\nclock real\n", "line 2: only \"clock real\", first"},
        {"jump 3\n", "line 1: unknown command jump"},
        {"down up 1 2\n", "line 1: bad button up"},
        {"click 1 y\n", "line 1: bad position"},
        {"sound s 61\n", "line 1: bad length 61"},
        {"sound s 1.2.3\n", "line 1: bad length 1.2.3"},
        {"clock real\nsound s 1\n", "line 2: sound is recorded on the stepped clock only"},
        {"shot ../a\n", "line 1: a name, not a path"},
        {"note\n", "line 1: note takes text"},
    };
    for (const auto& k : kScripts) {
        SCOPED_TRACE(k.text);
        GxPlaythrough run;
        std::string error;
        EXPECT_EQ(run.Parse(k.text, &error), *k.error == 0);
        EXPECT_EQ(error, k.error);
    }
}

TEST_F(Playthrough, TheExitThroughTheDialogEndsCleanlyAndKeepsEverything) {
    EXPECT_EQ(run_->exitCode, 0) << run_->said;
    // The lock is free again.
    const int fd = open((run_->runtime / "Quillon Sample.lock").c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
    close(fd);
    // The settings and the permanent data were written whole: they read back,
    // with what was set before the run, and nothing half-written lies about.
    qtest::FakeCore core;
    GxUserConfig settings(&core);
    ASSERT_TRUE(settings.Load(GxFromUtf8((run_->save / "userconf.dat").string())));
    EXPECT_FALSE(settings.m_UseSystemVoice);
    // The permanent data holds the script's permanent variables: it reads
    // whole only with the game's script loaded.
    const fs::path cwd = fs::current_path();
    fs::current_path(run_->game);
    ASSERT_TRUE(GxMountPackFile(u"sample.gxp"));
    ASSERT_TRUE(GxMoaStartup(&core));
    ASSERT_TRUE(LoadMoaBincode());
    GxUserDataPerman perman(&core);
    EXPECT_TRUE(perman.Load(GxFromUtf8((run_->save / "permanent.dat").string())));
    GxMoaShutdown();
    GxUnmountAllPackFiles();
    fs::current_path(cwd);
    for (const auto& entry : fs::directory_iterator(run_->save))
        EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
    // Every command of the script could be given.
    EXPECT_EQ(run_->said.find("playthrough:"), std::string::npos) << run_->said;
}

TEST_F(Playthrough, FramesAtNamedMomentsMatchTheirGoldens) {
    const std::string mismatch = gxtest::GoldenFontMismatch();
    if (!mismatch.empty()) GTEST_SKIP() << mismatch;
    const std::vector<unsigned char> movie = qtest::ReadBytes(run_->game / "movies" / "opening.wmv");
    const uint32_t movieCrc = movie.empty() ? 0 : CalcCrc32(movie.data(), u32(movie.size()));
    for (const Shot& s : kShots) {
        SCOPED_TRACE(s.name);
        if (s.movie && movieCrc != kGoldenMovieCrc) {
            std::printf("%s: the opening movie here (CRC-32 %08x) is not the goldens' (%08x)\n", s.name, movieCrc,
                        kGoldenMovieCrc);
            continue;
        }
        const std::vector<unsigned char> bytes = qtest::ReadBytes(run_->out / (std::string(s.name) + ".png"));
        pimage::image frame;
        ASSERT_TRUE(pimage::decode_png(bytes.data(), bytes.size(), frame)) << "no frame " << s.name;
        ASSERT_EQ(frame.width, 1024u);
        ASSERT_EQ(frame.height, 768u);
        std::vector<uint32_t> part;
        for (int y = s.y; y < s.y + s.h; ++y)
            part.insert(part.end(), frame.pixels.begin() + y * 1024 + s.x, frame.pixels.begin() + y * 1024 + s.x + s.w);
        EXPECT_TRUE(gxtest::MatchesGolden(s.name, part, u32(s.w), u32(s.h), "playthrough"));
    }
}

// Whatever this machine's ffmpeg made of it, the opening covers the whole
// window: each quarter of its frame shows something of it.
TEST_F(Playthrough, TheOpeningFillsTheWindow) {
    if (!fs::exists(run_->game / "movies" / "opening.wmv")) GTEST_SKIP() << "no ffmpeg, no opening";
    const std::vector<unsigned char> bytes = qtest::ReadBytes(run_->out / "opening.png");
    pimage::image frame;
    ASSERT_TRUE(pimage::decode_png(bytes.data(), bytes.size(), frame));
    ASSERT_EQ(frame.width, 1024u);
    for (int quarter = 0; quarter < 4; ++quarter) {
        u32 brightest = 0;
        for (u32 y = 384 * u32(quarter / 2); y < 384 * u32(quarter / 2 + 1); ++y)
            for (u32 x = 512 * u32(quarter % 2); x < 512 * u32(quarter % 2 + 1); ++x)
                for (int shift : {0, 8, 16}) brightest = std::max(brightest, frame.pixels[y * 1024 + x] >> shift & 0xFF);
        EXPECT_GT(brightest, 8u) << "quarter " << quarter;
    }
}

TEST_F(Playthrough, TheTitleMusicsFirstSecondIsTheMusicFile) {
    if (access("/usr/bin/sox", X_OK) != 0) GTEST_SKIP() << "sox is not installed";
    const std::vector<unsigned char> raw = qtest::ReadBytes(run_->out / "title_music.f32");
    ASSERT_EQ(raw.size(), 48000u * 2 * sizeof(float));
    std::vector<float> got(48000 * 2);
    std::memcpy(got.data(), raw.data(), raw.size());

    // The music begins with the title's first frame (after the opening's
    // sound has ramped out, 5 ms) and fades in over 50 ms: silent until the
    // next service pass of the audio back end (every fourth frame) sets its
    // volume, which the mixer ramps to in 5 ms, then sample for sample the
    // file at the user's music volume.
    const proctest::MusicComparison music = proctest::CompareWithMusicFile(
        got, run_->game / "bgms" / "title.ogg", GxUserConfig(nullptr).GetBGMVolumeLinear(), run_->temp.path(), 48000 / 200);
    ASSERT_TRUE(music.ok);
    EXPECT_LE(music.heard, 48000u * 5 / 60) << "the fade ends within five frames";
    EXPECT_GT(music.mean, 0.01) << "the music is heard";
    EXPECT_LT(music.worst, 1e-3) << "sample for sample";
}

// A run that starts the story at a label of the developer's choice from the
// title, as the debug scene's jump does: a label the script lacks is said and
// changes nothing, the next one starts the main scene there, with the screen
// faded in. JOIN follows the choice; MAIN, where "New Game" starts, comes
// before it.
TEST(PlaythroughLabel, StartsTheStoryAtTheLabelFromTheTitle) {
    const ScriptedRun run("wait SeqOpening\n+1 click 512 384\nlabel NOWHERE\nlabel JOIN\nwait SeqAvgMain\n+180 shot join\n+1 quit\n");
    ASSERT_TRUE(run.failure.empty()) << run.failure;
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.said.find("playthrough: line 3: label NOWHERE could not be given"), std::string::npos) << run.said;
    EXPECT_EQ(run.said.find("line 4"), std::string::npos) << run.said;
    const std::string debug = proctest::ReadUtf16File(run.save / "debug.log");
    EXPECT_NE(debug.find("The choice was taken"), std::string::npos) << debug;
    EXPECT_EQ(debug.find("The story begins"), std::string::npos) << debug;
    // The event picture JOIN shows, not the dark of a screen never faded in.
    const std::vector<unsigned char> png = qtest::ReadBytes(run.out / "join.png");
    pimage::image frame;
    ASSERT_TRUE(pimage::decode_png(png.data(), png.size(), frame));
    const uint32_t sky = frame.pixels[200 * frame.width + 512];
    EXPECT_GT((sky >> 16 & 0xFF) + (sky >> 8 & 0xFF) + (sky & 0xFF), 150u) << std::hex << sky;
}

} // namespace
