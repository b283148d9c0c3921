#include "script/GxMoaVariableTable.h"

#include "base/GxAssert.h"
#include "base/GxFormat.h"
#include "base/GxLog.h"
#include "io/GxContentReaderBase.h"
#include "io/GxContentWriterBase.h"
#include "script/GxMoaDebugNames.h"
#include "script/GxMoaVariableDefinition.h"

#include <algorithm>

namespace {

u32 ScopeOfKind(u32 kind) {
    switch (kind) {
    case GxMoaVariableTable::kKindStatic: return kGxScopeStaticInGame;
    case GxMoaVariableTable::kKindGlobal: return kGxScopeGlobalInGame;
    case GxMoaVariableTable::kKindExtern: return kGxScopeExternInGame;
    default: return kGxScopeLocal;
    }
}

void ApplyArraySize(GxMoaVariable& value, s32 arraySize) {
    if (arraySize >= 0 && !value.IsArray()) value.MakeArray(u32(std::min(arraySize, kGxMoaMaxArrayElements)));
}


} // namespace

GxMoaVariableTable& GxMoaVariableTable::operator=(const GxMoaVariableTable& other) {
    if (this != &other) {
        m_Kind = other.m_Kind;
        m_Variables = other.m_Variables;
        DropIndex();
    }
    return *this;
}

GxMoaVariableTable& GxMoaVariableTable::operator=(GxMoaVariableTable&& other) {
    if (this != &other) {
        m_Kind = other.m_Kind;
        m_Variables = std::move(other.m_Variables);
        DropIndex();
        other.Clear();
    }
    return *this;
}

GxMoaVariableSet* GxMoaVariableTable::FindIndexed(GxStringView name) {
    // Variables are only ever appended: the ones added since the last
    // look-up are entered now.
    GX_ASSERT(m_Indexed <= m_Variables.size());
    for (; m_Indexed < m_Variables.size(); ++m_Indexed) {
        GxMoaVariableSet& v = m_Variables[m_Indexed];
        m_Index.Insert(v.m_Name, &v);
    }
    return m_Index.Find(name);
}


void GxMoaVariableTable::AddLocal(GxStringView name, const GxMoaVariable& value) {
    if (Find(name)) return;
    m_Variables.emplace_back(name, kGxScopeLocal, value);
    ShapeChanged();
}

void GxMoaVariableTable::AddFromDefinition(const GxMoaVariableDefinition& definition) {
    if (Find(definition.m_Name)) return;
    GxMoaVariableSet& v = m_Variables.emplace_back(definition.m_Name, u32(definition.m_Scope), definition.m_InitValue);
    ShapeChanged();
    ApplyArraySize(v.m_Value, definition.m_ArraySize);
}

void GxMoaVariableTable::ResetToDefinition(GxMoaVariableSet& variable, const GxMoaVariableDefinition* definition) {
    if (!definition) {
        variable.m_Value.Clear();
        return;
    }
    variable.m_Value = definition->m_InitValue;
    ApplyArraySize(variable.m_Value, definition->m_ArraySize);
}

GxMoaVariableSet* GxMoaVariableTable::SetVariable(GxStringView name, int index, const GxMoaVariable* value) {
    static const GxMoaVariable kNull;
    const GxMoaVariable& v = value ? *value : kNull;
    GxMoaVariableSet* target = Find(name);
    if (!target) {
        target = &m_Variables.emplace_back(name, ScopeOfKind(m_Kind), kNull);
        ShapeChanged();
    }
    target->m_Value.SetElement(index, v);
    return target;
}

GxMoaVariableSet* GxMoaVariableTable::SetVariableNull(GxStringView name, int index) {
    return SetVariable(name, index, nullptr);
}

bool GxMoaVariableTable::WriteVariables(GxContentWriterBase& writer, u32 storageClass) const {
    s32 count = 0;
    for (const auto& v : m_Variables)
        if (GxMoaScopeInStorageClass(v.m_Scope, storageClass)) ++count;
    bool ok = writer.Write("m_VariablesSize", count);
    for (const auto& v : m_Variables)
        if (GxMoaScopeInStorageClass(v.m_Scope, storageClass)) ok &= v.Write(writer);
    return ok && writer.GetErrorCount() == 0;
}

bool GxMoaVariableTable::ReadVariables(GxContentReaderBase& reader, u32 storageClass) {
    s32 count = 0;
    if (!reader.Read("m_VariablesSize", &count)) return false;
    if (count <= 0) return reader.GetErrorCount() == 0;
    if (u32(count) > reader.GetRemainingBytes()) {
        reader.ComplainAbout(GxFormat(u"GxMoaVariableTable::ReadVariables/変数の数が不正です(%d)\n", count));
        return false;
    }
    for (s32 i = 0; i < count; ++i) {
        GxMoaVariableSet record;
        // A damaged record ends the table: what follows it is out of step.
        if (!record.Read(reader)) return false;
        if (!GxMoaScopeInStorageClass(record.m_Scope, storageClass)) continue;
        if (GxMoaVariableSet* existing = Find(record.m_Name)) {
            existing->m_Value = std::move(record.m_Value);
        } else {
            m_Variables.push_back(std::move(record));
            ShapeChanged();
        }
    }
    return reader.GetErrorCount() == 0;
}

void GxMoaVariableTable::Dump(FILE* file, int depth) const {
    GxString text, line;
    for (const auto& v : m_Variables) {
        text += GxFormat(u"Scope:%s\n", GxMoaScopeName(v.m_Scope));
        text += *GxMoaDumpVariable(&line, v.m_Value, v.m_Name.c_str(), depth);
    }
    GxMoaWriteDumpText(file, text);
}
