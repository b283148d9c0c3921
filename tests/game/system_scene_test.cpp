// The resident system scene over the sample's title: the end-game dialog by
// button, key and close box, the user dialog of each kind answering its
// opener, notices one at a time, each fitting its panel (the start's not
// frozen into the title's fade), the loading icon, music ducking under a
// voice, the developer keys.
#include "SampleSceneFixture.h"

#include "base/GxAsyncJobBase.h"
#include "game/GxGameSound.h"
#include "game/GxGlobalRenderTargets.h"
#include "graphics/GxTexture.h"
#include "game/GxIconIndex.h"
#include "game/GxOpenScriptLine.h"
#include "gamedata/GxPersistFile.h"
#include "gamedata/GxUserConfig.h"
#include "gamedata/GxUserData.h"
#include "media/sound/GxAudio.h"
#include "platform/window/event_pump.h"
#include "script/GxMoaEx.h"
#include "script/GxMoaSystem.h"
#include "script/GxMoaWorkerEx.h"
#include "scenes/GxSeqTransitBase.h"
#include "support/FrameCapture.h"
#include "support/LogCapture.h"
#include "support/Processes.h"
#include "support/TempDir.h"
#include "ui/GxShowTipHelp.h"
#include "ui/GxTaskUINoticePanelFx.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <optional>
#include <set>

namespace {

using gametest::SampleScenes;
namespace fs = std::filesystem;

constexpr u32 kVkEscape = 0x1B;
constexpr u32 kSystemVoiceChannel = 15;

class SystemScene : public SampleScenes {
protected:
    void SetUp() override {
        SampleScenes::SetUp();
        Start(false);
        ASSERT_TRUE(RunUntil(u"SeqTitle"));
        // The title's call is over.
        GxAudio::StopStream(kSystemVoiceChannel);
        pwin::discard_events();
    }
    void TearDown() override {
        pwin::discard_events();
        SampleScenes::TearDown();
    }
    GxTaskUIBase* Dialog(const GxChar* name) { return GxTaskUIBase::FromTask(Tm()->FindTaskName(name)); }
    std::set<std::string> ShownButtons(const GxChar* dialog) {
        std::set<std::string> shown;
        for (GxTaskBase* t = Dialog(dialog)->GetFirstChild(); t; t = t->GetNextSibling())
            if (GxTaskUIBase::FromTask(t)->IsVisible())
                shown.insert(GxToUtf8(t->GetTaskLocalName()) + std::to_string(t->GetTaskLocalIndex()));
        return shown;
    }
    bool CloseRequestPosted() {
        pwin::window_event e;
        while (pwin::next_event(e))
            if (e.kind == pwin::event_kind::close_request) return true;
        return false;
    }
};

TEST_F(SystemScene, TheEndGameDialogByButtonKeyAndCloseBox) {
    GxTaskUIBase* dialog = Dialog(u"dlg_shutdown");
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->IsSuspended());
    GxVector4 at;
    dialog->GetWorldPos(&at);
    EXPECT_EQ(GxVector2(at.x, at.y), GxVector2(272, 284)) << "centred";
    GxTaskUIBase* yes = Widget(u"dlg_shutdown", u"btn_dlgshutdown_yes");
    GxTaskUIBase* no = Widget(u"dlg_shutdown", u"btn_dlgshutdown_no");
    ASSERT_TRUE(yes && no);
    yes->GetPos(&at);
    EXPECT_EQ(GxVector2(at.x, at.y), GxVector2(84, 116));
    no->GetPos(&at);
    EXPECT_EQ(GxVector2(at.x, at.y), GxVector2(256, 116));

    // "Exit" asks, in the end-game question's voice; the title waits beneath.
    GxTaskUIBase* load = Widget(u"$UI:SeqTitle", u"btn_title_load");
    Click(Widget(u"$UI:SeqTitle", u"btn_title_exit"));
    EXPECT_TRUE(System()->IsShutdownDialogOpen());
    EXPECT_EQ(System()->GetPendingDialogRequest(), u"SeqSystem_EXITGAME");
    EXPECT_EQ(ui_->m_ModalLevel, 1);
    EXPECT_EQ(dialog->GetModalPriority(), 1);
    EXPECT_TRUE(GxAudio::IsStreamPlaying(kSystemVoiceChannel));
    auto* title = dynamic_cast<GxSeqBase*>(Tm()->FindTaskName(u"SeqTitle"));
    EXPECT_FALSE(title->CanOperateUI(load, 0));
    EXPECT_TRUE(System()->CanOperateUI(no, 0));
    // The tool tip stands above every dialog: the next move hides it, also
    // one over the dialog, which keeps the move from the widgets after it.
    at = GxVector4(300, 300, 0, 0);
    GxShowTipHelp(Tm(), u"help", &at);
    GxTaskUIBase* tip = Dialog(u"tip_help");
    ASSERT_TRUE(tip && tip->IsVisible());
    Move(310, 310);
    Pass();
    EXPECT_FALSE(tip->IsVisible());
    Click(no);
    EXPECT_FALSE(System()->IsShutdownDialogOpen());
    EXPECT_EQ(ui_->m_ModalLevel, 0);
    EXPECT_TRUE(title->CanOperateUI(load, 0));

    // Escape opens and closes it, unless the player hid the message window.
    EXPECT_EQ(Tm()->OnKeyDown(kVkEscape, 0), 1);
    EXPECT_TRUE(System()->IsShutdownDialogOpen());
    EXPECT_EQ(Tm()->OnKeyDown(kVkEscape, 0), 1);
    EXPECT_FALSE(System()->IsShutdownDialogOpen());
    EXPECT_EQ(ui_->m_ModalLevel, 0);
    ui_->m_HideWindowFlag = true;
    EXPECT_EQ(Tm()->OnKeyDown(kVkEscape, 0), 0);
    EXPECT_FALSE(System()->IsShutdownDialogOpen());
    ui_->m_HideWindowFlag = false;

    // The close box asks once; asked while the dialog is open, the game ends.
    EXPECT_NE(Tm()->OnClose(), 0);
    EXPECT_TRUE(System()->IsShutdownDialogOpen());
    EXPECT_EQ(Tm()->OnClose(), 0);
    EXPECT_FALSE(CloseRequestPosted());
    // "Yes" is a second close request.
    Pass();
    Click(yes);
    EXPECT_TRUE(CloseRequestPosted());
}

TEST_F(SystemScene, TheUserDialogShowsTheButtonsOfItsKindAndAnswersItsOpener) {
    auto* title = dynamic_cast<GxTaskFolder*>(Tm()->FindTaskName(u"SeqTitle"));
    const struct {
        int kind;
        std::set<std::string> shown;
        const GxChar* answer;
        s32 result;
    } kKinds[] = {
        {1, {"btn_dlguser_ok1"}, u"btn_dlguser_ok", 1},
        {2, {"btn_dlguser_ok0", "btn_dlguser_cancel0"}, u"btn_dlguser_cancel", 0},
        {3, {"btn_dlguser_yes0", "btn_dlguser_no0"}, u"btn_dlguser_yes", 1},
        {7, {"btn_dlguser_ok1"}, u"btn_dlguser_ok", 1},
    };
    for (const auto& k : kKinds) {
        SCOPED_TRACE(k.kind);
        GxUserData::Get()->m_LastDialogResult = -1;
        System()->OpenUserDialog(u"SeqAvgMain_USERDIALOG", title, u"本当に？", k.kind);
        Pass();
        EXPECT_TRUE(System()->IsUserDialogOpen());
        EXPECT_EQ(System()->GetUserDialogOwner(), title);
        EXPECT_EQ(Dialog(u"dlg_user")->GetText(), u"本当に？");
        EXPECT_EQ(ShownButtons(u"dlg_user"), k.shown);
        EXPECT_EQ(ui_->m_ModalLevel, 1);
        const s32 index = k.kind == 1 || k.kind == 7 ? 1 : 0;
        Click(Widget(u"dlg_user", k.answer, index));
        EXPECT_EQ(GxUserData::Get()->m_LastDialogResult, k.result);
        EXPECT_FALSE(System()->IsUserDialogOpen());
        EXPECT_EQ(System()->GetUserDialogOwner(), nullptr);
        EXPECT_EQ(ui_->m_ModalLevel, 0);
    }
    GxVector4 at;
    Widget(u"dlg_user", u"btn_dlguser_ok", 1)->GetPos(&at);
    EXPECT_EQ(at.x, 170.0f) << "the single button is centred";
}

TEST_F(SystemScene, NoticesComeOneAtATimeTheSystemsFirst) {
    auto* system = dynamic_cast<GxTaskUINoticePanelFx*>(Dialog(u"tip_sysnotice"));
    auto* user = dynamic_cast<GxTaskUINoticePanelFx*>(Dialog(u"tip_usernotice"));
    ASSERT_TRUE(system && user);
    System()->SetUserNoticesHeld(true);
    GxAddUserNotice(u"user", u"", 0, 0xFFFFFFFF);
    GxAddSystemNotice(u"first", u"icon_save", 2, 0xFFFFD060);
    GxAddSystemNotice(u"second", u"", 2, 0xFFFFFFFF);
    // What is on show each time a panel comes up, with the passes between.
    std::vector<std::string> shown;
    std::vector<int> gaps;
    int since = 0;
    bool up = false;
    for (int i = 0; i < 900; ++i) {
        Pass();
        ++since;
        const bool now = system->IsVisible() || user->IsVisible();
        if (now && !up) {
            shown.push_back(GxToUtf8((system->IsVisible() ? system : user)->GetText()));
            gaps.push_back(since);
            since = 0;
            if (shown.size() == 1) {
                EXPECT_EQ(system->GetIcon(), GxGetIconIndex(u"icon_save"));
                EXPECT_EQ(system->GetIconPlacement(), 2);
                EXPECT_NE(system->GetIcon(), nullptr);
            }
            if (shown.size() == 2) {
                EXPECT_EQ(system->GetIcon(), nullptr);
                System()->SetUserNoticesHeld(false);
            }
        }
        up = now;
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"first", "second", "user"}));
    // Each stays 2.5 s and slides for a quarter second each way; actions
    // count the whole milliseconds of a frame (16).
    ASSERT_EQ(gaps.size(), 3u);
    EXPECT_NEAR(gaps[1], 3000 / 16, 2);
    EXPECT_NEAR(gaps[2], 3000 / 16, 2);
    EXPECT_TRUE(GxUserData::Get()->m_NoticeList.empty());

    // Clearing the user notices takes the one on show away at once.
    GxAddUserNotice(u"again", u"", 0, 0xFFFFFFFF);
    GxAddUserNotice(u"and again", u"", 0, 0xFFFFFFFF);
    Pass();
    ASSERT_TRUE(user->IsVisible());
    GxClearUserNotices();
    Pass();
    EXPECT_FALSE(user->IsVisible());
    EXPECT_TRUE(GxUserData::Get()->m_NoticeList.empty());

    // Every notice a failed save or load gives fits the panel as it draws
    // it: each reason of a failed write (every errno's), alone and after
    // what stood where the file may stand. At most the lines the client
    // rectangle holds, no ink outside it, no last line of one character,
    // none that starts with a closing mark or ends with an opening one.
    std::vector<std::pair<GxString, bool>> reasons = {
        {GxPersistFile::ReasonForPlayer("rename", 0, true), true},
        {GxPersistFile::ReasonForPlayer("sync", EINVAL), true},
        {u"サムネイルを作れませんでした", false},
        {u"サムネイルを書き込めませんでした", true},
        {u"置き換えたファイルを残せませんでした", true}};
    for (int err = 1; err <= EHWPOISON; ++err) reasons.emplace_back(GxPersistFile::ReasonForPlayer("write", err), true);
    // A refusal names the file's owner, by as long a name as useradd gives.
    for (const auto what : {psys::stranger::kind::others, psys::stranger::kind::unreadable}) {
        GxPersistFile::SayRefused(u"save/gamedata001.gd", psys::stranger{what, 1000, std::string(32, 'n'), false}, u"",
                                  nullptr, true);
        reasons.emplace_back(GxPersistFile::FailureForPlayer(), false);
    }
    const std::pair<const GxChar*, const GxChar*> saves[] = {{u"セーブに失敗しました", u"セーブしました"},
                                                             {u"クイックセーブに失敗しました", u"クイックセーブしました"},
                                                             {u"設定の保存に失敗しました", u"設定を保存しました"},
                                                             {u"プレイ記録の保存に失敗しました", u"プレイ記録を保存しました"}};
    // The reported one first, shown as the game shows it.
    GxPersistFile::SetFailureForPlayer(GxPersistFile::ReasonForPlayer("open", EACCES));
    GxAddSaveFailureNotice(saves[0].first, saves[0].second);
    for (const auto& [why, mayStand] : reasons)
        for (const bool stands : {false, mayStand}) {
            GxPersistFile::SetFailureForPlayer(why, stands);
            for (const auto& [failed, stood] : saves) GxAddSaveFailureNotice(failed, stood);
        }
    GxPersistFile::SetFailureForPlayer({});
    std::vector<GxString> texts = {u"ロードに失敗しました", u"クイックロードに失敗しました",
                                   u"サウンドデバイスを開けないため、音声なしで動作しています"};
    for (const GxNoticeParam& n : System()->GetSystemNotices()) texts.push_back(n.m_Text);
    ASSERT_EQ(texts[4], u"セーブフォルダに書き込む権限がありません");
    GxVector4 at;
    for (int i = 0; i < 400 && !(system->GetText() == texts[4] && at.y == 8.0f); ++i) {
        Pass();
        system->GetWorldPos(&at);
    }
    const int left = int(at.x) + system->GetClientLeft(), top = int(at.y) + system->GetClientTop();
    const int width = system->GetClientWidth(), height = system->GetClientHeight();
    ASSERT_EQ(at.y, 8.0f) << "at rest";
    // The panel alone, at rest: ink is what differs from it without text.
    const auto draw = [&](const GxString& text) {
        system->SetText(text.c_str());
        core_.ClearRenderLists();
        system->EnqueueRender(0, 0);
        return qtest::DrawFrame(core_, 1024, 96, true);
    };
    const std::vector<uint32_t> bare = draw(u"");
    const s32 size = (system->SetText(u"あ"), system->MeasureText(width).y);
    const GxString& closing = core_.m_Config->m_LineStartForbidden;
    const GxString& opening = core_.m_Config->m_LineEndForbidden;
    std::set<GxString> seen;
    for (const GxString& text : texts) {
        if (!seen.insert(text).second) continue;
        SCOPED_TRACE(GxToUtf8(text));
        const std::vector<uint32_t> px = draw(text);
        const std::vector<GxString> lines = system->BreakLines(width);
        std::string broken;
        for (const GxString& line : lines) broken += GxToUtf8(line) + " / ";
        EXPECT_LE(s32(lines.size()) * size, height) << broken;
        ASSERT_FALSE(lines.empty());
        for (size_t i = 0; i < lines.size(); ++i) {
            EXPECT_TRUE(lines.size() == 1 || lines[i].size() > 1) << broken;
            EXPECT_FALSE(i > 0 && closing.find(lines[i].front()) != GxString::npos) << broken;
            EXPECT_FALSE(i + 1 < lines.size() && opening.find(lines[i].back()) != GxString::npos) << broken;
        }
        // The ink, and that of the last line (the block is centred down).
        const int lastTop = top + (height - s32(lines.size()) * size) / 2 + (s32(lines.size()) - 1) * size;
        int x0 = 1024, y0 = 96, x1 = -1, y1 = -1, lastLeft = 1024, lastRight = -1;
        for (int y = 0; y < 96; ++y)
            for (int x = 0; x < 1024; ++x)
                if (px[size_t(y) * 1024 + size_t(x)] != bare[size_t(y) * 1024 + size_t(x)]) {
                    x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
                    if (y >= lastTop) lastLeft = std::min(lastLeft, x), lastRight = std::max(lastRight, x);
                }
        // A glyph's edge may reach a pixel past the rectangle.
        EXPECT_TRUE(x0 >= left - 1 && x1 <= left + width && y0 >= top - 1 && y1 <= top + height)
            << broken << x0 << "," << y0 << " - " << x1 << "," << y1;
        EXPECT_TRUE(lines.size() == 1 || lastRight - lastLeft >= size) << broken << "one character's ink alone";
    }
    EXPECT_GT(seen.size(), 500u);
}

// The notice the start queues without a sound device slides in as the title
// fades in from the black boot screen, which holds no still copy of it. A
// notice on show stays over a scene's fade: opening the load screen from the
// title leaves it as clear against its panel in every frame of the fade.
class Starting : public SampleScenes {};

TEST_F(Starting, ANoticeIsNotInThePictureAFadeIsFromAndStaysOverTheFade) {
    Start(false);
    GxAddSystemNotice(u"サウンドデバイスを開けないため、音声なしで動作しています", u"", 0, 0xFFFFFFFF);
    ASSERT_TRUE(RunUntilCurrent(u"SeqTitle"));
    // The notice's area of a picture: its darkest and brightest pixels.
    const auto span = [](const u32* pixels, size_t pitch) {
        int low = 255, high = 0;
        for (size_t y = 0; y < 100; ++y)
            for (size_t x = 600; x < 1024; ++x) {
                const u32 p = pixels[y * pitch + x];
                const int v = int(((p >> 16) & 255) + ((p >> 8) & 255) + (p & 255)) / 3;
                low = std::min(low, v), high = std::max(high, v);
            }
        return std::pair{low, high};
    };
    GxTexture* picture = GxGetGlobalRenderTexture(0);
    ASSERT_NE(picture, nullptr);
    void* bits = nullptr;
    u32 pitch = 0, width = 0, height = 0, format = 0;
    ASSERT_TRUE(picture->LockRect(nullptr, &bits, &pitch, &width, &height, &format, true));
    const int brightest = span(static_cast<const u32*>(bits), pitch / 4).second;
    picture->UnlockRect();
    EXPECT_LE(brightest, 23) << "the picture the title fades from holds a still copy of the notice";
    const auto contrast = [&] {
        const auto [low, high] = span(GxGraphics::GetDevice()->get_swap_chain(0)->back_buffer(0)->read_argb().data(), 1024);
        return high - low;
    };
    Pass(30);
    const int shown = contrast();
    ASSERT_TRUE(Tm()->ChangeSequenceByName(u"SeqLoad", 0, 0, 0));
    std::vector<int> fading;
    for (int i = 0; i < 30; ++i) {
        Pass();
        if (auto* scene = dynamic_cast<GxSeqTransitBase*>(Worker().m_CurrentTask); scene && scene->IsTransiting())
            fading.push_back(contrast());
    }
    ASSERT_GE(fading.size(), 10u);
    EXPECT_GE(*std::min_element(fading.begin(), fading.end()), shown - 4) << "sunk under the fade: " << shown;
}

TEST_F(SystemScene, TheLoadingIconBlinksWhileJobsWait) {
    struct Job : GxAsyncJobBase {
        void ExecuteJob(GxThread*, GxAsyncJobManage*) override {}
    } job;
    GxAsyncJobManage& jobs = core_.m_Assets->m_AsyncJobManage;
    GxTaskUIBase* icon = Dialog(u"icon_asload");
    ASSERT_NE(icon, nullptr);
    jobs.SetPausedForTest(true);
    jobs.EnqueueForTest(u"job", &job);
    std::string seen;
    for (int i = 0; i < 4; ++i) {
        Pass();
        seen += icon->IsSuspended() ? '-' : '*';
    }
    EXPECT_EQ(seen, "*-*-");
    jobs.SetPausedForTest(false);
    jobs.WaitAllJobs();
    Pass(2);
    EXPECT_TRUE(icon->IsSuspended());
}

TEST_F(SystemScene, TheMusicDucksFourPointsAFrameUnderAVoice) {
    ASSERT_TRUE(GxIsBgmPlaying());
    EXPECT_EQ(GxGetBGMRestraintLevel(), 100);
    ASSERT_TRUE(GxPlayVoice(0, u"voices/sys/exit_call.wav", 0));
    std::vector<s32> levels;
    for (int i = 0; i < 26; ++i) {
        Pass();
        levels.push_back(GxGetBGMRestraintLevel());
    }
    EXPECT_EQ(levels[0], 96);
    EXPECT_EQ(levels[23], 4);
    EXPECT_EQ(levels[24], 0);
    EXPECT_EQ(levels[25], 0);
    GxStopVoice(0, 0);
    Pass(3);
    EXPECT_EQ(GxGetBGMRestraintLevel(), 12);
}

TEST_F(SystemScene, DeveloperKeys) {
    GxSystemConfig& config = *core_.m_Config;
    auto dump = [&](const char* name) { return qtest::ReadText(dir_.path() / "save" / name); };
    // Without the debug mode only Escape and F4 are the system's.
    config.m_DebugModeFlag = false;
    for (u32 vk : {0x70u, 0x71u, 0x74u, 0x77u, 0x7Au}) EXPECT_EQ(Tm()->OnKeyDown(vk, 0), 0) << vk;
    EXPECT_FALSE(fs::exists(dir_.path() / "save" / "vardump.txt"));
    EXPECT_FALSE(config.m_DebugConsoleFlag);
    // No full-screen mode on this adapter: the switch fails and changes nothing.
    EXPECT_EQ(Tm()->OnKeyDown(0x73, 0), 1);
    EXPECT_EQ(GxUserConfig::Get()->m_ScreenMode, 0);

    config.m_DebugModeFlag = true;
    EXPECT_EQ(Tm()->OnKeyDown(0x70, 0), 1);
    EXPECT_EQ(Tm()->OnKeyDown(0x71, 0), 1);
    const struct {
        const char* file;
        const char* block;
        const char* line;
    } kDumps[] = {{"vardump.txt", "----Worker:", "vardump.txtに通常変数をダンプしました"},
                  {"vardump_extern.txt", "--MoaInstance:", "vardump_extern.txtに永続&広域変数をダンプしました"}};
    for (const auto& d : kDumps) {
        SCOPED_TRACE(d.file);
        const std::string bytes = dump(d.file);
        ASSERT_GE(bytes.size(), 44u);
        EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
        std::string narrow;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2) narrow.push_back(bytes[i + 1] ? '?' : bytes[i]);
        // The time "yyyy/mm/dd hh:mm:ss", CR LF, then the dump.
        EXPECT_EQ(narrow.substr(4, 1) + narrow.substr(7, 1) + narrow.substr(19, 2), "//\r\n");
        EXPECT_EQ(narrow.substr(21, std::string(d.block).size()), d.block);
        EXPECT_NE(LogFile("debug.log").find(d.line), std::string::npos) << LogFile("debug.log");
    }
    // Another user's file at a dump's name, or the player's own it may not
    // read, is left as it is, said as every game file's refusal is.
    if (geteuid() == 0) {
        const fs::path planted = dir_.path() / "save" / "vardump.txt";
        qtest::WriteText(planted, "theirs");
        qtest::LogCapture log;
        {
            const qtest::UnreadableFile closed(planted);
            EXPECT_EQ(Tm()->OnKeyDown(0x70, 0), 1);
        }
        EXPECT_TRUE(log.Contains("読む権限のないファイルのため、読み込みも置き換えもしません(" + planted.string())) << log.Text();
        ASSERT_EQ(chown(planted.c_str(), 65534, 65534), 0);
        EXPECT_EQ(Tm()->OnKeyDown(0x70, 0), 1);
        EXPECT_EQ(dump("vardump.txt"), "theirs");
    }
    const std::pair<u32, s32> kRates[] = {{0x75, 30}, {0x76, 10}, {0x74, 60}};
    for (const auto& [vk, rate] : kRates) {
        EXPECT_EQ(Tm()->OnKeyDown(vk, 0), 1);
        EXPECT_EQ(core_.m_Timer.m_TargetRate, rate);
    }
    EXPECT_EQ(Tm()->OnKeyDown(0x77, 0), 1);
    EXPECT_TRUE(config.m_DebugConsoleFlag);

    // F11 opens the script at the worker's line, the next when it stopped on
    // an error; a line a save held at the largest integer stays there.
    config.m_TextEditorCommand = u"sh -c \"echo %line > line.txt\"";
    ASSERT_TRUE(g_pMoaMainWorker()->StartAtLabel(u"MAIN", nullptr));
    const struct {
        s32 line;
        bool error;
        const char* opened;
    } kLines[] = {{4, false, "4"}, {4, true, "5"}, {INT32_MAX, true, "2147483647"}};
    for (const auto& l : kLines) {
        fs::remove("line.txt");
        g_pMoaMainWorker()->GetExecStack()->back().m_ScriptPos.m_Line = l.line;
        g_pMoa()->m_ErrorFlag = l.error;
        EXPECT_EQ(Tm()->OnKeyDown(0x7A, 0), 1);
        EXPECT_TRUE(qtest::Eventually([] { return qtest::ReadBytes("line.txt").size() > 1; }, std::chrono::seconds(10)));
        EXPECT_EQ(qtest::ReadText("line.txt"), std::string(l.opened) + "\n");
    }
    g_pMoa()->ResetErrorState();
    g_pMoaMainWorker()->Reset();
}

// The script line for the developer, on a desktop that names no editor for
// text files: the command to set is named once; a command set is run.
TEST(OpenScriptLine, WithoutAnyEditorTheLogSaysWhatToSet) {
    qtest::TempDir dir;
    // The environment as it was, whatever the test does.
    struct Saved {
        std::vector<std::pair<std::string, std::optional<std::string>>> vars;
        ~Saved() {
            for (const auto& [name, value] : vars) value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
        }
    } saved;
    for (const char* v : {"PATH", "XDG_DATA_HOME", "XDG_DATA_DIRS", "VISUAL", "EDITOR"}) {
        const char* old = std::getenv(v);
        saved.vars.push_back({v, old ? std::optional<std::string>(old) : std::nullopt});
    }
    fs::create_directories(dir.path() / "bin");
    qtest::WriteText(dir.path() / "bin" / "xdg-mime", "#!/bin/sh\nexit 0\n");
    fs::permissions(dir.path() / "bin" / "xdg-mime", fs::perms::owner_all);
    setenv("PATH", ((dir.path() / "bin").string() + ":/usr/bin:/bin").c_str(), 1);
    setenv("XDG_DATA_HOME", (dir.path() / "nowhere").c_str(), 1);
    setenv("XDG_DATA_DIRS", (dir.path() / "nowhere").c_str(), 1);
    unsetenv("VISUAL");
    unsetenv("EDITOR");
    qtest::FakeCore core;
    qtest::LogCapture log;
    const struct {
        const char16_t* command;
        bool opened;
        size_t lines;
    } kRows[] = {{u"", false, 1}, {u"true %file %line", true, 0}};
    for (const auto& r : kRows) {
        SCOPED_TRACE(GxToUtf8(r.command));
        log.Clear();
        core.m_Config->m_TextEditorCommand = r.command;
        EXPECT_EQ(GxOpenScriptLine(u"main.txt", 3), r.opened);
        ASSERT_EQ(log.Lines().size(), r.lines) << log.Text();
        if (r.lines) {
            EXPECT_TRUE(log.Contains("setting.iniのTextEditorCommand") && log.Contains("scripts/main.txt)"))
                << log.Text();
        }
    }
}

} // namespace
