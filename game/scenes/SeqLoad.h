#pragma once
// The load screen: only slots with a save file can be chosen; the one the
// player confirms is checked before anything of the running play is
// touched. A file that would not load leaves the player on this screen with
// a message; one that loads replaces the play and the game goes on in the
// scene the save names.
#include "game/scenes/SeqSaveLoadBase.h"

class SeqLoad : public SeqSaveLoadBase {
public:
    explicit SeqLoad(GxTaskBase* parent);

protected:
    void OnConfirmed(s32 fileNumber, GxTaskBase* pressed) override;
};
