#pragma once
// Wait builtins: hold the main script until a click, for a time, or until
// the visible layers have finished moving and fading. A wait only stores its
// hold in the game state and returns at once; the main scene ends the hold.
#include "game/builtins/AvgBuiltinCall.h"

class AvgBuiltinWait {
public:
    AVG_BUILTIN(WA_CLICK);
    AVG_BUILTIN(WA_TIME);
    AVG_BUILTIN(WA_LAYER);
};
