#pragma once
// Message and text builtins: the dialog, messages with and without a name, the
// message window shown, hidden and cleared, and the TEXT block.
#include "game/builtins/AvgBuiltinCall.h"

class AvgBuiltinMessage {
public:
    AVG_BUILTIN(DLG);
    AVG_BUILTIN(MSG);
    AVG_BUILTIN(MSGN);
    AVG_BUILTIN(MSG_SHOW);
    AVG_BUILTIN(MSG_HIDE);
    AVG_BUILTIN(MSG_CLEAR);
    AVG_BUILTIN(TEXT);
};
