#pragma once
// Notice, replay, gallery, title and extra-option builtins.
#include "game/builtins/AvgBuiltinCall.h"

class AvgBuiltinExtra {
public:
    AVG_BUILTIN(NOTICE_SYS);
    AVG_BUILTIN(NOTICE_USER);
    AVG_BUILTIN(RP_SET);
    AVG_BUILTIN(RP_UNSET);
    AVG_BUILTIN(RP_SETALL);
    AVG_BUILTIN(RP_UNSETALL);
    AVG_BUILTIN(RP_END);
    AVG_BUILTIN(CG_SET);
    AVG_BUILTIN(CG_SETGROUP);
    AVG_BUILTIN(CG_SETALL);
    AVG_BUILTIN(CG_UNSETALL);
    AVG_BUILTIN(JumpToTitle);
    AVG_BUILTIN(SetExtraOption);
    AVG_BUILTIN(GetExtraOption);
};
