#include "moa_world.h"

#include "script/GxMoaWorkerEx.h"

#include <gtest/gtest.h>

namespace {

using World = mtest::World<>;

TEST(MoaStatements, IfElseChainsPickOneBranch) {
    // One script, entered with $n set to each value in turn.
    const char16_t* text =
        u"*start\n"
        u"IF ($n == 1) {\n"
        u"  trace(\"one\")\n"
        u"} ELSE IF ($n == 2) {\n"
        u"  trace(\"two\")\n"
        u"  IF ($m) { trace(\"two-m\") } ELSE { trace(\"two-not-m\") }\n"
        u"} ELSE IF ($n == 3) { trace(\"three\") } ELSE {\n"
        u"  trace(\"other\")\n"
        u"}\n"
        u"trace(\"after\")\n";
    struct Case {
        int n, m;
        const char* want;
    } cases[] = {
        {1, 0, "one|after"},
        {2, 1, "two|two-m|after"},
        {2, 0, "two|two-not-m|after"},
        {3, 0, "three|after"},
        {9, 0, "other|after"},
    };
    for (const auto& c : cases) {
        World w;
        w.builder.AddVariable(&w.moa, u"n", kGxScopeGlobalNoSave, GxMoaVariable::OfInt(c.n));
        w.builder.AddVariable(&w.moa, u"m", kGxScopeGlobalNoSave, GxMoaVariable::OfInt(c.m));
        w.RunScript(text);
        EXPECT_EQ(w.TraceText(), c.want) << "n=" << c.n << " m=" << c.m;
        EXPECT_TRUE(w.moa.errors.empty()) << w.moa.ErrorsUtf8();
        EXPECT_FALSE(w.worker->IsRunning());
    }
}

TEST(MoaStatements, EachStepRunsOneWorkingStatement) {
    World w;
    w.Load({{u"main", u"*start\n> a text line\n*second\n$x = 1\n$x = $x + 1\n"}});
    EXPECT_FALSE(w.worker->Step(&w.binder)) << "an empty stack steps nothing";
    EXPECT_TRUE(w.moa.errors.empty());
    ASSERT_TRUE(w.worker->StartAtLabel(u"start", nullptr));
    // Label, text line and label are passed over in the same call.
    EXPECT_TRUE(w.worker->Step(&w.binder));
    ASSERT_EQ(w.moa.messages.size(), 1u);
    EXPECT_EQ(w.moa.messages[0], u"a text line");
    EXPECT_TRUE(w.worker->Step(&w.binder)) << "the last statement still leaves a frame";
    EXPECT_FALSE(w.worker->Step(&w.binder)) << "then the script has run out";
    EXPECT_FALSE(w.worker->IsRunning());
}

TEST(MoaStatements, ErrorsFreezeTheWorker) {
    struct Case {
        const char16_t* text;
        const char16_t* message;
        bool firstStep;  // what the failing call returns
    } cases[] = {
        {u"*start\nWHILE ($x) {\n}\n", u"未実装の制御構造です[WHILE]", true},
        {u"*start\n5\n", u"処理できないトークンです[整数値[5]]\n", false},
        {u"*start\nELSE\n", u"不正なELSE文です", true},
        // The bundle holds builtin names lowered; the report names it so.
        {u"*start\nGO(\"nowhere\")\n", u"go:飛び先のラベルが見つかりません[nowhere]", false},
    };
    for (const auto& c : cases) {
        World w;
        w.Load({{u"main", c.text}});
        ASSERT_TRUE(w.worker->StartAtLabel(u"start", nullptr));
        EXPECT_EQ(w.worker->Step(&w.binder), c.firstStep) << GxToUtf8(c.text);
        EXPECT_TRUE(w.moa.m_ErrorFlag);
        EXPECT_TRUE(w.moa.HasError(c.message)) << w.moa.ErrorsUtf8();
        EXPECT_FALSE(w.worker->Step(&w.binder)) << "a frozen worker does nothing";
        EXPECT_TRUE(w.worker->IsRunning()) << "frames stay for the debug displays";
        EXPECT_EQ(w.moa.errors.front().script, u"main");
        EXPECT_EQ(w.moa.errors.front().line, 1);
    }
}

TEST(MoaStatements, LabelPositionBeforeTheFirstTokenStepsOn) {
    World w;
    w.Load({{u"main", u"trace(\"zero\")\n\ntrace(\"two\")\n"}});
    // A label that names the place before a line's first token.
    w.moa.AddLabel(GxMoaLabelDefinition(u"edge", 2, -1, u"main"));
    w.moa.AddLabel(GxMoaLabelDefinition(u"empty", 1, -1, u"main"));
    w.RunFrom(u"edge");
    w.RunFrom(u"empty");
    EXPECT_EQ(w.TraceText(), "two|two");
    EXPECT_TRUE(w.moa.errors.empty()) << w.moa.ErrorsUtf8();
}

TEST(MoaStatements, MissingScriptIsReportedOnce) {
    World w;
    w.Load({{u"main", u"*start\n"}});
    w.moa.AddLabel(GxMoaLabelDefinition(u"ghost", 0, 0, u"nosuch"));
    ASSERT_TRUE(w.worker->StartAtLabel(u"ghost", nullptr));
    // The main scene steps the worker every frame: the stop is said once.
    for (int frame = 0; frame < 3; ++frame) EXPECT_FALSE(w.worker->Step(&w.binder));
    ASSERT_EQ(w.moa.errors.size(), 1u);
    EXPECT_EQ(w.moa.errors[0].text, u"スクリプトが見つからないので実行できません");
    EXPECT_EQ(w.moa.errors[0].script, u"nosuch");
}

TEST(MoaStatements, SourceLinesCountTheFirstLineAndStandForScriptsNotInTheBundle) {
    World w;
    w.Load({{u"main", u"*start\n\n\n$x = 1\n"}});
    ASSERT_TRUE(w.worker->StartAtLabel(u"start", nullptr));
    EXPECT_EQ(w.worker->GetLine(nullptr), 0);
    EXPECT_EQ(w.worker->GetSourceLine(nullptr), 1) << "line 0 holds the label";
    w.worker->GetExecStack()->back().m_ScriptPos.m_Line = 2;
    EXPECT_EQ(w.worker->GetSourceLine(nullptr), 1) << "the nearest filled line above an empty one";
    w.worker->Reset();
    EXPECT_EQ(w.worker->GetSourceLine(nullptr), -1);
    EXPECT_EQ(w.worker->GetLine(nullptr), -1);
    GxString name = u"x";
    EXPECT_EQ(*w.worker->GetScriptName(&name, nullptr), u"");
    // Without the script there is nothing to search: the stored line as it is.
    w.PushMainFrame().m_ScriptPos = GxMoaScriptPos(5, 0, u"gone");
    EXPECT_EQ(w.worker->GetSourceLine(nullptr), 5);
    EXPECT_EQ(w.worker->GetLine(nullptr), 5);
}

TEST(MoaStatements, BreakpointsUnnamedTokensAndForeignBlockEnds) {
    World w;
    w.Load({{u"main", u"*start\nBREAKPOINT\n$x = 1\ntrace($x)\n"}});
    // Line 2 gets a token of type 20 before its expression; a lone `}` ends
    // the script.
    GxMoaScript* s = w.moa.FindScript(u"main");
    s->m_Lines[2].m_Tokens.insert(s->m_Lines[2].m_Tokens.begin(), GxMoaToken(kGxTokUnnamed20));
    s->m_Lines.back().m_Tokens.emplace_back(u16(kGxTokBraceClose));
    ASSERT_TRUE(w.worker->StartAtLabel(u"start", nullptr));
    EXPECT_TRUE(w.worker->Step(&w.binder)) << "a breakpoint is a statement of its own";
    EXPECT_EQ(w.worker->GetLine(nullptr), 2);
    EXPECT_TRUE(w.worker->Step(&w.binder));
    EXPECT_TRUE(w.worker->Step(&w.binder));
    EXPECT_EQ(w.TraceText(), "1");
    EXPECT_TRUE(w.worker->Step(&w.binder)) << "a } of no known block: reported, the frame stays";
    EXPECT_TRUE(w.moa.HasError(u"未実装のブロック終端です[}]")) << w.moa.ErrorsUtf8();
    EXPECT_FALSE(w.worker->Step(&w.binder));
}

TEST(MoaStatements, BadJumpTargetsCannotLoop) {
    World w;
    w.Load({{u"main", u"*start\nIF (0) { trace(1) } ELSE IF (0) { trace(2) }\ntrace(3)\n"}});
    // The first block's end points back before its own brace.
    GxMoaScript* s = w.moa.FindScript(u"main");
    s->m_Lines[1].m_Tokens[4].SetRunPos(0, GxMoaRunPos(0, 0));
    w.RunFrom(u"start");
    EXPECT_TRUE(w.moa.HasError(u"ブロックの終端が不正です")) << w.moa.ErrorsUtf8();
    EXPECT_TRUE(w.traces.empty());
}

} // namespace
