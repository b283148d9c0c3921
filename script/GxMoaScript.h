#pragma once
// One compiled script: its lines of tokens, its local labels and the
// variables it declares, with the operations that read tokens at run
// positions and move positions forward. Positions outside the script read as
// the shared end-of-script token, so every token loop ends.
#include "script/GxMoaLabelDefinition.h"
#include "script/GxMoaSharedOpcodeList.h"
#include "script/GxMoaScriptStep.h"
#include "script/GxMoaVariableDefinition.h"

#include <map>
#include <memory>
#include <vector>

class GxMoa;

class GxMoaScript {
public:
    explicit GxMoaScript(GxMoa* owner = nullptr) : m_pOwner(owner) {}
    virtual ~GxMoaScript() { Clear(); }
    GxMoaScript(const GxMoaScript&) = delete;
    GxMoaScript& operator=(const GxMoaScript&) = delete;

    // Stored form: "m_ScriptName", the lists "m_pLabelDefine",
    // "m_VariableDefine" and "m_Lines".
    virtual bool Write(GxContentWriterBase& writer) const;
    virtual bool Read(GxContentReaderBase& reader);

    void Clear();
    GxMoaLabelDefinition* FindLabel(GxStringView name);
    GxMoaVariableDefinition* FindVariableDefinition(GxStringView name);
    // Inserts a copy of a local label; false when the name is taken.
    bool AddLabel(const GxMoaLabelDefinition& label);

    // 0 negative line or position; -2 past the last line; 1 a token stands
    // there; -1 past the line's last token.
    int CheckRunPos(int line, int pos) const {
        if (line < 0 || pos < 0) return 0;
        if (size_t(line) >= m_Lines.size()) return -2;
        if (size_t(pos) < m_Lines[size_t(line)].m_Tokens.size()) return 1;
        return -1;
    }
    const GxMoaToken* GetToken(int line, int pos) const {
        if (CheckRunPos(line, pos) != 1) return GetEndToken();
        return &m_Lines[size_t(line)].m_Tokens[size_t(pos)];
    }
    const GxMoaToken* GetToken(GxMoaRunPos pos) const { return GetToken(pos.m_Line, pos.m_Pos); }
    // One token on, crossing empty lines; false at the end (and for a
    // negative place).
    bool NextToken(GxMoaRunPos* pos) const;
    int NextLine(GxMoaRunPos* pos) const;
    bool SeekBlockOpen(GxMoaRunPos* pos, GxMoaRunPos start) const;
    // One token on within the line; false past its end.
    bool StepInLine(GxMoaRunPos* pos) const;
    bool PrevToken(GxMoaRunPos* pos) const;
    // The nearest line at or above the position's line that holds a token;
    // -1 when there is none.
    int FindFilledLine(const GxMoaRunPos& pos) const;

    int GetLineCount() const { return int(m_Lines.size()); }

    // An expression compiled from this script: its opcodes and the place
    // where the compiler stopped. Each is kept by the token it starts at, so
    // that a statement run again is not compiled again; reading or clearing
    // the script drops them.
    struct CompiledExpr {
        GxMoaSharedOpcodeList opcodes;
        GxMoaRunPos end;
    };
    const CompiledExpr* FindCompiled(const GxMoaRunPos& start) const;
    const CompiledExpr* AddCompiled(const GxMoaRunPos& start, CompiledExpr compiled);

    // The token that every place outside a script reads as (type 17).
    static const GxMoaToken* GetEndToken();

    GxMoa* m_pOwner;
    GxString m_ScriptName;
    std::map<GxString, std::unique_ptr<GxMoaLabelDefinition>, std::less<>> m_pLabelDefine;
    std::vector<GxMoaVariableDefinition> m_VariableDefine;
    std::vector<GxMoaScriptStep> m_Lines;

private:
    // By line, the compiled expressions that start on it with their token
    // index; a line holds few.
    std::vector<std::vector<std::pair<s32, CompiledExpr>>> m_Compiled;
};
