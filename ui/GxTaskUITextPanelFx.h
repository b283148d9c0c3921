#pragma once
// Widget type 11: a short text over a PNG panel, laid out in the client
// rectangle; lines break at '|' and at the rectangle's width. The name
// window of the adventure screen is one.
#include "ui/GxTaskUIPanelFx.h"
#include "ui/GxTaskUITextPanel.h"

class GxTaskUITextPanelFx : public GxTaskUITextPanel<GxTaskUIPanelFx> {
public:
    static constexpr s32 kTypeCode = 11;

    explicit GxTaskUITextPanelFx(GxTaskBase* parent, const GxChar* name = nullptr, const GxChar* localName = nullptr,
                                 s32 localIndex = 0);
};
