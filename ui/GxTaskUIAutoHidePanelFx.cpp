#include "ui/GxTaskUIAutoHidePanelFx.h"

#include "io/GxContentReaderBase.h"
#include "io/GxContentWriterBase.h"

#include <algorithm>

GxTaskUIAutoHidePanelFx::GxTaskUIAutoHidePanelFx(GxTaskBase* parent, const GxChar* name, const GxChar* localName,
                                                 s32 localIndex)
    : GxTaskUIPanelFx(parent, name, localName, localIndex) {
    SetTaskTag(kTypeCode);
    m_EventBlockFlag = false;
}

int GxTaskUIAutoHidePanelFx::Update(int step, s64 elapsed) {
    GxTaskUIBase::Update(step, elapsed);
    if (m_AutoHideMode != 1 && m_AutoHideMode != 2) return 0;
    const bool fadeOut = IsInsideClient(GetPointer()) == (m_AutoHideMode == 1);
    const s64 alpha = s64(m_Visual.m_Alpha) + (fadeOut ? -kFadeStep : kFadeStep);
    m_Visual.m_Alpha = s32(std::clamp<s64>(alpha, 0, 255));
    return 0;
}

bool GxTaskUIAutoHidePanelFx::WriteContent(GxContentWriterBase* w) {
    bool ok = GxTaskUIPanelFx::WriteContent(w);
    if (!w) return false;
    w->Write("m_AutoHideMode", m_AutoHideMode);
    return ok && w->GetErrorCount() == 0;
}

bool GxTaskUIAutoHidePanelFx::ReadContent(GxContentReaderBase* r) {
    bool ok = GxTaskUIPanelFx::ReadContent(r);
    if (!r) return false;
    r->Read("m_AutoHideMode", &m_AutoHideMode);
    return ok && r->GetErrorCount() == 0;
}
