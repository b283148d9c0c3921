// The sample's story played by the real program, headless, as scripted runs
// (QUILLON_PLAYTHROUGH) on one game folder that each run leaves to the next,
// as a player's folder is: the settings changed in the configuration and
// heard after a restart; a save overwritten while the program is killed,
// and the slot loaded whole afterwards.
#include "GameFolder.h"
#include "ProgramRun.h"

#include "base/GxStringUtil.h"
#include "gamedata/GxUserConfig.h"
#include "graphics/text_fixture.h"
#include "platform/image/image.h"
#include "support/FakeCore.h"
#include "support/SampleGameCopy.h"

#include <csignal>
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
constexpr const char* kSaveButton = "530 578";
constexpr const char* kSlot1 = "270 206";
constexpr const char* kYes = "426 422";
constexpr const char* kSoundTab = "580 42";
constexpr const char* kConfigBack = "860 718";

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

// The message window's text, without the click-wait icon that blinks.
bool SameMessage(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
    if (a.empty() || b.empty()) return false;
    for (int y = 600; y < 720; ++y)
        for (int x = 40; x < 940; ++x)
            if (a[size_t(y) * 1024 + size_t(x)] != b[size_t(y) * 1024 + size_t(x)]) return false;
    return true;
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
    // configuration shows the settings as they were left.
    const std::string again = std::string("wait SeqTitle\n+0 sound after 1\n") + Press(kSettings, 70) +
                              "wait SeqConfig\n+30 shot system\n" + Press(kSoundTab, 1) + "+20 shot sound\n+1 quit\n";
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
    // The pages show the settings as they were left: the text speed's knob
    // at the right end, the music's left of where it starts.
    const std::string mismatch = gxtest::GoldenFontMismatch();
    if (!mismatch.empty()) GTEST_SKIP() << mismatch;
    for (const char* page : {"system", "sound"}) {
        const std::vector<uint32_t> frame = game.Frame("again", page);
        ASSERT_FALSE(frame.empty()) << page;
        EXPECT_TRUE(gxtest::MatchesGolden(std::string("config_") + page, frame, 1024, 768, "playthrough"));
    }
}

TEST(StoryPlaythrough, AKillWhileASaveIsWrittenLeavesTheSlotWhole) {
    StoryGame game;
    ASSERT_TRUE(game.Failure().empty()) << game.Failure();
    // The first line, saved in slot 1.
    const std::string first = std::string("wait SeqTitle\n") + Press(kNewGame) + "wait SeqAvgMain\n+200 shot line\n" +
                              Press(kSaveButton, 1) + "wait SeqSave\n" + Press(kSlot1) + Press(kYes) + "+30 quit\n";
    ASSERT_EQ(game.Play("first", first), 0) << game.Said("first");
    const std::vector<unsigned char> old = qtest::ReadBytes(game.Save() / "gamedata001.gd");
    ASSERT_FALSE(old.empty());

    // Loaded, one line on, and saved over slot 1 by a program that may write
    // no file larger than the largest the run wrote before: the kernel kills
    // it (SIGXFSZ) in the middle of writing the save, as a crash would.
    const std::string second = std::string("wait SeqTitle\n") + Press(kLoad) + "wait SeqLoad\n" + Press(kSlot1) +
                               Press(kYes) + "wait SeqAvgMain\n+60 click 512 300\n+200 shot line\n" +
                               Press(kSaveButton, 1) + "wait SeqSave\n" + Press(kSlot1) + Press(kYes) + "+30 quit\n";
    uintmax_t largest = 0;
    for (const auto& entry : fs::directory_iterator(game.Save()))
        if (entry.path().extension() != ".gd") largest = std::max<uintmax_t>(largest, entry.file_size());
    const int killed = game.Play("second", second, {"--fsize=" + std::to_string(largest + 256)});
    const bool midWrite = killed == 128 + SIGXFSZ;
    std::printf("the second save %s\n", midWrite ? "was cut off by the kill" : "was smaller than the limit");
    if (!midWrite) {
        EXPECT_EQ(killed, 0) << game.Said("second");
    }

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
    EXPECT_EQ(game.ErrorLog().find("gamedata001"), std::string::npos) << game.ErrorLog();
}

} // namespace
