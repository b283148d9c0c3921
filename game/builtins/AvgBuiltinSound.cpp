#include "game/builtins/AvgBuiltinSound.h"

AVG_BUILTIN_DEFINE(AvgBuiltinSound, SE_0, 0) { return call.NotBuiltYet(); }
AVG_BUILTIN_DEFINE(AvgBuiltinSound, SE_1, 0) { return call.NotBuiltYet(); }
AVG_BUILTIN_DEFINE(AvgBuiltinSound, SE_2, 0) { return call.NotBuiltYet(); }
AVG_BUILTIN_DEFINE(AvgBuiltinSound, SE_3, 0) { return call.NotBuiltYet(); }
AVG_BUILTIN_DEFINE(AvgBuiltinSound, SE_WA, 0) { return call.NotBuiltYet(); }
AVG_BUILTIN_DEFINE(AvgBuiltinSound, VO_0, 0) { return call.NotBuiltYet(); }
AVG_BUILTIN_DEFINE(AvgBuiltinSound, VO_1, 0) { return call.NotBuiltYet(); }
AVG_BUILTIN_DEFINE(AvgBuiltinSound, VO_2, 0) { return call.NotBuiltYet(); }
AVG_BUILTIN_DEFINE(AvgBuiltinSound, VO_3, 0) { return call.NotBuiltYet(); }
AVG_BUILTIN_DEFINE(AvgBuiltinSound, VO_WA, 0) { return call.NotBuiltYet(); }
