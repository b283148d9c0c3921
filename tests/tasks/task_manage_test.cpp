// The task manager: its walks, events, scene changes and sweeps, and the
// render lists it draws.
#include "TestTasks.h"
#include "tasks/GxTaskRenderManage.h"
#include "support/FakeCore.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

using qtest::JournalScene;
using qtest::JournalTask;
using qtest::Journal;

namespace {

// A top task, the resident scene as the root tree and two scenes A and B,
// each with two children.
struct Manage : testing::Test {
    Journal j;  // outlives the tasks, which write to it when deleted
    qtest::LogCapture log;
    qtest::FakeCore core;
    GxTaskManage& m = *core.m_TaskManage;
    JournalTask* top = new JournalTask(&m, "top", &j);
    JournalScene* root = new JournalScene(top, u"SeqSystem", "root", &j);
    JournalScene* a = new JournalScene(top, u"SeqA", "A", &j);
    JournalScene* b = new JournalScene(top, u"SeqB", "B", &j);
    JournalTask* a1 = new JournalTask(a, "a1", &j);
    JournalTask* a2 = new JournalTask(a, "a2", &j);
    JournalTask* b1 = new JournalTask(b, "b1", &j);

    void SetUp() override { m.SetRootTree(root); }
    void Run(GxTaskBase* scene, int worker) {
        ASSERT_TRUE(m.ChangeSequence(scene, worker, 0, 0)) << log.Text();
        m.ApplySequenceChanges();
    }
};

TEST_F(Manage, UpdateVisitsWorkerOneThenZeroThenRootParentsFirst) {
    Run(a, 0);
    Run(b, 1);
    j.clear();
    m.Update(0, 0);
    EXPECT_EQ(j, (Journal{"B:premain0", "b1:premain0", "A:premain0", "a1:premain0", "a2:premain0", "root:update0"}))
        << "scenes wait for their main phase; each walk ends with its scene's subtree";
    j.clear();
    m.Update(1, 0);
    EXPECT_EQ(j, (Journal{"B:update1", "b1:update1", "A:update1", "a1:update1", "a2:update1", "root:update1"}));

    j.clear();
    m.EnqueueRender(0, 0);
    EXPECT_EQ(j, (Journal{"b1:enqueue0", "a1:enqueue0", "a2:enqueue0"})) << "scenes here enqueue nothing themselves";

    // The stop flag ends the update walk.
    b1->m_StopOnUpdate = true;
    j.clear();
    m.Update(1, 0);
    EXPECT_EQ(j, (Journal{"B:update1", "b1:update1"})) << "neither worker 0's scene nor the root is updated";
    EXPECT_TRUE(m.m_StopUpdateFlag);
}

TEST_F(Manage, WalkFlagsSkipTasksOrTheirChildren) {
    Run(a, 0);
    m.StartMain(0);
    struct Case {
        u32 flags;
        s32 state;
        Journal want;
    } cases[] = {
        {0, kGxTaskRunning, {"A:update0", "a1:update0", "a2:update0"}},
        {kGxTaskNoUpdate, kGxTaskRunning, {"a1:update0", "a2:update0"}},
        {kGxTaskNoUpdateChildren, kGxTaskRunning, {"A:update0"}},
        {kGxTaskNoUpdateBeforeMain | kGxTaskNoEnqueueRender, kGxTaskRunning, {"A:update0", "a1:update0", "a2:update0"}},
        {0, kGxTaskSuspended, {}},
    };
    for (const Case& c : cases) {
        a->TaskFlags = kGxTaskEndsSiblingWalk | c.flags;
        a->SetGlobalState(c.state);
        j.clear();
        m.UpdateTaskTree(a, 0, 0);
        EXPECT_EQ(j, c.want) << "flags " << c.flags;
    }

    // The sibling walk ends after a task with the stop bit.
    j.clear();
    m.UpdateTaskTree(a1, 0, 0);
    EXPECT_EQ(j, (Journal{"a1:update0", "a2:update0"}));
    a1->TaskFlags |= kGxTaskEndsSiblingWalk;
    j.clear();
    m.UpdateTaskTree(a1, 0, 0);
    EXPECT_EQ(j, (Journal{"a1:update0"}));
    j.clear();
    m.UpdateTaskTree(root, 0, 0);
    EXPECT_EQ(j, (Journal{"root:update0"})) << "scenes stop the walk at themselves";
}

TEST_F(Manage, EventsGoToChildrenBeforeParentsAndTheFirstConsumerWins) {
    Run(a, 0);
    Run(b, 1);
    j.clear();
    EXPECT_EQ(m.DispatchLButtonDown({1, 2}, 0), 0);
    EXPECT_EQ(j, (Journal{"root:ldown", "b1:ldown", "B:ldown", "a1:ldown", "a2:ldown", "A:ldown"}));

    b1->m_Consume = 5;
    j.clear();
    EXPECT_EQ(m.DispatchLButtonDblClk({1, 2}, 0), 5);
    EXPECT_EQ(j, (Journal{"root:ldown", "b1:dblclk"})) << "never reaches its parent or a later tree";

    b1->m_Consume = 0;
    b->EventMask = kGxEventSkipMouse;
    a->EventMask = kGxEventNoDescentMouse;
    j.clear();
    m.DispatchLButtonDown({0, 0}, 0);
    EXPECT_EQ(j, (Journal{"root:ldown", "A:ldown"}));

    a->EventMask = b->EventMask = 0;
    auto* c = new JournalScene(top, u"SeqC", "C", &j);
    ASSERT_TRUE(m.ChangeSequence(c, 0, 0, 0));
    j.clear();
    m.DispatchLButtonDown({0, 0}, 0);
    EXPECT_EQ(j, (Journal{"root:ldown", "b1:ldown", "B:ldown"})) << "a worker with a change pending gets no input";
}

TEST_F(Manage, KeyActionsAlwaysReachTheChildren) {
    Run(a, 0);
    a->EventMask = kGxEventNoDescentMouse | kGxEventNoDescentWindow | kGxEventNoDescentKeyInput | kGxEventNoDescentNet;
    j.clear();
    m.DispatchKeyActionUpdate(nullptr, 0, 0);
    EXPECT_EQ(j, (Journal{"a1:keyaction", "a2:keyaction"}));
    a->EventMask = kGxEventSkipKeyAction;
    j.clear();
    m.DispatchKeyActionUpdate(nullptr, 0, 0);
    EXPECT_TRUE(j.empty());
}

TEST_F(Manage, SequenceChangeChecksAndTheirMessages) {
    auto* plain = new JournalTask(top, "plain", &j, u"Plain");
    struct Case {
        GxTaskBase* task;
        int worker;
        std::string message;
    } refusals[] = {
        {nullptr, 0, ""},
        {a, -1, "指定されたワーカーインデックスでは実行できませんありません(SeqA:seqworkindex=-1)\n"},
        {a, 2, "指定されたワーカーインデックスでは実行できませんありません(SeqA:seqworkindex=2)\n"},
        {plain, 0, "指定されたタスクはシーケンスタスクではありません(Plain)\n"},
    };
    for (const Case& c : refusals) {
        log.Clear();
        EXPECT_FALSE(m.ChangeSequence(c.task, c.worker, 0, 0));
        if (c.message.empty())
            EXPECT_TRUE(log.Lines().empty());
        else
            EXPECT_TRUE(log.Contains(c.message)) << log.Text();
        EXPECT_FALSE(m.IsSequenceChangePending());
    }
    Run(a, 0);
    log.Clear();
    EXPECT_FALSE(m.ChangeSequence(a, 1, 0, 0));
    EXPECT_TRUE(log.Contains("既に実行中のシーケンスに遷移することはできません(SeqA:seqworkindex=0)\n")) << log.Text();
    a->SetSeqWorkIndex(-1);
    log.Clear();
    EXPECT_FALSE(m.ChangeSequence(a, 0, 0, 0));
    EXPECT_TRUE(log.Contains("Can not change the same sequence(SeqA)\n")) << log.Text();
    a->SetSeqWorkIndex(0);

    log.Clear();
    EXPECT_FALSE(m.ChangeSequenceByName(u"SeqNone", 0, 0, 0));
    EXPECT_TRUE(log.Contains("遷移先のシーケンスが見つかりません(SeqNone)\n"));
    EXPECT_FALSE(m.ChangeSequenceByNameStr(u"", 0, 0));
    EXPECT_TRUE(log.Contains("名前のないタスクは遷移先のシーケンスに指定できません\n"));
}

TEST_F(Manage, AppliedChangesEndTheOldSceneAndStartTheNew) {
    Run(a, 0);
    EXPECT_EQ(a->GetSeqWorkIndex(), 0);
    ASSERT_TRUE(m.ChangeSequenceByNameStr(u"SeqB", 0, 9));
    EXPECT_TRUE(m.IsSequenceChangePending());
    const GxSeqWorker* w = m.GetSeqWorker(0);
    EXPECT_FALSE(w->m_Ready);
    EXPECT_EQ(w->m_PendingParam0, 0);
    EXPECT_EQ(w->m_PendingParam1, 9);
    j.clear();
    m.ApplySequenceChanges();
    EXPECT_EQ(j, (Journal{"A:end0", "a1:end0", "a2:end0", "B:start0", "b1:start0"}));
    EXPECT_EQ(a->GetSeqWorkIndex(), -1);
    EXPECT_EQ(b->GetSeqWorkIndex(), 0);
    EXPECT_EQ(w->m_CurrentTask, b);
    EXPECT_EQ(w->m_PrevTask, a);
    EXPECT_EQ(w->m_PrevName, u"SeqA");
    EXPECT_TRUE(w->m_Ready);
    EXPECT_FALSE(w->m_MainStarted);
    EXPECT_EQ(w->m_CurrentParam1, 9);
}

TEST_F(Manage, ASceneAskedForByBothWorkersRunsOnTheFirstAppliedAndALaterRequestReplacesThePendingOne) {
    ASSERT_TRUE(m.ChangeSequence(b, 0, 0, 0));
    ASSERT_TRUE(m.ChangeSequence(b, 1, 0, 0));
    log.Clear();
    m.ApplySequenceChanges();
    EXPECT_EQ(b->GetSeqWorkIndex(), 1) << "worker 1 is applied first";
    EXPECT_EQ(m.GetSeqWorker(0)->m_CurrentTask, nullptr);
    EXPECT_FALSE(m.IsSequenceChangePending());
    EXPECT_TRUE(log.Contains("既に実行中のシーケンスに遷移することはできません(SeqB:seqworkindex=1)\n")) << log.Text();

    // A later request replaces the pending one.
    auto* c = new JournalScene(top, u"SeqC", "C", &j);
    ASSERT_TRUE(m.ChangeSequence(a, 0, 0, 0));
    ASSERT_TRUE(m.ChangeSequence(c, 0, 0, 0));
    j.clear();
    m.ApplySequenceChanges();
    EXPECT_EQ(j, (Journal{"C:start0"}));
    EXPECT_EQ(a->GetSeqWorkIndex(), -1);
}

TEST_F(Manage, ARequestDroppedAtApplyTimeLeavesTheRunningSceneAsItWas) {
    for (bool mainStarted : {true, false}) {
        m.ClearSequences();
        a->SetSeqWorkIndex(-1);
        b->SetSeqWorkIndex(-1);
        Run(a, 0);
        if (mainStarted) m.StartMain(0);
        ASSERT_TRUE(m.ChangeSequence(b, 1, 0, 0));
        ASSERT_TRUE(m.ChangeSequence(b, 0, 0, 0));
        ASSERT_TRUE(m.ChangeSequence(b, 0, 0, 0)) << "a second request replaces the first";
        m.ApplySequenceChanges();
        const GxSeqWorker* w = m.GetSeqWorker(0);
        EXPECT_EQ(w->m_CurrentTask, a);
        EXPECT_TRUE(w->m_Ready);
        EXPECT_EQ(w->m_MainStarted, mainStarted);
        j.clear();
        m.Update(0, 0);
        EXPECT_EQ(j.at(2), mainStarted ? "A:update0" : "A:premain0") << "after worker 1's B and b1";
    }
}

TEST_F(Manage, StartMainNeedsAReadyWorker) {
    m.StartMain(0);
    EXPECT_TRUE(log.Contains("GxTaskManage::StartMain/シーケンスの準備ができていません seqworkindex=0\n")) << log.Text();
    log.Clear();
    m.StartMain(5);
    EXPECT_TRUE(log.Contains("GxTaskManage::StartMain/シーケンスの準備ができていません seqworkindex=5\n"));
    Run(a, 0);
    m.StartMain(0);
    EXPECT_TRUE(m.GetSeqWorker(0)->m_MainStarted);
}

TEST_F(Manage, SweepDeletesAKilledTaskOnTheSecondSweep) {
    a2->Kill();
    j.clear();
    m.SweepTaskTree(top);
    EXPECT_TRUE(j.empty());
    EXPECT_EQ(a2->GetDeleteCountdown(), 0);
    m.SweepTaskTree(top);
    EXPECT_EQ(j, (Journal{"a2:delete"}));
    EXPECT_EQ(a->GetChildCount(), 1);
    EXPECT_EQ(a->GetLastChild(), a1);

    auto* parent = new JournalTask(top, "p", &j);
    auto* child = new JournalTask(parent, "c", &j);
    parent->SetDeleteCountdown(0);
    child->SetDeleteCountdown(5);
    parent->Kill();
    j.clear();
    for (int i = 0; i < 5; ++i) m.SweepTaskTree(top);
    EXPECT_TRUE(j.empty()) << "a killed parent waits for its children";
    m.SweepTaskTree(top);
    EXPECT_EQ(j, (Journal{"c:delete", "p:delete"})) << "children first, then the parent in the same sweep";
}

TEST_F(Manage, SweepKeepsScenesAWorkerStillHolds) {
    Run(a, 0);
    Run(b, 0);  // a is now worker 0's previous scene, b its current one
    a->SetDeleteCountdown(0);
    a->Kill();
    b->Kill();
    j.clear();
    for (int i = 0; i < 3; ++i) m.SweepTaskTree(top);
    EXPECT_EQ(j, (Journal{"a1:delete", "a2:delete", "b1:delete"}));
    EXPECT_EQ(m.GetSeqWorker(0)->m_PrevTask, a);
    EXPECT_EQ(m.GetSeqWorker(0)->m_CurrentTask, b);

    m.ClearSequences();
    Run(new JournalScene(top, u"SeqC", "C", &j), 0);
    j.clear();
    m.SweepTaskTree(top);
    EXPECT_EQ(j, (Journal{"A:delete", "B:delete"})) << "released once no worker names them";
}

TEST_F(Manage, ClearSequencesEndsBothWorkersWithIndexMinusOne) {
    Run(a, 0);
    Run(b, 1);
    j.clear();
    m.ClearSequences();
    EXPECT_EQ(j, (Journal{"B:end-1", "b1:end-1", "A:end-1", "a1:end-1", "a2:end-1"}));
    EXPECT_EQ(a->GetSeqWorkIndex(), -1);
    EXPECT_EQ(m.GetSeqWorker(0)->m_CurrentTask, nullptr);
    EXPECT_FALSE(m.GetSeqWorker(1)->m_Ready);

    // A worker waiting for its change is not ready: its scene is neither
    // ended nor taken off it.
    Run(a, 0);
    ASSERT_TRUE(m.ChangeSequence(b, 0, 0, 0));
    j.clear();
    m.ClearSequences();
    EXPECT_TRUE(j.empty());
    EXPECT_EQ(a->GetSeqWorkIndex(), 0);
    EXPECT_EQ(m.GetSeqWorker(0)->m_CurrentTask, nullptr);
    EXPECT_FALSE(m.IsSequenceChangePending());
}

TEST_F(Manage, CloseIsOfferedToTheTreesAndMayBeHeld) {
    Run(a, 0);
    EXPECT_EQ(m.OnClose(), 0);
    a1->m_Consume = 1;
    EXPECT_EQ(m.OnClose(), 1);
}

TEST(ManageLifetime, DeletingTheManagerDeletesTheTreeChildrenFirst) {
    Journal j;
    {
        GxTaskManage m;
        auto* top = new JournalTask(&m, "top", &j);
        auto* x = new JournalTask(top, "x", &j, u"x");
        new JournalTask(x, "x1", &j);
        new JournalTask(top, "y", &j);
        EXPECT_EQ(m.GetTopTask(), top);
        auto* second = new JournalTask(&m, "second", &j);
        EXPECT_EQ(m.GetTopTask(), top) << "only the first parentless task is the top";
        delete second;
    }
    EXPECT_EQ(j, (Journal{"second:delete", "x1:delete", "x:delete", "y:delete", "top:delete"}));
}

TEST(RenderList, SortModesPlaceEntriesByKey) {
    struct Case {
        s32 mode;
        std::vector<f32> keys;
        std::vector<int> order;  // insertion numbers in list order
    } cases[] = {
        {3, {1, 2, 2, 3}, {0, 1, 2, 3}},
        {0, {2, 1, 2}, {1, 0, 2}},   // 0: the list's default, ascending after equal keys
        {5, {1, 2, 2, 3}, {0, 2, 1, 3}},
        {4, {1, 3, 2}, {1, 2, 0}},
        {4, {2, 1, 2}, {0, 2, 1}},
        {6, {2, 1, 2}, {2, 0, 1}},
        {2, {1, 2, 3}, {2, 1, 0}},
        {1, {3, 1, 2}, {0, 1, 2}},
        {7, {3, 1, 2}, {0, 1, 2}},
        {-1, {3, 1, 2}, {0, 1, 2}},
    };
    GxTaskManage manager;
    std::vector<GxTaskBase*> tasks;
    auto* top = new GxTaskBase(&manager);
    for (int i = 0; i < 4; ++i) tasks.push_back(new GxTaskBase(top));
    for (const Case& c : cases) {
        GxTaskRenderManage list;
        EXPECT_EQ(list.GetDefaultSortMode(), 3);
        for (size_t i = 0; i < c.keys.size(); ++i) EXPECT_TRUE(list.AddTask(c.mode, tasks[i], c.keys[i], int(i)));
        std::vector<int> got;
        for (const auto& e : list.GetEntries()) got.push_back(e.m_DrawParam);
        EXPECT_EQ(got, c.order) << "mode " << c.mode;
    }
}

TEST(RenderList, DrawingSkipsStoppedTasksAndHonoursTheMainPhase) {
    Journal j;
    qtest::FakeCore core;
    GxTaskManage& m = *core.m_TaskManage;
    auto* top = new JournalTask(&m, "top", &j);
    auto* scene = new JournalScene(top, u"SeqA", "S", &j);
    auto* inScene = new JournalTask(scene, "in", &j);
    auto* outside = new JournalTask(top, "out", &j);
    auto* idle = new JournalScene(top, u"SeqIdle", "I", &j);
    auto* inIdle = new JournalTask(idle, "idle", &j);
    auto* hidden = new JournalTask(scene, "hidden", &j);
    auto* dead = new JournalTask(scene, "dead", &j);
    hidden->TaskFlags |= kGxTaskNoDraw;
    dead->Kill();

    ASSERT_TRUE(m.ChangeSequence(scene, 0, 0, 0));
    m.ApplySequenceChanges();
    GxTaskRenderManage list;
    for (GxTaskBase* t : std::initializer_list<GxTaskBase*>{inScene, outside, inIdle, hidden, dead})
        list.AddTask(1, t, 0, 7);
    j.clear();
    list.DrawList(&m, 5);
    EXPECT_EQ(j, (Journal{"in:renderpre7/5", "out:render7/5", "idle:render7/5"}))
        << "before its main phase a scene's tasks draw through RenderBeforeMain; tasks of no worker or "
           "no scene draw normally";
    m.StartMain(0);
    j.clear();
    list.DrawList(&m, 5);
    EXPECT_EQ(j.front(), "in:render7/5");
    EXPECT_EQ(list.GetEntries().size(), 5u) << "drawing removes nothing";
}

} // namespace
