#pragma once
// The menu scenes that open over the play and go back to it (the backlog,
// the save and load screens, the quick load): their widgets come from the
// layout records of "$UI:<scene>"; an update that hands the queued widget
// events to the scene; the back button, which returns to the scene its
// worker ran before, pressed by the right mouse button too.
#include "game/scenes/GxSeqMenuBase.h"

class GxSeqBackMenuBase : public GxSeqMenuBase {
public:
    GxSeqBackMenuBase(GxTaskBase* parent, const GxChar* name);
    ~GxSeqBackMenuBase() override;

    // The queued widget events, then the update counted.
    int Update(int step, s64 elapsed) override;
    // Presses "btn_back" when it may be operated; consumed then.
    int OnRButtonDown(const GxVector2& pos, u32 keyFlags, bool doubleClick) override;

    // A widget under the UI folder by local name and index, or null.
    GxTaskUIBase* FindWidget(const GxChar* localName, s32 index = 0) const;

protected:
    // The picture of the configured UI picture folder on the background
    // layer at once.
    void ShowBackground(const GxChar* fileName);
    // Back to the scene the worker ran before, by name; the queued widget
    // events dropped. Always 1 (consumed).
    int GoBack();
    // Skip and auto mode off, with the main scene's buttons for them.
    static void CancelPlayModes();
};
