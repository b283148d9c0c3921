#include "game/builtins/AvgBuiltinStand.h"

AVG_BUILTIN_DEFINE(AvgBuiltinStand, SP_COLOR, 0) { return call.NotBuiltYet(); }
AVG_BUILTIN_DEFINE(AvgBuiltinStand, SP_ALPHA, 0) { return call.NotBuiltYet(); }
AVG_BUILTIN_DEFINE(AvgBuiltinStand, SP_BLEND, 0) { return call.NotBuiltYet(); }
AVG_BUILTIN_DEFINE(AvgBuiltinStand, SP_LCG, 0) { return call.NotBuiltYet(); }
AVG_BUILTIN_DEFINE(AvgBuiltinStand, SP_LNC, 0) { return call.NotBuiltYet(); }
AVG_BUILTIN_DEFINE(AvgBuiltinStand, SP_WA, 0) { return call.NotBuiltYet(); }
AVG_BUILTIN_DEFINE(AvgBuiltinStand, SP_SHAKE, 0) { return call.NotBuiltYet(); }
AVG_BUILTIN_DEFINE(AvgBuiltinStand, SP_SHAKE_END, 0) { return call.NotBuiltYet(); }
AVG_BUILTIN_DEFINE(AvgBuiltinStand, SP_SUB, 0) { return call.NotBuiltYet(); }
AVG_BUILTIN_DEFINE(AvgBuiltinStand, SP_CLEARALL, 0) { return call.NotBuiltYet(); }
AVG_BUILTIN_DEFINE(AvgBuiltinStand, SP_ACT_MOVE, 0) { return call.NotBuiltYet(); }
AVG_BUILTIN_DEFINE(AvgBuiltinStand, SP_ACT_FINISH, 0) { return call.NotBuiltYet(); }
AVG_BUILTIN_DEFINE(AvgBuiltinStand, STAND, 0) { return call.NotBuiltYet(); }
