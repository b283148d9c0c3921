#pragma once
// The menu scenes that open over the play and go back to it (the backlog,
// the save and load screens, the quick load): the screens' base with the
// right mouse button consumed when it presses "btn_back", and no key action
// of their own (their keys reach them as key messages).
#include "game/scenes/SeqScreenBase.h"

class GxSeqBackMenuBase : public SeqScreenBase {
public:
    GxSeqBackMenuBase(GxTaskBase* parent, const GxChar* name);
    ~GxSeqBackMenuBase() override;

    // Presses "btn_back" when it may be operated; consumed then.
    int OnRButtonDown(const GxVector2& pos, u32 keyFlags, bool doubleClick) override;
    int OnKeyActionUpdate(const GxInputState* keyMapState, int step, s64 elapsed) override;

protected:
    // Back to the scene the worker ran before; always 1 (consumed).
    int GoBack();
};
