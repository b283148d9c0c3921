#pragma once
// A stand-in main scene (its layers, windows, stand layers and choice
// buttons as tasks with stored forms of their own), a sound service that
// records what it is asked, and a script run to the middle of a subroutine.
#include "GameDataFixture.h"

#include "gamedata/GxSaveSlot.h"
#include "graphics/GxPNG.h"
#include "gamedata/GxUserData.h"
#include "gamedata/GxUserDataHost.h"
#include "gamedata/GxUserDataPerman.h"
#include "script/GxMoaEx.h"
#include "script/GxMoaFunctionBinder.h"
#include "script/GxMoaWorkerEx.h"
#include "tasks/GxTaskFolder.h"
#include "tools/builders/MoaScriptBuilder.h"

#include <cstring>
#include <map>
#include <sstream>

namespace gdtest {

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
    void TakeLoadedMessageAsRead() override { m_Calls.push_back("loadedread"); }
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
        ASSERT_NE(builder.AddScript(g_pMoa(), u"main", kScript), nullptr) << builder.LastError();
        g_pMoa()->InitExternVariables();
        g_pMoaMainWorker()->InitGlobalVariables();
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

    // The play record's values beside its lists, as the golden save games
    // (make_golden.py) hold them too.
    void SetPlayRecord() {
        game_.SetGameDataTitle(u"第一章");
        game_.SetRestoreSequence(u"SeqAvgMain");
        game_.m_RestoreSubParam = u"sub";
        game_.m_GameDataOption.m_Bits = 0x81;
        game_.m_IsSelecting = true;
        game_.m_LastSelectNum = 2;
        game_.m_CancelSelectNum = 3;
        game_.m_SelectHash = u"menu#7";
        game_.m_Hold_WaitClick = 3;
        game_.m_Hold_WaitTime = 5;
        game_.m_Hold_WaitTime_TimeLeft = 250;
        game_.m_Hold_EndOfLayerActionSeparate = 7;
        game_.m_Hold_EndOfLayerActionSeparate_LayerName = u"$BGLAYER:SeqAvgMain";
        game_.m_Hold_EndOfVoice = 9;
        game_.m_NameIdentifyMode = 1;
        game_.m_IgnoreKinsoku = true;
        game_.m_LastDialogResult = 1;
        GxNoticeParam notice;
        notice.m_Text = u"unlocked";
        notice.m_IconName = u"icon_cg";
        notice.m_TextColor = 0xFF00FF00;
        game_.m_NoticeList = {notice};
        game_.m_HideWindowByCommandFlag = true;
        // As the sound service records them: a restored BGM and BGV fade in
        // over 1000 ms, an SE starts without a fade.
        game_.m_BGMParam = Sound(u"bgm/bgm01.ogg", -1, 1500, 3000, 1000, 0);
        game_.m_BGVParam = Sound(u"sounds/bgvs/rain.ogg", -1, 0, 0, 1000, 0);
        game_.m_SEParam[2] = Sound(u"sounds/se/loop.ogg", 0, 0, 0, 0, 0);
    }

    // Fills every part of the game state with values of its own.
    void Play() {
        SetPlayRecord();
        for (size_t i = 1; i < game_.m_SelectMenuItemList.size(); ++i) {
            GxSelectMenuItem& item = game_.m_SelectMenuItemList[i];
            item.m_Text = u"choice " + GxString(1, GxChar(u'0' + i));
            item.m_Label = u"*label";
            item.m_Visible = i <= 3;
            item.m_Enable = i != 2;
            item.m_UseGosub = i == 1;
        }
        game_.m_VoiceParam[1] = Sound(u"voice/kana/k001.ogg", 0, 0, 0, 0, 1);
        for (int i = 0; i < 101; ++i) game_.AddMessageLog(u"kana", u"line " + Number(i), i % 2 == 0, i % 3 == 0);
        game_.m_NoticeList.push_back(GxNoticeParam());
        s32 v = 1;
        for (auto& [name, task] : tasks_) {
            task->m_Value = v++;
            task->m_Text = name + u" stored";
        }
        for (StoredTask* b : buttons_) b->m_Value = 100 + b->GetTaskLocalIndex();
        module_.m_Value = 4242;
        perman_.SetSelectedMenu(u"menu#7", 1);
        // The script runs up to the middle of its subroutine.
        ASSERT_TRUE(g_pMoaMainWorker()->StartAtLabel(u"start", nullptr));
        for (int i = 0; i < 4; ++i) ASSERT_TRUE(g_pMoaMainWorker()->Step(g_pMoaFunctionBinder()));
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
    static s64 Variable(const GxChar* name) { return g_pMoaMainWorker()->FindVariable(name)->m_Value.ToInt64(); }

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

// A thumbnail's picture in a copy's own colour, and the first pixel of a
// PNG's bytes (0 where they do not decode): whose thumbnail stands.
inline std::vector<u32> Picture(int copy) { return std::vector<u32>(128 * 96, 0xFF000000u | u32(copy) * 0x00303030u); }
inline u32 FirstPixel(const std::vector<unsigned char>& png) {
    u32 w = 0, h = 0, first = 0;
    u8* p = GxDecodePNG(png.data(), u32(png.size()), &w, &h);
    if (p) std::memcpy(&first, p, 4);
    GxFreeDecodedPNG(p);
    return first;
}

} // namespace gdtest
