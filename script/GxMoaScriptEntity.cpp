#include "script/GxMoaScriptEntity.h"

#include "base/GxFormat.h"
#include "script/GxMoaDebugNames.h"
#include "script/GxMoaScript.h"
#include "script/GxMoaWorker.h"

namespace {
bool IsStaticScope(s32 scope) { return u32(scope) >= kGxScopeStaticPerman && u32(scope) <= kGxScopeStaticNoSave; }
} // namespace

GxMoaScriptEntity::GxMoaScriptEntity(GxMoa* moa, GxMoaWorker* worker, GxMoaScript* script)
    : m_pMoa(moa), m_pWorker(worker), m_pScript(script) {
    m_VariableTable.m_Kind = GxMoaVariableTable::kKindStatic;
}

bool GxMoaScriptEntity::WriteVariables(GxContentWriterBase& writer, u32 storageClass) {
    return m_VariableTable.WriteVariables(writer, storageClass);
}

bool GxMoaScriptEntity::ReadVariables(GxContentReaderBase& reader, u32 storageClass) {
    return m_VariableTable.ReadVariables(reader, storageClass);
}

bool GxMoaScriptEntity::ReplaceVariables(GxContentReaderBase& reader, u32 storageClass) {
    ClearVariables(storageClass);
    return m_VariableTable.ReadVariables(reader, storageClass);
}

GxMoaVariableSet* GxMoaScriptEntity::FindVariable(GxStringView name) {
    if (GxMoaVariableSet* v = m_VariableTable.Find(name)) return v;
    return m_pWorker ? m_pWorker->FindVariable(name) : nullptr;
}

void GxMoaScriptEntity::InitStaticVariables() {
    m_VariableTable.Clear();
    AddMissingVariables();
}

void GxMoaScriptEntity::AddMissingVariables() {
    if (!m_pScript) return;
    for (const auto& d : m_pScript->m_VariableDefine)
        if (IsStaticScope(d.m_Scope)) m_VariableTable.AddFromDefinition(d);
}

void GxMoaScriptEntity::ClearVariables(u32 storageClass) {
    for (size_t i = 0; i < m_VariableTable.GetCount(); ++i) {
        GxMoaVariableSet& v = m_VariableTable.At(i);
        if (!GxMoaScopeInStorageClass(v.m_Scope, storageClass)) continue;
        GxMoaVariableTable::ResetToDefinition(v, m_pScript ? m_pScript->FindVariableDefinition(v.m_Name) : nullptr);
    }
}

void GxMoaScriptEntity::Dump(FILE* stream, int indent) {
    GxMoaWriteDumpText(stream, GxFormat(u"------Script:%s\n", m_pScript ? m_pScript->m_ScriptName : GxString()));
    m_VariableTable.Dump(stream, indent);
}
