#pragma once
// A movie player in one of the movie service's slots: opened on a file and a
// movie texture, played with a number of repeats and a volume, polled once a
// frame. The layers reach it through their own player interface.
#include "base/GxTypes.h"
#include "layers/GxLayerMoviePlayer.h"
#include "platform/movie/media_type.h"

#include <cstdint>
#include <memory>

class GxTextureMovie;
namespace prender {
class texture;
}

class GxMoviePlayerBase : public GxLayerMoviePlayer {
public:
    ~GxMoviePlayerBase() override = default;

    // Safe on a player that was never opened.
    virtual void Close() = 0;
    // loopCount: -1 repeats without end, 0 plays once, n repeats n more
    // times; volume in hundredths of a decibel (0 full, -10000 silent).
    virtual bool Play(s32 loopCount, s32 volume) = 0;
    // The position stays where it was.
    virtual bool Stop() = 0;
    virtual void SetVolume(s32 volume) = 0;
    virtual void SetRate(f64 rate) = 0;
    virtual void SetLoopStart(f64 seconds) = 0;
    virtual f64 GetLoopStart() = 0;
    virtual f64 GetStopTime() = 0;
    virtual f64 GetDuration() = 0;
    f64 GetPosition() override = 0;
    // The repeats left while playing, else 0.
    virtual s32 GetLoopCount() = 0;
    virtual void SetPosition(f64 seconds) = 0;
    // The part of the texture the frames cover.
    virtual void GetTextureUV(f32& u, f32& v) = 0;
    virtual s32 GetVideoWidth() = 0;
    virtual s32 GetVideoHeight() = 0;
    // The length in bytes of one row of the 24-bit frames.
    virtual s32 GetVideoPitch() = 0;
    // The oldest event of the graph (s_ok), or e_abort when none waits.
    virtual pmovie::result GetEvent(s32* code, intptr_t* param1, intptr_t* param2, s32 timeoutMs) = 0;
    // Once per frame: shows the frame due and acts on the end of the movie.
    virtual void Update() = 0;
    bool IsPlaying() override = 0;
    // The buffer the movie texture shows, and the texture; null without a renderer.
    virtual std::shared_ptr<prender::texture> GetD3DTexture() = 0;
    virtual GxTextureMovie* GetTexture() = 0;
};
