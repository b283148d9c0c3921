#pragma once
// The quick load: no screen of its own. Half a second after it opens (its
// 32nd update) it loads the quick save once and the game goes on in the
// scene the save names; a quick save that is missing or would not load
// leaves the play as it was, the player is told, and the scene goes back to
// the one that opened it. Frame skipping is off while it runs.
#include "game/scenes/GxSeqBackMenuBase.h"

class SeqQuickLoad : public GxSeqBackMenuBase {
public:
    explicit SeqQuickLoad(GxTaskBase* parent);

    void OnStartSequence(int workerIndex) override;
    void OnEndSequence(int workerIndex) override;
    int Update(int step, s64 elapsed) override;

    // Loads the quick save; false when it was refused (nothing changed).
    virtual bool QuickLoad();

private:
    bool m_Done = false;
};
