// The sample's story played by the real program, headless, as scripted runs
// (QUILLON_PLAYTHROUGH) on one game folder that each run leaves to the next,
// as a player's folder is: the whole story by clicks with its frames at
// named moments and its sound, and the extras it unlocks; auto mode; a
// save at the choice loaded for the other branch, with the backlog there;
// the settings changed in the configuration and heard after a restart, the
// voice page's faces; a save cut off by the file-size limit, told and the
// slot loaded whole afterwards.
#include "GameFolder.h"
#include "ProgramRun.h"

#include "base/GxStringUtil.h"
#include "gamedata/GxUserConfig.h"
#include "graphics/text_fixture.h"
#include "platform/image/image.h"
#include "support/FakeCore.h"
#include "support/FrameCapture.h"
#include "support/SampleGameCopy.h"
#include "tools/SamplePlayScreens.h"

#include <cstdio>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

namespace fs = std::filesystem;
using proctest::ReadText;

// The screen's points the runs press: the title's buttons, the play buttons
// under the message window, the first save slot, the dialog's "Yes", the
// configuration's tabs, sliders and buttons.
constexpr const char* kNewGame = "840 322";
constexpr const char* kLoad = "840 374";
constexpr const char* kSettings = "840 582";
constexpr const char* kExit = "840 686";
constexpr const char* kSaveButton = "690 578";
constexpr const char* kLoadButton = "774 578";
constexpr const char* kSlot1 = "270 206";
constexpr const char* kYes = "426 422";
constexpr const char* kSoundTab = "580 42";
constexpr const char* kConfigBack = "860 718";
constexpr const char* kGallery = "840 426";
constexpr const char* kReplay = "840 478";
constexpr const char* kMusic = "840 530";
constexpr const char* kSlot2 = "270 337";
constexpr const char* kMenuBack = "940 718";
constexpr const char* kExtrasBack = "950 720";
constexpr const char* kFirstThumbnail = "110 136";
constexpr const char* kSecondThumbnail = "276 136";
constexpr const char* kLogButton = "436 579";
constexpr const char* kVoiceTab = "785 42";
constexpr const char* kSecondPiece = "480 222";
constexpr const char* kAutoButton = "256 578";
constexpr const char* kSkipButton = "344 578";
// The choice's three buttons, centred on the screen's middle above the
// message window; a click there while no choice shows reads on.
constexpr const char* kChoice[] = {"512 215", "512 273", "512 331"};

// The story read by clicks: how many clicks (one every 45 passes) after New
// Game each named moment comes, counted from the moment before, and how many
// passes after the click it is taken (the star's line once Aki has stopped
// jumping: her shake is random); how many more clicks reach the title
// from the last; how many reach the choice. The shooting-star movie and Aki
// entering the night after the wipe are taken between two clicks, which
// keep their pace; they are not compared whole but checked below.
constexpr struct {
    int clicks;
    const char* shot;
    int passes;
    int firstClick = 45;  // passes from the shot before to the first click
} kStoryShots[] = {
    {10, "park", 20}, {6, "worried", 20},     {4, "text_block", 20},    {1, "wipe", 20},  {5, "road", 20},
    {3, "event", 20}, {4, "notice", 20},      {1, "movie", 40},         {3, "aki_enters", 40, 5},
    {2, "star_line", 40, 5},
    {1, "night", 20}, {1, "faded", 100},
};
constexpr int kStoryClicks = 12;
constexpr int kClicksToChoice = 21;
constexpr int kClicksAfterChoice = 40;

// One game folder and the runs made on it, in order.
class StoryGame {
public:
    StoryGame() {
        if (!qtest::CopyQuietSampleGame(game_, &failure_)) return;
        fs::create_directories(temp_.path() / "home");
        fs::create_directories(temp_.path() / "run");
    }
    const std::string& Failure() const { return failure_; }
    const fs::path& Save() const { return save_; }
    const fs::path& Game() const { return game_; }
    fs::path Out(const std::string& run) const { return temp_.path() / run; }

    // A whole run of the script, its frames, sound and notes in Out(run):
    // its exit code. Limits are prlimit's options for the program.
    int Play(const std::string& run, const std::string& script, const std::vector<std::string>& limits = {}) {
        const fs::path out = Out(run);
        fs::create_directories(out);
        qtest::WriteText(out / "script.txt", script);
        proctest::EnvChanges env = proctest::HeadlessEnv(temp_.path() / "run", temp_.path() / "home");
        env["QUILLON_PLAYTHROUGH"] = (out / "script.txt").string();
        const fs::path quillon = proctest::BuildFolder() / "app" / "quillon";
        std::vector<std::string> args = limits;
        args.push_back(quillon.string());
        const pid_t pid = limits.empty() ? proctest::Spawn(quillon, {}, game_, out / "said.txt", env)
                                         : proctest::Spawn("/usr/bin/prlimit", args, game_, out / "said.txt", env);
        return qtest::WaitExit(pid, std::chrono::seconds(120));
    }
    std::string Said(const std::string& run) const { return ReadText(Out(run) / "said.txt"); }
    std::string ErrorLog() const { return proctest::ReadUtf16File(save_ / "error.log"); }

    // A frame of a run, whole; empty when it was not written.
    std::vector<uint32_t> Frame(const std::string& run, const std::string& name) const {
        const std::vector<unsigned char> bytes = qtest::ReadBytes(Out(run) / (name + ".png"));
        pimage::image frame;
        if (bytes.empty() || !pimage::decode_png(bytes.data(), bytes.size(), frame) || frame.width != 1024) return {};
        return frame.pixels;
    }
    // The sound a run recorded: interleaved stereo floats at 48 kHz.
    std::vector<float> Sound(const std::string& run, const std::string& name) const {
        const std::vector<unsigned char> raw = qtest::ReadBytes(Out(run) / (name + ".f32"));
        std::vector<float> s(raw.size() / sizeof(float));
        std::memcpy(s.data(), raw.data(), s.size() * sizeof(float));
        return s;
    }

private:
    qtest::TempDir temp_;
    fs::path game_ = temp_.path() / "game";
    fs::path save_ = game_ / "QuillonSample_SAVE";
    std::string failure_;
};

// The lines of a script, each pressing a point: "+D move P", "+2 click P".
std::string Press(const char* point, int delay = 30) {
    return "+" + std::to_string(delay) + " move " + point + "\n+2 click " + point + "\n";
}

double Rms(const std::vector<float>& s, size_t from) {
    double sum = 0;
    for (size_t i = from; i < s.size(); ++i) sum += double(s[i]) * s[i];
    return s.size() > from ? std::sqrt(sum / double(s.size() - from)) : 0.0;
}

// The sanitizer build, several times slower, plays the shorter paths only:
// the save at the choice and its other branch, the settings, the kill.
bool LongPathsSkipped() {
#if defined(__SANITIZE_ADDRESS__)
    return true;
#else
    return false;
#endif
}

// Clicks at a point, one every `every` passes.
std::string Clicks(int count, const char* point, int every = 45) {
    std::string s;
    for (int i = 0; i < count; ++i) s += "+" + std::to_string(every) + " click " + point + "\n";
    return s;
}

// The sound a run recorded, as levels of tenths of a second.
std::vector<double> Levels(const std::vector<float>& s) {
    std::vector<double> out;
    for (size_t from = 0; from + 9600 <= s.size(); from += 9600) {
        double sum = 0;
        for (size_t i = from; i < from + 9600; ++i) sum += double(s[i]) * s[i];
        out.push_back(std::sqrt(sum / 9600));
    }
    return out;
}

using qtest::SameArea;

// The message window's text, without the click-wait icon that blinks.
bool SameMessage(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) { return SameArea(a, b, 40, 600, 900, 120); }

// The largest colour channel over a rectangle of a frame.
uint32_t Brightest(const std::vector<uint32_t>& frame, int left, int top, int width, int height) {
    uint32_t most = 0;
    for (int y = top; y < top + height; ++y)
        for (int x = left; x < left + width; ++x)
            for (int shift : {0, 8, 16}) most = std::max(most, frame[size_t(y) * 1024 + size_t(x)] >> shift & 0xFF);
    return most;
}

// Where the sample's generator lays a screen's widget out, and its module.
struct Placed {
    const qtools::SampleLayout* layout = nullptr;
    const qtools::SampleModule* module = nullptr;
};
Placed Find(const std::string& parent, const std::string& task, int index) {
    static qtools::SampleFiles files;
    static std::vector<qtools::SampleModule> modules;
    static std::vector<qtools::SampleLayout> layouts;
    std::string error;
    if (layouts.empty()) qtools::AddPlayScreens(files, modules, layouts, error);
    Placed p;
    for (const qtools::SampleLayout& l : layouts)
        if (l.parent == parent && l.task == task && l.index == index) p.layout = &l;
    for (const qtools::SampleModule& m : modules)
        if (p.layout && m.name == p.layout->module) p.module = &m;
    return p;
}

TEST(StoryPlaythrough, SettingsChangedInTheConfigurationSurviveARestart) {
    StoryGame game;
    ASSERT_TRUE(game.Failure().empty()) << game.Failure();
    // The title's music at the settings as they start; then the text speed
    // to its fastest and the music slider well down, back to the title, and
    // out through the end-game dialog.
    const std::string change = std::string("wait SeqTitle\n+0 sound before 1\n") + Press(kSettings, 70) +
                               "wait SeqConfig\n+30 move 600 202\n+1 down left 600 202\n+2 move 720 202\n"
                               "+2 up left 720 202\n" + Press(kSoundTab, 10) +
                               "+20 move 660 202\n+1 down left 660 202\n+2 move 560 202\n+2 up left 560 202\n" +
                               Press(kConfigBack, 10) + "wait SeqTitle\n" + Press(kExit, 30) + Press(kYes, 20);
    ASSERT_EQ(game.Play("change", change), 0) << game.Said("change");

    qtest::FakeCore core;
    GxUserConfig saved(&core), defaults(&core);
    ASSERT_TRUE(saved.Load(GxFromUtf8((game.Save() / "userconf.dat").string())));
    EXPECT_LT(saved.m_TextWaitTime, defaults.m_TextWaitTime) << "faster text";
    EXPECT_EQ(saved.m_TextLongWaitTime, 8 * saved.m_TextWaitTime);
    EXPECT_LT(saved.m_Volume_BGM, defaults.m_Volume_BGM) << "quieter music";
    EXPECT_GT(saved.m_Volume_BGM, 0);

    // Started again: the title's music is heard at the new volume, and the
    // configuration shows the settings as they were left; the voice page
    // its speakers' faces, where Aki's system voices are switched off;
    // Backspace (the key map's CANCEL) leaves it.
    const qtools::SampleLayout* akiCalls = Find("$UI_VOICE:SeqConfig", "btn_systemvoice", 1).layout;
    ASSERT_NE(akiCalls, nullptr);
    const std::string calls = std::to_string(int(akiCalls->left) + 60) + " " + std::to_string(int(akiCalls->top) + 15);
    const std::string again = std::string("wait SeqTitle\n+0 sound after 1\n") + Press(kSettings, 70) +
                              "wait SeqConfig\n+30 shot system\n" + Press(kSoundTab, 1) + "+20 shot sound\n" +
                              Press(kVoiceTab, 1) + "+20 shot voice\n" + Press(calls.c_str(), 1) +
                              "+1 keydown Backspace\n+3 keyup Backspace\nwait SeqTitle\n+1 quit\n";
    ASSERT_EQ(game.Play("again", again), 0) << game.Said("again");
    const std::vector<float> before = game.Sound("change", "before"), after = game.Sound("again", "after");
    ASSERT_EQ(before.size(), 48000u * 2);
    ASSERT_EQ(after.size(), 48000u * 2);
    // Past the fade-in of the first frames, the level is the file's at the
    // gain each setting gives.
    const double expected = saved.GetBGMVolumeLinear() / defaults.GetBGMVolumeLinear();
    EXPECT_NEAR(Rms(after, 9600) / Rms(before, 9600), expected, 0.01) << "music at " << saved.m_Volume_BGM;
    GxUserConfig reread(&core);
    ASSERT_TRUE(reread.Load(GxFromUtf8((game.Save() / "userconf.dat").string())));
    EXPECT_EQ(reread.m_TextWaitTime, saved.m_TextWaitTime);
    EXPECT_EQ(reread.m_Volume_BGM, saved.m_Volume_BGM);
    EXPECT_TRUE(saved.m_SystemVoice_Activated[1]);
    EXPECT_FALSE(reread.m_SystemVoice_Activated[1]) << "Aki's system voices, switched off on her panel";
    EXPECT_TRUE(reread.m_SystemVoice_Activated[2]);
    // The voice page's faces are seen where the scene draws them, at their
    // plates: the system voice's microphone, the friends' faces.
    const std::vector<uint32_t> voice = game.Frame("again", "voice");
    ASSERT_FALSE(voice.empty());
    const struct {
        int row, x, y;
        uint32_t colour;
    } kFaces[] = {{0, 40, 20, 0xFFFFFFFF}, {1, 40, 40, 0xFFF8DCC4}, {2, 40, 40, 0xFFF8DCC4}};
    for (const auto& f : kFaces) {
        const qtools::SampleLayout* plate = Find("$UI_VOICE:SeqConfig", "tip_voiceplate", f.row).layout;
        ASSERT_NE(plate, nullptr);
        EXPECT_EQ(voice[size_t(plate->top + float(f.y)) * 1024 + size_t(plate->left + float(f.x))], f.colour) << f.row;
    }
    // The pages show the settings as they were left: the text speed's knob
    // at the right end, the music's left of where it starts.
    const std::string mismatch = gxtest::GoldenFontMismatch();
    if (!mismatch.empty()) GTEST_SKIP() << mismatch;
    for (const char* page : {"system", "sound", "voice"}) {
        const std::vector<uint32_t> frame = game.Frame("again", page);
        ASSERT_FALSE(frame.empty()) << page;
        EXPECT_TRUE(gxtest::MatchesGolden(std::string("config_") + page, frame, 1024, 768, "playthrough"));
    }
}

TEST(StoryPlaythrough, ASaveCutOffByTheFileSizeLimitFailsAndLeavesTheSlotWhole) {
    StoryGame game;
    ASSERT_TRUE(game.Failure().empty()) << game.Failure();
    // The first line, saved in slot 1.
    const std::string first = std::string("wait SeqTitle\n") + Press(kNewGame) + "wait SeqAvgMain\n+200 shot line\n" +
                              Press(kSaveButton, 1) + "wait SeqSave\n" + Press(kSlot1) + Press(kYes) + "+30 quit\n";
    ASSERT_EQ(game.Play("first", first), 0) << game.Said("first");
    const std::vector<unsigned char> old = qtest::ReadBytes(game.Save() / "gamedata001.gd");
    ASSERT_FALSE(old.empty());

    // Loaded, one line on, and saved over slot 1 by a program that may write
    // no file larger than the largest the run wrote before: the write fails
    // in the middle of the save, which is told, and the game goes on.
    const std::string second = std::string("wait SeqTitle\n") + Press(kLoad) + "wait SeqLoad\n" + Press(kSlot1) +
                               Press(kYes) + "wait SeqAvgMain\n+60 click 512 300\n+200 shot line\n" +
                               Press(kSaveButton, 1) + "wait SeqSave\n" + Press(kSlot1) + Press(kYes) + "+30 quit\n";
    uintmax_t largest = 0;
    for (const auto& entry : fs::directory_iterator(game.Save()))
        if (entry.path().extension() != ".gd") largest = std::max<uintmax_t>(largest, entry.file_size());
    EXPECT_EQ(game.Play("second", second, {"--fsize=" + std::to_string(largest + 256)}), 0) << game.Said("second");
    const bool midWrite = game.ErrorLog().find("gamedata001.gd:write: File too large") != std::string::npos;
    std::printf("the second save %s\n", midWrite ? "was cut off by the limit" : "was smaller than the limit");

    // Started again, the slot loads whole: the old save when the new one was
    // cut off.
    const std::string load = std::string("wait SeqTitle\n") + Press(kLoad) + "wait SeqLoad\n" + Press(kSlot1) +
                             Press(kYes) + "wait SeqAvgMain\n+120 shot loaded\n+1 quit\n";
    ASSERT_EQ(game.Play("load", load), 0) << game.Said("load");
    const std::vector<uint32_t> loaded = game.Frame("load", "loaded");
    if (midWrite) {
        EXPECT_EQ(qtest::ReadBytes(game.Save() / "gamedata001.gd"), old) << "the old save, untouched";
        EXPECT_TRUE(SameMessage(loaded, game.Frame("first", "line"))) << "the line the old save was made at";
    } else {
        EXPECT_TRUE(SameMessage(loaded, game.Frame("second", "line"))) << "the line the new save was made at";
    }
    EXPECT_FALSE(SameMessage(game.Frame("first", "line"), game.Frame("second", "line")));
    if (!midWrite) {
        EXPECT_EQ(game.ErrorLog().find("gamedata001"), std::string::npos) << game.ErrorLog();
    }
}

// The story read by clicks from the title to the title again, its first
// choice taken; then what it unlocked: the gallery's pictures in the viewer,
// the gallery left by a tap of Backspace, the replay of its night, the
// title's "Extra", and the music room's morning music from its first sample.
TEST(StoryPlaythrough, TheWholeStoryByClicksUnlocksTheExtras) {
    if (LongPathsSkipped()) GTEST_SKIP() << "a long path: the optimised build plays it";
    StoryGame game;
    ASSERT_TRUE(game.Failure().empty()) << game.Failure();
    std::string story = std::string("wait SeqTitle\n") + Press(kNewGame) + "wait SeqAvgMain\n+0 sound story 60\n";
    for (const auto& moment : kStoryShots)
        story += "+" + std::to_string(moment.firstClick) + " click " + kChoice[0] + "\n" +
                 Clicks(moment.clicks - 1, kChoice[0]) + "+" + std::to_string(moment.passes) + " shot " + moment.shot + "\n";
    story += Clicks(kStoryClicks, kChoice[0]) + "wait SeqTitle\n+60 shot title_after\n" + Press(kGallery) +
             "wait SeqCGMode\n+40 shot gallery\n" + Press(kFirstThumbnail, 1) + "wait SeqCGModeView\n+60 shot viewer\n" +
             "+1 down right 512 384\n+1 up right 512 384\nwait SeqCGMode\n" + Press(kSecondThumbnail) +
             "wait SeqCGModeView\n+90 shot viewer_wide\n+1 keydown Backspace\n+3 keyup Backspace\nwait SeqCGMode\n" +
             "+30 key Backspace\nwait SeqTitle\n" + Press(kReplay) + "wait SeqRPMode\n+40 shot replay\n" +
             Press(kFirstThumbnail, 1) + "wait SeqAvgMain\n" + Clicks(3, "512 400", 60) + "+60 shot replay_line\n" +
             Clicks(1, "512 400", 60) + "wait SeqRPMode\n+0 shot replay_end\n" + Press(kExtrasBack) +
             "wait SeqTitle\n" + Press(kMusic) +
             "wait SeqBGMMode\n+90 move " + kSecondPiece + "\n+2 click " + kSecondPiece + "\n+0 sound piece 1\n" +
             "+70 shot music\n" + Press(kExtrasBack) + "wait SeqTitle\n" + Press(kExit) + Press(kYes, 20);
    ASSERT_EQ(game.Play("story", story), 0) << game.Said("story");
    EXPECT_EQ(game.Said("story").find("playthrough:"), std::string::npos) << game.Said("story");
    EXPECT_EQ(game.ErrorLog().find("err:"), std::string::npos) << game.ErrorLog();

    // The replayed line names its speaker in the name window, as the story
    // did; the fade at the end leaves no window on the black. The replay
    // fades out too: the replay page comes up over the black.
    EXPECT_TRUE(SameArea(game.Frame("story", "replay_line"), game.Frame("story", "star_line"), 40, 508, 220, 44));
    const std::vector<uint32_t> faded = game.Frame("story", "faded");
    ASSERT_FALSE(faded.empty());
    EXPECT_EQ(Brightest(faded, 0, 500, 1024, 268), 0u) << "the windows over the faded screen";
    const std::vector<uint32_t> replayEnd = game.Frame("story", "replay_end");
    ASSERT_FALSE(replayEnd.empty());
    EXPECT_LT(Brightest(replayEnd, 0, 0, 1024, 768), 0x30u) << "the replay's last frame under the page";
    // While Aki enters the night, the window stays hidden: it shows neither
    // the day's last line nor anything else left of her.
    const std::vector<uint32_t> enters = game.Frame("story", "aki_enters");
    ASSERT_FALSE(enters.empty());
    EXPECT_LT(Brightest(enters, 40, 560, 300, 190), 0x60u) << "the message window while Aki fades in";
    // The movie plays with the window hidden too: nothing of the window's
    // rim along its top edge over the starry sky.
    if (fs::exists(game.Game() / "movies" / "star.wmv")) {
        const std::vector<uint32_t> movie = game.Frame("story", "movie");
        const qtools::SampleLayout* window = Find("$UI:SeqAvgMain", "$MESWIN:SeqAvgMain", 0).layout;
        ASSERT_TRUE(!movie.empty() && window);
        const size_t rimRow = size_t(window->top) + 1;
        size_t rim = 0;
        for (size_t x = 100; x < 900; ++x) rim += (movie[rimRow * 1024 + x] & 0xFFFFFF) == 0x9AB8FF;
        EXPECT_EQ(rim, 0u) << "the message window over the movie";
    }

    // The frames at the named moments.
    const std::string mismatch = gxtest::GoldenFontMismatch();
    if (mismatch.empty()) {
        std::vector<std::string> shots = {"title_after", "gallery",     "viewer", "viewer_wide",
                                          "replay",      "replay_line", "music"};
        for (const auto& moment : kStoryShots)
            if (std::string(moment.shot) != "aki_enters" && std::string(moment.shot) != "movie") shots.push_back(moment.shot);
        for (const std::string& shot : shots) {
            const std::vector<uint32_t> frame = game.Frame("story", shot);
            ASSERT_FALSE(frame.empty()) << shot;
            EXPECT_TRUE(gxtest::MatchesGolden("story_" + shot, frame, 1024, 768, "playthrough"));
        }
    } else {
        std::printf("frames not compared: %s\n", mismatch.c_str());
    }

    // The story's sound: music and voices throughout, never over full scale
    // at the default volumes, then a second of silence after the music has
    // faded out, before the title's returns.
    const std::vector<float> sound = game.Sound("story", "story");
    float peak = 0;
    for (float v : sound) peak = std::max(peak, std::fabs(v));
    EXPECT_LT(peak, 1.0f) << "the mix clips";
    const std::vector<double> levels = Levels(sound);
    ASSERT_GE(levels.size(), 400u) << "the story and the title after it";
    size_t loud = 0, silentRun = 0, longestSilence = 0;
    for (double l : levels) {
        loud += l > 0.01;
        silentRun = l < 1e-5 ? silentRun + 1 : 0;
        longestSilence = std::max(longestSilence, silentRun);
    }
    EXPECT_GT(loud, 300u) << "heard most of the time";
    EXPECT_GE(longestSilence, 8u) << "silent after the music stops";

    // The music room's second piece, the morning's music, from its first
    // sample at the music's volume, past the button's click (80 ms).
    if (access("/usr/bin/sox", X_OK) == 0) {
        const proctest::MusicComparison music =
            proctest::CompareWithMusicFile(game.Sound("story", "piece"), game.Game() / "bgms" / "day.ogg",
                                           GxUserConfig(nullptr).GetBGMVolumeLinear(), game.Out("story"), 48000 / 10);
        ASSERT_TRUE(music.ok);
        EXPECT_GT(music.mean, 0.01) << "the music is heard";
        EXPECT_LT(music.worst, 1e-3) << "sample for sample";
    }
}

// The same story in auto mode and in skip mode (unread text allowed), each
// kept after a choice: it reaches the title with no click but the mode's
// button and the choice's.
TEST(StoryPlaythrough, AutoAndSkipModesReadTheStoryWithoutClicks) {
    if (LongPathsSkipped()) GTEST_SKIP() << "a long path: the optimised build plays it";
    StoryGame game;
    ASSERT_TRUE(game.Failure().empty()) << game.Failure();
    qtest::FakeCore core;
    core.m_SaveDir = GxFromUtf8(game.Save().string()) + u"/";
    GxUserConfig settings(&core);
    ASSERT_TRUE(settings.Load(GxFromUtf8((game.Save() / "userconf.dat").string())));
    settings.m_KeepAutoModeAfterSelect = true;
    settings.m_KeepSkipModeAfterSelect = true;
    settings.m_AllowSkipUnreadText = true;
    settings.m_AutoWaitTime = 500;
    ASSERT_TRUE(settings.Save());

    const struct {
        const char *run, *button, *choice;
        int passes;  // enough for the mode to reach the choice
    } kModes[] = {{"auto", kAutoButton, kChoice[2], 2400}, {"skip", kSkipButton, kChoice[1], 600}};
    for (const auto& m : kModes) {
        const std::string script = std::string("wait SeqTitle\n") + Press(kNewGame) + "wait SeqAvgMain\n" +
                                   Press(m.button, 30) + "+" + std::to_string(m.passes) + " shot " + m.run + "\n" +
                                   Press(m.choice, 1) + "wait SeqTitle\n+60 shot title\n+300 shot later\n+1 quit\n";
        EXPECT_EQ(game.Play(m.run, script), 0) << game.Said(m.run);
        // The story's notices end with it: once the title has faded in,
        // its corner shows what it will show seconds later.
        EXPECT_TRUE(SameArea(game.Frame(m.run, "title"), game.Frame(m.run, "later"), 600, 0, 424, 100)) << m.run;
    }
    EXPECT_EQ(game.ErrorLog().find("err:"), std::string::npos) << game.ErrorLog();
    // It stopped at the choice, its buttons on the screen.
    const std::string mismatch = gxtest::GoldenFontMismatch();
    if (!mismatch.empty()) GTEST_SKIP() << mismatch;
    for (const char* run : {"auto", "skip"}) {
        const std::vector<uint32_t> frame = game.Frame(run, run);
        ASSERT_FALSE(frame.empty()) << run;
        EXPECT_TRUE(gxtest::MatchesGolden(std::string("story_") + run + "_choice", frame, 1024, 768, "playthrough"));
    }
}

// Saved while the choice shows, the story read on by its first branch to
// the title; then loaded from the title, the choice is there again and the
// second branch is taken; loaded once more from the play screen, the third.
TEST(StoryPlaythrough, ASaveAtTheChoiceLeadsToTheOtherBranch) {
    StoryGame game;
    ASSERT_TRUE(game.Failure().empty()) << game.Failure();
    const std::string script =
        std::string("wait SeqTitle\n") + Press(kNewGame) + "wait SeqAvgMain\n" + Clicks(kClicksToChoice, "512 400") +
        "+60 shot choice\n" + Press(kLogButton, 1) + "wait SeqAvgLog\n+40 shot backlog\n" +
        "+1 down right 512 384\n+1 up right 512 384\nwait SeqAvgMain\n" + Press(kSaveButton, 30) + "wait SeqSave\n" +
        Press(kSlot2) + Press(kYes) +
        Press(kMenuBack, 30) + "wait SeqAvgMain\n" + Clicks(kClicksAfterChoice, kChoice[0]) + "wait SeqTitle\n" + Press(kLoad) +
        "wait SeqLoad\n" + Press(kSlot2) + Press(kYes) + "wait SeqAvgMain\n+60 shot loaded\n" + Press(kChoice[1], 1) +
        "+150 shot hill\n" + Press(kLoadButton, 1) + "wait SeqLoad\n" + Press(kSlot2) + Press(kYes) +
        "wait SeqAvgMain\n" + Press(kChoice[2], 60) + "+150 shot town\n+1 quit\n";
    ASSERT_EQ(game.Play("branch", script), 0) << game.Said("branch");
    EXPECT_EQ(game.ErrorLog().find("err:"), std::string::npos) << game.ErrorLog();
    // The loaded game shows the choice as it was saved (the pointer now
    // over its last button).
    const std::vector<uint32_t> choice = game.Frame("branch", "choice"), loaded = game.Frame("branch", "loaded");
    ASSERT_FALSE(choice.empty());
    EXPECT_TRUE(SameMessage(loaded, choice));
    // In the town, as by the sea, both friends stay as they stood at the
    // choice.
    const std::vector<uint32_t> town = game.Frame("branch", "town");
    EXPECT_TRUE(SameArea(town, choice, 280, 460, 120, 80)) << "Aki in the town";
    EXPECT_TRUE(SameArea(town, choice, 740, 460, 120, 80)) << "Yu in the town";
    // The backlog's last plate holds the text block before the choice, the
    // speaker's name over three lines: nothing of it below its text region.
    const std::vector<uint32_t> backlog = game.Frame("branch", "backlog");
    const Placed last = Find("$UI:SeqAvgLog", "tip_logwindow", 4);
    ASSERT_TRUE(!backlog.empty() && last.layout && last.module);
    const int left = int(last.layout->left) + last.module->clientLeft;
    const int below = int(last.layout->top) + last.module->clientTop + last.module->clientHeight;
    uint32_t textBelow = 0;  // the text is white, with a dark shadow
    for (int y = below; y < 768; ++y)
        for (int x = left; x < left + last.module->clientWidth; ++x)
            if ((backlog[size_t(y) * 1024 + size_t(x)] & 0xE0E0E0) == 0xE0E0E0) ++textBelow;
    EXPECT_EQ(textBelow, 0u) << "text below the last plate's text region, from y " << below;
    const std::string mismatch = gxtest::GoldenFontMismatch();
    if (!mismatch.empty()) GTEST_SKIP() << mismatch;
    EXPECT_TRUE(gxtest::MatchesGolden("story_choice", choice, 1024, 768, "playthrough"));
    EXPECT_TRUE(gxtest::MatchesGolden("story_loaded", loaded, 1024, 768, "playthrough"));
    EXPECT_TRUE(gxtest::MatchesGolden("story_backlog", backlog, 1024, 768, "playthrough"));
    EXPECT_TRUE(gxtest::MatchesGolden("story_hill", game.Frame("branch", "hill"), 1024, 768, "playthrough"));
    EXPECT_TRUE(gxtest::MatchesGolden("story_town", town, 1024, 768, "playthrough"));
}

} // namespace
