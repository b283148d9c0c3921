#include "ui/GxTaskUITextPanelIs.h"

#include "graphics/GxGraphics.h"
#include "io/GxContentReaderBase.h"
#include "io/GxContentWriterBase.h"
#include "ui/DBUIModuleRecord.h"

namespace {
constexpr const GxChar* kClassName = u"GxTaskUITextPanelIs";
}

GxTaskUITextPanelIs::GxTaskUITextPanelIs(GxTaskBase* parent, const GxChar* name, const GxChar* localName,
                                         s32 localIndex)
    : GxTaskUIPanelIs(parent, name, localName, localIndex) {
    SetTaskTag(kTypeCode);
}

void GxTaskUITextPanelIs::SetTextFontIndex(s32 index) { m_PanelText.SetFontIndex(index, kClassName); }

void GxTaskUITextPanelIs::ApplyModuleRecord(const DBUIModuleRecord& m) {
    GxTaskUIPanelIs::ApplyModuleRecord(m);
    SetTextFontIndex(m.FontIndex);
}

int GxTaskUITextPanelIs::Render(int drawParam, int listIndex) {
    GxTaskUIPanelIs::Render(drawParam, listIndex);
    if (!IsActiveInScene()) return 0;
    BeginWidgetDraw();
    m_PanelText.DrawInClient(*this, GetAlphaScale());
    GxGraphics::EndScene();
    return 0;
}

bool GxTaskUITextPanelIs::WriteContent(GxContentWriterBase* w) {
    bool ok = GxTaskUIPanelIs::WriteContent(w);
    if (!w) return false;
    m_PanelText.Write(w);
    return ok && w->GetErrorCount() == 0;
}

bool GxTaskUITextPanelIs::ReadContent(GxContentReaderBase* r) {
    bool ok = GxTaskUIPanelIs::ReadContent(r);
    if (!r) return false;
    m_PanelText.Read(r, kClassName);
    return ok && r->GetErrorCount() == 0;
}
