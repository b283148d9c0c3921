#include "script/GxMoaScript.h"

#include "io/GxContentReaderBase.h"
#include "io/GxContentWriterBase.h"
#include "script/GxMoaStreamUtil.h"

#include <algorithm>
#include <limits>

namespace {
// Positions come from bundles and saves; stepping must not overflow.
s32 Inc(s32 v) { return v == std::numeric_limits<s32>::max() ? v : v + 1; }
} // namespace

const GxMoaToken* GxMoaScript::GetEndToken() {
    static const GxMoaToken kEnd;  // type 17, nothing else
    return &kEnd;
}

void GxMoaScript::Clear() {
    m_ScriptName.clear();
    m_pLabelDefine.clear();
    m_VariableDefine.clear();
    m_Lines.clear();
    m_Compiled.clear();
}

const GxMoaScript::CompiledExpr* GxMoaScript::FindCompiled(const GxMoaRunPos& start) const {
    if (start.m_Line < 0 || size_t(start.m_Line) >= m_Compiled.size()) return nullptr;
    for (const auto& [pos, compiled] : m_Compiled[size_t(start.m_Line)])
        if (pos == start.m_Pos) return &compiled;
    return nullptr;
}

const GxMoaScript::CompiledExpr* GxMoaScript::AddCompiled(const GxMoaRunPos& start, CompiledExpr compiled) {
    if (start.m_Line < 0 || start.m_Line >= GetLineCount()) return nullptr;
    if (size_t(start.m_Line) >= m_Compiled.size()) m_Compiled.resize(m_Lines.size());
    auto& line = m_Compiled[size_t(start.m_Line)];
    return &line.emplace_back(start.m_Pos, std::move(compiled)).second;
}

GxMoaLabelDefinition* GxMoaScript::FindLabel(GxStringView name) {
    auto it = m_pLabelDefine.find(name);
    return it == m_pLabelDefine.end() ? nullptr : it->second.get();
}

GxMoaVariableDefinition* GxMoaScript::FindVariableDefinition(GxStringView name) {
    for (auto& d : m_VariableDefine)
        if (d.m_Name == name) return &d;
    return nullptr;
}

bool GxMoaScript::AddLabel(const GxMoaLabelDefinition& label) {
    return m_pLabelDefine.emplace(label.m_Name, std::make_unique<GxMoaLabelDefinition>(label)).second;
}


bool GxMoaScript::NextToken(GxMoaRunPos* pos) const {
    pos->m_Pos = Inc(pos->m_Pos);
    switch (CheckRunPos(pos->m_Line, pos->m_Pos)) {
    case kGxRunPosToken: return true;
    case kGxRunPosNegative: return false;
    case kGxRunPosScriptEnd:
        pos->m_Line = GetLineCount();
        pos->m_Pos = 0;
        return false;
    default:
        for (;;) {
            pos->m_Line = Inc(pos->m_Line);
            pos->m_Pos = 0;
            if (pos->m_Line >= GetLineCount()) {
                pos->m_Line = GetLineCount();
                return false;
            }
            if (!m_Lines[size_t(pos->m_Line)].m_Tokens.empty()) return true;
        }
    }
}

GxMoaRunPosCheck GxMoaScript::NextLine(GxMoaRunPos* pos) const {
    const GxMoaRunPosCheck r = CheckRunPos(pos->m_Line, pos->m_Pos);
    if (r != kGxRunPosScriptEnd) {
        pos->m_Line = Inc(pos->m_Line);
        pos->m_Pos = 0;
    }
    return r;
}

bool GxMoaScript::SeekBlockOpen(GxMoaRunPos* pos, GxMoaRunPos start) const {
    *pos = start;
    for (;;) {
        const u16 type = GetToken(*pos)->GetType();
        if (type == kGxTokBraceOpen) return true;
        if (type == kGxTokScriptEnd) return false;
        NextToken(pos);
    }
}

bool GxMoaScript::StepInLine(GxMoaRunPos* pos) const {
    if (pos->m_Line < 0) return false;
    if (pos->m_Line >= GetLineCount()) {
        pos->m_Line = GetLineCount();
        pos->m_Pos = 0;
        return false;
    }
    const s32 count = s32(m_Lines[size_t(pos->m_Line)].m_Tokens.size());
    pos->m_Pos = std::max(pos->m_Pos, -1) + 1;
    if (pos->m_Pos >= count) {
        pos->m_Pos = count;
        return false;
    }
    return true;
}

bool GxMoaScript::PrevToken(GxMoaRunPos* pos) const {
    if (pos->m_Line < 0) {
        *pos = GxMoaRunPos(-1, 0);
        return false;
    }
    if (pos->m_Line >= GetLineCount()) {
        *pos = GxMoaRunPos(GetLineCount(), 0);
        return false;
    }
    pos->m_Pos = std::max(pos->m_Pos, 0) - 1;
    return CheckRunPos(pos->m_Line, pos->m_Pos) == kGxRunPosToken;
}

int GxMoaScript::FindFilledLine(const GxMoaRunPos& pos) const {
    // Line 0 counts too: a statement on the first line has a line number.
    for (int line = std::min(pos.m_Line, GetLineCount() - 1); line >= 0; --line)
        if (!m_Lines[size_t(line)].m_Tokens.empty()) return line;
    return -1;
}

bool GxMoaScript::Write(GxContentWriterBase& writer) const {
    bool ok = writer.Write("m_ScriptName", m_ScriptName);
    ok &= GxMoaWriteLabels(writer, m_pLabelDefine);
    ok &= GxMoaWriteRecords(writer, "m_VariableDefine", m_VariableDefine);
    ok &= GxMoaWriteRecords(writer, "m_Lines", m_Lines);
    return ok && writer.GetErrorCount() == 0;
}

bool GxMoaScript::Read(GxContentReaderBase& reader) {
    Clear();
    m_ScriptName = reader.ReadWString("m_ScriptName");
    const GxChar* who = u"GxMoaScript::Read";
    if (!GxMoaReadLabels(reader, who, &m_pLabelDefine)) return false;
    if (!GxMoaReadRecords(reader, "m_VariableDefine", who, kGxMoaDefinitionBytes, &m_VariableDefine)) return false;
    if (!GxMoaReadRecords(reader, "m_Lines", who, kGxMoaLineBytes, &m_Lines)) return false;
    return reader.GetErrorCount() == 0;
}
