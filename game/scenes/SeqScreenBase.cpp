#include "game/scenes/SeqScreenBase.h"

#include "base/GxLog.h"
#include "game/GxGameSound.h"
#include "gamedata/DBKeyMap.h"
#include "layers/GxTaskLayer.h"
#include "tasks/GxCoreBase.h"
#include "tasks/GxInput.h"
#include "tasks/GxSystemConfig.h"
#include "tasks/GxTaskManage.h"
#include "ui/GxTaskUIBase.h"
#include "ui/GxUIManage.h"

namespace {
constexpr u32 kMusicStopFade = 1000;
constexpr s32 kMusicFadeIn = 50;
constexpr int kFirstPadSlot = 2;
constexpr int kSecondPadSlot = 3;
} // namespace

SeqScreenBase::SeqScreenBase(GxTaskBase* parent, const GxChar* name, std::initializer_list<const GxChar*> pages)
    : GxSeqMenuBase(parent, name, true, pages) {}

SeqScreenBase::~SeqScreenBase() = default;

GxTaskManage* SeqScreenBase::Tasks() const {
    if (m_Manager) return m_Manager;
    GxCoreBase* core = GxCoreBase::GetCoreBase();
    return core ? core->GetTaskManage() : nullptr;
}

int SeqScreenBase::Update(int, s64) {
    ProcessUIEvents(nullptr);
    ++m_FrameCount;
    return 0;
}

GxTaskFolder* SeqScreenBase::GetFolder(const GxChar* prefix) const {
    GxTaskManage* tm = Tasks();
    GxTaskBase* task = tm ? tm->FindTaskNameStr(prefix + GetTaskName()) : nullptr;
    return task && (task->TypeBits & kGxTypeFolder) ? static_cast<GxTaskFolder*>(task) : nullptr;
}

GxTaskUIBase* SeqScreenBase::FindWidget(const GxChar* localName, s32 index, const GxChar* prefix) const {
    GxTaskFolder* folder = GetFolder(prefix);
    return folder ? GxTaskUIBase::FromTask(folder->FindTaskLocal(localName, index)) : nullptr;
}

GxTaskUIBase* SeqScreenBase::GetWidget(const GxChar* localName, s32 index, const GxChar* prefix) const {
    GxTaskFolder* folder = GetFolder(prefix);
    return folder ? GxTaskUIBase::FromTask(folder->GetTaskLocal(localName, index)) : nullptr;
}

void SeqScreenBase::ShowBackground(const GxChar* fileName) {
    if (GxTaskLayer* background = GetBackgroundLayer())
        background->SetFlexImageContent(Config().m_FolderNames[kGxFolderCGUI] + fileName, 0);
}

GxString SeqScreenBase::ImageSetPath(const GxChar* fileName) const {
    return Config().m_FolderNames[kGxFolderUIGis] + fileName;
}

bool SeqScreenBase::PostClick(const GxChar* localName, s32 index) {
    GxTaskUIBase* widget = FindWidget(localName, index);
    if (!widget || !CanOperateUI(widget, 0)) return false;
    return widget->PostUIEvent(UIEVENT_DECIDE);
}

int SeqScreenBase::OnRButtonDown(const GxVector2&, u32, bool) {
    PostClick(u"btn_back");
    return 0;
}

bool SeqScreenBase::IsActionPressed(const GxInputState* keyMapState, const GxChar* action) {
    const s32 id = g_DBKeyMap.FindNameMap(action, -1);
    return keyMapState && id >= 0 && keyMapState->IsPressed(id);
}

bool SeqScreenBase::IsPadActionPressed(const GxInputState* keyMapState, const GxChar* action) {
    if (!IsActionPressed(keyMapState, action)) return false;
    for (int slot : {kFirstPadSlot, kSecondPadSlot})
        if (const GxInputState* pad = GxGetInputState(slot); pad && pad->m_Pressed.Any()) return true;
    return false;
}

int SeqScreenBase::OnKeyActionUpdate(const GxInputState* keyMapState, int, s64) {
    return IsActionPressed(keyMapState, u"CANCEL") && PostClick(u"btn_back") ? 1 : 0;
}

bool SeqScreenBase::ChangeSequence(const GxChar* name, s32 param0, s32 param1) {
    GxTaskManage* tm = Tasks();
    return tm && tm->ChangeSequenceByName(name, m_SeqWorkIndex, param0, param1);
}

void SeqScreenBase::GoBack(s32 param0, s32 param1) {
    GxTaskManage* tm = Tasks();
    const GxSeqWorker* worker = tm ? tm->GetSeqWorker(m_SeqWorkIndex) : nullptr;
    if (worker && worker->m_PrevTask) tm->ChangeSequenceByName(worker->m_PrevName.c_str(), m_SeqWorkIndex, param0, param1);
    ClearUIEvents();
}

void SeqScreenBase::PlaySceneMusic(const GxString& name, s32 loopStart) {
    if (name.empty()) {
        GxStopBgm(kMusicStopFade);
        return;
    }
    GxPlayBgm(Config().m_FolderNames[kGxFolderBGMs] + name, 0, 0, kMusicFadeIn, u32(loopStart), true);
}

bool SeqScreenBase::RefuseOutOfRangeID(s32 id, s32 count) const {
    if (id >= 0 && id < count) return false;
    GxWriteErrorLog(u"%s/範囲外のIDです(ID=%d)\n", GetTaskName(), id);
    return true;
}

void SeqScreenBase::CancelPlayModes() {
    GxCoreBase* core = GxCoreBase::GetCoreBase();
    GxTaskManage* tm = core ? core->GetTaskManage() : nullptr;
    GxTaskBase* window = tm ? tm->FindTaskName(u"$MESWIN:SeqAvgMain") : nullptr;
    GxTaskFolder* folder = window && (window->TypeBits & kGxTypeFolder) ? static_cast<GxTaskFolder*>(window) : nullptr;
    GxUIManage* ui = GxUIManage::Get();
    GxCancelSkipMode(ui, folder);
    GxCancelAutoMode(ui, folder);
}
