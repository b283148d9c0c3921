#include "ui/GxTaskUITextPanelFx.h"

#include "graphics/GxGraphics.h"
#include "io/GxContentReaderBase.h"
#include "io/GxContentWriterBase.h"
#include "ui/DBUIModuleRecord.h"

namespace {
constexpr const GxChar* kClassName = u"GxTaskUITextPanelFx";
}

GxTaskUITextPanelFx::GxTaskUITextPanelFx(GxTaskBase* parent, const GxChar* name, const GxChar* localName,
                                         s32 localIndex)
    : GxTaskUIPanelFx(parent, name, localName, localIndex) {
    SetTaskTag(kTypeCode);
}

void GxTaskUITextPanelFx::SetTextFontIndex(s32 index) { m_PanelText.SetFontIndex(index, kClassName); }

void GxTaskUITextPanelFx::ApplyModuleRecord(const DBUIModuleRecord& m) {
    GxTaskUIPanelFx::ApplyModuleRecord(m);
    SetTextFontIndex(m.FontIndex);
}

int GxTaskUITextPanelFx::Render(int drawParam, int listIndex) {
    GxTaskUIPanelFx::Render(drawParam, listIndex);
    if (!IsActiveInScene()) return 0;
    BeginWidgetDraw();
    m_PanelText.DrawInClient(*this, GetAlphaScale());
    GxGraphics::EndScene();
    return 0;
}

bool GxTaskUITextPanelFx::WriteContent(GxContentWriterBase* w) {
    bool ok = GxTaskUIPanelFx::WriteContent(w);
    if (!w) return false;
    m_PanelText.Write(w);
    return ok && w->GetErrorCount() == 0;
}

bool GxTaskUITextPanelFx::ReadContent(GxContentReaderBase* r) {
    bool ok = GxTaskUIPanelFx::ReadContent(r);
    if (!r) return false;
    m_PanelText.Read(r, kClassName);
    return ok && r->GetErrorCount() == 0;
}
