#include "game/builtins/AvgBuiltinChoice.h"

AVG_BUILTIN_DEFINE(AvgBuiltinChoice, SEL, 0) { return call.NotBuiltYet(); }
AVG_BUILTIN_DEFINE(AvgBuiltinChoice, SEL_GO, 0) { return call.NotBuiltYet(); }
AVG_BUILTIN_DEFINE(AvgBuiltinChoice, SEL_GOSUB, 0) { return call.NotBuiltYet(); }
AVG_BUILTIN_DEFINE(AvgBuiltinChoice, SEL_VISIBLE, 0) { return call.NotBuiltYet(); }
AVG_BUILTIN_DEFINE(AvgBuiltinChoice, SEL_ENABLE, 0) { return call.NotBuiltYet(); }
AVG_BUILTIN_DEFINE(AvgBuiltinChoice, SEL_CANCEL, 0) { return call.NotBuiltYet(); }
AVG_BUILTIN_DEFINE(AvgBuiltinChoice, SEL_HASH, 0) { return call.NotBuiltYet(); }
