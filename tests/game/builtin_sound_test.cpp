// The music, background-voice, sound-effect and voice builtins run by the
// main script worker of the headless game on the queued-voice back end: the
// gains each channel reaches under the manual clock (cross-fades, fades in
// and out, a voice at its character's volume), what the game state
// remembers, the missing-file reports, and a voice waited for.
#include "BuiltinScript.h"

#include "game/GxGameSound.h"
#include "gamedata/DBAvgChar.h"
#include "gamedata/DBBGMMode.h"
#include "media/sound/GxAudio.h"
#include "media/sound/GxAudioPlayerStream.h"
#include "tasks/GxSystemConfig.h"
#include "tools/builders/SoundFiles.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using gametest::BuiltinScriptTest;
namespace fs = std::filesystem;

// Which developer switch a row sets.
enum Stop { kNoStop, kStopBgm, kStopBgv, kStopSe, kStopVo };

// The record a row compares.
enum Kept { kBgm, kBgv, kSe, kVo };

// One call (its builtin of interest on the call's last line): the gains
// after the row's time, the record it leaves, and the report of a missing
// file with the switch set.
struct PlayRow {
    const char16_t* call;
    Stop stop;
    u32 afterMs;
    std::map<u32, double> gains;
    Kept kept;
    int index;  // of the effect or voice record
    std::string expected;
    std::string message;
};

class SoundBuiltins : public BuiltinScriptTest {
protected:
    void StartSoundRows(const std::vector<std::u16string>& calls) {
        StartAudio();
        for (const char* file : {"bgms/town.wav", "bgms/sea.wav", "sounds/bgvs/rain.wav", "sounds/se/door.wav",
                                 "sounds/se/rain.wav", "voices/ch3/both.wav", "voices/ch7/both.wav",
                                 "voices/ch7/hello.wav"})
            WriteWav(file, 48000, 16384);
        StartRows(calls);
        core_.m_Config->m_UseXAudio2 = true;
        SetVolumes();
        settings_->m_Volume_Voice[2] = 100;
        // Both characters have "both": the first in the table owns it.
        g_DBAvgChar.GetRecord(3)->ID = 3;
        g_DBAvgChar.GetRecord(3)->VoicePath = u"voices/ch3/";
        g_DBAvgChar.GetRecord(3)->VoiceVolumeID = 5;
        g_DBAvgChar.GetRecord(7)->ID = 7;
        g_DBAvgChar.GetRecord(7)->VoicePath = u"voices/ch7/";
        g_DBAvgChar.GetRecord(7)->VoiceVolumeID = 2;
        g_DBBGMMode.GetRecord(0)->FileName = u"town.wav";
        g_DBBGMMode.GetRecord(0)->LoopPosTime = 1500;
        g_DBBGMMode.GetRecord(1)->FileName = u"rain.wav";
        g_DBBGMMode.GetRecord(1)->LoopPosTime = 999;
    }
    // Nothing plays, nothing is remembered, no switch is set.
    void Reset(Stop stop) {
        StopEverything();
        data_->m_BGMParam.Clear();
        data_->m_BGVParam.Clear();
        for (int n = 0; n < 4; ++n) data_->m_SEParam[n].Clear(), data_->m_VoiceParam[n].Clear();
        GxSystemConfig& config = *core_.m_Config;
        config.m_ErrorStopNotFound_BGM = stop == kStopBgm;
        config.m_ErrorStopNotFound_BGV = stop == kStopBgv;
        config.m_ErrorStopNotFound_SE = stop == kStopSe;
        config.m_ErrorStopNotFound_VO = stop == kStopVo;
    }
    // The gain of every channel that plays.
    static std::map<u32, double> Gains() {
        std::map<u32, double> on;
        for (u32 c = 0; c < kChannels; ++c)
            if (GxAudio::IsStreamPlaying(c)) on[c] = GxAudio::GetStreamPlayer(c)->GetVolume();
        return on;
    }
    static void ExpectGains(const std::map<u32, double>& want) {
        const std::map<u32, double> got = Gains();
        ASSERT_EQ(got.size(), want.size());
        for (const auto& [channel, gain] : want) {
            ASSERT_EQ(got.count(channel), 1u) << "channel " << channel;
            EXPECT_NEAR(got.at(channel), gain, 1e-4) << "channel " << channel;
        }
    }
    // "file/loop/loop start/fade-in/character", empty when cleared.
    static std::string Record(const GxSoundParam& p) {
        if (p.m_FileName.empty()) return "";
        return GxToUtf8(p.m_FileName) + "/" + std::to_string(p.m_Loop) + "/" + std::to_string(p.m_LoopPosTime) + "/" +
               std::to_string(p.m_FadeInTime) + "/" + std::to_string(p.m_CharID);
    }
    void RunPlayRows(const std::vector<PlayRow>& rows);
};

void SoundBuiltins::RunPlayRows(const std::vector<PlayRow>& rows) {
    StartSoundRows(gametest::Calls(rows));
    for (size_t i = 0; i < rows.size(); ++i) {
        const PlayRow& r = rows[i];
        SCOPED_TRACE(GxToUtf8(r.call));
        Reset(r.stop);
        RunRow(i);
        Advance(r.afterMs);
        ExpectGains(r.gains);
        const GxSoundParam& kept = r.kept == kBgm  ? data_->m_BGMParam
                                   : r.kept == kBgv ? data_->m_BGVParam
                                   : r.kept == kSe  ? data_->m_SEParam[r.index]
                                                    : data_->m_VoiceParam[r.index];
        EXPECT_EQ(Record(kept), r.expected);
        const std::u16string call = r.call;
        const int line = RowLine(i) + int(std::count(call.begin(), call.end(), u'\n'));
        EXPECT_EQ(Errors(), Reports(line, gametest::NameOf(call.substr(call.rfind(u'\n') + 1)), r.message));
    }
}

// Music on the cross-fade pair (0, 1) at the user's 0.4, the background voice
// on 2 at 0.4.
TEST_F(SoundBuiltins, MusicCrossFadesAndBackgroundVoice) {
    const std::string town = "bgms/town.wav/", sea = "bgms/sea.wav/", rain = "sounds/bgvs/rain.wav/";
    RunPlayRows({
        // Loop value 0 repeats; the loop start comes from the music room.
        {u"BGM(\"town\")", kNoStop, 0, {{0, 0.4}}, kBgm, 0, town + "0/1500/0/0", ""},
        {u"BGM(\"town.wav\", 0, 2, 300)", kNoStop, 0, {{0, 0.4}}, kBgm, 0, town + "2/300/0/0", ""},
        {u"BGM(\"town\", \"\", \"\", 0, 0, 99)", kNoStop, 0, {{0, 0.4}}, kBgm, 0, town + "0/0/0/0", ""},
        {u"bgm(\"sea\", 400)", kNoStop, 100, {{0, 0.1}}, kBgm, 0, sea + "0/0/400/0", ""},
        // The old piece fades out while the new one fades in on the other channel.
        {u"BGM(\"town\")\nBGM(\"sea\", 1000)", kNoStop, 500, {{0, 0.2}, {1, 0.2}}, kBgm, 0, sea + "0/0/1000/0", ""},
        {u"BGM(\"town\")\nBGM(\"sea\", 1000)", kNoStop, 1000, {{1, 0.4}}, kBgm, 0, sea + "0/0/1000/0", ""},
        {u"BGM(\"town\")\nBGM(\"sea\", 4294968296)", kNoStop, 250, {{0, 0.3}, {1, 0.1}}, kBgm, 0, sea + "0/0/1000/0", ""},
        // Kept when it already plays; restarted without the keep flag.
        {u"BGM(\"town\")\nBGM(\"town\", 500, 0, \"\", 1)", kNoStop, 250, {{0, 0.4}}, kBgm, 0, town + "0/1500/0/0", ""},
        {u"BGM(\"town\")\nBGM(\"town\", 500)", kNoStop, 250, {{0, 0.2}, {1, 0.2}}, kBgm, 0, town + "0/1500/500/0", ""},
        {u"BGM(\"town\")\nBGM()", kNoStop, 0, {}, kBgm, 0, "", ""},
        {u"BGM(\"town\")\nBGM(\"\", 2000)", kNoStop, 1000, {{0, 0.2}}, kBgm, 0, "", ""},
        {u"BGM(\"town\")\nBGM(\"\", 2000)", kNoStop, 2000, {}, kBgm, 0, "", ""},
        // A fade time below 0 stops at once instead of fading for days.
        {u"BGM(\"town\")\nBGM(\"\", -5)", kNoStop, 0, {}, kBgm, 0, "", ""},
        // A missing piece leaves the music that plays.
        {u"BGM(\"town\")\nBGM(\"nothing\", 500)", kNoStop, 250, {{0, 0.4}}, kBgm, 0, town + "0/1500/0/0", ""},
        {u"BGM(\"town\")\nBGM(\"nothing\", 500)", kStopBgm, 250, {{0, 0.4}}, kBgm, 0, town + "0/1500/0/0",
         "BGMファイルが見つかりません[bgms/nothing]"},
        // The background voice never looks up the music room.
        {u"BGV(\"rain\")", kNoStop, 0, {{2, 0.4}}, kBgv, 0, rain + "0/0/0/0", ""},
        {u"BGV(\"rain\", 500, 3, 250)", kNoStop, 250, {{2, 0.2}}, kBgv, 0, rain + "3/250/500/0", ""},
        {u"BGV(\"rain\")\nBGV(\"\", 1000)", kNoStop, 500, {{2, 0.2}}, kBgv, 0, "", ""},
        {u"BGV(\"rain\")\nBGV(\"\", -1)", kNoStop, 0, {}, kBgv, 0, "", ""},
        {u"BGV(\"rain\")\nBGV(\"nothing\")", kNoStop, 0, {{2, 0.4}}, kBgv, 0, rain + "0/0/0/0", ""},
        {u"BGV(\"rain\")\nBGV(\"nothing\")", kStopBgv, 0, {{2, 0.4}}, kBgv, 0, rain + "0/0/0/0",
         "BGVファイルが見つかりません[sounds/bgvs/nothing]"},
    });
}

// Effects on channels 4 to 7 at the user's 0.48; voices on 10 to 13 at the
// volume of the character whose folder holds them (character 7's slot: 0.72,
// character 3's: 0.288).
TEST_F(SoundBuiltins, EffectsAndVoicesReachTheirChannels) {
    const std::string door = "sounds/se/door.wav/", rain = "sounds/se/rain.wav/";
    RunPlayRows({
        // Loop value 1 plays once.
        {u"SE(\"door\")", kNoStop, 0, {{4, 0.48}}, kSe, 0, door + "1/0/0/0", ""},
        {u"SE(\"door\", \"\", \"\", \"\", \"extra\")", kNoStop, 0, {{4, 0.48}}, kSe, 0, door + "1/0/0/0", ""},
        {u"SE_2(\"rain\", 500, 0)", kNoStop, 250, {{6, 0.24}}, kSe, 2, rain + "0/0/500/0", ""},
        {u"se_3(\"door.wav\", 0, 3, 120)", kNoStop, 0, {{7, 0.48}}, kSe, 3, door + "3/120/0/0", ""},
        {u"SE_1(\"door\")\nSE_1(\"\", 300)", kNoStop, 150, {{5, 0.24}}, kSe, 1, "", ""},
        {u"SE_1(\"door\")\nSE_1()", kNoStop, 0, {}, kSe, 1, "", ""},
        {u"SE_1(\"door\")\nSE_1(\"\", -1)", kNoStop, 0, {}, kSe, 1, "", ""},
        {u"SE(\"none\")", kNoStop, 0, {}, kSe, 0, "", ""},
        {u"SE(\"none\")", kStopSe, 0, {}, kSe, 0, "", "SEファイルが見つかりません[sounds/se/none]"},
        {u"SE_3(\"none\")", kStopSe, 0, {}, kSe, 3, "", "SEファイルが見つかりません[sounds/se/none]"},
        {u"VO(\"hello\")", kNoStop, 0, {{10, 0.72}}, kVo, 0, "voices/ch7/hello.wav/1/0/0/7", ""},
        {u"VO_3(\"both\")", kNoStop, 0, {{13, 0.288}}, kVo, 3, "voices/ch3/both.wav/1/0/0/3", ""},
        {u"VO_2(\"hello.wav\", 5)", kNoStop, 0, {{12, 0.72}}, kVo, 2, "voices/ch7/hello.wav/1/0/0/7", ""},
        {u"VO_1(\"hello\")\nVO_1()", kNoStop, 0, {}, kVo, 1, "", ""},
        // The voice waited for plays on, but is no longer the current one.
        {u"VO(\"hello\")\nVO.WA(0, 2)", kNoStop, 0, {{10, 0.72}}, kVo, 0, "", ""},
        {u"VO(\"nobody\")", kNoStop, 0, {}, kVo, 0, "", ""},
        {u"VO_1(\"nobody\")", kStopVo, 0, {}, kVo, 1, "", "ボイスファイルが見つかりません[nobody]"},
    });
}

} // namespace
