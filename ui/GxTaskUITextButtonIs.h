#pragma once
// Widget type 21: a push button that draws its text (m_Text) over its face
// with a system font map, outlined, centred across the client rectangle when
// it fits on one line; '|' breaks a line, and a line that reaches the client
// width wraps.
#include "ui/GxTaskUIButtonIs.h"
#include "ui/GxUIPanelText.h"

class GxTaskUITextButtonIs : public GxTaskUIButtonIs {
public:
    static constexpr s32 kTypeCode = 21;

    explicit GxTaskUITextButtonIs(GxTaskBase* parent, const GxChar* name = nullptr, const GxChar* localName = nullptr,
                                  s32 localIndex = 0);

    int Render(int drawParam, int listIndex) override;
    bool WriteContent(GxContentWriterBase* writer) override;
    bool ReadContent(GxContentReaderBase* reader) override;
    // The image names, then the record's font index.
    void ApplyModuleRecord(const DBUIModuleRecord& module) override;

    // The font map (0 to 5) and its configured size.
    virtual void SetTextFontIndex(s32 index);
    virtual void SetTextColor(u32 argb) { m_PanelText.m_TextColor = argb; }
    u32 GetTextColor() const { return m_PanelText.m_TextColor; }
    virtual void SetEdgeColor(u32 argb) { m_PanelText.m_EdgeColor = argb; }
    virtual void SetAutoAlign(s32 align) { m_PanelText.m_AutoAlign = align; }
    virtual s32 GetAutoAlign() const { return m_PanelText.m_AutoAlign; }

    s32 GetTextFontIndex() const { return m_PanelText.m_TextFontIndex; }
    s32 GetTextFontSize() const { return m_PanelText.m_TextFontSize; }
    // Where the text's first line starts, in the widget.
    s32 GetTextStartX() const;

protected:
    void DrawText();

    // The text panels' settings: font, colours, outline and alignment.
    GxUIPanelText m_PanelText;
};
