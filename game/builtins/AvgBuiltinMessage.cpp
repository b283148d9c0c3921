#include "game/builtins/AvgBuiltinMessage.h"

#include "game/GxGameSound.h"
#include "game/SeqSystem.h"
#include "game/scenes/SeqAvgMain.h"
#include "gamedata/GxDataLookup.h"
#include "gamedata/GxUserData.h"
#include "gamedata/GxUserDataPerman.h"
#include "io/GxStringParse.h"
#include "script/GxMoaScript.h"
#include "script/GxMoaScriptEntity.h"
#include "script/GxMoaToken.h"
#include "script/GxMoaWorker.h"
#include "tasks/GxSystemConfig.h"
#include "tasks/GxTaskFolder.h"
#include "tasks/GxTaskManage.h"

#include <vector>

namespace {

// The message window's line-break command, between the lines of a block.
constexpr const GxChar* kLineBreak = u"%r";
// The word that closes a TEXT block, as the script compiler stores it.
constexpr GxStringView kEndText = u"endtext";
constexpr const GxChar* kDialogKey = u"SeqAvgMain_USERDIALOG";

// Where a message was shown from: the calling worker's script and its line
// counted from 1, the key of its read flag.
struct ReadKey {
    GxString script;
    s32 line = 0;
};

ReadKey MessageKey(AvgBuiltinCall& call) {
    ReadKey key;
    if (GxMoaWorker* worker = call.Worker()) {
        worker->GetScriptName(&key.script, nullptr);
        key.line = worker->GetLine(nullptr) + 1;
    }
    return key;
}

bool IsRead(const ReadKey& key) {
    const GxUserDataPerman* perman = AvgBuiltinCall::Perman();
    return perman && perman->IsReadedMessage(key.script, key.line);
}

// A message on the screen, then marked read and added to the backlog. A
// message without a speaker (name null) clears the name.
void ShowMessage(const ReadKey& key, bool read, const GxString* name, const GxString& text, bool ignoreKinsoku,
                 bool noAutoBreak) {
    if (SeqAvgMain* scene = AvgBuiltinCall::MainScene()) {
        if (name)
            scene->SetName(*name, 3);
        else
            scene->ClearName();
        scene->ShowMessage(text, read, ignoreKinsoku, noAutoBreak);
    }
    if (GxUserDataPerman* perman = AvgBuiltinCall::Perman()) perman->SetReadedMessage(key.script, key.line);
    if (GxUserData* data = AvgBuiltinCall::UserData())
        data->AddMessageLog(name ? *name : GxString(), text, ignoreKinsoku, noAutoBreak);
}

bool IgnoreKinsoku() {
    const GxUserData* data = AvgBuiltinCall::UserData();
    return data && data->m_IgnoreKinsoku;
}

void SetHideWindow(bool hide) {
    if (GxUserData* data = AvgBuiltinCall::UserData()) data->m_HideWindowByCommandFlag = hide;
}

} // namespace

AVG_BUILTIN_DEFINE(AvgBuiltinMessage, DLG, 2) {
    if (GxUserData* data = AvgBuiltinCall::UserData()) data->m_LastDialogResult = 0;
    const GxString text = call.Str(0);
    // The whole value is compared, so that no large number wraps into one of
    // the two-button kinds.
    const s64 given = call.IsGiven(1) ? call.Int64(1) : 1;
    const int kind = given == SeqSystem::kDialogOkCancel || given == SeqSystem::kDialogYesNo ? int(given) : 1;
    SeqSystem* system = SeqSystem::Get();
    if (system && system->IsUserDialogOpen()) return call.Fail(u"ダイアログは二重に開けません");
    if (!system) return true;
    GxTaskFolder* listener = nullptr;
    SeqAvgMain* scene = AvgBuiltinCall::MainScene();
    if (scene && scene->GetSeqWorkIndex() >= 0) {
        listener = scene;
    } else if (GxTaskManage* tasks = AvgBuiltinCall::Tasks()) {
        listener = dynamic_cast<GxTaskFolder*>(tasks->GetTopTask());
    }
    system->OpenUserDialog(kDialogKey, listener, text, kind);
    return true;
}

AVG_BUILTIN_DEFINE(AvgBuiltinMessage, MSG, 1) {
    const ReadKey key = MessageKey(call);
    ShowMessage(key, IsRead(key), nullptr, call.Str(0), IgnoreKinsoku(), false);
    return true;
}

AVG_BUILTIN_DEFINE(AvgBuiltinMessage, MSGN, 2) {
    const ReadKey key = MessageKey(call);
    const GxString name = call.Str(0);
    ShowMessage(key, IsRead(key), &name, call.Str(1), IgnoreKinsoku(), false);
    return true;
}

AVG_BUILTIN_DEFINE(AvgBuiltinMessage, MSG_SHOW, 0) {
    (void)call;
    SetHideWindow(false);
    return true;
}

AVG_BUILTIN_DEFINE(AvgBuiltinMessage, MSG_HIDE, 0) {
    (void)call;
    SetHideWindow(true);
    return true;
}

AVG_BUILTIN_DEFINE(AvgBuiltinMessage, MSG_CLEAR, 0) {
    (void)call;
    if (SeqAvgMain* scene = AvgBuiltinCall::MainScene()) scene->ClearMessage();
    return true;
}

AVG_BUILTIN_DEFINE(AvgBuiltinMessage, TEXT, 2) {
    const GxString name = call.Str(0);
    if (call.IsGiven(1)) {
        const GxString written = call.Str(1);
        GxString voice = written;
        const s32 charID = GxFindVoiceCharID(voice);
        if (charID == 0) {
            if (!call.MissingFile(AvgBuiltinCall::Config().m_ErrorStopNotFound_VO, u"ボイスファイルが見つかりません[%s]",
                                  written))
                return false;
        } else {
            GxPlayVoice(0, voice, charID);
        }
    }

    const ReadKey key = MessageKey(call);
    const bool read = IsRead(key);

    // The block's lines follow the statement, up to the closing word.
    std::vector<GxString> lines;
    GxMoaExecStack* stack = call.Stack();
    const GxMoaScript* script = call.Entity() ? call.Entity()->GetScript() : nullptr;
    if (script && stack && !stack->empty()) {
        GxMoaScriptPos& runPos = stack->back().m_ScriptPos;
        GxMoaRunPos pos(runPos.m_Line, runPos.m_Pos);
        for (;;) {
            if (pos.m_Line < 0 || pos.m_Line >= script->GetLineCount()) {
                // No closing word: the worker goes on after the script's end
                // rather than meeting the block's lines again as lines of
                // their own.
                runPos.m_Line = script->GetLineCount();
                runPos.m_Pos = 0;
                break;
            }
            const GxMoaToken* token = script->GetToken(pos);
            const u16 type = token->GetType();
            if (type == kGxTokBuiltin && token->GetStrView() == kEndText) {
                if (script->CheckRunPos(pos.m_Line, pos.m_Pos) != kGxRunPosScriptEnd) {
                    runPos.m_Line = pos.m_Line + 1;
                    runPos.m_Pos = 0;
                }
                break;
            }
            if (type == kGxTokUnknownWord || type == kGxTokString || type == kGxTokText) {
                GxString text;
                lines.push_back(*token->GetStr(&text));
                script->NextToken(&pos);
            } else if (type == kGxTokCommandStart || type == kGxTokScriptEnd) {
                script->NextToken(&pos);
            } else {
                // Nothing else belongs in a block; another builtin's name
                // (a forgotten "endtext") ends it here rather than being
                // met again and again.
                GxString description;
                return call.Fail(u"ENDTEXTに到達する前に処理できないトークンがあります[%s]",
                                 *token->ToDescription(&description));
            }
        }
    }

    GxString message;
    GxJoinStrings(&message, lines, kLineBreak);
    // A block keeps its own lines: no kinsoku rule, no automatic breaks.
    ShowMessage(key, read, &name, message, true, true);
    return true;
}
