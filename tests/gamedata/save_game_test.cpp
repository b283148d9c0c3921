// Save games: the whole game state written in the middle of a scripted scene
// and read back, the pruning of sounds, headers, slots and the quick save,
// and files from another game or a damaged writer.
#include "SaveGameFixture.h"

#include "graphics/GxPNG.h"
#include "support/Golden.h"
#include "support/LogCapture.h"
#include "platform/system/safe_file.h"

#include <cstring>

namespace {

using gdtest::SaveGame;
using gdtest::StoredTask;

TEST_F(SaveGame, AGameSavedMidSceneComesBackWhole) {
    PlugModule();
    Play();
    for (bool binary : {true, false}) {
        SCOPED_TRACE(binary ? "binary" : "text");
        const std::string before = StoredState();
        const GxString path = SavePath(binary ? "gamedata001.gd" : "gamedata002.gd");
        ASSERT_TRUE(game_.SaveGameData(path, binary));
        EXPECT_EQ(Bytes(binary ? "gamedata001.gd" : "gamedata002.gd")[0], binary ? 'B' : 'T');

        PlayOn();
        ASSERT_NE(Variable(u"count"), 11);
        ASSERT_TRUE(game_.LoadGameData(path, true));
        EXPECT_EQ(StoredState(), before);

        EXPECT_EQ(game_.m_MessageLog.size(), 100u);
        EXPECT_EQ(game_.m_MessageLog.front().m_Message, u"line 1");
        EXPECT_EQ(game_.m_MessageLog.back().m_VoiceFileName[1], u"voice/kana/k001.ogg");
        EXPECT_EQ(Task(u"rin")->m_Text, u"rin stored");
        EXPECT_EQ(buttons_[9]->m_Value, 110);
        EXPECT_EQ(module_.m_Value, 4242);
        EXPECT_EQ(Variable(u"count"), 11);
        // The script goes on where it was saved: back from the subroutine.
        ASSERT_TRUE(g_pMoaMainWorker()->Step(g_pMoaFunctionBinder()));
        ASSERT_TRUE(g_pMoaMainWorker()->Step(g_pMoaFunctionBinder()));
        EXPECT_EQ(Variable(u"count"), 111);
        // Music comes back fading in, effects at once, voices not at all; the
        // current settings win over the stored windows, and the message on
        // the screen is read text; taken choices are coloured as the
        // settings ask.
        EXPECT_EQ(host_.Calls(),
                  "stop+bgm oneshots play:bgm:bgm/bgm01.ogg:1000 play:bgv:sounds/bgvs/rain.ogg:1000 "
                  "play:se2:sounds/se/loop.ogg:0 movies windows:$MESWIN:SeqAvgMain:$NAMEWIN:SeqAvgMain:4:255 "
                  "loadedread color1:ffaaeeff color2:ffffffff color3:ffffffff");
        // Where the script stood, as saved.
        g_pMoaMainWorker()->Reset();
        ASSERT_TRUE(game_.LoadGameData(path, true));
    }
}

TEST_F(SaveGame, SavingDropsSoundsThatWouldNotComeBack) {
    Play();
    host_.m_BgmPlaying = false;
    game_.m_SEParam[0] = Sound(u"sounds/se/once.ogg", 1, 0, 0, 0, 0);
    game_.m_SEParam[1] = Sound(u"sounds/se/twice.ogg", 2, 0, 0, 0, 0);
    const GxString path = SavePath("gamedata001.gd");
    ASSERT_TRUE(game_.SaveGameData(path, true));
    // The live records are pruned too.
    EXPECT_TRUE(game_.m_BGMParam.m_FileName.empty());
    EXPECT_TRUE(game_.m_SEParam[0].m_FileName.empty());
    EXPECT_TRUE(game_.m_SEParam[1].m_FileName.empty());
    EXPECT_FALSE(game_.m_SEParam[2].m_FileName.empty());
    EXPECT_FALSE(game_.m_BGVParam.m_FileName.empty());
    PlayOn();
    ASSERT_TRUE(game_.LoadGameData(path, true));
    EXPECT_EQ(host_.Calls().find("play:bgm"), std::string::npos) << host_.Calls();
    EXPECT_NE(host_.Calls().find("play:se2:"), std::string::npos) << host_.Calls();
    EXPECT_EQ(game_.m_VoiceParam[1].m_FileName, u"voice/kana/k001.ogg");
}

TEST_F(SaveGame, HeadersAndPartialLoadsTouchOnlyWhatTheySay) {
    Play();
    const GxString path = SavePath("gamedata005.gd");
    ASSERT_TRUE(game_.SaveGameData(path, true));
    PlayOn();
    game_.SetGameDataTitle(u"now");

    GxGameDataHeader header;
    ASSERT_TRUE(game_.ReadGameDataHeader(path, &header));
    EXPECT_TRUE(header.valid);
    EXPECT_EQ(header.m_GameDataTitle, u"第一章");
    EXPECT_EQ(header.m_RestoreSequence, u"SeqAvgMain");
    EXPECT_EQ(header.m_RestoreSubParam, u"sub");
    EXPECT_EQ(header.m_GameDataOption.m_Bits, 0x81u);
    EXPECT_EQ(header.m_SaveTime.size(), 19u);
    EXPECT_EQ(game_.m_GameDataTitle, u"now");

    GxGameDataHeader none;
    none.valid = true;
    EXPECT_FALSE(game_.ReadGameDataHeader(SavePath("gamedata006.gd"), &none));
    EXPECT_FALSE(none.valid);

    // Without readAll only the play record (and the modules) are read.
    ASSERT_TRUE(game_.LoadGameData(path, false));
    EXPECT_EQ(game_.m_GameDataTitle, u"第一章");
    EXPECT_EQ(game_.m_MessageLog.size(), 100u);
    EXPECT_EQ(Task(u"$BGLAYER:SeqAvgMain")->m_Value, -1);
    EXPECT_EQ(Variable(u"count"), 0);
    EXPECT_TRUE(host_.m_Calls.empty()) << host_.Calls();
}

TEST_F(SaveGame, MissingOrForeignFilesLeaveThePlayRecordAlone) {
    Play();
    const std::string before = StoredState();
    EXPECT_FALSE(game_.LoadGameData(SavePath("absent.gd"), true));
    qtest::WriteBytes(dir_.path() / "empty.gd", {});
    EXPECT_FALSE(game_.LoadGameData(SavePath("empty.gd"), true));
    ASSERT_TRUE(perman_.Save(SavePath("permanent.dat"), true));
    EXPECT_FALSE(game_.LoadGameData(SavePath("permanent.dat"), true));
    qtest::WriteText(dir_.path() / "text.gd", "TPD\t100\n");
    EXPECT_FALSE(game_.LoadGameData(SavePath("text.gd"), true));
    EXPECT_EQ(StoredState(), before);
}

TEST_F(SaveGame, AStandLayerThisGameLacksIsSteppedOver) {
    qtest::LogCapture log;
    Play();
    const GxString path = SavePath("gamedata001.gd");
    ASSERT_TRUE(game_.SaveGameData(path, true));
    PlayOn();
    // "kana" is stored before "rin" and the windows: without it they must
    // still read in step.
    delete tasks_.at(u"kana");
    tasks_.erase(u"kana");
    EXPECT_TRUE(game_.LoadGameData(path, true));
    EXPECT_TRUE(log.Contains("立ち絵レイヤーが見つからないため読み飛ばします(kana)")) << log.Text();
    EXPECT_EQ(Task(u"rin")->m_Text, u"rin stored");
    EXPECT_EQ(Task(u"$NAMEIMAGE:SeqAvgMain")->m_Text, u"$NAMEIMAGE:SeqAvgMain stored");
    EXPECT_EQ(buttons_[0]->m_Value, 101);
    EXPECT_EQ(module_.m_Value, 0);  // no module plugged: nothing of its own was stored
}

TEST_F(SaveGame, CountsTheFileCannotHoldAreRefusedAndReadingGoesOn) {
    qtest::LogCapture log;
    Play();
    const GxString path = SavePath("gamedata001.gd");
    ASSERT_TRUE(game_.SaveGameData(path, false));
    auto bytes = Bytes("gamedata001.gd");
    std::string text(bytes.begin(), bytes.end());
    const std::string logBegin = "20\tGxMessageLogElement\t\t100\t";
    const size_t at = text.find(logBegin);
    ASSERT_NE(at, std::string::npos) << text.substr(0, 2000);
    text.replace(at, logBegin.size(), "20\tGxMessageLogElement\t\t4000000000\t");
    qtest::WriteText(dir_.path() / "gamedata001.gd", text);
    PlayOn();
    EXPECT_FALSE(game_.LoadGameData(path, true));
    EXPECT_TRUE(log.Contains("要素数が不正です(GxMessageLogElement:4000000000)")) << log.Text();
    EXPECT_TRUE(game_.m_MessageLog.empty());
    // What follows the refused list is read in step.
    EXPECT_EQ(game_.m_NoticeList.size(), 2u);
    EXPECT_EQ(game_.m_NoticeList[0].m_TextColor, 0xFF00FF00u);
    EXPECT_EQ(Task(u"$NAMEIMAGE:SeqAvgMain")->m_Text, u"$NAMEIMAGE:SeqAvgMain stored");
}

TEST_F(SaveGame, MoreChoicesThanButtonsAreRefused) {
    qtest::LogCapture log;
    core_.m_Config->m_ChoiceCount = 12;
    game_.Clear();
    for (s32 i = 11; i <= 12; ++i) buttons_.push_back(new StoredTask(select_, nullptr, u"btn_select", i));
    Play();
    game_.m_SelectMenuItemList[12].m_Text = u"thirteenth";
    const GxString path = SavePath("gamedata001.gd");
    ASSERT_TRUE(game_.SaveGameData(path, true));

    core_.m_Config->m_ChoiceCount = 10;
    game_.Clear();
    PlayOn();
    ASSERT_EQ(game_.m_SelectMenuItemList.size(), 11u);
    EXPECT_FALSE(game_.LoadGameData(path, true));
    EXPECT_TRUE(log.Contains("選択肢の数が多すぎるため残りを読み飛ばします(13>11)")) << log.Text();
    EXPECT_EQ(game_.m_SelectMenuItemList.size(), 11u);
    EXPECT_EQ(game_.m_SelectMenuItemList[10].m_Text, u"choice :");
    EXPECT_EQ(game_.m_Hold_WaitTime_TimeLeft, 250);
    EXPECT_EQ(buttons_[9]->m_Value, 110);
    EXPECT_EQ(buttons_[10]->m_Value, -1);
    EXPECT_EQ(Task(u"$NAMEIMAGE:SeqAvgMain")->m_Text, u"$NAMEIMAGE:SeqAvgMain stored");
}

TEST_F(SaveGame, ASaveWithoutItsSceneFailsAndKeepsTheOldFile) {
    qtest::LogCapture log;
    Play();
    const GxString path = SavePath("gamedata001.gd");
    ASSERT_TRUE(game_.SaveGameData(path, true));
    const auto old = Bytes("gamedata001.gd");
    delete tasks_.at(u"$MOVIELAYER:SeqAvgMain");
    game_.SetGameDataTitle(u"changed");
    EXPECT_FALSE(game_.SaveGameData(path, true));
    EXPECT_TRUE(log.Contains("GxUserData::SaveGameData/保存するタスクがありません($MOVIELAYER:SeqAvgMain)"))
        << log.Text();
    EXPECT_EQ(Bytes("gamedata001.gd"), old);
    EXPECT_EQ(qtest::WriterLeftovers(dir_.path()), std::vector<std::string>());
    // Nor can a load read past the missing layer; the play record before it is read.
    EXPECT_FALSE(game_.LoadGameData(path, true));
    EXPECT_EQ(game_.m_GameDataTitle, u"第一章");
    EXPECT_TRUE(log.Contains("GxUserData::LoadGameData/読み込むタスクがありません($MOVIELAYER:SeqAvgMain)")) << log.Text();
    tasks_.erase(u"$MOVIELAYER:SeqAvgMain");
}

TEST_F(SaveGame, ResetReturnsToANewGame) {
    Play();
    GxSetBGMRestraintLevel(20);
    game_.m_ReplayMode = true;
    game_.m_BGMParam.m_FileName = u"bgms/kept.ogg";
    game_.m_BGVParam.m_FileName = u"sounds/bgvs/gone.ogg";
    game_.ResetPlayState(false);
    EXPECT_EQ(host_.Calls(), "stop movies resetscene fadeout0");
    // The music plays on, so it is still remembered; the rest was stopped.
    EXPECT_EQ(game_.m_BGMParam.m_FileName, u"bgms/kept.ogg");
    EXPECT_EQ(game_.m_BGVParam.m_FileName, u"");
    EXPECT_EQ(GxGetBGMRestraintLevel(), 100);
    EXPECT_FALSE(g_pMoaMainWorker()->IsRunning());
    EXPECT_EQ(Variable(u"count"), 0);
    EXPECT_TRUE(game_.m_HideWindowByCommandFlag);
    EXPECT_FALSE(game_.m_ReplayMode);
    EXPECT_TRUE(game_.m_MessageLog.empty());
    EXPECT_TRUE(game_.m_SelectMenuItemList[1].m_Text.empty());
    EXPECT_TRUE(game_.m_SelectMenuItemList[1].m_Visible);
    EXPECT_EQ(game_.m_NameIdentifyMode, 2);
    EXPECT_EQ(game_.m_GameDataOption.m_Bits, 0x81u);
    EXPECT_EQ(game_.m_LastSelectNum, 0);
}

TEST_F(SaveGame, SlotsAndTheQuickSave) {
    EXPECT_EQ(GxSaveSlot::FileNumber(0, 0), 1);
    EXPECT_EQ(GxSaveSlot::FileNumber(9, 7), 80);
    EXPECT_EQ(GxSaveSlot::GameDataPath(u"s/", 7), u"s/gamedata007.gd");
    EXPECT_EQ(GxSaveSlot::ThumbnailPath(u"s/", 80), u"s/thumb080.png");
    EXPECT_EQ(GxSaveSlot::QuickSavePath(u"s/", *core_.m_Config), u"s/gamedata_quick.gd");

    Play();
    std::vector<u32> pixels(GxSaveSlot::kThumbnailWidth * GxSaveSlot::kThumbnailHeight);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = 0xFF000000u | u32(i * 2654435761u >> 8);
    const GxString saveDir = core_.GetSaveDir();
    ASSERT_TRUE(GxSaveSlot::Save(game_, saveDir, 3, reinterpret_cast<const u8*>(pixels.data()),
                                 GxSaveSlot::kThumbnailWidth, GxSaveSlot::kThumbnailHeight));
    const auto png = Bytes("thumb003.png");
    u32 w = 0, h = 0;
    u8* decoded = GxDecodePNG(png.data(), u32(png.size()), &w, &h);
    ASSERT_NE(decoded, nullptr);
    EXPECT_EQ(w, 128u);
    EXPECT_EQ(h, 96u);
    EXPECT_EQ(std::memcmp(decoded, pixels.data(), pixels.size() * 4), 0);
    GxFreeDecodedPNG(decoded);
    GxGameDataHeader header;
    EXPECT_TRUE(game_.ReadGameDataHeader(GxSaveSlot::GameDataPath(saveDir, 3), &header));

    // A save game that cannot be written leaves the thumbnail alone.
    delete tasks_.at(u"$VISUAL:SeqAvgMain");
    tasks_.erase(u"$VISUAL:SeqAvgMain");
    pixels[0] = 0;
    EXPECT_FALSE(GxSaveSlot::Save(game_, saveDir, 3, reinterpret_cast<const u8*>(pixels.data()), 128, 96));
    EXPECT_EQ(Bytes("thumb003.png"), png);

    const GxString quick = GxSaveSlot::QuickSavePath(saveDir, *core_.m_Config);
    EXPECT_FALSE(game_.SaveGameData(quick, true));
}

TEST_F(SaveGame, TheBacklogKeepsItsNewestEntriesWithTheirVoices) {
    game_.m_VoiceParam[0] = Sound(u"v0.ogg", 0, 0, 0, 0, 5);
    game_.m_VoiceParam[3] = Sound(u"v3.ogg", 0, 0, 0, 0, 7);
    for (int i = 0; i < 103; ++i) game_.AddMessageLog(u"n", u"m" + Number(i), true, false);
    ASSERT_EQ(game_.m_MessageLog.size(), 100u);
    const GxMessageLogElement& e = game_.m_MessageLog.front();
    EXPECT_EQ(e.m_Message, u"m3");
    EXPECT_TRUE(e.m_ShowNameByText);
    EXPECT_TRUE(e.m_IgnoreKinsoku);
    EXPECT_EQ(e.m_VoiceFileName[0], u"v0.ogg");
    EXPECT_EQ(e.m_VoiceCharID[3], 7);
    EXPECT_TRUE(e.m_VoiceFileName[1].empty());
    game_.ClearCurrentVoices();
    game_.AddMessageLog(u"n", u"after", false, false);
    EXPECT_TRUE(game_.m_MessageLog.back().m_VoiceFileName[0].empty());
}

// Hand-made save games in both forms, built from the byte layout by
// tests/golden/gamedata/make_golden.py: the engine reads every value back,
// and its writer writes the same bytes but for the time of saving.
TEST_F(SaveGame, StoredFormMatchesTheGoldenFilesBothWays) {
    PlugModule();
    // The values make_golden.py writes.
    const auto fill = [&] {
        game_.m_MessageLog.clear();
        SetPlayRecord();
        game_.m_SelectMenuItemList[1] = {u"はい", u"*yes", true, true, true, false};
        game_.m_SelectMenuItemList[2] = {u"いいえ", u"*no", false, true, false, true};
        game_.m_VoiceParam[0] = Sound(u"voice/aki/a001.ogg", 0, 0, 0, 0, 1);
        game_.AddMessageLog(u"アキ", u"「おはよう。」", false, true);
        game_.m_VoiceParam[0] = Sound(u"voice/kana/k001.ogg", 0, 0, 0, 0, 2);
        game_.AddMessageLog(u"", u"a\ttab, a \"quote\"\nand a new line", true, false);
        g_pMoaMainWorker()->FindVariable(u"count")->m_Value = GxMoaVariable::OfInt(11);
        g_pMoaMainWorker()->FindVariable(u"perm")->m_Value = GxMoaVariable::OfInt(6);
        s32 v = 1;
        for (const GxChar* name : gdtest::kLayers) {
            Task(name)->m_Value = v++;
            Task(name)->m_Text = GxString(name) + u" stored";
        }
        for (const GxChar* name : {u"kana", u"rin", u"gone"}) Task(name)->m_Value = v++;
        for (StoredTask* b : buttons_) b->m_Value = 100 + b->GetTaskLocalIndex();
        module_.m_Value = 4242;
    };
    fill();
    // The script's static variable is set by its own statement; the worker
    // then stands still, with nothing on its stacks.
    ASSERT_TRUE(g_pMoaMainWorker()->StartAtLabel(u"start", nullptr));
    for (int i = 0; i < 2; ++i) ASSERT_TRUE(g_pMoaMainWorker()->Step(g_pMoaFunctionBinder()));
    g_pMoaMainWorker()->Reset();
    for (const char* name : {"gamedata.gd", "gamedata.tgd"}) {
        SCOPED_TRACE(name);
        const auto golden = qtest::ReadBytes(qtest::GoldenPath(std::string("gamedata/") + name));
        ASSERT_FALSE(golden.empty());
        fill();
        const bool binary = golden[0] == 'B';
        ASSERT_TRUE(game_.SaveGameData(SavePath(name), binary));
        auto written = Bytes(name);
        const std::string time = "2024/04/01 09:15:00";
        auto at = std::search(golden.begin(), golden.end(), time.begin(), time.end());
        ASSERT_NE(at, golden.end());
        ASSERT_GE(written.size(), size_t(at - golden.begin()) + time.size());
        std::copy(time.begin(), time.end(), written.begin() + (at - golden.begin()));
        EXPECT_EQ(written, golden);

        PlayOn();
        g_pMoaMainWorker()->FindVariable(u"perm")->m_Value = GxMoaVariable::OfInt(7);
        qtest::WriteBytes(dir_.path() / name, golden);
        ASSERT_TRUE(game_.LoadGameData(SavePath(name), true));
        GxGameDataHeader header;
        ASSERT_TRUE(game_.ReadGameDataHeader(SavePath(name), &header));
        EXPECT_EQ(GxToUtf8(header.m_SaveTime), time);
        EXPECT_EQ(game_.m_GameDataTitle, u"第一章");
        EXPECT_EQ(game_.m_RestoreSubParam, u"sub");
        EXPECT_EQ(game_.m_GameDataOption.m_Bits, 0x81u);
        EXPECT_EQ(game_.m_SelectHash, u"menu#7");
        EXPECT_EQ(game_.m_CancelSelectNum, 3);
        EXPECT_EQ(game_.m_SelectMenuItemList[2].m_Text, u"いいえ");
        EXPECT_TRUE(game_.m_SelectMenuItemList[2].m_UseGosub);
        EXPECT_FALSE(game_.m_SelectMenuItemList[2].m_Enable);
        EXPECT_EQ(game_.m_Hold_WaitTime_TimeLeft, 250);
        EXPECT_EQ(game_.m_Hold_EndOfLayerActionSeparate_LayerName, u"$BGLAYER:SeqAvgMain");
        EXPECT_EQ(game_.m_Hold_EndOfVoice, 9);
        EXPECT_EQ(game_.m_NameIdentifyMode, 1);
        ASSERT_EQ(game_.m_MessageLog.size(), 2u);
        EXPECT_EQ(game_.m_MessageLog[0].m_Name, u"アキ");
        EXPECT_TRUE(game_.m_MessageLog[0].m_DisenableAutoNewline);
        EXPECT_EQ(game_.m_MessageLog[1].m_Message, u"a\ttab, a \"quote\"\nand a new line");
        EXPECT_EQ(game_.m_MessageLog[1].m_VoiceFileName[0], u"voice/kana/k001.ogg");
        EXPECT_EQ(game_.m_MessageLog[1].m_VoiceCharID[0], 2);
        ASSERT_EQ(game_.m_NoticeList.size(), 1u);
        EXPECT_EQ(game_.m_NoticeList[0].m_TextColor, 0xFF00FF00u);
        EXPECT_EQ(game_.m_NoticeList[0].m_ShowTime, 1500);
        EXPECT_TRUE(game_.m_HideWindowByCommandFlag);
        EXPECT_EQ(Variable(u"count"), 11);
        EXPECT_EQ(g_pMoaMainWorker()->FindEntity(u"main")->FindVariable(u"seen")->m_Value.ToInt64(), 5);
        EXPECT_EQ(Variable(u"perm"), 7) << "permanent variables are not the save's";
        EXPECT_EQ(game_.m_BGMParam.m_LoopPosTime, 3000u);
        EXPECT_EQ(game_.m_SEParam[2].m_FileName, u"sounds/se/loop.ogg");
        EXPECT_EQ(game_.m_VoiceParam[0].m_CharID, 2);
        EXPECT_EQ(Task(u"$GLOBALFADE:SeqAvgMain")->m_Value, 6);
        EXPECT_EQ(Task(u"$NAMEIMAGE:SeqAvgMain")->m_Text, u"$NAMEIMAGE:SeqAvgMain stored");
        EXPECT_EQ(Task(u"gone")->m_Value, 12);
        EXPECT_EQ(buttons_[9]->m_Value, 110);
        EXPECT_EQ(module_.m_Value, 4242);
    }
}

} // namespace
