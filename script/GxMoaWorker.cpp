#include "script/GxMoaWorker.h"

#include "base/GxLog.h"
#include "io/GxContentReaderBase.h"
#include "io/GxContentWriterBase.h"
#include "script/GxMoa.h"
#include "script/GxMoaDebugNames.h"
#include "script/GxMoaStreamUtil.h"

namespace {
bool IsGlobalScope(s32 scope) { return u32(scope) >= kGxScopeGlobalPerman && u32(scope) <= kGxScopeGlobalNoSave; }

// Whether a table holds any variable of the storage class.
bool HoldsClass(const GxMoaVariableTable& table, u32 storageClass) {
    for (size_t i = 0; i < table.GetCount(); ++i)
        if (GxMoaScopeInStorageClass(table.At(i).m_Scope, storageClass)) return true;
    return false;
}

bool Before(const GxMoaRunPos& a, const GxMoaRunPos& b) {
    return a.m_Line < b.m_Line || (a.m_Line == b.m_Line && a.m_Pos < b.m_Pos);
}

// Statements that do not run leave the rest of their line behind.
void SkipLine(const GxMoaScript& script, GxMoaScriptPos* pos) {
    if (pos->m_Line < script.GetLineCount()) pos->m_Line += 1, pos->m_Pos = 0;
}
} // namespace

GxMoaWorker::GxMoaWorker(GxMoa* owner) : m_pMoa(owner), m_Name(u"MAIN_WORKER") {
    m_VariableTable.m_Kind = GxMoaVariableTable::kKindGlobal;
    Reset();
}

GxMoaWorker::~GxMoaWorker() {
    m_ExecStack.clear();
    m_ValueStack.clear();
    m_Entities.clear();
}

GxMoaVariableSet* GxMoaWorker::FindVariable(GxStringView name) {
    if (GxMoaVariableSet* v = m_VariableTable.Find(name)) return v;
    return m_pMoa ? m_pMoa->GetVariableTable()->Find(name) : nullptr;
}

GxMoaScriptEntity* GxMoaWorker::FindEntity(GxStringView scriptName) {
    if (scriptName.empty()) return nullptr;
    auto it = m_Entities.find(scriptName);
    return it == m_Entities.end() ? nullptr : it->second.get();
}

GxMoaExecStackElement* GxMoaWorker::GetCurrentFrame() {
    for (auto it = m_ExecStack.rbegin(); it != m_ExecStack.rend(); ++it)
        if (it->m_BlockType == GxMoaExecStackElement::kBlockCall) return &*it;
    return nullptr;
}

GxMoaScriptEntity* GxMoaWorker::EntityOf(GxMoaScriptPos& pos) {
    if (!pos.m_pEntity) pos.m_pEntity = FindEntity(pos.m_ScriptName);
    return pos.m_pEntity;
}

GxMoaScript* GxMoaWorker::TopScript() {
    if (m_ExecStack.empty()) return nullptr;
    GxMoaScriptEntity* entity = EntityOf(Top().m_ScriptPos);
    return entity ? entity->GetScript() : nullptr;
}

// ---- frames ----------------------------------------------------------------

void GxMoaWorker::PopInnerBlocks() {
    while (!m_ExecStack.empty() && m_ExecStack.back().IsInnerBlock()) m_ExecStack.pop_back();
}

GxMoaExecStackElement GxMoaWorker::MakeFrame(const GxMoaLabelDefinition& label) {
    GxMoaExecStackElement frame;
    frame.m_BlockType = GxMoaExecStackElement::kBlockCall;
    frame.m_ScriptPos.m_Line = label.m_Pos.m_Line;
    frame.m_ScriptPos.m_Pos = label.m_Pos.m_Pos;
    frame.m_ScriptPos.m_ScriptName = label.m_Pos.m_ScriptName;
    frame.m_ScriptPos.m_pEntity = FindEntity(label.m_Pos.m_ScriptName);
    return frame;
}

GxMoaScriptEntity* GxMoaWorker::CurrentEntity() {
    GxMoaExecStackElement* current = GetCurrentFrame();
    return current ? EntityOf(current->m_ScriptPos) : nullptr;
}

bool GxMoaWorker::PushFrame(GxStringView label, GxMoaScriptEntity* from, const GxMoaVariableSet* argument,
                            bool replaceCurrent) {
    GxMoaLabelDefinition* def = m_pMoa->FindLabelInEntity(label, from);
    if (!def) return false;
    GxMoaExecStackElement frame = MakeFrame(*def);
    if (argument) frame.m_LocalTable.AddLocal(argument->m_Name, argument->m_Value);
    if (replaceCurrent) {
        PopInnerBlocks();
        if (!m_ExecStack.empty()) m_ExecStack.pop_back();
    }
    m_ExecStack.push_back(std::move(frame));
    BumpStack();
    return true;
}

bool GxMoaWorker::Jump(GxStringView label, const GxMoaVariableTable* locals) {
    const GxMoaLabelDefinition* def = m_pMoa->FindLabelInEntity(label, CurrentEntity());
    if (!def) return false;
    // The label belongs to the instance or a script, which frames never touch.
    const GxMoaLabelDefinition& target = *def;
    PopInnerBlocks();
    GxMoaExecStackElement* current = GetCurrentFrame();
    if (!current) {
        GxMoaExecStackElement frame;
        frame.m_BlockType = GxMoaExecStackElement::kBlockCall;
        m_ExecStack.push_back(std::move(frame));
        current = &m_ExecStack.back();
    }
    current->ResetOpcodes();
    GxMoaScriptPos& pos = current->m_ScriptPos;
    pos.m_Line = target.m_Pos.m_Line;
    pos.m_Pos = target.m_Pos.m_Pos;
    // A jump within the script keeps the frame's entity.
    if (!pos.m_pEntity || pos.m_ScriptName != target.m_Pos.m_ScriptName) {
        pos.m_ScriptName = target.m_Pos.m_ScriptName;
        pos.m_pEntity = FindEntity(target.m_Pos.m_ScriptName);
    }
    if (locals) current->m_LocalTable = *locals;
    BumpStack();
    return true;
}

bool GxMoaWorker::StartAtLabel(GxStringView label, const GxMoaVariableTable* locals) {
    Reset();
    return Jump(label, locals);
}

bool GxMoaWorker::Call(GxStringView label, const GxMoaVariableSet* argument) {
    return PushFrame(label, CurrentEntity(), argument, false);
}

bool GxMoaWorker::JumpInScript(GxStringView label, GxStringView scriptName, const GxMoaVariableSet* argument) {
    return PushFrame(label, FindEntity(scriptName), argument, true);
}

bool GxMoaWorker::CallInScript(GxStringView label, GxStringView scriptName, const GxMoaVariableSet* argument) {
    return PushFrame(label, FindEntity(scriptName), argument, false);
}

bool GxMoaWorker::StartInScript(GxStringView label, GxStringView scriptName, const GxMoaVariableSet* argument) {
    Reset();
    return JumpInScript(label, scriptName, argument);
}

bool GxMoaWorker::RestartInScript(GxStringView label, GxStringView scriptName, const GxMoaVariableSet* argument) {
    Reset();
    ClearVariables(kGxStorageInGame);
    ClearVariables(kGxStorageNoSave);
    return JumpInScript(label, scriptName, argument);
}

bool GxMoaWorker::Return(const GxMoaVariable* value) {
    if (value)
        m_ReturnValue = *value;
    else
        m_ReturnValue.Clear();
    if (m_ExecStack.empty()) return false;
    PopInnerBlocks();
    if (!m_ExecStack.empty()) m_ExecStack.pop_back();
    BumpStack();
    return !m_ExecStack.empty();
}

void GxMoaWorker::Exit(const GxMoaVariable* value) {
    // Copied first: the value may live on one of the stacks.
    GxMoaVariable kept = value ? *value : GxMoaVariable();
    Reset();
    m_ReturnValue = std::move(kept);
}

void GxMoaWorker::Reset() {
    m_ExecStack.clear();
    m_ExecStack.reserve(8);
    m_ValueStack.clear();
    m_ValueStack.reserve(8);
    m_ReturnValue.Clear();
    BumpStack();
}

GxString* GxMoaWorker::GetScriptName(GxString* out, const GxMoaExecStackElement* element) {
    if (!element && !m_ExecStack.empty()) element = &m_ExecStack.back();
    if (element)
        *out = element->m_ScriptPos.m_ScriptName;
    else
        out->clear();
    return out;
}

int GxMoaWorker::GetLine(const GxMoaExecStackElement* element) {
    if (!element && !m_ExecStack.empty()) element = &m_ExecStack.back();
    return element ? element->m_ScriptPos.m_Line : -1;
}

int GxMoaWorker::GetSourceLine(const GxMoaExecStackElement* element) {
    if (!element && !m_ExecStack.empty()) element = &m_ExecStack.back();
    if (!element) return -1;
    GxMoaScriptEntity* entity = element->m_ScriptPos.m_pEntity;
    if (!entity) entity = FindEntity(element->m_ScriptPos.m_ScriptName);
    // Without the script there is no line to search: the stored line as it is.
    if (!entity || !entity->GetScript()) return element->m_ScriptPos.m_Line;
    return entity->GetScript()->FindFilledLine(element->m_ScriptPos) + 1;
}

void GxMoaWorker::ReportErrorText(const GxString& prefix, GxMoaScriptEntity* entity, GxMoaExecStack* stack,
                                  GxString message) {
    if (message.size() > 1023) message.resize(1023);
    const GxString script = entity && entity->GetScript() ? entity->GetScript()->m_ScriptName : GxString(u"*");
    const int line = stack && !stack->empty() ? stack->back().m_ScriptPos.m_Line : -1;
    m_pMoa->Error(script, line, u"%s:%s", prefix, message);
}

// ---- variables ---------------------------------------------------------------

void GxMoaWorker::InitGlobalVariables() {
    // Frames cache entity pointers: they must not outlive the entities.
    for (auto& frame : m_ExecStack) frame.m_ScriptPos.m_pEntity = nullptr;
    m_Entities.clear();
    for (const auto& d : m_pMoa->GetVariableDefinitions())
        if (IsGlobalScope(d.m_Scope)) m_VariableTable.AddFromDefinition(d);
    for (const auto& [name, script] : m_pMoa->GetScripts()) {
        auto entity = std::make_unique<GxMoaScriptEntity>(m_pMoa, this, script.get());
        entity->InitStaticVariables();
        m_Entities.emplace(name, std::move(entity));
    }
    BumpStack();
}

void GxMoaWorker::AddMissingVariables() {
    for (const auto& d : m_pMoa->GetVariableDefinitions())
        if (IsGlobalScope(d.m_Scope)) m_VariableTable.AddFromDefinition(d);
    for (auto& [name, entity] : m_Entities) entity->AddMissingVariables();
}

void GxMoaWorker::ClearVariables(u32 storageClass) {
    for (size_t i = 0; i < m_VariableTable.GetCount(); ++i) {
        GxMoaVariableSet& v = m_VariableTable.At(i);
        if (GxMoaScopeInStorageClass(v.m_Scope, storageClass))
            GxMoaVariableTable::ResetToDefinition(v, m_pMoa->FindVariableDefinition(v.m_Name));
    }
    for (auto& [name, entity] : m_Entities) entity->ClearVariables(storageClass);
}

bool GxMoaWorker::ClearGameVariables() {
    Reset();
    ClearVariables(kGxStorageInGame);
    ClearVariables(kGxStorageNoSave);
    return true;
}

bool GxMoaWorker::WriteVariables(GxContentWriterBase* writer, u32 storageClass) {
    std::vector<const std::pair<const GxString, GxMoaVariableTable>*> unknown;
    for (const auto& entry : m_UnknownScripts)
        if (!m_Entities.count(entry.first) && HoldsClass(entry.second, storageClass)) unknown.push_back(&entry);
    bool ok = m_VariableTable.WriteVariables(*writer, storageClass);
    ok &= writer->Write("m_pScriptEntitySize", s32(m_Entities.size() + unknown.size()));
    for (auto& [name, entity] : m_Entities) {
        ok &= writer->Write("m_ScriptName", name);
        ok &= entity->WriteVariables(*writer, storageClass);
    }
    for (const auto* entry : unknown) {
        ok &= writer->Write("m_ScriptName", entry->first);
        ok &= entry->second.WriteVariables(*writer, storageClass);
    }
    return ok && writer->GetErrorCount() == 0;
}

bool GxMoaWorker::ReadVariablesImpl(GxContentReaderBase* reader, u32 storageClass, bool replace) {
    if (replace) ClearVariables(storageClass);
    bool ok = m_VariableTable.ReadVariables(*reader, storageClass);
    s32 count = 0;
    if (ok) ok = GxMoaReadCount(*reader, "m_pScriptEntitySize", &count, u"GxMoaWorker::ReadVariables");
    GxString unknownNames;
    for (s32 i = 0; ok && i < count; ++i) {
        const GxString name = reader->ReadWString("m_ScriptName");
        GxMoaScriptEntity* entity = FindEntity(name);
        if (!entity) {
            // A script the bundle does not have. A save game's load drops its
            // record; any other read keeps what it holds for the next write.
            GxMoaScriptEntity scratch(m_pMoa, this, nullptr);
            ok = scratch.ReadVariables(*reader, storageClass);
            if (ok && !replace && HoldsClass(*scratch.GetVariableTable(), storageClass)) {
                m_UnknownScripts[name] = std::move(*scratch.GetVariableTable());
                unknownNames += (unknownNames.empty() ? u"" : u",") + name;
            }
            continue;
        }
        ok = replace ? entity->ReplaceVariables(*reader, storageClass) : entity->ReadVariables(*reader, storageClass);
    }
    if (!unknownNames.empty())
        GxWriteErrorLog(u"GxMoaWorker::ReadVariables/スクリプトが見つからないため、その変数を読んだまま残します(%s)\n",
                        unknownNames);
    if (replace) AddMissingVariables();
    return ok && reader->GetErrorCount() == 0;
}

bool GxMoaWorker::ReadVariables(GxContentReaderBase* reader, u32 storageClass) {
    return ReadVariablesImpl(reader, storageClass, false);
}

bool GxMoaWorker::ReplaceVariables(GxContentReaderBase* reader, u32 storageClass) {
    return ReadVariablesImpl(reader, storageClass, true);
}

bool GxMoaWorker::Write(GxContentWriterBase* writer) {
    bool ok = writer->Write("m_Name", m_Name);
    ok &= GxMoaWriteRecords(*writer, "m_ExecStack", m_ExecStack);
    ok &= GxMoaWriteRecords(*writer, "m_ValueStack", m_ValueStack);
    ok &= m_ReturnValue.Write(*writer);
    return ok && writer->GetErrorCount() == 0;
}

bool GxMoaWorker::Read(GxContentReaderBase* reader) {
    BumpStack();
    m_Name = reader->ReadWString("m_Name");
    m_ExecStack.clear();
    m_ValueStack.clear();
    m_ReturnValue.Clear();
    const bool framesRead = GxMoaReadList(*reader, "m_ExecStack", u"GxMoaWorker::Read", 1, [&] {
        GxMoaExecStackElement frame;
        if (!frame.Read(*reader, this)) return false;
        m_ExecStack.push_back(std::move(frame));
        return true;
    });
    if (!framesRead) return false;
    if (!GxMoaReadRecords(*reader, "m_ValueStack", u"GxMoaWorker::Read", 1, &m_ValueStack)) return false;
    m_ReturnValue.Read(*reader);
    return reader->GetErrorCount() == 0;
}

void GxMoaWorker::Dump(FILE* stream, int indent) {
    GxMoaWriteDumpText(stream, GxFormat(u"----Worker:%s\n", m_Name));
    m_VariableTable.Dump(stream, indent);
    for (auto& [name, entity] : m_Entities) entity->Dump(stream, indent + 1);
    for (size_t i = 0; i < m_ExecStack.size(); ++i) {
        GxMoaWriteDumpText(stream, GxFormat(u"------ExecStack:%d\n", int(i)));
        m_ExecStack[i].m_LocalTable.Dump(stream, indent + 1);
    }
}

// ---- statements --------------------------------------------------------------

void GxMoaWorker::Fail(const GxString& scriptName, int line, const GxString& text) {
    m_pMoa->Error(scriptName, line, u"%s", text);
    m_pMoa->m_ErrorFlag = true;
}

GxMoaWorker::StepResult GxMoaWorker::OnTextLine(GxMoaFunctionBinder*, const GxMoaToken& token) {
    m_pMoa->Message(u"%s", token.GetStrView());
    TopScript()->NextToken(&Top().m_ScriptPos);
    return StepResult::Passive;
}

GxMoaWorker::StepResult GxMoaWorker::OnUnknownWord(GxMoaFunctionBinder*, const GxMoaToken& token) {
    GxMoaScriptPos& pos = Top().m_ScriptPos;
    const int line = pos.m_Line;
    if (TopScript()->CheckRunPos(pos.m_Line, pos.m_Pos) != kGxRunPosScriptEnd) TopScript()->NextLine(&pos);
    m_pMoa->Warning(pos.m_ScriptName, line, u"不明な単語を発見。スキップされます[%s]", token.GetStrView());
    return StepResult::Passive;
}

bool GxMoaWorker::Step(GxMoaFunctionBinder* binder) {
    if (m_ExecStack.empty()) return false;
    // A worker stopped on an error stays stopped without a word: the scene
    // steps it every frame, and a frame whose script is missing would
    // otherwise be reported sixty times a second for ever.
    if (m_pMoa->m_ErrorFlag) return false;
    {
        GxMoaScriptPos& pos = Top().m_ScriptPos;
        GxMoaScriptEntity* entity = EntityOf(pos);
        if (!entity || !entity->GetScript()) {
            Fail(pos.m_ScriptName, pos.m_Line, u"スクリプトが見つからないので実行できません");
            return false;
        }
    }
    GxMoaScript* script = TopScript();

    for (;;) {
        GxMoaScriptPos& pos = Top().m_ScriptPos;
        // A place between tokens, such as a label at (line, -1), moves on to
        // the next token rather than reading outside the script.
        GxMoaRunPosCheck where = script->CheckRunPos(pos.m_Line, pos.m_Pos);
        if (where != kGxRunPosToken) {
            script->NextToken(&pos);
            where = script->CheckRunPos(pos.m_Line, pos.m_Pos);
        }
        if (where == kGxRunPosScriptEnd) {
            Exit(nullptr);
            return !m_ExecStack.empty();
        }
        if (where != kGxRunPosToken) {
            Fail(pos.m_ScriptName, pos.m_Line, GxFormat(u"実行位置が不正です[%d:%d]", pos.m_Line, pos.m_Pos));
            return false;
        }
        const GxMoaToken& token = script->m_Lines[size_t(pos.m_Line)].m_Tokens[size_t(pos.m_Pos)];
        const int line = pos.m_Line;
        GxString desc;
        StepResult result = StepResult::Done;
        switch (token.GetType()) {
        case kGxTokBuiltin:
        case kGxTokVar:
        case kGxTokArrayVar:
            // The frame position is moved past the statement before it runs:
            // the statement may push, pop or replace frames.
            if (!GxMoa::Eval_Token(m_pMoa, nullptr, binder, this, pos, &pos, true)) return false;
            return !m_ExecStack.empty();
        case kGxTokUnnamed20:
            script->NextToken(&pos);
            if (!GxMoa::Eval_Token(m_pMoa, nullptr, binder, this, pos, &pos, false)) return false;
            return !m_ExecStack.empty();
        case kGxTokUnknownWord: result = OnUnknownWord(binder, token); break;
        case kGxTokText: result = OnTextLine(binder, token); break;
        case kGxTokLabel:
        case kGxTokCommandStart:
            script->NextToken(&pos);
            result = StepResult::Passive;
            break;
        case kGxTokBreakpoint: script->NextToken(&pos); break;
        case kGxTokScriptEnd:
            // Only outside places read as the end token; one inside a line
            // ends the script the same way.
            Exit(nullptr);
            return false;
        case kGxTokDefine:
        case kGxTokBuiltinDecl:
        case kGxTokStatic:
        case kGxTokGlobal:
        case kGxTokExtern:
        case kGxTokNoSave:
        case kGxTokInGame:
        case kGxTokPerman:
            SkipLine(*script, &pos);
            break;
        case kGxTokIf: result = RunIf(binder, token); break;
        case kGxTokElse:
            SkipLine(*script, &pos);
            Fail(pos.m_ScriptName, line, u"不正なELSE文です");
            break;
        case kGxTokWhile:
        case kGxTokFor:
        case kGxTokDo:
        case kGxTokContinue:
        case kGxTokBreak:
            token.ToDescription(&desc);
            SkipLine(*script, &pos);
            Fail(pos.m_ScriptName, line, GxFormat(u"未実装の制御構造です[%s]", desc));
            break;
        case kGxTokBraceClose:
            if (token.GetInt() == kGxMoaBlockEndIf || token.GetInt() == kGxMoaBlockEndElse) {
                result = RunBlockEnd();
            } else {
                Fail(pos.m_ScriptName, line, GxFormat(u"未実装のブロック終端です[%s]", *token.ToDescription(&desc)));
            }
            break;
        default:
            Fail(pos.m_ScriptName, line, GxFormat(u"処理できないトークンです[%s]\n", *token.ToDescription(&desc)));
            return false;
        }
        if (result == StepResult::Failed) return false;
        if (result == StepResult::Done) return IsRunning();
        if (m_pMoa->m_ErrorFlag) return false;
    }
}

GxMoaWorker::StepResult GxMoaWorker::RunIf(GxMoaFunctionBinder* binder, const GxMoaToken& ifToken) {
    GxMoaScript* script = TopScript();
    const GxString scriptName = Top().m_ScriptPos.m_ScriptName;
    const u64 generation = m_StackGeneration;
    // Evaluates the condition at start; on success leaves brace on the `{`
    // of its branch.
    auto condition = [&](GxMoaRunPos start, bool* value, GxMoaRunPos* brace) -> StepResult {
        GxMoaVariable result;
        GxMoaRunPos cursor = start;
        if (!GxMoa::Eval_Token(m_pMoa, &result, binder, this, start, &cursor, true)) {
            Fail(scriptName, cursor.m_Line, u"条件式が評価できません");
            return StepResult::Failed;
        }
        // A builtin in the condition moved the frames: its move is the
        // statement's effect.
        if (generation != m_StackGeneration) return StepResult::Done;
        *value = result.ToInt64() != 0;
        script->NextToken(&cursor);
        if (!script->SeekBlockOpen(brace, cursor)) {
            Fail(scriptName, start.m_Line, u"条件式の後に{がありません");
            return StepResult::Failed;
        }
        return StepResult::Passive;
    };
    auto enter = [&](GxMoaRunPos brace) {
        script->NextToken(&brace);
        Top().m_ScriptPos.m_Line = brace.m_Line;
        Top().m_ScriptPos.m_Pos = brace.m_Pos;
        return StepResult::Done;
    };

    bool value = false;
    GxMoaRunPos brace;
    StepResult r = condition(ifToken.GetRunPos(1), &value, &brace);
    if (r != StepResult::Passive) return r;
    for (;;) {
        if (value) return enter(brace);
        GxMoaRunPos resume = script->GetToken(brace)->GetRunPos(0);
        // Targets come from the bundle: a chain that does not move forward
        // would never end.
        if (!Before(brace, resume)) {
            Fail(scriptName, brace.m_Line, u"ブロックの終端が不正です");
            return StepResult::Failed;
        }
        script->NextToken(&resume);
        Top().m_ScriptPos.m_Line = resume.m_Line;
        Top().m_ScriptPos.m_Pos = resume.m_Pos;
        const GxMoaToken* next = script->GetToken(resume);
        if (next->GetType() != kGxTokElse) return StepResult::Done;
        const GxMoaRunPos target = next->GetRunPos(1);
        if (target.m_Line == -1) {
            if (!script->SeekBlockOpen(&brace, resume)) {
                Fail(scriptName, resume.m_Line, u"ELSEの後に{がありません");
                return StepResult::Failed;
            }
            return enter(brace);
        }
        const GxMoaRunPos previous = brace;
        r = condition(target, &value, &brace);
        if (r != StepResult::Passive) return r;
        if (!Before(previous, brace)) {
            Fail(scriptName, brace.m_Line, u"ブロックの終端が不正です");
            return StepResult::Failed;
        }
    }
}

GxMoaWorker::StepResult GxMoaWorker::RunBlockEnd() {
    GxMoaScript* script = TopScript();
    GxMoaScriptPos& pos = Top().m_ScriptPos;
    GxMoaRunPos skip(pos.m_Line, pos.m_Pos);
    script->NextToken(&skip);
    while (script->GetToken(skip)->GetType() == kGxTokElse) {
        GxMoaRunPos brace;
        if (!script->SeekBlockOpen(&brace, skip)) {
            Fail(pos.m_ScriptName, skip.m_Line, u"ELSEの後に{がありません");
            return StepResult::Failed;
        }
        const GxMoaRunPos end = script->GetToken(brace)->GetRunPos(0);
        if (!Before(brace, end)) {
            Fail(pos.m_ScriptName, brace.m_Line, u"ブロックの終端が不正です");
            return StepResult::Failed;
        }
        skip = end;
        script->NextToken(&skip);
    }
    pos.m_Line = skip.m_Line;
    pos.m_Pos = skip.m_Pos;
    return StepResult::Done;
}
