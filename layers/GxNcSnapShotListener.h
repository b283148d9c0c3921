#pragma once
// Told of the sound and event keys that fall on the time a motion is
// evaluated at.
#include "base/GxTypes.h"

class GxNcMotionSnapShotEx;
struct GxNcSoundKey;
struct GxNcEventKey;

class GxNcSnapShotListener {
public:
    virtual ~GxNcSnapShotListener() = default;
    // track is 0 for sounds, 0 to 3 for the four event tracks.
    virtual void OnSoundKey(GxNcMotionSnapShotEx* motion, int depth, int track, const GxNcSoundKey& key) = 0;
    virtual void OnEventKey(GxNcMotionSnapShotEx* motion, int depth, int track, const GxNcEventKey& key) = 0;
};
