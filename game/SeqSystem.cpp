#include "game/SeqSystem.h"

#include "base/GxDateTime.h"
#include "base/GxFrameTimer.h"
#include "base/GxLog.h"
#include "base/GxRandom.h"
#include "base/GxStringUtil.h"
#include "game/GxGameSound.h"
#include "game/GxIconIndex.h"
#include "game/GxOpenScriptLine.h"
#include "gamedata/DBUIModule.h"
#include "gamedata/GxPersistFile.h"
#include "gamedata/GxUserConfig.h"
#include "gamedata/GxUserData.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxRenderState.h"
#include "graphics/GxTextureFactory.h"
#include "graphics/GxTextureFlexFactory.h"
#include "platform/system/safe_file.h"
#include "platform/window/event_pump.h"
#include "platform/window/keys.h"
#include "script/GxMoaDebugNames.h"
#include "script/GxMoaEx.h"
#include "script/GxMoaSystem.h"
#include "script/GxMoaWorkerEx.h"
#include "tasks/GxCoreBase.h"
#include "tasks/GxSharedAssetManage.h"
#include "tasks/GxSystemConfig.h"
#include "tasks/GxTaskManage.h"
#include "tasks/GxTaskRenderManage.h"
#include "ui/GxStartNoticeSlide.h"
#include "ui/GxTaskUINoticePanelFx.h"
#include "ui/GxUIManage.h"

#include <algorithm>
#include <cstdio>
#include <limits>

namespace {

constexpr const GxChar* kExitGameKey = u"SeqSystem_EXITGAME";
constexpr const GxChar* kShutdownDialog = u"dlg_shutdown";
constexpr const GxChar* kUserDialog = u"dlg_user";
constexpr f32 kShutdownOrderZ = 19000.0f;
constexpr f32 kUserDialogOrderZ = 18000.0f;
constexpr f32 kLoadingIconOrderZ = 16000.0f;
constexpr f32 kTipOrderZ = 17000.0f;
constexpr f32 kNoticeOrderZ = 18000.0f;
constexpr s32 kTipModalPriority = 0xFFFF;
// The dialogs' buttons: apart by this much, this far above the bottom edge.
constexpr s32 kButtonGap = 32;
constexpr s32 kButtonBottom = 40;

constexpr s32 kSoundPush = 0;
constexpr s32 kSoundOpen = 2;
constexpr s32 kSoundClose = 3;
constexpr s32 kSoundNotice0 = 7;
constexpr s32 kSoundNotice1 = 8;
constexpr s32 kVoiceExitGame = 12;
constexpr s32 kNoticeShowTime = 2500;

// The BGM restraint moves this much a frame between 0 and 100.
constexpr s32 kRestraintStep = 4;
constexpr s32 kRestraintNone = 100;

// The user dialog's buttons: name, module, local index, place (0 left,
// 1 right, 2 centred) and the kind that shows it (0: any kind but the two).
struct DialogButton {
    const GxChar* name;
    const GxChar* module;
    s32 index;
    int place;
    int kind;
};
constexpr DialogButton kUserButtons[] = {
    {u"btn_dlguser_yes", u"btn_yes", 0, 0, SeqSystem::kDialogYesNo},
    {u"btn_dlguser_no", u"btn_no", 0, 1, SeqSystem::kDialogYesNo},
    {u"btn_dlguser_ok", u"btn_ok", 0, 0, SeqSystem::kDialogOkCancel},
    {u"btn_dlguser_cancel", u"btn_cancel", 0, 1, SeqSystem::kDialogOkCancel},
    {u"btn_dlguser_ok", u"btn_ok", 1, 2, 0},
};

bool ShownForKind(const DialogButton& b, int kind) {
    if (kind != SeqSystem::kDialogOkCancel && kind != SeqSystem::kDialogYesNo) kind = 0;
    return b.kind == kind;
}

// A dialog button's place: integer halves, as the dialog lays them out.
// The sizes come from the game's image sets and tables: worked in 64 bits,
// whatever they hold.
void PlaceButton(GxTaskUIBase* button, GxTaskUIBase* dialog, int place) {
    const s64 W = dialog->GetWidth(), H = dialog->GetHeight();
    const s64 w = button->GetWidth(), h = button->GetHeight();
    const s64 pair = (W - (2 * w + kButtonGap)) / 2;
    const s64 x = place == 0 ? pair : place == 1 ? w + kButtonGap + pair : (W - w) / 2;
    button->SetPos(f32(x), f32(H - kButtonBottom - h), 0.0f, 0.0f);
}

GxCoreBase* Core() { return GxCoreBase::GetCoreBase(); }

const GxSystemConfig* Config() {
    GxCoreBase* core = Core();
    return core ? core->GetSystemConfig() : nullptr;
}

bool DebugMode() {
    const GxSystemConfig* config = Config();
    return config && config->m_DebugModeFlag;
}

GxNoticeParam MakeNotice(const GxString& text, const GxString& icon, s32 align, u32 colour, s32 sound) {
    GxNoticeParam n;
    n.m_Text = text;
    n.m_IconName = icon;
    n.m_IconAlign = align;
    n.m_TextColor = colour;
    n.m_ShowTime = kNoticeShowTime;
    n.m_UISoundID = sound;
    n.m_NoticeID = 0;
    return n;
}

} // namespace

SeqSystem::SeqSystem(GxTaskBase* parent) : GxSeqBase(parent, u"SeqSystem") {
    SetAcceptUIEventFlag(true);
    MakeDialog(kShutdownDialog, u"ゲームを終了しますか？", kShutdownOrderZ, true);
    if (GxTaskUIBase* dialog = FindWidget(kShutdownDialog)) {
        const struct {
            const GxChar *name, *module;
            int place;
        } buttons[] = {{u"btn_dlgshutdown_yes", u"btn_yes", 0}, {u"btn_dlgshutdown_no", u"btn_no", 1}};
        for (const auto& b : buttons)
            if (GxTaskUIBase* button = MakeWidget(dialog, b.module, b.name, 0, true)) {
                PlaceButton(button, dialog, b.place);
                button->SetOrderZ(kShutdownOrderZ + 1.0f);
            }
    }
    MakeDialog(kUserDialog, u"ユーザーダイアログ", kUserDialogOrderZ, false);
    if (GxTaskUIBase* dialog = FindWidget(kUserDialog)) {
        for (const DialogButton& b : kUserButtons)
            if (GxTaskUIBase* button = MakeWidget(dialog, b.module, b.name, b.index, true)) {
                PlaceButton(button, dialog, b.place);
                button->SetOrderZ(kUserDialogOrderZ + 1.0f);
                button->Hide();
            }
    }
    if (GxTaskUIBase* icon = MakeWidget(this, u"icon_asload", u"icon_asload", -1, false)) {
        icon->SetPos(984.0f, 0.0f, 0.0f, 0.0f);
        icon->SetOrderZ(kLoadingIconOrderZ);
        icon->Suspend();
    }
    if (GxTaskUIBase* tip = MakeWidget(this, u"tip_help", u"tip_help", -1, true)) {
        tip->SetOrderZ(kTipOrderZ);
        tip->SetModalFlag(true);
        tip->SetModalPriority(kTipModalPriority);
        tip->Suspend();
    }
    for (const GxChar* name : {u"tip_sysnotice", u"tip_usernotice"})
        if (GxTaskUIBase* panel = MakeWidget(this, name, name, -1, false)) {
            panel->SetOrderZ(kNoticeOrderZ);
            panel->Hide();
            panel->Suspend();
        }
}

SeqSystem::~SeqSystem() = default;

SeqSystem* SeqSystem::Get() {
    GxCoreBase* core = Core();
    GxTaskManage* tm = core ? core->GetTaskManage() : nullptr;
    return tm ? dynamic_cast<SeqSystem*>(tm->GetRootTree()) : nullptr;
}

GxTaskUIBase* SeqSystem::MakeWidget(GxTaskBase* parent, const GxChar* module, const GxChar* name, s32 localIndex,
                                    bool required) {
    const s32 id = g_DBUIModule.FindNameMap(module, 0);
    const DBUIModuleRecord* record = id != 0 ? g_DBUIModule.GetRecord(id) : nullptr;
    if (!record) {
        if (required) GxWriteErrorLog(u"UIモジュールデータ[%s]が見つかりません:%s\n", module, GetTaskName());
        return nullptr;
    }
    GxTaskUIBase* widget = GxTaskUIBase::FromTask(CreateUIWidget(parent, record, name, localIndex));
    if (widget) widget->LoadImages();
    return widget;
}

void SeqSystem::MakeDialog(const GxChar* name, const GxChar* text, f32 orderZ, bool topMost) {
    GxTaskUIBase* dialog = MakeWidget(this, name, name, -1, true);
    if (!dialog) return;
    dialog->SetModalFlag(true);
    dialog->SetText(text);
    dialog->CenterX(0);
    dialog->CenterY(0);
    dialog->SetOrderZ(orderZ);
    if (topMost) dialog->SetTopMostFlag(true);
    dialog->Suspend();
}

GxTaskUIBase* SeqSystem::FindWidget(const GxChar* name) const {
    return m_Manager ? GxTaskUIBase::FromTask(m_Manager->FindTaskName(name)) : nullptr;
}

GxTaskUIBase* SeqSystem::FindButton(const GxChar* dialog, const GxChar* name, s32 localIndex) const {
    GxTaskUIBase* d = FindWidget(dialog);
    return d ? GxTaskUIBase::FromTask(d->FindTaskLocal(name, localIndex)) : nullptr;
}

void SeqSystem::RaiseDialog(GxTaskUIBase* dialog) {
    GxUIManage::ResetUIEventStates(dialog->GetFirstChild());
    dialog->ResetEventState();
    GxUIManage* ui = GxUIManage::Get();
    if (ui) dialog->SetModalPriority(++ui->m_ModalLevel);
    dialog->Resume();
}

void SeqSystem::LowerDialog(GxTaskUIBase* dialog, bool playSound) {
    if (dialog) dialog->Suspend();
    if (playSound) GxPlaySystemSound(kSoundClose, 0);
    GxUIManage* ui = GxUIManage::Get();
    if (ui && ui->m_ModalLevel > 0) --ui->m_ModalLevel;
    if (dialog) dialog->SetModalPriority(0);
}

void SeqSystem::OpenUserDialog(const GxString& key, GxTaskFolder* listener, const GxString& message, int kind) {
    m_PendingDialogKey = key;
    m_UserDialogListener = listener;
    GxTaskUIBase* dialog = FindWidget(kUserDialog);
    if (dialog) {
        RaiseDialog(dialog);
        dialog->SetText(message.c_str());
        for (const DialogButton& b : kUserButtons) {
            GxTaskUIBase* button = GxTaskUIBase::FromTask(dialog->FindTaskLocal(b.name, b.index));
            if (!button) continue;
            button->SetListener(listener);
            ShownForKind(b, kind) ? button->Show() : button->Hide();
        }
    }
    GxPlaySystemSound(kSoundOpen, 0);
}

void SeqSystem::CloseUserDialog(bool playSound) {
    LowerDialog(FindWidget(kUserDialog), playSound);
    m_UserDialogListener = nullptr;
}

void SeqSystem::OpenShutdownDialog() {
    if (GxUIManage* ui = GxUIManage::Get()) ui->m_HideWindowFlag = false;
    m_PendingDialogKey = kExitGameKey;
    if (GxTaskUIBase* dialog = FindWidget(kShutdownDialog)) RaiseDialog(dialog);
    GxPlaySystemSound(kSoundOpen, 0);
}

void SeqSystem::CloseShutdownDialog(bool playSound) { LowerDialog(FindWidget(kShutdownDialog), playSound); }

bool SeqSystem::IsUserDialogOpen() const {
    const GxTaskUIBase* dialog = FindWidget(kUserDialog);
    return dialog && dialog->IsRunning();
}

bool SeqSystem::IsShutdownDialogOpen() const {
    const GxTaskUIBase* dialog = FindWidget(kShutdownDialog);
    return dialog && dialog->IsRunning();
}

int SeqSystem::Update(int step, s64) {
    if (step == 0) {
        DuckMusic();
        // The default generator moves on once a frame, whoever else draws from it.
        GxRandom::Default().Range(1);
    }
    ShowNextNotice();
    UpdateLoadingIcon();
    ProcessUIEvents();
    ++m_FrameCount;
    return 0;
}

void SeqSystem::DuckMusic() {
    const bool voice = GxIsVoicePlaying();
    const s32 level = GxGetBGMRestraintLevel();
    GxSetBGMRestraintLevel(voice ? std::max(level - kRestraintStep, 0) : std::min(level + kRestraintStep, kRestraintNone));
    GxApplyBgmVolume();
    GxApplyBgvVolume(voice);
}

void SeqSystem::ShowNextNotice() {
    GxTaskUIBase* system = FindWidget(u"tip_sysnotice");
    GxTaskUIBase* user = FindWidget(u"tip_usernotice");
    if (!system || !user || system->IsVisible() || user->IsVisible()) return;
    system->Suspend();
    user->Suspend();
    if (!m_SystemNotices.empty()) {
        ShowNotice(system, m_SystemNotices.front());
        m_SystemNotices.pop_front();
        return;
    }
    GxUserData* data = GxUserData::Get();
    if (m_UserNoticesHeld || !data || data->m_NoticeList.empty()) return;
    ShowNotice(user, data->m_NoticeList.front());
    data->m_NoticeList.pop_front();
}

void SeqSystem::ShowNotice(GxTaskUIBase* panel, const GxNoticeParam& notice) {
    panel->Resume();
    panel->SetText(notice.m_Text.c_str());
    if (auto* noticePanel = dynamic_cast<GxTaskUINoticePanelFx*>(panel)) {
        if (notice.m_IconName.empty())
            noticePanel->SetIcon(nullptr, 0);
        else
            noticePanel->SetIcon(GxGetIconIndex(notice.m_IconName), notice.m_IconAlign);
        noticePanel->SetTextColor(notice.m_TextColor);
        GxStartNoticeSlide(notice.m_ShowTime, noticePanel);
    }
    GxPlaySystemSound(notice.m_UISoundID, 0);
}

void SeqSystem::UpdateLoadingIcon() {
    GxTaskUIBase* icon = FindWidget(u"icon_asload");
    if (!icon) return;
    GxCoreBase* core = Core();
    GxSharedAssetManage* assets = core ? core->GetSharedAssetManage() : nullptr;
    // While jobs wait the icon is shown every other update: a blink.
    if (assets && assets->m_AsyncJobManage.HasJobs() && icon->IsSuspended())
        icon->Resume();
    else
        icon->Suspend();
}

int SeqSystem::EnqueueRender(int, s64) {
    GxCoreBase* core = GetCore();
    // The debug status goes over everything, the system's own widgets too.
    if (GxTaskRenderManage* list = core ? core->GetRenderList(kGxUIResidentTopMostRenderList) : nullptr)
        list->AddTask(GxTaskRenderManage::kSortAscending, this, std::numeric_limits<f32>::max(), -1);
    return 0;
}

bool SeqSystem::IsDebugStatusShown() const {
    const GxSystemConfig* config = Config();
    if (config && config->m_DebugConsoleFlag) return true;
    if (GxGetErrorCount() == 0) return false;
    const bool skipSlight = config ? config->m_SkipSlightError : true;
    return !skipSlight || (g_pMoa() && g_pMoa()->m_ErrorFlag);
}

int SeqSystem::Render(int, int) {
    GxCoreBase* core = GetCore();
    if (!core || !GxGraphics::GetDevice()) return 0;
    GxGraphics::BeginScene();
    GxSetDefaultRenderStates();
    if (IsDebugStatusShown()) core->DrawDebugStatus(0.0f, 0.0f);
    GxGraphics::EndScene();
    return 0;
}

GxSeqBase* SeqSystem::GetForegroundScene() const {
    if (!m_Manager) return nullptr;
    for (int index = GxTaskManage::kSeqWorkerCount - 1; index >= 0; --index) {
        const GxSeqWorker* worker = m_Manager->GetSeqWorker(index);
        if (worker && worker->m_CurrentTask)
            if (auto* scene = dynamic_cast<GxSeqBase*>(worker->m_CurrentTask); scene && scene != this) return scene;
    }
    return nullptr;
}

bool SeqSystem::CanOperateUI(GxTaskBase* widget, u32 ignoreMask) {
    GxSeqBase* scene = GetForegroundScene();
    return !scene || scene->CanOperateUI(widget, ignoreMask);
}

bool SeqSystem::IsUIWidgetActive(GxTaskBase* widget) {
    GxSeqBase* scene = GetForegroundScene();
    return !scene || scene->IsUIWidgetActive(widget);
}

bool SeqSystem::IsScriptRunnable() {
    GxSeqBase* scene = GetForegroundScene();
    return !scene || scene->IsScriptRunnable();
}

bool SeqSystem::IsUIBlock1Clear() {
    GxSeqBase* scene = GetForegroundScene();
    return !scene || scene->IsUIBlock1Clear();
}

bool SeqSystem::IsUIBlock2Clear() {
    GxSeqBase* scene = GetForegroundScene();
    return !scene || scene->IsUIBlock2Clear();
}

bool SeqSystem::IsUIBlock3Clear() {
    GxSeqBase* scene = GetForegroundScene();
    return !scene || scene->IsUIBlock3Clear();
}

int SeqSystem::OnClose() {
    // A game without the dialog could never be closed: it closes at once.
    if (!FindWidget(kShutdownDialog) || IsShutdownDialogOpen()) return 0;
    GxPlaySystemVoice(kVoiceExitGame);
    OpenShutdownDialog();
    return 1;
}

int SeqSystem::OnUIEventDecide(GxTaskBase* sender, const GxUIEventParam*) {
    const GxTaskBase* parent = sender ? sender->GetParent() : nullptr;
    if (!parent || parent->GetTaskName() != kShutdownDialog) return 0;
    const GxString& name = sender->GetTaskLocalName();
    if (name == u"btn_dlgshutdown_yes") {
        // The second close request finds the dialog open and ends the program.
        pwin::window_event close;
        close.kind = pwin::event_kind::close_request;
        pwin::post_event(close);
        return 1;
    }
    if (name == u"btn_dlgshutdown_no") {
        const GxTaskUIBase* button = GxTaskUIBase::FromTask(sender);
        GxPlaySystemSound(kSoundPush, button ? button->GetSystemSoundID() : 0);
        CloseShutdownDialog(true);
        return 1;
    }
    return 0;
}

int SeqSystem::OnKeyDown(u32 virtualKey, u32) {
    GxCoreBase* core = Core();
    GxSystemConfig* config = core ? core->GetSystemConfig() : nullptr;
    switch (virtualKey) {
    case pwin::vk_escape: {
        const GxUIManage* ui = GxUIManage::Get();
        // With the message window hidden, Escape is the main scene's: it
        // brings the window back.
        if (ui && ui->m_HideWindowFlag) return 0;
        if (IsShutdownDialogOpen()) {
            CloseShutdownDialog(true);
        } else {
            GxPlaySystemVoice(kVoiceExitGame);
            OpenShutdownDialog();
        }
        return 1;
    }
    case pwin::vk_f4:
        ToggleFullScreen();
        return 1;
    default: break;
    }
    if (!DebugMode()) return 0;
    switch (virtualKey) {
    case pwin::vk_f1: DumpVariables(true); return 1;
    case pwin::vk_f2: DumpVariables(false); return 1;
    case pwin::vk_f3:
        GxTextureFactory::GetInstance().Dump();
        GxTextureFlexFactory::GetInstance().Dump();
        return 1;
    case pwin::vk_f5:
    case pwin::vk_f6:
    case pwin::vk_f7: {
        static constexpr s32 kRates[] = {60, 30, 10};
        if (GxFrameTimer* timer = core ? core->GetFrameTimer() : nullptr) timer->m_TargetRate = kRates[virtualKey - pwin::vk_f5];
        return 1;
    }
    case pwin::vk_f8:
        if (config) config->m_DebugConsoleFlag = !config->m_DebugConsoleFlag;
        return 1;
    case pwin::vk_f11: OpenCurrentScriptLine(); return 1;
    default: return 0;
    }
}

void SeqSystem::ToggleFullScreen() {
    const u32 mode = GxGraphics::GetConfig().m_DisplayMode;
    const bool windowed = mode == SCRMODE_WINDOW || mode == SCRMODE_WINDOWSIZE;
    const u32 target = windowed ? SCRMODE_FULLSCREEN : SCRMODE_WINDOW;
    if (!GxGraphics::ChangeDisplayMode(target)) return;
    if (GxUserConfig* settings = GxUserConfig::Get()) settings->m_ScreenMode = windowed ? 1 : 0;
    if (m_Manager) windowed ? m_Manager->OnWindowEvent(0, 2) : m_Manager->OnWindowEvent(2, 0);
}

void SeqSystem::DumpVariables(bool worker) {
    GxCoreBase* core = Core();
    if (!core || !g_pMoa() || (worker && !g_pMoaMainWorker())) return;
    const GxString path = core->GetSaveDir() + (worker ? u"vardump.txt" : u"vardump_extern.txt");
    // Never over a file that is not the player's (another user's in a
    // folder with the sticky bit).
    psys::safe_file file;
    if (!file.open(GxToNativePath(path), true)) {
        if (file.found().refused.what != psys::stranger::kind::none)
            GxPersistFile::SayRefused(path, file.found().refused, u"SeqSystem::DumpVariables", nullptr, false);
        return;
    }
    static const unsigned char kByteOrderMark[] = {0xFF, 0xFE};
    std::fwrite(kByteOrderMark, 1, sizeof kByteOrderMark, file.stream());
    GxMoaWriteDumpText(file.stream(), GxGetCurrentTimeString() + u"\n");
    if (worker)
        g_pMoaMainWorker()->Dump(file.stream(), 0);
    else
        g_pMoa()->Dump(file.stream(), 0);
    if (!file.commit()) return;
    GxWriteDebugLog(worker ? u"%sに通常変数をダンプしました\n" : u"%sに永続&広域変数をダンプしました\n", path);
}

void SeqSystem::OpenCurrentScriptLine() {
    if (!g_pMoaMainWorker()) return;
    GxString script;
    g_pMoaMainWorker()->GetScriptName(&script, nullptr);
    if (script.empty()) return;
    int line = std::max(g_pMoaMainWorker()->GetLine(nullptr), 1);
    // The line may be a save's, up to the largest integer.
    if (g_pMoa() && g_pMoa()->m_ErrorFlag && line < INT32_MAX) ++line;
    GxOpenScriptLine(script, line);
}

void GxCloseUserDialog(bool playSound) {
    if (SeqSystem* system = SeqSystem::Get()) system->CloseUserDialog(playSound);
}

void GxCloseShutdownDialog(bool playSound) {
    if (SeqSystem* system = SeqSystem::Get()) system->CloseShutdownDialog(playSound);
}

bool GxIsUserDialogOpen() {
    SeqSystem* system = SeqSystem::Get();
    return system && system->IsUserDialogOpen();
}

bool GxIsShutdownDialogOpen() {
    SeqSystem* system = SeqSystem::Get();
    return system && system->IsShutdownDialogOpen();
}

void GxOpenShutdownDialog() {
    if (SeqSystem* system = SeqSystem::Get()) system->OpenShutdownDialog();
}

void GxAddSystemNotice(const GxString& text, const GxString& iconName, s32 iconAlign, u32 textColor) {
    if (SeqSystem* system = SeqSystem::Get())
        system->AddSystemNotice(MakeNotice(text, iconName, iconAlign, textColor, kSoundNotice0));
}

void GxAddSaveFailureNotice(const GxString& text, const GxString& stood) {
    constexpr u32 kWhite = 0xFFFFFFFF;
    const GxString why = GxPersistFile::FailureForPlayer();
    if (!stood.empty() && GxPersistFile::FailedWriteStands()) {
        GxAddSystemNotice(stood + u"が、" + why, GxString(), 0, kWhite);
        return;
    }
    GxAddSystemNotice(text, GxString(), 0, kWhite);
    if (!why.empty()) GxAddSystemNotice(why, GxString(), 0, kWhite);
}

void GxAddUserNotice(const GxString& text, const GxString& iconName, s32 iconAlign, u32 textColor) {
    if (GxUserData* data = GxUserData::Get())
        data->m_NoticeList.push_back(MakeNotice(text, iconName, iconAlign, textColor, kSoundNotice1));
}

void GxClearUserNotices() {
    if (GxUserData* data = GxUserData::Get()) data->m_NoticeList.clear();
    SeqSystem* system = SeqSystem::Get();
    GxTaskManage* tm = system ? system->GetTaskManage() : nullptr;
    GxTaskUIBase* panel = tm ? GxTaskUIBase::FromTask(tm->FindTaskName(u"tip_usernotice")) : nullptr;
    if (panel && panel->IsVisible()) panel->FinishActions();
}
