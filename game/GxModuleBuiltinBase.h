#pragma once
// A module's builtins: the object that adds them to the script's registry.
#include "tasks/GxCoreRemainder.h"

class GxMoaFunctionBinder;

class GxModuleBuiltinBase : public GxCoreRemainder {
public:
    virtual void RegisterBuiltins(GxMoaFunctionBinder* registry) = 0;
};
