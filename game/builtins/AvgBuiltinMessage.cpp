#include "game/builtins/AvgBuiltinMessage.h"

AVG_BUILTIN_DEFINE(AvgBuiltinMessage, DLG, 0) { return call.NotBuiltYet(); }
AVG_BUILTIN_DEFINE(AvgBuiltinMessage, MSG, 0) { return call.NotBuiltYet(); }
AVG_BUILTIN_DEFINE(AvgBuiltinMessage, MSGN, 0) { return call.NotBuiltYet(); }
AVG_BUILTIN_DEFINE(AvgBuiltinMessage, MSG_SHOW, 0) { return call.NotBuiltYet(); }
AVG_BUILTIN_DEFINE(AvgBuiltinMessage, MSG_HIDE, 0) { return call.NotBuiltYet(); }
AVG_BUILTIN_DEFINE(AvgBuiltinMessage, MSG_CLEAR, 0) { return call.NotBuiltYet(); }
AVG_BUILTIN_DEFINE(AvgBuiltinMessage, TEXT, 0) { return call.NotBuiltYet(); }
