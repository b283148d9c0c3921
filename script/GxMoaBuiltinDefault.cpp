#include "script/GxMoaBuiltinDefault.h"

#include "base/GxDateTime.h"
#include "base/GxLog.h"
#include "base/GxRandom.h"
#include "base/GxStringUtil.h"
#include "io/GxRefusedFile.h"
#include "platform/system/clock.h"
#include "platform/system/environment.h"
#include "platform/system/safe_file.h"
#include "platform/system/time_zone.h"
#include "script/GxMoa.h"
#include "script/GxMoaDelegate.h"
#include "script/GxMoaFunctionBinder.h"
#include "script/GxMoaVariable.h"
#include "script/GxMoaWorker.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <array>
#include <iterator>
#include <utility>

namespace {

// Pads the argument array to hold index i and returns that argument; a
// missing argument reads as Null.
GxMoaVariable* Arg(GxMoaVariable* args, int i) {
    if (args->GetArraySize() <= i) args->ResizeArray(u32(i) + 1);
    return GxMoaArgumentAt(args, i);
}

// The arguments as values, padded to count, so that reading one never moves
// another.
template <int N>
std::array<GxMoaVariable, N> Args(GxMoaVariable* args) {
    Arg(args, N - 1);
    std::array<GxMoaVariable, N> out;
    for (int i = 0; i < N; ++i) out[size_t(i)] = *GxMoaArgumentAt(args, i);
    return out;
}

s64 WrapAbs(s64 v) { return v < 0 ? s64(0 - u64(v)) : v; }

template <class T>
T SignOf(T v) {
    return v < T(0) ? T(-1) : v > T(0) ? T(1) : T(0);
}

// "int32 of x": the low 32 bits of the value's 64-bit integer, so that text
// and floats wrap as integers do rather than stopping at the 32-bit limits.
s32 Int32Of(const GxMoaVariable& v) { return s32(u32(u64(v.ToInt64()))); }

// A jump or call whose label the bundle does not have stops the script.
bool LabelNotFound(GxMoaWorker* worker, GxMoaScriptEntity* entity, GxMoaExecStack* stack, const GxString* name,
                   const GxString& label) {
    worker->ReportError(name ? *name : GxString(), entity, stack, u"飛び先のラベルが見つかりません[%s]", label);
    worker->GetMoa()->m_ErrorFlag = true;
    return false;
}

bool Jump(GxMoaWorker* worker, GxMoaScriptEntity* entity, GxMoaExecStack* stack, const GxString* name,
          const GxString& label) {
    if (worker->Jump(label, nullptr)) return true;
    return LabelNotFound(worker, entity, stack, name, label);
}

bool Call(GxMoaWorker* worker, GxMoaScriptEntity* entity, GxMoaExecStack* stack, const GxString* name,
          const GxString& label, const GxMoaVariable& argument) {
    const GxMoaVariableSet underscore(u"_", kGxScopeLocal, argument);
    if (worker->Call(label, &underscore)) return true;
    return LabelNotFound(worker, entity, stack, name, label);
}

// RETURN and EXIT hand on their first argument, or nothing without an
// argument list.
template <class Leave>
bool LeaveWithFirstArgument(GxMoaVariable* args, Leave leave) {
    if (!args->IsArray()) {
        leave(nullptr);
        return true;
    }
    const GxMoaVariable value = *Arg(args, 0);
    leave(&value);
    return true;
}

} // namespace

#define GX_MOA_UNUSED (void)name, (void)builtinIndex, (void)worker, (void)entity, (void)stack
#define GX_MOA_DEFINE(fn)                                                                                       \
    bool GxMoaBuiltinDefault::fn(const GxString* name, int builtinIndex, GxMoaVariable* args, GxMoaWorker* worker, \
                                 GxMoaScriptEntity* entity, GxMoaExecStack* stack, GxMoaVariable* result)
// A builtin that gives its first argument, read with read, to op and sets the
// result with set; without an argument list the call fails.
#define GX_MOA_UNARY_BUILTIN(fn, set, read, op)                                                                 \
    GX_MOA_DEFINE(fn) {                                                                                         \
        GX_MOA_UNUSED;                                                                                          \
        if (!args->IsArray()) return false;                                                                     \
        result->set(op(Arg(args, 0)->read()));                                                                  \
        return true;                                                                                            \
    }
// The same with nothing between: the argument read one way is the result.
#define GX_MOA_READ_BUILTIN(fn, set, read) GX_MOA_UNARY_BUILTIN(fn, set, read, )

int GxMoaLocaleIdFromName(const char* localeName) {
    if (localeName && std::strncmp(localeName, "ja_JP", 5) == 0) return 1041;
    return 1033;
}

s64 GxMoaRandomSpan(s64 span) {
    if (span < 1) return 0;
    if (span <= 0x7FFFFFFF) return s64(GxRandom::Default().Range(s32(span)));
    // Wider than one signed 32-bit range: draw whole 32-bit numbers and
    // reject the top part that would bias the result.
    const u64 range = u64(1) << 32;
    const u64 limit = range - range % u64(span);
    for (;;) {
        const u64 x = GxRandom::Default().Next();
        if (x < limit) return s64(x % u64(span));
    }
}

GX_MOA_READ_BUILTIN(ToInt, SetInt64, ToInt64)
GX_MOA_READ_BUILTIN(ToFloat, SetFloat, ToFloat)
GX_MOA_READ_BUILTIN(ToStr, SetString, ToString)
GX_MOA_READ_BUILTIN(IsArray, SetInt64, IsArray)
GX_MOA_READ_BUILTIN(ArraySize, SetInt64, GetArraySize)

GX_MOA_DEFINE(Print) {
    GX_MOA_UNUSED;
    (void)result;
    if (args->IsArray()) worker->GetMoa()->Message(u"%s", Arg(args, 0)->ToString());
    return true;
}

GX_MOA_DEFINE(Debug) {
    GX_MOA_UNUSED;
    (void)result;
    if (args->IsArray()) GxWriteDebugLog(u"%s\n", Arg(args, 0)->ToString());
    return true;
}

GX_MOA_DEFINE(Error) {
    GX_MOA_UNUSED;
    (void)result;
    if (args->IsArray()) GxWriteErrorLog(u"%s\n", Arg(args, 0)->ToString());
    return true;
}

GX_MOA_READ_BUILTIN(StrLen, SetInt64, GetStringLength)

GX_MOA_DEFINE(StrSub) {
    GX_MOA_UNUSED;
    if (!args->IsArray()) return false;
    const bool countGiven = args->GetArraySize() >= 3;
    const auto a = Args<3>(args);
    const GxString text = a[0].ToString();
    // A start before the text begins at its start; one past its end gives
    // the empty text.
    const s64 start = std::max<s64>(Int32Of(a[1]), 0);
    if (start >= s64(text.size())) {
        result->SetString(u"");
        return true;
    }
    const s32 count = countGiven ? Int32Of(a[2]) : -1;
    result->SetString(text.substr(size_t(start), count < 0 ? GxString::npos : size_t(count)));
    return true;
}

GX_MOA_DEFINE(StrLower) {
    GX_MOA_UNUSED;
    if (args->IsArray()) result->SetString(GxToLower(Arg(args, 0)->ToString()));
    return true;
}

GX_MOA_DEFINE(StrUpper) {
    GX_MOA_UNUSED;
    if (args->IsArray()) result->SetString(GxToUpper(Arg(args, 0)->ToString()));
    return true;
}

GX_MOA_DEFINE(StrFind) {
    GX_MOA_UNUSED;
    if (!args->IsArray()) return false;
    const auto a = Args<3>(args);
    const GxString text = a[0].ToString();
    const GxString part = a[1].ToString();
    const s64 start = std::max<s64>(Int32Of(a[2]), 0);
    if (start > s64(text.size())) {
        result->SetInt64(-1);
        return true;
    }
    const size_t at = text.find(part, size_t(start));
    result->SetInt64(at == GxString::npos ? -1 : s64(at));
    return true;
}

GX_MOA_DEFINE(IsLabelExist) {
    GX_MOA_UNUSED;
    if (!args->IsArray()) return false;
    const auto a = Args<2>(args);
    result->SetInt64(worker->GetMoa()->HasLabel(a[0].ToString(), GxToLower(a[1].ToString())) ? 1 : 0);
    return true;
}

GX_MOA_DEFINE(DumpVarToFile) {
    GX_MOA_UNUSED;
    (void)result;
    if (!args->IsArray()) return false;
    const GxString path = Arg(args, 0)->ToString();
    // Written whole or not at all, like every file the engine writes, and
    // never over a file that is not the player's.
    psys::safe_file file;
    if (!file.open(GxToNativePath(path), true)) {
        if (file.found().refused.what != psys::stranger::kind::none)
            GxLogRefusedFile(u"DumpVarToFile", path, file.found().refused);
        return true;
    }
    static const unsigned char kSignature[] = {0xFF, 0xFE};
    std::fwrite(kSignature, 1, sizeof kSignature, file.stream());
    worker->GetMoa()->Dump(file.stream(), 0);
    worker->Dump(file.stream(), 1);
    file.commit();
    return true;
}

GX_MOA_DEFINE(GetLocaleID) {
    GX_MOA_UNUSED;
    (void)args;
    result->SetInt64(GxMoaLocaleIdFromName(psys::environment_variable("LANG").c_str()));
    return true;
}

GX_MOA_DEFINE(GetTimeZoneName) {
    GX_MOA_UNUSED;
    (void)args;
    result->SetString(GxFromUtf8(psys::local_time_zone().standard_name));
    return true;
}

GX_MOA_DEFINE(GetTimeZoneBias) {
    GX_MOA_UNUSED;
    (void)args;
    // UTC = local time + bias, in minutes.
    result->SetInt64(-s64(psys::local_time_zone().standard_offset_seconds) / 60);
    return true;
}

GX_MOA_DEFINE(GetUTime) {
    GX_MOA_UNUSED;
    (void)args;
    result->SetInt64(psys::wall_time_seconds());
    return true;
}

GX_MOA_UNARY_BUILTIN(GetYearFromUtime, SetInt64, ToInt64, GxGetYear)
GX_MOA_UNARY_BUILTIN(GetMonthFromUtime, SetInt64, ToInt64, GxGetMonth)
GX_MOA_UNARY_BUILTIN(GetDayFromUtime, SetInt64, ToInt64, GxGetDay)
GX_MOA_UNARY_BUILTIN(GetHourFromUtime, SetInt64, ToInt64, GxGetHour)
GX_MOA_UNARY_BUILTIN(GetMinFromUtime, SetInt64, ToInt64, GxGetMinute)
GX_MOA_UNARY_BUILTIN(GetSecFromUtime, SetInt64, ToInt64, GxGetSecond)
GX_MOA_UNARY_BUILTIN(GetWeekFromUtime, SetInt64, ToInt64, GxGetWeekDay)
GX_MOA_UNARY_BUILTIN(GetYDayFromUtime, SetInt64, ToInt64, GxGetYearDay)

GX_MOA_DEFINE(GetCurrentDir) {
    GX_MOA_UNUSED;
    (void)args;
    result->SetString(GxGetCurrentDirectory());
    return true;
}

GX_MOA_DEFINE(GO) {
    GX_MOA_UNUSED;
    (void)result;
    if (!args->IsArray()) return false;
    return Jump(worker, entity, stack, name, Arg(args, 0)->ToString());
}

GX_MOA_DEFINE(GOIF) {
    GX_MOA_UNUSED;
    (void)result;
    if (!args->IsArray()) return false;
    const auto a = Args<3>(args);
    const GxString label = a[a[0].ToInt64() != 0 ? 1 : 2].ToString();
    if (label.empty()) return true;
    return Jump(worker, entity, stack, name, label);
}

GX_MOA_DEFINE(GOSUB) {
    GX_MOA_UNUSED;
    (void)result;
    if (!args->IsArray()) return false;
    const auto a = Args<2>(args);
    return Call(worker, entity, stack, name, a[0].ToString(), a[1]);
}

GX_MOA_DEFINE(GOSUBIF) {
    GX_MOA_UNUSED;
    (void)result;
    if (!args->IsArray()) return false;
    const auto a = Args<4>(args);
    const GxString label = a[a[0].ToInt64() != 0 ? 1 : 2].ToString();
    if (label.empty()) return true;
    return Call(worker, entity, stack, name, label, a[3]);
}

GX_MOA_DEFINE(RETURN) {
    GX_MOA_UNUSED;
    (void)result;
    return LeaveWithFirstArgument(args, [&](const GxMoaVariable* value) { worker->Return(value); });
}

GX_MOA_DEFINE(RETURNIF) {
    GX_MOA_UNUSED;
    (void)result;
    if (!args->IsArray()) return false;
    const auto a = Args<2>(args);
    // A false condition does nothing, as with GOIF.
    if (a[0].ToInt64() != 0) worker->Return(&a[1]);
    return true;
}

GX_MOA_DEFINE(EXIT) {
    GX_MOA_UNUSED;
    (void)result;
    return LeaveWithFirstArgument(args, [&](const GxMoaVariable* value) { worker->Exit(value); });
}

GX_MOA_DEFINE(RETVAL) {
    GX_MOA_UNUSED;
    (void)args;
    *result = worker->GetReturnValue();
    return true;
}

GX_MOA_UNARY_BUILTIN(Sgn, SetInt64, ToInt64, SignOf)
GX_MOA_UNARY_BUILTIN(Abs, SetInt64, ToInt64, WrapAbs)
GX_MOA_UNARY_BUILTIN(Fsgn, SetFloat, ToFloat, SignOf)
GX_MOA_UNARY_BUILTIN(Fabs, SetFloat, ToFloat, std::fabs)

GX_MOA_DEFINE(Fmod) {
    GX_MOA_UNUSED;
    if (!args->IsArray()) return false;
    const auto a = Args<2>(args);
    result->SetFloat(std::fmod(a[0].ToFloat(), a[1].ToFloat()));
    return true;
}

GX_MOA_DEFINE(Pow) {
    GX_MOA_UNUSED;
    if (!args->IsArray()) return false;
    const auto a = Args<2>(args);
    result->SetFloat(std::pow(a[0].ToFloat(), a[1].ToFloat()));
    return true;
}

GX_MOA_UNARY_BUILTIN(Sqrt, SetFloat, ToFloat, std::sqrt)
GX_MOA_UNARY_BUILTIN(Exp, SetFloat, ToFloat, std::exp)
GX_MOA_UNARY_BUILTIN(Log, SetFloat, ToFloat, std::log)

GX_MOA_DEFINE(Rand) {
    GX_MOA_UNUSED;
    if (!args->IsArray()) return true;
    const auto a = Args<2>(args);
    s32 lo = Int32Of(a[0]), hi = Int32Of(a[1]);
    if (lo > hi) std::swap(lo, hi);
    if (lo == hi) {
        result->SetInt64(lo);
        return true;
    }
    // The span is computed in 64 bits: the full 32-bit range is a valid one.
    result->SetInt64(s64(lo) + GxMoaRandomSpan(s64(hi) - s64(lo) + 1));
    return true;
}

bool GxMoaBuiltinDefault::RegisterBuiltins(GxMoaFunctionBinder* binder) {
    using D = GxMoaDelegate<GxMoaBuiltinDefault>;
    static const struct {
        const GxChar* name;
        D::Method method;
    } kTable[] = {
        {u"ToInt", &GxMoaBuiltinDefault::ToInt},
        {u"ToFloat", &GxMoaBuiltinDefault::ToFloat},
        {u"ToStr", &GxMoaBuiltinDefault::ToStr},
        {u"IsArray", &GxMoaBuiltinDefault::IsArray},
        {u"ArraySize", &GxMoaBuiltinDefault::ArraySize},
        {u"Print", &GxMoaBuiltinDefault::Print},
        {u"Debug", &GxMoaBuiltinDefault::Debug},
        {u"Error", &GxMoaBuiltinDefault::Error},
        {u"IsFileExist", &GxMoaBuiltinDefault::IsFileExist},
        {u"GetFileSize", &GxMoaBuiltinDefault::GetFileSize},
        {u"StrLen", &GxMoaBuiltinDefault::StrLen},
        {u"StrSub", &GxMoaBuiltinDefault::StrSub},
        {u"StrLower", &GxMoaBuiltinDefault::StrLower},
        {u"StrUpper", &GxMoaBuiltinDefault::StrUpper},
        {u"StrFind", &GxMoaBuiltinDefault::StrFind},
        {u"IsLabelExist", &GxMoaBuiltinDefault::IsLabelExist},
        {u"DumpVarToFile", &GxMoaBuiltinDefault::DumpVarToFile},
        {u"GetLocaleID", &GxMoaBuiltinDefault::GetLocaleID},
        {u"GetTimeZoneName", &GxMoaBuiltinDefault::GetTimeZoneName},
        {u"GetTimeZoneBias", &GxMoaBuiltinDefault::GetTimeZoneBias},
        {u"GetUTime", &GxMoaBuiltinDefault::GetUTime},
        {u"GetYearFromUtime", &GxMoaBuiltinDefault::GetYearFromUtime},
        {u"GetMonthFromUtime", &GxMoaBuiltinDefault::GetMonthFromUtime},
        {u"GetDayFromUtime", &GxMoaBuiltinDefault::GetDayFromUtime},
        {u"GetHourFromUtime", &GxMoaBuiltinDefault::GetHourFromUtime},
        {u"GetMinFromUtime", &GxMoaBuiltinDefault::GetMinFromUtime},
        {u"GetSecFromUtime", &GxMoaBuiltinDefault::GetSecFromUtime},
        {u"GetWeekFromUtime", &GxMoaBuiltinDefault::GetWeekFromUtime},
        {u"GetYDayFromUtime", &GxMoaBuiltinDefault::GetYDayFromUtime},
        {u"GetCurrentDir", &GxMoaBuiltinDefault::GetCurrentDir},
        {u"GO", &GxMoaBuiltinDefault::GO},
        {u"GOIF", &GxMoaBuiltinDefault::GOIF},
        {u"GOSUB", &GxMoaBuiltinDefault::GOSUB},
        {u"GOSUBIF", &GxMoaBuiltinDefault::GOSUBIF},
        {u"RETURN", &GxMoaBuiltinDefault::RETURN},
        {u"RETURNIF", &GxMoaBuiltinDefault::RETURNIF},
        {u"EXIT", &GxMoaBuiltinDefault::EXIT},
        {u"RETVAL", &GxMoaBuiltinDefault::RETVAL},
        {u"Sgn", &GxMoaBuiltinDefault::Sgn},
        {u"Abs", &GxMoaBuiltinDefault::Abs},
        {u"Fsgn", &GxMoaBuiltinDefault::Fsgn},
        {u"Fabs", &GxMoaBuiltinDefault::Fabs},
        {u"Fmod", &GxMoaBuiltinDefault::Fmod},
        {u"Pow", &GxMoaBuiltinDefault::Pow},
        {u"Sqrt", &GxMoaBuiltinDefault::Sqrt},
        {u"Exp", &GxMoaBuiltinDefault::Exp},
        {u"Log", &GxMoaBuiltinDefault::Log},
        {u"Rand", &GxMoaBuiltinDefault::Rand},
    };
    static_assert(std::size(kTable) == 48);
    bool all = true;
    for (const auto& entry : kTable) all &= binder->AddFunction(entry.name, new D(this, entry.method));
    return all;
}
