#pragma once
// Widget type 17: a short text over an image-set pattern, laid out in the
// client rectangle like the PNG text panel's.
#include "ui/GxTaskUIPanelIs.h"
#include "ui/GxUIPanelText.h"

class GxTaskUITextPanelIs : public GxTaskUIPanelIs {
public:
    static constexpr s32 kTypeCode = 17;

    explicit GxTaskUITextPanelIs(GxTaskBase* parent, const GxChar* name = nullptr, const GxChar* localName = nullptr,
                                 s32 localIndex = 0);

    // The pattern, then the text.
    int Render(int drawParam, int listIndex) override;
    bool WriteContent(GxContentWriterBase* writer) override;
    bool ReadContent(GxContentReaderBase* reader) override;
    // The image-set panel's, then the font index.
    void ApplyModuleRecord(const DBUIModuleRecord& module) override;

    virtual void SetTextFontIndex(s32 index);
    virtual void SetTextColor(u32 argb) { m_PanelText.m_TextColor = argb; }
    virtual void SetEdgeColor(u32 argb) { m_PanelText.m_EdgeColor = argb; }
    virtual void SetAutoAlign(s32 align) { m_PanelText.m_AutoAlign = align; }
    virtual s32 GetAutoAlign() const { return m_PanelText.m_AutoAlign; }

    const GxUIPanelText& GetPanelText() const { return m_PanelText; }

protected:
    GxUIPanelText m_PanelText;
};
