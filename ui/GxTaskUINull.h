#pragma once
// Widget type 1: the widget base with nothing added. Scenes use it as an
// invisible carrier of UI events (the viewer's "null_eventcaller").
#include "ui/GxTaskUIBase.h"

class GxTaskUINull : public GxTaskUIBase {
public:
    static constexpr s32 kTypeCode = 1;

    explicit GxTaskUINull(GxTaskBase* parent, const GxChar* name = nullptr, const GxChar* localName = nullptr,
                          s32 localIndex = 0);
};
