// UI events: who receives them, what the pointer events carry, how presses
// and movements reach widgets through the task tree's walk, and how the
// modal level and the other gates block them.
#include "ui_fixture.h"

#include "layers/GxActorActions.h"
#include "ui/GxTaskUINull.h"
#include "ui/GxTaskUIPanelIs.h"

#include <functional>

using namespace uitest;

namespace {

// A task behind the widgets that notes the presses that reach it.
struct PressRecorder : GxTaskBase {
    using GxTaskBase::GxTaskBase;
    int OnLButtonDown(const GxVector2&, u32, bool) override { return ++presses, 0; }
    int OnMouseMove(const GxVector2&, u32) override { return ++moves, 0; }
    int presses = 0, moves = 0;
};

class Events : public UITest {
protected:
    // A 100 x 100 panel at (20, 30) under the parent.
    GxTaskUIPanelIs* Panel(GxTaskBase* parent, const GxChar* name) {
        auto* p = new GxTaskUIPanelIs(parent, name);
        p->SetWidth(100), p->SetHeight(100), p->SetPos(20, 30, 0, 0);
        return p;
    }
};

TEST_F(Events, EventsGoToTheListenerElseTheSceneAndNeverToASleepingReceiver) {
    auto* listener = new Recording<GxTaskFolder>(root, u"listener");
    listener->SetAcceptUIEventFlag(true), listener->SetInstantUIEventFlag(true);
    auto* w = new GxTaskUINull(root, u"w");
    struct Case {
        const char* what;
        std::function<void()> setup;
        bool sent;
        int toScene, toListener;
    } cases[] = {
        {"no listener: the scene", [] {}, true, 1, 0},
        {"the listener", [&] { w->SetListener(listener); }, true, 0, 1},
        {"a suspended listener drops it", [&] { w->SetListener(listener), listener->Suspend(); }, false, 0, 0},
        {"a killed listener drops it", [&] { w->SetListener(listener), listener->Kill(); }, false, 0, 0},
        {"the listener even while the scene sleeps",
         [&] { w->SetListener(listener), scene->Suspend(); }, true, 0, 1},
        {"a sleeping scene drops it", [&] { scene->Suspend(); }, false, 0, 0},
        {"report bit 1 clear: PostUIEvent still sends", [&] { w->ClearEventReportFlag(1); }, true, 1, 0},
    };
    for (const Case& c : cases) {
        w->SetListener(nullptr), w->SetEventReportFlag(1);
        listener->SetGlobalState(kGxTaskRunning), scene->SetGlobalState(kGxTaskRunning);
        listener->events.clear(), scene->events.clear();
        c.setup();
        EXPECT_EQ(w->PostUIEvent(UIEVENT_DECIDE), c.sent) << c.what;
        EXPECT_EQ(int(scene->events.size()), c.toScene) << c.what;
        EXPECT_EQ(int(listener->events.size()), c.toListener) << c.what;
        for (const GxUIEventParam& e : scene->events) EXPECT_EQ(e.m_Source, w) << c.what;
    }
    scene->SetGlobalState(kGxTaskRunning);
    auto* orphan = new GxTaskUINull(top, u"orphan");
    EXPECT_FALSE(orphan->PostUIEvent(UIEVENT_DECIDE)) << "no scene and no listener";
}

TEST_F(Events, PressesReachThePanelFirstAndBlockTheTasksBehindIt) {
    auto* dialog = new GxTaskUINull(root, u"dialog");
    GxTaskUIPanelIs* top_level = Panel(root, u"panel");
    GxTaskUIPanelIs* inDialog = Panel(dialog, u"in_dialog");
    auto* behind = new PressRecorder(root, u"behind");
    const GxVector2 in(50, 60), out(200, 60);
    struct Case {
        const char* what;
        GxTaskUIPanelIs* panel;
        std::function<void(GxTaskUIPanelIs*)> setup;
        GxVector2 at;
        bool consumed, event;
        s32 state;
    } cases[] = {
        {"reported and blocking", top_level, [](auto*) {}, in, true, true, 1},
        {"outside", top_level, [](auto*) {}, out, false, false, 0},
        {"not reported: passed on", top_level, [](auto* p) { p->ClearEventReportFlag(1); }, in, false, false, 1},
        {"not blocking", top_level, [](auto* p) { p->SetEventBlockFlag(false); }, in, false, true, 1},
        {"a dialog is open over it", top_level, [&](auto*) { ui.m_ModalLevel = 1; }, in, false, false, 0},
        {"inside the open dialog", inDialog, [&](auto*) { ui.m_ModalLevel = 1; }, in, true, true, 1},
        {"two dialogs deep", inDialog, [&](auto*) { ui.m_ModalLevel = 2; }, in, false, false, 0},
        {"the level its own", top_level,
         [&](auto* p) { ui.m_ModalLevel = 2, p->SetModalFlag(true), p->SetModalPriority(2); }, in, true, true, 1},
        {"below its own level", top_level,
         [&](auto* p) { ui.m_ModalLevel = 2, p->SetModalFlag(true), p->SetModalPriority(1); }, in, false, false, 0},
        {"locked", top_level, [](auto* p) { p->Lock(); }, in, false, false, 0},
        {"its dialog disabled", inDialog, [&](auto*) { dialog->SetEnabled(false); }, in, false, false, 0},
        {"all widgets blocked", top_level, [&](auto*) { ui.SetUIBlock(0, 1); }, in, false, false, 0},
        {"moving", top_level, [](auto* p) { GxAddActionWait(0, 100, p); }, in, false, false, 0},
        {"hidden", top_level, [](auto* p) { p->Hide(); }, in, false, false, 0},
    };
    for (const Case& c : cases) {
        for (GxTaskUIPanelIs* p : {top_level, inDialog}) {
            p->Hide(), p->ResetEventState(), p->ClearActions(), p->ResetLock();
            p->SetEventReportFlag(1), p->SetEventBlockFlag(true), p->SetModalFlag(false);
        }
        c.panel->Show();
        dialog->SetEnabled(true);
        ui.m_ModalLevel = 0, ui.SetUIBlock(0, 0);
        behind->presses = 0;
        scene->events.clear();
        c.setup(c.panel);
        EXPECT_EQ(m.OnLButtonDown(c.at, 0, false) != 0, c.consumed) << c.what;
        EXPECT_EQ(behind->presses, c.consumed ? 0 : 1) << c.what;
        EXPECT_EQ(c.panel->GetEventState(), c.state) << c.what;
        ASSERT_EQ(scene->Types(), c.event ? std::vector<s32>{UIEVENT_DECIDE} : std::vector<s32>{}) << c.what;
        if (c.event) {
            EXPECT_EQ(scene->events[0].m_Vector0.x, c.at.x) << "the pointer";
            EXPECT_EQ(scene->events[0].m_Vector0.y, c.at.y);
            EXPECT_EQ(scene->events[0].m_Vector1.x, 20.0f) << "the widget's world position";
            EXPECT_EQ(scene->events[0].m_Vector1.y, 30.0f);
        }
    }
}

TEST_F(Events, ThePointerEntersOnceAndLeavesInTheUpdate) {
    GxTaskUIPanelIs* p = Panel(root, u"panel");
    auto* behind = new PressRecorder(root, u"behind");
    const GxVector2 in(50, 60), out(300, 300);
    EXPECT_EQ(m.OnMouseMove(in, 0), 1) << "panels block movement over them";
    EXPECT_EQ(m.OnMouseMove(GxVector2(60, 60), 0), 1);
    EXPECT_EQ(scene->Types(), std::vector<s32>{UIEVENT_POINTER_ENTER});
    EXPECT_EQ(p->GetHoverCount(), 1);
    EXPECT_EQ(behind->moves, 0);
    EXPECT_EQ(m.OnMouseMove(out, 0), 0);
    EXPECT_EQ(behind->moves, 1);

    Point(in.x, in.y);
    Step(p);
    EXPECT_EQ(p->GetHoverCount(), 1) << "still over it";
    Point(out.x, out.y);
    Step(p);
    EXPECT_EQ(p->GetHoverCount(), 0);
    EXPECT_EQ(p->GetEventState(), UIEVENT_POINTER_LEAVE);
    EXPECT_EQ(scene->Types(), (std::vector<s32>{UIEVENT_POINTER_ENTER, UIEVENT_POINTER_LEAVE}));

    // Without its report bit the hover still changes, silently.
    scene->events.clear();
    p->ClearEventReportFlag(UIEVENT_POINTER_ENTER);
    m.OnMouseMove(in, 0);
    EXPECT_EQ(p->GetHoverCount(), 1);
    EXPECT_EQ(p->GetEventState(), UIEVENT_POINTER_ENTER);
    EXPECT_TRUE(scene->events.empty());
    p->Hide();
    EXPECT_EQ(p->GetHoverCount(), 0) << "hiding resets the event state";
    EXPECT_EQ(p->GetEventState(), 0);
}

TEST_F(Events, TheEndOfTheLastActionIsReportedOnce) {
    auto* w = new GxTaskUINull(root, u"w");
    GxAddActionWait(0, 20, w);
    GxAddActionWait(1, 40, w);
    Step(w);
    Step(w);
    EXPECT_TRUE(scene->events.empty()) << "channel 1 still waits";
    Step(w);
    EXPECT_EQ(scene->Types(), std::vector<s32>{UIEVENT_ACTION_END});
    Step(w);
    EXPECT_EQ(scene->events.size(), 1u);

    // Hidden or under a dialog it is still told; locked it is not.
    w->Hide(), ui.m_ModalLevel = 3;
    GxAddActionWait(0, 10, w);
    Step(w);
    EXPECT_EQ(scene->events.size(), 2u);
    w->Lock();
    GxAddActionWait(0, 10, w);
    Step(w);
    EXPECT_EQ(scene->events.size(), 2u);
}

} // namespace
