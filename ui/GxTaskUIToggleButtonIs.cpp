#include "ui/GxTaskUIToggleButtonIs.h"

#include "graphics/GxGraphics.h"
#include "io/GxContentReaderBase.h"
#include "io/GxContentWriterBase.h"

GxTaskUIToggleButtonIs::GxTaskUIToggleButtonIs(GxTaskBase* parent, const GxChar* name, const GxChar* localName,
                                               s32 localIndex)
    : GxTaskUIButtonIs(parent, name, localName, localIndex) {
    SetTaskTag(kTypeCode);
}

bool GxTaskUIToggleButtonIs::LoadImages() {
    if (!LoadFaces(u"GxTaskUI::LoadImage()/ImageSet wasn't Loaded:%s [%s]\n",
                   u"GxTaskUI::LoadImage()/Image not found:%s [%s]\n",
                   {u"_off.png", u"_on.png", u"_over.png", u"_na.png", u"_onover.png", u"_onna.png"}))
        return false;
    GxNcOriginImage** slot = m_ImagePatterns;
    if (!slot[kFaceOn]) {
        slot[kFaceOn] = slot[kFaceOver];
        slot[kFaceOver] = slot[kFaceOff];
    }
    if (!slot[kFaceNa]) slot[kFaceNa] = slot[kFaceOff];
    if (!slot[kFaceOnOver]) slot[kFaceOnOver] = slot[kFaceOn];
    if (!slot[kFaceOnNa]) slot[kFaceOnNa] = slot[kFaceNa];
    ApplyFaceSize();
    return true;
}

void GxTaskUIToggleButtonIs::OnPress() {
    if (m_AutoToggleFlag) SetValueBool(!GetValueBool());
}

int GxTaskUIToggleButtonIs::Render(int, int) {
    if (!IsActiveInScene()) return 0;
    const bool on = GetValueBool();
    const bool hovered = m_HoverCount != 0 && CanOperate(0);
    if (on)
        m_ImageIndex = hovered ? kFaceOnOver : kFaceOn;
    else
        m_ImageIndex = hovered ? kFaceOver : kFaceOff;
    BeginWidgetDraw();
    DrawFace(GetFace(m_ImageIndex, on ? kFaceOnNa : kFaceNa), GetImageAlphaScale());
    GxGraphics::EndScene();
    return 0;
}

bool GxTaskUIToggleButtonIs::WriteContent(GxContentWriterBase* w) {
    bool ok = GxTaskUIButtonIs::WriteContent(w);
    if (!w) return false;
    w->Write("m_AutoToggleFlag", m_AutoToggleFlag);
    return ok && w->GetErrorCount() == 0;
}

bool GxTaskUIToggleButtonIs::ReadContent(GxContentReaderBase* r) {
    bool ok = GxTaskUIButtonIs::ReadContent(r);
    if (!r) return false;
    r->Read("m_AutoToggleFlag", &m_AutoToggleFlag);
    return ok && r->GetErrorCount() == 0;
}
