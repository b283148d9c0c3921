#pragma once
// Widget type 45: the tool tip. A box of 16-pixel tiles cut from a skin
// image's cells (edges, middle, far edges), sized to its text with a padding
// on every side, placed 24 pixels left of and below the pointer and kept on
// the 1024 x 768 screen. Text wraps at m_NewLineWidth and at '|' or a line
// feed. It is shown through GxShowTipHelp, hides itself when given an empty
// text and, with m_AutoHide, at the next pointer movement; it stays where it
// was placed.
#include "ui/GxTaskUIIsBase.h"
#include "ui/GxUITextStyle.h"

class GxNcOriginImage;

class GxTaskUITipHelpIs : public GxTaskUIIsBase {
public:
    static constexpr s32 kTypeCode = 45;
    static constexpr s32 kTileSize = 16;

    explicit GxTaskUITipHelpIs(GxTaskBase* parent, const GxChar* name = nullptr, const GxChar* localName = nullptr,
                               s32 localIndex = 0);

    int Render(int drawParam, int listIndex) override;
    bool WriteContent(GxContentWriterBase* writer) override;
    // Forgets the skin and resets the event state after reading.
    bool ReadContent(GxContentReaderBase* reader) override;
    // The base's, the record's font index, then the image names.
    void ApplyModuleRecord(const DBUIModuleRecord& module) override;
    // The skin <name>.png; none without an image name (text only).
    bool LoadImages() override;
    void ReleaseImages() override { m_pSkin = nullptr; }
    // The text, the box sized to it; an empty text hides the tip.
    void SetText(const GxChar* text) override;
    // Hides a shown tip when m_AutoHide is set; never consumed.
    int OnMouseMove(const GxVector2& pos, u32 keyFlags) override;
    // The base update; then, with m_AutoHide, a shown tip whose pointer has
    // moved since it was placed hides as at a move: a move can be kept by a
    // widget offered it first (a system dialog over the scene keeps those
    // over it).
    int Update(int step, s64 elapsed) override;

    virtual void SetTextFontIndex(s32 index);
    virtual void SetTextColor(u32 argb) { m_Style.m_TextColor = argb; }
    virtual void SetEdgeColor(u32 argb) { m_Style.m_EdgeColor = argb; }
    virtual void SetNewLineWidth(s32 width) { m_NewLineWidth = width; }
    virtual s32 GetNewLineWidth() const { return m_NewLineWidth; }
    virtual void SetPadding(s32 padding) { m_Padding = padding; }
    virtual s32 GetPadding() const { return m_Padding; }
    virtual void SetPatternIndex(s32 index) { m_PatternIndex = index; }
    virtual s32 GetPatternIndex() const { return m_PatternIndex; }
    // Patterns of the skin; 0 without one.
    virtual s32 GetPatternCount() const;
    // The box next to the pointer, moved to stay on the screen.
    virtual void SetTipPosition(const GxVector3& pointer);
    // The number of line breaks of the text; the widest line's measure into
    // width when it is not null.
    virtual s32 MeasureText(s32* width);

    void SetAutoHide(bool on) { m_AutoHide = on; }
    bool GetAutoHide() const { return m_AutoHide; }
    s32 GetTextFontIndex() const { return m_Style.m_TextFontIndex; }
    GxNcOriginImage* GetSkin() const { return m_pSkin; }

protected:
    // The end of the line breaking: the new lines started, and whether the
    // last character started one.
    struct LineEnd {
        s64 m_Lines = 0;
        bool m_AtLineStart = false;
    };
    // Walks the text's line breaking: place(ch, pen, line, penAfter) for each
    // drawn character, its pen taken before its advance and penAfter after
    // the advance and the wrap test.
    template <class F>
    LineEnd WalkLines(F&& place) const;

    GxNcOriginImage* m_pSkin = nullptr;
    s32 m_PatternIndex = 0;
    GxUITextStyle m_Style;
    s32 m_NewLineWidth = 320;
    bool m_AutoHide = true;
    s32 m_Padding = 8;
    // The pointer the tip was last placed for (not stored).
    GxVector2 m_PlacedFor;
    bool m_Placed = false;
};
