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

// What stands at a run position of a script.
enum GxMoaRunPosCheck : int {
    kGxRunPosNegative = 0,    // a negative line or position
    kGxRunPosToken = 1,       // a token
    kGxRunPosLineEnd = -1,    // past the last token of its line
    kGxRunPosScriptEnd = -2,  // past the last line
};

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

    // Tested in this order: a negative place, past the last line, a token,
    // past the line's last token.
    GxMoaRunPosCheck CheckRunPos(int line, int pos) const {
        if (line < 0 || pos < 0) return kGxRunPosNegative;
        if (size_t(line) >= m_Lines.size()) return kGxRunPosScriptEnd;
        if (size_t(pos) < m_Lines[size_t(line)].m_Tokens.size()) return kGxRunPosToken;
        return kGxRunPosLineEnd;
    }
    const GxMoaToken* GetToken(int line, int pos) const {
        if (CheckRunPos(line, pos) != kGxRunPosToken) return GetEndToken();
        return &m_Lines[size_t(line)].m_Tokens[size_t(pos)];
    }
    const GxMoaToken* GetToken(GxMoaRunPos pos) const { return GetToken(pos.m_Line, pos.m_Pos); }
    // One token on, crossing empty lines; false at the end (and for a
    // negative place).
    bool NextToken(GxMoaRunPos* pos) const;
    // To the next line's start unless past the last line; the place's check.
    GxMoaRunPosCheck NextLine(GxMoaRunPos* pos) const;
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
