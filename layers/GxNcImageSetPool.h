#pragma once
// The game's named pool of image sets kept for the whole run (the UI sets):
// each name holds one factory reference however often it is added. Main
// thread only.
#include "base/GxTypes.h"

class GxNcCrammedImageSet;

class GxNcImageSetPool {
public:
    // The pooled set, else the set got from the factory with its textures;
    // null, with a log line, when it cannot be read.
    static GxNcCrammedImageSet* Add(GxStringView name);
    // Gives the pool's reference back; false, with a log line, for a name
    // not in the pool.
    static bool Release(GxStringView name);
    static GxNcCrammedImageSet* Get(GxStringView name);
    // Gives every reference back and empties the pool.
    static void Clear();
};
