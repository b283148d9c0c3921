#include "game/builtins/AvgBuiltinMusic.h"

AVG_BUILTIN_DEFINE(AvgBuiltinMusic, BGM, 0) { return call.NotBuiltYet(); }
AVG_BUILTIN_DEFINE(AvgBuiltinMusic, BGM_WA, 0) { return call.NotBuiltYet(); }
AVG_BUILTIN_DEFINE(AvgBuiltinMusic, BGV, 0) { return call.NotBuiltYet(); }
AVG_BUILTIN_DEFINE(AvgBuiltinMusic, BGV_WA, 0) { return call.NotBuiltYet(); }
