#pragma once
// Widget type 22: a button that repeats while it is held. The press posts the
// click; then, from the update of the press on, every m_EventIntervalFrame
// updates the value counts up by one and event 16 is posted, until the left
// button is released anywhere. Resetting the event state (showing, hiding,
// a dialog opening or closing) ends the hold as a release does, so a release
// the button never saw cannot leave it repeating.
#include "ui/GxTaskUIButtonIs.h"

class GxTaskUIPressButtonIs : public GxTaskUIButtonIs {
public:
    static constexpr s32 kTypeCode = 22;

    explicit GxTaskUIPressButtonIs(GxTaskBase* parent, const GxChar* name = nullptr,
                                   const GxChar* localName = nullptr, s32 localIndex = 0);

    // The button's update, then the repeat; the frame counter counts updates.
    int Update(int step, s64 elapsed) override;
    bool WriteContent(GxContentWriterBase* writer) override;
    // Not held after reading.
    bool ReadContent(GxContentReaderBase* reader) override;
    void ResetEventState() override;
    // Any release ends the hold; never consumed.
    int OnLButtonUp(const GxVector2& pos, u32 keyFlags) override;

    // Updates between repeats; 0 or less: the click alone.
    void SetEventIntervalFrame(s32 frames) { m_EventIntervalFrame = frames; }
    s32 GetEventIntervalFrame() const { return m_EventIntervalFrame; }
    bool IsPressed() const { return m_PressFlag; }

protected:
    void OnPress() override;
    s32 ChooseFace(bool allowed) const override;
    // Not held, the value back to 0.
    void EndPress();

    s32 m_EventIntervalFrame = 1;
    s32 m_PressFrame = -1;
    bool m_PressFlag = false;
};
