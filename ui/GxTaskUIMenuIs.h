#pragma once
// Widget type 40: a vertical menu on a crammed image set: a head row, one
// body row per item and a foot row, each m_Height high (<name>_head, _body
// and _foot). Hovering a row highlights it and shows its description in a
// linked widget; a left press on an enabled row selects it (event 15 with
// the row as parameter). Disabled rows can be neither hovered nor selected.
// Keys and the wheel are left to the scene.
#include "ui/GxTaskUIIsBase.h"
#include "ui/GxUIMenuItem.h"

#include <vector>

class GxNcOriginImage;

class GxTaskUIMenuIs : public GxTaskUIIsBase {
public:
    static constexpr s32 kTypeCode = 40;
    // Text colours and the hover bar, 0xAARRGGBB.
    static constexpr u32 kNormalColor = 0xFFFFFFFF;
    static constexpr u32 kHoverColor = 0xFFFFFFFF, kHoverSecondColor = 0xFF202020;
    static constexpr u32 kSelectedColor = 0xFF80A0FF, kSelectedSecondColor = 0xFF202020;
    static constexpr u32 kDisabledColor = 0xFF80A0FF;
    static constexpr u32 kHoverBarColor = 0x80FFFFFF;
    static constexpr u32 kOutlineColor = 0xD0000000;

    explicit GxTaskUIMenuIs(GxTaskBase* parent, const GxChar* name = nullptr, const GxChar* localName = nullptr,
                            s32 localIndex = 0);

    // The base update; the frame counter counts updates.
    int Update(int step, s64 elapsed) override;
    int Render(int drawParam, int listIndex) override;
    // Head, foot and a row per item.
    s32 GetHeight() override;
    bool LoadImages() override;
    void ReleaseImages() override;
    // The band of the rows inside the client columns, edges outside.
    bool HitTestClient(const GxVector4* worldPos, f32 x, f32 y) override;
    int OnMouseMove(const GxVector2& pos, u32 keyFlags) override;
    int OnLButtonDown(const GxVector2& pos, u32 keyFlags, bool doubleClick) override;

    virtual void SetFontIndex(s32 index);
    virtual GxUIMenuItem* AddItemRecord(const GxUIMenuItem& item);
    virtual GxUIMenuItem* AddItem(GxString text, GxString label, s32 value, GxString description);
    // Every item gone; nothing stays hovered or selected.
    virtual void ClearItems();
    // No item ticked, nothing hovered or selected, the description empty.
    virtual void ClearSelection();
    virtual void AddColumnWidth(s32 width) { m_ColumnWidths.push_back(width); }
    // The linked widget that shows the hovered item's description; not owned.
    virtual void SetDescriptWidget(GxTaskUIBase* widget) { m_DescriptWidget = widget; }
    virtual s32 GetItemCount() const { return s32(m_Items.size()); }
    virtual s32 GetColumnCount() const { return s32(m_ColumnWidths.size()); }
    // Null for an index outside the items (columns). Valid until the next
    // item is added or the items are cleared.
    virtual GxUIMenuItem* GetItem(s32 index);
    virtual s32* GetColumnWidth(s32 index);
    virtual s32 GetSelectedIndex() const { return m_SelectedIndex; }
    // Empty (-1) without a selected item.
    virtual GxString GetSelectedLabel() const;
    virtual s32 GetSelectedValue() const;
    virtual s32 GetHoverIndex() const { return m_HoverIndex; }

    s32 GetFontIndex() const { return m_FontIndex; }
    GxNcOriginImage* GetHeadImage() const { return m_pHead; }

protected:
    // The row under a point inside the rows (HitTestClient holds).
    s32 RowAt(const GxVector4& world, f32 y) const;
    void SetDescription(const GxString& text);

    s32 m_FontIndex = 1;
    std::vector<GxUIMenuItem> m_Items;
    std::vector<s32> m_ColumnWidths;
    s32 m_HoverIndex = -1;
    s32 m_SelectedIndex = -1;
    GxTaskUIBase* m_DescriptWidget = nullptr;
    GxNcOriginImage* m_pHead = nullptr;
    GxNcOriginImage* m_pBody = nullptr;
    GxNcOriginImage* m_pFoot = nullptr;
};
