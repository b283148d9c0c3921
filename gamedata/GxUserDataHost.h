#pragma once
// What the game state needs of the layers above it: the game sound service
// and the movies, the main scene's reset and global fade, and the widget
// settings that a loaded game applies over the stored ones. The game module
// installs the one implementation; with none installed no sound plays, so
// saving keeps no music, and resets and loads change nothing above the game
// state.
#include "base/GxTypes.h"

class GxSoundParam;
class GxTaskBase;

class GxUserDataHost {
public:
    static GxUserDataHost* Get();
    // Installs the implementation (null removes it); not owned.
    static void Set(GxUserDataHost* host);

    virtual ~GxUserDataHost() = default;

    // The game sound service. The play calls start a channel from a
    // remembered record (the same-name check off) and record it again.
    virtual bool IsBgmPlaying() = 0;
    virtual bool IsBgvPlaying() = 0;
    virtual void PlayBgm(const GxSoundParam& record, s32 fadeInTime) = 0;
    virtual void PlayBgv(const GxSoundParam& record, s32 fadeInTime) = 0;
    virtual void PlaySe(s32 channel, const GxSoundParam& record, s32 fadeInTime) = 0;
    // Stops, at once, the BGM (only with stopBgm), the BGV, every SE, every
    // voice and the characters' sub-voices; each stop clears its record.
    virtual void StopChannels(bool stopBgm) = 0;
    // Stops every one-shot sound of the sound engine in use.
    virtual void StopAllOneShots() = 0;
    virtual void StopAllMovies() = 0;

    // The main scene's reset for a new play, and the global fade (0 ms:
    // opaque at once).
    virtual void ResetPlayScene() = 0;
    virtual void StartGlobalFadeOut(s32 time) = 0;

    // After a load has read the windows' stored forms: the message window's
    // letter margin, and the opacity (the image alpha) of the message and
    // name windows, from the current settings. Either window may be null.
    virtual void ApplyWindowSettings(GxTaskBase* messageWindow, GxTaskBase* nameWindow, s32 letterMarginWidth,
                                     s32 windowOpacity) = 0;
    // After a load has read the message window back: the message it shows
    // is read text. A line is recorded read in the permanent data as soon as
    // it shows, so before any save could hold it, though the window keeps
    // the flag it had when the line first showed.
    virtual void TakeLoadedMessageAsRead() = 0;
    // After a load has read a choice button's stored form: its text colour.
    virtual void SetSelectButtonColor(GxTaskBase* button, u32 color) = 0;
};
