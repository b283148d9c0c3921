#include "moa_world.h"

#include "script/GxMoa.h"
#include "script/GxMoaExecutor.h"

#include <gtest/gtest.h>

namespace {

using World = mtest::World<>;

// Runs one statement line in a fresh world and gives its value.
struct Eval {
    World w;
    bool ok = false;
    // Not null, so that a result left unwritten shows.
    GxMoaVariable result = GxMoaVariable::OfInt(5);

    explicit Eval(const char16_t* line, bool statement = true) {
        w.Load({{u"main", line}});
        w.PushMainFrame();
        GxMoaRunPos cursor;
        ok = GxMoa::Eval_Token(&w.moa, &result, &w.binder, w.worker.get(), GxMoaRunPos(0, 0), &cursor, statement);
    }
    GxMoaVariable Local(const char16_t* name) {
        auto* v = w.worker->GetExecStack()->back().m_LocalTable.Find(name);
        return v ? v->m_Value : GxMoaVariable();
    }
};

TEST(MoaExecutor, ValuesOfExpressions) {
    struct Case {
        const char16_t* expr;
        const char* want;  // ToString of the result
        u32 type;
    } cases[] = {
        {u"$x = 1 + 2", "3", kGxMoaInt},
        {u"7 / 0", "", kGxMoaNull},
        {u"0.5 && 1", "0", kGxMoaInt},
        {u"\"abc\" || 0", "0", kGxMoaInt},
        {u"2 && \"3\"", "1", kGxMoaInt},
        {u"1 < 2 == 1", "1", kGxMoaInt},
        {u"ARRAY(1, ARRAY(2, 3))", "2", kGxMoaArray},
        {u"-(3)", "-3", kGxMoaInt},
        {u"+\"4\"", "4", kGxMoaStr},
        {u"\"a\" : 1 : NULL", "a1", kGxMoaStr},
        {u"1 << 3 | 1", "9", kGxMoaInt},
        {u";", "", kGxMoaNull},
    };
    for (const auto& c : cases) {
        Eval e(c.expr);
        EXPECT_TRUE(e.ok) << GxToUtf8(c.expr) << e.w.moa.ErrorsUtf8();
        EXPECT_EQ(GxToUtf8(e.result.ToString()), c.want) << GxToUtf8(c.expr);
        EXPECT_EQ(e.result.GetType(), c.type) << GxToUtf8(c.expr);
    }
}

TEST(MoaExecutor, AssignmentsAndIncrements) {
    {
        Eval e(u"$x = 1 + 2");
        EXPECT_EQ(e.Local(u"x").ToInt64(), 3);
        EXPECT_EQ(e.w.worker->GetValueStack()->size(), 1u) << "the expression's value is the one value left";
    }
    {
        Eval e(u"$u++");
        EXPECT_TRUE(e.result.IsNull()) << "the old value";
        EXPECT_EQ(e.Local(u"u").ToInt64(), 1);
    }
    {
        Eval e(u"$f = 1.5 $f++");  // two expressions: refused
        EXPECT_FALSE(e.ok);
    }
    {
        Eval e(u"$a = 1 + ($a[2] = 7)");
        EXPECT_TRUE(e.ok) << e.w.moa.ErrorsUtf8();
        EXPECT_EQ(e.Local(u"a").ToInt64(), 8) << "the outer assignment replaces the array";
    }
    {
        Eval e(u"$v = ($b = 1) + ($b[2] = 7)");
        ASSERT_TRUE(e.ok);
        const GxMoaVariable b = e.Local(u"b");
        ASSERT_TRUE(b.IsArray()) << "an element assignment turns the Int into an Array";
        ASSERT_EQ(b.GetArraySize(), 3);
        EXPECT_EQ(GxMoaVariable(b).GetElement(2)->ToInt64(), 7);
    }
    {
        Eval e(u"$x = ($x = 3.9) &= 6");
        EXPECT_FALSE(e.ok) << "a parenthesised value is no assignment target";
    }
}

TEST(MoaExecutor, CompoundAssignments) {
    struct Case {
        const char16_t* setup;  // gives $x its value
        const char16_t* op;
        const char* want;
    } cases[] = {
        {u"2", u":= 1", "21"},
        {u"3.9", u"&= 6", "2"},
        {u"5", u"|= 2", "7"},
        {u"5", u"^= 1", "4"},
        {u"5", u"-= 0.5", "4.500000"},
        {u"5", u"/= 0", ""},
        {u"7", u"%= 4", "3"},
        {u"\"2\"", u"*= 3", "6"},
    };
    for (const auto& c : cases) {
        World w;
        const std::u16string text = std::u16string(u"*start\n$x = ") + c.setup + u"\n$x " + c.op + u"\ntrace($x)\n";
        w.RunScript(text.c_str());
        EXPECT_EQ(w.TraceText(), c.want) << GxToUtf8(c.op);
    }
}

TEST(MoaExecutor, ScriptsThatTraceAndStop) {
    struct Case {
        const char* what;
        const char16_t* text;
        const char* trace;
        const char16_t* error;  // null: none
        const char16_t* warning = nullptr;
    } cases[] = {
        {"-1 reads the whole value; reading past the end grows the array",
         u"*start\n$a = ARRAY(1, 2, 3)\ntrace($a[-1], $a[-2], $a[1000], ArraySize($a))\n$a[-1] = 5\n", "3,,,1001",
         u"OPC_ASSIGN 変数の要素 $a[-1] に代入できません[pc="},
        {"builtins receive their arguments in order", u"*start\ntrace(1, \"two\", 3.5, NULL, ARRAY(1, 2))\ntrace()\n",
         "1,two,3.500000,,2|", nullptr},
        {"an unbound builtin stops with its name", u"*start\nMissing(1)\n", "",
         u"関数実行時にエラーが発生したので停止します[builtin:missing]"},
        // Huge indexes are errors, not allocations; the largest allowed one still works.
        {"assigning at 2^31 - 1", u"*start\n$a[2147483647] = 1\n", "", u"配列の要素番号が大きすぎます"},
        {"reading at 2e9", u"*start\ntrace($a[2000000000])\n", "", u"配列の要素番号が大きすぎます"},
        {"incrementing at 2^20", u"*start\n$a[1048576]++\n", "", u"配列の要素番号が大きすぎます"},
        {"adding at 2^20", u"*start\n$a[1048576] += 1\n", "", u"配列の要素番号が大きすぎます"},
        {"the largest index", u"*start\n$a[1048575] = 1\ntrace(ArraySize($a))\n", "1048576", nullptr},
        // Blocks and calls return where they should.
        {"a false IF without ELSE goes on after its block", u"*start\nIF (0) {\ntrace(1)\n}\ntrace(2)\n", "2", nullptr},
        {"GOSUB returns after the calling statement",
         u"*start\ntrace(\"a\")\nGOSUB(\"sub\", 42)\ntrace(\"c\", RETVAL())\nEXIT()\n*sub\ntrace(\"b\", $_)\nRETURN(7)\n",
         "a|b,42|c,7", nullptr},
        {"a called frame running off the end ends the worker",
         u"*start\nGOSUB(\"sub\")\ntrace(\"never\")\n*sub\ntrace(\"sub\")\n", "sub", nullptr},
        {"RETURNIF goes on on a false condition and returns on a true one",
         u"*start\nGOSUB(\"sub\")\ntrace(\"back\")\nEXIT()\n*sub\nRETURNIF(0)\ntrace(\"in sub\")\nRETURNIF(1, 3)\n"
         u"trace(\"never\")\n",
         "in sub|back", nullptr},
        // A global's value is read back after a call: a frame-local $g would not survive the RETURN.
        {"declarations are skipped and give their initial values",
         u"GLOBAL NOSAVE $g = 5\nSTATIC INGAME $s = 2\n*start\nGOSUB(\"sub\")\ntrace($g)\nEXIT()\n*sub\n$g = $g + $s\n"
         u"RETURN()\n",
         "7", nullptr},
        {"an unknown word is skipped with the rest of its line, with a warning",
         u"*start\nbg01.lnc(1) trace(\"same line\")\ntrace(\"next\")\n", "next", nullptr,
         u"不明な単語を発見。スキップされます[bg01.lnc]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        World w;
        w.builder.DeclareBuiltin(u"Missing");
        w.RunScript(c.text);
        EXPECT_EQ(w.TraceText(), c.trace);
        if (!*c.trace) {
            EXPECT_TRUE(w.traces.empty());
        }
        EXPECT_EQ(w.moa.m_ErrorFlag, c.error != nullptr) << w.moa.ErrorsUtf8();
        if (c.error) {
            EXPECT_TRUE(w.moa.HasError(c.error)) << w.moa.ErrorsUtf8();
        } else {
            EXPECT_TRUE(w.moa.errors.empty()) << w.moa.ErrorsUtf8();
            EXPECT_FALSE(w.worker->IsRunning());
        }
        if (c.warning) {
            EXPECT_TRUE(w.moa.HasWarning(c.warning));
        }
    }
}

TEST(MoaExecutor, UndefinedVariablesAreWarnedAboutInStatementsOnly) {
    {
        Eval e(u"$u");
        ASSERT_EQ(e.w.moa.warnings.size(), 1u);
        EXPECT_EQ(e.w.moa.warnings[0].text, u"未定義の変数 $u を使用しました[pc=0]");
        EXPECT_EQ(e.w.moa.warnings[0].script, u"main");
        EXPECT_TRUE(e.result.IsNull());
    }
    {
        Eval e(u"$u", false);
        EXPECT_TRUE(e.w.moa.warnings.empty());
        EXPECT_TRUE(e.ok);
    }
}

TEST(MoaExecutor, EvaluatingOnAnIdleWorkerIsAnError) {
    World w;
    w.Load({{u"main", u"1"}});
    GxMoaRunPos cursor;
    EXPECT_FALSE(GxMoa::Eval_Token(&w.moa, nullptr, &w.binder, w.worker.get(), GxMoaRunPos(0, 0), &cursor, true));
    ASSERT_EQ(w.moa.errors.size(), 1u);
    EXPECT_EQ(w.moa.errors[0].text, u"GxMoa::Eval_Token 実行中ではないWorkerを計算しようとしました");
    EXPECT_EQ(w.moa.errors[0].script, u"*");
    EXPECT_TRUE(w.moa.m_ErrorFlag);
}

// Builtins that push, pop or replace frames in the middle of an expression:
// the executor must not touch the frame whose list was running. Under
// AddressSanitizer a touch of a freed frame fails the test.
TEST(MoaExecutor, FrameChangesInsideAnExpressionStopTheList) {
    const std::pair<const char16_t*, const char*> cases[] = {
        {u"$r = deep() + trace(\"after-deep\")", "sub"},
        {u"$r = GOSUB(\"sub\") + trace(\"after-gosub\")", "sub"},
        {u"$r = GO(\"sub\") + trace(\"after-go\")", "sub"},
        {u"$r = EXIT() + trace(\"after-exit\")", ""},
        {u"$r = popall() + trace(\"after-pop\")", ""},
    };
    for (const auto& [statement, trace] : cases) {
        World w;
        w.AddBuiltin(u"deep", [](GxMoaVariable*, GxMoaWorker* worker, GxMoaExecStack*, GxMoaVariable*) {
            // Enough calls to make the frame storage move.
            for (int i = 0; i < 40; ++i) worker->Call(u"sub", nullptr);
            return true;
        });
        w.AddBuiltin(u"popall", [](GxMoaVariable*, GxMoaWorker* worker, GxMoaExecStack*, GxMoaVariable*) {
            while (worker->Return(nullptr)) {
            }
            return true;
        });
        const std::u16string text = std::u16string(u"*start\n") + statement + u"\nEXIT()\n*sub\ntrace(\"sub\")\nEXIT()\n";
        w.RunScript(text.c_str());
        EXPECT_EQ(w.TraceText(), trace) << GxToUtf8(statement);
        EXPECT_FALSE(w.moa.m_ErrorFlag) << w.moa.ErrorsUtf8();
        EXPECT_TRUE(w.worker->FindVariable(u"r") == nullptr);
    }
}

TEST(MoaExecutor, MalformedListsFromASaveAreRefused) {
    World w;
    w.Load({{u"main", u"*start\n"}});
    GxMoaVariable op;
    op.SetOpcode(kGxOpPushInt);  // operand missing
    w.PushMainFrame().m_OpcodeList.push_back(op);
    EXPECT_EQ(Exec_Opcode(&w.binder, nullptr, &w.moa, w.worker.get(), true), 0);
    EXPECT_TRUE(w.moa.HasError(u"Exec_Opcode")) << w.moa.ErrorsUtf8();

    auto& list = w.worker->GetExecStack()->back().m_OpcodeList;
    list.clear();
    op.SetOpcode(kGxOpAdd);  // nothing on the value stack
    list.push_back(op);
    w.worker->GetExecStack()->back().m_OpcodePos = 0;
    EXPECT_EQ(Exec_Opcode(&w.binder, nullptr, &w.moa, w.worker.get(), true), 0);
    EXPECT_TRUE(w.moa.HasError(u"Exec_IsValueLastTwo 計算スタックに必要なパラメータが積まれていません[pc=0]"));

    list.clear();
    list.push_back(GxMoaVariable::OfInt(1));
    w.worker->GetExecStack()->back().m_OpcodePos = 0;
    EXPECT_EQ(Exec_Opcode(&w.binder, nullptr, &w.moa, w.worker.get(), true), 0);
    EXPECT_TRUE(w.moa.HasError(u"Exec_Opcode Opcodeではないパラメータを演算しようとしました"));
}

} // namespace
