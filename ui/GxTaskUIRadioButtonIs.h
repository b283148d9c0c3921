#pragma once
// Widget type 20: a toggle button that is one of a group: the radio buttons
// under the same parent with the same group ID. A click turns it on and its
// group's other members off (they post nothing).
#include "ui/GxTaskUIToggleButtonIs.h"

class GxTaskUIRadioButtonIs : public GxTaskUIToggleButtonIs {
public:
    static constexpr s32 kTypeCode = 20;

    explicit GxTaskUIRadioButtonIs(GxTaskBase* parent, const GxChar* name = nullptr,
                                   const GxChar* localName = nullptr, s32 localIndex = 0);

    // Every radio button of the group under the same parent off, then this one on.
    virtual void SelectInGroup();

protected:
    void OnPress() override;
};
