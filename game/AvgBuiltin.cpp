#include "game/AvgBuiltin.h"

void AvgBuiltin::RegisterBuiltins(GxMoaFunctionBinder*) {}
