#pragma once
// Widget type 51: a scrolling log of one-line entries over a PNG panel, each
// line an optional row of icons followed by its text. New lines go to the
// end and the oldest are dropped beyond the maximum; with automatic crossing
// out the oldest line also goes at a fixed interval, so the log empties by
// itself. The view shows up to m_MaxView lines from the line whose index is
// the widget's value; automatic scrolling keeps the newest in view, and a
// linked scroll bar mirrors the value and the range. The lines are part of
// its stored form.
#include "ui/GxTaskUIPanelFx.h"
#include "ui/GxTextLogElement.h"

#include <deque>

class GxSeqTaskBase;

class GxTaskUITextLogFx : public GxTaskUIPanelFx {
public:
    static constexpr s32 kTypeCode = 51;

    // The scene that makes the log decides whether it is drawn; without one
    // its owning scene does.
    GxTaskUITextLogFx(GxTaskBase* parent, const GxChar* name = nullptr, const GxChar* localName = nullptr,
                      s32 localIndex = 0, GxSeqTaskBase* scene = nullptr);

    // The base's start, then the scroll bar brought up to date and the
    // crossing-out clock reset.
    void OnStartSequence(int workerIndex) override;
    // The crossing out, then the panel's update.
    int Update(int step, s64 elapsed) override;
    // The panel's image, then the rows in view.
    int Render(int drawParam, int listIndex) override;
    bool WriteContent(GxContentWriterBase* writer) override;
    // The line count is checked against what the stream still holds and the
    // font index against the fonts.
    bool ReadContent(GxContentReaderBase* reader) override;
    // The panel's, then the font index.
    void ApplyModuleRecord(const DBUIModuleRecord& module) override;
    // A line with no icons in the log's colour.
    void SetText(const GxChar* text) override;

    virtual void SetTextFontIndex(s32 index);
    // The bitmap font of the icons, by the game's font number.
    virtual void SetIconFontIndex(s32 index) { m_IconFontIndex = index; }
    virtual void SetTextColor(u32 argb) { m_TextColor = argb; }
    virtual void SetEdgeColor(u32 argb) { m_EdgeColor = argb; }
    // Appends, trims to the maximum and scrolls when scrolling is automatic.
    virtual void AddLine(const GxChar* text, const GxChar* icons, u32 colour);
    virtual void ClearLines() { m_Lines.clear(); }
    virtual s32 GetLineCount() const { return s32(m_Lines.size()); }
    // 0: no limit.
    virtual void SetMaxLine(s32 n) { m_MaxLine = n; }
    virtual s32 GetMaxLine() const { return m_MaxLine; }
    virtual void SetMaxView(s32 n) { m_MaxView = n; }
    virtual s32 GetMaxView() const { return m_MaxView; }
    // With n not 0, the oldest lines go until at most n remain.
    virtual void TrimLines(s32 n);
    virtual void SetAutoScroll(bool on) { m_AutoScroll = on; }
    virtual bool GetAutoScroll() const { return m_AutoScroll; }
    virtual void SetAutoCrossout(bool on) { m_AutoCrossout = on; }
    virtual bool GetAutoCrossout() const { return m_AutoCrossout; }
    virtual void SetCrossoutWaitTime(s32 ms) { m_CrossoutWaitTime = ms; }
    virtual s32 GetCrossoutWaitTime() const { return m_CrossoutWaitTime; }
    // Any widget with a value and a range; not owned, not stored.
    virtual void SetScrollBar(GxTaskUIBase* bar) { m_pScrollBar = bar; }
    // The bar's maximum to the last line's index and its value to the log's.
    virtual void UpdateScrollBar();

    const std::deque<GxTextLogElement>& GetLines() const { return m_Lines; }
    s32 GetTextFontIndex() const { return m_TextFontIndex; }
    void SetUseEdge(bool on) { m_UseEdge = on; }

protected:
    // The bar's maximum: the last line's index, 0 for an empty log.
    void UpdateScrollBarMax();

    GxSeqTaskBase* m_pScene = nullptr;
    s32 m_TextFontIndex = 1;
    s32 m_TextFontSize = 0;
    s32 m_IconFontIndex = 0;
    u32 m_TextColor = 0xFFFFFFFF;
    u32 m_EdgeColor = 0;
    bool m_UseEdge = true;
    s32 m_MaxLine = 100;
    s32 m_MaxView = 16;
    bool m_AutoScroll = true;
    bool m_AutoCrossout = false;
    s32 m_CrossoutWaitTime = 3000;
    s32 m_CrossoutCount = 0;
    std::deque<GxTextLogElement> m_Lines;
    GxTaskUIBase* m_pScrollBar = nullptr;
};
