#pragma once
// Widget type 13: a text panel that announces something in the top-right
// corner of the screen (GxStartNoticeSlide moves it in and out), with an
// optional icon from the game's icon set: centred in the client rectangle,
// at its left edge or at its top edge, the text centred in what the icon
// leaves.
#include "ui/GxTaskUITextPanelFx.h"

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
    // and down, lines breaking at '|' and at the area's width.
    GxPoint2 MeasureText(s32 areaWidth) const;

protected:
    // Calls f(character, x, y) for each character with its place in the
    // block.
    template <class F>
    void ForEachPlace(s32 areaWidth, F&& f) const;

    const GxNcOriginImage* m_pIcon = nullptr;
    s32 m_IconPlacement = kIconCentre;
};
