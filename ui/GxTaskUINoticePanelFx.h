#pragma once
// Widget type 13: a text panel that announces something in the top-right
// corner of the screen (GxStartNoticeSlide moves it in and out), with an
// optional icon from the game's icon set: centred in the client rectangle,
// at its left edge or at its top edge, the text centred in what the icon
// leaves.
#include "ui/GxTaskUITextPanelFx.h"

#include <utility>
#include <vector>

class GxNcOriginImage;

class GxTaskUINoticePanelFx : public GxTaskUITextPanelFx {
public:
    static constexpr s32 kTypeCode = 13;
    // Where the icon stands.
    static constexpr s32 kIconCentre = 0;
    static constexpr s32 kIconLeft = 1;
    static constexpr s32 kIconTop = 2;

    explicit GxTaskUINoticePanelFx(GxTaskBase* parent, const GxChar* name = nullptr,
                                   const GxChar* localName = nullptr, s32 localIndex = 0);

    // The panel's image, the icon, then the text centred in its area, each
    // glyph with its outline when the outline is on.
    int Render(int drawParam, int listIndex) override;

    // Pattern 0 of the record is drawn; null: no icon. Not owned; the icon
    // set outlives its records' users.
    void SetIcon(const GxNcOriginImage* icon, s32 placement) {
        m_pIcon = icon;
        m_IconPlacement = placement;
    }
    const GxNcOriginImage* GetIcon() const { return m_pIcon; }
    s32 GetIconPlacement() const { return m_IconPlacement; }

    // The text's block within an area of the given size: the largest start
    // of a character plus one font size across (at most the area's width)
    // and down, lines breaking at '|' and where the area's width makes them.
    GxPoint2 MeasureText(s32 areaWidth) const;
    // The lines the text is drawn in. A line holds a character while its
    // start plus one font size stays inside the area. A text that needs more
    // than one line is broken into as few as the width allows, as even as
    // they can be, and where a reader pauses: after a mark that closes or a
    // space, before one that opens, at a particle before a new word; never
    // inside a word of Latin letters, before a closing mark or after an
    // opening one (the game's line-start and line-end sets), unless a line
    // has no other place to break.
    std::vector<GxString> BreakLines(s32 areaWidth) const;

protected:
    // Where each line of the text begins and ends (line feeds and the
    // spaces that end a line left out), and the block they make.
    std::vector<std::pair<size_t, size_t>> LayOutLines(s32 areaWidth) const;
    GxPoint2 MeasureLines(const std::vector<std::pair<size_t, size_t>>& lines, s32 areaWidth) const;
    // Calls f(character, x, y) for each character with its place in the
    // block.
    template <class F>
    void ForEachPlace(const std::vector<std::pair<size_t, size_t>>& lines, F&& f) const;

    const GxNcOriginImage* m_pIcon = nullptr;
    s32 m_IconPlacement = kIconCentre;
};
