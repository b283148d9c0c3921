#include "game/GxGameLayerServices.h"

#include "game/GxGameSound.h"
#include "game/GxGlobalRenderTargets.h"
#include "gamedata/GxDataLookup.h"
#include "gamedata/GxUserConfig.h"

void GxGameLayerServices::PlaySystemSound(s32 soundId, s32 voiceId) { GxPlaySystemSound(soundId, voiceId); }

s32 GxGameLayerServices::GetMovieVolume() {
    const GxUserConfig* settings = GxUserConfig::Get();
    return settings ? settings->GetMovieVolume() : 0;
}

bool GxGameLayerServices::ResolveImageFile(GxString* path) { return path && GxResolveImageFile(*path); }

GxTexture* GxGameLayerServices::GetGlobalRenderTexture(int index) { return GxGetGlobalRenderTexture(index); }

GxSurface* GxGameLayerServices::GetGlobalDepthStencil() { return GxGetGlobalDepthStencil(); }
