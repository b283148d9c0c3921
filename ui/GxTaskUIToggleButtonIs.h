#pragma once
// Widget type 19: a button that is on or off (its value, 1.0 or 0.0). A click
// flips it by itself unless the automatic toggle is turned off, before the
// click's event, so the scene reads the new state. Faces: the button's, and
// <name>_onover (on and hovered) and _onna (on and disabled).
#include "ui/GxTaskUIButtonIs.h"

class GxTaskUIToggleButtonIs : public GxTaskUIButtonIs {
public:
    static constexpr s32 kTypeCode = 19;
    static constexpr int kFaceOnOver = 4, kFaceOnNa = 5;

    explicit GxTaskUIToggleButtonIs(GxTaskBase* parent, const GxChar* name = nullptr,
                                    const GxChar* localName = nullptr, s32 localIndex = 0);

    // The face follows the on state at drawing.
    int Render(int drawParam, int listIndex) override;
    bool WriteContent(GxContentWriterBase* writer) override;
    bool ReadContent(GxContentReaderBase* reader) override;
    bool LoadImages() override;

    virtual void SetAutoToggleFlag(bool on) { m_AutoToggleFlag = on; }
    virtual bool GetAutoToggleFlag() const { return m_AutoToggleFlag; }

protected:
    void OnPress() override;

    bool m_AutoToggleFlag = true;
};
