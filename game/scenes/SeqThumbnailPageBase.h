#pragma once
// What the picture gallery and the scene replay share: pages of up to 25
// thumbnail buttons, one per record of their table whose group is the page;
// page buttons ("btn_pageselect", local index = page) and "btn_prev" and
// "btn_next", which wrap from 1 to the last page; the completion rate drawn
// with the bitmap font "FONT22NUM"; and each thumbnail drawn over its button,
// its plate while the record is locked, its picture with a slow glow under
// the pointer once unlocked. Each entry counts the records anew from the
// permanent data. The mouse wheel and the left and right keys turn the page.
#include "game/scenes/SeqScreenBase.h"
#include "gamedata/GxFlagBits.h"

#include <vector>

class GxFontData;

class SeqThumbnailPageBase : public SeqScreenBase {
public:
    static constexpr s32 kRecordCount = 200;
    static constexpr s32 kThumbnailCount = 25;

    struct Look {
        const GxChar* thumbnailButton;  // "btn_cgselect"
        const GxChar* background;       // "bg_cgmode.png"
        const GxChar* thumbnailSet;     // "th_cgmode.gis"
        const GxChar* plate;            // "tip_cgplate.png" of "ui_extra.gis"
        f32 renderKey;
    };

    SeqThumbnailPageBase(GxTaskBase* parent, const GxChar* name, const Look& look);

    void OnStartSequence(int workerIndex) override;
    void OnEndSequence(int workerIndex) override;
    int EnqueueRender(int step, s64 elapsed) override;
    int Render(int drawParam, int listIndex) override;
    int OnMouseWheel(const GxVector2& pos, s32 delta, u32 keyFlags) override;
    int OnKeyDown(u32 virtualKey, u32 keyData) override;
    int OnUIEventDecide(GxTaskBase* sender, const GxUIEventParam* ev) override;

    // The local index of the first page button that is on; 0 when none is.
    s32 GetSelectedPage() const;
    // Makes the page's button the one on of its group; the page, or 0 when
    // it has no button.
    s32 SelectPageButton(s32 page);
    // The records of the page in ID order, the first 25 on the buttons.
    void ShowPage(s32 page);

    s32 GetCurrentPage() const { return m_CurrentPage; }
    s32 GetLastPage() const { return m_LastPage; }
    s32 GetTotal() const { return m_Total; }
    s32 GetUnlocked() const { return m_Unlocked; }
    // shown x 100 / total, 0 without any.
    s32 GetCompletionRate() const;
    const std::vector<s32>& GetPageList() const { return m_PageList; }
    // Bit n of a record: its n-th picture seen (gallery), its label passed
    // (replay, bit 0).
    const GxFlagWords& GetRecordBits(s32 id) const;

protected:
    // The per-record bits and counts, the totals and the last page.
    virtual void CountRecords() = 0;
    virtual bool IsListed(s32 id, s32 page) const = 0;
    virtual bool IsUnlocked(s32 id) const = 0;
    virtual const GxString& ThumbnailName(s32 id) const = 0;
    // What is drawn under a thumbnail besides its picture.
    virtual void DrawThumbnailExtra(GxTaskUIBase* /*button*/, s32 /*id*/) {}
    virtual void OnBack() = 0;
    virtual void OnThumbnail(s32 id) = 0;

    // Empties the per-record bits and the totals.
    void ResetCounts();
    // Logs a thumbnail missing from the thumbnail set with the format.
    void CheckThumbnail(s32 id, const GxChar* format) const;
    static GxFontData* FindFont(const GxChar* name);

    std::vector<GxFlagWords> m_RecordBits;
    s32 m_CurrentPage = 0;
    s32 m_LastPage = 0;
    s32 m_Total = 0;
    s32 m_Unlocked = 0;
    std::vector<s32> m_PageList;

private:
    void TurnPage(s32 step);
    void DrawPage();

    Look m_Look;
};
