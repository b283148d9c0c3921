#pragma once
// Widget type 10: a whole text laid out at once with the message window's
// markup, ruby and line-breaking rules, but with no letter margin, no
// reveal, no waits and no stored form: the backlog shows past messages in
// it. Lines are one text font size plus a pixel apart, plus the ruby band
// while rubies are shown.
#include "ui/GxTaskUIPanelFx.h"
#include "ui/GxTextLayout.h"

class GxTaskUITextWindowFx : public GxTaskUIPanelFx {
public:
    static constexpr s32 kTypeCode = 10;

    explicit GxTaskUITextWindowFx(GxTaskBase* parent, const GxChar* name = nullptr, const GxChar* localName = nullptr,
                                  s32 localIndex = 0);

    // The panel's image, then rubies (while shown) and characters.
    int Render(int drawParam, int listIndex) override;
    // The panel's, then the font index and the text region (the client
    // rectangle).
    void ApplyModuleRecord(const DBUIModuleRecord& module) override;
    // SetDisplayText with the rules on.
    void SetText(const GxChar* text) override;
    const GxString& GetText() const override { return m_DisplayText; }

    virtual void SetTextFontIndex(s32 index);
    virtual void SetRubyFontIndex(s32 index);
    virtual void ShowText() { m_VisibleText = true; }
    virtual void HideText() { m_VisibleText = false; }
    virtual void ShowRuby() { m_ShowRuby = true; }
    virtual void HideRuby() { m_ShowRuby = false; }
    // Clears the window, takes the text (cut at a zero character) and its
    // flags, and lays it out whole.
    virtual void SetDisplayText(const GxString& text, bool ignoreKinsoku, bool disableAutoNewline);
    virtual void ClearText();
    virtual s32 GetTextLength() const { return s32(m_DisplayText.size()); }
    virtual u32 GetCharCount() const { return u32(m_Layout.m_ShowChars.size()); }
    virtual void SetTextRegion(s32 left, s32 top, s32 width, s32 height);
    virtual s32 GetRemainingChars() const { return m_Layout.GetRemainingChars(m_DisplayText); }
    // LayoutStep until nothing remains; false.
    virtual bool LayoutAll();
    // One character or command; true at a click-wait command or the end.
    virtual bool LayoutStep();
    virtual void NewLine();
    virtual void NewPage() { m_Layout.NewPage(); }

    const GxTextLayout& GetLayout() const { return m_Layout; }
    bool IsRubyShown() const { return m_ShowRuby; }
    void SetUseShadow(bool on) { m_UseShadow = on; }

protected:
    // The step of a new line: the line pitch, plus the ruby band while
    // rubies are shown.
    s32 GetLineStep() const;

    GxString m_DisplayText;
    GxTextLayout m_Layout;
    s32 m_LinePitch = 0;
    s32 m_RubyMarginHeight = 0;
    u32 m_ShadowColor = 0;
    bool m_VisibleText = true;
    bool m_ShowRuby = true;
    bool m_UseShadow = true;
};
