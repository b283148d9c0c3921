#include "game/GxGameLayerServices.h"

#include "game/GxGameSound.h"
#include "game/GxGlobalRenderTargets.h"
#include "game/GxIconIndex.h"
#include "gamedata/GxDataLookup.h"
#include "gamedata/GxUserConfig.h"
#include "media/movie/GxMovie.h"
#include "media/movie/GxMoviePlayerBase.h"

void GxGameLayerServices::PlaySystemSound(s32 soundId, s32 voiceId) { GxPlaySystemSound(soundId, voiceId); }

bool GxGameLayerServices::OpenMovie(s32 channel, GxStringView file, GxTextureMovie* texture, s32 dynamicTexture,
                                    s32) {
    return GxMovie::Open(channel, file, texture, dynamicTexture != 0);
}

void GxGameLayerServices::PlayMovie(s32 channel, s32 loopCount, s32 volume) { GxMovie::Play(channel, loopCount, volume); }
bool GxGameLayerServices::StopMovie(s32 channel) { return GxMovie::Stop(channel); }
void GxGameLayerServices::CloseMovie(s32 channel) { GxMovie::Close(channel); }
void GxGameLayerServices::SetMovieLoopStart(s32 channel, f64 seconds) { GxMovie::SetLoopStart(channel, seconds); }
void GxGameLayerServices::SetMoviePosition(s32 channel, f64 seconds) { GxMovie::SetPosition(channel, seconds); }
f64 GxGameLayerServices::GetMoviePosition(s32 channel) { return GxMovie::GetPosition(channel); }
s32 GxGameLayerServices::GetMovieLoopCount(s32 channel) { return GxMovie::GetLoopCount(channel); }

GxLayerMoviePlayer* GxGameLayerServices::GetMoviePlayer(s32 channel) {
    return channel >= 0 && channel < kGxMovieSlotCount ? GxMoviePlayerSlots[channel] : nullptr;
}

s32 GxGameLayerServices::GetMovieVolume() {
    const GxUserConfig* settings = GxUserConfig::Get();
    return settings ? settings->GetMovieVolume() : 0;
}

bool GxGameLayerServices::ResolveImageFile(GxString* path) { return path && GxResolveImageFile(*path); }

const GxNcOriginImage* GxGameLayerServices::FindIcon(GxStringView name) { return GxGetIconIndex(name); }

GxTexture* GxGameLayerServices::GetGlobalRenderTexture(int index) { return GxGetGlobalRenderTexture(index); }

GxSurface* GxGameLayerServices::GetGlobalDepthStencil() { return GxGetGlobalDepthStencil(); }
