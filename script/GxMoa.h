#pragma once
// The interpreter instance: everything the compiled bundle brought (global
// labels, variable and builtin definitions, scripts) and the EXTERN variables
// that every worker shares. Script messages, warnings and errors are reported
// through its three hooks; the plain instance discards them and GxMoaEx
// writes them to the logs.
#include "base/GxFormat.h"
#include "base/GxTypes.h"
#include "script/GxMoaBuiltinDefinition.h"
#include "script/GxMoaLabelDefinition.h"
#include "script/GxMoaScript.h"
#include "script/GxMoaVariableDefinition.h"
#include "script/GxMoaVariableTable.h"

#include <cstdio>
#include <map>
#include <memory>
#include <vector>

class GxContentReaderBase;
class GxContentWriterBase;
class GxMoaScriptEntity;
class GxMoaWorker;
class GxMoaFunctionBinder;

class GxMoa {
public:
    using LabelMap = std::map<GxString, std::unique_ptr<GxMoaLabelDefinition>, std::less<>>;
    using ScriptMap = std::map<GxString, std::unique_ptr<GxMoaScript>, std::less<>>;

    GxMoa();
    virtual ~GxMoa();
    GxMoa(const GxMoa&) = delete;
    GxMoa& operator=(const GxMoa&) = delete;

    // Deletes labels, definitions, named values and scripts; the variable
    // table and the error flag stay.
    virtual void Clear();
    virtual void ResetErrorState() { m_ErrorFlag = false; }
    virtual bool AddLabel(const GxMoaLabelDefinition& label);
    virtual bool AddVariableDefinition(const GxMoaVariableDefinition& definition);
    virtual bool AddBuiltinDefinition(const GxMoaBuiltinDefinition& definition);
    virtual bool AddNamedValue(const GxString& name, const GxMoaVariable& value);
    virtual GxMoaLabelDefinition* FindLabel(GxStringView name);
    virtual GxMoaVariableDefinition* FindVariableDefinition(GxStringView name);
    virtual GxMoaBuiltinDefinition* FindBuiltinDefinition(GxStringView name);
    virtual GxMoaVariable* FindNamedValue(GxStringView name);
    virtual GxMoaScript* FindScript(GxStringView name);
    virtual GxMoaVariableTable* GetVariableTable() { return &m_VariableTable; }
    // Names beginning with '@' are found only among the script's own labels.
    virtual GxMoaLabelDefinition* FindLabelInScript(GxStringView name, GxMoaScript* script);
    virtual GxMoaLabelDefinition* FindLabelInEntity(GxStringView name, GxMoaScriptEntity* entity);
    virtual bool HasLabel(GxStringView label, GxStringView scriptName);
    // The bundle's fields (no header: whoever opens the stream writes it).
    virtual bool WriteBundle(GxContentWriterBase* writer);
    // Empties the instance and reads a bundle; false on any read error or a
    // missing "END_MARKER". What was read before a failure stays.
    virtual bool ReadBundle(GxContentReaderBase* reader);
    virtual bool WriteVariables(GxContentWriterBase* writer, u32 storageClass);
    virtual bool ReadVariables(GxContentReaderBase* reader, u32 storageClass);
    virtual bool ReplaceVariables(GxContentReaderBase* reader, u32 storageClass);
    virtual void InitExternVariables();
    virtual void AddExternVariables();
    virtual void ClearVariables(u32 storageClass);
    virtual bool ClearGameVariables();
    virtual void Dump(FILE* stream, int depth);

    // Adds a script made in memory (tests and tools); false when the name is
    // taken. The instance becomes its owner.
    bool AddScript(std::unique_ptr<GxMoaScript> script);
    const LabelMap& GetLabels() const { return m_pLabelDefine; }
    const ScriptMap& GetScripts() const { return m_pScriptDefine; }
    const std::vector<GxMoaVariableDefinition>& GetVariableDefinitions() const { return m_VariableDefine; }
    const std::vector<GxMoaBuiltinDefinition>& GetBuiltinDefinitions() const { return m_BuiltinDefine; }

    // The three report hooks. The text is cut to 1023 code units; line is
    // 0-based (the logs show it 1-based).
    template <class... A>
    void Message(const GxChar* format, const A&... args) {
        MessageText(Cut(GxFormat(format, args...)));
    }
    template <class... A>
    void Warning(GxString scriptName, int line, const GxChar* format, const A&... args) {
        WarningText(scriptName, line, Cut(GxFormat(format, args...)));
    }
    template <class... A>
    void Error(GxString scriptName, int line, const GxChar* format, const A&... args) {
        ErrorText(scriptName, line, Cut(GxFormat(format, args...)));
    }

    // Compiles the expression at start into the worker's innermost frame and
    // runs it; the result (when asked for) is the one value left, else Null.
    // False, with the error flag set, when compiling or running fails.
    static bool Eval_Token(GxMoa* moa, GxMoaVariable* result, GxMoaFunctionBinder* binder, GxMoaWorker* worker,
                           GxMoaRunPos start, GxMoaRunPos* cursor, bool statementFlag);

    bool m_ErrorFlag = false;

protected:
    virtual void MessageText(const GxString& text) { (void)text; }
    virtual void WarningText(const GxString& scriptName, int line, const GxString& text) {
        (void)scriptName, (void)line, (void)text;
    }
    virtual void ErrorText(const GxString& scriptName, int line, const GxString& text) {
        (void)scriptName, (void)line, (void)text;
    }
    static GxString Cut(GxString text) {
        if (text.size() > 1023) text.resize(1023);
        return text;
    }

private:
    // Drops every label whose place its script does not have, with a line.
    void DropLabelsOutsideTheirScripts(const GxContentReaderBase& reader);

    LabelMap m_pLabelDefine;
    std::vector<GxMoaVariableDefinition> m_VariableDefine;
    std::vector<GxMoaBuiltinDefinition> m_BuiltinDefine;
    std::map<GxString, std::unique_ptr<GxMoaVariable>, std::less<>> m_NamedValues;
    ScriptMap m_pScriptDefine;
    GxMoaVariableTable m_VariableTable;
};
