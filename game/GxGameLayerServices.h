#pragma once
// What actors and layers need of the game: its interface sounds, the user's
// movie volume, the game data's image look-up and the global render texture
// the project layers draw through.
#include "layers/GxLayerServices.h"

class GxGameLayerServices : public GxLayerServices {
public:
    void PlaySystemSound(s32 soundId, s32 voiceId) override;
    // MOVIE SEAM: the movie channel operations (open, play, stop, close,
    // loop start, position, loop count, player) go to the movie service's
    // four slots once it exists; until then the silent defaults answer.
    s32 GetMovieVolume() override;
    bool ResolveImageFile(GxString* path) override;
    GxTexture* GetGlobalRenderTexture(int index) override;
    GxSurface* GetGlobalDepthStencil() override;
};
