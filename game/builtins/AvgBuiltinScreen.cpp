#include "game/builtins/AvgBuiltinScreen.h"

AVG_BUILTIN_DEFINE(AvgBuiltinScreen, FIN, 0) { return call.NotBuiltYet(); }
AVG_BUILTIN_DEFINE(AvgBuiltinScreen, FOUT, 0) { return call.NotBuiltYet(); }
AVG_BUILTIN_DEFINE(AvgBuiltinScreen, FLASH, 0) { return call.NotBuiltYet(); }
AVG_BUILTIN_DEFINE(AvgBuiltinScreen, FLASH_WA, 0) { return call.NotBuiltYet(); }
AVG_BUILTIN_DEFINE(AvgBuiltinScreen, SHAKE, 0) { return call.NotBuiltYet(); }
AVG_BUILTIN_DEFINE(AvgBuiltinScreen, SHAKE_END, 0) { return call.NotBuiltYet(); }
