#include "game/scenes/SeqCGModeView.h"

#include "base/GxLog.h"
#include "gamedata/DBCGMode.h"
#include "gamedata/GxDataLookup.h"
#include "gamedata/GxUserDataPerman.h"
#include "io/GxStringParse.h"
#include "layers/GxActorActions.h"
#include "layers/GxTaskLayer.h"
#include "platform/window/keys.h"
#include "tasks/GxCoreBase.h"
#include "tasks/GxSystemConfig.h"
#include "tasks/GxTaskManage.h"
#include "ui/GxTaskUINull.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr f32 kScreenWidth = 1024.0f;
constexpr f32 kScreenHeight = 768.0f;
constexpr s32 kNextPictureFade = 500;
constexpr s32 kPanDelay = 500;
// The pan lasts this long plus 8 ms a pixel.
constexpr s32 kPanBaseTime = 30;
constexpr f32 kPanTimePerPixel = 8.0f;
constexpr u32 kInterpolation = 1;
constexpr s32 kEventKeys = 13;
// The core's cursor shapes.
constexpr int kCursorSizeAll = 2;
constexpr int kCursorSizeNS = 3;
constexpr int kCursorSizeWE = 4;
constexpr int kCursorNo = 5;
constexpr int kCursorArrow = 6;
constexpr const GxChar* kEventCaller = u"null_eventcaller";
constexpr const GxChar* kGallery = u"SeqCGMode";
} // namespace

SeqCGModeView::SeqCGModeView(GxTaskBase* parent) : SeqScreenBase(parent, u"SeqCGModeView") {
    new GxTaskUINull(GetFolder(), nullptr, kEventCaller, 0);
}

GxTaskUINull* SeqCGModeView::GetEventCaller() const {
    GxTaskFolder* folder = GetFolder();
    return dynamic_cast<GxTaskUINull*>(GxTaskUIBase::FromTask(folder ? folder->FindTaskLocal(kEventCaller, 0) : nullptr));
}

bool SeqCGModeView::CanOperate() const {
    GxTaskUINull* caller = GetEventCaller();
    return caller && const_cast<SeqCGModeView*>(this)->CanOperateUI(caller, 0);
}

void SeqCGModeView::SetCursor(int shape) const {
    if (GxCoreBase* core = GetCore()) core->SetMouseCursor(shape);
}

s32 SeqCGModeView::NextSeenPicture(s32 index) const {
    const DBCGModeRecord* record = g_DBCGMode.GetRecord(m_RecordID);
    const GxUserDataPerman* perman = GxUserDataPerman::Get();
    if (!record || !perman) return -1;
    for (s32 j = std::max(index + 1, 0); j < kPicturesPerRecord; ++j) {
        const GxString& file = record->FileName[j];
        if (!file.empty() && perman->m_ShowedCGFlags.count(file)) return j;
    }
    return -1;
}

f32 SeqCGModeView::AlignedPosition(const GxString& code, size_t letter, f32 size) {
    if (code.size() <= letter) return 0.0f;
    const f32 screen = letter == 0 ? kScreenWidth : kScreenHeight;
    const GxChar c = code[letter];
    if (c == (letter == 0 ? u'L' : u'T')) return 0.0f;
    if (c == (letter == 0 ? u'R' : u'B')) return screen - size;
    if (c == u'M') return f32(s32(screen - size) / 2);
    return 0.0f;
}

void SeqCGModeView::ResetDrag() {
    m_Dragging = false;
    m_PressPos = m_PointerPos = GxVector2(-1.0f, -1.0f);
    m_PressLayerPos = GxVector4(-1.0f, -1.0f, -1.0f, -1.0f);
}

void SeqCGModeView::ResetPan() { m_PanStart = m_PanEnd = GxVector4(); }

void SeqCGModeView::ShowPicture(s32 index, s32 time) {
    m_PictureWidth = m_PictureHeight = 0.0f;
    ResetPan();
    GxTaskLayer* layer = GetBackgroundLayer();
    if (!layer) return;
    layer->FinishActions();
    const DBCGModeRecord* record = g_DBCGMode.GetRecord(m_RecordID);
    if (index < 0 || index >= kPicturesPerRecord || !record) return;
    m_PictureIndex = index;
    GxString path = Config().m_FolderNames[kGxFolderCGEV] + record->FileName[index];
    if (!GxResolveImageFile(path)) {
        GxWriteErrorLog(u"画像がありません %s\n", record->FileName[index]);
        return;
    }
    layer->SetFlexImageContent(path, time);
    m_PictureWidth = f32(layer->GetContentWidth());
    m_PictureHeight = f32(layer->GetContentHeight());
    const GxString& pan = g_DBCGModeView.GetRecord(m_RecordID)->FileName[index];
    if (pan.empty()) return;
    std::vector<GxString> codes;
    GxSplitString(&codes, pan, u"|", 2);
    m_PanStart = GxVector4(AlignedPosition(codes[0], 0, m_PictureWidth), AlignedPosition(codes[0], 1, m_PictureHeight),
                           0.0f, 0.0f);
    m_PanEnd = m_PanStart;
    layer->SetPos(m_PanStart.x, m_PanStart.y, 0.0f, 0.0f);
    if (codes.size() < 2 || codes[1].empty()) return;
    const GxVector4 end(AlignedPosition(codes[1], 0, m_PictureWidth), AlignedPosition(codes[1], 1, m_PictureHeight),
                        0.0f, 0.0f);
    if (end.x == m_PanStart.x && end.y == m_PanStart.y) return;
    m_PanEnd = end;
    const f32 distance = std::hypot(end.x - m_PanStart.x, end.y - m_PanStart.y);
    const f32 target[4] = {end.x, end.y, 0.0f, 0.0f};
    GxAddActionWait(0, kPanDelay, layer);
    GxAddActionMove(target, kPanBaseTime + s32(kPanTimePerPixel * distance), layer, kInterpolation);
}

void SeqCGModeView::OnStartSequence(int workerIndex) {
    const GxSeqWorker* worker = Tasks() ? Tasks()->GetSeqWorker(workerIndex) : nullptr;
    m_RecordID = worker ? worker->m_CurrentParam0 : 0;
    // The ID comes with the scene change; one outside the table shows
    // nothing, and the first click returns.
    if (RefuseOutOfRangeID(m_RecordID, DBCGMode::kCapacity)) m_RecordID = -1;
    m_PictureIndex = NextSeenPicture(-1);
    ResetDrag();
    ResetPan();
    if (m_PictureIndex >= 0) ShowPicture(m_PictureIndex, 0);
}

void SeqCGModeView::OnEndSequence(int workerIndex) {
    GxSeqTransitBase::OnEndSequence(workerIndex);
    GxTaskLayer* layer = GetBackgroundLayer();
    if (layer) layer->FinishActions();
    ResetDrag();
    SetCursor(kCursorArrow);
    if (layer) layer->ClearContent();
}

int SeqCGModeView::OnLButtonDown(const GxVector2& pos, u32, bool) {
    GxTaskLayer* layer = GetBackgroundLayer();
    if (!layer || !CanOperate()) return 0;
    m_Dragging = true;
    m_PressPos = m_PointerPos = pos;
    layer->GetWorldPos(&m_PressLayerPos);
    return 0;
}

int SeqCGModeView::OnMouseMove(const GxVector2& pos, u32) {
    GxTaskLayer* layer = GetBackgroundLayer();
    if (!layer || !CanOperate() || !m_Dragging) return 0;
    m_PointerPos = pos;
    if (pos == m_PressPos) return 0;
    if (!layer->IsActionFinished()) {
        // The player takes the picture over from the pan.
        layer->ClearActions();
        layer->GetWorldPos(&m_PressLayerPos);
    }
    const bool wide = m_PictureWidth > kScreenWidth, tall = m_PictureHeight > kScreenHeight;
    SetCursor(wide && tall ? kCursorSizeAll : wide ? kCursorSizeWE : tall ? kCursorSizeNS : kCursorNo);
    const f32 x = wide ? std::clamp(m_PressLayerPos.x + (pos.x - m_PressPos.x), kScreenWidth - m_PictureWidth, 0.0f)
                       : 0.0f;
    const f32 y = tall ? std::clamp(m_PressLayerPos.y + (pos.y - m_PressPos.y), kScreenHeight - m_PictureHeight, 0.0f)
                       : 0.0f;
    layer->SetPos(x, y, 0.0f, 0.0f);
    return 0;
}

int SeqCGModeView::OnLButtonUp(const GxVector2&, u32) {
    if (CanOperate()) {
        GetEventCaller()->PostUIEvent(UIEVENT_RELEASE);
    } else if (m_Dragging) {
        // A release the viewer may not act on (a dialog opened meanwhile)
        // still ends the drag: the picture must not follow a pointer whose
        // button is up.
        ResetDrag();
        SetCursor(kCursorArrow);
    }
    return 0;
}

int SeqCGModeView::OnRButtonDown(const GxVector2&, u32, bool) {
    if (CanOperate()) GetEventCaller()->PostUIEvent(UIEVENT_CANCEL);
    return 0;
}

int SeqCGModeView::OnKeyDown(u32 virtualKey, u32) {
    // The arrows run from left to down.
    const bool next = virtualKey == pwin::vk_return || virtualKey == pwin::vk_space ||
                      (virtualKey >= pwin::vk_left && virtualKey <= pwin::vk_down);
    if (!next || !CanOperate()) return 0;
    const GxUIEventParam ev(kEventKeys, GetEventCaller());
    GetEventCaller()->DispatchUIEvent(&ev);
    return 1;
}

int SeqCGModeView::OnKeyActionUpdate(const GxInputState* keyMapState, int, s64) {
    if (!CanOperate()) return 0;
    if (IsPadActionPressed(keyMapState, u"DECIDE")) {
        const GxUIEventParam ev(kEventKeys, GetEventCaller());
        return GetEventCaller()->DispatchUIEvent(&ev) ? 1 : 0;
    }
    if (IsActionPressed(keyMapState, u"CANCEL")) return GetEventCaller()->PostUIEvent(UIEVENT_CANCEL) ? 1 : 0;
    return 0;
}

void SeqCGModeView::ReturnToGallery() { ChangeSequence(kGallery, 0, 0); }

int SeqCGModeView::OnUIEventRelease(GxTaskBase* sender, const GxUIEventParam*) {
    if (!sender || sender->GetTaskLocalName() != kEventCaller) return 0;
    const bool moved = m_Dragging && !(m_PointerPos == m_PressPos);
    ResetDrag();
    SetCursor(kCursorArrow);
    if (moved) return 1;
    GxTaskLayer* layer = GetBackgroundLayer();
    if (layer && !layer->IsActionFinished()) {
        layer->FinishActions();
        return 1;
    }
    m_PictureIndex = NextSeenPicture(m_PictureIndex);
    if (m_PictureIndex >= 0)
        ShowPicture(m_PictureIndex, kNextPictureFade);
    else
        ReturnToGallery();
    return 1;
}

int SeqCGModeView::OnUIEventType13(GxTaskBase* sender, const GxUIEventParam*) {
    if (!sender || sender->GetTaskLocalName() != kEventCaller) return 0;
    ResetDrag();
    SetCursor(kCursorArrow);
    m_PictureIndex = NextSeenPicture(m_PictureIndex);
    ResetPan();
    if (m_PictureIndex >= 0)
        ShowPicture(m_PictureIndex, kNextPictureFade);
    else
        ReturnToGallery();
    return 1;
}

int SeqCGModeView::OnUIEventCancel(GxTaskBase* sender, const GxUIEventParam*) {
    if (!sender || sender->GetTaskLocalName() != kEventCaller) return 0;
    ReturnToGallery();
    return 1;
}
