#pragma once
// Screen effect builtins: fades of the whole screen, flashes and shakes.
#include "game/builtins/AvgBuiltinCall.h"

class AvgBuiltinScreen {
public:
    AVG_BUILTIN(FIN);
    AVG_BUILTIN(FOUT);
    AVG_BUILTIN(FLASH);
    AVG_BUILTIN(FLASH_WA);
    AVG_BUILTIN(SHAKE);
    AVG_BUILTIN(SHAKE_END);
};
