#pragma once
// Test-only notation compiler: turns readable script text into compiled
// scripts inside an interpreter instance, following the bundle's token
// contract, so that interpreter tests read like scripts and the sample game's
// scripts can be kept as readable source. It is a test tool; the real bundles
// come from the outside compiler.
//
// Notation, one script line per text line:
//   *name            label declaration ("*@name" is local to its script)
//   > text           a text line (the rest of the line)
//   $v  $a[..]       variables and array variables
//   12  1.5  0x1F    integer and decimal numbers;  "text" a string (\" \\ \n)
//   NULL ARRAY IF ELSE WHILE FOR DO CONTINUE BREAK BREAKPOINT
//   GLOBAL|STATIC|EXTERN  PERMAN|INGAME|NOSAVE  $v[n] = literal
//                    a declaration line; it also adds the definition
//   name(...)        a builtin when the name is declared (the 48 default
//                    builtins are), otherwise an unknown word (layer command)
//   operators and punctuation as in the language; // starts a comment
// IF/ELSE targets, the `{` ends and the `}` block kinds are worked out as
// the outside compiler does; builtin names are stored lower-case.
#include "base/GxTypes.h"
#include "script/GxMoaVariable.h"

#include <map>
#include <string>

class GxMoa;
class GxMoaScript;

namespace qtest {

class MoaScriptBuilder {
public:
    MoaScriptBuilder();

    // Declares a builtin name (any letter case); it gets the next index and a
    // definition in every instance that a script is added to afterwards.
    // Names with '.' serve the layer commands ("sp.lnc").
    void DeclareBuiltin(GxStringView name);
    // Declares the adventure game's 97 builtin names, as the game's scripts
    // are compiled against them, so that a story calling them compiles, and
    // the block ends "endtext" and "endstand".
    void DeclareGameBuiltins();
    // Compiles a script into moa. A notation error returns null, with the
    // reason in LastError.
    GxMoaScript* AddScript(GxMoa* moa, GxStringView scriptName, GxStringView text);
    // What the last AddScript found wrong; empty after a success.
    const std::string& LastError() const { return m_LastError; }
    // An instance-level variable definition (GLOBAL and EXTERN scopes).
    void AddVariable(GxMoa* moa, GxStringView name, u32 scope, const GxMoaVariable& init = GxMoaVariable(),
                     s32 arraySize = -1);

private:
    std::map<GxString, s32> m_Builtins;  // lower-case name -> index
    s32 m_NextIndex = 0;
    std::string m_LastError;
};

} // namespace qtest
