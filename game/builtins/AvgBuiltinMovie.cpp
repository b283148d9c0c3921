#include "game/builtins/AvgBuiltinMovie.h"

AVG_BUILTIN_DEFINE(AvgBuiltinMovie, MV, 0) { return call.NotBuiltYet(); }
AVG_BUILTIN_DEFINE(AvgBuiltinMovie, MV_WA, 0) { return call.NotBuiltYet(); }
AVG_BUILTIN_DEFINE(AvgBuiltinMovie, MV_AUTOSTOP, 0) { return call.NotBuiltYet(); }
