#pragma once
// Sound-effect and voice builtins on their four channels each, with their waits
// (SE is SE_0's handler, VO is VO_0's).
#include "game/builtins/AvgBuiltinCall.h"

class AvgBuiltinSound {
public:
    AVG_BUILTIN(SE_0);
    AVG_BUILTIN(SE_1);
    AVG_BUILTIN(SE_2);
    AVG_BUILTIN(SE_3);
    AVG_BUILTIN(SE_WA);
    AVG_BUILTIN(VO_0);
    AVG_BUILTIN(VO_1);
    AVG_BUILTIN(VO_2);
    AVG_BUILTIN(VO_3);
    AVG_BUILTIN(VO_WA);
};
