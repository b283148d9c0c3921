#pragma once
// The movie service: four player slots, started by the engine at start-up,
// serviced every frame of the main loop and shut down at exit. Slots are 0
// to 3; a slot outside them acts as an empty one. Main thread only.
#include "base/GxTypes.h"

class GxMoviePlayerBase;
class GxTextureMovie;

constexpr s32 kGxMovieSlotCount = 4;

// The players by slot, null for an empty slot; owned by the service. Layers
// and the game's sound service reach a slot's player here.
extern GxMoviePlayerBase* GxMoviePlayerSlots[kGxMovieSlotCount];

namespace GxMovie {

bool Initialize();
// Refuses a movie file the game names as no movie at all: true for one that
// is absent or holds no bytes, without a word, and for one that is there but
// cannot be opened (a FIFO, a link that leads nowhere, a file that may not be
// read), which is named in "error.log" as a movie the player could not open
// would be.
bool RefuseUnplayable(GxStringView file);
// Closes what the slot holds and opens a player on the file (see
// GxMoviePlayerFile::Open); the player stays in the slot even when it could
// not be built, and the result is the build's.
bool Open(s32 slot, GxStringView file, GxTextureMovie* texture, bool dynamicTexture);
void Close(s32 slot);
bool Play(s32 slot, s32 loopCount, s32 volume);
bool Stop(s32 slot);
bool StopAll();
bool SetPosition(s32 slot, f64 seconds);
f64 GetPosition(s32 slot);
s32 GetLoopCount(s32 slot);
void SetLoopStart(s32 slot, f64 seconds);
// Every frame: each player's Update, slot 0 first.
bool Update();
void Shutdown();

} // namespace GxMovie
