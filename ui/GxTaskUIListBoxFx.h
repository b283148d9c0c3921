#pragma once
// Widget type 50: a scrolling list of text rows over a PNG background (the
// panel's image). Each row shows an optional bitmap-font prefix, its text
// with a one-pixel outline and further columns. The value is the index of
// the item in the first visible row, kept within 0 and the largest top
// index; the wheel scrolls by one row and a linked scroll bar follows. A
// hovered row is highlighted and shows its description in a linked widget;
// a left press selects an enabled row (event 15, vector 0 = (column, index)).
#include "ui/GxTaskUIPanelFx.h"
#include "ui/GxUITextStyle.h"
#include "ui/GxUIListItem.h"

#include <vector>

class GxTaskUIListBoxFx : public GxTaskUIPanelFx {
public:
    static constexpr s32 kTypeCode = 50;
    static constexpr u32 kHoverBarColor = 0x4000FFFF;
    static constexpr u32 kSelectedBarColor = 0x9000FFFF;
    static constexpr u32 kSelectedTextColor = 0xFFFFFFFF;
    static constexpr u32 kDisabledTextColor = 0xFF806040;

    explicit GxTaskUIListBoxFx(GxTaskBase* parent, const GxChar* name = nullptr, const GxChar* localName = nullptr,
                               s32 localIndex = 0);

    // The images, the event state, then the scroll bar brought in line.
    void OnStartSequence(int workerIndex) override;
    int Render(int drawParam, int listIndex) override;
    bool WriteContent(GxContentWriterBase* writer) override;
    bool ReadContent(GxContentReaderBase* reader) override;
    // The panel's image name, then the record's font index.
    void ApplyModuleRecord(const DBUIModuleRecord& module) override;
    // The background; the client rectangle's defaults keep a margin on the
    // left and top only, and no visible rows count becomes what the client
    // height holds.
    bool LoadImages() override;
    // Kept within 0 and the largest top index.
    void SetValue(f64 value) override;
    int OnMouseMove(const GxVector2& pos, u32 keyFlags) override;
    int OnMouseWheel(const GxVector2& pos, s32 delta, u32 keyFlags) override;
    int OnLButtonDown(const GxVector2& pos, u32 keyFlags, bool doubleClick) override;

    virtual void SetTextFontIndex(s32 index);
    virtual void SetTextColor(u32 argb) { m_Style.m_TextColor = argb; }
    virtual void SetEdgeColor(u32 argb) { m_Style.m_EdgeColor = argb; }
    // Both return the stored item, valid until the next item is added or
    // the items are cleared.
    virtual GxUIListItem* AddItemRecord(const GxUIListItem& item);
    virtual GxUIListItem* AddItem(const GxChar* text, const GxChar* prefix, s32 prefixFont, const GxChar* label,
                                  s32 value, const GxChar* description);
    // Every item gone, nothing hovered or selected, back at the top.
    virtual void ClearItems();
    // No item ticked, nothing hovered or selected, the description empty.
    virtual void ClearSelection();
    virtual void AddColumnWidth(s32 width) { m_ColumnWidths.push_back(width); }
    virtual void ClearColumnWidths();
    virtual s32 GetItemCount() const { return s32(m_Items.size()); }
    virtual s32 GetColumnCount() const { return s32(m_ColumnWidths.size()); }
    // Null for an index outside the items (columns).
    virtual GxUIListItem* GetItem(s32 index);
    virtual s32* GetColumnWidth(s32 index);
    // Linked widgets; not owned.
    virtual void SetDescriptWidget(GxTaskUIBase* widget) { m_DescriptWidget = widget; }
    virtual void SetScrollBar(GxTaskUIBase* widget) { m_ScrollBar = widget; }
    virtual s32 GetSelectedIndex() const { return m_SelectedIndex; }
    // Empty (-1) without a selected item.
    virtual GxString GetSelectedText() const;
    virtual s32 GetSelectedValue() const;
    virtual s32 GetHoverIndex() const { return m_HoverIndex; }
    virtual void SetVisibleRows(s32 rows) { m_VisibleRows = rows; }
    virtual s32 GetVisibleRows() const { return m_VisibleRows; }
    // The scroll bar's maximum to the largest top index, its value to the list's.
    virtual void SyncScrollBar();
    // A further column of the item with the text; valid until the item's
    // next sub-item is added or the items are cleared.
    GxUIListItem* AddItemText(GxUIListItem* item, const GxChar* text);

    // max(item count - visible rows, 0).
    s32 GetLargestTopIndex() const;
    s32 GetTextFontIndex() const { return m_Style.m_TextFontIndex; }
    s32 GetTextFontSize() const { return m_Style.m_TextFontSize; }

protected:
    // The item under a point, or -1 when the point is on no row that counts.
    s32 ItemAt(const GxVector2& p);
    // The row pitch; 0 or less: no row can be hit.
    s64 GetRowPitch() const { return s64(m_Style.m_TextFontSize) + 2; }
    void SetDescription(const GxString& text);
    // A prefix and text at (x, y), the prefix first.
    void DrawEntry(const GxUIListItem& entry, f32 x, f32 y, u32 colour, u32 edge);

    GxUITextStyle m_Style;
    s32 m_VisibleRows = 0;
    std::vector<GxUIListItem> m_Items;
    std::vector<s32> m_ColumnWidths;
    s32 m_HoverColumn = -1;
    s32 m_HoverIndex = -1;
    s32 m_SelectedColumn = -1;
    s32 m_SelectedIndex = -1;
    GxTaskUIBase* m_DescriptWidget = nullptr;
    GxTaskUIBase* m_ScrollBar = nullptr;
};
