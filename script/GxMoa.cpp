#include "script/GxMoa.h"

#include "core/base/GxLog.h"
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
    bool ok = writer->WriteListBegin("m_pLabelDefine", "", u32(m_pLabelDefine.size()));
    for (const auto& [name, label] : m_pLabelDefine) ok &= label->Write(*writer);
    ok &= writer->WriteListEnd();
    ok &= writer->WriteListBegin("m_VariableDefine", "", u32(m_VariableDefine.size()));
    for (const auto& d : m_VariableDefine) ok &= d.Write(*writer);
    ok &= writer->WriteListEnd();
    ok &= writer->WriteListBegin("m_BuiltinDefine", "", u32(m_BuiltinDefine.size()));
    for (const auto& d : m_BuiltinDefine) ok &= d.Write(*writer);
    ok &= writer->WriteListEnd();
    ok &= writer->WriteListBegin("m_pScriptDefine", "", u32(m_pScriptDefine.size()));
    for (const auto& [name, script] : m_pScriptDefine) ok &= script->Write(*writer);
    ok &= writer->WriteListEnd();
    ok &= writer->Write("END_MARKER", u"END_MARKER");
    return ok && writer->GetErrorCount() == 0;
}

bool GxMoa::ReadBundle(GxContentReaderBase* reader) {
    Clear();
    // Each list stops at its first damaged record: everything after it would
    // be read out of step.
    u32 count = 0;
    if (!GxMoaReadListBegin(*reader, "m_pLabelDefine", &count, u"GxMoa::ReadBundle")) return false;
    for (u32 i = 0; i < count; ++i) {
        auto label = std::make_unique<GxMoaLabelDefinition>();
        if (!label->Read(*reader)) return false;
        m_pLabelDefine.emplace(label->m_Name, std::move(label));
    }
    reader->ReadListEnd();

    if (!GxMoaReadListBegin(*reader, "m_VariableDefine", &count, u"GxMoa::ReadBundle")) return false;
    for (u32 i = 0; i < count; ++i) {
        GxMoaVariableDefinition d;
        if (!d.Read(*reader)) return false;
        m_VariableDefine.push_back(std::move(d));
    }
    reader->ReadListEnd();

    if (!GxMoaReadListBegin(*reader, "m_BuiltinDefine", &count, u"GxMoa::ReadBundle")) return false;
    for (u32 i = 0; i < count; ++i) {
        GxMoaBuiltinDefinition d;
        if (!d.Read(*reader)) return false;
        m_BuiltinDefine.push_back(std::move(d));
    }
    reader->ReadListEnd();

    if (!GxMoaReadListBegin(*reader, "m_pScriptDefine", &count, u"GxMoa::ReadBundle")) return false;
    for (u32 i = 0; i < count; ++i) {
        auto script = std::make_unique<GxMoaScript>(this);
        if (!script->Read(*reader)) return false;
        GxString name = script->m_ScriptName;
        m_pScriptDefine.emplace(std::move(name), std::move(script));
    }
    reader->ReadListEnd();

    if (reader->ReadWString("END_MARKER") != u"END_MARKER") return false;
    return reader->GetErrorCount() == 0;
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
