#pragma once
// The interpreter's own builtins: conversions, text functions, file and
// clock queries, arithmetic, random numbers, log output, and the control
// transfers GO, GOSUB, RETURN and EXIT.
#include "script/GxMoaDelegateBase.h"

class GxMoaFunctionBinder;

#define GX_MOA_BUILTIN(fn)                                                                                      \
    bool fn(const GxString* name, int builtinIndex, GxMoaVariable* args, GxMoaWorker* worker,                   \
            GxMoaScriptEntity* entity, GxMoaExecStack* stack, GxMoaVariable* result)

class GxMoaBuiltinDefault {
public:
    virtual ~GxMoaBuiltinDefault() = default;
    // Registers the 48 builtins in their table order; true when every name
    // was new.
    virtual bool RegisterBuiltins(GxMoaFunctionBinder* binder);

    GX_MOA_BUILTIN(ToInt);
    GX_MOA_BUILTIN(ToFloat);
    GX_MOA_BUILTIN(ToStr);
    GX_MOA_BUILTIN(IsArray);
    GX_MOA_BUILTIN(ArraySize);
    GX_MOA_BUILTIN(Print);
    GX_MOA_BUILTIN(Debug);
    GX_MOA_BUILTIN(Error);
    GX_MOA_BUILTIN(IsFileExist);
    GX_MOA_BUILTIN(GetFileSize);
    GX_MOA_BUILTIN(StrLen);
    GX_MOA_BUILTIN(StrSub);
    GX_MOA_BUILTIN(StrLower);
    GX_MOA_BUILTIN(StrUpper);
    GX_MOA_BUILTIN(StrFind);
    GX_MOA_BUILTIN(IsLabelExist);
    GX_MOA_BUILTIN(DumpVarToFile);
    GX_MOA_BUILTIN(GetLocaleID);
    GX_MOA_BUILTIN(GetTimeZoneName);
    GX_MOA_BUILTIN(GetTimeZoneBias);
    GX_MOA_BUILTIN(GetUTime);
    GX_MOA_BUILTIN(GetYearFromUtime);
    GX_MOA_BUILTIN(GetMonthFromUtime);
    GX_MOA_BUILTIN(GetDayFromUtime);
    GX_MOA_BUILTIN(GetHourFromUtime);
    GX_MOA_BUILTIN(GetMinFromUtime);
    GX_MOA_BUILTIN(GetSecFromUtime);
    GX_MOA_BUILTIN(GetWeekFromUtime);
    GX_MOA_BUILTIN(GetYDayFromUtime);
    GX_MOA_BUILTIN(GetCurrentDir);
    GX_MOA_BUILTIN(GO);
    GX_MOA_BUILTIN(GOIF);
    GX_MOA_BUILTIN(GOSUB);
    GX_MOA_BUILTIN(GOSUBIF);
    GX_MOA_BUILTIN(RETURN);
    GX_MOA_BUILTIN(RETURNIF);
    GX_MOA_BUILTIN(EXIT);
    GX_MOA_BUILTIN(RETVAL);
    GX_MOA_BUILTIN(Sgn);
    GX_MOA_BUILTIN(Abs);
    GX_MOA_BUILTIN(Fsgn);
    GX_MOA_BUILTIN(Fabs);
    GX_MOA_BUILTIN(Fmod);
    GX_MOA_BUILTIN(Pow);
    GX_MOA_BUILTIN(Sqrt);
    GX_MOA_BUILTIN(Exp);
    GX_MOA_BUILTIN(Log);
    GX_MOA_BUILTIN(Rand);
};

// The locale identifier for a locale name such as "ja_JP.UTF-8": 1041 for
// Japanese (Japan), 1033 for everything else.
int GxMoaLocaleIdFromName(const char* localeName);
// A draw in [0, span) for spans up to 2^32, from the default generator.
s64 GxMoaRandomSpan(s64 span);
