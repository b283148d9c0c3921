#pragma once
// Widget type 12: a PNG panel that fades out while the pointer is over its
// client rectangle and back in when it leaves (mode 1), or the other way
// round (mode 2), 32 alpha steps per update. It lets presses through.
#include "ui/GxTaskUIPanelFx.h"

class GxTaskUIAutoHidePanelFx : public GxTaskUIPanelFx {
public:
    static constexpr s32 kTypeCode = 12;
    static constexpr s32 kFadeStep = 32;

    explicit GxTaskUIAutoHidePanelFx(GxTaskBase* parent, const GxChar* name = nullptr,
                                     const GxChar* localName = nullptr, s32 localIndex = 0);

    // The base update (no leaving event, no tool tip), then the fade.
    int Update(int step, s64 elapsed) override;
    bool WriteContent(GxContentWriterBase* writer) override;
    bool ReadContent(GxContentReaderBase* reader) override;

    void SetAutoHideMode(s32 mode) { m_AutoHideMode = mode; }
    s32 GetAutoHideMode() const { return m_AutoHideMode; }

protected:
    s32 m_AutoHideMode = 1;
};
