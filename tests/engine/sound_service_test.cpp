// The process object starts both audio back ends, runs their service every
// fourth pass and shuts them down; without a sound device (the tests' dummy
// driver) sounds still end, fade and loop on the clock, silently.
#include "GameFolder.h"

#include "engine/GxCore.h"
#include "media/sound/GxAudio.h"
#include "media/sound/GxSound.h"
#include "platform/audio/output_device.h"
#include "tools/builders/SoundFiles.h"

namespace {

using proctest::GameFolderTest;

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
    WriteGame("Sounds", "SAVE_TO_MYDOCUMENTS=0\n");
    const std::vector<uint8_t> wav = qtest::BuildWav({}, qtest::CountingPcm16(24000, 2));  // half a second
    qtest::WriteBytes(game_ / "half.wav", std::vector<unsigned char>(wav.begin(), wav.end()));
    testing::internal::CaptureStderr();
    ASSERT_TRUE(core_.Initialize());
    testing::internal::GetCapturedStderr();
    EXPECT_TRUE(paudio::output_device::instance().is_null());

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

} // namespace
