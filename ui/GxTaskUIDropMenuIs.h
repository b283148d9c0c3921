#pragma once
// Widget type 48: the invisible, modal container of a drop-down menu. It
// starts suspended; Open resumes it with its children, counts it as an open
// dialog and slides its listed items out from its corner. Any left or right
// press that reaches it while it can be operated closes it: the items slide
// back to its corner, the items are suspended 150 ms after the press and the
// menu 300 ms after it. The presses are never consumed.
#include "ui/GxTaskUIBase.h"

#include <vector>

class GxTaskUIDropMenuItemIs;

class GxTaskUIDropMenuIs : public GxTaskUIBase {
public:
    static constexpr s32 kTypeCode = 48;
    // Milliseconds of an item's slide and of each suspend step.
    static constexpr s32 kSlideTime = 150;

    explicit GxTaskUIDropMenuIs(GxTaskBase* parent, const GxChar* name = nullptr, const GxChar* localName = nullptr,
                                s32 localIndex = 0);

    int Render(int, int) override { return 0; }
    // The event state only; hover and its time stay.
    void ResetEventState() override { m_EventState = 0; }
    bool SetImageSource(const GxChar*) override { return true; }
    int OnMouseMove(const GxVector2&, u32) override { return 0; }
    int OnLButtonDown(const GxVector2& pos, u32 keyFlags, bool doubleClick) override;
    int OnRButtonDown(const GxVector2& pos, u32 keyFlags, bool doubleClick) override;

    // Lists one of the menu's children; the place it has now is where Open
    // slides it to. False (nothing listed) for a task that is not a child.
    bool AddItem(GxTaskUIDropMenuItemIs* item);
    void ClearItems() { m_Items.clear(); }
    s32 GetItemCount() const { return s32(m_Items.size()); }
    // Resumes the menu and its children, raises the UI manager's open-dialog
    // count and takes it as the menu's modal priority, and slides each
    // listed item from (0, 0) to its place.
    virtual void Open();
    // The items slide back to (0, 0) and are suspended after 150 ms, the
    // menu after 300 ms; the open-dialog count goes down (not below 0) and
    // the modal priority to 0.
    virtual bool Close();

private:
    struct Entry {
        GxTaskUIDropMenuItemIs* m_Item;
        GxVector4 m_Place;
    };
    // Whether the task is still one of the menu's children: a listed item
    // that has gone is left alone rather than touched.
    bool IsChild(const GxTaskBase* task) const;

    std::vector<Entry> m_Items;
};
