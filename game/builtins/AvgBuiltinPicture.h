#pragma once
// Background and event-picture builtins: pictures with and without a rule
// transition, colour, moves and the wait for the background layer (the event
// picture's colour, move and wait are the background's handlers).
#include "game/builtins/AvgBuiltinCall.h"

class AvgBuiltinPicture {
public:
    AVG_BUILTIN(BG);
    AVG_BUILTIN(BG_SW);
    AVG_BUILTIN(BG_COLOR);
    AVG_BUILTIN(BG_ACT_MOVE);
    AVG_BUILTIN(BG_WA);
    AVG_BUILTIN(EV);
    AVG_BUILTIN(EV_SW);
};
