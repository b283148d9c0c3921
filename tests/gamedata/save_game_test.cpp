// Save games: the whole game state written in the middle of a scripted scene
// and read back, the pruning of sounds, headers, slots and the quick save,
// and files from another game or a damaged writer.
#include "GameDataFixture.h"

#include "gamedata/GxSaveSlot.h"
#include "gamedata/GxUserData.h"
#include "gamedata/GxUserDataHost.h"
#include "gamedata/GxUserDataPerman.h"
#include "graphics/GxPNG.h"
#include "script/GxMoaEx.h"
#include "script/GxMoaFunctionBinder.h"
#include "script/GxMoaWorkerEx.h"
#include "tasks/GxTaskFolder.h"
#include "support/LogCapture.h"
#include "support/MoaScriptBuilder.h"

#include <cstring>
#include <sstream>

namespace {

using gdtest::GameDataTest;

// A task whose stored form adds a number and a text to the base's fields.
class StoredTask : public GxTaskBase {
public:
    StoredTask(GxTaskBase* parent, const GxChar* name, const GxChar* localName = nullptr, s32 index = 0)
        : GxTaskBase(parent, name, localName, index) {}
    bool WriteContent(GxContentWriterBase* w) override {
        bool ok = GxTaskBase::WriteContent(w);
        ok = w->Write("m_Value", m_Value) && ok;
        return w->Write("m_Text", m_Text) && ok;
    }
    bool ReadContent(GxContentReaderBase* r) override {
        bool ok = GxTaskBase::ReadContent(r);
        ok = r->Read("m_Value", &m_Value) && ok;
        return r->Read("m_Text", &m_Text) && ok;
    }
    s32 m_Value = 0;
    GxString m_Text;
};

// Records what the game state asks of the layers above it; its sound
// service plays what it is told and records it again, as the real one does.
class RecordingHost : public GxUserDataHost {
public:
    bool IsBgmPlaying() override { return m_BgmPlaying; }
    bool IsBgvPlaying() override { return m_BgvPlaying; }
    void PlayBgm(const GxSoundParam& p, s32 fade) override { Play("bgm", GxUserData::Get()->m_BGMParam, p, fade); }
    void PlayBgv(const GxSoundParam& p, s32 fade) override { Play("bgv", GxUserData::Get()->m_BGVParam, p, fade); }
    void PlaySe(s32 ch, const GxSoundParam& p, s32 fade) override {
        Play("se" + std::to_string(ch), GxUserData::Get()->m_SEParam[ch], p, fade);
    }
    void StopChannels(bool stopBgm) override { m_Calls.push_back(stopBgm ? "stop+bgm" : "stop"); }
    void StopAllOneShots() override { m_Calls.push_back("oneshots"); }
    void StopAllMovies() override { m_Calls.push_back("movies"); }
    void ResetPlayScene() override { m_Calls.push_back("resetscene"); }
    void StartGlobalFadeOut(s32 t) override { m_Calls.push_back("fadeout" + std::to_string(t)); }
    void ApplyWindowSettings(GxTaskBase* mes, GxTaskBase* name, s32 margin, s32 opacity) override {
        m_Calls.push_back("windows:" + GxToUtf8(mes ? mes->GetTaskName() : u"-") + ":" +
                          GxToUtf8(name ? name->GetTaskName() : u"-") + ":" + std::to_string(margin) + ":" +
                          std::to_string(opacity));
    }
    void SetSelectButtonColor(GxTaskBase* button, u32 color) override {
        std::ostringstream s;
        s << "color" << button->GetTaskLocalIndex() << ":" << std::hex << color;
        m_Calls.push_back(s.str());
    }

    std::string Calls() const {
        std::string out;
        for (const auto& c : m_Calls) out += (out.empty() ? "" : " ") + c;
        return out;
    }

    bool m_BgmPlaying = true;
    bool m_BgvPlaying = true;
    std::vector<std::string> m_Calls;

private:
    void Play(const std::string& what, GxSoundParam& record, const GxSoundParam& p, s32 fade) {
        m_Calls.push_back("play:" + what + ":" + GxToUtf8(p.m_FileName) + ":" + std::to_string(fade));
        record = p;
        record.m_FadeInTime = fade;
    }
};

constexpr const GxChar* kLayers[] = {u"$VISUAL:SeqAvgMain",      u"$BGLAYER:SeqAvgMain",
                                     u"$BGWLAYER:SeqAvgMain",    u"$MOVIELAYER:SeqAvgMain",
                                     u"$GLOBALFLASH:SeqAvgMain", u"$GLOBALFADE:SeqAvgMain",
                                     u"$MESWIN:SeqAvgMain",      u"$NAMEWIN:SeqAvgMain",
                                     u"$NAMEIMAGE:SeqAvgMain"};

const GxChar* const kScript = u"GLOBAL INGAME $count = 0\n"
                              u"GLOBAL PERMAN $perm = 0\n"
                              u"STATIC INGAME $seen = 0\n"
                              u"*start\n"
                              u"$count = $count + 1\n"
                              u"$seen = 5\n"
                              u"GOSUB(\"sub\")\n"
                              u"$count = $count + 100\n"
                              u"EXIT()\n"
                              u"*sub\n"
                              u"$count = $count + 10\n"
                              u"RETURN()\n";

class SaveGame : public GameDataTest {
protected:
    void SetUp() override {
        GameDataTest::SetUp();
        GxUserDataHost::Set(&host_);
        GxUserConfig::Set(&config_);
        GxUserDataPerman::Set(&perman_);
        GxUserData::Set(&game_);
        qtest::WriteText(dir_.path() / "chars.txt", "1\tkana\n2\trin\n3\t*\n4\tgone\n");
        ASSERT_TRUE(g_DBAvgChar.Load(dir_.u16("chars.txt").c_str()));
        BuildScene();
        ASSERT_TRUE(GxMoaStartup(nullptr));
        qtest::MoaScriptBuilder builder;
        ASSERT_NE(builder.AddScript(g_pMoa, u"main", kScript), nullptr);
        g_pMoa->InitExternVariables();
        g_pMoaMainWorker->InitGlobalVariables();
    }
    void TearDown() override {
        GxUserDataHost::Set(nullptr);
        GxUserConfig::Set(nullptr);
        GxUserDataPerman::Set(nullptr);
        GxUserData::Set(nullptr);
        delete top_;
        GameDataTest::TearDown();
    }

    void BuildScene() {
        top_ = new GxTaskBase(core_.GetTaskManage());
        scene_ = new GxTaskFolder(top_, u"SeqAvgMain");
        for (const GxChar* name : kLayers) tasks_[name] = new StoredTask(scene_, name);
        stand_ = new GxTaskFolder(scene_, u"$STAND:SeqAvgMain");
        for (const GxChar* name : {u"kana", u"rin", u"gone"}) {
            auto* layer = new StoredTask(stand_, nullptr, name, 0);
            layer->TypeBits |= kGxTypeLayer;
            tasks_[name] = layer;
        }
        select_ = new GxTaskFolder(scene_, u"$SELECT:SeqAvgMain");
        for (s32 i = 1; i <= 10; ++i) buttons_.push_back(new StoredTask(select_, nullptr, u"btn_select", i));
    }

    StoredTask* Task(const GxString& name) { return tasks_.at(name); }

    // Fills every part of the game state with values of its own.
    void Play() {
        game_.SetGameDataTitle(u"第一章");
        game_.SetRestoreSequence(u"SeqAvgMain");
        game_.m_RestoreSubParam = u"sub";
        game_.m_GameDataOption.m_Bits = 0x81;
        game_.m_IsSelecting = true;
        game_.m_LastSelectNum = 2;
        game_.m_CancelSelectNum = 3;
        game_.m_SelectHash = u"menu#7";
        for (size_t i = 1; i < game_.m_SelectMenuItemList.size(); ++i) {
            GxSelectMenuItem& item = game_.m_SelectMenuItemList[i];
            item.m_Text = u"choice " + GxString(1, GxChar(u'0' + i));
            item.m_Label = u"*label";
            item.m_Visible = i <= 3;
            item.m_Enable = i != 2;
            item.m_UseGosub = i == 1;
        }
        game_.m_Hold_WaitClick = 3;
        game_.m_Hold_WaitTime = 5;
        game_.m_Hold_WaitTime_TimeLeft = 250;
        game_.m_Hold_EndOfLayerActionSeparate = 7;
        game_.m_Hold_EndOfLayerActionSeparate_LayerName = u"$BGLAYER:SeqAvgMain";
        game_.m_Hold_EndOfVoice = 9;
        game_.m_NameIdentifyMode = 1;
        game_.m_IgnoreKinsoku = true;
        game_.m_LastDialogResult = 1;
        game_.m_VoiceParam[1] = Sound(u"voice/kana/k001.ogg", 0, 0, 0, 0, 1);
        for (int i = 0; i < 101; ++i) game_.AddMessageLog(u"kana", u"line " + Number(i), i % 2 == 0, i % 3 == 0);
        GxNoticeParam notice;
        notice.m_Text = u"unlocked";
        notice.m_IconName = u"icon_cg";
        notice.m_TextColor = 0xFF00FF00;
        game_.m_NoticeList.push_back(notice);
        game_.m_NoticeList.push_back(GxNoticeParam());
        game_.m_HideWindowByCommandFlag = true;
        // As the sound service records them: a restored BGM and BGV fade in
        // over 1000 ms, an SE starts without a fade.
        game_.m_BGMParam = Sound(u"bgm/bgm01.ogg", -1, 1500, 3000, 1000, 0);
        game_.m_BGVParam = Sound(u"sounds/bgvs/rain.ogg", -1, 0, 0, 1000, 0);
        game_.m_SEParam[2] = Sound(u"sounds/se/loop.ogg", 0, 0, 0, 0, 0);
        s32 v = 1;
        for (auto& [name, task] : tasks_) {
            task->m_Value = v++;
            task->m_Text = name + u" stored";
        }
        for (StoredTask* b : buttons_) b->m_Value = 100 + b->GetTaskLocalIndex();
        module_.m_Value = 4242;
        perman_.SetSelectedMenu(u"menu#7", 1);
        // The script runs up to the middle of its subroutine.
        ASSERT_TRUE(g_pMoaMainWorker->StartAtLabel(u"start", nullptr));
        for (int i = 0; i < 4; ++i) ASSERT_TRUE(g_pMoaMainWorker->Step(g_pMoaFunctionBinder));
        ASSERT_EQ(Variable(u"count"), 11);
    }

    static GxString Number(int i) {
        const std::string s = std::to_string(i);
        return GxString(s.begin(), s.end());
    }
    static GxSoundParam Sound(const GxChar* name, s32 loop, u32 start, u32 loopPos, s32 fade, s32 charID) {
        GxSoundParam p;
        p.m_FileName = name;
        p.m_Loop = loop;
        p.m_StartSeekPosTime = start;
        p.m_LoopPosTime = loopPos;
        p.m_FadeInTime = fade;
        p.m_CharID = charID;
        return p;
    }
    static s64 Variable(const GxChar* name) { return g_pMoaMainWorker->FindVariable(name)->m_Value.ToInt64(); }

    // The whole game state as the text form stores it, without the save time.
    std::string StoredState() {
        const GxString path = SavePath("state.tgd");
        EXPECT_TRUE(game_.SaveGameData(path, false));
        const auto bytes = Bytes("state.tgd");
        std::string text(bytes.begin(), bytes.end());
        const size_t at = text.find("m_SaveTime");
        if (at != std::string::npos) text.erase(at, text.find('\n', at) - at);
        return text;
    }

    // Changes everything the save holds.
    void PlayOn() {
        game_.ResetPlayState(true);
        game_.AddMessageLog(u"", u"other", false, false);
        for (auto& [name, task] : tasks_) task->m_Value = -1;
        for (StoredTask* b : buttons_) b->m_Value = -1;
        module_.m_Value = 0;
        host_.m_Calls.clear();
    }

    RecordingHost host_;
    GxUserConfig config_{&core_};
    GxUserDataPerman perman_{&core_};
    GxUserData game_{&core_};
    GxTaskBase* top_ = nullptr;
    GxTaskFolder* scene_ = nullptr;
    GxTaskFolder* stand_ = nullptr;
    GxTaskFolder* select_ = nullptr;
    std::map<GxString, StoredTask*> tasks_;
    std::vector<StoredTask*> buttons_;
};

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
        ASSERT_TRUE(g_pMoaMainWorker->Step(g_pMoaFunctionBinder));
        ASSERT_TRUE(g_pMoaMainWorker->Step(g_pMoaFunctionBinder));
        EXPECT_EQ(Variable(u"count"), 111);
        // Music comes back fading in, effects at once, voices not at all; the
        // current settings win over the stored windows; taken choices are
        // coloured as the settings ask.
        EXPECT_EQ(host_.Calls(),
                  "stop+bgm oneshots play:bgm:bgm/bgm01.ogg:1000 play:bgv:sounds/bgvs/rain.ogg:1000 "
                  "play:se2:sounds/se/loop.ogg:0 movies windows:$MESWIN:SeqAvgMain:$NAMEWIN:SeqAvgMain:4:255 "
                  "color1:ffaaeeff color2:ffffffff color3:ffffffff");
        // Where the script stood, as saved.
        g_pMoaMainWorker->Reset();
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
    EXPECT_FALSE(std::filesystem::exists(dir_.path() / "gamedata001.gd.tmp"));
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
    game_.ResetPlayState(false);
    EXPECT_EQ(host_.Calls(), "stop movies resetscene fadeout0");
    EXPECT_EQ(GxGetBGMRestraintLevel(), 100);
    EXPECT_FALSE(g_pMoaMainWorker->IsRunning());
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

} // namespace
