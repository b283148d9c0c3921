#pragma once
// The expression compiler: turns the tokens of one expression in a script
// line into an opcode list, by recursive descent with one function per
// precedence level. The cursor moves token by token within the line and, on
// success, stands on the first token after what was compiled. Errors are
// reported once, through the error hook of the script's instance.
#include "base/GxTypes.h"
#include "script/GxMoaRunPos.h"
#include "script/GxMoaVariable.h"

#include <vector>

class GxMoaScript;

using GxMoaOpcodeList = std::vector<GxMoaVariable>;

// Restriction flags.
constexpr u32 kGxMoaNoVariables = 1;
constexpr u32 kGxMoaNoBuiltins = 4;
constexpr u32 kGxMoaNoAssignment = 8;

bool Phase_Expr(GxMoaScript* script, GxMoaOpcodeList* list, GxMoaRunPos* cursor, u32 flags);
bool Phase_LogicalOp(GxMoaScript* script, GxMoaOpcodeList* list, GxMoaRunPos* cursor, u32 flags);
bool Phase_BitOp(GxMoaScript* script, GxMoaOpcodeList* list, GxMoaRunPos* cursor, u32 flags);
bool Phase_CompEqNeOp(GxMoaScript* script, GxMoaOpcodeList* list, GxMoaRunPos* cursor, u32 flags);
bool Phase_CompLeGeOp(GxMoaScript* script, GxMoaOpcodeList* list, GxMoaRunPos* cursor, u32 flags);
bool Phase_BitShiftOp(GxMoaScript* script, GxMoaOpcodeList* list, GxMoaRunPos* cursor, u32 flags);
bool Phase_AddOp(GxMoaScript* script, GxMoaOpcodeList* list, GxMoaRunPos* cursor, u32 flags);
bool Phase_MulOp(GxMoaScript* script, GxMoaOpcodeList* list, GxMoaRunPos* cursor, u32 flags);
bool Phase_SingleOp(GxMoaScript* script, GxMoaOpcodeList* list, GxMoaRunPos* cursor, u32 flags);
bool Phase_Term(GxMoaScript* script, GxMoaOpcodeList* list, GxMoaRunPos* cursor, u32 flags);
bool Phase_AssignOp(GxMoaScript* script, GxMoaOpcodeList* list, GxMoaRunPos* cursor, u32 flags);
// A comma-separated list up to a closing `)` or `]` (not consumed); appends
// ELEMENTNUM with the count.
bool Phase_Element(GxMoaScript* script, GxMoaOpcodeList* list, GxMoaRunPos* cursor, u32 flags);
// Consumes one token of the expected type.
bool Phase_Skip(GxMoaRunPos* cursor, u16 expected, GxMoaScript* script);
bool Phase_IsTermLeft(GxMoaScript* script, GxMoaRunPos pos);
bool Phase_IsTermRight(GxMoaScript* script, GxMoaRunPos pos);
