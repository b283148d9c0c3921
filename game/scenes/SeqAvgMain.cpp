#include "game/scenes/SeqAvgMain.h"

#include "base/GxLog.h"
#include "base/GxStringUtil.h"
#include "game/AvgTaskProxyMain.h"
#include "game/GxGameSound.h"
#include "game/GxGlobalRenderTargets.h"
#include "game/SeqSystem.h"
#include "game/scenes/GxSeqMenuBase.h"
#include "gamedata/DBAvgChar.h"
#include "gamedata/DBUIModule.h"
#include "gamedata/GxDataLookup.h"
#include "gamedata/GxSaveSlot.h"
#include "gamedata/GxUserConfig.h"
#include "gamedata/GxUserData.h"
#include "gamedata/GxUserDataPerman.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxRenderState.h"
#include "graphics/GxTexture.h"
#include "layers/GxActorActions.h"
#include "layers/GxLerp.h"
#include "layers/GxTaskLayer.h"
#include "layers/GxTaskTreeWalkers.h"
#include "media/movie/GxMovie.h"
#include "platform/window/keys.h"
#include "script/GxMoaEx.h"
#include "script/GxMoaSystem.h"
#include "script/GxMoaWorkerEx.h"
#include "tasks/GxCoreBase.h"
#include "tasks/GxSystemConfig.h"
#include "tasks/GxTaskManage.h"
#include "ui/DBUILayoutRecord.h"
#include "ui/GxTaskUIMessageWindowFx.h"
#include "ui/GxTaskUITextButtonIs.h"
#include "ui/GxUIManage.h"

#include <algorithm>

namespace {

constexpr const GxChar* kSceneName = u"SeqAvgMain";
constexpr const GxChar* kRoot = u"$ROOT:SeqAvgMain";
constexpr const GxChar* kVisual = u"$VISUAL:SeqAvgMain";
constexpr const GxChar* kBgLayer = u"$BGLAYER:SeqAvgMain";
constexpr const GxChar* kBgwLayer = u"$BGWLAYER:SeqAvgMain";
constexpr const GxChar* kMovieLayer = u"$MOVIELAYER:SeqAvgMain";
constexpr const GxChar* kFlash = u"$GLOBALFLASH:SeqAvgMain";
constexpr const GxChar* kFade = u"$GLOBALFADE:SeqAvgMain";
constexpr const GxChar* kStand = u"$STAND:SeqAvgMain";
constexpr const GxChar* kUI = u"$UI:SeqAvgMain";
constexpr const GxChar* kMessageWindow = u"$MESWIN:SeqAvgMain";
constexpr const GxChar* kNameWindow = u"$NAMEWIN:SeqAvgMain";
constexpr const GxChar* kNameImage = u"$NAMEIMAGE:SeqAvgMain";
constexpr const GxChar* kSelect = u"$SELECT:SeqAvgMain";
constexpr const GxChar* kBgTransit = u"$BGTRANSIT:SeqAvgMain";
constexpr const GxChar* kChoiceModule = u"btn_select0";
constexpr const GxChar* kChoiceButton = u"btn_select";
constexpr const GxChar* kMessageModule = u"tip_msgwindow";
constexpr const GxChar* kNameModule = u"tip_namewindow";

constexpr f32 kBgZ = -100.0f;
constexpr f32 kBgwZ = -10.0f;
constexpr f32 kMovieZ = -20.0f;
constexpr f32 kStandZ = 5000.0f;
constexpr f32 kFlashZ = 10000.0f;
constexpr f32 kFadeZ = 10001.0f;
constexpr f32 kChoiceZ = 16000.0f;
constexpr f32 kBgTransitZ = 20000.0f;
constexpr s32 kBlendAlpha = 2;
constexpr s32 kBlendAdd = 3;
constexpr s32 kScreenWidth = 1024;
constexpr s32 kScreenHeight = 768;

// Which input may cut a hold short.
constexpr s32 kInputClick = 2;
constexpr s32 kInputSkip = 8;

// The choices' entrance and exit.
constexpr s32 kChoiceFadeMs = 200;
constexpr s32 kChoiceStaggerMs = 50;
constexpr s32 kChosenWaitMs = 400;
constexpr f32 kChoiceSlide = 32.0f;
constexpr f32 kChoiceGap = 10.0f;

constexpr s32 kWheelNotch = 120;
constexpr u32 kVoiceFadeMs = 500;


GxUserData* Data() { return GxUserData::Get(); }
GxUserConfig* Settings() { return GxUserConfig::Get(); }
GxUIManage* UI() { return GxUIManage::Get(); }

const GxSystemConfig& Config() {
    static const GxSystemConfig defaults;
    GxCoreBase* core = GxCoreBase::GetCoreBase();
    const GxSystemConfig* config = core ? core->GetSystemConfig() : nullptr;
    return config ? *config : defaults;
}

GxTaskFolder* AsFolder(GxTaskBase* task) {
    return task && (task->TypeBits & kGxTypeFolder) ? static_cast<GxTaskFolder*>(task) : nullptr;
}

GxTaskLayer* AsLayer(GxTaskBase* task) {
    return task && (task->TypeBits & kGxTypeLayer) ? static_cast<GxTaskLayer*>(task) : nullptr;
}

GxTaskActor* AsActor(GxTaskBase* task) {
    return task && (task->TypeBits & kGxTypeActor) ? static_cast<GxTaskActor*>(task) : nullptr;
}

// Drops the layer's actions and visual settings and empties it.
void ResetLayer(GxTaskLayer* layer, f32 z, bool visible) {
    if (!layer) return;
    layer->ClearActions();
    layer->GetVisualParam().Reset();
    layer->ClearContent();
    layer->SetOrderZ(z);
    visible ? layer->Show() : layer->Hide();
}

// The characters that have a stand layer: named, and not "*".
template <class F>
void ForEachStandCharacter(F&& f) {
    for (s32 id = 0; id < DBAvgChar::kCapacity; ++id) {
        const GxString& name = g_DBAvgChar.GetRecord(id)->CharName;
        if (!name.empty() && name != u"*") f(name);
    }
}

const DBUIModuleRecord* FindModule(const GxChar* name) {
    const s32 id = g_DBUIModule.FindNameMap(name, 0);
    const DBUIModuleRecord* module = id != 0 ? g_DBUIModule.GetRecord(id) : nullptr;
    if (!module) GxWriteErrorLog(u"UIモジュールデータ[%s]が見つかりません:%s\n", name, kSceneName);
    return module;
}

} // namespace

// ---- construction ------------------------------------------------------------

SeqAvgMain::SeqAvgMain(GxTaskBase* parent) : GxSeqTransitBase(parent, kSceneName) {
    auto* root = new GxTaskFolder(this, kRoot);
    auto* visual = new GxTaskLayer(root, kVisual);
    auto* bg = new GxTaskLayer(visual, kBgLayer);
    bg->SetOrderZ(kBgZ);
    bg->SetBlendMode(kBlendAlpha);
    auto* bgw = new GxTaskLayer(bg, kBgwLayer);
    bgw->SetOrderZ(kBgwZ);
    bgw->Hide();
    bgw->SetBlendMode(kBlendAlpha);
    auto* movie = new GxTaskLayer(visual, kMovieLayer);
    movie->SetOrderZ(kMovieZ);
    movie->SetMovieAutoDisappearTime(Config().m_MovieAutoDisappearTime);
    movie->SetBlendMode(kBlendAlpha);
    auto* flash = new GxTaskLayer(visual, kFlash);
    flash->SetOrderZ(kFlashZ);
    flash->SetColorContent(0xFFFFFFFF, 0);
    flash->SetAlpha(0);
    flash->SetBlendMode(kBlendAdd);
    auto* fade = new GxTaskLayer(visual, kFade);
    fade->SetOrderZ(kFadeZ);
    fade->SetColorContent(0xFF000000, 0);
    fade->SetAlpha(0);
    fade->SetBlendMode(kBlendAlpha);
    CreateStandLayers(new GxTaskFolder(visual, kStand));

    auto* ui = new GxTaskFolder(root, kUI);
    const s32 opacity = Settings() ? Settings()->m_TextWindowOpacity : 255;
    if (const DBUILayoutRecord* layout = GxFindUILayoutByTaskName(kMessageWindow)) {
        GxTaskUIBase* window = GxTaskUIBase::FromTask(LoadUIModule(ui, layout, kMessageWindow, -1));
        m_MessageWindow = dynamic_cast<GxTaskUIMessageWindowFx*>(window);
        if (window) {
            window->SetImageAlpha(opacity);
            window->SetEventBlockFlag(false);
            if (m_MessageWindow) m_MessageWindow->SetLetterMarginWidth(Config().m_MesWinLetterMarginWidth);
            if (GxUIManage* manage = UI()) manage->CreateUIFromLayout(kMessageWindow, window, this);
        }
    }
    if (const DBUILayoutRecord* layout = GxFindUILayoutByTaskName(kNameWindow)) {
        m_NameWindow = GxTaskUIBase::FromTask(LoadUIModule(ui, layout, kNameWindow, -1));
        if (m_NameWindow) {
            m_NameWindow->SetImageAlpha(opacity);
            m_NameWindow->SetEventBlockFlag(false);
            m_NameWindow->Hide();
        }
    }
    // Without its window the name image still stands, so that saving and
    // loading find it.
    m_NameImage = new GxTaskLayer(m_NameWindow ? static_cast<GxTaskBase*>(m_NameWindow) : ui, kNameImage);
    m_NameImage->SetOrderZ((m_NameWindow ? m_NameWindow->GetOrderZ() : 0.0f) + 1.0f);
    m_NameImage->Hide();
    CreateChoiceButtons(new GxTaskFolder(ui, kSelect));

    auto* transit = new GxTaskLayer(root, kBgTransit);
    transit->SetOrderZ(kBgTransitZ);
    transit->SetRenderTextureContent(kScreenWidth, kScreenHeight, 0);
    transit->Hide();
    m_Proxy = new AvgTaskProxyMain(root);
    HideStandSubLayers();
    SetAcceptUIEventFlag(true);
}

SeqAvgMain::~SeqAvgMain() = default;

void SeqAvgMain::CreateStandLayers(GxTaskBase* standTask) {
    auto* stand = static_cast<GxTaskFolder*>(standTask);
    ForEachStandCharacter([&](const GxString& name) {
        if (stand->FindTaskLocal(name, 0)) {
            GxWriteErrorLog(u"立ち絵レイヤー名 [%s] は既に使用されているため作成できません\n", name);
            return;
        }
        auto* layer = new GxTaskLayer(stand, nullptr, name.c_str());
        layer->SetOrderZ(kStandZ);
        layer->GetCurrentContent()->CreateSubLayerContents(1);
        layer->GetBackContent()->CreateSubLayerContents(1);
        layer->SetBlendMode(kBlendAlpha);
    });
}

void SeqAvgMain::CreateChoiceButtons(GxTaskBase* folder) {
    const DBUIModuleRecord* module = FindModule(kChoiceModule);
    if (!module) return;
    for (s32 i = 1; i <= ChoiceCount(); ++i) {
        GxTaskUIBase* button = GxTaskUIBase::FromTask(CreateUIWidget(folder, module, kChoiceButton, i));
        if (!button) continue;
        button->SetOrderZ(kChoiceZ);
        button->Hide();
    }
}

SeqAvgMain* SeqAvgMain::Find() {
    GxCoreBase* core = GxCoreBase::GetCoreBase();
    GxTaskManage* tm = core ? core->GetTaskManage() : nullptr;
    return tm ? dynamic_cast<SeqAvgMain*>(tm->FindTaskName(kSceneName)) : nullptr;
}

GxTaskBase* SeqAvgMain::FindTask(const GxChar* taskName) const {
    return m_Manager ? m_Manager->FindTaskName(taskName) : nullptr;
}

GxTaskLayer* SeqAvgMain::FindLayer(const GxChar* taskName) const { return AsLayer(FindTask(taskName)); }

s32 SeqAvgMain::ChoiceCount() const {
    const GxUserData* data = Data();
    return data ? s32(data->m_SelectMenuItemList.size()) - 1 : std::max(Config().m_ChoiceCount, 0);
}

GxTaskUIBase* SeqAvgMain::GetChoiceButton(s32 index) const {
    GxTaskFolder* folder = AsFolder(FindTask(kSelect));
    return folder ? GxTaskUIBase::FromTask(folder->FindTaskLocal(kChoiceButton, index)) : nullptr;
}

GxTaskUIBase* SeqAvgMain::GetPlayButton(const GxChar* name) const {
    return m_MessageWindow ? GxTaskUIBase::FromTask(m_MessageWindow->FindTaskLocal(name, 0)) : nullptr;
}

GxTaskLayer* SeqAvgMain::FindWaitLayer(const GxString& name) const {
    if (name.empty()) return nullptr;
    if (name[0] == u'$') return AsLayer(m_Manager ? m_Manager->FindTaskNameStr(name) : nullptr);
    GxTaskFolder* stand = AsFolder(FindTask(kStand));
    return stand ? AsLayer(stand->FindTaskLocal(name, 0)) : nullptr;
}

// ---- the sequence --------------------------------------------------------------

void SeqAvgMain::OnStartSequence(int workerIndex) {
    GxSeqTransitBase::OnStartSequence(workerIndex);
    m_BgTransit = GxTransitParam();
    GxUserData* data = Data();
    if (data) data->SetRestoreSequence(kSceneName);
    const bool replay = data && data->m_ReplayMode;
    for (const GxChar* name : {u"btn_save", u"btn_load", u"btn_qsave", u"btn_qload"})
        if (GxTaskUIBase* button = GetPlayButton(name)) replay ? button->Hide() : button->Show();
    if (GxTaskUIBase* end = GetPlayButton(u"btn_rend")) replay ? end->Show() : end->Hide();
    // A loaded message may stand at another wait than the one left.
    UpdateWaitIcon();
}

void SeqAvgMain::UpdateWaitIcon() {
    if (GxTaskUIBase* icon = GetPlayButton(u"icon_wait")) m_MessageWindow->IsClickWaiting() ? icon->Show() : icon->Hide();
}

void SeqAvgMain::OnEndSequence(int workerIndex) {
    EndBgTransit();
    if (GxTaskBase* select = FindTask(kSelect)) GxFinishActorActionsTree(select);
    GxSeqTransitBase::OnEndSequence(workerIndex);
    if (GxUIManage* ui = UI()) ui->m_HideWindowFlag = false;
}

int SeqAvgMain::Update(int step, s64 elapsed) {
    GxUIManage* ui = UI();
    const s32 elapsedMs = s32(std::clamp<s64>(elapsed / 1000, 0, 0x7FFFFFFF));
    if (step == 0) {
        GxCoreBase* core = GetCore();
        if ((core && core->IsWindowActive() && GxSeqMenuBase::IsControlHeld()) || (ui && ui->m_SkipMode)) Skip();
    }
    if (ui && ui->m_AutoMode) Auto(elapsedMs);
    if (m_BgTransit.m_Transit) {
        m_BgTransit.m_TransitTimeLeft -= std::min(elapsedMs, m_BgTransit.m_TransitTimeLeft);
        if (m_BgTransit.m_TransitTimeLeft <= 0) EndBgTransit();
    }
    UpdateWaits(elapsed);
    UpdateWaitIcon();
    const GxUserData* data = Data();
    if (data && data->m_ReplayMode && !(g_pMoaMainWorker() && g_pMoaMainWorker()->IsRunning())) {
        ChangeSequence(u"SeqRPMode");
        return 0;
    }
    if (ProcessUIEvents(nullptr) == 0 && g_pMoaMainWorker() && g_pMoaFunctionBinder())
        while (IsScriptRunnable())
            if (!g_pMoaMainWorker()->Step(g_pMoaFunctionBinder())) break;
    ++m_FrameCount;
    return 0;
}

int SeqAvgMain::Render(int drawParam, int listIndex) {
    if (drawParam != 0) return GxSeqTransitBase::Render(drawParam, listIndex);
    ClearScreen();
    if (!m_BgTransit.m_Transit || !GxGraphics::BeginScene()) return 0;
    GxSetDefaultRenderStates();
    if (GxTaskLayer* transit = FindLayer(kBgTransit))
        GxComposeRuleTransition(transit->GetCurrentContent()->GetImageTexture(), m_BgTransit.GetProgress());
    GxGraphics::EndScene();
    return 0;
}

void SeqAvgMain::ChangeSequence(const GxChar* name) {
    if (m_Manager) m_Manager->ChangeSequenceByName(name, m_SeqWorkIndex, 0, 0);
}

// ---- what may run ----------------------------------------------------------------

bool SeqAvgMain::WindowsHidden() const {
    const GxUIManage* ui = UI();
    return ui && ui->m_HideWindowFlag;
}

void SeqAvgMain::ShowWindows() {
    if (GxUIManage* ui = UI()) ui->m_HideWindowFlag = false;
}

void SeqAvgMain::HideWindows() {
    if (GxUIManage* ui = UI()) ui->m_HideWindowFlag = true;
}

bool SeqAvgMain::IsScriptRunnable() {
    const GxUIManage* ui = UI();
    const GxUserData* data = Data();
    if (WindowsHidden() || (ui && ui->m_ModalLevel != 0) || !data || data->m_IsSelecting) return false;
    if (GxTaskBase* select = FindTask(kSelect); select && GxIsActorActionTree(select)) return false;
    if (GxTaskActor* fade = AsActor(FindTask(kFade)); fade && !fade->IsActionFinished()) return false;
    if (!m_Manager || m_Manager->IsSequenceChangePending()) return false;
    const GxSeqWorker* worker = m_Manager->GetSeqWorker(m_SeqWorkIndex);
    if (!worker || !worker->m_MainStarted || IsTransiting() || IsBgTransiting()) return false;
    if (m_MessageWindow && (m_MessageWindow->IsClickWaiting() || m_MessageWindow->IsTimeWaiting() ||
                            m_MessageWindow->GetRemainingChars() != 0))
        return false;
    return data->m_Hold_WaitClick == 0 && data->m_Hold_WaitTime == 0 && data->m_Hold_EndOfMovie == 0 &&
           data->m_Hold_EndOfLayerActionAll == 0 && data->m_Hold_EndOfLayerActionSeparate == 0 &&
           data->m_Hold_EndOfBGM == 0 && data->m_Hold_EndOfBGV == 0 && data->m_Hold_EndOfSE == 0 &&
           data->m_Hold_EndOfVoice == 0;
}

bool SeqAvgMain::IsUIWidgetActive(GxTaskBase* widget) {
    if (WindowsHidden()) return false;
    const GxUserData* data = Data();
    if (data && data->m_HideWindowByCommandFlag && widget) {
        const auto isWindow = [](const GxTaskBase* t) {
            return t && (t->GetTaskName() == kMessageWindow || t->GetTaskName() == kNameWindow);
        };
        if (isWindow(widget) || isWindow(widget->GetParent())) return false;
    }
    if (IsBgTransiting()) return false;
    return GxSeqTransitBase::IsUIWidgetActive(widget);
}

bool SeqAvgMain::IsUIBlockClear(int block) {
    const GxUIManage* ui = UI();
    const GxUserData* data = Data();
    if (WindowsHidden() || (ui && ui->m_ModalLevel != 0) || !m_Manager || m_Manager->IsSequenceChangePending())
        return false;
    const GxSeqWorker* worker = m_Manager->GetSeqWorker(m_SeqWorkIndex);
    if (!worker || !worker->m_MainStarted || IsTransiting() || IsBgTransiting()) return false;
    if (data && data->m_Hold_WaitTime != 0) return false;
    switch (block) {
    case 1: return GxSeqTransitBase::IsUIBlock1Clear();
    case 2: return GxSeqTransitBase::IsUIBlock2Clear();
    default: return GxSeqTransitBase::IsUIBlock3Clear();
    }
}

bool SeqAvgMain::IsUIBlock1Clear() { return IsUIBlockClear(1); }
bool SeqAvgMain::IsUIBlock2Clear() { return IsUIBlockClear(2); }
bool SeqAvgMain::IsUIBlock3Clear() { return IsUIBlockClear(3); }

// ---- skip, auto and the holds ----------------------------------------------------

bool SeqAvgMain::ClickMessage(bool stopVoices) {
    if (!m_MessageWindow || !m_MessageWindow->OnClick()) return false;
    if (GxUserData* data = Data()) data->ClearCurrentVoices();
    if (stopVoices && !(Settings() && Settings()->m_VoiceStopTiming)) GxStopAllVoices();
    return true;
}

void SeqAvgMain::Skip() {
    GxCoreBase* core = GetCore();
    if (WindowsHidden() || (core && core->IsWindowMinimized())) return;
    const bool skipUnread = Settings() && Settings()->m_AllowSkipUnreadText;
    if (GxTaskUIMessageWindowFx* w = m_MessageWindow) {
        // Unread text stops skip altogether, unless the player allows it.
        const bool read = w->IsReaded() || m_LoadedMessageRead;
        if (w->GetRemainingChars() != 0) {
            if (!read && !skipUnread) return;
            // Through the click waits inside the message: stopping at them
            // would hold skip at the first one for ever.
            w->RevealAll(true, false);
        } else if (w->IsClickWaiting()) {
            if (!read && !skipUnread) return;
            ClickMessage(false);
        }
    }
    while (EndWaitByInput(kInputSkip)) {
    }
    const GxUserData* data = Data();
    if (data && data->m_Hold_EndOfLayerActionAll == 0 && data->m_Hold_EndOfLayerActionSeparate == 0) {
        if (GxTaskBase* root = FindTask(kRoot)) GxFinishLayerTransitTree(root);
        if (GxTaskBase* visual = FindTask(kVisual)) GxFinishActorActionsTree(visual);
    }
    EndBgTransit();
}

void SeqAvgMain::Auto(s32 elapsedMs) {
    GxUIManage* ui = UI();
    if (WindowsHidden() || !ui || !m_MessageWindow) return;
    const s32 wait = Settings() ? Settings()->m_AutoWaitTime : 0;
    if (!m_MessageWindow->IsClickWaiting()) {
        ui->m_AutoWaitTime = wait;
        return;
    }
    ui->m_AutoWaitTime = s32(std::max<s64>(s64(ui->m_AutoWaitTime) - elapsedMs, INT32_MIN));
    if (ui->m_AutoWaitTime >= 1) return;
    if (GxIsVoicePlaying() && Settings() && Settings()->m_WaitVoiceEndOnAutoMode) {
        ui->m_AutoWaitTime = 0;
        return;
    }
    ui->m_AutoWaitTime = wait;
    ClickMessage(true);
}

bool SeqAvgMain::EndWaitByInput(s32 input) {
    GxUserData* data = Data();
    if (!data) return false;
    if (data->m_Hold_WaitClick & input) {
        data->m_Hold_WaitClick = 0;
    } else if (data->m_Hold_WaitTime & input) {
        data->m_Hold_WaitTime = 0;
        data->m_Hold_WaitTime_TimeLeft = 0;
    } else if (data->m_Hold_EndOfMovie & input) {
        if (GxTaskLayer* movie = FindLayer(kMovieLayer)) movie->StopMovie();
        data->m_Hold_EndOfMovie = 0;
    } else if (data->m_Hold_EndOfLayerActionAll & input) {
        if (GxTaskBase* visual = FindTask(kVisual)) {
            GxFinishActorActionsTree(visual);
            GxFinishLayerTransitTree(visual);
        }
        data->m_Hold_EndOfLayerActionAll = 0;
    } else if (data->m_Hold_EndOfLayerActionSeparate & input) {
        if (GxTaskLayer* layer = FindWaitLayer(data->m_Hold_EndOfLayerActionSeparate_LayerName)) {
            layer->FinishActions();
            layer->FinishTransit();
        }
        data->m_Hold_EndOfLayerActionSeparate_LayerName.clear();
        data->m_Hold_EndOfLayerActionSeparate = 0;
    } else if (data->m_Hold_EndOfBGM & input) {
        GxStopBgm(0);
        data->m_Hold_EndOfBGM = 0;
    } else if (data->m_Hold_EndOfBGV & input) {
        GxStopBgv(0);
        data->m_Hold_EndOfBGV = 0;
    } else if (data->m_Hold_EndOfSE & input) {
        GxStopAllSe();
        data->m_Hold_EndOfSE = 0;
    } else if (data->m_Hold_EndOfVoice & input) {
        GxStopAllVoices();
        data->m_Hold_EndOfVoice = 0;
    } else {
        return false;
    }
    return true;
}

void SeqAvgMain::UpdateWaits(s64 elapsed) {
    GxUserData* data = Data();
    if (!data) return;
    if (data->m_Hold_WaitTime != 0) {
        const s64 left = s64(data->m_Hold_WaitTime_TimeLeft) - elapsed / 1000;
        if (left < 1) {
            data->m_Hold_WaitTime = 0;
            data->m_Hold_WaitTime_TimeLeft = 0;
        } else {
            data->m_Hold_WaitTime_TimeLeft = s32(left);
        }
    }
    if (data->m_Hold_EndOfMovie != 0) {
        GxTaskLayer* movie = FindLayer(kMovieLayer);
        if (!movie || !movie->IsMoviePlaying()) data->m_Hold_EndOfMovie = 0;
    }
    if (data->m_Hold_EndOfLayerActionAll != 0) {
        GxTaskBase* visual = FindTask(kVisual);
        if (!visual || (!GxIsActorActionTree(visual) && !GxIsLayerTransitTree(visual)))
            data->m_Hold_EndOfLayerActionAll = 0;
    }
    if (data->m_Hold_EndOfLayerActionSeparate != 0) {
        GxTaskLayer* layer = FindWaitLayer(data->m_Hold_EndOfLayerActionSeparate_LayerName);
        if (!layer || (layer->IsActionFinished() && !layer->IsTransiting())) {
            data->m_Hold_EndOfLayerActionSeparate_LayerName.clear();
            data->m_Hold_EndOfLayerActionSeparate = 0;
        }
    }
    if (data->m_Hold_EndOfBGM != 0 && !GxIsBgmPlaying()) data->m_Hold_EndOfBGM = 0;
    if (data->m_Hold_EndOfBGV != 0 && !GxIsBgvPlaying()) data->m_Hold_EndOfBGV = 0;
    if (data->m_Hold_EndOfSE != 0 && !GxIsSePlaying()) data->m_Hold_EndOfSE = 0;
    if (data->m_Hold_EndOfVoice != 0 && !GxIsVoicePlaying()) data->m_Hold_EndOfVoice = 0;
}

// ---- the player's input -------------------------------------------------------------

int SeqAvgMain::OnLButtonDown(const GxVector2&, u32, bool) {
    if (EndWaitByInput(kInputClick)) return 1;
    GxUIManage* ui = UI();
    if (WindowsHidden()) {
        ShowWindows();
        return 1;
    }
    if (ui && ui->m_SkipMode) {
        GxCancelSkipMode(ui, m_MessageWindow);
        return 1;
    }
    if (ui && ui->m_AutoMode) {
        GxCancelAutoMode(ui, m_MessageWindow);
        return 1;
    }
    if (!ui || ui->m_ModalLevel == 0) ClickMessage(true);
    return 0;
}

void SeqAvgMain::SendDecide(const GxChar* name, const GxVector2& pos) {
    GxTaskUIBase* button = GetPlayButton(name);
    GxUIEventParam ev(UIEVENT_DECIDE, button);
    ev.m_Vector0 = GxVector4(pos.x, pos.y, 0.0f, 0.0f);
    button->DispatchUIEvent(&ev);
}

int SeqAvgMain::OnMouseWheel(const GxVector2& pos, s32 delta, u32 keyFlags) {
    const s32 notches = delta / kWheelNotch;
    if (WindowsHidden()) {
        if (notches == 0) return 0;
        ShowWindows();
        return 1;
    }
    if (notches < 0) return OnLButtonDown(pos, keyFlags, false);
    if (notches > 0) {
        GxTaskUIBase* log = GetPlayButton(u"btn_log");
        if (!log || !CanOperateUI(log, 0)) return 0;
        SendDecide(u"btn_log", pos);
        return 1;
    }
    return 0;
}

int SeqAvgMain::OnRButtonDown(const GxVector2& pos, u32, bool) {
    if (WindowsHidden()) {
        ShowWindows();
        return 0;
    }
    GxTaskUIBase* hide = GetPlayButton(u"btn_hide");
    if (!hide || !CanOperateUI(hide, 0)) return 0;
    SendDecide(u"btn_hide", pos);
    return 1;
}

int SeqAvgMain::OnKeyDown(u32 key, u32) {
    switch (key) {
    case pwin::vk_f9:
        if (!Config().m_DebugModeFlag) return 0;
        ShowStandSubLayers();
        ShowBgwLayer();
        return 1;
    case pwin::vk_return:
    case pwin::vk_right:
    case pwin::vk_down:
        if (WindowsHidden())
            ShowWindows();
        else
            OnLButtonDown(GxVector2(-1.0f, -1.0f), 0, false);
        return 1;
    case pwin::vk_space: {
        if (WindowsHidden()) {
            ShowWindows();
            return 1;
        }
        if (GxIsShutdownDialogOpen()) return 0;
        HideWindows();
        return 1;
    }
    default: return 0;
    }
}

int SeqAvgMain::OnUIEventDecide(GxTaskBase* sender, const GxUIEventParam* ev) {
    if (!sender) return 0;
    if (GxSeqTransitBase::OnUIEventDecide(sender, ev)) return 1;
    GxPlayButtonSound(sender);
    const GxString& name = sender->GetTaskLocalName();
    GxUIManage* ui = UI();
    const GxTaskUIBase* button = GxTaskUIBase::FromTask(sender);
    const bool on = button && button->GetValueBool();
    if (name == u"btn_rend") {
        ChangeSequence(u"SeqRPMode");
    } else if (name == u"btn_auto") {
        if (ui) {
            ui->m_AutoMode = on;
            if (on) ui->m_AutoWaitTime = Settings() ? Settings()->m_AutoWaitTime : 0;
        }
    } else if (name == u"btn_skip") {
        if (ui) ui->m_SkipMode = on;
    } else if (name == u"btn_log") {
        ChangeSequence(u"SeqAvgLog");
    } else if (name == u"btn_voice") {
        const GxUserData* data = Data();
        const bool any = data && std::any_of(std::begin(data->m_VoiceParam), std::end(data->m_VoiceParam),
                                             [](const GxSoundParam& v) { return !v.m_FileName.empty(); });
        if (any) {
            GxFadeOutVoices(kVoiceFadeMs);
            for (s32 k = 0; k < GxUserData::kVoiceCount; ++k) GxReplayCurrentVoice(k);
        }
    } else if (name == u"btn_qsave") {
        QuickSave();
    } else if (name == u"btn_qload") {
        GxCoreBase* core = GetCore();
        // A quick save that does not open is tried too, so that the player
        // is told it failed.
        if (core && GxSaveSlot::HasFile(GxSaveSlot::QuickSavePath(core->GetSaveDir(), Config())))
            ChangeSequence(u"SeqQuickLoad");
    } else if (name == u"btn_save") {
        CaptureThumbnail();
        ChangeSequence(u"SeqSave");
    } else if (name == u"btn_load") {
        ChangeSequence(u"SeqLoad");
    } else if (name == u"btn_config") {
        ChangeSequence(u"SeqConfig");
    } else if (name == u"btn_hide") {
        HideWindows();
    } else if (name == kChoiceButton) {
        OnSelect(sender->GetTaskLocalIndex());
    } else {
        return 0;
    }
    return 1;
}

// ---- the operations the builtins call --------------------------------------------------

void SeqAvgMain::CaptureScreen() {
    GxRenderToGlobalTexture(GetCore());
    if (GxTexture* capture = GxGetGlobalRenderTexture(0)) capture->TransferRenderTargetToMemory();
}

void SeqAvgMain::StartBgTransit(const GxChar* background, const GxChar* rule, s32 time, bool clearStands) {
    GxGetTransitionSurface(rule);
    m_BgTransit.m_Transit = true;
    m_BgTransit.m_TransitTimeLeft = m_BgTransit.m_TransitTimeTotal = time;
    if (clearStands)
        if (GxTaskBase* stand = FindTask(kStand)) GxClearLayerList(stand->GetFirstChild(), 0);
    if (GxTaskLayer* transit = FindLayer(kBgTransit)) transit->Show();
    if (GxTaskLayer* bg = FindLayer(kBgLayer)) bg->SetFlexImageContent(background ? background : u"", 0);
}

bool SeqAvgMain::EndBgTransit() {
    if (!m_BgTransit.m_Transit) return false;
    m_BgTransit.m_TransitTimeLeft = 0;
    m_BgTransit.m_Transit = false;
    if (GxTaskLayer* transit = FindLayer(kBgTransit)) transit->Hide();
    return true;
}

void SeqAvgMain::ShowMessage(const GxString& text, bool read, bool ignoreKinsoku, bool disableAutoNewline) {
    if (GxUserData* data = Data()) data->m_HideWindowByCommandFlag = false;
    m_LoadedMessageRead = false;
    if (m_MessageWindow) m_MessageWindow->SetMessage(text, true, read, ignoreKinsoku, disableAutoNewline);
}

void SeqAvgMain::ClearMessage() {
    m_LoadedMessageRead = false;
    if (m_MessageWindow) m_MessageWindow->ClearMessage();
    ClearName();
}

void SeqAvgMain::ClearName() {
    if (m_NameWindow) {
        m_NameWindow->SetText(u"");
        m_NameWindow->Hide();
    }
    m_NameImage->ClearContent();
    m_NameImage->Hide();
}

void SeqAvgMain::SetName(const GxString& name, s32 mode) {
    if (name.empty() || mode == 0) {
        ClearName();
        return;
    }
    const auto asText = [&] {
        if (m_NameWindow) {
            m_NameWindow->SetText(name.c_str());
            m_NameWindow->Show();
        }
        m_NameImage->ClearContent();
        m_NameImage->Hide();
    };
    if (mode == 1) {
        asText();
        return;
    }
    if (mode != 2 && mode != 3) return;
    GxString path = Config().m_FolderNames[kGxFolderCGName] + name;
    if (GxResolveImageFile(path)) {
        if (m_NameWindow) {
            m_NameWindow->SetText(u"");
            m_NameWindow->Show();
        }
        m_NameImage->SetImageContent(path, 0);
        m_NameImage->Show();
    } else if (mode == 2) {
        ClearName();
    } else {
        asText();
    }
}

void SeqAvgMain::SetChoiceTextColor(GxTaskBase* button, u32 argb) {
    if (auto* text = dynamic_cast<GxTaskUITextButtonIs*>(button)) text->SetTextColor(argb);
}

void SeqAvgMain::ShowSelect() {
    GxUserData* data = Data();
    if (!data) return;
    const s32 entries = s32(data->m_SelectMenuItemList.size());
    s32 visible = 0, buttons = 0;
    for (s32 i = 1; i < entries; ++i) {
        if (!data->m_SelectMenuItemList[size_t(i)].m_Visible) continue;
        ++visible;
        if (GetChoiceButton(i)) ++buttons;
    }
    // Without buttons (a game whose UI has no "btn_select0") nothing could
    // ever be chosen: the script goes on as after a choice of nothing.
    if (visible != 0 && buttons == 0)
        GxWriteErrorLog(u"SeqAvgMain::ShowSelect/選択肢を表示するボタン(UIモジュールデータ[%s])がありません:%s\n",
                        kChoiceModule, data->m_SelectHash);
    if (buttons == 0) {
        data->m_LastSelectNum = 0;
        return;
    }
    GxTaskUIBase* first = GetChoiceButton(1);
    const f32 step = f32(first ? first->GetHeight() : 0) + kChoiceGap;
    GxVector4 windowPos;
    if (m_MessageWindow)
        m_MessageWindow->GetPos(&windowPos);
    // The sizes come from the game's image sets and the window's place from
    // a save: the layout is worked in 64 bits, whatever they hold.
    s64 y = GxTruncToS32((windowPos.y - f32(visible) * step) * 0.5f);
    s32 delay = 0;
    const GxSystemConfig& config = Config();
    const GxUserConfig* settings = Settings();
    const GxUserDataPerman* perman = GxUserDataPerman::Get();
    for (s32 i = 1; i < entries; ++i) {
        const GxSelectMenuItem& item = data->m_SelectMenuItemList[size_t(i)];
        GxTaskUIBase* button = GetChoiceButton(i);
        if (!button) continue;
        if (!item.m_Visible) {
            button->Hide();
            continue;
        }
        button->SetText(item.m_Text.c_str());
        button->SetEnabled(item.m_Enable);
        button->Show();
        const s64 x = (kScreenWidth - s64(button->GetWidth())) / 2;
        button->SetPos(f32(x) - kChoiceSlide, f32(y), 0.0f, 0.0f);
        button->SetAlpha(0);
        GxAddActionWait(0, delay, button);
        GxAddActionWait(1, delay, button);
        GxAddActionFadeIn(0, kChoiceFadeMs, button);
        const f32 slide[4] = {kChoiceSlide, 0.0f, 0.0f, 0.0f};
        GxAddActionMoveBy(slide, button);
        const bool taken = settings && settings->m_ChangeColorSelectedMenu && perman &&
                           perman->IsSelectedMenu(data->m_SelectHash, i);
        SetChoiceTextColor(button, taken ? config.m_SelectTextColor1 : config.m_SelectTextColor0);
        y += GxTruncToS32(step);
        delay += kChoiceStaggerMs;
    }
    data->m_LastSelectNum = 0;
    data->m_IsSelecting = true;
}

void SeqAvgMain::OnSelect(s32 index) {
    GxUserData* data = Data();
    // The index is the button's, from the layout: only a choice on screen.
    if (!data || !data->m_IsSelecting || index < 1 || index >= s32(data->m_SelectMenuItemList.size())) return;
    GxUIManage* ui = UI();
    const GxUserConfig* settings = Settings();
    if (!(settings && settings->m_KeepAutoModeAfterSelect)) GxCancelAutoMode(ui, m_MessageWindow);
    if (!(settings && settings->m_KeepSkipModeAfterSelect)) GxCancelSkipMode(ui, m_MessageWindow);
    const f32 slide[4] = {kChoiceSlide, 0.0f, 0.0f, 0.0f};
    for (s32 i = 1; i < s32(data->m_SelectMenuItemList.size()); ++i) {
        GxTaskUIBase* button = GetChoiceButton(i);
        if (!button || !button->IsVisible()) continue;
        if (i == index) {
            GxAddActionWait(0, kChosenWaitMs, button);
            GxAddActionFadeOut(0, kChoiceFadeMs, button);
        } else {
            GxAddActionFadeOut(0, kChoiceFadeMs, button);
            GxAddActionMoveBy(slide, button);
        }
        GxAddActionHide(button);
    }
    data->m_LastSelectNum = index;
    data->m_IsSelecting = false;
    if (GxUserDataPerman* perman = GxUserDataPerman::Get()) perman->SetSelectedMenu(data->m_SelectHash, index);
    const GxSelectMenuItem& item = data->m_SelectMenuItemList[size_t(index)];
    if (!item.m_Label.empty()) {
        const bool jumped = g_pMoaMainWorker() && (item.m_UseGosub ? g_pMoaMainWorker()->Call(item.m_Label, nullptr)
                                                                 : g_pMoaMainWorker()->Jump(item.m_Label, nullptr));
        if (!jumped) {
            GxWriteErrorLog(u"選択肢[%d]番のラベル [%s] が見つかりません\n", index, item.m_Label);
            if (g_pMoa()) g_pMoa()->m_ErrorFlag = true;
        }
    }
    data->ClearSelect();
}

void SeqAvgMain::ResetVisuals(bool cancelAuto, bool cancelSkip) {
    GxMovie::StopAll();
    if (GxTaskLayer* visual = FindLayer(kVisual)) {
        visual->StopShake();
        visual->ClearActions();
        visual->GetVisualParam().Reset();
    }
    ResetLayer(FindLayer(kBgLayer), kBgZ, true);
    ResetLayer(FindLayer(kBgwLayer), kBgwZ, false);
    ResetLayer(FindLayer(kMovieLayer), kMovieZ, true);
    for (const auto& [name, z] : {std::pair{kFlash, kFlashZ}, std::pair{kFade, kFadeZ}}) {
        if (GxTaskLayer* layer = FindLayer(name)) {
            layer->ClearActions();
            layer->SetOrderZ(z);
            layer->SetAlpha(0);
            layer->Show();
        }
    }
    EndBgTransit();
    if (GxTaskFolder* stand = AsFolder(FindTask(kStand))) {
        ForEachStandCharacter([&](const GxString& name) {
            if (GxTaskLayer* layer = AsLayer(stand->FindTaskLocal(name, 0))) {
                layer->ClearContent();
                layer->ClearActions();
                layer->GetVisualParam().Reset();
            }
        });
    }
    HideStandSubLayers();
    GxUIManage* ui = UI();
    if (cancelAuto) GxCancelAutoMode(ui, m_MessageWindow);
    if (cancelSkip) GxCancelSkipMode(ui, m_MessageWindow);
    m_LoadedMessageRead = false;
    if (m_MessageWindow) m_MessageWindow->ClearMessage();
}

void SeqAvgMain::ResetWindow(GxTaskUIBase* window, const GxChar* moduleName) {
    if (!window) return;
    window->ClearActions();
    if (const DBUIModuleRecord* module = FindModule(moduleName)) window->ApplyModuleRecord(*module);
    if (const DBUILayoutRecord* layout = GxFindUILayoutByTaskName(window->GetTaskName().c_str()))
        window->ApplyLayoutRecord(*layout);
    window->SetImageAlpha(Settings() ? Settings()->m_TextWindowOpacity : 255);
}

void SeqAvgMain::ResetPlayScene() {
    ResetVisuals(true, true);
    if (m_MessageWindow) m_MessageWindow->ClearMessage();
    ResetWindow(m_MessageWindow, kMessageModule);
    if (m_NameWindow) m_NameWindow->SetText(u"");
    ResetWindow(m_NameWindow, kNameModule);
    m_NameImage->ClearActions();
    m_NameImage->SetOrderZ((m_NameWindow ? m_NameWindow->GetOrderZ() : 0.0f) + 1.0f);
    ClearName();
    for (s32 i = 1; i <= ChoiceCount(); ++i) {
        if (GxTaskUIBase* button = GetChoiceButton(i)) {
            button->ClearActions();
            button->SetOrderZ(kChoiceZ);
            button->Hide();
        }
    }
    if (m_Proxy) m_Proxy->SetReceiveTask(GxString(), GxString());
}

bool SeqAvgMain::QuickSave() {
    GxCoreBase* core = GetCore();
    GxUserData* data = Data();
    if (core && data && data->SaveGameData(GxSaveSlot::QuickSavePath(core->GetSaveDir(), Config()), true))
        return true;
    GxAddSaveFailureNotice(u"クイックセーブに失敗しました", u"クイックセーブしました");
    return false;
}

void SeqAvgMain::CaptureThumbnail() {
    ShowBgwLayer();
    ShowStandSubLayers();
    CaptureScreen();
    HideBgwLayer();
    HideStandSubLayers();
    GxCaptureThumbnailPixels();
}

void SeqAvgMain::ForEachStandLayer(void (*f)(GxTaskLayer*)) {
    GxTaskBase* stand = FindTask(kStand);
    for (GxTaskBase* t = stand ? stand->GetFirstChild() : nullptr; t; t = t->GetNextSibling())
        if (GxTaskLayer* layer = AsLayer(t)) f(layer);
}

void SeqAvgMain::ShowStandSubLayers() {
    ForEachStandLayer([](GxTaskLayer* layer) { layer->ShowSubLayer(0); });
}

void SeqAvgMain::HideStandSubLayers() {
    ForEachStandLayer([](GxTaskLayer* layer) { layer->HideSubLayer(0); });
}

void SeqAvgMain::ShowBgwLayer() {
    if (GxTaskLayer* bgw = FindLayer(kBgwLayer)) bgw->Show();
}

void SeqAvgMain::HideBgwLayer() {
    if (GxTaskLayer* bgw = FindLayer(kBgwLayer)) bgw->Hide();
}
