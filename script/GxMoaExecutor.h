#pragma once
// The opcode executor: runs the innermost frame's opcode list on the
// worker's value stack. GxMoa::Eval_Token is the road from a statement to it.
#include "base/GxTypes.h"

#include <vector>

class GxMoa;
class GxMoaFunctionBinder;
class GxMoaScriptEntity;
class GxMoaVariable;
class GxMoaWorker;

// Runs the innermost frame's list from its opcode index to the end. 1: ran
// to the end, or nothing to run, or a builtin moved the frames (the rest of
// the list then belongs to a frame that may be gone); 0: an error was
// reported.
int Exec_Opcode(GxMoaFunctionBinder* binder, GxMoaScriptEntity* entity, GxMoa* moa, GxMoaWorker* worker,
                bool statementFlag);
// Appends a copy to the value stack; an Opcode value is refused.
bool Exec_PushStack(const GxMoaVariable& value, std::vector<GxMoaVariable>& stack, int pc);
