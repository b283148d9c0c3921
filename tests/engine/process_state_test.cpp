#include "base/GxLog.h"
#include "engine/GxProcessState.h"
#include "gamedata/GxDataTables.h"
#include "gamedata/GxUserConfig.h"
#include "gamedata/GxUserData.h"
#include "gamedata/GxUserDataPerman.h"
#include "platform/system/clock.h"
#include "script/GxMoaSystem.h"
#include "support/FakeCore.h"
#include "support/Golden.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

// What one test leaves behind in each service is gone for the next after the
// one call.
TEST(ProcessState, OneCallPutsEveryServiceBack) {
    qtest::TempDir dir;
    qtest::FakeCore core;
    GxUserConfig config(&core);
    GxUserData data(&core);
    GxUserDataPerman perman(&core);
    psys::manual_clock clock;

    ASSERT_TRUE(GxMoaStartup(nullptr));
    qtest::WriteText(dir.path() / "chars.txt", "1\tkana\n");
    ASSERT_TRUE(g_DBAvgChar.Load(dir.u16("chars.txt").c_str()));
    GxUserConfig::Set(&config);
    GxUserData::Set(&data);
    GxUserDataPerman::Set(&perman);
    GxSetBGMRestraintLevel(30);
    psys::set_current_clock(&clock);
    GxSetErrorLogPath(dir.u16("error.log"));

    GxResetProcessState();

    EXPECT_EQ(g_pMoa(), nullptr);
    EXPECT_EQ(g_pMoaFunctionBinder(), nullptr);
    EXPECT_EQ(g_DBAvgChar.GetMaxID(), -1);
    EXPECT_EQ(GxUserConfig::Get(), nullptr);
    EXPECT_EQ(GxUserData::Get(), nullptr);
    EXPECT_EQ(GxUserDataPerman::Get(), nullptr);
    EXPECT_EQ(GxGetBGMRestraintLevel(), 100);
    EXPECT_EQ(&psys::current_clock(), &psys::system_clock());
    GxWriteErrorLog(u"after the reset\n");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "error.log")) << "the log's path was forgotten";
}

} // namespace
