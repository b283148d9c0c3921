#pragma once
// A text texture that reveals a text a few characters at a time inside a
// layout rectangle: a pen, character and line spacing, automatic line breaks
// at the rectangle's right edge, a line-feed character and inline colour
// codes, so that a window can show its text a few characters per frame and
// keep its state between frames. Glyphs come from the rasteriser (the
// default), a glyph sheet or a glyph set.
//
// With the default codes a colour change is written U+0001, one or more
// colour characters, U+0001 (ParseTextColorCode reads them). The text is
// never cut at the rectangle's bottom.
#include "graphics/GxTextureText.h"

class GxTextureTextEx;

// Reads a colour escape (the units after the escape character) and returns
// how many units it used.
using GxTextColorCodeParser = u32 (*)(GxTextureTextEx* texture, const GxChar* codes, GxChar terminator);

// The default parser: each unit counts; '0' to '7' set the current colour to
// black, blue, green, red, cyan, magenta, yellow or white, '-' restores the
// default colour, anything else changes nothing; it stops after the
// terminator (counted) or before the end of the text.
u32 ParseTextColorCode(GxTextureTextEx* texture, const GxChar* codes, GxChar terminator);

enum GxGlyphSource : s32 {
    kGxGlyphSourceFont = 1,
    kGxGlyphSourceSheet = 2,
    kGxGlyphSourceSet = 3,
};

class GxTextureTextEx : public GxTextureText {
public:
    static constexpr int kUserSlotCount = 8;

    GxTextureTextEx();
    ~GxTextureTextEx() override;

    // Also makes the layout rectangle the whole texture.
    bool CreateTexture(const GxChar* name, u32 width, u32 height, u32 format, u32 mipLevels) override;

    // Null: the whole texture. The pen goes to the rectangle's top-left.
    virtual void SetLayoutRect(const GxRect* rect);
    virtual void SetColour(u32 argb);
    virtual void SetStyleColour(u32 argb);
    virtual void SetFontSize(s32 size);
    // The sheet and set are the caller's and must outlive their use here.
    virtual void SetGlyphSheet(const GxGlyphSheet* sheet);
    virtual void SetGlyphSet(const GxGlyphSet* set, s32 style);
    virtual void SetCodes(GxChar lineFeed, GxChar escape, GxChar terminator);
    virtual void SetSpacing(s32 charSpacing, s32 lineSpacing);
    // Null turns colour codes off.
    virtual void SetColourCodeParser(GxTextColorCodeParser parser);
    virtual void SetText(const GxChar* text);
    virtual void AppendText(const GxChar* text);
    virtual void ClearText();
    virtual void SetPen(s32 x, s32 y);
    virtual void GetPen(s32* x, s32* y) const;
    virtual void SetPosition(u32 index);
    // Reveals up to count characters (line feeds do not count) and returns
    // how many characters are left.
    virtual u32 DrawNext(u32 count);
    virtual void DrawAll();
    // As DrawNext, reading colour codes.
    virtual u32 DrawNextStyled(u32 count);
    virtual void DrawAllStyled();
    virtual void DrawString(const GxChar* text);
    virtual void DrawStringAt(const GxChar* text, s32 x, s32 y);
    // Empties the text, returns the pen to the layout rectangle's top-left
    // and clears the rectangle's pixels to 0.
    virtual void Clear();
    virtual void ClearAndDrawString(const GxChar* text);
    virtual void ClearAndDrawStringAt(const GxChar* text, s32 x, s32 y);

    // What colour codes change.
    void SetCurrentColour(u32 argb) { m_CurrentColour = argb; }
    u32 GetCurrentColour() const { return m_CurrentColour; }
    u32 GetDefaultColour() const { return m_DefaultColour; }
    const GxRect& GetLayoutRect() const { return m_LayoutRect; }
    const GxString& GetText() const { return m_Text; }
    u32 GetPosition() const { return m_Position; }
    s32 GetGlyphSource() const { return m_GlyphSource; }

    // Kept for the texture's owner; nothing here reads them.
    s32 m_UserValue[kUserSlotCount] = {};
    GxString m_UserString[kUserSlotCount];

private:
    u32 Reveal(u32 count, bool styled);
    u32 Left() const;

    GxString m_Text;
    u32 m_Position = 0;
    s32 m_PenX = 0;
    s32 m_PenY = 0;
    s32 m_FontSize = 16;
    s32 m_GlyphSource = kGxGlyphSourceFont;
    s32 m_CharSpacing = 0;
    s32 m_LineSpacing = 0;
    s32 m_GlyphStyle = 0;
    u32 m_DefaultColour = 0xFFFFFFFFu;
    u32 m_CurrentColour = 0xFFFFFFFFu;
    u32 m_StyleColour = 0xFF000000u;
    const GxGlyphSheet* m_Sheet = nullptr;
    const GxGlyphSet* m_GlyphSet = nullptr;
    GxChar m_LineFeedCode = 10;
    GxChar m_EscapeCode = 1;
    GxChar m_TerminatorCode = 1;
    GxRect m_LayoutRect;
    GxTextColorCodeParser m_ColourCodeParser = ParseTextColorCode;
};
