#pragma once
// A bound builtin. Every builtin takes the same seven arguments: the name as
// the script called it, the index operand of the call, the argument Array
// (element 0 is the first argument written), the running worker, the script
// entity, the worker's execution stack and the result (Null on entry). It
// returns false only when the script must stop.
#include "base/GxTypes.h"
#include "script/GxMoaExecStackElement.h"

class GxMoaVariable;
class GxMoaWorker;
class GxMoaScriptEntity;

class GxMoaDelegateBase {
public:
    virtual ~GxMoaDelegateBase() = default;
    virtual bool Invoke(const GxString* name, int builtinIndex, GxMoaVariable* args, GxMoaWorker* worker,
                        GxMoaScriptEntity* entity, GxMoaExecStack* stack, GxMoaVariable* result) = 0;
};
