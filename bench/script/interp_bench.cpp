// Statements per second of the interpreter for an arithmetic loop and for a
// loop of builtin calls, each against the same work in plain C++ measured in
// the same run. The scripts are built token by token, as the outside
// compiler would deliver them.
#include "script/GxMoa.h"
#include "script/GxMoaBuiltinDefault.h"
#include "script/GxMoaDelegate.h"
#include "script/GxMoaFunctionBinder.h"
#include "script/GxMoaWorker.h"

#include <chrono>
#include <cstdio>
#include <memory>

namespace {

using Clock = std::chrono::steady_clock;

GxMoaToken Tok(u16 type, GxStringView text = {}, s64 integer = 0) {
    GxMoaToken t(type);
    if (!text.empty()) t.SetStr(text);
    t.SetInt(integer);
    return t;
}

// Lines:
//   0  *loop
//   1  $i = $i + 1
//   2  <work line>
//   3  IF ($i < N) { GO("loop") }
std::unique_ptr<GxMoaScript> LoopScript(GxMoa* moa, std::vector<GxMoaToken> work, s64 n) {
    auto s = std::make_unique<GxMoaScript>(moa);
    s->m_ScriptName = u"bench";
    auto line = [&](std::vector<GxMoaToken> tokens) {
        GxMoaScriptStep step;
        step.m_Tokens = std::move(tokens);
        s->m_Lines.push_back(std::move(step));
    };
    line({Tok(kGxTokLabel, u"loop")});
    line({Tok(kGxTokVar, u"i"), Tok(kGxTokAssign), Tok(kGxTokVar, u"i"), Tok(kGxTokAdd), Tok(kGxTokInt, {}, 1)});
    line(std::move(work));
    std::vector<GxMoaToken> cond = {Tok(kGxTokIf),        Tok(kGxTokParenOpen), Tok(kGxTokVar, u"i"),
                                    Tok(kGxTokLt),        Tok(kGxTokInt, {}, n), Tok(kGxTokParenClose),
                                    Tok(kGxTokBraceOpen), Tok(kGxTokBuiltin, u"go"), Tok(kGxTokParenOpen),
                                    Tok(kGxTokString, u"loop"), Tok(kGxTokParenClose), Tok(kGxTokBraceClose)};
    cond[0].SetRunPos(1, GxMoaRunPos(3, 2));
    cond[6].SetRunPos(0, GxMoaRunPos(3, 11));
    cond[11].SetInt(kGxMoaBlockEndIf);
    line(std::move(cond));
    moa->AddLabel(GxMoaLabelDefinition(u"loop", 0, 0, u"bench"));
    return s;
}

struct Result {
    double statementsPerSecond;
    double seconds;
};

Result RunScript(std::vector<GxMoaToken> work, s64 n, GxMoaFunctionBinder* extra) {
    GxMoa moa;
    moa.AddScript(LoopScript(&moa, std::move(work), n));
    GxMoaWorker worker(&moa);
    worker.InitGlobalVariables();
    GxMoaFunctionBinder binder;
    GxMoaBuiltinDefault defaults;
    defaults.RegisterBuiltins(&binder);
    GxMoaFunctionBinder* b = extra ? extra : &binder;
    if (extra) defaults.RegisterBuiltins(extra);
    worker.StartAtLabel(u"loop", nullptr);
    const auto t0 = Clock::now();
    s64 steps = 0;
    while (worker.Step(b)) ++steps;
    const double sec = std::chrono::duration<double>(Clock::now() - t0).count();
    if (moa.m_ErrorFlag) std::printf("script error\n");
    return {double(steps) / sec, sec};
}

struct Nop {
    bool Call(const GxString*, int, GxMoaVariable* args, GxMoaWorker*, GxMoaScriptEntity*, GxMoaExecStack*,
              GxMoaVariable* result) {
        if (args->GetArraySize() < 1) args->ResizeArray(1);
        result->SetInt64(GxMoaArgumentAt(args, 0)->ToInt64() + 1);
        return true;
    }
};

__attribute__((noinline)) s64 NativeNop(s64 v) { return v + 1; }

} // namespace

int main() {
    const s64 n = 200000;
    // Arithmetic: $sum = $sum + $i * 2
    const Result arith = RunScript({Tok(kGxTokVar, u"sum"), Tok(kGxTokAssign), Tok(kGxTokVar, u"sum"), Tok(kGxTokAdd),
                                    Tok(kGxTokVar, u"i"), Tok(kGxTokMul), Tok(kGxTokInt, {}, 2)},
                                   n, nullptr);
    // The same statements in plain C++: three per pass.
    volatile s64 sink = 0;
    auto t0 = Clock::now();
    s64 i = 0, sum = 0;
    for (;;) {
        i = i + 1;
        sum = sum + i * 2;
        sink = sum;
        if (!(i < n * 50)) break;
    }
    const double nativeArith = double(3 * i) / std::chrono::duration<double>(Clock::now() - t0).count();

    // Builtin calls: $r = nop($i)
    GxMoaFunctionBinder binder;
    Nop nop;
    binder.AddFunction(u"nop", new GxMoaDelegate<Nop>(&nop, &Nop::Call));
    const Result calls = RunScript({Tok(kGxTokVar, u"r"), Tok(kGxTokAssign), Tok(kGxTokBuiltin, u"nop"),
                                    Tok(kGxTokParenOpen), Tok(kGxTokVar, u"i"), Tok(kGxTokParenClose)},
                                   n, &binder);
    t0 = Clock::now();
    s64 r = 0;
    for (i = 0; i < n * 50;) {
        i = i + 1;
        r = NativeNop(i);
        sink = r;
    }
    const double nativeCalls = double(3 * i) / std::chrono::duration<double>(Clock::now() - t0).count();
    (void)sink;

    std::printf("arithmetic loop: %.0f statements/s (%.2f s); plain C++ is %.0f times faster\n",
                arith.statementsPerSecond, arith.seconds, nativeArith / arith.statementsPerSecond);
    std::printf("builtin-call loop: %.0f statements/s (%.2f s); plain C++ is %.0f times faster\n",
                calls.statementsPerSecond, calls.seconds, nativeCalls / calls.statementsPerSecond);
    return 0;
}
