#include "game/builtins/AvgBuiltinPicture.h"

AVG_BUILTIN_DEFINE(AvgBuiltinPicture, BG, 0) { return call.NotBuiltYet(); }
AVG_BUILTIN_DEFINE(AvgBuiltinPicture, BG_SW, 0) { return call.NotBuiltYet(); }
AVG_BUILTIN_DEFINE(AvgBuiltinPicture, BG_COLOR, 0) { return call.NotBuiltYet(); }
AVG_BUILTIN_DEFINE(AvgBuiltinPicture, BG_ACT_MOVE, 0) { return call.NotBuiltYet(); }
AVG_BUILTIN_DEFINE(AvgBuiltinPicture, BG_WA, 0) { return call.NotBuiltYet(); }
AVG_BUILTIN_DEFINE(AvgBuiltinPicture, EV, 0) { return call.NotBuiltYet(); }
AVG_BUILTIN_DEFINE(AvgBuiltinPicture, EV_SW, 0) { return call.NotBuiltYet(); }
