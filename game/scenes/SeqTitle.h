#pragma once
// The title screen: its picture, the buttons of its UI layout (new game,
// load, gallery, replay, music, settings, extra, exit), the title music
// (kept playing when it already plays) and, when entered from the boot
// scene, the opening or the script's return to the title, the title call.
// The extra button opens only once the permanent data's option bit 10 is
// set. A button whose scene does not exist is logged and the title stays.
#include "game/scenes/GxSeqMenuBase.h"

class SeqTitle : public GxSeqMenuBase {
public:
    explicit SeqTitle(GxTaskBase* parent);

    void OnStartSequence(int workerIndex) override;
    void OnEndSequence(int workerIndex) override;
    int OnUIEventDecide(GxTaskBase* sender, const GxUIEventParam* ev) override;

private:
    void StartMusic();
};
