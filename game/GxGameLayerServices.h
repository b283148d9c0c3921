#pragma once
// What actors and layers need of the game: its interface sounds, the movie
// service's slots and the user's movie volume, the game data's image look-up and the global render texture
// the project layers draw through.
#include "layers/GxLayerServices.h"

class GxGameLayerServices : public GxLayerServices {
public:
    void PlaySystemSound(s32 soundId, s32 voiceId) override;
    // The movie channels are the movie service's four slots.
    bool OpenMovie(s32 channel, GxStringView file, GxTextureMovie* texture, s32 dynamicTexture, s32) override;
    void PlayMovie(s32 channel, s32 loopCount, s32 volume) override;
    bool StopMovie(s32 channel) override;
    void CloseMovie(s32 channel) override;
    void SetMovieLoopStart(s32 channel, f64 seconds) override;
    void SetMoviePosition(s32 channel, f64 seconds) override;
    f64 GetMoviePosition(s32 channel) override;
    s32 GetMovieLoopCount(s32 channel) override;
    GxLayerMoviePlayer* GetMoviePlayer(s32 channel) override;
    s32 GetMovieVolume() override;
    bool ResolveImageFile(GxString* path) override;
    // The icon index of "ui_iconpool.gis".
    const GxNcOriginImage* FindIcon(GxStringView name) override;
    GxTexture* GetGlobalRenderTexture(int index) override;
    GxSurface* GetGlobalDepthStencil() override;
};
