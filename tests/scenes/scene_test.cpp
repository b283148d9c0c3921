#include "gamedata/DBUIModule.h"
#include "graphics/GxGraphicsTypes.h"
#include "graphics/GxSurface.h"
#include "io/GxContentBinaryReader.h"
#include "io/GxContentBinaryWriter.h"
#include "scenes/GxSceneGameServices.h"
#include "scenes/GxSeqBase.h"
#include "scenes/GxSeqTransitBase.h"
#include "ui/GxTaskUIBase.h"
#include "support/FakeCore.h"
#include "support/LogCapture.h"
#include "support/PaintedWidget.h"
#include "tasks/GxTaskFolder.h"
#include "tests/graphics/graphics_fixture.h"
#include "tests/io/content_values.h"
#include "ui/DBUILayoutRecord.h"
#include "ui/GxTaskUINull.h"
#include "ui/GxUIManage.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

// A stand-in for the game module around the scenes, and a started headless
// device for the scenes' own drawing.
class FakeGame : public GxSceneGameServices {
public:
    FakeGame() { Set(this); }
    ~FakeGame() override { Set(nullptr); }
    GxTaskBase* GetUserDialogOwner() override { return owner; }
    GxString GetPendingDialogRequest() override { return request; }
    void CloseUserDialog(bool sound) override { calls.push_back(sound ? "close user+sound" : "close user"); }
    void CloseShutdownDialog(bool sound) override {
        calls.push_back(sound ? "close shutdown+sound" : "close shutdown");
    }
    void SetDialogResult(s32 r) override { result = r; }
    void RenderToGlobalTexture() override { calls.push_back("capture"); }
    GxTextureBase* GetGlobalRenderTexture() override { return capture; }

    GxTaskBase* owner = nullptr;
    GxTextureBase* capture = nullptr;
    GxString request;
    s32 result = -1;
    std::vector<std::string> calls;
};

// The device layer started on a 640 x 480 back buffer, shut down again.
class SceneDevice {
public:
    SceneDevice() {
        GxGraphics::GetConfig() = GxGraphicsConfig{};
        GxGraphics::SetAdapter(std::make_unique<prender::adapter>(gxtest::Script()));
        started = GxGraphics::Initialize(nullptr, nullptr, nullptr, nullptr);
    }
    ~SceneDevice() {
        GxGraphics::Finalize();
        GxGraphics::SetAdapter(nullptr);
    }
    u32 Pixel(u32 x, u32 y) {
        return GxGraphics::GetDevice()->get_swap_chain(0)->back_buffer(0)->read_argb()[size_t(y) * 640 + x];
    }
    bool started = false;
};

struct Scenes : testing::Test {
    qtest::LogCapture log;
    FakeGame game;
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
    SceneDevice device;
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

// ---- transition scenes --------------------------------------------------

struct Transit : testing::Test {
    qtest::LogCapture log;
    FakeGame game;
    qtest::FakeCore core;
    GxTaskManage& m = *core.m_TaskManage;
    GxTaskBase* top = new GxTaskBase(&m);
    GxSeqTransitBase* title = new GxSeqTransitBase(top, u"SeqTitle");
    GxSeqTransitBase* config = new GxSeqTransitBase(top, u"SeqConfig");
    GxSeqBase* plain = new GxSeqBase(top, u"SeqPlain");

    void Change(GxTaskBase* s) {
        ASSERT_TRUE(m.ChangeSequence(s, 0, 0, 0)) << log.Text();
        m.ApplySequenceChanges();
    }
};

TEST_F(Transit, ChangingBetweenTransitionScenesCapturesAndFades) {
    Change(title);
    EXPECT_TRUE(game.calls.empty()) << "nothing was on screen before";
    Change(config);
    EXPECT_EQ(game.calls, (std::vector<std::string>{"capture"}));
    EXPECT_TRUE(config->IsTransiting());
    EXPECT_EQ(config->m_TransitParam.m_TransitTimeTotal, 400);
    EXPECT_EQ(config->EventMask & 0x38u, 0x38u) << "mouse, key input and key actions skip it";
    EXPECT_FALSE(title->IsTransiting());

    game.calls.clear();
    Change(plain);
    EXPECT_TRUE(game.calls.empty()) << "the next scene has no transition";
    EXPECT_FALSE(plain->TypeBits & kGxTypeTransitSequence);
    EXPECT_FALSE(config->IsTransiting()) << "ending finishes its own transition";
    EXPECT_EQ(config->EventMask & 0x38u, 0u);
}

TEST_F(Transit, TheFadeCountsWholeMillisecondsOfFrameTime) {
    Change(title);
    core.m_Config->m_SceneTransitTime = 50;
    Change(config);
    struct Step {
        s64 elapsed;
        s32 left;
        bool mainStarted;
    } steps[] = {{999, 50, false}, {16700, 34, false}, {0, 34, false}, {33999, 1, false}, {1000, 0, true}};
    for (const Step& s : steps) {
        m.Update(0, s.elapsed);
        EXPECT_EQ(config->m_TransitParam.m_TransitTimeLeft, s.left) << s.elapsed;
        EXPECT_EQ(m.GetSeqWorker(0)->m_MainStarted, s.mainStarted) << s.elapsed;
    }
    EXPECT_FALSE(config->IsTransiting());
    EXPECT_EQ(config->EventMask & 0x38u, 0u);
}

// Each channel of the back buffer's pixel within one step of the expected.
::testing::AssertionResult Near(u32 actual, u32 expected) {
    for (int shift = 0; shift < 24; shift += 8)
        if (std::abs(int((actual >> shift) & 255) - int((expected >> shift) & 255)) > 1)
            return ::testing::AssertionFailure()
                   << (::testing::Message() << std::hex << actual << " is not " << expected);
    return ::testing::AssertionSuccess();
}

TEST_F(Transit, TheCapturedScreenIsDrawnOverTheScenesWidgetsAndFadesOut) {
    SceneDevice device;
    ASSERT_TRUE(device.started);
    auto capture = gxtest::Solid(1024, 768, 0xFFFF0000);
    core.m_Config->m_BackgroundColor = 0xFF0000FF;
    // Overlapping bands across rows 100 to 200: the scene's widget and its
    // top-most one, then the resident system scene's notice and its top-most
    // dialog. A top-most widget goes over the others of its scene whatever
    // their order.
    auto* system = new GxTaskBase(top, u"SeqSystem");
    m.SetRootTree(system);
    new qtest::PaintedWidget(config, {0, 100, 256, 200}, 0xFF00FF00, 2000.0f, false);
    new qtest::PaintedWidget(config, {128, 100, 384, 200}, 0xFFFFFFFF, 1000.0f, true);
    new qtest::PaintedWidget(system, {256, 100, 512, 200}, 0xFF808080, 18000.0f, false);
    new qtest::PaintedWidget(system, {384, 100, 640, 200}, 0xFF00FFFF, 1000.0f, true);
    Change(title);
    Change(config);
    config->m_TransitParam.m_TransitTimeLeft = 100;
    m.EnqueueRender(0, 0);
    ASSERT_EQ(core.List(0, 0).GetEntries().size(), 1u);
    const auto& topMost = core.List(0, kGxUITopMostRenderList).GetEntries();
    EXPECT_EQ(topMost.size(), 2u);
    ASSERT_FALSE(topMost.empty());
    EXPECT_EQ(topMost.back().m_Task, config);
    EXPECT_EQ(topMost.back().m_DrawParam, 1);

    core.DrawRenderLists();
    EXPECT_EQ(device.Pixel(320, 240), 0xFF0000FFu) << "nothing captured, nothing drawn over the clear";
    game.capture = capture.get();
    core.DrawRenderLists();
    // Progress 0.75 leaves alpha 0.25, packed as 63.
    EXPECT_TRUE(Near(device.Pixel(0, 0), 0xFF3F00C0));
    EXPECT_TRUE(Near(device.Pixel(639, 479), 0xFF3F00C0));
    const struct {
        u32 x;
        u32 colour;
        const char* what;
    } kSeen[] = {{64, 0xFF3FC000, "the scene's widget, faded"},
                 {192, 0xFFFFC0C0, "its top-most widget over it, faded"},
                 {320, 0xFF808080, "the system's notice over both and the fade"},
                 {448, 0xFF00FFFF, "the system's top-most dialog over its notice"}};
    for (const auto& s : kSeen) EXPECT_TRUE(Near(device.Pixel(s.x, 150), s.colour)) << s.what;

    ASSERT_TRUE(GxGraphics::Clear(kGxClearTarget, 0xFF00FF00, 1.0f, 0));
    config->Render(2, 0);
    EXPECT_EQ(device.Pixel(320, 240), 0xFF00FF00u) << "other draw parameters draw nothing";
    config->FinishTransit();
    core.ClearRenderLists();
    m.EnqueueRender(0, 0);
    EXPECT_EQ(topMost.size(), 1u) << "the top-most widget alone";
    config->RenderTransit();
    EXPECT_EQ(device.Pixel(320, 240), 0xFF00FF00u) << "a finished transition draws nothing";
}

TEST_F(Transit, AZeroTimeTransitionIsFullyTransparentAndEndsAtOnce) {
    SceneDevice device;
    ASSERT_TRUE(device.started);
    auto capture = gxtest::Solid(1024, 768, 0xFFFF0000);
    game.capture = capture.get();
    Change(title);
    core.m_Config->m_SceneTransitTime = 0;
    Change(config);
    EXPECT_TRUE(config->IsTransiting());
    EXPECT_EQ(config->m_TransitParam.GetProgress(), 1.0f);
    ASSERT_TRUE(GxGraphics::Clear(kGxClearTarget, 0xFF00FF00, 1.0f, 0));
    config->RenderTransit();
    EXPECT_EQ(device.Pixel(320, 240), 0xFF00FF00u);
    m.Update(0, 0);
    EXPECT_FALSE(config->IsTransiting());
    EXPECT_TRUE(m.GetSeqWorker(0)->m_MainStarted);
}

TEST_F(Transit, FinishingAnIdleSceneChangesNothing) {
    plain->EventMask = 0x38;
    title->EventMask = 0x38;
    EXPECT_EQ(title->FinishTransit(), 0);
    EXPECT_EQ(title->EventMask, 0x38u);
    EXPECT_TRUE(title->StartTransit(10));
    EXPECT_EQ(title->FinishTransit(), 1);
    EXPECT_EQ(title->EventMask, 0u);
    EXPECT_EQ(title->m_TransitParam.m_TransitTimeLeft, 0);
}

TEST_F(Transit, EndingOnNoWorkerCapturesNothing) {
    Change(title);
    ASSERT_TRUE(m.ChangeSequence(config, 0, 0, 0));
    m.ClearSequences();
    EXPECT_TRUE(game.calls.empty()) << "a shutdown leaves no picture to fade from";
    EXPECT_FALSE(config->IsTransiting());
    m.EndSequenceTree(title, -1);
    EXPECT_TRUE(game.calls.empty());
}

TEST_F(Transit, InputSkipsATransitingScene) {
    struct Clicker : GxTaskBase {
        using GxTaskBase::GxTaskBase;
        int clicks = 0;
        int OnLButtonDown(const GxVector2&, u32, bool) override { return ++clicks; }
    };
    auto* child = new Clicker(config);
    Change(title);
    Change(config);
    m.DispatchLButtonDown({0, 0}, 0);
    EXPECT_EQ(child->clicks, 0);
    config->FinishTransit();
    m.DispatchLButtonDown({0, 0}, 0);
    EXPECT_EQ(child->clicks, 1);
}

TEST(TransitParam, StoredAsFlagAndTwoTimes) {
    GxTransitParam p;
    p.m_Transit = true;
    p.m_TransitTimeLeft = 300;
    p.m_TransitTimeTotal = 400;
    EXPECT_FLOAT_EQ(p.GetProgress(), 0.25f);
    const std::vector<u8> bytes =
        iotest::WriteToMemory<GxContentBinaryWriter>([&](GxContentBinaryWriter& w) { EXPECT_TRUE(p.WriteContent(&w)); });
    EXPECT_EQ(bytes, (std::vector<u8>{0x0B, 1, 0x05, 0, 0, 0x01, 0x2C, 0x05, 0, 0, 0x01, 0x90}));
    GxTransitParam q;
    GxContentBinaryReader r(bytes.data(), u32(bytes.size()), true);
    EXPECT_TRUE(q.ReadContent(&r));
    EXPECT_TRUE(q.m_Transit);
    EXPECT_EQ(q.m_TransitTimeLeft, 300);
    EXPECT_EQ(q.m_TransitTimeTotal, 400);

    q.m_TransitTimeLeft = 500;  // more left than in total, as a damaged save may say
    EXPECT_EQ(q.GetProgress(), 0.0f);
    q.m_TransitTimeTotal = -1;
    EXPECT_EQ(q.GetProgress(), 1.0f);
}

} // namespace
