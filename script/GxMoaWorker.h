#pragma once
// One thread of script execution over the instance's bundle: a stack of call
// frames, the value stack of the expression executor, the return value of
// the last RETURN or EXIT, the GLOBAL variables, and one entity per script
// holding its STATIC variables.
#include "base/GxFormat.h"
#include "base/GxTypes.h"
#include "script/GxMoaExecStackElement.h"
#include "script/GxMoaLabelDefinition.h"
#include "script/GxMoaScriptEntity.h"
#include "script/GxMoaVariable.h"
#include "script/GxMoaVariableTable.h"

#include <cstdio>
#include <map>
#include <memory>
#include <vector>

class GxMoa;
class GxMoaFunctionBinder;
class GxMoaToken;

class GxMoaWorker {
public:
    using EntityMap = std::map<GxString, std::unique_ptr<GxMoaScriptEntity>, std::less<>>;

    explicit GxMoaWorker(GxMoa* owner);
    virtual ~GxMoaWorker();
    GxMoaWorker(const GxMoaWorker&) = delete;
    GxMoaWorker& operator=(const GxMoaWorker&) = delete;

    // The worker's globals, then the instance's externs.
    virtual GxMoaVariableSet* FindVariable(GxStringView name);
    // The worker state of a save game: name, frames, value stack, return value.
    virtual bool Write(GxContentWriterBase* writer);
    virtual bool Read(GxContentReaderBase* reader);
    // The globals of a class, then each script's statics of that class.
    virtual bool WriteVariables(GxContentWriterBase* writer, u32 storageClass);
    virtual bool ReadVariables(GxContentReaderBase* reader, u32 storageClass);
    virtual bool ReplaceVariables(GxContentReaderBase* reader, u32 storageClass);
    virtual void InitGlobalVariables();
    virtual void AddMissingVariables();
    virtual void ClearVariables(u32 storageClass);
    virtual void Dump(FILE* stream, int indent);
    virtual bool ClearGameVariables();
    // Moves the current frame to a label (the builtin GO); pushes a first
    // frame on an idle worker. False, with nothing changed, when the label is
    // missing.
    virtual bool Jump(GxStringView label, const GxMoaVariableTable* locals);
    virtual bool StartAtLabel(GxStringView label, const GxMoaVariableTable* locals);
    // Pushes a frame at a label (the builtin GOSUB), with the argument as a
    // LOCAL variable of the new frame.
    virtual bool Call(GxStringView label, const GxMoaVariableSet* argument);
    // Pops the current frame; true while a frame remains.
    virtual bool Return(const GxMoaVariable* value);
    virtual void Exit(const GxMoaVariable* value);
    virtual void Reset();
    virtual bool RestartInScript(GxStringView label, GxStringView scriptName, const GxMoaVariableSet* argument);
    virtual bool JumpInScript(GxStringView label, GxStringView scriptName, const GxMoaVariableSet* argument);
    virtual bool StartInScript(GxStringView label, GxStringView scriptName, const GxMoaVariableSet* argument);
    virtual bool CallInScript(GxStringView label, GxStringView scriptName, const GxMoaVariableSet* argument);
    virtual bool IsRunning() const { return !m_ExecStack.empty(); }
    // Of the given frame, else of the innermost one.
    virtual GxString* GetScriptName(GxString* out, const GxMoaExecStackElement* element);
    // 1-based line of the nearest line with tokens, for display; -1 idle.
    virtual int GetSourceLine(const GxMoaExecStackElement* element);
    // The 0-based line index; -1 idle.
    virtual int GetLine(const GxMoaExecStackElement* element);
    virtual GxMoaExecStack* GetExecStack() { return &m_ExecStack; }
    // Runs at most one working statement; false when nothing ran, the script
    // ended or an error froze the worker.
    virtual bool Step(GxMoaFunctionBinder* binder);

    // Error report of a builtin: "%s:%s" with the prefix and the message,
    // naming the entity's script ("*" without one) and the innermost frame's
    // line. It does not set the error flag.
    template <class... A>
    void ReportError(const GxString& prefix, GxMoaScriptEntity* entity, GxMoaExecStack* stack, const GxChar* format,
                     const A&... args) {
        ReportErrorText(prefix, entity, stack, GxFormat(format, args...));
    }
    void ReportErrorText(const GxString& prefix, GxMoaScriptEntity* entity, GxMoaExecStack* stack, GxString message);

    GxMoa* GetMoa() const { return m_pMoa; }
    const GxString& GetName() const { return m_Name; }
    GxMoaVariableTable* GetVariableTable() { return &m_VariableTable; }
    std::vector<GxMoaVariable>* GetValueStack() { return &m_ValueStack; }
    const GxMoaVariable& GetReturnValue() const { return m_ReturnValue; }
    const EntityMap& GetEntities() const { return m_Entities; }
    GxMoaScriptEntity* FindEntity(GxStringView scriptName);
    // The innermost frame of block type 1, or null.
    GxMoaExecStackElement* GetCurrentFrame();
    // Changes whenever frames are pushed, popped, replaced or moved to a
    // label, so that code holding a frame can tell that it must let go.
    u64 GetStackGeneration() const { return m_StackGeneration; }

protected:
    // What a token handler tells the statement loop.
    enum class StepResult { Passive, Done, Failed };
    // Text lines and unknown words; the main worker gives them a game meaning.
    virtual StepResult OnTextLine(GxMoaFunctionBinder* binder, const GxMoaToken& token);
    virtual StepResult OnUnknownWord(GxMoaFunctionBinder* binder, const GxMoaToken& token);
    // Reports through the instance's error hook and sets its error flag.
    void Fail(const GxString& scriptName, int line, const GxString& text);
    GxMoaExecStackElement& Top() { return m_ExecStack.back(); }
    GxMoaScript* TopScript();
    void BumpStack() { ++m_StackGeneration; }

private:
    void PopInnerBlocks();
    // The entity of a frame's script, looked up by name when not cached.
    GxMoaScriptEntity* EntityOf(GxMoaScriptPos& pos);
    GxMoaScriptEntity* CurrentEntity();
    GxMoaExecStackElement MakeFrame(const GxMoaLabelDefinition& label);
    // A new frame at a label looked up from the entity from, with the argument
    // as a LOCAL variable; with replaceCurrent it takes the current frame's
    // place, inner blocks and all.
    bool PushFrame(GxStringView label, GxMoaScriptEntity* from, const GxMoaVariableSet* argument,
                   bool replaceCurrent);
    StepResult RunIf(GxMoaFunctionBinder* binder, const GxMoaToken& token);
    StepResult RunBlockEnd();
    bool ReadVariablesImpl(GxContentReaderBase* reader, u32 storageClass, bool replace);

    GxMoa* m_pMoa;
    GxString m_Name;
    GxMoaVariableTable m_VariableTable;
    EntityMap m_Entities;
    // The stored statics of scripts the bundle lacks (a broken bundle, or one
    // that dropped a script), kept as the permanent data held them and
    // written back with it, so that no start loses a permanent variable.
    // A save game's load keeps none.
    std::map<GxString, GxMoaVariableTable, std::less<>> m_UnknownScripts;
    GxMoaExecStack m_ExecStack;
    std::vector<GxMoaVariable> m_ValueStack;
    GxMoaVariable m_ReturnValue;
    u64 m_StackGeneration = 0;
};
