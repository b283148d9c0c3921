// Saving and loading through the scenes: the quick save in the middle of a
// message and the quick load that brings back the same frame and script
// position; a save into slot 9 (the second page's first slot) with its
// thumbnail, listed after a restart and loaded again; a save that cannot be
// written; damaged saves refused with the play left as it was, and files
// that do not open shown as such, refused and kept aside by the save over
// them; the save screen drawn with three filled slots and one that does not
// open.
#include "MainSceneFixture.h"

#include "game/GxGlobalRenderTargets.h"
#include "game/scenes/SeqSaveLoadBase.h"
#include "gamedata/GxSaveSlot.h"
#include "graphics/text_fixture.h"
#include "platform/image/image.h"
#include "platform/system/safe_file.h"
#include "support/TempDir.h"

#include <cstring>
#include <list>
#include <optional>
#include <unistd.h>

namespace {

using maintest::MainSceneTest;
namespace fs = std::filesystem;

using maintest::kStory;

class SaveLoad : public MainSceneTest {
protected:
    static SeqSaveLoadBase* Screen(const GxChar* name) { return static_cast<SeqSaveLoadBase*>(Task(name)); }
    // Plate k of the screen pressed and the question answered yes.
    void Confirm(const GxChar* scene, const GxChar* ui, s32 slot) {
        PressIn(ui, u"btn_fileplate", slot);
        Frame();
        ASSERT_TRUE(System()->IsUserDialogOpen());
        EXPECT_EQ(System()->GetUserDialogOwner(), Task(scene));
        Answer(u"btn_dlguser_yes");
        Frame();
    }
    // The system notices queued since the last call (the test game has no
    // panel to show them, so they stay queued).
    std::vector<std::string> Notices() {
        std::vector<std::string> out;
        const auto& queued = System()->GetSystemNotices();
        for (size_t i = noticesSeen_; i < queued.size(); ++i) out.push_back(GxToUtf8(queued[i].m_Text));
        noticesSeen_ = queued.size();
        return out;
    }
    size_t noticesSeen_ = 0;
    fs::path SaveDir() const { return dir_.path() / "save"; }
    // Writes the played state as the slot file n, with a fixed save time so
    // that the screen shows the same text on every run.
    void SaveSlotAt(s32 n, const GxString& title, const std::string& time) {
        data_->SetGameDataTitle(title);
        const GxString path = GxSaveSlot::GameDataPath(core_.GetSaveDir(), n);
        ASSERT_TRUE(data_->SaveGameData(path, true));
        GxGameDataHeader header;
        ASSERT_TRUE(data_->ReadGameDataHeader(path, &header));
        std::vector<unsigned char> bytes = qtest::ReadBytes(fs::path(GxToUtf8(path)));
        const std::string old = GxToUtf8(header.m_SaveTime);
        auto at = std::search(bytes.begin(), bytes.end(), old.begin(), old.end());
        ASSERT_NE(at, bytes.end());
        std::copy(time.begin(), time.end(), at);
        qtest::WriteBytes(fs::path(GxToUtf8(path)), bytes);
    }
};

TEST_F(SaveLoad, AQuickSaveMidMessageComesBackAsTheSameFrameAndScriptPosition) {
    Play(kStory);
    ASSERT_TRUE(FramesUntil([] { return Shown().size() >= 5 * 3; }));
    // The reveal stands still from here, so that the frame can be drawn again.
    settings_->m_TextWaitTime = 1000000;
    const std::string partway = Shown();
    Frames(3);
    ASSERT_GT(Shown().size(), partway.size() - 1);
    const std::string saved = Shown();
    const int line = ScriptLine();
    Press(u"btn_qsave");
    Frame();
    ASSERT_TRUE(fs::exists(SaveDir() / "gamedata_quick.gd"));
    const std::vector<uint32_t> before = Draw();
    if (gxtest::GoldenFontMismatch().empty()) {
        EXPECT_TRUE(gxtest::MatchesGolden("quick_save_frame", before, 1024, 768, "game"));
    }

    // Played on: the reveal finished, two more lines.
    settings_->m_TextWaitTime = 0;
    for (int i = 0; i < 2; ++i) {
        Click();
        ASSERT_TRUE(UntilClickWait());
        Click();
    }
    ASSERT_TRUE(UntilClickWait());
    ASSERT_NE(ScriptLine(), line);

    settings_->m_TextWaitTime = 1000000;
    Press(u"btn_qload");
    ASSERT_TRUE(UntilScene(u"SeqQuickLoad"));
    ASSERT_TRUE(UntilScene(u"SeqAvgMain")) << log_.Text();
    EXPECT_EQ(Shown(), saved);
    EXPECT_EQ(ScriptLine(), line);
    const std::vector<uint32_t> after = Draw();
    EXPECT_EQ(after, before) << "the frame is the one saved";
    EXPECT_TRUE(Notices().empty());
}

TEST_F(SaveLoad, SlotNineOnThePageTwoWithItsThumbnailListedAfterARestart) {
    Play(kStory);
    ASSERT_TRUE(UntilClickWait());
    data_->SetGameDataTitle(u"第一話");
    Press(u"btn_save");
    ASSERT_TRUE(UntilScene(u"SeqSave"));
    PressIn(u"$UI:SeqSave", u"b02");
    Frame();
    EXPECT_EQ(settings_->m_GameDataPage, 1);
    EXPECT_TRUE(Screen(u"SeqSave")->FindWidget(u"b02")->GetValueBool());
    EXPECT_FALSE(Screen(u"SeqSave")->FindWidget(u"b01")->GetValueBool());
    PressIn(u"$UI:SeqSave", u"btn_fileplate", 0);
    Frame();
    ASSERT_TRUE(System()->IsUserDialogOpen());
    EXPECT_EQ(DialogText(), u"セーブしますか？");
    EXPECT_EQ(System()->GetPendingDialogRequest(), u"SeqSave_SAVECONFIRM");
    // A second plate while the question is open changes nothing.
    PressIn(u"$UI:SeqSave", u"btn_fileplate", 3);
    Frame();
    EXPECT_EQ(Screen(u"SeqSave")->GetPendingFileNumber(), 9);
    Answer(u"btn_dlguser_yes");
    Frame();
    EXPECT_FALSE(System()->IsUserDialogOpen());
    ASSERT_TRUE(fs::exists(SaveDir() / "gamedata009.gd"));
    pimage::image thumb;
    const std::vector<unsigned char> png = qtest::ReadBytes(SaveDir() / "thumb009.png");
    ASSERT_TRUE(pimage::decode_png(png.data(), png.size(), thumb));
    EXPECT_EQ(thumb.width, 128u);
    EXPECT_EQ(thumb.height, 96u);
    // The thumbnail is the screen's: the message window's frame at its foot,
    // the room's colours above.
    EXPECT_EQ(thumb.pixels[size_t(40) * 128 + 64], reinterpret_cast<const u32*>(GxGetThumbnailPixels().GetData())[40 * 128 + 64]);
    EXPECT_NE(thumb.pixels[size_t(10) * 128 + 10], 0xFF000000u);
    EXPECT_EQ(settings_->m_LastGameDataFileNum, 9);
    GxTaskUIBase* badge = Screen(u"SeqSave")->FindWidget(u"tip_new");
    EXPECT_TRUE(badge->IsVisible());
    GxVector4 pos;
    badge->GetPos(&pos);
    EXPECT_EQ(pos.x, 446.0f);
    EXPECT_EQ(pos.y, 151.0f);
    EXPECT_TRUE(Screen(u"SeqSave")->GetHeader(0).valid);
    EXPECT_EQ(Screen(u"SeqSave")->GetHeader(0).m_GameDataTitle, u"第一話");
    EXPECT_TRUE(fs::exists(SaveDir() / "userconf.dat"));
    EXPECT_TRUE(fs::exists(SaveDir() / "permanent.dat"));
    PressIn(u"$UI:SeqSave", u"btn_back");
    ASSERT_TRUE(UntilScene(u"SeqAvgMain"));
    EXPECT_EQ(Shown(), "「おはよう。今日はいい天気だね。」");

    // A new start: the load screen opens at the page last shown, with the save.
    Restart();
    ASSERT_NE(builder_.AddScript(g_pMoa(), u"main", kStory), nullptr);
    g_pMoa()->InitExternVariables();
    g_pMoaMainWorker()->InitGlobalVariables();
    EXPECT_EQ(settings_->m_GameDataPage, 1);
    EXPECT_EQ(settings_->m_LastGameDataFileNum, 9);
    ASSERT_TRUE(Tasks().ChangeSequenceByName(u"SeqLoad", 0, 0, 0));
    ASSERT_TRUE(UntilScene(u"SeqLoad"));
    SeqSaveLoadBase* load = Screen(u"SeqLoad");
    EXPECT_TRUE(load->GetHeader(0).valid);
    EXPECT_EQ(load->GetHeader(0).m_GameDataTitle, u"第一話");
    EXPECT_TRUE(load->GetThumbnail(0).HasTexture());
    EXPECT_TRUE(load->FindWidget(u"btn_fileplate", 0)->IsEnabled());
    for (s32 k = 1; k < 8; ++k) EXPECT_FALSE(load->FindWidget(u"btn_fileplate", k)->IsEnabled()) << k;
    EXPECT_TRUE(load->FindWidget(u"tip_new")->IsVisible());
    Confirm(u"SeqLoad", u"$UI:SeqLoad", 0);
    ASSERT_TRUE(UntilScene(u"SeqAvgMain")) << log_.Text();
    EXPECT_EQ(Shown(), "「おはよう。今日はいい天気だね。」");
    EXPECT_EQ(Main()->GetNameWindow()->GetText(), u"アキ");
    EXPECT_EQ(data_->m_GameDataTitle, u"第一話");
    Click();
    ASSERT_TRUE(UntilClickWait());
    EXPECT_EQ(Shown(), "「そうだね。どこかへ出かけようか。」") << "the loaded play goes on";
}

// A slot's save is its file and its thumbnail, written whole or not at all:
// either one failing (here its temporary file refused, as in a full folder)
// leaves the slot, the last slot and the settings as they were, and the
// player is told, and why. The settings or the permanent data written after
// a slot that stands are told apart when they fail. A save whose folder
// could not be synced once it took its name stands, on the page and as the
// last slot, and is told as saved, but not surely on the disk; so is a
// quick save.
TEST_F(SaveLoad, ASaveThatCannotBeWrittenChangesNothingAndIsReported) {
    Play(kStory);
    ASSERT_TRUE(UntilClickWait());
    settings_->m_LastGameDataFileNum = 2;
    fs::create_directories(SaveDir());
    struct Row {
        const char* full;  // the file whose temporary file is refused; "": the folder's sync fails once
        std::vector<std::string> told;
        bool quick = false;
    };
    const std::string full = "ディスクの空きが足りません";
    const Row rows[] = {{"gamedata001.gd", {"セーブに失敗しました", full}},
                        {"thumb001.png", {"セーブに失敗しました", full}},
                        {"userconf.dat", {"設定の保存に失敗しました", full}},
                        {"permanent.dat", {"プレイ記録の保存に失敗しました", full}},
                        {"", {"セーブしましたが、ディスクへの書き込みを確かめられませんでした"}},
                        {"", {"クイックセーブしましたが、ディスクへの書き込みを確かめられませんでした"}, true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.full) + (row.quick ? "the quick save" : ""));
        const bool slotFails = row.told[0] == "セーブに失敗しました";
        log_.Clear();
        std::optional<qtest::TempFileRefused> refused;
        // The save's own folder sync, once the save took its name.
        static bool s_SyncFails, s_Committed;
        s_SyncFails = !*row.full;
        s_Committed = false;
        if (*row.full) {
            refused.emplace(SaveDir() / row.full);
        } else {
            psys::set_safe_file_step_hook([](const char* step, const std::string& path, const std::string&) {
                if (std::strcmp(step, "committed") == 0) s_Committed = path.find("gamedata") != std::string::npos;
                if (std::strcmp(step, "sync folder") != 0 || !s_Committed) return 0;
                return std::exchange(s_SyncFails, false) ? EIO : 0;
            });
        }
        if (row.quick) {
            Press(u"btn_qsave");
            Frames(5);
            EXPECT_TRUE(fs::exists(SaveDir() / "gamedata_quick.gd"));
        } else {
            Press(u"btn_save");
            ASSERT_TRUE(UntilScene(u"SeqSave"));
            PressIn(u"$UI:SeqSave", u"b01");
            Frame();
            Confirm(u"SeqSave", u"$UI:SeqSave", 0);
            EXPECT_EQ(settings_->m_LastGameDataFileNum, slotFails ? 2 : 1);
            EXPECT_EQ(fs::exists(SaveDir() / "gamedata001.gd"), !slotFails);
            EXPECT_EQ(fs::exists(SaveDir() / "thumb001.png"), !slotFails);
            EXPECT_EQ(fs::exists(SaveDir() / "userconf.dat"), !slotFails && std::string(row.full) != "userconf.dat");
            EXPECT_EQ(Screen(u"SeqSave")->FindWidget(u"tip_new")->IsVisible(), !slotFails);
        }
        psys::set_safe_file_step_hook(nullptr);
        EXPECT_FALSE(s_SyncFails) << "no folder sync failed";
        EXPECT_EQ(Notices(), row.told);
        EXPECT_EQ(CurrentScene(), row.quick ? u"SeqAvgMain" : u"SeqSave");
        EXPECT_TRUE(log_.Contains(*row.full ? "No space left on device" : "Input/output error")) << log_.Text();
        if (!row.quick) {
            PressIn(u"$UI:SeqSave", u"btn_back");
            ASSERT_TRUE(UntilScene(u"SeqAvgMain"));
        }
        for (const char* name : {"gamedata001.gd", "thumb001.png", "userconf.dat", "permanent.dat", "gamedata_quick.gd"})
            fs::remove(SaveDir() / name);
        settings_->m_LastGameDataFileNum = 2;
    }
}

// Files that would not load, or would resume on no scene that can run:
// refused before anything of the play is touched, by the load screen and by
// the quick load alike.
TEST_F(SaveLoad, DamagedSavesAreRefusedAndThePlayGoesOn) {
    Play(kStory);
    ASSERT_TRUE(UntilClickWait());
    const GxString good = core_.GetSaveDir() + u"good.gd";
    ASSERT_TRUE(data_->SaveGameData(good, true));
    const std::vector<unsigned char> whole = qtest::ReadBytes(SaveDir() / "good.gd");
    // The play saved whole, naming another scene to resume on.
    const auto resuming = [&](const GxChar* scene) {
        const GxString kept = data_->GetRestoreSequence();
        data_->SetRestoreSequence(scene);
        EXPECT_TRUE(data_->SaveGameData(good, true));
        data_->SetRestoreSequence(kept);
        return qtest::ReadBytes(SaveDir() / "good.gd");
    };
    struct Case {
        const char* what;
        std::vector<unsigned char> bytes;
        std::vector<unsigned char> quickBytes;  // when the quick save differs
        bool unreadable = false;  // the files do not open
    } cases[] = {
        // First, so that no failed load before it has marked its files.
        {"whole but not to be opened", whole, {}, true},
        {"resuming on a scene the game lacks", resuming(u"SeqNowhere"), {}},
        {"resuming on the scene that loads it", resuming(u"SeqLoad"), resuming(u"SeqQuickLoad")},
        {"resuming on the resident scene", resuming(u"SeqSystem"), {}},
        {"resuming on no scene", resuming(u""), {}},
        {"empty", {}, {}},
        {"another kind of file", {'B', 'C', 'D', 0, 0, 0, 100}, {}},
        {"cut off halfway", std::vector<unsigned char>(whole.begin(), whole.begin() + whole.size() / 2), {}},
        {"cut off near its end", std::vector<unsigned char>(whole.begin(), whole.end() - 3), {}},
        {"with bytes of no value after it", [&] {
             std::vector<unsigned char> b = whole;
             b.insert(b.end(), {0xEE, 0xEE, 0xEE, 0xEE});
             return b;
         }(), {}},
        {"text form with a broken body", {'T', 'G', 'D', '\t', '1', '0', '0', '\n', 'x', 'y', '\n'}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Notices();
        const size_t logSize = data_->m_MessageLog.size();
        // The load screen.
        qtest::WriteBytes(SaveDir() / "gamedata001.gd", c.bytes);
        qtest::WriteBytes(SaveDir() / "gamedata_quick.gd", c.quickBytes.empty() ? c.bytes : c.quickBytes);
        std::list<qtest::UnreadableFile> closed;
        for (const char* name : {"gamedata001.gd", "gamedata002.gd", "gamedata_quick.gd"}) {
            if (!c.unreadable) break;
            qtest::WriteBytes(SaveDir() / name, c.bytes);
            ASSERT_FALSE(closed.emplace_back(SaveDir() / name).opens());
        }
        settings_->m_GameDataPage = 0;
        Press(u"btn_load");
        ASSERT_TRUE(UntilScene(u"SeqLoad"));
        EXPECT_EQ(Screen(u"SeqLoad")->GetHeader(0).unreadable, c.unreadable);
        EXPECT_TRUE(Screen(u"SeqLoad")->FindWidget(u"btn_fileplate", 0)->IsEnabled());
        Confirm(u"SeqLoad", u"$UI:SeqLoad", 0);
        Frames(5);
        EXPECT_EQ(CurrentScene(), u"SeqLoad") << "the player stays on the load screen";
        EXPECT_EQ(Notices(), std::vector<std::string>{"ロードに失敗しました"});
        EXPECT_EQ(data_->m_MessageLog.size(), logSize) << "the play is untouched";
        PressIn(u"$UI:SeqLoad", u"btn_back");
        ASSERT_TRUE(UntilScene(u"SeqAvgMain"));
        EXPECT_EQ(Layer(u"$GLOBALFADE:SeqAvgMain")->GetAlpha(), 0) << "nothing covers the screen";
        // The quick load: once, then back to the play.
        Notices();
        Press(u"btn_qload");
        EXPECT_TRUE(UntilScene(u"SeqQuickLoad"));
        ASSERT_TRUE(UntilScene(u"SeqAvgMain")) << "a quick load that fails returns to the play";
        Frames(60);
        EXPECT_EQ(CurrentScene(), u"SeqAvgMain");
        EXPECT_EQ(Notices(), std::vector<std::string>{"クイックロードに失敗しました"});
        EXPECT_EQ(data_->m_MessageLog.size(), logSize);
        EXPECT_EQ(Layer(u"$GLOBALFADE:SeqAvgMain")->GetAlpha(), 0);
        if (!c.unreadable) continue;
        // A file the player may not read is not damaged: named with how to
        // give it back, neither read nor written over nor renamed, and the
        // saves over it fail, said (slot 2 only shown).
        const std::string quick = (SaveDir() / "gamedata_quick.gd").string();
        EXPECT_TRUE(log_.Contains("読む権限のないファイルのため、読み込みも置き換えもしません(" + quick)) << log_.Text();
        EXPECT_TRUE(log_.Contains("「chmod u+rw " + quick + "」")) << log_.Text();
        Press(u"btn_qsave");
        Frames(5);
        EXPECT_EQ(Notices(),
                  (std::vector<std::string>{"クイックセーブに失敗しました", "読めないファイルがセーブファイルの名前にあります"}));
        Press(u"btn_save");
        ASSERT_TRUE(UntilScene(u"SeqSave"));
        EXPECT_TRUE(Screen(u"SeqSave")->GetHeader(1).unreadable);
        Confirm(u"SeqSave", u"$UI:SeqSave", 1);
        EXPECT_FALSE(Screen(u"SeqSave")->GetHeader(1).valid);
        PressIn(u"$UI:SeqSave", u"btn_back");
        ASSERT_TRUE(UntilScene(u"SeqAvgMain"));
        Notices();
        closed.clear();
        for (const char* name : {"gamedata002.gd", "gamedata_quick.gd"}) {
            EXPECT_EQ(qtest::ReadBytes(SaveDir() / name), c.bytes) << name;
            EXPECT_FALSE(fs::exists(SaveDir() / (std::string(name) + ".damaged"))) << name;
        }
    }
    // Still playable.
    const std::string shown = Shown();
    Click();
    ASSERT_TRUE(UntilClickWait());
    EXPECT_NE(Shown(), shown);
    // Without a quick save the button does nothing.
    fs::remove(SaveDir() / "gamedata_quick.gd");
    Press(u"btn_qload");
    Frames(3);
    EXPECT_EQ(CurrentScene(), u"SeqAvgMain");
}

// Thumbnails are 128 x 96: another size is refused from the PNG header,
// with a line naming the file, before anything is decoded (the kept
// finding is 16384 x 16384, a gigabyte of pixels in 1 MB of zeros). A file
// longer than a thumbnail can mean is refused unread past that, with the
// thumbnail's limit, however long it is. In a save folder with the sticky
// bit another user's picture at a slot's name is not the slot's.
TEST_F(SaveLoad, ThumbnailsOfAnotherSizeAreRefusedUnread) {
    Play(kStory);
    ASSERT_TRUE(UntilClickWait());
    fs::create_directories(SaveDir());
    fs::copy_file(qtest::SourcePath("tests/corpus/thumbnail_fuzz/thumb001-16384sq.png"), SaveDir() / "thumb001.png");
    struct Slot {
        const char* convert;  // ImageMagick's arguments, or none for the finding
        const char* refusal;  // what the line that refuses it says
        bool others = false;  // given to another user, in a folder with the sticky bit
    } slots[] = {
        {nullptr, "16384x16384"},
        {"-size 128x96 xc:'#336699' PNG32:thumb002.png", nullptr},
        {"-size 96x128 xc:'#336699' PNG32:thumb003.png", "96x128"},
        {"-size 128x96 xc:'#336699' thumb004.jpg && mv thumb004.jpg thumb004.png", "not PNG"},
        {"-size 128x96 xc:'#336699' PNG32:thumb005.png && truncate -s 1048577 thumb005.png",
         "File too large(1048577 bytes, at most 1048576)"},
        {"-size 128x96 xc:'#336699' PNG32:thumb006.png && truncate -s 1048576 thumb006.png", nullptr},
        // Past the largest picture file too: still the thumbnail's limit.
        {"-size 128x96 xc:'#336699' PNG32:thumb007.png && truncate -s 3G thumb007.png",
         "File too large(3221225472 bytes, at most 1048576)"},
        {"-size 128x96 xc:'#336699' PNG32:thumb008.png", "他のユーザー(nobody)のファイル", true},
    };
    const bool root = geteuid() == 0;
    if (root) fs::permissions(SaveDir(), fs::perms(01777));
    for (const Slot& slot : slots) {
        if (!slot.convert) continue;
        const std::string cmd = "cd '" + SaveDir().string() + "' && convert " + slot.convert + " >/dev/null 2>&1";
        ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
        if (slot.others && root) {
            const fs::path made = SaveDir() / ("thumb00" + std::to_string(&slot - slots + 1) + ".png");
            ASSERT_EQ(chown(made.c_str(), 65534, 65534), 0);
        }
    }
    settings_->m_GameDataPage = 0;
    log_.Clear();
    Press(u"btn_load");
    ASSERT_TRUE(UntilScene(u"SeqLoad"));
    for (s32 k = 0; k < s32(std::size(slots)); ++k) {
        SCOPED_TRACE(k);
        if (slots[k].others && !root) continue;
        EXPECT_EQ(Screen(u"SeqLoad")->GetThumbnail(k).HasTexture(), !slots[k].refusal);
        const std::string file = (SaveDir() / ("thumb00" + std::to_string(k + 1) + ".png")).string();
        std::vector<std::string> lines;
        for (const std::string& line : log_.Lines())
            if (line.find(file) != std::string::npos) lines.push_back(line);
        ASSERT_EQ(lines.size(), slots[k].refusal ? 1u : 0u) << log_.Text();
        if (slots[k].refusal) {
            EXPECT_NE(lines[0].find(slots[k].refusal), std::string::npos) << lines[0];
        }
    }
}

TEST_F(SaveLoad, TheSaveScreenWithThreeFilledSlots) {
    if (const std::string why = gxtest::GoldenFontMismatch(); !why.empty()) GTEST_SKIP() << why;
    Play(kStory);
    ASSERT_TRUE(UntilClickWait());
    struct Slot {
        s32 n;
        const char16_t* title;
        const char* time;
    } slots[] = {
        {1, u"第一話　出会い", "2024/04/01 09:15:00"},
        {2, u"第二話　駅へ", "2024/04/02 21:40:12"},
        {7, u"第三話", "2024/05/03 07:05:59"},
    };
    for (const Slot& s : slots) {
        Main()->CaptureThumbnail();
        const GxBinBuffer& px = GxGetThumbnailPixels();
        SaveSlotAt(s.n, s.title, s.time);
        ASSERT_TRUE(GxWritePNGFile(GxSaveSlot::ThumbnailPath(core_.GetSaveDir(), s.n).c_str(), 128, 96, px.GetData()));
        Click();
        ASSERT_TRUE(UntilClickWait());
    }
    settings_->m_LastGameDataFileNum = 2;
    // Slot 3's file stands there but does not open: not shown as empty.
    qtest::WriteBytes(SaveDir() / "gamedata003.gd", {1, 2, 3});
    qtest::UnreadableFile closed(SaveDir() / "gamedata003.gd");
    Press(u"btn_save");
    ASSERT_TRUE(UntilScene(u"SeqSave"));
    Frame();
    EXPECT_TRUE(gxtest::MatchesGolden("save_screen", Draw(), 1024, 768, "game"));
}

} // namespace
