#pragma once
// What actors, layers and widgets need of the subsystems above them: the
// game's system sounds, the movie service's channels, the user's movie
// volume, the game data's image-file look-up, the game's icons, and the
// global render texture and depth surface the game module makes at screen
// size. The game module installs the one implementation; with none
// installed (or after Set(nullptr)) every operation does nothing and gives
// false, 0 or null.
#include "base/GxTypes.h"

class GxTexture;
class GxSurface;
class GxTextureMovie;
class GxLayerMoviePlayer;
class GxNcOriginImage;

class GxLayerServices {
public:
    static constexpr s32 kMovieChannelCount = 4;

    // Never null: the installed services or the silent defaults.
    static GxLayerServices& Get();
    static void Set(GxLayerServices* services);

    virtual ~GxLayerServices() = default;

    // Plays system sound `soundId` once (−1 nothing) with system voice `voiceId`.
    virtual void PlaySystemSound(s32 /*soundId*/, s32 /*voiceId*/) {}

    // Movie channels 0 to 3. Open closes what the channel holds and opens the
    // file onto the texture; loop −1 repeats for ever, n n more times.
    virtual bool OpenMovie(s32 /*channel*/, GxStringView /*file*/, GxTextureMovie* /*texture*/, s32, s32) {
        return false;
    }
    virtual void PlayMovie(s32 /*channel*/, s32 /*loopCount*/, s32 /*volume*/) {}
    virtual bool StopMovie(s32 /*channel*/) { return false; }
    virtual void CloseMovie(s32 /*channel*/) {}
    virtual void SetMovieLoopStart(s32 /*channel*/, f64 /*seconds*/) {}
    virtual void SetMoviePosition(s32 /*channel*/, f64 /*seconds*/) {}
    virtual f64 GetMoviePosition(s32 /*channel*/) { return 0.0; }
    virtual s32 GetMovieLoopCount(s32 /*channel*/) { return 0; }
    // The player in the channel, null when none is open.
    virtual GxLayerMoviePlayer* GetMoviePlayer(s32 /*channel*/) { return nullptr; }
    // The user's movie volume (an attenuation), for movies restored from a save.
    virtual s32 GetMovieVolume() { return 0; }

    // An image name completed to a file that exists (the game data's look-up
    // by extension); false with the name unchanged when there is none. The
    // default takes the name only as it stands.
    virtual bool ResolveImageFile(GxString* path);

    // The icon of that name in the game's icon image set ("ui_iconpool.gis"),
    // for the widgets that draw icons; null when there is none.
    virtual const GxNcOriginImage* FindIcon(GxStringView /*name*/) { return nullptr; }

    // Project layers draw their motion into global render texture 1 first.
    virtual GxTexture* GetGlobalRenderTexture(int /*index*/) { return nullptr; }
    virtual GxSurface* GetGlobalDepthStencil() { return nullptr; }
};
