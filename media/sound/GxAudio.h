#pragma once
// The audio back end on queued source voices (the XAudio2 style), a static
// module: 32 stream channels, 16 static players, up to 16 one-shots through
// its own sound cache, and 3-D positioning when started with it. Volumes are
// float gains (1.0 full); the pan is accepted and ignored. Every operation
// but Initialize, Shutdown and Update3D takes the back end's lock and returns
// false while the back end is not ready.
#include "base/GxTypes.h"

namespace paudio {
class voice_engine;
}
class GxAudioPlayerStream;
class GxSoundCache;

namespace GxAudio {

bool Initialize(bool use3D);
// Stops every player, deletes the one-shots and the players, releases the
// engine and the output. The back end is not ready afterwards.
void Shutdown();
bool PlayStream(u32 channel, GxStringView file, s32 loop, u32 startMs, u32 fadeInMs, float volume, s32 pan,
                u32 loopStartMs);
bool PlayBGM(GxStringView file, s32 loop, u32 startMs, u32 fadeInMs, float volume, s32 pan, u32 loopStartMs);
bool StopStream(u32 channel);
bool FadeOutStream(u32 channel, u32 ms);
bool FadeOutBGM(u32 ms);
bool SetStreamVolume(u32 channel, float volume);
bool IsStreamPlaying(u32 channel);
bool PlayOneShot(u32* serial, GxStringView file, s32 loop, u32 startMs, u32 fadeInMs, float volume, s32 pan);
bool StopAllOneShots();
// The service pass: fades, stops at a fade-out's end, one-shots that ended.
bool Update();
void Update3D();

// The engine the buffers make their voices on; null while not started.
paudio::voice_engine* GetEngine();
// For tests and diagnostics.
GxAudioPlayerStream* GetStreamPlayer(u32 channel);
u32 GetOneShotCount();
GxSoundCache* GetCache();

} // namespace GxAudio
