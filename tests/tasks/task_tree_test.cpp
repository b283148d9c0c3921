#include "TestTasks.h"
#include "tasks/GxTaskFolder.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

using qtest::JournalScene;
using qtest::JournalTask;
using qtest::Journal;

namespace {

struct Tree : testing::Test {
    Journal j;
    qtest::LogCapture log;
    GxTaskManage manager;
    GxTaskBase* top = new GxTaskBase(&manager);
};

TEST_F(Tree, TaskIdRegistrationRefusalsKeepTheFirstOwner) {
    auto* a = new GxTaskBase(top, u"a");
    auto* b = new GxTaskBase(top, u"b");
    EXPECT_FALSE(a->SetTaskID(0));
    EXPECT_TRUE(log.Contains("GxTaskManage::RegisterTaskID/TaskID=0は指定できません(a)\n")) << log.Text();
    EXPECT_EQ(a->GetTaskID(), 0u);

    EXPECT_TRUE(a->SetTaskID(7));
    EXPECT_FALSE(a->SetTaskID(8));
    EXPECT_TRUE(log.Contains("GxTaskBase::SetTaskID/TaskIDは後から変更できませんTaskID=7->8\n")) << log.Text();
    EXPECT_EQ(a->GetTaskID(), 7u);

    EXPECT_FALSE(b->SetTaskID(7));
    EXPECT_TRUE(log.Contains("GxTaskManage::RegisterTaskID/TaskID重複を検出 (7,b)\n")) << log.Text();
    EXPECT_EQ(b->GetTaskID(), 0u) << "a refused id is not kept";
    EXPECT_TRUE(b->SetTaskID(9)) << "so the task may still take another";

    log.Clear();
    delete b;
    EXPECT_EQ(manager.FindTaskID(7), a) << "deleting the refused task leaves the owner's entry";
    EXPECT_TRUE(log.Lines().empty()) << log.Text();
    delete a;
    EXPECT_EQ(manager.FindTaskID(7), nullptr);
}

TEST_F(Tree, NameRefusalsLeaveEveryTaskWithWhatItHad) {
    auto* a = new GxTaskBase(top, u"scene");
    auto* b = new GxTaskBase(top, u"scene");
    EXPECT_TRUE(log.Contains("GxTaskManage::RegisterTaskName/TaskName重複を検出 (scene)\n")) << log.Text();
    EXPECT_EQ(b->GetTaskName(), u"");

    EXPECT_TRUE(b->SetTaskName(u"other"));
    EXPECT_FALSE(b->SetTaskName(u"scene"));
    EXPECT_EQ(b->GetTaskName(), u"other") << "a refused rename keeps the old name";
    EXPECT_EQ(manager.FindTaskName(u"other"), b);

    EXPECT_TRUE(a->SetTaskName(u"renamed"));
    EXPECT_EQ(manager.FindTaskName(u"scene"), nullptr) << "renaming frees the old name";
    EXPECT_TRUE(a->SetTaskName(u"renamed")) << "the same name again is no duplicate";

    delete b;
    EXPECT_EQ(manager.FindTaskName(u"renamed"), a);
    EXPECT_EQ(manager.FindTaskName(u"other"), nullptr);
}

TEST_F(Tree, LocalNamesBelongToTheNearestFolder) {
    auto* folder = new GxTaskFolder(top, u"dlg");
    auto* group = new GxTaskBase(folder);
    auto* x0 = new GxTaskBase(group, nullptr, u"btn", 0);
    auto* x1 = new GxTaskBase(folder, nullptr, u"btn", 1);
    EXPECT_EQ(folder->FindTaskLocal(u"btn", 0), x0) << "found through a plain task in between";
    EXPECT_EQ(folder->FindTaskLocal(u"btn", 1), x1);

    auto* dup = new GxTaskBase(folder, nullptr, u"btn", 1);
    EXPECT_TRUE(log.Contains("GxTaskFolder::RegisterTaskLocalName/TaskLocalNameまたはIndex重複を検出 dlg (btn,1)\n"))
        << log.Text();
    EXPECT_EQ(dup->GetTaskLocalName(), u"");
    delete dup;
    EXPECT_EQ(folder->FindTaskLocal(u"btn", 1), x1) << "the refused task never owned the entry";

    auto* orphan = new GxTaskBase(top, nullptr, u"lost", 3);
    EXPECT_TRUE(log.Contains("GxTaskBase::SetTaskLocalName/フォルダタスク下にありません (lost,3)\n")) << log.Text();
    EXPECT_EQ(orphan->GetTaskLocalName(), u"");

    log.Clear();
    EXPECT_EQ(folder->GetTaskLocal(u"btn", 5), nullptr);
    EXPECT_TRUE(log.Contains("GxTaskFolder::GetTaskLocal/ローカルタスクが存在しません dlg:btn[5]\n")) << log.Text();
    log.Clear();
    EXPECT_EQ(folder->FindTaskLocal(u"btn", 5), nullptr);
    EXPECT_TRUE(log.Lines().empty());

    EXPECT_TRUE(folder->UnregisterTaskLocalName(u"btn", 0));
    EXPECT_TRUE(folder->UnregisterTaskLocalName(u"btn", 1));
    EXPECT_FALSE(folder->UnregisterTaskLocalName(u"btn", 1));
    EXPECT_TRUE(folder->RegisterTaskLocalName(u"btn", 1, x0)) << "the name went with its last index";
}

TEST_F(Tree, PathStatesKillOrderAndTheOwningScene) {
    auto* folder = new GxTaskFolder(top, u"a");
    auto* t = new GxTaskBase(folder, u"x", u"b", 2);
    GxString path;
    t->GetTaskPath(&path);
    EXPECT_EQ(path, u"x/b[2]:0");

    auto* parent = new JournalTask(top, "p", &j);
    auto* child = new JournalTask(parent, "c", &j);
    parent->Suspend();
    EXPECT_TRUE(parent->IsSuspended());
    parent->Kill();
    EXPECT_EQ(j, (Journal{"c:kill", "p:kill"})) << "children die first, a suspended task dies too";
    parent->Resume();
    EXPECT_TRUE(parent->IsKilled());
    parent->Kill();
    EXPECT_EQ(j.size(), 2u) << "a second kill calls no hook";
    EXPECT_TRUE(child->IsKilled());

    // The owning sequence is the nearest scene above.
    auto* scene = new JournalScene(top, u"SeqA", "s", &j);
    auto* inner = new GxTaskBase(new GxTaskFolder(scene), u"inner");
    EXPECT_EQ(scene->GetOwnerSequence(), scene);
    EXPECT_EQ(inner->GetOwnerSequence(), scene);
    EXPECT_EQ(top->GetOwnerSequence(), nullptr);
    EXPECT_TRUE(scene->TaskFlags & kGxTaskEndsSiblingWalk);
    EXPECT_EQ(scene->GetSeqWorkIndex(), -1);
}

struct Handler : GxTaskFolder {
    using GxTaskFolder::GxTaskFolder;
    std::vector<int> seen;
    bool clearOnFirst = false;
    int OnUIEventDecide(GxTaskBase*, const GxUIEventParam* ev) override {
        seen.push_back(ev->m_Param);
        if (clearOnFirst) ClearUIEvents();
        return 10;
    }
    int OnUIEventActionEnd(GxTaskBase* sender, const GxUIEventParam*) override {
        seen.push_back(sender ? 25 : -25);
        return 1;
    }
};

TEST_F(Tree, UIEventsAreDroppedRoutedOrQueued) {
    auto* f = new Handler(top, u"scene");
    GxUIEventParam decide(UIEVENT_DECIDE, top, 1);
    EXPECT_FALSE(f->OnUIEvent(top, &decide)) << "not accepting";
    EXPECT_EQ(f->GetQueuedUIEventCount(), 0u);

    f->SetAcceptUIEventFlag(true);
    f->SetInstantUIEventFlag(true);
    EXPECT_TRUE(f->OnUIEvent(top, &decide));
    EXPECT_EQ(f->seen, (std::vector<int>{1})) << "routed before OnUIEvent returned";

    f->SetInstantUIEventFlag(false);
    GxUIEventParam second(UIEVENT_DECIDE, top, 2), end(UIEVENT_ACTION_END, top), odd(27, top);
    EXPECT_TRUE(f->OnUIEvent(top, &second));
    EXPECT_TRUE(f->OnUIEvent(top, &odd));
    EXPECT_TRUE(f->OnUIEvent(top, &end));
    EXPECT_EQ(f->seen.size(), 1u) << "queued until the next update";
    EXPECT_EQ(f->ProcessUIEvents(nullptr), 11) << "type 27 reaches no handler and adds 0";
    EXPECT_EQ(f->seen, (std::vector<int>{1, 2, 25}));
    EXPECT_EQ(f->GetQueuedUIEventCount(), 0u);

    // A handler may clear the queue it is being routed from.
    f->seen.clear();
    f->clearOnFirst = true;
    f->OnUIEvent(top, &decide);
    f->OnUIEvent(top, &second);
    f->Update(0, 0);
    EXPECT_EQ(f->seen, (std::vector<int>{1}));
    EXPECT_EQ(f->GetQueuedUIEventCount(), 0u);
}

} // namespace
