#pragma once
// The opening movie (MOV_NAME_OPENING under the movies folder) full screen
// on the background layer, at the user's movie volume; the title follows
// when it stops playing or the player clicks either button. A configured
// movie whose file is missing plays nothing, and the title follows at once.
#include "game/scenes/GxSeqMenuBase.h"

class SeqOpening : public GxSeqMenuBase {
public:
    explicit SeqOpening(GxTaskBase* parent);

    void OnStartSequence(int workerIndex) override;
    void OnEndSequence(int workerIndex) override;
    int Update(int step, s64 elapsed) override;
    // Both buttons are clicks of "null_eventcaller", taken while no dialog
    // is open and the scene may be operated.
    int OnLButtonDown(const GxVector2& pos, u32 keyFlags, bool doubleClick) override;
    int OnRButtonDown(const GxVector2& pos, u32 keyFlags, bool doubleClick) override;
    int OnUIEventDecide(GxTaskBase* sender, const GxUIEventParam* ev) override;
    int OnUIEventCancel(GxTaskBase* sender, const GxUIEventParam* ev) override;

private:
    int Click(s32 eventType);
    bool IsEventCaller(const GxTaskBase* sender) const;
};
