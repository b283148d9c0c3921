#pragma once
// The first scene of a run, requested by the game's start-up on worker 0. It
// resets the play state (the music keeps playing) and tells the modules that
// the title is near, and on its first update in the main phase goes on to
// the opening movie, or to the title when there is none or the player holds
// Control. The scene after it fades in over the boot screen.
#include "scenes/GxSeqTransitBase.h"

class SeqBoot : public GxSeqTransitBase {
public:
    explicit SeqBoot(GxTaskBase* parent);

    void OnStartSequence(int workerIndex) override;
    int Update(int step, s64 elapsed) override;
};
