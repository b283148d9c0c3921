// The sound waits as the main scene keeps them: the script goes on once the
// music, effect or voice it waits for has ended, or at once on a click that
// the wait's flags name, which stops that sound.
#include "MainSceneFixture.h"

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

class SoundWaits : public maintest::MainSceneTest {
protected:
    void SetUp() override {
        MainSceneTest::SetUp();
        for (const GxChar* name : {u"BGM", u"BGM.WA", u"SE", u"SE.WA", u"VO", u"VO.WA"}) builder_.DeclareBuiltin(name);
        // Three seconds each: longer than the scene takes to start.
        for (const char* file : {"bgms/long.wav", "sounds/se/long.wav", "voices/long.wav"}) WriteWav(file, 144000, 8000);
    }
};

TEST_F(SoundWaits, TheScriptGoesOnWhenTheSoundEndsOrOnAClick) {
    struct Row {
        const char16_t* script;
        s32 GxUserData::*hold;
        bool (*playing)();
        bool click, clickEnds;
    };
    const Row rows[] = {
        {u"*start\nBGM(\"long\", 0, 1)\nBGM.WA()\ntwaitclick()\n", &GxUserData::m_Hold_EndOfBGM, GxIsBgmPlaying, false, false},
        {u"*start\nSE(\"long\")\nSE.WA()\ntwaitclick()\n", &GxUserData::m_Hold_EndOfSE, GxIsSePlaying, false, false},
        {u"*start\nVO(\"long\")\nVO.WA()\ntwaitclick()\n", &GxUserData::m_Hold_EndOfVoice, GxIsVoicePlaying, false, false},
        {u"*start\nSE(\"long\")\nSE.WA()\ntwaitclick()\n", &GxUserData::m_Hold_EndOfSE, GxIsSePlaying, true, true},
        {u"*start\nBGM(\"long\")\nBGM.WA(0, 2)\ntwaitclick()\n", &GxUserData::m_Hold_EndOfBGM, GxIsBgmPlaying, true, true},
        // Flags without the click's bit: the click leaves the wait alone.
        {u"*start\nVO(\"long\")\nVO.WA(0, 4)\ntwaitclick()\n", &GxUserData::m_Hold_EndOfVoice, GxIsVoicePlaying, true, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(GxToUtf8(r.script));
        Play(r.script);
        ASSERT_TRUE(r.playing());
        EXPECT_NE(data_.get()->*r.hold, 0);
        EXPECT_EQ(data_->m_Hold_WaitClick, 0) << "held before the next line";
        if (r.click) {
            Click();
            Frame();
            EXPECT_EQ(r.playing(), !r.clickEnds);
        }
        ASSERT_TRUE(FramesUntil([&] { return !r.playing(); }, 300));
        Frame();
        EXPECT_EQ(data_.get()->*r.hold, 0);
        EXPECT_EQ(data_->m_Hold_WaitClick, 3) << "the line after the wait ran";
        Restart();
    }
}

} // namespace
