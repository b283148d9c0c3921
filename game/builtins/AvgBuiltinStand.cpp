#include "game/builtins/AvgBuiltinStand.h"

#include "base/GxStringUtil.h"
#include "gamedata/DBAvgChar.h"
#include "gamedata/GxDataLookup.h"
#include "gamedata/GxUserData.h"
#include "layers/GxActorActions.h"
#include "layers/GxTaskLayer.h"
#include "layers/GxTaskTreeWalkers.h"
#include "script/GxMoaScript.h"
#include "script/GxMoaScriptEntity.h"
#include "script/GxMoaToken.h"
#include "tasks/GxSystemConfig.h"

#include <vector>

namespace {

constexpr const GxChar* kStandFolder = u"$STAND:SeqAvgMain";
constexpr const GxChar* kBlockEnd = u"endstand";
constexpr const GxChar* kMissingPicture = u"画像ファイルが見つかりません[%s]";

// How a missing layer is reported: the picture commands name the character
// only; the others also suspect a mistyped command.
enum class LayerMessage { Character, Command };

s32 DefaultTime() { return AvgBuiltinCall::Config().m_CharEffectTime; }

// The character's layer under the stand folder, named by argument 0; null,
// reported, when the name is empty or no layer has it.
GxTaskLayer* StandLayer(AvgBuiltinCall& call, LayerMessage kind) {
    const GxString name = call.Str(0);
    if (name.empty()) {
        call.Report(u"レイヤー名がありません");
        return nullptr;
    }
    GxTaskBase* folder = AvgBuiltinCall::FindTask(kStandFolder);
    GxTaskBase* child = folder && (folder->TypeBits & kGxTypeFolder)
                            ? static_cast<GxTaskFolder*>(folder)->FindTaskLocal(name, 0)
                            : nullptr;
    if (child && (child->TypeBits & kGxTypeLayer)) return static_cast<GxTaskLayer*>(child);
    if (kind == LayerMessage::Character)
        call.Report(u"レイヤーが見つかりません。キャラ名[%s]は未定義です", name);
    else
        call.Report(u"レイヤーが見つかりません。命令が間違っているかキャラ名[%s]は未定義です", name);
    return nullptr;
}

// The builtins that only act on the layer: the act when it is found; false
// (reported) when not.
template <class Act>
bool OnLayer(AvgBuiltinCall& call, LayerMessage kind, Act&& act) {
    GxTaskLayer* layer = StandLayer(call, kind);
    if (!layer) return false;
    act(layer);
    return true;
}

// The character table's record of argument 0; null, reported, when no record
// has that name (or the ID it gives lies outside the table).
const DBAvgCharRecord* Character(AvgBuiltinCall& call) {
    const GxString name = call.Str(0);
    const DBAvgCharRecord* record = g_DBAvgChar.GetRecord(GxFindAvgCharIDByName(name.c_str()));
    if (!record) call.Report(u"キャラ名[%s]は未定義です", name);
    return record;
}

// What the picture builtins start from: the layer with its queued actions
// completed (even when the character then proves unknown), the fade time,
// the character and the layer's position before the change.
struct PictureCall {
    GxTaskLayer* layer = nullptr;
    s32 time = 0;
    const DBAvgCharRecord* character = nullptr;
    GxVector4 at;
};
bool BeginPicture(AvgBuiltinCall& call, LayerMessage kind, int timeArg, PictureCall* out) {
    out->layer = StandLayer(call, kind);
    if (!out->layer) return false;
    out->layer->FinishActions();
    out->time = call.Int(timeArg, DefaultTime());
    out->character = Character(call);
    out->layer->GetPos(&out->at);
    return out->character != nullptr;
}

// The picture of a character as an existing file; false, reported, when
// there is none.
bool StandPicture(AvgBuiltinCall& call, const DBAvgCharRecord& character, const GxString& name, GxString* path) {
    *path = character.StandPath + name;
    if (GxResolveImageFile(*path)) return true;
    call.Report(kMissingPicture, *path);
    return false;
}

// The companion picture ("<title>_w") of the first picture goes into the
// current content's sub-layer 0, left hidden; without one that sub-layer is
// emptied, so that an old companion never stands over a new picture.
void LoadCompanion(GxTaskLayer* layer, const DBAvgCharRecord& character, const GxString& firstName) {
    GxSubLayerContent* sub = layer->GetCurrentContent()->GetSubLayerContent(0);
    if (!sub) return;
    GxString path = character.StandPath + GxGetFileTitle(firstName) + u"_w";
    if (GxResolveImageFile(path))
        sub->LoadImage(path);
    else
        sub->Clear();
}

// Places the layer from the align arguments x and y (the current position as
// default, the given size) and sets the order Z when the argument is given.
void Place(AvgBuiltinCall& call, GxTaskLayer* layer, const GxVector4& at, f32 width, f32 height, int xArg,
           int zArg) {
    layer->SetPos(call.AlignX(xArg, at.x, width), call.AlignY(xArg + 1, at.y, height), at.z, 0.0f);
    if (call.IsGiven(zArg)) layer->SetOrderZ(f32(call.Float(zArg)));
}

bool IsBlockEnd(const GxMoaToken& token) {
    return token.GetType() == kGxTokBuiltin && GxEqualsNoCase(token.GetStrView(), kBlockEnd);
}

// Reads the picture names on the lines after the calling statement up to the
// block's end word and moves the calling frame past them, so that the block
// is never run as statements. False, reported, on a token that cannot stand
// in the block: reading stops there rather than stall on it.
bool ReadBlock(AvgBuiltinCall& call, std::vector<GxString>* names) {
    GxMoaExecStack* stack = call.Stack();
    GxMoaScript* script = call.Entity() ? call.Entity()->GetScript() : nullptr;
    if (!stack || stack->empty() || !script) return true;
    GxMoaScriptPos& frame = stack->back().m_ScriptPos;
    GxMoaRunPos pos(frame.m_Line, frame.m_Pos);
    while (script->CheckRunPos(pos.m_Line, pos.m_Pos) != kGxRunPosScriptEnd) {
        const GxMoaToken& token = *script->GetToken(pos);
        const u16 type = token.GetType();
        if (type == kGxTokUnknownWord || type == kGxTokString || type == kGxTokText) {
            names->push_back(GxString(token.GetStrView()));
        } else if (IsBlockEnd(token)) {
            script->NextLine(&pos);
            break;
        } else if (type != kGxTokCommandStart && type != kGxTokScriptEnd) {
            frame.m_Line = pos.m_Line;
            frame.m_Pos = pos.m_Pos;
            GxString what;
            call.Report(u"ENDSTANDに到達する前に処理できないトークンがあります[%s]", *token.ToDescription(&what));
            return false;
        }
        // A place before the script (negative) never moves on: read as ended.
        if (!script->NextToken(&pos) && script->CheckRunPos(pos.m_Line, pos.m_Pos) != kGxRunPosToken) break;
    }
    frame.m_Line = pos.m_Line;
    frame.m_Pos = pos.m_Pos;
    return true;
}

} // namespace

AVG_BUILTIN_DEFINE(AvgBuiltinStand, STAND, 5) {
    PictureCall pic;
    if (!BeginPicture(call, LayerMessage::Character, 4, &pic)) return false;
    std::vector<GxString> names;
    if (!ReadBlock(call, &names)) return false;
    if (names.empty()) {
        pic.layer->StartTransit(pic.time);
        return true;
    }
    std::vector<GxString> paths(names.size());
    for (size_t i = 0; i < names.size(); ++i)
        if (!StandPicture(call, *pic.character, names[i], &paths[i])) return false;
    pic.layer->SetMultiImageContent(paths, pic.time);
    Place(call, pic.layer, pic.at, f32(pic.layer->GetContentWidth()), f32(pic.layer->GetContentHeight()), 1, 3);
    LoadCompanion(pic.layer, *pic.character, names[0]);
    return true;
}

AVG_BUILTIN_DEFINE(AvgBuiltinStand, SP_LCG, 6) {
    PictureCall pic;
    if (!BeginPicture(call, LayerMessage::Command, 5, &pic)) return false;
    GxTaskLayer* layer = pic.layer;
    f32 width = f32(layer->GetContentWidth()), height = f32(layer->GetContentHeight());
    if (!call.IsGiven(1)) {
        layer->StartTransit(pic.time);
    } else {
        const GxString name = call.Str(1);
        GxString path;
        if (!StandPicture(call, *pic.character, name, &path)) return false;
        layer->SetMultiImageContent({path}, pic.time);
        width = f32(layer->GetContentWidth());
        height = f32(layer->GetContentHeight());
        LoadCompanion(layer, *pic.character, name);
    }
    Place(call, layer, pic.at, width, height, 2, 4);
    return true;
}

AVG_BUILTIN_DEFINE(AvgBuiltinStand, SP_LNC, 7) {
    PictureCall pic;
    if (!BeginPicture(call, LayerMessage::Command, 6, &pic)) return false;
    if (!call.IsGiven(2)) {
        pic.layer->StartTransit(pic.time);
    } else {
        const GxSystemConfig& config = AvgBuiltinCall::Config();
        GxString path = config.m_FolderNames[kGxFolderGnc] + pic.character->NCProjFileName;
        if (!GxResolveProjectFile(path)) return call.Fail(u"NCProjファイルが見つかりません[%s]", path);
        if (!pic.layer->SetProjectContent(path, config.m_FolderNames[kGxFolderGncGis], call.Str(1, GxString()),
                                          call.Str(2), 0, pic.time))
            return call.Fail(u"モーショングループが存在しないか読み込みミスです");
    }
    pic.layer->SetPos(f32(call.Float(3, pic.at.x)), f32(call.Float(4, pic.at.y)), pic.at.z, 0.0f);
    if (call.IsGiven(5)) pic.layer->SetOrderZ(f32(call.Float(5)));
    return true;
}

AVG_BUILTIN_DEFINE(AvgBuiltinStand, SP_COLOR, 2) {
    return OnLayer(call, LayerMessage::Character, [&](GxTaskLayer* l) { l->SetColorARGB(call.Colour(1, 0xFFFFFF)); });
}

AVG_BUILTIN_DEFINE(AvgBuiltinStand, SP_ALPHA, 2) {
    return OnLayer(call, LayerMessage::Character, [&](GxTaskLayer* l) { l->SetAlpha(call.Int(1, 255)); });
}

AVG_BUILTIN_DEFINE(AvgBuiltinStand, SP_BLEND, 2) {
    return OnLayer(call, LayerMessage::Character, [&](GxTaskLayer* l) { l->SetBlendMode(call.Int(1, 2)); });
}

AVG_BUILTIN_DEFINE(AvgBuiltinStand, SP_WA, 3) {
    return OnLayer(call, LayerMessage::Command, [&](GxTaskLayer* l) {
        // An idle layer sets no hold, and the window stays as it is.
        if (l->IsActionFinished() && !l->IsTransiting()) return;
        call.HideWindowIfAsked(1);
        if (GxUserData* data = AvgBuiltinCall::UserData()) {
            data->m_Hold_EndOfLayerActionSeparate = call.WaitFlags(2);
            data->m_Hold_EndOfLayerActionSeparate_LayerName = l->GetTaskLocalName();
        }
    });
}

AVG_BUILTIN_DEFINE(AvgBuiltinStand, SP_SHAKE, 4) {
    return OnLayer(call, LayerMessage::Command, [&](GxTaskLayer* l) {
        const f32 amplitude[4] = {f32(call.Int(2)), f32(call.Int(3)), 0.0f, 0.0f};
        l->StartShake(amplitude, call.Int(1, DefaultTime()));
    });
}

AVG_BUILTIN_DEFINE(AvgBuiltinStand, SP_SHAKE_END, 1) {
    return OnLayer(call, LayerMessage::Command, [](GxTaskLayer* l) { l->StopShake(); });
}

AVG_BUILTIN_DEFINE(AvgBuiltinStand, SP_SUB, 3) {
    GxTaskLayer* layer = StandLayer(call, LayerMessage::Command);
    if (!layer) return false;
    const DBAvgCharRecord* character = Character(call);
    if (!character) return false;
    // A sub-layer the content does not have is reported and the command
    // skipped; the script goes on.
    GxLayerContent* content = layer->GetCurrentContent();
    s32 index = 0;
    if (!call.InRange(1, 0, content->GetSubLayerCount() - 1, &index)) {
        call.Report(u"サブレイヤーの番号が範囲外です[%I64d]", call.Int64(1));
        return true;
    }
    GxSubLayerContent* sub = content->GetSubLayerContent(index);
    if (!call.IsGiven(2)) {
        sub->Clear();
        return true;
    }
    GxString path;
    if (!StandPicture(call, *character, call.Str(2), &path)) return false;
    sub->LoadImage(path);
    return true;
}

AVG_BUILTIN_DEFINE(AvgBuiltinStand, SP_CLEARALL, 1) {
    const s32 time = call.Int(0, DefaultTime());
    GxTaskBase* folder = AvgBuiltinCall::FindTask(kStandFolder);
    if (!folder) return true;
    GxStartLayerTransitList(folder->GetFirstChild(), time, 0);
    if (folder->TypeBits & kGxTypeLayer) static_cast<GxTaskLayer*>(folder)->StartTransit(time);
    return true;
}

AVG_BUILTIN_DEFINE(AvgBuiltinStand, SP_ACT_MOVE, 5) {
    return OnLayer(call, LayerMessage::Command, [&](GxTaskLayer* l) {
        GxVector4 at;
        l->GetPos(&at);
        const f32 target[4] = {call.AlignX(1, at.x, f32(l->GetContentWidth())),
                               call.AlignY(2, at.y, f32(l->GetContentHeight())), at.z, 0.0f};
        l->m_ActionPause = false;
        GxAddActionMove(target, call.Int(3, 0), l, u32(call.Int(4, 1)));
    });
}

AVG_BUILTIN_DEFINE(AvgBuiltinStand, SP_ACT_FINISH, 1) {
    return OnLayer(call, LayerMessage::Command, [](GxTaskLayer* l) { l->FinishActions(); });
}
