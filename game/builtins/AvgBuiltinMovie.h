#pragma once
// Movie builtins: play, wait and the automatic stop.
#include "game/builtins/AvgBuiltinCall.h"

class AvgBuiltinMovie {
public:
    AVG_BUILTIN(MV);
    AVG_BUILTIN(MV_WA);
    AVG_BUILTIN(MV_AUTOSTOP);
};
