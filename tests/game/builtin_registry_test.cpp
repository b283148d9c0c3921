// The game's builtins as the interpreter's binder holds them, and the one
// argument access all handlers share.
#include "BuiltinScript.h"

#include "game/builtins/AvgBuiltinCall.h"
#include "script/GxMoaBuiltinDefault.h"
#include "script/GxMoaEx.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

namespace {

using Delegate = GxMoaDelegate<AvgBuiltin>;

GxMoaVariable Str(const GxChar* s) { return GxMoaVariable::OfString(s); }
GxMoaVariable Int(s64 v) { return GxMoaVariable::OfInt(v); }
GxMoaVariable Float(f64 v) { return GxMoaVariable::OfFloat(v); }
GxMoaVariable Array(u32 n) {
    GxMoaVariable a;
    a.MakeArray(n);
    return a;
}

TEST(GameBuiltins, EveryNameReachesItsHandlerWhateverItsCase) {
    GxMoaFunctionBinder binder;
    GxMoaBuiltinDefault defaults;
    defaults.RegisterBuiltins(&binder);
    const size_t interpreterOwn = binder.GetCount();
    AvgBuiltin builtins(nullptr);
    builtins.RegisterBuiltins(&binder);

    // Print and Debug are replaced, not refused as names bound twice.
    ASSERT_EQ(AvgBuiltin::GetBindings().size(), 97u);
    EXPECT_EQ(binder.GetCount(), interpreterOwn - 2 + 97);
    std::vector<Delegate::Method> handlers;
    for (const AvgBuiltin::Binding& b : AvgBuiltin::GetBindings()) {
        SCOPED_TRACE(GxToUtf8(b.name));
        auto* d = dynamic_cast<Delegate*>(binder.FindFunction(GxToLower(b.name)));
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->GetObject(), &builtins);
        EXPECT_TRUE(d->GetMethod() == b.handler);
        if (std::find(handlers.begin(), handlers.end(), d->GetMethod()) == handlers.end())
            handlers.push_back(d->GetMethod());
    }
    EXPECT_EQ(handlers.size(), 92u);
    // The names that share another's handler.
    const struct {
        const GxChar* name;
        Delegate::Method handler;
    } kShared[] = {
        {u"SE", &AvgBuiltinSound::SE_0},           {u"VO", &AvgBuiltinSound::VO_0},
        {u"EV.COLOR", &AvgBuiltinPicture::BG_COLOR}, {u"EV.ACT_MOVE", &AvgBuiltinPicture::BG_ACT_MOVE},
        {u"EV.WA", &AvgBuiltinPicture::BG_WA},
    };
    for (const auto& k : kShared) {
        auto* d = dynamic_cast<Delegate*>(binder.FindFunction(GxToLower(k.name)));
        ASSERT_NE(d, nullptr) << GxToUtf8(k.name);
        EXPECT_TRUE(d->GetMethod() == k.handler) << GxToUtf8(k.name);
    }

    // Every name the script compiler declares for the game is bound, and
    // nothing else is: only the ends of the TEXT and STAND blocks are words
    // of the compiler alone.
    qtest::MoaScriptBuilder compiler;
    compiler.DeclareGameBuiltins();
    GxMoa moa;
    ASSERT_NE(compiler.AddScript(&moa, u"main", u"*start\n"), nullptr) << compiler.LastError();
    size_t declared = 0;
    for (const GxMoaBuiltinDefinition& def : moa.GetBuiltinDefinitions()) {
        if (def.m_Name == u"endtext" || def.m_Name == u"endstand") continue;
        ++declared;
        EXPECT_NE(binder.FindFunction(def.m_Name), nullptr) << GxToUtf8(def.m_Name);
    }
    EXPECT_EQ(declared, binder.GetCount());

    // A call in any letter case reaches the handler.
    for (const GxString name : {u"GetDebugModeFlag", u"getdebugmodeflag", u"GETDEBUGMODEFLAG"}) {
        GxMoaVariable args = Array(0), result;
        EXPECT_TRUE(binder.CallFunction(&name, 0, &args, nullptr, nullptr, nullptr, &result));
        EXPECT_EQ(result.GetType(), u32(kGxMoaInt));
    }
}

TEST(GameBuiltins, ArgumentsAreGivenWhenTheirTextIsNotEmpty) {
    GxMoaVariable emptyArray = Array(0);
    const struct {
        GxMoaVariable value;
        bool given;
    } cases[] = {
        {GxMoaVariable(), false}, {Str(u""), false}, {Str(u"a"), true},   {Int(0), true},
        {Float(0.0), true},       {emptyArray, true}, {Str(u" "), true},
    };
    EXPECT_FALSE(IsArgumentGiven(nullptr));
    for (const auto& c : cases) EXPECT_EQ(IsArgumentGiven(&c.value), c.given) << GxToUtf8(c.value.ToString());
}

TEST(GameBuiltins, AlignedPositionsOnTheScreen) {
    const struct {
        bool vertical;
        GxMoaVariable value;  // Null: no argument
        f32 size;
        f32 expected;
    } cases[] = {
        {false, GxMoaVariable(), 300, 17.0f}, {false, Int(-40), 300, -40.0f},  {false, Float(12.5), 300, 12.5f},
        {false, Str(u"L"), 300, 0.0f},        {false, Str(u"M"), 300, 362.0f}, {false, Str(u"M"), 301.5f, 361.0f},
        {false, Str(u"R"), 300, 724.0f},      {false, Str(u"R"), 1100.5f, -76.0f}, {false, Str(u"N"), 300, 17.0f},
        {false, Str(u"X"), 300, 17.0f},       {false, Str(u"m"), 300, 17.0f},  {false, Str(u""), 300, 17.0f},
        {true, GxMoaVariable(), 500, 268.0f}, {true, GxMoaVariable(), 500.5f, 267.5f}, {true, Str(u"T"), 500, 0.0f},
        {true, Str(u"M"), 301, 233.5f},       {true, Str(u"B"), 300.5f, 467.0f}, {true, Str(u"N"), 500, 17.0f},
        {true, Str(u"X"), 500, 0.0f},         {true, Int(99), 500, 99.0f},      {true, Str(u""), 500, 268.0f},
        // A picture far wider than any integer: no overflow in the cut.
        {false, Str(u"R"), 1e30f, 1024.0f - 1e30f},
    };
    for (const auto& c : cases) {
        const GxMoaVariable* arg = c.value.IsNull() ? nullptr : &c.value;
        const f32 got = c.vertical ? GetAlignPosY(arg, 17.0f, c.size) : GetAlignPosX(arg, 17.0f, c.size);
        EXPECT_EQ(got, c.expected) << (c.vertical ? "Y " : "X ") << GxToUtf8(c.value.ToString()) << " " << c.size;
    }
}

TEST(GameBuiltins, ArgumentsArePaddedToTheCountAndConverted) {
    GxMoaVariable args = Array(0);
    args.SetElement(0, Str(u"12"));
    args.SetElement(1, Float(2.75));
    args.SetElement(2, Int(0x1'0000'0007));
    GxMoaVariable result;
    AvgBuiltinCall call(nullptr, &args, nullptr, nullptr, nullptr, &result, 6);
    EXPECT_EQ(call.Int(0), 12);
    EXPECT_EQ(args.GetArraySize(), 6) << "padded to the parameter count at the first read";
    EXPECT_TRUE(args.GetArray()->at(5).IsNull());
    EXPECT_EQ(call.Int(1), 2);
    EXPECT_EQ(call.Float(1), 2.75);
    EXPECT_EQ(call.Int32(2, -1), 7) << "the 64-bit value cut to 32 bits";
    EXPECT_EQ(call.Int64(2), 0x1'0000'0007);
    EXPECT_EQ(call.Int(4, 9), 9);
    EXPECT_EQ(call.Int(4), 0);
    EXPECT_EQ(call.Str(4), u"");
    EXPECT_EQ(call.Str(4, u"d"), u"d");
    EXPECT_EQ(call.Float(5, 1.5), 1.5);
    EXPECT_EQ(call.WaitFlags(5), 15);
    EXPECT_EQ(call.Colour(4, 0x123456), 0xFF123456u);
    args.SetElement(4, Int(0x7F00FF00));
    EXPECT_EQ(call.Colour(4, 0), 0xFF00FF00u) << "the alpha the script gives is forced";
    // Reading past the count still gives a Null.
    EXPECT_TRUE(call.Arg(7)->IsNull());
    EXPECT_EQ(args.GetArraySize(), 8);
    // Extra arguments stay as they were.
    EXPECT_EQ(args.GetArray()->at(0).ToString(), u"12");

    // An index is compared whole: a value that only wraps into the range is refused.
    s32 index = -1;
    EXPECT_TRUE(call.InRange(5, 0, 1, &index));
    EXPECT_EQ(index, 0);
    EXPECT_FALSE(call.InRange(2, 0, 7, &index));
    args.SetElement(3, Int(-1));
    EXPECT_FALSE(call.InRange(3, 0, 1, &index));

    // No argument list at all: every argument is absent.
    GxMoaVariable notAList = Int(3);
    AvgBuiltinCall bare(nullptr, &notAList, nullptr, nullptr, nullptr, &result, 2);
    EXPECT_EQ(bare.Arg(0), nullptr);
    EXPECT_FALSE(bare.IsGiven(0));
    EXPECT_EQ(bare.Int(0, 4), 4);
    EXPECT_EQ(notAList.GetType(), u32(kGxMoaInt)) << "not turned into a list";

    call.SetResult(-2);
    EXPECT_EQ(result.GetType(), u32(kGxMoaInt));
    EXPECT_EQ(result.ToInt64(), -2) << "widened with its sign";
    call.SetResult(GxString(u"x"));
    EXPECT_EQ(result.GetType(), u32(kGxMoaStr));
}

TEST(GameBuiltins, MissingFilesStopOnlyWithTheirSwitch) {
    GxMoaEx moa;
    GxMoaWorker worker(&moa);
    GxMoaExecStack stack(1);
    stack.back().m_ScriptPos.m_Line = 2;
    const GxString name = u"bgm";
    GxMoaVariable args = Array(0), result;
    AvgBuiltinCall call(&name, &args, &worker, nullptr, &stack, &result, 1);
    qtest::LogCapture log;
    EXPECT_TRUE(call.MissingFile(false, u"BGMファイルが見つかりません[%s]", u"bgms/none"));
    EXPECT_TRUE(log.Lines().empty());
    EXPECT_FALSE(call.MissingFile(true, u"BGMファイルが見つかりません[%s]", u"bgms/none"));
    EXPECT_EQ(log.Lines(), std::vector<std::string>{"err:[Script=\"*\"/line=3] bgm:BGMファイルが見つかりません[bgms/none]\n"});
}

} // namespace
