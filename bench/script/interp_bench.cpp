// Speed of the interpreter on two loops, each beside the same loop in
// Python 3 (run by this benchmark when python3 is on the PATH; over global
// variables as the script's are, and for comparison inside a function) and
// in plain C++, measured in the same run:
//   arithmetic:   $i = $i + 1; IF ($i % 3 == 0) { $s = $s + 1 }
//   builtin call: $i = $i + 1; $r = nop($i)
// and the arithmetic loop again with 3,000 other globals declared before $i
// and $s, which must cost no more than 1.2 times the loop without them.
// The scripts are built token by token, as the outside compiler would
// deliver them. A statement is one Step that did work; the comparisons with
// Python and C++ are of the time per loop pass, since the languages count
// statements differently.
#include "script/GxMoa.h"
#include "script/GxMoaBuiltinDefault.h"
#include "script/GxMoaDelegate.h"
#include "script/GxMoaFunctionBinder.h"
#include "script/GxMoaWorker.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

constexpr s64 kPasses = 300000;

GxMoaToken Tok(u16 type, GxStringView text = {}, s64 integer = 0) {
    GxMoaToken t(type);
    if (!text.empty()) t.SetStr(text);
    t.SetInt(integer);
    return t;
}

// IF (<condition>) { <body> }, with the jump targets the outside compiler
// gives: the IF's condition, the `{`'s end and the `}`'s kind.
std::vector<GxMoaToken> IfLine(int line, std::vector<GxMoaToken> condition, std::vector<GxMoaToken> body) {
    std::vector<GxMoaToken> t = {Tok(kGxTokIf), Tok(kGxTokParenOpen)};
    t[0].SetRunPos(1, GxMoaRunPos(line, 2));
    for (auto& c : condition) t.push_back(std::move(c));
    t.push_back(Tok(kGxTokParenClose));
    const int brace = int(t.size());
    t.push_back(Tok(kGxTokBraceOpen));
    for (auto& b : body) t.push_back(std::move(b));
    t.push_back(Tok(kGxTokBraceClose, {}, kGxMoaBlockEndIf));
    t[size_t(brace)].SetRunPos(0, GxMoaRunPos(line, int(t.size()) - 1));
    return t;
}

// Lines:
//   0  *loop
//   1  $i = $i + 1
//   2  <work line>
//   3  IF ($i < N) { GO("loop") }
std::unique_ptr<GxMoaScript> LoopScript(GxMoa* moa, std::vector<GxMoaToken> work) {
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
    line(IfLine(3, {Tok(kGxTokVar, u"i"), Tok(kGxTokLt), Tok(kGxTokInt, {}, kPasses)},
                {Tok(kGxTokBuiltin, u"go"), Tok(kGxTokParenOpen), Tok(kGxTokString, u"loop"), Tok(kGxTokParenClose)}));
    moa->AddLabel(GxMoaLabelDefinition(u"loop", 0, 0, u"bench"));
    return s;
}

std::vector<GxMoaToken> ArithmeticWork() {
    return IfLine(2,
                  {Tok(kGxTokVar, u"i"), Tok(kGxTokMod), Tok(kGxTokInt, {}, 3), Tok(kGxTokEq), Tok(kGxTokInt, {}, 0)},
                  {Tok(kGxTokVar, u"s"), Tok(kGxTokAssign), Tok(kGxTokVar, u"s"), Tok(kGxTokAdd), Tok(kGxTokInt, {}, 1)});
}

std::vector<GxMoaToken> CallWork() {
    return {Tok(kGxTokVar, u"r"), Tok(kGxTokAssign), Tok(kGxTokBuiltin, u"nop"), Tok(kGxTokParenOpen),
            Tok(kGxTokVar, u"i"), Tok(kGxTokParenClose)};
}

struct Nop {
    bool Call(const GxString*, int, GxMoaVariable* args, GxMoaWorker*, GxMoaScriptEntity*, GxMoaExecStack*,
              GxMoaVariable* result) {
        if (args->GetArraySize() < 1) args->ResizeArray(1);
        result->SetInt64(GxMoaArgumentAt(args, 0)->ToInt64() + 1);
        return true;
    }
};

struct Result {
    double seconds = 0;     // for kPasses loop passes
    double statements = 0;  // Steps that did work
};

// The loop's variables are GLOBAL_NOSAVE, declared after `extraGlobals`
// other globals.
Result RunLoop(std::vector<GxMoaToken> work, int extraGlobals, bool withNop) {
    GxMoa moa;
    auto declare = [&](const GxString& name) {
        GxMoaVariableDefinition d;
        d.m_Name = name;
        d.m_Scope = kGxScopeGlobalNoSave;
        d.m_InitValue.SetInt64(0);
        moa.AddVariableDefinition(d);
    };
    for (int g = 0; g < extraGlobals; ++g) {
        GxString name = u"g";
        for (char c : std::to_string(g)) name.push_back(GxChar(c));
        declare(name);
    }
    for (const GxChar* name : {u"i", u"s", u"r"}) declare(name);
    moa.AddScript(LoopScript(&moa, std::move(work)));
    GxMoaWorker worker(&moa);
    worker.InitGlobalVariables();
    GxMoaFunctionBinder binder;
    GxMoaBuiltinDefault defaults;
    defaults.RegisterBuiltins(&binder);
    Nop nop;
    if (withNop) binder.AddFunction(u"nop", new GxMoaDelegate<Nop>(&nop, &Nop::Call));
    worker.StartAtLabel(u"loop", nullptr);
    const auto t0 = Clock::now();
    s64 steps = 0;
    while (worker.Step(&binder)) ++steps;
    Result r;
    r.seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    r.statements = double(steps);
    const GxMoaVariableSet* i = worker.FindVariable(u"i");
    if (moa.m_ErrorFlag || !i || i->m_Value.ToInt64() != kPasses) std::printf("script error\n");
    return r;
}

// The faster of a few runs, so that other work on the machine shows less.
template <class F>
Result Best(int runs, F&& f) {
    Result best;
    for (int k = 0; k < runs; ++k) {
        const Result r = f();
        if (k == 0 || r.seconds < best.seconds) best = r;
    }
    return best;
}

// Seconds Python 3 takes for the same passes of a loop body (the best of
// several runs), written as the script's loop is, with global variables, and
// inside a function, where Python keeps them as fast locals. Negative when
// python3 cannot be run.
struct PythonTimes {
    double globals = -1;
    double locals = -1;
};

PythonTimes PythonSeconds(const std::string& body, const char* prelude) {
    auto indent = [&](const char* pad) {
        std::string out;
        size_t from = 0;
        while (from < body.size()) {
            const size_t nl = body.find('\n', from);
            out += pad + body.substr(from, nl - from + 1);
            from = nl + 1;
        }
        return out;
    };
    const std::string n = std::to_string(kPasses);
    const std::string program = std::string("import time\n") + prelude +
                                "best = 1e9\n"
                                "for k in range(9):\n"
                                "    i = 0; s = 0; r = 0\n"
                                "    t0 = time.perf_counter()\n"
                                "    while i < " + n + ":\n" + indent("        ") +
                                "    best = min(best, time.perf_counter() - t0)\n"
                                "print(best)\n"
                                "def run(n):\n"
                                "    i = 0; s = 0; r = 0\n"
                                "    t0 = time.perf_counter()\n"
                                "    while i < n:\n" + indent("        ") +
                                "    return time.perf_counter() - t0\n"
                                "print(min(run(" + n + ") for _ in range(9)))\n";
    PythonTimes t;
    const std::string command = "python3 -c '" + program + "' 2>/dev/null";
    FILE* p = popen(command.c_str(), "r");
    if (!p) return t;
    char a[64] = {}, b[64] = {};
    const bool got = std::fgets(a, sizeof a, p) && std::fgets(b, sizeof b, p);
    if (pclose(p) != 0 || !got) return t;
    t.globals = std::atof(a);
    t.locals = std::atof(b);
    return t;
}

__attribute__((noinline)) s64 NativeNop(s64 v) { return v + 1; }

// Seconds plain C++ takes for the passes (a volatile sink keeps the work).
template <class F>
double NativeSeconds(F&& pass) {
    const s64 scale = 100;
    const auto t0 = Clock::now();
    for (s64 i = 0; i < kPasses * scale;) pass(i);
    return std::chrono::duration<double>(Clock::now() - t0).count() / double(scale);
}

void Report(const char* what, const Result& moa, const PythonTimes& python, double native) {
    std::printf("%s: %.2f M statements/s, %.2f M passes/s (%.3f s for %lld passes)\n", what,
                moa.statements / moa.seconds / 1e6, double(kPasses) / moa.seconds / 1e6, moa.seconds,
                (long long)kPasses);
    if (python.globals > 0)
        std::printf("  Python 3, the same loop over globals: %.2f M passes/s; the interpreter takes %.2f times "
                    "its time\n  (inside a function, over fast locals: %.2f M passes/s, %.2f times)\n",
                    double(kPasses) / python.globals / 1e6, moa.seconds / python.globals,
                    double(kPasses) / python.locals / 1e6, moa.seconds / python.locals);
    else
        std::printf("  Python 3: not run (no python3)\n");
    std::printf("  plain C++: the interpreter takes %.0f times its time\n", moa.seconds / native);
}

} // namespace

int main() {
    const Result arith = Best(7, [] { return RunLoop(ArithmeticWork(), 0, false); });
    const Result crowded = Best(7, [] { return RunLoop(ArithmeticWork(), 3000, false); });
    const Result calls = Best(7, [] { return RunLoop(CallWork(), 0, true); });

    volatile s64 sink = 0;
    const double nativeArith = NativeSeconds([&](s64& i) {
        i = i + 1;
        if (i % 3 == 0) sink = sink + 1;
    });
    const double nativeCalls = NativeSeconds([&](s64& i) {
        i = i + 1;
        sink = NativeNop(i);
    });
    const PythonTimes pyArith = PythonSeconds("i = i + 1\n"
                                              "if i % 3 == 0:\n"
                                              "    s = s + 1\n",
                                              "");
    const PythonTimes pyCalls = PythonSeconds("i = i + 1\n"
                                              "r = nop(i)\n",
                                              "def nop(v):\n    return v + 1\n");

    Report("arithmetic loop", arith, pyArith, nativeArith);
    Report("builtin-call loop", calls, pyCalls, nativeCalls);
    std::printf("arithmetic loop with 3000 more globals: %.2f M statements/s, %.2f times the time without them\n",
                crowded.statements / crowded.seconds / 1e6, crowded.seconds / arith.seconds);
    return 0;
}
