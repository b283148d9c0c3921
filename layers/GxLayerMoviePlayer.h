#pragma once
// What a layer asks of the movie player in its content's channel. The movie
// service's players implement it.
#include "base/GxTypes.h"

class GxLayerMoviePlayer {
public:
    virtual ~GxLayerMoviePlayer() = default;
    // Set by play; cleared by stop or by the end of a movie that does not loop.
    virtual bool IsPlaying() = 0;
    virtual f64 GetPosition() = 0;
};
