#include "ui/GxTaskUIPressButtonIs.h"

#include "io/GxContentReaderBase.h"
#include "io/GxContentWriterBase.h"

GxTaskUIPressButtonIs::GxTaskUIPressButtonIs(GxTaskBase* parent, const GxChar* name, const GxChar* localName,
                                             s32 localIndex)
    : GxTaskUIButtonIs(parent, name, localName, localIndex) {
    SetTaskTag(kTypeCode);
}

void GxTaskUIPressButtonIs::OnPress() {
    m_PressFrame = m_FrameCount;
    m_PressFlag = true;
}

void GxTaskUIPressButtonIs::EndPress() {
    m_PressFrame = -1;
    m_PressFlag = false;
    m_Value = 0.0;
}

void GxTaskUIPressButtonIs::ResetEventState() {
    GxTaskUIButtonIs::ResetEventState();
    EndPress();
}

int GxTaskUIPressButtonIs::OnLButtonUp(const GxVector2&, u32) {
    EndPress();
    return 0;
}

s32 GxTaskUIPressButtonIs::ChooseFace(bool allowed) const {
    if (!allowed) return kFaceOff;
    if (m_EventState == UIEVENT_DECIDE || m_PressShowCount > 0 || m_PressFlag) return kFaceOn;
    return m_HoverCount != 0 ? kFaceOver : kFaceOff;
}

int GxTaskUIPressButtonIs::Update(int step, s64 elapsed) {
    GxTaskUIButtonIs::Update(step, elapsed);
    // The first repeat comes in the update of the press itself.
    if (m_PressFlag && m_EventIntervalFrame > 0 && (s64(m_FrameCount) - m_PressFrame) % m_EventIntervalFrame == 0) {
        m_EventState = UIEVENT_VALUE_CHANGE;
        m_Value += 1.0;
        if (CanOperate(0)) RaisePointerEvent(UIEVENT_VALUE_CHANGE, GetPointer());
    }
    m_FrameCount = s32(u32(m_FrameCount) + 1u);
    return 0;
}

bool GxTaskUIPressButtonIs::WriteContent(GxContentWriterBase* w) {
    bool ok = GxTaskUIButtonIs::WriteContent(w);
    if (!w) return false;
    w->Write("m_EventIntervalFrame", m_EventIntervalFrame);
    return ok && w->GetErrorCount() == 0;
}

bool GxTaskUIPressButtonIs::ReadContent(GxContentReaderBase* r) {
    bool ok = GxTaskUIButtonIs::ReadContent(r);
    if (!r) return false;
    r->Read("m_EventIntervalFrame", &m_EventIntervalFrame);
    EndPress();
    return ok && r->GetErrorCount() == 0;
}
