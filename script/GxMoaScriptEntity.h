#pragma once
// Ties one script of the bundle to one worker and holds that script's STATIC
// variables.
#include "script/GxMoaVariableTable.h"

#include <cstdio>

class GxMoa;
class GxMoaScript;
class GxMoaWorker;

class GxMoaScriptEntity {
public:
    GxMoaScriptEntity(GxMoa* moa, GxMoaWorker* worker, GxMoaScript* script);
    virtual ~GxMoaScriptEntity() = default;
    GxMoaScriptEntity(const GxMoaScriptEntity&) = delete;
    GxMoaScriptEntity& operator=(const GxMoaScriptEntity&) = delete;

    virtual bool WriteVariables(GxContentWriterBase& writer, u32 storageClass);
    virtual bool ReadVariables(GxContentReaderBase& reader, u32 storageClass);
    // Resets the class to the definitions, then reads it.
    virtual bool ReplaceVariables(GxContentReaderBase& reader, u32 storageClass);

    // The script's statics, then the worker's globals, then the instance's
    // externs.
    GxMoaVariableSet* FindVariable(GxStringView name);
    void InitStaticVariables();
    void AddMissingVariables();
    void ClearVariables(u32 storageClass);
    void Dump(FILE* stream, int indent);

    GxMoa* GetMoa() const { return m_pMoa; }
    GxMoaWorker* GetWorker() const { return m_pWorker; }
    GxMoaScript* GetScript() const { return m_pScript; }
    GxMoaVariableTable* GetVariableTable() { return &m_VariableTable; }

private:
    GxMoa* m_pMoa;
    GxMoaWorker* m_pWorker;
    GxMoaScript* m_pScript;
    GxMoaVariableTable m_VariableTable;
};
