#pragma once
// Readable names of the interpreter's codes, and the dump text of variables,
// for the variable dumps, the debug screens and the error messages.
#include "base/GxTypes.h"

#include <cstdio>

class GxMoaVariable;

GxString GxMoaScopeName(u32 scope);
GxString GxMoaValueTypeName(u32 valueType);
GxString GxMoaTokenTypeName(u32 tokenType);
GxString GxMoaOpcodeName(u32 opcode);

// The dump text of one variable (one or more lines): replaces *out and
// returns out. name may be null.
GxString* GxMoaDumpVariable(GxString* out, const GxMoaVariable& value, const GxChar* name, int indent);

// Appends text to a dump file as UTF-16LE, each line feed written as CR LF,
// as the dump files are read on the developer's side.
void GxMoaWriteDumpText(FILE* file, GxStringView text);
