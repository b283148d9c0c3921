// The user settings: the stored form against a hand-made golden file, the
// volume curve and getters, and damaged or foreign files.
#include "GameDataFixture.h"

#include "gamedata/GxUserConfig.h"
#include "io/GxContentBinaryWriter.h"
#include "support/Golden.h"
#include "support/LogCapture.h"
#include "platform/system/safe_file.h"

namespace {

using gdtest::GameDataTest;

// The values of tests/golden/gamedata/userconf.dat.
void SetGoldenValues(GxUserConfig& c) {
    c.m_ScreenMode = 1;
    c.m_TextWaitTime = 30;
    c.m_TextLongWaitTime = 240;
    c.m_AutoWaitTime = 2000;
    c.m_TextWindowOpacity = 128;
    bool* switches[] = {&c.m_AllowSkipUnreadText,     &c.m_FastShowReadedText,      &c.m_ChangeColorReadedText,
                        &c.m_ChangeColorSelectedMenu, &c.m_KeepAutoModeAfterSelect, &c.m_KeepSkipModeAfterSelect,
                        &c.m_StopScreenSaver,         &c.m_VoiceStopTiming,         &c.m_WaitVoiceEndOnAutoMode,
                        &c.m_NoVoiceSkipMode,         &c.m_UseSystemVoice};
    const bool on[] = {true, false, true, false, true, true, false, true, false, true, false};
    for (int i = 0; i < 11; ++i) *switches[i] = on[i];
    c.m_SoundEngineMode = 2;
    c.m_GameDataPage = 3;
    c.m_LastGameDataFileNum = 17;
    s32* volumes[] = {&c.m_Volume_Master, &c.m_Volume_BGM,         &c.m_Volume_BGV,
                      &c.m_Volume_System, &c.m_Volume_Sound,       &c.m_Volume_Movie,
                      &c.m_Volume_RestrainBGM, &c.m_Volume_VoiceMaster, &c.m_Volume_SystemVoice};
    const s32 v[] = {90, 70, 60, 50, 40, 30, 20, 10, 55};
    for (int i = 0; i < 9; ++i) *volumes[i] = v[i];
    for (int i = 0; i < 32; ++i) {
        c.m_Volume_Voice[i] = 100 - i;
        c.m_SystemVoice_Activated[i] = i % 2 == 0;
    }
    c.m_AsyncThreadNum = 4;
}

class UserConfig : public GameDataTest {};

TEST_F(UserConfig, StoredFormMatchesTheGoldenFileBothWays) {
    GxUserConfig written(&core_);
    SetGoldenValues(written);
    ASSERT_TRUE(written.Save());
    const auto golden = qtest::ReadBytes(qtest::GoldenPath("gamedata/userconf.dat"));
    ASSERT_FALSE(golden.empty());
    EXPECT_EQ(Bytes("userconf.dat"), golden);
    EXPECT_EQ(qtest::WriterLeftovers(dir_.path()), std::vector<std::string>());

    qtest::WriteBytes(dir_.path() / "userconf.dat", golden);
    GxUserConfig read(&core_);
    ASSERT_TRUE(read.Load());
    EXPECT_EQ(read.m_SoundEngineModeInEffect, 2);
    EXPECT_EQ(read.m_Volume_Voice[31], 69);
    EXPECT_FALSE(read.m_SystemVoice_Activated[31]);
    // Everything stored came back: written again, the bytes are the same.
    ASSERT_TRUE(read.Save());
    EXPECT_EQ(Bytes("userconf.dat"), golden);
}

TEST_F(UserConfig, ModulesAddToTheFileAndCanRefuse) {
    PlugModule();
    GxUserConfig c(&core_);
    module_.m_Value = 4321;
    ASSERT_TRUE(c.Save());
    const auto saved = Bytes("userconf.dat");
    module_.m_Value = 0;
    ASSERT_TRUE(c.Load());
    EXPECT_EQ(module_.m_Value, 4321);

    // A module that refuses makes the save fail, and the old file stays.
    module_.m_Result = false;
    c.m_TextWaitTime = 1;
    qtest::LogCapture log;
    EXPECT_FALSE(c.Save());
    EXPECT_TRUE(log.Contains("GxUserConfig::Save/ファイルの書き込みを取りやめました")) << log.Text();
    EXPECT_EQ(Bytes("userconf.dat"), saved);
    EXPECT_FALSE(c.Load());
}

TEST_F(UserConfig, VolumesFollowTheAttenuationCurve) {
    const std::pair<s64, s32> curve[] = {{100, 0}, {0, -9600}, {50, -1152}, {1, -5760}, {80, -384},
                                         {150, 0}, {-5, -9600}};
    for (const auto& [percent, attenuation] : curve) EXPECT_EQ(GxUserConfig::ToAttenuation(percent), attenuation) << percent;

    qtest::WriteText(dir_.path() / "chars.txt", "2\tkana\t0\t\t\tv/\t3\n4\tbroken\t0\t\t\tv/\t99\n");
    ASSERT_TRUE(g_DBAvgChar.Load(dir_.u16("chars.txt").c_str()));
    GxUserConfig c(&core_);
    EXPECT_EQ(c.GetBGMVolume(), GxUserConfig::ToAttenuation(80));
    EXPECT_FLOAT_EQ(c.GetBGMVolumeLinear(), 0.8f);
    EXPECT_EQ(c.GetBGVVolume(true), -9600);
    EXPECT_EQ(c.GetBGVVolume(false), 0);
    c.m_Volume_Master = 50;
    c.m_Volume_Sound = 50;
    EXPECT_EQ(c.GetSoundVolume(), GxUserConfig::ToAttenuation(25));
    EXPECT_EQ(c.GetMovieVolume(), GxUserConfig::ToAttenuation(50));
    c.m_Volume_Voice[3] = 50;
    c.m_Volume_VoiceMaster = 50;
    EXPECT_EQ(c.GetVoiceVolume(3), GxUserConfig::ToAttenuation(12));
    EXPECT_EQ(c.GetCharVoiceVolume(2), GxUserConfig::ToAttenuation(12));
    // A slot or character outside the tables counts as a slot at full volume.
    EXPECT_EQ(c.GetCharVoiceVolume(4), GxUserConfig::ToAttenuation(25));
    EXPECT_EQ(c.GetCharVoiceVolume(500), GxUserConfig::ToAttenuation(25));
    EXPECT_EQ(c.GetVoiceVolume(-1), GxUserConfig::ToAttenuation(25));

    // Full restraint: BGM x RestrainBGM / 100 x Master / 100.
    c.m_Volume_Master = 100;
    c.m_Volume_RestrainBGM = 50;
    GxSetBGMRestraintLevel(0);
    EXPECT_EQ(c.GetBGMVolume(), GxUserConfig::ToAttenuation(40));
    EXPECT_FLOAT_EQ(c.GetBGMVolumeLinear(), 0.4f);
    GxSetBGMRestraintLevel(250);
    EXPECT_EQ(GxGetBGMRestraintLevel(), 100);
    EXPECT_EQ(c.GetBGMVolume(), GxUserConfig::ToAttenuation(80));
}

TEST_F(UserConfig, DamagedValuesAreBroughtIntoRange) {
    qtest::LogCapture log;
    GxUserConfig stored(&core_);
    stored.m_Volume_Master = 1000000;
    stored.m_Volume_BGM = -5;
    stored.m_Volume_Voice[7] = 0x7FFFFFFF;
    stored.m_TextWindowOpacity = 999;
    stored.m_GameDataPage = 99;
    stored.m_LastGameDataFileNum = 500;
    stored.m_AsyncThreadNum = 0;
    // The configuration scene shows the waits negated.
    stored.m_TextWaitTime = INT32_MIN;
    stored.m_TextLongWaitTime = -1;
    stored.m_AutoWaitTime = INT32_MIN;
    ASSERT_TRUE(stored.Save());
    GxUserConfig c(&core_);
    ASSERT_TRUE(c.Load());
    EXPECT_EQ(c.m_Volume_Master, 100);
    EXPECT_EQ(c.m_Volume_BGM, 0);
    EXPECT_EQ(c.m_Volume_Voice[7], 100);
    EXPECT_EQ(c.m_TextWindowOpacity, 255);
    EXPECT_EQ(c.m_GameDataPage, 9);
    EXPECT_EQ(c.m_LastGameDataFileNum, 80);
    EXPECT_EQ(c.m_AsyncThreadNum, 1);
    EXPECT_EQ(c.m_TextWaitTime, 0);
    EXPECT_EQ(c.m_TextLongWaitTime, 0);
    EXPECT_EQ(c.m_AutoWaitTime, 0);
    EXPECT_TRUE(log.Contains("GxUserConfig::Load/範囲外の設定値を補正しました(m_Volume_Master=1000000)")) << log.Text();
    EXPECT_EQ(c.GetBGMVolume(), GxUserConfig::ToAttenuation(0));

    stored.m_AsyncThreadNum = 9;
    ASSERT_TRUE(stored.Save());
    ASSERT_TRUE(c.Load());
    EXPECT_EQ(c.m_AsyncThreadNum, 6);
}

TEST_F(UserConfig, MissingForeignOrMistypedFiles) {
    GxUserConfig c(&core_);
    c.m_TextWaitTime = 7;
    EXPECT_FALSE(c.Load());
    qtest::WriteBytes(dir_.path() / "userconf.dat", {});
    EXPECT_FALSE(c.Load());
    // A text-form header is read by the binary reader, whose magic differs.
    qtest::WriteText(dir_.path() / "userconf.dat", "TCD\t100\n05\tm_ScreenMode\t1\n");
    EXPECT_FALSE(c.Load());
    EXPECT_EQ(c.m_TextWaitTime, 7);

    // One value of the wrong type keeps its field; the rest is read.
    FILE* f = std::fopen((dir_.path() / "userconf.dat").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    {
        GxContentBinaryWriter w(f);
        w.WriteHeader("BCD", 100);
        w.Write("m_ScreenMode", s32(1));
        w.Write("m_TextWaitTime", u"not a number");
        w.Write("m_TextLongWaitTime", s32(33));
    }
    std::fclose(f);
    EXPECT_FALSE(c.Load());
    EXPECT_EQ(c.m_ScreenMode, 1);
    EXPECT_EQ(c.m_TextWaitTime, 7);
}

TEST_F(UserConfig, DefaultsKeepThePageAndTheLastSlot) {
    GxUserConfig c(&core_);
    EXPECT_EQ(c.m_GameDataPage, 0);
    EXPECT_EQ(c.m_LastGameDataFileNum, -1);
    EXPECT_EQ(c.m_InputWord[1], -1);
    c.m_GameDataPage = 4;
    c.m_LastGameDataFileNum = 30;
    c.m_Volume_BGM = 3;
    c.m_KeyConfig[5] = 9;
    c.SetDefault();
    EXPECT_EQ(c.m_GameDataPage, 4);
    EXPECT_EQ(c.m_LastGameDataFileNum, 30);
    EXPECT_EQ(c.m_KeyConfig[5], 9);
    EXPECT_EQ(c.m_Volume_BGM, 80);
}

} // namespace
