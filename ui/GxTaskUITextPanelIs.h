#pragma once
// Widget type 17: a short text over an image-set pattern, laid out in the
// client rectangle like the PNG text panel's.
#include "ui/GxTaskUIPanelIs.h"
#include "ui/GxTaskUITextPanel.h"

class GxTaskUITextPanelIs : public GxTaskUITextPanel<GxTaskUIPanelIs> {
public:
    static constexpr s32 kTypeCode = 17;

    explicit GxTaskUITextPanelIs(GxTaskBase* parent, const GxChar* name = nullptr, const GxChar* localName = nullptr,
                                 s32 localIndex = 0);
};
