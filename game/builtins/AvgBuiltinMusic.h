#pragma once
// Music and background-voice builtins, with their waits.
#include "game/builtins/AvgBuiltinCall.h"

class AvgBuiltinMusic {
public:
    AVG_BUILTIN(BGM);
    AVG_BUILTIN(BGM_WA);
    AVG_BUILTIN(BGV);
    AVG_BUILTIN(BGV_WA);
};
