#include "base/GxLog.h"
#include "engine/GxDebugConsoleOutputEx.h"
#include "engine/GxDebugStatus.h"
#include "base/GxStringUtil.h"
#include "script/GxMoaEx.h"
#include "script/GxMoaSystem.h"
#include "script/GxMoaWorkerEx.h"
#include "tools/builders/MoaScriptBuilder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

TEST(DebugConsole, KeepsTheLastTwentyLinesOfTheErrorAndDebugLogs) {
    GxDebugConsoleOutputEx console;
    GxSetDebugListener(&console);
    GxSetSkipSlightError(false);
    for (int i = 1; i <= 25; ++i) {
        if (i % 3 == 0) GxWriteDebugLog(u"line %d\n", i);
        else if (i % 3 == 1) GxWriteErrorLog(u"line %d\n", i);
        else GxWriteWarningLog(u"line %d\n", i);
    }
    GxWriteDeviceLog(u"device lines never reach it\n");
    GxSetDebugListener(nullptr);
    GxSetSkipSlightError(true);
    const std::vector<GxString> lines = console.CopyLines();
    ASSERT_EQ(lines.size(), 20u);
    EXPECT_EQ(lines.front(), u"line 6\n");
    EXPECT_EQ(lines.back(), u"line 25\n");
}

TEST(DebugConsole, ReadersSeeWholeLinesWhileOtherThreadsLog) {
    GxDebugConsoleOutputEx console;
    GxSetDebugListener(&console);
    std::atomic<bool> stop{false};
    std::vector<std::thread> writers;
    for (int t = 0; t < 3; ++t)
        writers.emplace_back([&stop, t] {
            for (int i = 0; i < 2000 && !stop; ++i) GxWriteDebugLog(u"thread %d line %d with some length to it\n", t, i);
        });
    size_t copies = 0;
    for (int i = 0; i < 500; ++i) {
        for (const GxString& line : console.CopyLines()) {
            ASSERT_EQ(line.rfind(u"thread ", 0), 0u);
            ASSERT_EQ(line.back(), u'\n');
        }
        ++copies;
    }
    stop = true;
    for (auto& w : writers) w.join();
    GxSetDebugListener(nullptr);
    EXPECT_EQ(copies, 500u);
    EXPECT_LE(console.CopyLines().size(), 20u);
}

TEST(DebugStatus, StatusLineNamesTheErrorOrTheWaitState) {
    GxDebugStatusInput in;
    in.m_ResourceBytes = 3u * 1024u * 1024u + 512u * 1024u;
    in.m_WaitClick = 1;
    in.m_WaitTime = 2;
    in.m_WaitMovie = 3;
    in.m_WaitAA = 4;
    in.m_WaitAS = 5;
    in.m_WaitASName = GxString(u"layer");
    in.m_WaitBGM = 6;
    in.m_WaitBGV = 7;
    in.m_WaitSE = 8;
    in.m_WaitVO = 9;
    GxDebugStatusText out = GxBuildDebugStatus(in);
    // Megabytes plus six, one decimal.
    EXPECT_EQ(out.m_Status.m_Text,
              u"※エラー無し/VRAM 9.5MB/Clk(1) Time(2) Mov(3) AA(4) AS(5:layer) BGM(6) BGV(7) SE(8) VO(9)");
    EXPECT_EQ(out.m_Status.m_Color, 0xFFFFFFFFu);

    in.m_ErrorCount = 1;
    out = GxBuildDebugStatus(in);
    EXPECT_EQ(out.m_Status.m_Text, u"※エラー発生。error.logを確認してください");
    EXPECT_EQ(out.m_Status.m_Color, 0xFFFFFF00u);

    // A wait name long enough to overflow the line's buffer is cut.
    in.m_ErrorCount = 0;
    in.m_WaitASName.assign(2000, u'x');
    EXPECT_EQ(GxBuildDebugStatus(in).m_Status.m_Text.size(), kGxDebugStatusLineMax);
}

TEST(DebugStatus, CallStackShowsCallersThenThePlaceRunningNow) {
    GxDebugStatusInput in;
    EXPECT_EQ(GxBuildDebugStatus(in).m_CallStack.size(), 1u);
    EXPECT_EQ(GxBuildDebugStatus(in).m_CallStack[0].m_Text, u"Script:実行していません");

    in.m_ScriptRunning = true;
    in.m_Frames = {{u"main", 9, 2}, {u"sub", 0, 3}, {u"far", INT32_MAX, 1}, {u"sub", 41, 8}};
    struct Case {
        bool errorStop;
        const char16_t* last;
    };
    for (const Case c : {Case{false, u"実行位置:sub/Line=42/通常SUBブロック"},
                         Case{true, u"実行位置:sub/Line=42/通常SUBブロック/エラー停止中"}}) {
        in.m_ScriptErrorStop = c.errorStop;
        const GxDebugStatusText out = GxBuildDebugStatus(in);
        ASSERT_EQ(out.m_CallStack.size(), 4u);
        EXPECT_EQ(out.m_CallStack[0].m_Text, u"呼出し元:main/Line=10/関数ブロック");
        EXPECT_EQ(out.m_CallStack[1].m_Text, u"呼出し元:sub/Line=1/IFブロック");
        // A line a save or a bundle held at the largest integer is shown as
        // the 32-bit number it becomes, without overflow.
        EXPECT_EQ(out.m_CallStack[2].m_Text, u"呼出し元:far/Line=-2147483648/通常ブロック");
        EXPECT_EQ(out.m_CallStack[3].m_Text, c.last);
    }
}

TEST(DebugStatus, BlockKindNames) {
    const struct {
        s32 kind;
        const char16_t* name;
    } cases[] = {{0, u"不明"},       {1, u"通常ブロック"}, {4, u"ELSEブロック"}, {5, u"WHILEブロック"},
                 {7, u"DOブロック"}, {8, u"通常SUBブロック"}, {9, u"不明"},    {-1, u"不明"}};
    for (const auto& c : cases) EXPECT_EQ(GxString(GxGetBlockTypeName(c.kind)), c.name) << c.kind;
}

TEST(DebugStatus, GatheredFromTheLogsAndTheConsole) {
    GxDebugConsoleOutputEx console;
    console.Output(u"one\n", 1);
    console.Output(u"two\n", 2);
    GxResetErrorCount();
    GxWriteErrorLog(u"three\n");
    const GxDebugStatusText out = GxBuildDebugStatus(GxGatherDebugStatus(&console));
    GxResetErrorCount();
    EXPECT_EQ(out.m_Status.m_Color, 0xFFFFFF00u);
    ASSERT_EQ(out.m_Console.size(), 2u);
    EXPECT_EQ(out.m_Console[1].m_Text, u"two\n");
}

TEST(DebugStatus, CallStackIsReadFromTheMainScriptWorker) {
    ASSERT_TRUE(GxMoaStartup(nullptr));
    qtest::MoaScriptBuilder builder;
    ASSERT_NE(builder.AddScript(g_pMoa(), u"main", u"*start\n> hello\n"), nullptr) << builder.LastError();
    ASSERT_NE(builder.AddScript(g_pMoa(), u"sub", u"\n\n*inner\n> there\n"), nullptr) << builder.LastError();
    EXPECT_EQ(GxBuildDebugStatus(GxGatherDebugStatus(nullptr)).m_CallStack[0].m_Text, u"Script:実行していません");

    ASSERT_TRUE(g_pMoaMainWorker()->StartAtLabel(u"start", nullptr));
    ASSERT_TRUE(g_pMoaMainWorker()->Call(u"inner", nullptr));
    g_pMoa()->m_ErrorFlag = true;
    const GxDebugStatusText out = GxBuildDebugStatus(GxGatherDebugStatus(nullptr));
    GxMoaShutdown();
    ASSERT_EQ(out.m_CallStack.size(), 2u);
    EXPECT_EQ(GxToUtf8(out.m_CallStack[0].m_Text), "呼出し元:main/Line=1/通常ブロック");
    EXPECT_EQ(GxToUtf8(out.m_CallStack[1].m_Text), "実行位置:sub/Line=3/通常ブロック/エラー停止中");
}

} // namespace
