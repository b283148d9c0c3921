#include "SceneFakes.h"
#include "gamedata/DBUIModule.h"
#include "graphics/GxGraphicsTypes.h"
#include "graphics/GxSurface.h"
#include "scenes/GxSeqBase.h"
#include "support/FakeCore.h"
#include "support/LogCapture.h"
#include "ui/DBUILayoutRecord.h"
#include "ui/GxTaskUINull.h"
#include "ui/GxUIManage.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

struct Scenes : testing::Test {
    qtest::LogCapture log;
    qtest::FakeGame game;
    qtest::FakeCore core;
    GxUIManage ui;
    GxTaskManage& m = *core.m_TaskManage;
    GxTaskBase* top = new GxTaskBase(&m);
    GxSeqBase* scene = new GxSeqBase(top, u"SeqTitle");
    GxTaskFolder* panel = new GxTaskFolder(scene, u"panel");
    GxTaskUIBase* dialog = new GxTaskUINull(panel, u"dlg");
    GxTaskUIBase* widget = new GxTaskUINull(dialog, u"btn");

    void SetUp() override { g_DBUIModule.Clear(); }
    void TearDown() override { g_DBUIModule.Clear(); }

    void AddModule(s32 id, const GxString& name, s32 type, s32 width = 0) {
        DBUIModuleRecord* r = g_DBUIModule.GetRecord(id);
        r->ID = id, r->UIType = type, r->Name = name, r->Width = width;
        ASSERT_TRUE(g_DBUIModule.AddNameMap(name, id));
    }
    void MakeCurrent(GxSeqBase* s, int worker = 0) {
        ASSERT_TRUE(m.ChangeSequence(s, worker, 0, 0)) << log.Text();
        m.ApplySequenceChanges();
        s->UpdateBeforeMain(0, 0);
    }
};

TEST_F(Scenes, WidgetsAreMadeFromTheirModuleAndLayoutRecords) {
    AddModule(3, u"btn_ok", GxTaskUINull::kTypeCode, 120);
    AddModule(4, u"odd", 7);
    DBUILayoutRecord layout;
    layout.ModuleName = u"btn_ok";
    layout.Visible = 0;
    layout.Text = u"OK";
    GxTaskBase* w = scene->LoadUIModule(panel, &layout, u"global_ok", -1);
    ASSERT_NE(GxTaskUIBase::FromTask(w), nullptr);
    EXPECT_EQ(m.FindTaskName(u"global_ok"), w) << "index -1 makes the name global";
    EXPECT_EQ(w->GetTaskLocalName(), u"");
    EXPECT_EQ(GxTaskUIBase::FromTask(w)->GetText(), u"OK") << "the layout record";
    EXPECT_EQ(GxTaskUIBase::FromTask(w)->GetWidth(), 120) << "the module record";
    EXPECT_FALSE(GxTaskUIBase::FromTask(w)->IsVisible());

    GxTaskBase* local = scene->CreateUIWidget(panel, g_DBUIModule.GetRecord(3), u"ok", 2);
    EXPECT_EQ(panel->FindTaskLocal(u"ok", 2), local);
    EXPECT_EQ(GxTaskUIBase::FromTask(local)->GetModuleID(), 3);
    EXPECT_EQ(scene->CreateUIWidget(panel, g_DBUIModule.GetRecord(4), u"odd", 0), nullptr);
    EXPECT_TRUE(log.Lines().empty()) << "a code that builds nothing is silent: " << log.Text();

    DBUILayoutRecord missing;
    missing.ModuleName = u"btn_gone";
    EXPECT_EQ(scene->LoadUIModule(panel, &missing, u"x", 0), nullptr);
    EXPECT_TRUE(log.Contains("UIモジュールデータ[btn_gone]が見つかりません:SeqTitle\n")) << log.Text();
}

TEST_F(Scenes, CanOperateUITestsAndTheirMaskBits) {
    MakeCurrent(scene);
    struct Case {
        const char* what;
        std::function<void()> setup;
        u32 mask;
        bool want;
    } cases[] = {
        {"all clear", [] {}, 0, true},
        {"suspended", [&] { widget->Suspend(); }, 0, false},
        {"suspended, both tests skipped", [&] { widget->Suspend(); }, 0x3, true},
        {"hidden", [&] { widget->Hide(); }, 0, false},
        {"parent hidden", [&] { dialog->Hide(); }, 0, false},
        {"hidden, skipped", [&] { widget->Hide(); }, 0x2, true},
        {"disabled", [&] { widget->SetEnabled(false); }, 0x3F, false},
        {"parent disabled", [&] { dialog->SetEnabled(false); }, 0x3F, false},
        {"parent locked", [&] { dialog->Lock(); }, 0x3F, false},
        {"actions running", [&] { widget->AddAction(0, GxActionParam()); }, 0, false},
        {"actions running, skipped", [&] { widget->AddAction(0, GxActionParam()); }, 0x4, true},
        {"below the modal level", [&] { ui.m_ModalLevel = 2; }, 0, false},
        {"at the modal level", [&] { ui.m_ModalLevel = 1; }, 0, true},
        {"below the modal level, skipped", [&] { ui.m_ModalLevel = 2; }, 0x8, true},
        {"block 0", [&] { ui.SetUIBlock(0, 1); }, 0x3F, false},
        {"block 1 only", [&] { ui.SetUIBlock(1, 1); }, 0, true},
        {"main not started", [&] { m.GetSeqWorker(0)->m_MainStarted = false; }, 0, false},
        {"main not started, skipped", [&] { m.GetSeqWorker(0)->m_MainStarted = false; }, 0x10, true},
        {"change pending", [&] { m.GetSeqWorker(0)->m_ChangePending = true; }, 0, false},
        {"change pending, skipped", [&] { m.GetSeqWorker(0)->m_ChangePending = true; }, 0x20, true},
        {"on no worker", [&] { scene->SetSeqWorkIndex(-1); }, 0x0F, false},
        {"on no worker, worker tests skipped", [&] { scene->SetSeqWorkIndex(-1); }, 0x30, true},
    };
    for (const Case& c : cases) {
        for (GxTaskUIBase* w : {dialog, widget}) {
            w->Resume(), w->Show(), w->SetEnabled(true), w->ResetLock(), w->ClearActions();
        }
        ui.m_ModalLevel = 0;
        for (int b = 0; b < GxUIManage::kBlockCount; ++b) ui.SetUIBlock(b, 0);
        scene->SetSeqWorkIndex(0);
        m.GetSeqWorker(0)->m_MainStarted = true;
        m.GetSeqWorker(0)->m_ChangePending = false;
        c.setup();
        EXPECT_EQ(scene->CanOperateUI(widget, c.mask), c.want) << c.what;
    }
    m.GetSeqWorker(0)->m_ChangePending = false;
    EXPECT_FALSE(scene->CanOperateUI(nullptr, 0x3F));
    EXPECT_TRUE(scene->IsUIBlock1Clear());
    ui.SetUIBlock(3, 1);
    EXPECT_FALSE(scene->IsUIBlock3Clear());
}

TEST_F(Scenes, TheCommonUserDialogIsAnsweredByItsButtons) {
    auto* userDialog = new GxTaskFolder(scene, u"dlg_user");
    auto* other = new GxTaskFolder(scene, u"dlg_other");
    struct Case {
        GxTaskBase* parent;
        const GxChar* button;
        const GxChar* request;
        int handled;
        s32 result;
    } cases[] = {
        {userDialog, u"btn_dlguser_yes", u"SeqAvgMain_USERDIALOG", 1, 1},
        {userDialog, u"btn_dlguser_ok", u"SeqAvgMain_USERDIALOG", 1, 1},
        {userDialog, u"btn_dlguser_no", u"SeqAvgMain_USERDIALOG", 1, 0},
        {userDialog, u"btn_dlguser_cancel", u"SeqAvgMain_USERDIALOG", 1, 0},
        {userDialog, u"btn_dlguser_maybe", u"SeqAvgMain_USERDIALOG", 0, -1},
        {userDialog, u"btn_dlguser_ok", u"SeqSave_OVERWRITE", 0, -1},
        {other, u"btn_dlguser_ok", u"SeqAvgMain_USERDIALOG", 0, -1},
    };
    int index = 0;
    for (const Case& c : cases) {
        game.calls.clear();
        game.result = -1;
        game.request = c.request;
        auto* button = new GxTaskBase(c.parent, nullptr, c.button, index++);
        GxUIEventParam ev(UIEVENT_DECIDE, button);
        EXPECT_EQ(scene->OnUIEventDecide(button, &ev), c.handled) << index;
        EXPECT_EQ(game.result, c.result) << index;
        EXPECT_EQ(game.calls, c.handled ? std::vector<std::string>{"close user+sound"} : std::vector<std::string>{});
    }
}

TEST_F(Scenes, EndingASceneClosesTheSystemDialogsItOwns) {
    auto* tip = new GxTaskBase(top, u"tip_help");
    auto* shutdown = new GxTaskBase(top, u"dlg_shutdown");
    auto* user = new GxTaskBase(top, u"dlg_user");
    scene->SetAcceptUIEventFlag(true);
    GxUIEventParam ev(UIEVENT_DECIDE, widget);
    scene->OnUIEvent(widget, &ev);
    game.owner = new GxSeqBase(top, u"SeqOther");
    scene->OnEndSequence(0);
    EXPECT_TRUE(tip->IsSuspended()) << "suspended even when it was not shown";
    EXPECT_EQ(scene->GetQueuedUIEventCount(), 0u);
    EXPECT_EQ(game.calls, (std::vector<std::string>{"close shutdown"})) << "the user dialog belongs to another scene";

    game.calls.clear();
    game.owner = scene;
    shutdown->Suspend();
    scene->OnEndSequence(0);
    EXPECT_EQ(game.calls, (std::vector<std::string>{"close user"}));
    user->Kill();
    game.calls.clear();
    scene->OnEndSequence(0);
    EXPECT_TRUE(game.calls.empty());
}

TEST_F(Scenes, AScenePreparesItsMainPhaseAndClearsTheScreenFirst) {
    qtest::SceneDevice device;
    ASSERT_TRUE(device.started);
    ASSERT_TRUE(m.ChangeSequence(scene, 0, 0, 0));
    m.ApplySequenceChanges();
    EXPECT_FALSE(m.GetSeqWorker(0)->m_MainStarted);
    m.Update(0, 16000);
    EXPECT_TRUE(m.GetSeqWorker(0)->m_MainStarted);

    core.m_Config->m_BackgroundColor = 0xFF102030;
    m.EnqueueRender(0, 0);
    ASSERT_EQ(core.List(0, 0).GetEntries().size(), 1u);
    EXPECT_EQ(core.List(0, 0).GetEntries().front().m_Task, scene);
    core.DrawRenderLists();
    EXPECT_EQ(device.Pixel(0, 0), 0xFF102030u);
    EXPECT_EQ(device.Pixel(639, 479), 0xFF102030u);

    // A target larger than the depth buffer cannot have its depth cleared;
    // its colour is cleared all the same.
    GxSurface big;
    ASSERT_TRUE(big.CreateRenderTarget(u"big", 800, 600, kGxFmtA8R8G8B8, 0, 0));
    ASSERT_TRUE(GxGraphics::PushRenderTarget(0, &big, nullptr, nullptr));
    ASSERT_FALSE(GxGraphics::Clear(kGxClearTarget | kGxClearZBuffer, 0, 1.0f, 0));
    core.m_Config->m_BackgroundColor = 0x80405060;
    core.DrawRenderLists();
    EXPECT_EQ(big.GetD3DSurface()->read_argb()[600 * 800 - 1], 0x80405060u);
    EXPECT_TRUE(GxGraphics::PopRenderTarget(0));
    big.Release();

    auto* idle = new GxSeqBase(top, u"SeqIdle");
    idle->UpdateBeforeMain(0, 0);
    EXPECT_TRUE(log.Lines().empty()) << "a scene on no worker starts nothing";
}

} // namespace
