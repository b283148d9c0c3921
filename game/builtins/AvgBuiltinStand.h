#pragma once
// Standing-picture builtins: the characters' layers, their colour, blend,
// pictures, projects, shakes, sub-layers, moves and waits, and the STAND block.
#include "game/builtins/AvgBuiltinCall.h"

class AvgBuiltinStand {
public:
    AVG_BUILTIN(SP_COLOR);
    AVG_BUILTIN(SP_ALPHA);
    AVG_BUILTIN(SP_BLEND);
    AVG_BUILTIN(SP_LCG);
    AVG_BUILTIN(SP_LNC);
    AVG_BUILTIN(SP_WA);
    AVG_BUILTIN(SP_SHAKE);
    AVG_BUILTIN(SP_SHAKE_END);
    AVG_BUILTIN(SP_SUB);
    AVG_BUILTIN(SP_CLEARALL);
    AVG_BUILTIN(SP_ACT_MOVE);
    AVG_BUILTIN(SP_ACT_FINISH);
    AVG_BUILTIN(STAND);
};
