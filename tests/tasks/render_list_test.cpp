#include "TestTasks.h"
#include "tasks/GxTaskRenderManage.h"
#include "support/FakeCore.h"

#include <gtest/gtest.h>

using qtest::JournalScene;
using qtest::JournalTask;
using qtest::Journal;

namespace {

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
    for (GxTaskBase* t : {static_cast<GxTaskBase*>(inScene), static_cast<GxTaskBase*>(outside),
                          static_cast<GxTaskBase*>(inIdle), static_cast<GxTaskBase*>(hidden),
                          static_cast<GxTaskBase*>(dead)})
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
