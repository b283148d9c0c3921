#pragma once
// Widget type 30: the horizontal slider; the value grows rightward.
#include "ui/GxTaskUISliderIs.h"

class GxTaskUIHSliderIs : public GxTaskUISliderIs {
public:
    static constexpr s32 kTypeCode = 30;

    explicit GxTaskUIHSliderIs(GxTaskBase* parent, const GxChar* name = nullptr, const GxChar* localName = nullptr,
                               s32 localIndex = 0);
};
