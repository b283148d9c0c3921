#include "moa_world.h"

#include "base/GxLog.h"
#include "support/TempDir.h"
#include "tools/builders/FileBytes.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <unistd.h>
#include <cmath>
#include <cstdlib>
#include <set>

namespace {

using World = mtest::World<>;

// Calls a builtin by name with the arguments given; the result, or a value
// of type 0 when the call returned false.
struct Caller {
    World w;
    Caller() { w.Load({{u"main", u"*start\n"}}); }
    GxMoaVariable Call(const char16_t* name, const std::vector<GxMoaVariable>& argv, bool* ok = nullptr) {
        GxMoaVariable args;
        args.MakeArray(0);
        int i = 0;
        for (const auto& a : argv) args.SetElement(i++, a);
        GxMoaVariable result;
        const GxString n(name);
        const bool r = w.binder.CallFunction(&n, 0, &args, w.worker.get(), nullptr, w.worker->GetExecStack(), &result);
        if (ok) *ok = r;
        return result;
    }
};

GxMoaVariable I(s64 v) { return GxMoaVariable::OfInt(v); }
GxMoaVariable F(f64 v) { return GxMoaVariable::OfFloat(v); }
GxMoaVariable S(const char16_t* s) { return GxMoaVariable::OfString(s); }
// A UTF-16 file after its byte-order mark.
std::u16string Utf16File(const std::filesystem::path& path) {
    const auto bytes = qtest::ReadBytes(path);
    std::u16string s;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) s.push_back(char16_t(bytes[i] | (bytes[i + 1] << 8)));
    return s;
}

GxMoaVariable Arr2() {
    GxMoaVariable a;
    a.MakeArray(2);
    return a;
}

TEST(MoaBuiltins, ConversionsTextArithmeticAndInt32Arguments) {
    struct Case {
        const char16_t* name;
        std::vector<GxMoaVariable> args;
        const char* want;
        u32 type;
    } cases[] = {
        {u"toint", {S(u"12.9")}, "12", kGxMoaInt},
        {u"tofloat", {Arr2()}, "2.000000", kGxMoaFloat},
        {u"tostr", {I(-3)}, "-3", kGxMoaStr},
        {u"isarray", {S(u"x")}, "0", kGxMoaInt},
        {u"isarray", {Arr2()}, "1", kGxMoaInt},
        {u"arraysize", {I(5)}, "0", kGxMoaInt},
        {u"strlen", {S(u"日本語")}, "3", kGxMoaInt},
        {u"strlen", {F(1.5)}, "8", kGxMoaInt},
        {u"strsub", {S(u"abcd"), I(1), I(2)}, "bc", kGxMoaStr},
        {u"strsub", {S(u"abcd"), I(1)}, "bcd", kGxMoaStr},
        {u"strsub", {S(u"abcd"), I(1), I(10)}, "bcd", kGxMoaStr},
        {u"strsub", {S(u"abcd"), I(1), I(-1)}, "bcd", kGxMoaStr},
        {u"strsub", {S(u"abcd"), I(1), GxMoaVariable()}, "", kGxMoaStr},
        {u"strsub", {S(u"abcd"), I(4)}, "", kGxMoaStr},
        {u"strsub", {S(u"abcd"), I(99), I(1)}, "", kGxMoaStr},
        {u"strsub", {S(u"abcd"), I(-5), I(2)}, "ab", kGxMoaStr},
        {u"strfind", {S(u"abcabc"), S(u"c")}, "2", kGxMoaInt},
        {u"strfind", {S(u"abcabc"), S(u"c"), I(3)}, "5", kGxMoaInt},
        {u"strfind", {S(u"abcabc"), S(u"x")}, "-1", kGxMoaInt},
        {u"strfind", {S(u"abc"), S(u""), I(2)}, "2", kGxMoaInt},
        {u"strfind", {S(u"abc"), S(u""), I(4)}, "-1", kGxMoaInt},
        {u"strfind", {S(u"abc"), S(u"a"), I(-7)}, "0", kGxMoaInt},
        {u"strlower", {S(u"AbÄ")}, "abÄ", kGxMoaStr},
        {u"strupper", {S(u"abä")}, "ABä", kGxMoaStr},
        {u"sgn", {S(u"-4")}, "-1", kGxMoaInt},
        {u"sgn", {I(0)}, "0", kGxMoaInt},
        {u"abs", {I(LLONG_MIN)}, "-9223372036854775808", kGxMoaInt},
        {u"abs", {F(-2.5)}, "2", kGxMoaInt},
        {u"fsgn", {F(-0.0)}, "0.000000", kGxMoaFloat},
        {u"fsgn", {F(std::nan(""))}, "0.000000", kGxMoaFloat},
        {u"fsgn", {F(-3.0)}, "-1.000000", kGxMoaFloat},
        {u"fabs", {F(-2.5)}, "2.500000", kGxMoaFloat},
        {u"fmod", {F(-7.5), I(2)}, "-1.500000", kGxMoaFloat},
        {u"pow", {I(2), I(10)}, "1024.000000", kGxMoaFloat},
        {u"sqrt", {I(9)}, "3.000000", kGxMoaFloat},
        {u"exp", {I(0)}, "1.000000", kGxMoaFloat},
        {u"log", {I(1)}, "0.000000", kGxMoaFloat},
        {u"rand", {I(3), I(3)}, "3", kGxMoaInt},

        {u"getyearfromutime", {I(1400000000)}, "2014", kGxMoaInt},
        {u"getmonthfromutime", {I(1400000000)}, "5", kGxMoaInt},
        {u"getdayfromutime", {I(1400000000)}, "13", kGxMoaInt},
        {u"gethourfromutime", {I(1400000000)}, "16", kGxMoaInt},
        {u"getminfromutime", {I(1400000000)}, "53", kGxMoaInt},
        {u"getsecfromutime", {I(1400000000)}, "20", kGxMoaInt},
        {u"getweekfromutime", {I(1400000000)}, "2", kGxMoaInt},
        {u"getydayfromutime", {I(1400000000)}, "132", kGxMoaInt},
        // int32 of a value is the low 32 bits of its 64-bit integer, for
        // text and floats as for integers.
        {u"rand", {S(u"4294967298"), S(u"4294967298")}, "2", kGxMoaInt},
        {u"rand", {F(4294967298.5), I(4294967298LL)}, "2", kGxMoaInt},
        {u"strsub", {S(u"abcdef"), S(u"4294967297")}, "bcdef", kGxMoaStr},
        {u"strsub", {S(u"abcdef"), F(4294967297.9), S(u"4294967298")}, "bc", kGxMoaStr},
        {u"strfind", {S(u"abcabc"), S(u"c"), S(u"4294967299")}, "5", kGxMoaInt},
        {u"strfind", {S(u"abcabc"), S(u"c"), F(-4294967293.0)}, "5", kGxMoaInt},
    };
    setenv("TZ", "UTC", 1);
    for (const auto& c : cases) {
        SCOPED_TRACE(GxToUtf8(c.name) + " with " + std::to_string(c.args.size()) + " args");
        Caller k;
        bool ok = false;
        const GxMoaVariable result = k.Call(c.name, c.args, &ok);
        EXPECT_TRUE(ok);
        EXPECT_EQ(GxToUtf8(result.ToString()), c.want);
        EXPECT_EQ(result.GetType(), c.type);
    }
}

TEST(MoaBuiltins, ArgumentsArePaddedInTheCallersArray) {
    Caller k;
    GxMoaVariable args;
    args.MakeArray(0);
    GxMoaVariable result;
    const GxString n = u"fmod";
    EXPECT_TRUE(k.w.binder.CallFunction(&n, 0, &args, k.w.worker.get(), nullptr, nullptr, &result));
    EXPECT_EQ(args.GetArraySize(), 2) << "two arguments read, two padded in";
    EXPECT_TRUE(std::isnan(result.ToFloat())) << "fmod(0, 0)";
}

TEST(MoaBuiltins, NonArrayArgumentsFailExceptWhereAlwaysTrue) {
    Caller k;
    const std::set<std::u16string> alwaysTrue = {u"print",   u"debug",         u"error",           u"strlower",
                                                 u"strupper", u"return",       u"exit",            u"retval",
                                                 u"getlocaleid", u"gettimezonename", u"gettimezonebias", u"getutime",
                                                 u"getcurrentdir", u"rand"};
    const char16_t* names[] = {u"toint", u"tofloat", u"tostr", u"isarray", u"arraysize", u"print", u"debug",
                               u"error", u"isfileexist", u"getfilesize", u"strlen", u"strsub", u"strlower",
                               u"strupper", u"strfind", u"islabelexist", u"dumpvartofile", u"getlocaleid",
                               u"gettimezonename", u"gettimezonebias", u"getutime", u"getyearfromutime",
                               u"getcurrentdir", u"go", u"goif", u"gosub", u"gosubif", u"return", u"returnif",
                               u"exit", u"retval", u"sgn", u"abs", u"fsgn", u"sqrt", u"rand"};
    for (const char16_t* name : names) {
        GxMoaVariable notArray = GxMoaVariable::OfInt(1);
        GxMoaVariable result;
        const GxString n(name);
        const bool r = k.w.binder.CallFunction(&n, 0, &notArray, k.w.worker.get(), nullptr, nullptr, &result);
        EXPECT_EQ(r, alwaysTrue.count(name) > 0) << GxToUtf8(name);
    }
}

TEST(MoaBuiltins, RandStaysInItsRange) {
    Caller k;
    std::set<s64> seen;
    for (int i = 0; i < 400; ++i) {
        const s64 v = k.Call(u"rand", {I(5), I(1)}).ToInt64();
        ASSERT_GE(v, 1);
        ASSERT_LE(v, 5);
        seen.insert(v);
    }
    EXPECT_EQ(seen.size(), 5u) << "swapped bounds, both included";
    // The full 32-bit span no longer collapses to the lower bound.
    std::set<s64> wide;
    for (int i = 0; i < 50; ++i) {
        const s64 v = k.Call(u"rand", {I(INT_MIN), I(INT_MAX)}).ToInt64();
        ASSERT_GE(v, INT_MIN);
        ASSERT_LE(v, INT_MAX);
        wide.insert(v);
    }
    EXPECT_GT(wide.size(), 40u);
    for (s64 span : {s64(1) << 31, (s64(1) << 32) - 3, s64(1) << 32}) {
        for (int i = 0; i < 20; ++i) {
            const s64 r = GxMoaRandomSpan(span);
            ASSERT_GE(r, 0);
            ASSERT_LT(r, span);
        }
    }
}

TEST(MoaBuiltins, LocaleAndTimeZone) {
    EXPECT_EQ(GxMoaLocaleIdFromName("ja_JP.UTF-8"), 1041);
    EXPECT_EQ(GxMoaLocaleIdFromName("en_US.UTF-8"), 1033);
    EXPECT_EQ(GxMoaLocaleIdFromName("fr_FR"), 1033);
    EXPECT_EQ(GxMoaLocaleIdFromName(nullptr), 1033);

    Caller k;
    setenv("TZ", "JST-9", 1);
    EXPECT_EQ(k.Call(u"gettimezonename", {}).ToString(), u"JST");
    EXPECT_EQ(k.Call(u"gettimezonebias", {}).ToInt64(), -540) << "UTC = local time + bias";
    setenv("TZ", "EST5EDT,M3.2.0,M11.1.0", 1);
    EXPECT_EQ(k.Call(u"gettimezonebias", {}).ToInt64(), 300) << "the standard bias, whatever the season";
    EXPECT_EQ(k.Call(u"gettimezonename", {}).ToString(), u"EST");
    setenv("TZ", "UTC", 1);
    EXPECT_EQ(k.Call(u"gettimezonebias", {}).ToInt64(), 0);
    const s64 now = k.Call(u"getutime", {}).ToInt64();
    EXPECT_GT(now, 1600000000);
    const GxString dir = k.Call(u"getcurrentdir", {}).ToString();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.back(), u'/');
}

TEST(MoaBuiltins, JumpsAndCalls) {
    World w;
    w.RunScript(u"*start\n"
                u"GOIF(0, \"yes\")\n"
                u"trace(\"no jump\")\n"
                u"GOSUBIF(1, \"sub\", \"\", \"arg\")\n"
                u"GOSUBIF(0, \"sub\", \"\", \"arg\")\n"
                u"GOSUB(\"sub\")\n"
                u"GOIF(1, \"yes\", \"no\")\n"
                u"*no\ntrace(\"wrong\")\nEXIT()\n"
                u"*yes\ntrace(\"yes\", IsLabelExist(\"@local\", \"MAIN\"), IsLabelExist(\"@none\", \"main\"))\nEXIT(9)\n"
                u"*sub\ntrace(\"sub\", $_, ToStr(IsArray($_)))\nRETURN()\n"
                u"*@local\n");
    EXPECT_EQ(w.TraceText(), "no jump|sub,arg,0|sub,,0|yes,1,0");
    EXPECT_EQ(w.worker->GetReturnValue().ToInt64(), 9);
    EXPECT_FALSE(w.moa.m_ErrorFlag) << w.moa.ErrorsUtf8();
}

TEST(MoaBuiltins, LogOutputTakesTextLiterally) {
    qtest::TempDir dir;
    GxSetErrorLogPath(dir.u16("error.log"));
    GxSetDebugLogPath(dir.u16("debug.log"));
    Caller k;
    k.Call(u"print", {S(u"100% sure")});
    k.Call(u"debug", {S(u"%d %s")});
    k.Call(u"error", {S(u"oops %s")});
    ASSERT_EQ(k.w.moa.messages.size(), 1u);
    EXPECT_EQ(k.w.moa.messages[0], u"100% sure");
    EXPECT_EQ(Utf16File(dir.path() / "debug.log"), u"%d %s\r\n");
    EXPECT_EQ(Utf16File(dir.path() / "error.log"), u"oops %s\r\n");
    GxSetErrorLogPath(u"");
    GxSetDebugLogPath(u"");
}

TEST(MoaBuiltins, DumpVarToFileWritesUtf16) {
    qtest::TempDir dir;
    World w;
    w.builder.AddVariable(&w.moa, u"ext", kGxScopeExternInGame, GxMoaVariable::OfInt(3));
    w.builder.AddVariable(&w.moa, u"glob", kGxScopeGlobalNoSave, GxMoaVariable::OfString(u"g"));
    w.Load({{u"main", u"STATIC PERMAN $st\n*start\n$loc = ARRAY(1)\nDumpVarToFile($path)\n"}});
    w.worker->GetVariableTable()->SetVariable(u"path", -1, nullptr);
    w.worker->GetVariableTable()->Find(u"path")->m_Value.SetString(dir.u16("dump.txt"));
    w.RunFrom(u"start");
    const auto bytes = qtest::ReadBytes(dir.path() / "dump.txt");
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xFE);
    const std::u16string s = Utf16File(dir.path() / "dump.txt");
    const std::u16string want =
        u"--MoaInstance:\r\n"
        u"Scope:EXTERN_INGAME\r\n$ext=3(Int)\r\n"
        u"----Worker:MAIN_WORKER\r\n"
        u"Scope:GLOBAL_NOSAVE\r\n  $glob=\"g\"(Str)\r\n";
    EXPECT_EQ(GxToUtf8(s.substr(0, want.size())), GxToUtf8(want));
    EXPECT_NE(s.find(u"------Script:main\r\nScope:STATIC_PERMAN\r\n    $st=Null\r\n"), std::u16string::npos)
        << GxToUtf8(s);
    EXPECT_NE(s.find(u"------ExecStack:0\r\nScope:LOCAL\r\n    $loc[1]=(Array)\r\n      $[0]=1(Int)\r\n"),
              std::u16string::npos)
        << GxToUtf8(s);

    // Another user's file at the name, in a folder with the sticky bit, and
    // the player's own that the player may not read, are left as they are,
    // said in the words of every game file's refusal.
    if (geteuid() != 0) return;
    const std::filesystem::path dump = dir.path() / "dump.txt";
    GxSetErrorLogPath(dir.u16("error.log"));
    std::filesystem::permissions(dir.path(), std::filesystem::perms(01777));
    qtest::WriteText(dump, "theirs");
    ASSERT_EQ(chown(dump.c_str(), 65534, 65534), 0);
    w.RunFrom(u"start");
    ASSERT_EQ(chown(dump.c_str(), 0, 0), 0);
    {
        const qtest::UnreadableFile unreadable(dump);
        w.RunFrom(u"start");
    }
    EXPECT_EQ(qtest::ReadText(dump), "theirs");
    const std::u16string log = Utf16File(dir.path() / "error.log");
    for (const std::u16string& said :
         {u"DumpVarToFile/他のユーザー(nobody)のファイルのため、読み込みも置き換えもしません(" + dir.u16("dump.txt"),
          u"DumpVarToFile/読む権限のないファイルのため、読み込みも置き換えもしません(" + dir.u16("dump.txt") +
              u":root)。読めるようにするには「chmod u+rw "})
        EXPECT_NE(log.find(said), std::u16string::npos) << GxToUtf8(log);
    GxSetErrorLogPath(u"");
}

TEST(MoaBinder, RegistrationIsByLowerCaseName) {
    qtest::TempDir dir;
    GxSetErrorLogPath(dir.u16("error.log"));
    GxMoaFunctionBinder binder;
    int destroyed = 0;
    struct Counting : GxMoaDelegateBase {
        int* count;
        explicit Counting(int* c) : count(c) {}
        ~Counting() override { ++*count; }
        bool Invoke(const GxString*, int, GxMoaVariable*, GxMoaWorker*, GxMoaScriptEntity*, GxMoaExecStack*,
                    GxMoaVariable* result) override {
            result->SetInt64(1);
            return true;
        }
    };
    auto* first = new Counting(&destroyed);
    EXPECT_TRUE(binder.AddFunction(u"MyFunc", first));
    EXPECT_FALSE(binder.AddFunction(u"MYFUNC", new Counting(&destroyed)));
    EXPECT_EQ(destroyed, 1) << "the refused delegate is destroyed at once";
    EXPECT_EQ(binder.FindFunction(u"myfunc"), first);
    EXPECT_EQ(binder.FindFunction(u"MyFunc"), nullptr) << "lookup is exact";
    GxMoaVariable result;
    const GxString called = u"MyFunc";
    GxMoaVariable args;
    args.MakeArray(0);
    EXPECT_TRUE(binder.CallFunction(&called, 0, &args, nullptr, nullptr, nullptr, &result))
        << "a call by the script's spelling still finds it";
    EXPECT_TRUE(binder.RemoveFunction(u"MYFUNC"));
    EXPECT_EQ(destroyed, 2);
    EXPECT_FALSE(binder.RemoveFunction(u"myfunc"));
    EXPECT_EQ(Utf16File(dir.path() / "error.log"), u"GxMoaFunctionBinder::AddFunction/同名関数が既に登録されています (MYFUNC)\r\n");
    GxSetErrorLogPath(u"");

    GxMoaBuiltinDefault defaults;
    GxMoaFunctionBinder full;
    EXPECT_TRUE(defaults.RegisterBuiltins(&full));
    EXPECT_EQ(full.GetCount(), 48u);
    EXPECT_NE(full.FindFunction(u"getydayfromutime"), nullptr);
}

} // namespace
