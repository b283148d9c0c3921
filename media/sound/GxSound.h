#pragma once
// The audio back end on looping cursor buffers (the DirectSound style), a
// static module with the same operations as GxAudio. Volumes are attenuations
// in hundredths of a decibel (0 full, -10000 the least); the pan (-10000 left
// to 10000 right) is applied.
#include "base/GxTypes.h"

namespace paudio {
class buffer_device;
}
class GxSoundPlayerStream;
class GxSoundCache;

namespace GxSound {

// window: the main window's handle (not 0); the device needs one.
bool Initialize(uintptr_t window, bool use3D);
// Stops every player, deletes the one-shots and the players, empties the
// cache, releases the device and the output. Not ready afterwards.
void Shutdown();
bool PlayStream(u32 channel, GxStringView file, s32 loop, u32 startMs, u32 fadeInMs, s32 volume, s32 pan,
                u32 loopStartMs);
bool PlayBGM(GxStringView file, s32 loop, u32 startMs, u32 fadeInMs, s32 volume, s32 pan, u32 loopStartMs);
bool StopStream(u32 channel);
bool FadeOutStream(u32 channel, u32 ms);
bool FadeOutBGM(u32 ms);
bool SetStreamVolume(u32 channel, s32 volume);
bool IsStreamPlaying(u32 channel);
bool PlayOneShot(u32* serial, GxStringView file, s32 loop, u32 startMs, u32 fadeInMs, s32 volume, s32 pan);
bool StopAllOneShots();
bool Update();
void Update3D();

// The device the buffers are made on; null while not started.
paudio::buffer_device* GetDevice();
// For tests and diagnostics.
GxSoundPlayerStream* GetStreamPlayer(u32 channel);
u32 GetOneShotCount();
GxSoundCache* GetCache();

} // namespace GxSound
