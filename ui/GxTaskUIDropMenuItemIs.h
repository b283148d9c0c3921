#pragma once
// Widget type 47: one entry of a drop menu: an image-set button (its faces
// and hover as the push button's) with an optional icon of the game's icon
// set and a label drawn from a system font map, both centred on its height.
// A press reports a click (event 1) unless the system's shutdown dialog
// ("dlg_shutdown") is open.
#include "ui/GxTaskUIButtonIs.h"

class GxTaskUIDropMenuItemIs : public GxTaskUIButtonIs {
public:
    static constexpr s32 kTypeCode = 47;

    explicit GxTaskUIDropMenuItemIs(GxTaskBase* parent, const GxChar* name = nullptr,
                                    const GxChar* localName = nullptr, s32 localIndex = 0);

    int Render(int drawParam, int listIndex) override;
    // The image names, then the record's font index.
    void ApplyModuleRecord(const DBUIModuleRecord& module) override;
    bool LoadImages() override;
    int OnLButtonDown(const GxVector2& pos, u32 keyFlags, bool doubleClick) override;

    void SetLabelText(const GxString& text) { m_LabelText = text; }
    const GxString& GetLabelText() const { return m_LabelText; }
    void SetIconName(const GxString& name) { m_IconName = name; }
    void SetFontIndex(s32 index);
    s32 GetFontIndex() const { return m_FontIndex; }
    void SetLabelColor(u32 argb) { m_LabelColor = argb; }
    // Added to the label's and the icon's place.
    void SetLabelOffset(const GxVector2& offset) { m_LabelOffset = offset; }

protected:
    GxString m_LabelText;
    GxString m_IconName;
    s32 m_FontIndex = 5;
    u32 m_LabelColor = 0xFFFFFFFF;
    GxVector2 m_LabelOffset;
};
