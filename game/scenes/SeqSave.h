#pragma once
// The save screen: the slot the player confirms gets the save game and the
// thumbnail the main scene captured before it opened this screen; the slot
// saved last carries the new-save badge, and the settings and permanent
// data are written with it. A save that fails changes neither badge nor
// settings, and the player is told.
#include "game/scenes/SeqSaveLoadBase.h"

class SeqSave : public SeqSaveLoadBase {
public:
    explicit SeqSave(GxTaskBase* parent);

protected:
    void OnConfirmed(s32 fileNumber, GxTaskBase* pressed) override;
};
