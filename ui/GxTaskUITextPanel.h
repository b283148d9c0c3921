#pragma once
// What both text panels add to the panel they stand on (the PNG panel or
// the image-set panel): the text settings of GxUIPanelText, stored after the
// panel's own fields, the font index from the module record, and the text
// drawn over the panel's image in the client rectangle.
#include "graphics/GxGraphics.h"
#include "io/GxContentReaderBase.h"
#include "io/GxContentWriterBase.h"
#include "ui/DBUIModuleRecord.h"
#include "ui/GxUIPanelText.h"

template <class Panel>
class GxTaskUITextPanel : public Panel {
public:
    // className names the widget in log lines.
    GxTaskUITextPanel(GxTaskBase* parent, const GxChar* name, const GxChar* localName, s32 localIndex,
                      const GxChar* className)
        : Panel(parent, name, localName, localIndex), m_ClassName(className) {}

    // The panel's image, then the text.
    int Render(int drawParam, int listIndex) override {
        Panel::Render(drawParam, listIndex);
        if (!this->IsActiveInScene()) return 0;
        this->BeginWidgetDraw();
        m_PanelText.DrawInClient(*this, this->GetAlphaScale());
        GxGraphics::EndScene();
        return 0;
    }
    bool WriteContent(GxContentWriterBase* w) override {
        const bool ok = Panel::WriteContent(w);
        if (!w) return false;
        m_PanelText.Write(w);
        return ok && w->GetErrorCount() == 0;
    }
    bool ReadContent(GxContentReaderBase* r) override {
        const bool ok = Panel::ReadContent(r);
        if (!r) return false;
        m_PanelText.Read(r, m_ClassName);
        return ok && r->GetErrorCount() == 0;
    }
    // The panel's, then the font index.
    void ApplyModuleRecord(const DBUIModuleRecord& m) override {
        Panel::ApplyModuleRecord(m);
        SetTextFontIndex(m.FontIndex);
    }

    virtual void SetTextFontIndex(s32 index) { m_PanelText.SetFontIndex(index, m_ClassName); }
    virtual void SetTextColor(u32 argb) { m_PanelText.m_TextColor = argb; }
    virtual void SetEdgeColor(u32 argb) { m_PanelText.m_EdgeColor = argb; }
    virtual void SetAutoAlign(s32 align) { m_PanelText.m_AutoAlign = align; }
    virtual s32 GetAutoAlign() const { return m_PanelText.m_AutoAlign; }

    const GxUIPanelText& GetPanelText() const { return m_PanelText; }
    void SetUseEdge(bool on) { m_PanelText.m_UseEdge = on; }

protected:
    GxUIPanelText m_PanelText;
    const GxChar* m_ClassName;
};
