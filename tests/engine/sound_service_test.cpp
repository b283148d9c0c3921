// The process object starts both audio back ends, runs their service every
// fourth pass and shuts them down; without a sound device (the tests' dummy
// driver, or one that does not open) sounds still end, fade and loop on the
// clock, silently, and only a device that failed is told to the player.
#include "GameFolder.h"

#include "base/GxStringUtil.h"
#include "engine/GxCore.h"
#include "game/SeqSystem.h"
#include "media/sound/GxAudio.h"
#include "media/sound/GxSound.h"
#include "platform/audio/output_device.h"
#include "tools/builders/SoundFiles.h"

namespace {

using proctest::GameFolderTest;
namespace fs = std::filesystem;

class SoundService : public GameFolderTest {
protected:
    void SetUp() override {
        GameFolderTest::SetUp();
        setenv("SDL_AUDIODRIVER", "dummy", 1);
    }
    void TearDown() override {
        if (core_.IsStarted()) core_.Finalize();
        GameFolderTest::TearDown();
    }
    GxCore core_;
};

TEST_F(SoundService, RunsSilentlyOnTheClockWithoutADevice) {
    // A driver that names no device fails as a machine without a sound card
    // does, and one that starts but whose device does not open (the disk
    // driver's file in no folder) as a sound system without a device does;
    // the dummy driver is a headless run's own choice.
    for (const char* driver : {"dummy", "no-such-driver", "disk"}) {
        SCOPED_TRACE(driver);
        const bool failed = std::string(driver) != "dummy";
        fs::remove_all(game_ / "Save_Sounds");
        setenv("SDL_AUDIODRIVER", driver, 1);
        setenv("SDL_DISKAUDIOFILE", (game_ / "no such folder" / "sound.raw").c_str(), 1);
        WriteGame("Sounds", "SAVE_TO_MYDOCUMENTS=0\n");
        const std::vector<uint8_t> wav = qtest::BuildWav({}, qtest::CountingPcm16(24000, 2));  // half a second
        qtest::WriteBytes(game_ / "half.wav", std::vector<unsigned char>(wav.begin(), wav.end()));
        testing::internal::CaptureStderr();
        ASSERT_TRUE(core_.Initialize());
        testing::internal::GetCapturedStderr();
        EXPECT_TRUE(paudio::output_device::instance().is_null());
        std::vector<std::string> notices;
        for (const GxNoticeParam& n : SeqSystem::Get()->GetSystemNotices()) notices.push_back(GxToUtf8(n.m_Text));
        EXPECT_EQ(notices, failed ? std::vector<std::string>{"サウンドデバイスを開けないため、音声なしで動作しています"}
                                  : std::vector<std::string>{});
        const std::string log = proctest::ReadUtf16File(game_ / "Save_Sounds" / "error.log");
        EXPECT_EQ(log.find("GxCore/サウンドデバイスを開けませんでした(") != std::string::npos, failed) << log;

        ASSERT_TRUE(GxAudio::PlayStream(2, u"half.wav", 0, 0, 0, 1.0f, 0, 0));
        ASSERT_TRUE(GxSound::PlayStream(2, u"half.wav", 0, 0, 0, 0, 0, 0));
        ASSERT_TRUE(GxAudio::PlayStream(3, u"half.wav", -1, 0, 0, 1.0f, 0, 0));
        ASSERT_TRUE(GxAudio::PlayOneShot(nullptr, u"half.wav", 0, 0, 0, 1.0f, 0));
        EXPECT_EQ(GxAudio::GetOneShotCount(), 1u);
        // A second of frames at 60 a second, paced by the test's clock.
        for (int i = 0; i < 60; ++i) ASSERT_TRUE(core_.RunPass());
        EXPECT_FALSE(GxAudio::IsStreamPlaying(2)) << "played to its end";
        EXPECT_FALSE(GxSound::IsStreamPlaying(2)) << "played to its end";
        EXPECT_TRUE(GxAudio::IsStreamPlaying(3)) << "loops on";
        EXPECT_EQ(GxAudio::GetOneShotCount(), 0u) << "the service pass deleted the ended one-shot";

        ASSERT_TRUE(GxAudio::FadeOutStream(3, 200));
        for (int i = 0; i < 20; ++i) ASSERT_TRUE(core_.RunPass());
        EXPECT_FALSE(GxAudio::IsStreamPlaying(3)) << "faded out on the clock";

        core_.Finalize();
        EXPECT_FALSE(GxAudio::PlayStream(2, u"half.wav", 0, 0, 0, 1.0f, 0, 0));
        EXPECT_FALSE(GxSound::PlayStream(2, u"half.wav", 0, 0, 0, 0, 0, 0));
        EXPECT_FALSE(paudio::output_device::instance().is_open());
    }
    unsetenv("SDL_DISKAUDIOFILE");
}

} // namespace
