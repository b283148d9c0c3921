#include "script/GxMoaWorkerEx.h"

#include "base/GxStringUtil.h"
#include "script/GxMoa.h"
#include "script/GxMoaCompiler.h"
#include "script/GxMoaExecutor.h"
#include "script/GxMoaMainHost.h"

GxMoaWorker::StepResult GxMoaWorkerEx::OnTextLine(GxMoaFunctionBinder*, const GxMoaToken& token) {
    GxMoaScriptPos& pos = Top().m_ScriptPos;
    if (!m_pMainHost || !m_pMainHost->HasMainScene()) {
        // Nothing can show the line; stop on it so that it is not lost.
        Fail(pos.m_ScriptName, pos.m_Line, u"メインシーン[SeqAvgMain]が無いためテキストを表示できません");
        return StepResult::Failed;
    }
    const u64 generation = GetStackGeneration();
    GxString key;
    GetScriptName(&key, nullptr);
    const int lineNumber = GetLine(nullptr) + 1;
    const bool read = m_pMainHost->IsReadedMessage(key, lineNumber);

    const GxString text(token.GetStrView());
    const size_t sep = text.find_first_of(m_pMainHost->GetNameSeparators());
    int mode = m_pMainHost->GetNameIdentifyMode();
    // Any other mode would show nothing at all; it reads as "no name".
    if (mode < 0 || mode > 3) mode = 0;

    GxString name;
    GxString message = text;
    if (sep == GxString::npos || mode == 0) {
        m_pMainHost->ClearName();
    } else if (mode == 2) {
        name = text.substr(0, sep);
        message = text.substr(sep);
        GxString path = m_pMainHost->GetNameImageFolder() + name;
        if (!m_pMainHost->ResolveImageFile(&path)) {
            name.clear();
            message = text;
        }
        m_pMainHost->SetName(name, 2);
    } else {
        name = text.substr(0, sep);
        message = text.substr(sep);
        m_pMainHost->SetName(name, mode);
    }
    const bool kinsoku = m_pMainHost->GetIgnoreKinsoku();
    m_pMainHost->ShowMessage(message, read, kinsoku, false);
    m_pMainHost->SetReadedMessage(key, lineNumber);
    m_pMainHost->AddMessageLog(name, message, kinsoku, false);
    // The scene may have moved the frames; only step on if it did not.
    if (generation != GetStackGeneration() || !IsRunning()) return StepResult::Done;
    if (GxMoaScript* script = TopScript()) script->NextToken(&Top().m_ScriptPos);
    return StepResult::Done;
}

GxMoaWorker::StepResult GxMoaWorkerEx::OnUnknownWord(GxMoaFunctionBinder* binder, const GxMoaToken& token) {
    GxMoaExecStackElement& frame = Top();
    GxMoaScript* script = TopScript();
    GxMoa* moa = GetMoa();
    const GxString word(token.GetStrView());
    const GxString title = GxGetFileTitle(word);
    const GxString ext = GxGetFileExtension(word);
    const GxString command = GxToLower(ext.empty() ? GxString(u"sp.lcg") : u"sp" + ext);
    const GxMoaBuiltinDefinition* def = moa->FindBuiltinDefinition(command);
    if (!def) {
        Fail(frame.m_ScriptPos.m_ScriptName, frame.m_ScriptPos.m_Line,
             GxFormat(u"レイヤー操作に使用できない命令です[%s]", command));
        return StepResult::Failed;
    }
    frame.ResetOpcodes();
    GetValueStack()->clear();
    GxMoaRunPos cursor(frame.m_ScriptPos.m_Line, frame.m_ScriptPos.m_Pos);
    GxMoaSharedOpcodeList::Items list;
    bool ok = Phase_Skip(&cursor, kGxTokUnknownWord, script) && Phase_Skip(&cursor, kGxTokParenOpen, script);
    if (ok) {
        GxMoaVariable op;
        op.SetOpcode(kGxOpPushStr);
        list.push_back(op);
        list.push_back(GxMoaVariable::OfString(title));
        ok = Phase_Element(script, &list, &cursor, 0);
    }
    if (ok) {
        // The title is the first argument.
        list.back() = GxMoaVariable::OfInt(list.back().ToInt64() + 1);
        GxMoaVariable op;
        op.SetOpcode(kGxOpCallBuiltin);
        list.push_back(op);
        list.push_back(GxMoaVariable::OfInt(def->m_BuiltinIndex));
        list.push_back(GxMoaVariable::OfString(command));
        ok = Phase_Skip(&cursor, kGxTokParenClose, script);
    }
    frame.m_OpcodeList = GxMoaSharedOpcodeList(std::move(list));
    if (!ok) {
        moa->m_ErrorFlag = true;
        return StepResult::Failed;
    }
    // While the command runs, its frame stays on its line, so that reports
    // and a worker stopped by a failure name that line. After it, anything
    // after the `)` is passed over, unless the command moved the frames.
    const u64 generation = GetStackGeneration();
    if (Exec_Opcode(binder, frame.m_ScriptPos.m_pEntity, moa, this, true) != 1) {
        moa->m_ErrorFlag = true;
        return StepResult::Failed;
    }
    if (generation != GetStackGeneration() || !IsRunning()) return StepResult::Done;
    GxMoaScriptPos& pos = Top().m_ScriptPos;
    if (pos.m_Line < script->GetLineCount()) pos.m_Line += 1, pos.m_Pos = 0;
    return StepResult::Done;
}
