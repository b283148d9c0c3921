#pragma once
// Widget type 9: the window of the adventure text. The scene hands it one
// message at a time; its update reveals the message a character at a time,
// one per TextWaitTime milliseconds of the player's settings, laying it out
// as it goes (GxTextLayout: line breaks with the Japanese rules, ruby, colour
// changes, new lines and pages) and stopping at click waits, time waits and
// the end. When the reveal stops at a click wait or the end it ends the
// frame's update steps, so that nothing behind it runs on before the player
// has seen the text. The laid-out characters are part of its stored form:
// read back, the window stands exactly as it stood, page, colours and wait
// included.
#include "ui/GxTaskUIPanelFx.h"
#include "ui/GxTextLayout.h"

class GxTaskUIMessageWindowFx : public GxTaskUIPanelFx {
public:
    static constexpr s32 kTypeCode = 9;

    explicit GxTaskUIMessageWindowFx(GxTaskBase* parent, const GxChar* name = nullptr,
                                     const GxChar* localName = nullptr, s32 localIndex = 0);

    // The panel's update, then the reveal: the wait runs down by the elapsed
    // milliseconds and characters are revealed while it is used up.
    int Update(int step, s64 elapsed) override;
    // The panel's image, then rubies and characters.
    int Render(int drawParam, int listIndex) override;
    bool WriteContent(GxContentWriterBase* writer) override;
    // Counts are checked against what the stream still holds, the position
    // against the text and the font indexes against the fonts.
    bool ReadContent(GxContentReaderBase* reader) override;
    // The panel's, then the font index and the text region (the client
    // rectangle).
    void ApplyModuleRecord(const DBUIModuleRecord& module) override;
    // SetMessage with auto click wait and nothing else.
    void SetText(const GxChar* text) override;

    virtual void SetTextFontIndex(s32 index);
    virtual void SetRubyFontIndex(s32 index);
    virtual void ShowText() { m_VisibleText = true; }
    virtual void HideText() { m_VisibleText = false; }
    // Clears the window and takes the text (cut at a zero character) and
    // its flags. A read message is shown whole at once when the player asks
    // for that.
    virtual void SetMessage(const GxString& text, bool enableAutoClickWait, bool readFlag, bool ignoreKinsoku,
                            bool disableAutoNewline);
    virtual void ClearMessage();
    virtual s32 GetTextLength() const { return s32(m_Text.size()); }
    virtual u32 GetCharCount() const { return u32(m_Layout.m_ShowChars.size()); }
    virtual bool IsReaded() const { return m_ReadedFlag; }
    virtual void SetTextRegion(s32 left, s32 top, s32 width, s32 height);
    // Held to the text.
    virtual void SetProcessPos(s32 pos) { m_Layout.SetProcessPos(m_Text, pos); }
    virtual s32 GetProcessPos() const { return m_Layout.m_ProcessPos; }
    virtual s32 GetRemainingChars() const { return m_Layout.GetRemainingChars(m_Text); }
    virtual bool IsClickWaiting() const { return m_ClickWaiting; }
    virtual bool IsTimeWaiting() const { return m_Layout.m_WaitTimeLeft > 0; }
    // A click on the text: ends a time wait; clears a click wait, true when
    // the message is then finished; otherwise shows everything up to the
    // next click wait at once.
    virtual bool OnClick();
    // Reveals up to the next click wait, or through them to the end; with
    // onlyWhenRead nothing unless the message is read. True when it stopped
    // at a click wait.
    virtual bool RevealAll(bool throughClickWaits, bool onlyWhenRead);
    virtual void SetLetterMarginWidth(s32 width) { m_LetterMarginWidth = width; }
    virtual s32 GetLetterMarginWidth() const { return m_LetterMarginWidth; }
    // The next character, or commands up to it; true at a click wait or the
    // end of the message.
    virtual bool RevealStep();
    virtual void NewLine() { m_Layout.NewLine(m_TextTotalHeight); }
    virtual void NewPage() { m_Layout.NewPage(); }

    const GxTextLayout& GetLayout() const { return m_Layout; }
    s32 GetWaitTimeLeft() const { return m_Layout.m_WaitTimeLeft; }
    bool IsTextVisible() const { return m_VisibleText; }
    void SetUseShadow(bool on) { m_UseShadow = on; }
    void SetEdgeColor(u32 argb) { m_EdgeColor = argb; }

protected:
    GxTextLayout::Rules MakeRules() const;
    // The colour of a laid-out character at drawing time, before the
    // actor's alpha.
    u32 CharColor(const GxTextLayout::CharRecord& record) const;
    // The characters with the message window's bitmap font, each centred in
    // its cell.
    void DrawWithBitmapFont() const;

    GxTextLayout m_Layout;
    s32 m_LetterMarginWidth = 4;
    s32 m_RubyMarginHeight = 0;
    s32 m_TextTotalHeight = 0;
    u32 m_ShadowColor = 0;
    // 0: no outline. Not stored.
    u32 m_EdgeColor = 0;
    bool m_VisibleText = true;
    bool m_UseShadow = true;
    bool m_EnableAutoClickWait = false;
    bool m_ClickWaiting = false;
    bool m_ReadedFlag = false;
};
