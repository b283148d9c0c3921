#pragma once
// The layout of adventure text, shared by the message window (which reveals
// it a character at a time) and the text window (which lays it out whole).
// Each step takes the next character or command of the text: "%r" new line,
// "%p" new page, "%c" click wait, "%w" time wait (with or without a number in
// parentheses), "%a" colour change (with a colour number in parentheses) or
// reset (without), "%%" a plain '%'; ruby written as ≪base／reading≫. A
// laid-out character is recorded with the cursor and the colour it had, and
// the cursor moves on by its cell width plus the letter margin; lines break
// by width, with the Japanese rules that keep a closing character from
// starting a line (it hangs at the end of the full line instead) and an
// opening character from ending one. Records are never laid out again, so
// the drawing walks them and a stored layout comes back exactly.
//
// The text is the owner's; it ends at its length or at a zero character,
// whichever comes first.
#include "base/GxVector.h"

#include <functional>
#include <vector>

class GxTaskActor;

class GxTextLayout {
public:
    struct CharRecord {
        u16 m_Char = 0;
        // The cursor when the character was laid out, relative to the
        // region; z is 0.
        GxVector3 m_OffsetPos;
        u32 m_Color = 0;
        bool m_ChangeColorFlag = false;
    };
    struct RubyRecord {
        // The reading.
        GxString m_Text;
        // Widths in pixels of the reading (in the ruby font) and of the base
        // text (in the text font, letter margins left out).
        s32 m_RubyCharWidth = 0;
        s32 m_RubyUnderCharWidth = 0;
        // x: the cursor at the base text less half a text cell, at least 0;
        // y: the cursor's line.
        GxVector3 m_OffsetPos;
    };
    // What differs between the owners.
    struct Rules {
        s32 m_LetterMargin = 0;
        // The step of a new line.
        s32 m_LinePitch = 0;
        // Whether characters and time waits add to m_WaitTimeLeft.
        bool m_Timed = false;
        s32 m_CharWaitTime = 0;
        s32 m_LongWaitTime = 0;
        // The colour of a colour reset.
        u32 m_DefaultColor = 0xFFFFFFFF;
    };
    enum class Stop {
        None,       // more to do
        ClickWait,  // a click-wait command
        End,        // the last character or command was just taken
        Exhausted,  // nothing was left to take
    };

    // Fonts 2 and 0 at their configured sizes.
    GxTextLayout();

    // Where the text ends: its first zero character, else its length.
    static s32 TextEnd(const GxString& text);
    // The text cut at its first zero character.
    static GxString CutAtZero(const GxString& text);

    // One character (with any line breaks after it), or commands up to the
    // next character.
    Stop Step(const GxString& text, const Rules& rules);
    s32 GetRemainingChars(const GxString& text) const;

    void NewLine(s32 pitch);
    // Both lists emptied; the cursor to the region's corner.
    void NewPage();
    // NewPage, the position to the start, out of a ruby, the colour flag off.
    void Restart();
    // Held to the text.
    void SetProcessPos(const GxString& text, s32 pos);

    // Index and its configured size; an index outside 0..5 is logged with
    // the class name and held to the range.
    void SetTextFontIndex(s32 index, const GxChar* className);
    void SetRubyFontIndex(s32 index, const GxChar* className);
    void SetTextRegion(s32 left, s32 top, s32 width, s32 height);

    // How an owner draws the layout.
    struct DrawStyle {
        bool m_Shadow = true;
        u32 m_ShadowColor = 0;
        bool m_Rubies = true;
        // A reading that would reach the region's right edge goes on at its
        // left, this much lower.
        s32 m_RubyWrapPitch = 0;
        bool m_Chars = true;
        // Characters stand this far below their line's top (the ruby band).
        s32 m_CharTop = 0;
        f32 m_CharShadowOffset = 2.0f;
        // 0: no outline; the outline keeps its own alpha.
        u32 m_EdgeColor = 0;
    };
    // The rubies in the ruby font (in the current text colour) and the
    // characters in the text font, each in colourOf's colour, at the actor:
    // offsets and glyphs scaled by its scale, colours (but the outline's)
    // with its alpha, blended by its blend mode. The caller opens the scene.
    void Draw(const GxTaskActor& actor, const DrawStyle& style,
              const std::function<u32(const CharRecord&)>& colourOf) const;

    std::vector<CharRecord> m_ShowChars;
    std::vector<RubyRecord> m_Rubies;
    s32 m_TextRegionLeft = 0;
    s32 m_TextRegionTop = 0;
    s32 m_TextRegionWidth = 800;
    s32 m_TextRegionHeight = 600;
    s32 m_TextFontIndex = 2;
    s32 m_RubyFontIndex = 0;
    s32 m_TextFontSize = 0;
    s32 m_RubyFontSize = 0;
    s32 m_ProcessPos = 0;
    bool m_RubyMode = false;
    s32 m_CursorX = 0;
    s32 m_CursorY = 0;
    u32 m_TextColor = 0xFFFFFFFF;
    bool m_ChangeColor = false;
    bool m_IgnoreKinsoku = false;
    bool m_DisenableAutoNewline = false;
    s32 m_WaitTimeLeft = 0;

private:
    // Lays out the character at the position and any closing characters
    // that hang after it.
    Stop LayOut(const GxString& text, s32 end, const Rules& rules);
    // Starts a ruby at the open character; false when no separator follows.
    bool StartRuby(const GxString& text, s32 end);
    // The number in parentheses of a command, stepped over with a closing
    // parenthesis after it; false when no number stands there.
    bool TakeNumber(const GxString& text, s32 end, s32* value);
};
