#pragma once
// Choice builtins: the choice menu's items, its jump or call, visibility,
// enabling, cancel and hash.
#include "game/builtins/AvgBuiltinCall.h"

class AvgBuiltinChoice {
public:
    AVG_BUILTIN(SEL);
    AVG_BUILTIN(SEL_GO);
    AVG_BUILTIN(SEL_GOSUB);
    AVG_BUILTIN(SEL_VISIBLE);
    AVG_BUILTIN(SEL_ENABLE);
    AVG_BUILTIN(SEL_CANCEL);
    AVG_BUILTIN(SEL_HASH);
};
