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
class GxMoaToken;

using GxMoaOpcodeList = std::vector<GxMoaVariable>;

// Restriction flags.
constexpr u32 kGxMoaNoVariables = 1;
constexpr u32 kGxMoaNoBuiltins = 4;
constexpr u32 kGxMoaNoAssignment = 8;

// One compile: the script read, the list appended to, the restrictions, and
// how deeply the expression under way is nested (every nesting passes through
// Term). Each level of the grammar is one operation; a compile's recursion
// goes through the one object, so compiles never share their depth.
class GxMoaCompiler {
public:
    GxMoaCompiler(GxMoaScript* script, GxMoaOpcodeList* list, u32 flags)
        : m_Script(script), m_List(list), m_Flags(flags) {}

    bool Expr(GxMoaRunPos* cursor);
    bool LogicalOp(GxMoaRunPos* cursor);
    bool BitOp(GxMoaRunPos* cursor);
    bool CompEqNeOp(GxMoaRunPos* cursor);
    bool CompLeGeOp(GxMoaRunPos* cursor);
    bool BitShiftOp(GxMoaRunPos* cursor);
    bool AddOp(GxMoaRunPos* cursor);
    bool MulOp(GxMoaRunPos* cursor);
    bool SingleOp(GxMoaRunPos* cursor);
    bool Term(GxMoaRunPos* cursor);
    bool AssignOp(GxMoaRunPos* cursor);
    bool Element(GxMoaRunPos* cursor);

private:
    struct OpMap;
    using Level = bool (GxMoaCompiler::*)(GxMoaRunPos*);
    // A left-associative binary level over the next level down.
    template <size_t N>
    bool BinaryLevel(GxMoaRunPos* cursor, Level next, const OpMap (&ops)[N], const GxChar* noToken);
    // What follows a variable or an element: an assignment, a postfix
    // increment, or nothing (a read).
    bool VariableTail(GxMoaRunPos* cursor, const GxMoaToken& varToken, int varLine, bool element);

    GxMoaScript* m_Script;
    GxMoaOpcodeList* m_List;
    u32 m_Flags;
    int m_Depth = 0;
};

// Each level as a compile of its own, with a fresh depth.
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
