#pragma once
// Widget type 31: the vertical slider; the value grows downward.
#include "ui/GxTaskUISliderIs.h"

class GxTaskUIVSliderIs : public GxTaskUISliderIs {
public:
    static constexpr s32 kTypeCode = 31;

    explicit GxTaskUIVSliderIs(GxTaskBase* parent, const GxChar* name = nullptr, const GxChar* localName = nullptr,
                               s32 localIndex = 0);
};
