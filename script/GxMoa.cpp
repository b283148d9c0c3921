#include "script/GxMoa.h"

#include "base/GxFormat.h"
#include "base/GxLog.h"
#include "io/GxContentReaderBase.h"
#include "io/GxContentWriterBase.h"
#include "script/GxMoaDebugNames.h"
#include "script/GxMoaScriptEntity.h"
#include "script/GxMoaStreamUtil.h"

namespace {
bool IsExternScope(u32 scope) { return scope >= kGxScopeExternPerman && scope <= kGxScopeExternNoSave; }
} // namespace

GxMoa::GxMoa() { m_VariableTable.m_Kind = GxMoaVariableTable::kKindExtern; }

GxMoa::~GxMoa() { GxMoa::Clear(); }

void GxMoa::Clear() {
    m_pLabelDefine.clear();
    m_VariableDefine.clear();
    m_BuiltinDefine.clear();
    m_NamedValues.clear();
    m_pScriptDefine.clear();
}

bool GxMoa::AddLabel(const GxMoaLabelDefinition& label) {
    return m_pLabelDefine.emplace(label.m_Name, std::make_unique<GxMoaLabelDefinition>(label)).second;
}

bool GxMoa::AddVariableDefinition(const GxMoaVariableDefinition& definition) {
    if (FindVariableDefinition(definition.m_Name)) return false;
    m_VariableDefine.push_back(definition);
    return true;
}

bool GxMoa::AddBuiltinDefinition(const GxMoaBuiltinDefinition& definition) {
    if (FindBuiltinDefinition(definition.m_Name)) return false;
    m_BuiltinDefine.push_back(definition);
    return true;
}

bool GxMoa::AddNamedValue(const GxString& name, const GxMoaVariable& value) {
    return m_NamedValues.emplace(name, std::make_unique<GxMoaVariable>(value)).second;
}

GxMoaLabelDefinition* GxMoa::FindLabel(GxStringView name) {
    auto it = m_pLabelDefine.find(name);
    return it == m_pLabelDefine.end() ? nullptr : it->second.get();
}

GxMoaVariableDefinition* GxMoa::FindVariableDefinition(GxStringView name) {
    for (auto& d : m_VariableDefine)
        if (d.m_Name == name) return &d;
    return nullptr;
}

GxMoaBuiltinDefinition* GxMoa::FindBuiltinDefinition(GxStringView name) {
    for (auto& d : m_BuiltinDefine)
        if (d.m_Name == name) return &d;
    return nullptr;
}

GxMoaVariable* GxMoa::FindNamedValue(GxStringView name) {
    auto it = m_NamedValues.find(name);
    return it == m_NamedValues.end() ? nullptr : it->second.get();
}

GxMoaScript* GxMoa::FindScript(GxStringView name) {
    auto it = m_pScriptDefine.find(name);
    return it == m_pScriptDefine.end() ? nullptr : it->second.get();
}

GxMoaLabelDefinition* GxMoa::FindLabelInScript(GxStringView name, GxMoaScript* script) {
    if (name.empty()) return nullptr;
    if (name[0] == u'@') return script ? script->FindLabel(name) : nullptr;
    return FindLabel(name);
}

GxMoaLabelDefinition* GxMoa::FindLabelInEntity(GxStringView name, GxMoaScriptEntity* entity) {
    return FindLabelInScript(name, entity ? entity->GetScript() : nullptr);
}

bool GxMoa::HasLabel(GxStringView label, GxStringView scriptName) {
    return FindLabelInScript(label, FindScript(scriptName)) != nullptr;
}

bool GxMoa::AddScript(std::unique_ptr<GxMoaScript> script) {
    if (!script) return false;
    script->m_pOwner = this;
    GxString name = script->m_ScriptName;
    return m_pScriptDefine.emplace(std::move(name), std::move(script)).second;
}

bool GxMoa::WriteBundle(GxContentWriterBase* writer) {
    bool ok = GxMoaWriteLabels(*writer, m_pLabelDefine);
    ok &= GxMoaWriteRecords(*writer, "m_VariableDefine", m_VariableDefine);
    ok &= GxMoaWriteRecords(*writer, "m_BuiltinDefine", m_BuiltinDefine);
    ok &= GxMoaWriteList(*writer, "m_pScriptDefine", m_pScriptDefine,
                         [&](const auto& entry) { return entry.second->Write(*writer); });
    ok &= writer->Write("END_MARKER", u"END_MARKER");
    return ok && writer->GetErrorCount() == 0;
}

bool GxMoa::ReadBundle(GxContentReaderBase* reader) {
    Clear();
    const GxChar* who = u"GxMoa::ReadBundle";
    if (!GxMoaReadLabels(*reader, who, &m_pLabelDefine)) return false;
    if (!GxMoaReadRecords(*reader, "m_VariableDefine", who, kGxMoaDefinitionBytes, &m_VariableDefine)) return false;
    if (!GxMoaReadRecords(*reader, "m_BuiltinDefine", who, kGxMoaBuiltinBytes, &m_BuiltinDefine)) return false;
    const bool scriptsRead = GxMoaReadList(*reader, "m_pScriptDefine", who, kGxMoaScriptBytes, [&] {
        auto script = std::make_unique<GxMoaScript>(this);
        if (!script->Read(*reader)) return false;
        GxString name = script->m_ScriptName;
        m_pScriptDefine.emplace(std::move(name), std::move(script));
        return true;
    });
    if (!scriptsRead) return false;
    if (reader->ReadWString("END_MARKER") != u"END_MARKER") return false;
    if (reader->GetErrorCount() != 0) return false;
    DropLabelsOutsideTheirScripts(*reader);
    return true;
}

void GxMoa::DropLabelsOutsideTheirScripts(const GxContentReaderBase& reader) {
    // A label is a place in its script; one that names a line or a token the
    // script does not have can only be damage, and every line number shown
    // or counted from it would be nonsense (or overflow). It is dropped, the
    // first said, naming the file. A label of a script the bundle lacks is
    // kept: running it says so.
    bool said = false;
    auto outside = [&](const std::unique_ptr<GxMoaLabelDefinition>& label) {
        const GxMoaScriptPos& at = label->m_Pos;
        const auto it = m_pScriptDefine.find(at.m_ScriptName);
        if (it == m_pScriptDefine.end()) return false;
        const GxMoaScript& script = *it->second;
        // A label may stand before a line's first token (-1) or after its last.
        const bool inside = at.m_Line >= 0 && at.m_Line < script.GetLineCount() && at.m_Pos >= -1 &&
                            s64(at.m_Pos) <= s64(script.m_Lines[size_t(at.m_Line)].m_Tokens.size());
        if (inside) return false;
        if (!said)
            GxWriteLogText(GxLogKind::Error,
                           reader.WithSourceName(GxFormat(u"GxMoa::ReadBundle/ラベルの位置が不正です(%s:%s/%d:%d)\n",
                                                          label->m_Name, at.m_ScriptName, at.m_Line, at.m_Pos)));
        said = true;
        return true;
    };
    std::erase_if(m_pLabelDefine, [&](const auto& entry) { return outside(entry.second); });
    for (auto& [name, script] : m_pScriptDefine)
        std::erase_if(script->m_pLabelDefine, [&](const auto& entry) { return outside(entry.second); });
}

bool GxMoa::WriteVariables(GxContentWriterBase* writer, u32 storageClass) {
    return m_VariableTable.WriteVariables(*writer, storageClass);
}

bool GxMoa::ReadVariables(GxContentReaderBase* reader, u32 storageClass) {
    return m_VariableTable.ReadVariables(*reader, storageClass);
}

bool GxMoa::ReplaceVariables(GxContentReaderBase* reader, u32 storageClass) {
    ClearVariables(storageClass);
    const bool ok = m_VariableTable.ReadVariables(*reader, storageClass);
    AddExternVariables();
    return ok && reader->GetErrorCount() == 0;
}

void GxMoa::InitExternVariables() {
    m_VariableTable.Clear();
    AddExternVariables();
}

void GxMoa::AddExternVariables() {
    for (const auto& d : m_VariableDefine)
        if (IsExternScope(u32(d.m_Scope))) m_VariableTable.AddFromDefinition(d);
}

void GxMoa::ClearVariables(u32 storageClass) {
    for (size_t i = 0; i < m_VariableTable.GetCount(); ++i) {
        GxMoaVariableSet& v = m_VariableTable.At(i);
        if (!IsExternScope(v.m_Scope) || !GxMoaScopeInStorageClass(v.m_Scope, storageClass)) continue;
        GxMoaVariableTable::ResetToDefinition(v, FindVariableDefinition(v.m_Name));
    }
}

bool GxMoa::ClearGameVariables() {
    ClearVariables(kGxStorageInGame);
    ClearVariables(kGxStorageNoSave);
    return true;
}

void GxMoa::Dump(FILE* stream, int depth) {
    GxMoaWriteDumpText(stream, u"--MoaInstance:\n");
    m_VariableTable.Dump(stream, depth);
}
