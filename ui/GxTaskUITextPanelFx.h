#pragma once
// Widget type 11: a short text over a PNG panel, laid out in the client
// rectangle (GxUIPanelText); lines break at '|' and at the rectangle's
// width. The name window of the adventure screen is one.
#include "ui/GxTaskUIPanelFx.h"
#include "ui/GxUIPanelText.h"

class GxTaskUITextPanelFx : public GxTaskUIPanelFx {
public:
    static constexpr s32 kTypeCode = 11;

    explicit GxTaskUITextPanelFx(GxTaskBase* parent, const GxChar* name = nullptr, const GxChar* localName = nullptr,
                                 s32 localIndex = 0);

    // The panel's image, then the text.
    int Render(int drawParam, int listIndex) override;
    bool WriteContent(GxContentWriterBase* writer) override;
    bool ReadContent(GxContentReaderBase* reader) override;
    // The panel's, then the font index.
    void ApplyModuleRecord(const DBUIModuleRecord& module) override;

    virtual void SetTextFontIndex(s32 index);
    virtual void SetTextColor(u32 argb) { m_PanelText.m_TextColor = argb; }
    virtual void SetEdgeColor(u32 argb) { m_PanelText.m_EdgeColor = argb; }
    virtual void SetAutoAlign(s32 align) { m_PanelText.m_AutoAlign = align; }
    virtual s32 GetAutoAlign() const { return m_PanelText.m_AutoAlign; }

    const GxUIPanelText& GetPanelText() const { return m_PanelText; }
    void SetUseEdge(bool on) { m_PanelText.m_UseEdge = on; }

protected:
    GxUIPanelText m_PanelText;
};
