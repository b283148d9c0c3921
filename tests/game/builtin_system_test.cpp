// The system and query builtins run by the main script worker of the
// headless game: what each gives back, what it stores, its log output, and
// the reports of a missing label and a worker index out of range.
#include "BuiltinScript.h"

#include "gamedata/GxUserData.h"
#include "gamedata/GxUserDataPerman.h"
#include "support/Golden.h"
#include "tasks/GxTaskManage.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>

namespace {

using gametest::BuiltinScriptTest;

class SystemBuiltins : public BuiltinScriptTest {
protected:
    // Both sequence workers in known scenes, a game state and permanent data
    // with a value in every field the queries read.
    void SetPlayState() {
        GxTaskManage* tm = core_.GetTaskManage();
        GxSeqWorker* w0 = tm->GetSeqWorker(0);
        w0->m_CurrentName = u"SeqAvgMain", w0->m_CurrentParam0 = 3, w0->m_CurrentParam1 = -4;
        w0->m_PrevName = u"SeqTitle", w0->m_PrevParam0 = 5, w0->m_PrevParam1 = 6;
        GxSeqWorker* w1 = tm->GetSeqWorker(1);
        w1->m_CurrentName = u"SeqConfig", w1->m_CurrentParam0 = 7, w1->m_CurrentParam1 = 8;
        w1->m_PrevName = u"SeqSave", w1->m_PrevParam0 = 9, w1->m_PrevParam1 = -10;
        data_->m_LastSelectNum = 2;
        data_->m_LastDialogResult = 1;
        data_->m_ReplayMode = true;
        perman_->m_PassedReplayLabels = {u"ep1", u"12"};
    }
};

// The embedded picture's CRC-32 by zlib, as eight upper-case digits.
std::string ExpectedSignature() {
    const auto root = qtest::GoldenPath("x").parent_path().parent_path().parent_path();
    const std::vector<unsigned char> png = qtest::ReadBytes(root / "platform/system/resources/102_PNG.png");
    EXPECT_FALSE(png.empty());
    char text[16];
    std::snprintf(text, sizeof text, "%08lX", crc32(0L, png.data(), uInt(png.size())));
    return text;
}

TEST_F(SystemBuiltins, QueriesGiveTheEnginesStateSettersStoreItAndPrintWritesInDebugMode) {
    struct Row {
        const char16_t* expression;
        std::string expected;
    };
    const Row rows[] = {
        {u"GetSaveDir()", GxToUtf8(dir_.u16("save")) + "/"},
        {u"GetCurSeqName(0)", "SeqAvgMain"},
        {u"GetCurSeqName()", "SeqAvgMain"},
        {u"GetCurSeqName(1)", "SeqConfig"},
        {u"GetPrevSeqName(0)", "SeqTitle"},
        {u"GetPrevSeqName(1)", "SeqSave"},
        {u"GetCurSeqParam0(0)", "3"},
        {u"GetCurSeqParam1(0)", "-4"},
        {u"GetPrevSeqParam0(0)", "5"},
        {u"GetPrevSeqParam1(0)", "6"},
        {u"GetCurSeqParam0(1)", "7"},
        {u"GetCurSeqParam1(1)", "8"},
        {u"GetPrevSeqParam0(1)", "9"},
        {u"GetPrevSeqParam1(1)", "-10"},
        {u"GetCurSeqName(\"1\")", "SeqConfig"},
        {u"GetLastSelect()", "2"},
        {u"GetDialogResult()", "1"},
        {u"GetDebugModeFlag()", "1"},
        {u"GetReplayMode()", "1"},
        {u"GetSystemSignature()", ExpectedSignature()},
        {u"GetGameDataTitle()", "序章"},
        {u"GetPassedLabel(\"ep1\")", "1"},
        {u"GetPassedLabel(\"EP1\")", "0"},
        {u"GetPassedLabel(\"ep9\")", "0"},
        {u"GetPassedLabel(12)", "1"},
        // Extra arguments are ignored.
        {u"GetLastSelect(1, 2, 3)", "2"},
        {u"GetCurSeqName(1, 0)", "SeqConfig"},
    };
    // Print and Debug write literally, only in debug mode.
    const std::u16string print = u"Print(\"100% done %s\")\nDebug(\"x%d\")\nPRINT()\n";
    std::u16string script = u"*start\n" + print;
    std::string expected;
    for (const Row& r : rows) {
        script += u"trace(" + std::u16string(r.expression) + u")\n";
        expected += (expected.empty() ? "" : "|") + r.expected;
    }
    StartGame(script.c_str());
    SetPlayState();
    core_.m_Config->m_DebugModeFlag = true;
    data_->SetGameDataTitle(u"序章");
    Run();
    EXPECT_EQ(TraceText(), expected);
    EXPECT_TRUE(Errors().empty()) << Errors().front();
    EXPECT_EQ(DebugLines(), (std::vector<std::string>{"100% done %s\n", "x%d\n", "\n"}));

    // The flags are exactly 0 or 1 the other way too; the setters store
    // what they are given.
    core_.m_Config->m_DebugModeFlag = false;
    data_->m_ReplayMode = false;
    traces_.clear();
    StartGame((u"*start\n" + print + u"trace(GetDebugModeFlag(), GetReplayMode())\n"
               u"SetGameDataTitle(\"第二章\")\ntrace(GetGameDataTitle())\nSetGameDataTitle()\ntrace(GetGameDataTitle())\n"
               u"SetNameIdentifyMode(-3)\nEXIT()\n*none\nSetNameIdentifyMode()\n").c_str());
    Run();
    EXPECT_EQ(TraceText(), "0,0|第二章|");
    EXPECT_EQ(DebugLines(), std::vector<std::string>{});
    EXPECT_TRUE(Errors().empty());
    EXPECT_EQ(data_->m_GameDataTitle, u"");
    EXPECT_EQ(data_->m_NameIdentifyMode, -3) << "stored unchecked";
    Run(u"none");
    EXPECT_EQ(data_->m_NameIdentifyMode, 0) << "a missing mode reads as 0";
}

// Faulty arguments are reported. The worker index of the sequence queries
// is checked whole before use: a value out of range, or one that would wrap
// into it as a 32-bit number, gives an empty text or 0, and the script goes
// on; the passed-label query without a label stops the script.
TEST_F(SystemBuiltins, FaultyArgumentsAreReported) {
    const std::string range = "シーケンスワーカーの番号が範囲外です[", noLabel = "ラベル名を指定してください";
    const struct {
        const char16_t* call;
        std::string report;
        const char* trace;  // what the script traced; "|on" after the query when it went on
    } rows[] = {
        {u"GetCurSeqName(2)", range + "2]", "|on"},
        {u"GetPrevSeqName(-1)", range + "-1]", "|on"},
        {u"GetCurSeqParam0(4294967296)", range + "4294967296]", "0|on"},
        {u"GetCurSeqParam1(7)", range + "7]", "0|on"},
        {u"GetPrevSeqParam0(\"9\")", range + "9]", "0|on"},
        {u"GetPrevSeqParam1(4294967297)", range + "4294967297]", "0|on"},
        {u"GetPassedLabel()", noLabel, ""},
        {u"GetPassedLabel(\"\")", noLabel, ""},
        {u"getpassedlabel(NULL)", noLabel, ""},
    };
    std::vector<std::u16string> calls;
    for (const auto& r : rows) calls.push_back(u"trace(" + std::u16string(r.call) + u")\ntrace(\"on\")");
    StartRows(calls);
    SetPlayState();
    gametest::ForEachRow(rows, [&](size_t i, const auto& r) {
        traces_.clear();
        RunRow(i);
        std::vector<std::string> reports = Reports(RowLine(i), gametest::NameOf(r.call), r.report);
        if (*r.trace) reports.pop_back();
        EXPECT_EQ(Errors(), reports);
        EXPECT_EQ(TraceText(), r.trace);
    });
}

} // namespace
