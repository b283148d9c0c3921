#pragma once
// The game state's way up to the game: the sound service for saving and
// restoring the remembered sounds, the movies, the main scene's reset and
// global fade, and the windows' settings after a load.
#include "gamedata/GxUserDataHost.h"

class GxGameUserDataHost : public GxUserDataHost {
public:
    bool IsBgmPlaying() override;
    bool IsBgvPlaying() override;
    void PlayBgm(const GxSoundParam& record, s32 fadeInTime) override;
    void PlayBgv(const GxSoundParam& record, s32 fadeInTime) override;
    void PlaySe(s32 channel, const GxSoundParam& record, s32 fadeInTime) override;
    void StopChannels(bool stopBgm) override;
    void StopAllOneShots() override;
    void StopAllMovies() override;
    void ResetPlayScene() override;
    void StartGlobalFadeOut(s32 time) override;
    void ApplyWindowSettings(GxTaskBase* messageWindow, GxTaskBase* nameWindow, s32 letterMarginWidth,
                             s32 windowOpacity) override;
    void TakeLoadedMessageAsRead() override;
    void SetSelectButtonColor(GxTaskBase* button, u32 color) override;
};
