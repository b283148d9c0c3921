#include "base/GxLog.h"
#include "scenes/GxSeqBase.h"
#include "tasks/GxModuleCoreBase.h"
#include "tasks/GxTaskManage.h"
#include "game/AvgCore.h"
#include "game/GxGameModule.h"
#include "game/SeqSystem.h"
#include "io/GxFileSystem.h"
#include "support/FakeCore.h"
#include "support/LogCapture.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

class GameModule : public testing::Test {
protected:
    void TearDown() override {
        GxSetErrorLogPath(u"");
        GxSetDebugLogPath(u"");
        GxSetDeviceLogPath(u"");
        GxResetFileSystem();
    }
};

TEST_F(GameModule, StartupDefaultsClearTheLastRunsLogsAsConfigured) {
    for (const bool clean : {false, true}) {
        SCOPED_TRACE(clean);
        qtest::TempDir dir;
        for (const char* name : {"error.log", "debug.log", "device.log"}) qtest::WriteText(dir.path() / name, "old");
        GxSetErrorLogPath(dir.u16("error.log"));
        GxSetDebugLogPath(dir.u16("debug.log"));
        GxSetDeviceLogPath(dir.u16("device.log"));
        qtest::FakeCore core;
        core.m_Config->m_CleanErrorLog = clean;
        core.m_Timer.m_TargetRate = 30;
        core.m_Timer.m_StepRate = 0;
        GxSetGameStartupDefaults(&core);
        EXPECT_FALSE(fs::exists(dir.path() / "device.log"));
        EXPECT_EQ(fs::exists(dir.path() / "error.log"), !clean);
        EXPECT_EQ(fs::exists(dir.path() / "debug.log"), !clean);
        EXPECT_EQ(core.m_Timer.m_TargetRate, 60);
        EXPECT_EQ(core.m_Timer.m_StepRate, 60);
    }
}

TEST_F(GameModule, StartupMakesTheSystemSceneTheRootAndAsksForTheBootScene) {
    qtest::LogCapture log;
    qtest::FakeCore core;
    GxGameInitialize(&core);
    GxTaskManage* tm = core.GetTaskManage();
    ASSERT_NE(tm->GetTopTask(), nullptr);
    GxTaskBase* root = tm->GetRootTree();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->GetTaskName(), u"SeqSystem");
    EXPECT_EQ(root->GetParent(), tm->GetTopTask());
    EXPECT_NE(root->TypeBits & kGxTypeSequence, 0u);
    EXPECT_EQ(core.GetModule(1), AvgCore::GetInstance());
    EXPECT_EQ(core.GetModule(0), nullptr);
    EXPECT_EQ(AvgCore::GetInstance()->GetCore(), &core);
    EXPECT_EQ(AvgCore::GetInstance()->GetModuleName(), u"AvgCore");
    // No boot scene exists yet: the request is refused and logged.
    EXPECT_TRUE(log.Contains("遷移先のシーケンスが見つかりません(SeqBoot)\n")) << log.Text();
    EXPECT_FALSE(tm->IsSequenceChangePending());
    EXPECT_TRUE(GxGetFileCache().IsEnabled());
    GxGameTerminate(&core);
    EXPECT_EQ(AvgCore::GetInstance()->GetCore(), nullptr);
}

TEST_F(GameModule, ABootSceneThatExistsBecomesPendingOnWorkerZero) {
    qtest::LogCapture log;
    qtest::FakeCore core;
    GxTaskManage* tm = core.GetTaskManage();
    auto* top = new GxTaskBase(tm);
    auto* boot = new GxSeqBase(top, u"SeqBoot");
    GxGameInitialize(&core);
    EXPECT_EQ(tm->GetTopTask(), top);  // the top task already made is kept
    EXPECT_EQ(tm->GetSeqWorker(0)->m_PendingTask, boot);
    EXPECT_EQ(tm->GetSeqWorker(0)->m_PendingParam0, 0);
    EXPECT_EQ(tm->GetSeqWorker(0)->m_PendingParam1, 0);
    EXPECT_FALSE(log.Contains("SeqBoot")) << log.Text();
    GxGameTerminate(&core);
}

TEST_F(GameModule, SlightErrorsFollowTheConfiguration) {
    for (const bool skip : {true, false}) {
        qtest::FakeCore core;
        core.m_Config->m_SkipSlightError = skip;
        GxGameInitialize(&core);
        EXPECT_EQ(GxGetSkipSlightError(), skip);
        GxGameTerminate(&core);
    }
    GxSetSkipSlightError(true);
}

} // namespace
