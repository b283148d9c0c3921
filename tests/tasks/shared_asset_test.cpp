#include "tasks/GxSharedAssetManage.h"
#include "tasks/GxTaskManage.h"
#include "support/FakeCore.h"
#include "TestTasks.h"

#include <gtest/gtest.h>

namespace {

struct Counted : GxSharedAssetBase {
    Counted(std::vector<std::string>* log, std::string name) : m_Log(log), m_Name(std::move(name)) {}
    ~Counted() override { m_Log->push_back("free " + m_Name); }
    void Tick() override { m_Log->push_back("tick " + m_Name); }
    std::vector<std::string>* m_Log;
    std::string m_Name;
};

// The scopes the game sets up: 0 resident, 1 no members, 2 the menu scenes,
// 3 the scenes over the main scene.
struct Scopes : testing::Test {
    std::vector<std::string> log;  // outlives the scopes, whose assets write to it
    GxSharedAssetManage manage;
    void SetUp() override {
        manage.OpenScope(0);
        manage.OpenScope(1);
        GxSharedScope* s2 = manage.OpenScope(2);
        for (const GxChar* n : {u"SeqBoot", u"SeqTitle", u"SeqOpening", u"SeqConfig", u"SeqSave", u"SeqLoad",
                                u"SeqCGMode", u"SeqCGModeView", u"SeqRPMode", u"SeqBGMMode", u"SeqDebug"})
            s2->AddSequenceName(n);
        GxSharedScope* s3 = manage.OpenScope(3);
        for (const GxChar* n : {u"SeqConfig", u"SeqSave", u"SeqLoad", u"SeqAvgMain", u"SeqAvgLog", u"SeqDebug"})
            s3->AddSequenceName(n);
        Fill();
    }
    void Fill() {
        for (int i = 0; i < 4; ++i)
            manage.GetScope(i)->AddAsset(0, u"a", std::make_unique<Counted>(&log, std::to_string(i)));
    }
    std::vector<std::string> Release(const GxChar* scene) {
        log.clear();
        manage.ReleaseForSequence(scene);
        std::vector<std::string> freed = log;
        Fill();
        log.clear();
        return freed;
    }
};

TEST_F(Scopes, ASceneChangeEmptiesTheScopesThatDoNotNameTheNewSceneAndReleaseAllEveryScope) {
    EXPECT_EQ(manage.GetScopeSlotCount(), 5);
    EXPECT_EQ(Release(u"SeqSave"), (std::vector<std::string>{"free 1"}));
    EXPECT_EQ(Release(u"SeqAvgMain"), (std::vector<std::string>{"free 1", "free 2"}));
    EXPECT_EQ(Release(u"SeqBoot"), (std::vector<std::string>{"free 1", "free 3"}));
    EXPECT_EQ(manage.GetScope(2)->GetSequenceNames().size(), 11u) << "emptying keeps the members";
    manage.ReleaseAll();
    EXPECT_EQ(log, (std::vector<std::string>{"free 0", "free 1", "free 2", "free 3"})) << "releasing all empties 0 too";
}

TEST_F(Scopes, OpeningAnOccupiedIndexReplacesTheScope) {
    manage.GetScope(2)->AddSequenceName(u"SeqBoot");
    EXPECT_EQ(manage.GetScope(2)->GetSequenceNames().size(), 11u) << "a member is kept once";
    GxSharedScope* fresh = manage.OpenScope(2);
    EXPECT_EQ(log, (std::vector<std::string>{"free 2"}));
    EXPECT_TRUE(fresh->GetSequenceNames().empty());
    EXPECT_EQ(manage.OpenScope(-1), nullptr);
    EXPECT_NE(manage.OpenScope(7), nullptr);
    EXPECT_EQ(manage.GetScopeSlotCount(), 8);
}

TEST_F(Scopes, TickRunsTheLastTwoMapsInNameOrder) {
    GxSharedScope* s = manage.GetScope(1);
    s->AddAsset(4, u"b", std::make_unique<Counted>(&log, "4b"));
    s->AddAsset(3, u"z", std::make_unique<Counted>(&log, "3z"));
    s->AddAsset(3, u"m", std::make_unique<Counted>(&log, "3m"));
    s->AddAsset(2, u"n", std::make_unique<Counted>(&log, "2n"));
    EXPECT_FALSE(s->AddAsset(5, u"x", std::make_unique<Counted>(&log, "bad")));
    log.clear();
    manage.Tick();
    EXPECT_EQ(log, (std::vector<std::string>{"tick 3m", "tick 3z", "tick 4b"}));
}

TEST(ScopesAndScenes, OnlyChangesOnWorkerZeroRelease) {
    std::vector<std::string> log;
    qtest::FakeCore core;
    GxTaskManage& m = *core.m_TaskManage;
    core.m_Assets->OpenScope(1)->AddAsset(0, u"x", std::make_unique<Counted>(&log, "x"));
    auto* top = new GxTaskBase(&m);
    auto* scene = new qtest::JournalScene(top, u"SeqLog", "L", nullptr);
    ASSERT_TRUE(m.ChangeSequence(scene, 1, 0, 0));
    m.ApplySequenceChanges();
    EXPECT_TRUE(log.empty());
    ASSERT_TRUE(m.ChangeSequence(new qtest::JournalScene(top, u"SeqMain", "M", nullptr), 0, 0, 0));
    m.ApplySequenceChanges();
    EXPECT_EQ(log, (std::vector<std::string>{"free x"}));
}

} // namespace
