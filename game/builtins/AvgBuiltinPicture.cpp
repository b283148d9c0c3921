#include "game/builtins/AvgBuiltinPicture.h"

#include "base/GxStringUtil.h"
#include "game/scenes/SeqAvgMain.h"
#include "gamedata/DBCGMode.h"
#include "gamedata/GxDataLookup.h"
#include "gamedata/GxUserData.h"
#include "gamedata/GxUserDataPerman.h"
#include "layers/GxActorActions.h"
#include "layers/GxTaskLayer.h"
#include "layers/GxTaskTreeWalkers.h"
#include "script/GxMoaVariable.h"
#include "tasks/GxSystemConfig.h"

namespace {

constexpr const GxChar* kBgLayer = u"$BGLAYER:SeqAvgMain";
constexpr const GxChar* kBgwLayer = u"$BGWLAYER:SeqAvgMain";
constexpr const GxChar* kStand = u"$STAND:SeqAvgMain";
constexpr u32 kWhite = 0xFFFFFF;
// Moves of the background ease as the scenes' own moves do.
constexpr u32 kMoveInterMode = 1;

// What tells a background from an event picture: the folder, the developer
// switch for a missing file, and the messages (an event picture's carry the
// path).
struct PictureKind {
    GxSystemFolder folder;
    bool GxSystemConfig::*stopSwitch;
    const GxChar* notFound;
    const GxChar* ruleNotFound;
    bool event;
};

constexpr PictureKind kBackground = {kGxFolderCGBG, &GxSystemConfig::m_ErrorStopNotFound_BG,
                                     u"画像ファイルが見つかりません", u"トランジション画像ファイルが見つかりません",
                                     false};
constexpr PictureKind kEvent = {kGxFolderCGEV, &GxSystemConfig::m_ErrorStopNotFound_EV,
                                u"画像ファイルが見つかりません[%s]",
                                u"トランジション画像ファイルが見つかりません[%s]", true};

// The gallery learns that the picture has been seen.
void RecordSeen(const GxString& path) {
    s32 record = 0, file = 0;
    GxUserDataPerman* perman = AvgBuiltinCall::Perman();
    if (!perman || !GxFindCGModeFile(record, file, path)) return;
    if (const DBCGModeRecord* entry = g_DBCGMode.GetRecord(record)) perman->SetShowedCG(entry->FileName[file]);
}

// The event picture's wide variant, hidden until the scene shows it; none
// found leaves the wide layer empty.
void LoadWidePicture(AvgBuiltinCall& call, GxTaskLayer* wide, const GxString& folder) {
    GxString path = folder + (call.IsGiven(7) ? GxGetFileTitle(call.Str(7)) : GxGetFileTitle(call.Str(0)) + u"_w");
    if (GxResolveImageFile(path)) {
        wide->SetFlexImageContent(path, 0);
        wide->Hide();
    } else {
        wide->ClearContent();
    }
}

bool SwitchPicture(AvgBuiltinCall& call, const PictureKind& kind) {
    const GxSystemConfig& config = AvgBuiltinCall::Config();
    SeqAvgMain* scene = AvgBuiltinCall::MainScene();
    if (!scene) return call.MissingTask(u"SeqAvgMain");
    GxTaskLayer* wide = AvgBuiltinCall::FindLayer(kBgwLayer);
    if (!wide) return call.MissingTask(kBgwLayer);
    GxTaskLayer* bg = AvgBuiltinCall::FindLayer(kBgLayer);
    if (!bg) return call.MissingTask(kBgLayer);
    if (!kind.event) wide->ClearContent();
    bg->FinishActions();

    if (!call.IsGiven(0)) return call.Fail(u"画像ファイルを指定してください");
    GxString path = config.m_FolderNames[kind.folder] + call.Str(0);
    // Without the switch the unresolved path goes to the layer, which then
    // shows nothing.
    if (!GxResolveImageFile(path) && !call.MissingFile(config.*kind.stopSwitch, kind.notFound, path)) return false;
    if (kind.event) {
        RecordSeen(path);
        LoadWidePicture(call, wide, config.m_FolderNames[kind.folder]);
    }

    // Only a left-out time takes the default: an empty text means no
    // transition at all.
    const GxMoaVariable* timeArg = call.Arg(1);
    const s32 time = !timeArg || timeArg->IsNull() ? config.m_ScreenEffectTime : timeArg->ToInt();

    GxString rule;
    if (call.IsGiven(2)) {
        rule = config.m_FolderNames[kGxFolderCGTR] + call.Str(2);
        if (!GxResolveImageFile(rule)) return call.Fail(kind.ruleNotFound, rule);
    }
    if (time > 0) scene->CaptureScreen();

    GxVector4 pos;
    bg->GetPos(&pos);
    bg->SetPos(f32(call.Float(3, 0.0)), f32(call.Float(4, 0.0)), pos.z, 0.0f);
    const u32 colour = call.Colour(5, kWhite);
    const bool clearStands = !call.IsGiven(6) || call.Int(6) == 0;

    if (time > 0) {
        scene->StartBgTransit(path.c_str(), rule.c_str(), time, clearStands);
    } else {
        if (clearStands)
            if (GxTaskBase* stand = AvgBuiltinCall::FindTask(kStand)) GxClearLayerTree(stand);
        bg->SetFlexImageContent(path, 0);
    }
    bg->SetColorARGB(colour);
    return true;
}

void HideWindowForPicture() {
    if (GxUserData* data = AvgBuiltinCall::UserData()) data->m_HideWindowByCommandFlag = true;
}

} // namespace

AVG_BUILTIN_DEFINE(AvgBuiltinPicture, BG, 7) {
    HideWindowForPicture();
    return SwitchPicture(call, kBackground);
}

AVG_BUILTIN_DEFINE(AvgBuiltinPicture, BG_SW, 7) { return SwitchPicture(call, kBackground); }

AVG_BUILTIN_DEFINE(AvgBuiltinPicture, BG_COLOR, 1) {
    GxTaskLayer* bg = AvgBuiltinCall::FindLayer(kBgLayer);
    if (!bg) return call.MissingTask(kBgLayer);
    bg->SetColorARGB(call.Colour(0, kWhite));
    return true;
}

AVG_BUILTIN_DEFINE(AvgBuiltinPicture, BG_ACT_MOVE, 3) {
    GxTaskLayer* bg = AvgBuiltinCall::FindLayer(kBgLayer);
    if (!bg) return call.MissingTask(kBgLayer);
    GxVector4 pos;
    bg->GetPos(&pos);
    const f32 target[4] = {f32(call.Float(0)), f32(call.Float(1)), pos.z, pos.w};
    bg->m_ActionPause = false;
    GxAddActionMove(target, call.Int(2, 0), bg, kMoveInterMode);
    return true;
}

AVG_BUILTIN_DEFINE(AvgBuiltinPicture, BG_WA, 2) {
    call.HoldForLayer(kBgLayer);
    return true;
}

AVG_BUILTIN_DEFINE(AvgBuiltinPicture, EV, 8) {
    HideWindowForPicture();
    return SwitchPicture(call, kEvent);
}

AVG_BUILTIN_DEFINE(AvgBuiltinPicture, EV_SW, 8) { return SwitchPicture(call, kEvent); }
