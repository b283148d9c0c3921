#include "game/scenes/SeqConfig.h"

#include "base/GxFColor.h"
#include "base/GxLog.h"
#include "base/GxMatrix.h"
#include "base/GxStringUtil.h"
#include "game/GxGameSound.h"
#include "game/SeqSystem.h"
#include "gamedata/DBVoiceVolume.h"
#include "gamedata/GxDataLookup.h"
#include "gamedata/GxUserConfig.h"
#include "gamedata/GxUserData.h"
#include "gamedata/GxUserDataPerman.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxGraphicsConfig.h"
#include "graphics/GxRenderState.h"
#include "layers/GxNcCrammedDraw.h"
#include "layers/GxNcCrammedImageSet.h"
#include "layers/GxNcImageSetPool.h"
#include "layers/GxTaskLayer.h"
#include "tasks/GxCoreBase.h"
#include "tasks/GxSystemConfig.h"
#include "tasks/GxTaskManage.h"
#include "tasks/GxTaskRenderManage.h"
#include "ui/GxTaskUIBase.h"
#include "ui/GxTaskUITextButtonIs.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {
constexpr const GxChar* kUI = u"$UI:";
constexpr const GxChar* kSystemPage = u"$UI_SYSTEM:";
constexpr const GxChar* kSoundPage = u"$UI_SOUND:";
constexpr const GxChar* kVoicePage = u"$UI_VOICE:";
constexpr const GxChar* kGamePage = u"$UI_GAME:";
constexpr const GxChar* kConfigSet = u"ui_config.gis";
constexpr const GxChar* kFaceSet = u"ui_facepanel.gis";

// The tabs in the order they are read, with their page and background.
struct Tab {
    const GxChar* button;
    const GxChar* page;
    const GxChar* background;
};
constexpr Tab kTabs[] = {
    {u"btn_tabconf_system", kSystemPage, u"bg_config_system.png"},
    {u"btn_tabconf_sound", kSoundPage, u"bg_config_sound.png"},
    {u"btn_tabconf_voice", kVoicePage, u"bg_config_voice.png"},
    {u"btn_tabconf_game", kGamePage, u"bg_config_game.png"},
};

// The on/off pairs of the system page, by local index.
struct Switch {
    s32 index;
    bool GxUserConfig::*setting;
};
constexpr Switch kSystemSwitches[] = {
    {2, &GxUserConfig::m_AllowSkipUnreadText},     {3, &GxUserConfig::m_FastShowReadedText},
    {4, &GxUserConfig::m_ChangeColorReadedText},   {5, &GxUserConfig::m_ChangeColorSelectedMenu},
    {6, &GxUserConfig::m_KeepAutoModeAfterSelect}, {7, &GxUserConfig::m_KeepSkipModeAfterSelect},
};
constexpr s32 kWaitVoiceSwitch = 2;
constexpr s32 kSystemVoiceSwitch = 3;
constexpr s32 kEngineGroup = 4;
constexpr s32 kEngineAuto = 0;
constexpr s32 kEngineDirectSound = 1;
constexpr s32 kEngineXAudio2 = 2;

constexpr s32 kVolumeMax = 100;
constexpr s32 kOpacityMax = 255;
// The long text wait is eight times the text wait.
constexpr s32 kLongWaitFactor = 8;
constexpr s32 kWaitMax = INT_MAX / kLongWaitFactor;
constexpr u32 kVoiceFade = 500;
constexpr s32 kWheelNotch = 120;
constexpr int kRenderList = 0;
constexpr f32 kRenderKey = 10000.0f;
constexpr u32 kBlendAlpha = 2;
// Two panels a row; three rows on the page.
constexpr s32 kPanelsPerRow = 2;
constexpr s32 kRowsShown = 3;
constexpr f64 kRowRounding = 0.4;

constexpr const GxChar* kDialogTitle = u"SeqConfig_RETURNTITLE";
constexpr const GxChar* kDialogReset = u"SeqConfig_INITCONF";
constexpr const GxChar* kDialogReboot = u"SeqConfig_WARNREBOOT";
constexpr int kDialogOk = 1;
// The title's second parameter when a game is left for it.
constexpr s32 kReturnToTitle = 6;
// The second parameter of the scene a configuration returns to.
constexpr s32 kBackFromConfig = 5;

// The common user dialog and the notice hold of the resident system scene;
// without it no dialog opens.
GxString OpenDialogTag() {
    SeqSystem* system = SeqSystem::Get();
    return system && system->IsUserDialogOpen() ? system->GetPendingDialogRequest() : GxString();
}
void OpenUserDialog(const GxChar* tag, GxTaskFolder* listener, const GxChar* message, int kind) {
    if (SeqSystem* system = SeqSystem::Get()) system->OpenUserDialog(tag, listener, message, kind);
}
void HoldUserNotices(bool held) {
    if (SeqSystem* system = SeqSystem::Get()) system->SetUserNoticesHeld(held);
}

GxUserConfig* Settings() { return GxUserConfig::Get(); }

// The settings' volumes onto every channel that plays, the background voice
// muted while a voice speaks.
void ApplyEveryVolume() {
    GxApplyBgmVolume();
    GxApplyBgvVolume(GxIsVoicePlaying());
    GxApplyMovieVolume();
    GxApplySeVolume();
    GxApplyVoiceVolume();
    GxApplySystemVoiceVolume();
    GxApplySubVoiceVolume();
}

// A value the layout's range may have carried outside what the setting
// holds, brought inside it.
s32 Within(s64 v, s32 lo, s32 hi) { return s32(std::clamp<s64>(v, lo, hi)); }
} // namespace

SeqConfig::SeqConfig(GxTaskBase* parent)
    : SeqScreenBase(parent, u"SeqConfig", {kSystemPage, kSoundPage, kVoicePage, kGamePage}) {}

bool SeqConfig::IsTabOn(const GxChar* tab) const {
    const GxTaskUIBase* button = FindWidget(tab, 0, kUI);
    return button && button->GetValueBool();
}

// ---- pages ---------------------------------------------------------------

void SeqConfig::UpdatePage() {
    const Tab* chosen = nullptr;
    for (const Tab& tab : kTabs)
        if (GetWidget(tab.button, 0, kUI) && IsTabOn(tab.button)) {
            chosen = &tab;
            break;
        }
    if (!chosen) return;
    ShowBackground(chosen->background);
    for (const Tab& tab : kTabs)
        if (GxTaskFolder* page = GetFolder(tab.page)) &tab == chosen ? page->Resume() : page->Suspend();
}

// ---- settings into the controls and back ------------------------------------

void SeqConfig::ShowConfig() {
    GxUserConfig* c = Settings();
    if (!c) return;
    const auto setBool = [&](const GxChar* page, const GxChar* name, s32 index, bool on) {
        if (GxTaskUIBase* w = GetWidget(name, index, page)) w->SetValueBool(on);
    };
    const auto setInt = [&](const GxChar* page, const GxChar* name, s32 index, s32 v) {
        if (GxTaskUIBase* w = GetWidget(name, index, page)) w->SetValueInt(v);
    };
    const auto setPair = [&](const GxChar* page, const GxChar* on, const GxChar* off, s32 index, bool value) {
        setBool(page, on, index, value);
        setBool(page, off, index, !value);
    };
    setBool(kSystemPage, u"btn_window", 1, c->m_ScreenMode == 0);
    setInt(kSystemPage, u"btn_fullscreen", 1, c->m_ScreenMode);
    setInt(kSystemPage, u"hsld_textspeed", 0, -c->m_TextWaitTime);
    setInt(kSystemPage, u"hsld_autospeed", 0, -c->m_AutoWaitTime);
    setInt(kSystemPage, u"hsld_winalpha", 0, -c->m_TextWindowOpacity);
    for (const Switch& s : kSystemSwitches) setPair(kSystemPage, u"btn_on", u"btn_off", s.index, c->*s.setting);

    setInt(kSoundPage, u"hsld_vol_master", 0, c->m_Volume_Master);
    setInt(kSoundPage, u"hsld_vol_bgm", 0, c->m_Volume_BGM);
    setInt(kSoundPage, u"hsld_vol_se", 0, c->m_Volume_Sound);
    setInt(kSoundPage, u"hsld_vol_movie", 0, c->m_Volume_Movie);
    setInt(kSoundPage, u"hsld_vol_rest", 0, c->m_Volume_RestrainBGM);
    setPair(kSoundPage, u"btn_nextvoice", u"btn_nexttext", 1, c->m_VoiceStopTiming);
    setPair(kSoundPage, u"btn_on", u"btn_off", kWaitVoiceSwitch, c->m_WaitVoiceEndOnAutoMode);
    setPair(kSoundPage, u"btn_on", u"btn_off", kSystemVoiceSwitch, c->m_UseSystemVoice);
    // The engine's buttons are optional: a game may offer no choice.
    if (FindWidget(u"btn_directsound", kEngineGroup, kSoundPage)) {
        setBool(kSoundPage, u"btn_soundauto", kEngineGroup, c->m_SoundEngineMode == kEngineAuto);
        setBool(kSoundPage, u"btn_directsound", kEngineGroup, c->m_SoundEngineMode == kEngineDirectSound);
        setBool(kSoundPage, u"btn_xaudio2", kEngineGroup, c->m_SoundEngineMode == kEngineXAudio2);
    }

    setInt(kVoicePage, u"hsld_vol_voicemaster", 0, c->m_Volume_VoiceMaster);
    setInt(kVoicePage, u"hsld_vol_systemvoice", 0, c->m_Volume_SystemVoice);
    RefreshVoicePanels();
    if (GxCoreBase* core = GetCore()) core->CallModulesConfigShow(this);
}

void SeqConfig::ApplyConfig() {
    GxUserConfig* c = Settings();
    if (!c) return;
    const auto on = [&](const GxChar* page, const GxChar* name, s32 index, bool* setting) {
        if (const GxTaskUIBase* w = GetWidget(name, index, page)) *setting = w->GetValueBool();
    };
    if (const GxTaskUIBase* w = GetWidget(u"btn_fullscreen", 1, kSystemPage)) c->m_ScreenMode = Within(w->GetValueInt(), 0, 1);
    if (const GxTaskUIBase* w = GetWidget(u"hsld_textspeed", 0, kSystemPage)) {
        c->m_TextWaitTime = Within(-s64(w->GetValueInt()), 0, kWaitMax);
        c->m_TextLongWaitTime = c->m_TextWaitTime * kLongWaitFactor;
    }
    if (const GxTaskUIBase* w = GetWidget(u"hsld_autospeed", 0, kSystemPage))
        c->m_AutoWaitTime = Within(-s64(w->GetValueInt()), 0, INT_MAX);
    if (const GxTaskUIBase* w = GetWidget(u"hsld_winalpha", 0, kSystemPage))
        c->m_TextWindowOpacity = Within(-s64(w->GetValueInt()), 0, kOpacityMax);
    for (const Switch& s : kSystemSwitches) on(kSystemPage, u"btn_on", s.index, &(c->*s.setting));
    on(kSoundPage, u"btn_nextvoice", 1, &c->m_VoiceStopTiming);
    on(kSoundPage, u"btn_on", kWaitVoiceSwitch, &c->m_WaitVoiceEndOnAutoMode);
    on(kSoundPage, u"btn_on", kSystemVoiceSwitch, &c->m_UseSystemVoice);
    if (FindWidget(u"btn_directsound", kEngineGroup, kSoundPage)) {
        const auto isOn = [&](const GxChar* name) {
            const GxTaskUIBase* w = FindWidget(name, kEngineGroup, kSoundPage);
            return w && w->GetValueBool();
        };
        c->m_SoundEngineMode = isOn(u"btn_directsound") ? kEngineDirectSound
                               : isOn(u"btn_xaudio2")   ? kEngineXAudio2
                                                        : kEngineAuto;
    }
    ApplyWindowOpacity();
    ApplyChoiceColours();
    if (GxCoreBase* core = GetCore()) core->CallModulesConfigApply(this);
}

void SeqConfig::ApplyWindowOpacity() {
    const GxUserConfig* c = Settings();
    GxTaskManage* tm = Tasks();
    if (!c || !tm) return;
    for (const GxChar* name : {u"$MESWIN:SeqAvgMain", u"$NAMEWIN:SeqAvgMain"})
        if (GxTaskUIBase* window = GxTaskUIBase::FromTask(tm->FindTaskName(name))) window->SetImageAlpha(c->m_TextWindowOpacity);
}

void SeqConfig::ApplyChoiceColours() {
    const GxUserData* data = GxUserData::Get();
    const GxUserConfig* c = Settings();
    GxTaskManage* tm = Tasks();
    GxTaskBase* select = tm ? tm->FindTaskName(u"$SELECT:SeqAvgMain") : nullptr;
    if (!data || !c || !data->m_IsSelecting || !select || !(select->TypeBits & kGxTypeFolder)) return;
    const GxUserDataPerman* perman = GxUserDataPerman::Get();
    const GxSystemConfig& config = Config();
    for (size_t i = 1; i < data->m_SelectMenuItemList.size(); ++i) {
        if (!data->m_SelectMenuItemList[i].m_Visible) continue;
        GxTaskBase* task = static_cast<GxTaskFolder*>(select)->FindTaskLocal(u"btn_select", s32(i));
        auto* button = dynamic_cast<GxTaskUITextButtonIs*>(GxTaskUIBase::FromTask(task));
        if (!button) continue;
        const bool taken = c->m_ChangeColorSelectedMenu && perman && perman->IsSelectedMenu(data->m_SelectHash, s32(i));
        button->SetTextColor(taken ? config.m_SelectTextColor1 : config.m_SelectTextColor0);
    }
}

void SeqConfig::ApplySoundPage() {
    GxUserConfig* c = Settings();
    if (!c) return;
    if (const GxTaskUIBase* w = GetWidget(u"btn_on", kSystemVoiceSwitch, kSoundPage)) c->m_UseSystemVoice = w->GetValueBool();
    const auto volume = [&](const GxChar* name, std::initializer_list<s32*> settings) {
        if (const GxTaskUIBase* w = GetWidget(name, 0, kSoundPage))
            for (s32* s : settings) *s = Within(w->GetValueInt(), 0, kVolumeMax);
    };
    volume(u"hsld_vol_master", {&c->m_Volume_Master});
    volume(u"hsld_vol_bgm", {&c->m_Volume_BGM});
    volume(u"hsld_vol_movie", {&c->m_Volume_Movie});
    // The background voice has no slider of its own: it goes with the effects.
    volume(u"hsld_vol_se", {&c->m_Volume_BGV, &c->m_Volume_Sound});
    volume(u"hsld_vol_rest", {&c->m_Volume_RestrainBGM});
    ApplyEveryVolume();
}

void SeqConfig::ApplyVoicePage() {
    GxUserConfig* c = Settings();
    if (!c) return;
    if (const GxTaskUIBase* w = GetWidget(u"hsld_vol_voicemaster", 0, kVoicePage))
        c->m_Volume_VoiceMaster = Within(w->GetValueInt(), 0, kVolumeMax);
    if (const GxTaskUIBase* w = GetWidget(u"hsld_vol_systemvoice", 0, kVoicePage))
        c->m_Volume_SystemVoice = Within(w->GetValueInt(), 0, kVolumeMax);
    if (IsTabOn(u"btn_tabconf_voice")) {
        const size_t first = size_t(GetFirstVoiceRow()) * kPanelsPerRow;
        for (s32 i = 0; i < kVoiceRows && first + size_t(i) < m_VoicePanels.size(); ++i) {
            const SeqConfigVoicePanel& panel = m_VoicePanels[first + size_t(i)];
            if (!panel.Visible || panel.VoiceVolumeID < 0 || panel.VoiceVolumeID >= GxUserConfig::kVoiceSlotCount) continue;
            const GxTaskUIBase* slider = GetWidget(u"hsld_vol_voice", i, kVoicePage);
            if (slider && slider->IsVisible())
                c->m_Volume_Voice[panel.VoiceVolumeID] = Within(slider->GetValueInt(), 0, kVolumeMax);
            const GxTaskUIBase* voice = GetWidget(u"btn_systemvoice", i, kVoicePage);
            if (voice && voice->IsVisible()) c->m_SystemVoice_Activated[panel.VoiceVolumeID] = voice->GetValueBool();
        }
    }
    GxApplyVoiceVolume();
    GxApplySystemVoiceVolume();
    GxApplySubVoiceVolume();
}

// ---- the voice panels -------------------------------------------------------

void SeqConfig::BuildVoicePanels() {
    m_VoicePanels.clear();
    GxNcCrammedImageSet* faces = GxNcImageSetPool::Get(ImageSetPath(kFaceSet));
    for (const DBVoiceVolumeRecord& r : g_DBVoiceVolume.GetRecords()) {
        if (r.PanelVisible == 0) continue;
        SeqConfigVoicePanel panel;
        panel.PanelOrder = r.PanelOrder;
        panel.VoiceVolumeID = r.ID;
        panel.FacePattern = faces ? faces->FindOriginImage(GxToLower(r.FacePanelFileName)) : nullptr;
        panel.HasSoundTest = !r.SoundTestFileName.empty();
        panel.HasSystemVoice = r.SystemVoiceExist != 0;
        // After every panel of an order not above its own: equal orders keep the table's order.
        const auto at = std::upper_bound(m_VoicePanels.begin(), m_VoicePanels.end(), panel.PanelOrder,
                                         [](s32 order, const SeqConfigVoicePanel& p) { return order < p.PanelOrder; });
        m_VoicePanels.insert(at, panel);
    }
    const s32 count = s32(m_VoicePanels.size());
    const s32 max = std::max(0, (count + 1) / kPanelsPerRow - kRowsShown);
    if (GxTaskUIBase* scroll = GetWidget(u"hsld_scroll_voice", 0, kVoicePage)) {
        scroll->SetMax(max);
        if (max > m_VoiceScrollMax) scroll->SetValue(0.0);
    }
    m_VoiceScrollMax = max;
    for (const GxChar* name : {u"hsld_scroll_voice", u"btn_scrollup_voice", u"btn_scrolldown_voice"})
        if (GxTaskUIBase* w = GetWidget(name, 0, kVoicePage)) max == 0 ? w->Hide() : w->Show();
}

s32 SeqConfig::GetFirstVoiceRow() const {
    const GxTaskUIBase* scroll = FindWidget(u"hsld_scroll_voice", 0, kVoicePage);
    const f64 value = scroll ? scroll->GetValue() : 0.0;
    // A slider outside its range must not move the rows off the list.
    const f64 row = std::trunc(std::clamp(value + kRowRounding, 0.0, f64(std::max(m_VoiceScrollMax, 0))));
    return s32(row);
}

void SeqConfig::RefreshVoicePanels() {
    const GxTaskUIBase* scroll = FindWidget(u"hsld_scroll_voice", 0, kVoicePage);
    const f64 value = scroll ? scroll->GetValue() : 0.0;
    if (GxTaskUIBase* up = GetWidget(u"btn_scrollup_voice", 0, kVoicePage)) up->SetEnabled(value != 0.0);
    if (GxTaskUIBase* down = GetWidget(u"btn_scrolldown_voice", 0, kVoicePage)) down->SetEnabled(m_VoiceScrollMax > value);
    const GxUserConfig* c = Settings();
    const size_t first = size_t(GetFirstVoiceRow()) * kPanelsPerRow;
    for (s32 i = 0; i < kVoiceRows; ++i) {
        GxTaskUIBase* row[] = {GetWidget(u"tip_voiceplate", i, kVoicePage), GetWidget(u"hsld_vol_voice", i, kVoicePage),
                               GetWidget(u"btn_test_voice", i, kVoicePage), GetWidget(u"btn_systemvoice", i, kVoicePage)};
        const size_t k = first + size_t(i);
        const bool shown = k < m_VoicePanels.size() && m_VoicePanels[k].Visible;
        for (GxTaskUIBase* w : row)
            if (w) shown ? w->Show() : w->Hide();
        if (!shown) continue;
        const SeqConfigVoicePanel& panel = m_VoicePanels[k];
        if (row[2]) row[2]->SetEnabled(panel.HasSoundTest);
        if (row[3]) row[3]->SetEnabled(panel.HasSystemVoice);
        if (!c || panel.VoiceVolumeID < 0 || panel.VoiceVolumeID >= GxUserConfig::kVoiceSlotCount) continue;
        if (row[1]) row[1]->SetValueInt(c->m_Volume_Voice[panel.VoiceVolumeID]);
        if (row[3]) row[3]->SetValueBool(c->m_SystemVoice_Activated[panel.VoiceVolumeID]);
    }
}

void SeqConfig::ScrollVoices(s32 step) {
    if (GxTaskUIBase* scroll = GetWidget(u"hsld_scroll_voice", 0, kVoicePage)) {
        const f64 value = scroll->GetValue();
        if (step < 0 && value > 0.0) scroll->SetValue(std::max(value - 1.0, 0.0));
        if (step > 0 && value < m_VoiceScrollMax) scroll->SetValue(std::min(value + 1.0, f64(m_VoiceScrollMax)));
    }
    RefreshVoicePanels();
}

// ---- tests of the sounds ------------------------------------------------------

void SeqConfig::PlayTest(const GxChar* name, bool systemVoice) {
    // A name that does not resolve goes as it is: the sound service reports it.
    GxString path = Config().m_FolderNames[kGxFolderSoundsTest] + name;
    GxResolveSoundFile(path);
    systemVoice ? GxPlaySystemVoiceTest(path) : GxPlaySeTest(path);
}

void SeqConfig::PlayVoiceTest(s32 row) {
    const size_t k = size_t(GetFirstVoiceRow()) * kPanelsPerRow + size_t(std::max(row, 0));
    if (row < 0 || row >= kVoiceRows || k >= m_VoicePanels.size()) return;
    const SeqConfigVoicePanel& panel = m_VoicePanels[k];
    const DBVoiceVolumeRecord* record = g_DBVoiceVolume.GetRecord(panel.VoiceVolumeID);
    if (!record) return;
    GxString path = Config().m_FolderNames[kGxFolderSoundsTest] + record->SoundTestFileName;
    GxResolveSoundFile(path);
    GxPlayVoiceTest(path, panel.VoiceVolumeID);
}

// ---- the defaults -------------------------------------------------------------

void SeqConfig::ResetConfig() {
    GxUserConfig* c = Settings();
    if (!c) return;
    const s32 screenMode = c->m_ScreenMode, engineInEffect = c->m_SoundEngineModeInEffect;
    c->SetDefault();
    if (GxCoreBase* core = GetCore()) core->CallModulesConfigReset();
    GxInitSystemVoiceActivated(*c);
    c->m_ScreenMode = screenMode;
    c->m_SoundEngineModeInEffect = engineInEffect;
    ShowConfig();
    ApplyWindowOpacity();
    ApplyEveryVolume();
}

// ---- the scene -------------------------------------------------------------------

void SeqConfig::OnStartSequence(int) {
    CancelPlayModes();
    // Opened from the title there is no play to leave for it.
    const GxSeqWorker* worker = m_Manager ? m_Manager->GetSeqWorker(m_SeqWorkIndex) : nullptr;
    if (GxTaskUIBase* title = FindWidget(u"btn_title"))
        worker && worker->m_PrevName == u"SeqTitle" ? title->Hide() : title->Show();
    GxNcImageSetPool::Add(ImageSetPath(kConfigSet));
    GxNcImageSetPool::Add(ImageSetPath(kFaceSet));
    GxFadeOutVoices(kVoiceFade);
    UpdatePage();
    BuildVoicePanels();
    ShowConfig();
    HoldUserNotices(true);
}

void SeqConfig::OnEndSequence(int workerIndex) {
    GxSeqTransitBase::OnEndSequence(workerIndex);
    HoldUserNotices(false);
    ApplyConfig();
    ApplySoundPage();
    ApplyVoicePage();
    GxStopTestSounds();
    if (GxTaskLayer* background = GetBackgroundLayer()) background->ClearContent();
    // The faces point into the set that goes back to the pool.
    for (SeqConfigVoicePanel& panel : m_VoicePanels) panel.FacePattern = nullptr;
    GxNcImageSetPool::Release(ImageSetPath(kConfigSet));
    GxNcImageSetPool::Release(ImageSetPath(kFaceSet));
}

int SeqConfig::EnqueueRender(int step, s64 elapsed) {
    GxCoreBase* core = GetCore();
    GxTaskRenderManage* list = core ? core->GetRenderList(kRenderList) : nullptr;
    if (list && IsTabOn(u"btn_tabconf_voice")) list->AddTask(GxTaskRenderManage::kSortAscending, this, kRenderKey, 2);
    return GxSeqTransitBase::EnqueueRender(step, elapsed);
}

int SeqConfig::Render(int drawParam, int listIndex) {
    if (drawParam != 2) return GxSeqTransitBase::Render(drawParam, listIndex);
    if (!GxGraphics::BeginScene()) return 0;
    GxSetDefaultRenderStates();
    const size_t first = size_t(GetFirstVoiceRow()) * kPanelsPerRow;
    for (s32 i = 0; i < kVoiceRows && first + size_t(i) < m_VoicePanels.size(); ++i) {
        const SeqConfigVoicePanel& panel = m_VoicePanels[first + size_t(i)];
        const GxTaskUIBase* plate = FindWidget(u"tip_voiceplate", i, kVoicePage);
        if (!panel.Visible || !panel.FacePattern || !plate) continue;
        GxVector4 at;
        plate->GetWorldPos(&at);
        GxMatrix world;
        world.SetTranslation(at.x, at.y, 0.0f);
        DrawCrammedPattern(0, panel.FacePattern, world, 1.0f, GxFColor(1.0f, 1.0f, 1.0f, 1.0f),
                           GxFColor(0.0f, 0.0f, 0.0f, 0.0f), kBlendAlpha);
    }
    GxGraphics::EndScene();
    return 0;
}

int SeqConfig::OnWindowEvent(s64, s64) {
    if (const GxUserConfig* c = Settings()) {
        if (GxTaskUIBase* w = FindWidget(u"btn_window", 1, kSystemPage)) w->SetValueBool(c->m_ScreenMode == 0);
        if (GxTaskUIBase* w = FindWidget(u"btn_fullscreen", 1, kSystemPage)) w->SetValueInt(c->m_ScreenMode);
    }
    return 0;
}

int SeqConfig::OnMouseWheel(const GxVector2&, s32 delta, u32) {
    if (!IsTabOn(u"btn_tabconf_voice")) return 0;
    const s32 notches = delta / kWheelNotch;
    if (notches >= 1)
        ScrollVoices(-1);
    else if (notches <= -1)
        ScrollVoices(1);
    return 0;
}

// ---- clicks ------------------------------------------------------------------------

bool SeqConfig::HandleScreenMode(const GxString& name) {
    GxUserConfig* c = Settings();
    if (!c) return false;
    if (name == u"btn_window" && c->m_ScreenMode == 1 && GxGraphics::ChangeDisplayMode(SCRMODE_WINDOW)) {
        c->m_ScreenMode = 0;
        return true;
    }
    if (name == u"btn_fullscreen" && c->m_ScreenMode == 0 && GxGraphics::ChangeDisplayMode(SCRMODE_FULLSCREEN)) {
        c->m_ScreenMode = 1;
        return true;
    }
    // A refused switch: the buttons show the mode that stays, or leaving
    // would read the refused one back into the settings.
    if (name == u"btn_window" || name == u"btn_fullscreen") OnWindowEvent(0, 0);
    return false;
}

bool SeqConfig::HandleDialogs(const GxString& name) {
    const GxString tag = OpenDialogTag();
    if (name == u"btn_title" && !GxIsUserDialogOpen())
        OpenUserDialog(kDialogTitle, this, u"タイトル画面に戻りますか？", SeqSystem::kDialogYesNo);
    if (tag == kDialogTitle) {
        if (name == u"btn_dlguser_yes") {
            GxCloseUserDialog(true);
            // The play's news end with it, before its last screen is kept
            // for the title to fade in over.
            GxClearUserNotices();
            ChangeSequence(u"SeqTitle", 0, kReturnToTitle);
            return true;
        }
        if (name == u"btn_dlguser_no") GxCloseUserDialog(true);
    }
    if (name == u"btn_init") {
        if (!GxIsUserDialogOpen()) {
            const GxUserConfig* c = Settings();
            const bool engineChosen = c && c->m_SoundEngineModeInEffect != kEngineAuto;
            OpenUserDialog(kDialogReset, this,
                           engineChosen ? u"設定を初期化しますか？|（サウンドエンジンの反映は再起動が必要です）"
                                        : u"設定を初期化しますか？",
                           SeqSystem::kDialogYesNo);
        }
        return true;
    }
    if (tag == kDialogReset) {
        if (name == u"btn_dlguser_yes") {
            GxCloseUserDialog(true);
            ResetConfig();
            return true;
        }
        if (name == u"btn_dlguser_no") GxCloseUserDialog(true);
    }
    const GxUserConfig* c = Settings();
    const s32 inEffect = c ? c->m_SoundEngineModeInEffect : kEngineAuto;
    if ((name == u"btn_soundauto" && inEffect != kEngineAuto) ||
        (name == u"btn_directsound" && inEffect != kEngineDirectSound) ||
        (name == u"btn_xaudio2" && inEffect != kEngineXAudio2)) {
        // The button keeps its new state; the choice is kept when the scene ends.
        if (!GxIsUserDialogOpen())
            OpenUserDialog(kDialogReboot, this, u"この変更を反映するには|ゲームの再起動が必要です", kDialogOk);
        return true;
    }
    if (tag == kDialogReboot && name == u"btn_dlguser_ok") GxCloseUserDialog(true);
    return false;
}

int SeqConfig::OnUIEventDecide(GxTaskBase* sender, const GxUIEventParam* ev) {
    if (GxSeqBase::OnUIEventDecide(sender, ev)) return 1;
    if (!sender) return 0;
    PlayButtonSound(sender);
    const GxString& name = sender->GetTaskLocalName();
    for (const Tab& tab : kTabs)
        if (name == tab.button) {
            UpdatePage();
            return 1;
        }
    if (HandleScreenMode(name) || HandleDialogs(name)) return 1;
    if (name == u"btn_exit") {
        // As the window's close request: the system scene asks whether to end.
        if (SeqSystem* system = SeqSystem::Get()) system->OnClose();
        return 1;
    }
    if (name == u"btn_back") {
        GoBack(0, kBackFromConfig);
        return 1;
    }
    if (IsTabOn(u"btn_tabconf_sound")) {
        ApplySoundPage();
    } else if (IsTabOn(u"btn_tabconf_voice") &&
               (name == u"hsld_vol_voicemaster" || name == u"hsld_vol_systemvoice" || name == u"hsld_vol_voice" ||
                name == u"btn_systemvoice")) {
        ApplyVoicePage();
    }
    if (name == u"btn_scrollup_voice" || name == u"btn_scrolldown_voice") {
        ScrollVoices(name == u"btn_scrollup_voice" ? -1 : 1);
    } else if (name == u"btn_test_se") {
        PlayTest(u"test_se", false);
    } else if (name == u"btn_test_systemvoice") {
        PlayTest(u"test_sysvoice", true);
    } else if (name == u"btn_test_voice") {
        PlayVoiceTest(sender->GetTaskLocalIndex());
    } else {
        return 0;
    }
    return 1;
}

int SeqConfig::OnUIEventValueChange(GxTaskBase* sender, const GxUIEventParam*) {
    if (!sender) return 0;
    const GxString& name = sender->GetTaskLocalName();
    if (IsTabOn(u"btn_tabconf_sound")) ApplySoundPage();
    if (!IsTabOn(u"btn_tabconf_voice")) return 1;
    if (name == u"hsld_scroll_voice")
        RefreshVoicePanels();
    else if (name == u"hsld_vol_voicemaster" || name == u"hsld_vol_systemvoice" || name == u"hsld_vol_voice")
        ApplyVoicePage();
    return 1;
}
