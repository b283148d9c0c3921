#pragma once
// The game's sound service: which sound plays on which channel of the audio
// back end the start-up chose (GxAudio with float gains, GxSound with
// attenuations), at the user's volumes, and what the game state remembers
// of it for save games. Scenes, widgets, builtins and the game state's host
// call it. Main thread only.
//
// Stream channels: 0 and 1 the music's cross-fade pair, 2 the background
// voice (3 goes with it), 4-7 the sound effects, 8 the effect test, 10-13 the
// voices, 14 the voice test, 15 the system voice, 16 the system-voice test,
// 17-25 the extra voices. Interface sounds play as one-shots.
//
// Loop values are stored as given and handed on less one: 1 plays once, 0
// repeats without end, n > 1 plays n times. A play call records the sound
// before the back end is asked, so a record names it even when the back end
// refused it; a stop clears the record before the channel stops.
#include "base/GxTypes.h"

class GxTaskBase;

constexpr u32 kGxChannelBgm0 = 0;
constexpr u32 kGxChannelBgm1 = 1;
constexpr u32 kGxChannelBgv = 2;
constexpr u32 kGxChannelBgvSub = 3;
constexpr u32 kGxChannelSe0 = 4;
constexpr u32 kGxChannelSeTest = 8;
constexpr u32 kGxChannelVoice0 = 10;
constexpr u32 kGxChannelVoiceTest = 14;
constexpr u32 kGxChannelSystemVoice = 15;
constexpr u32 kGxChannelSystemVoiceTest = 16;
constexpr u32 kGxChannelSubVoice0 = 17;
constexpr int kGxSubVoiceCount = 9;

// The voice played by the configuration scene's voice test.
struct GxTestVoiceRecord {
    GxString m_FileName;
    s32 m_Started = 0;
    s32 m_VoiceVolumeID = -1;
    u32 m_StartTime = 0;
};

// One extra voice channel (17 + index).
struct GxSubVoiceEntry {
    GxString m_FileName;
    s32 m_Param0 = 0;
    s32 m_VoiceVolumeID = -1;
    s32 m_Param1 = 0;
};

// checkSame: nothing is played, and true returned, when the file is the
// remembered music's (exact comparison), even if that music has ended.
bool GxPlayBgm(GxStringView file, s32 loop, u32 startMs, s32 fadeInMs, u32 loopStartMs, bool checkSame);
bool GxPlayBgv(GxStringView file, s32 loop, u32 startMs, s32 fadeInMs, u32 loopStartMs);
// n: 0 to 3; any other n plays nothing and records nothing.
bool GxPlaySe(s32 n, GxStringView file, s32 loop, u32 startMs, s32 fadeInMs, u32 loopStartMs);
bool GxPlaySeTest(GxStringView file);
bool GxPlayVoice(s32 n, GxStringView file, s32 charID);
// The voice record n once more, the record unchanged; false when it is empty.
bool GxReplayCurrentVoice(s32 n);
// A backlog entry's voice; no record changes.
bool GxPlayLogVoice(s32 n, GxStringView file, s32 charID);
bool GxPlayVoiceTest(GxStringView file, s32 voiceVolumeID);
// One voice of the activated speakers that have one for the ID (1 to 23),
// picked at random; nothing when the user switched system voices off.
void GxPlaySystemVoice(s32 systemVoiceID);
bool GxPlaySystemVoiceTest(GxStringView file);
// Interface sound 0-9 (-1 none) as a one-shot, with the system voice; sound
// 0 first fades the system voice out. True for -1, else the one-shot's
// result (false for a sound outside the configured ones).
bool GxPlaySystemSound(s32 systemSoundID, s32 systemVoiceID);
// The widget's own interface sound when it is a button (the scenes play it
// when a button's click reaches them); other widgets make none.
void GxPlayButtonSound(GxTaskBase* widget);

bool GxStopBgm(u32 fadeMs);
bool GxStopBgv(u32 fadeMs);
bool GxStopSe(s32 n, u32 fadeMs);
bool GxStopAllSe();
bool GxStopVoice(s32 n, u32 fadeMs);
bool GxStopAllVoices();
// Fades voices 0-3 out, their records kept.
bool GxFadeOutVoices(u32 fadeMs);
// Stops extra voice channels 17-24 (not 25) and clears the extra-voice table.
bool GxStopAllSubVoices();
void GxClearSubVoiceTable();
// Stops channels 3, 8, 14, 16 and 25 and clears the test-voice record.
bool GxStopTestSounds();
// Every one-shot of the back end in use.
bool GxStopAllOneShots();

// The current volumes onto the channels that play. The BGM's goes to
// channel 0 when it plays, else to channel 1.
void GxApplyBgmVolume();
void GxApplyBgvVolume(bool mute);
void GxApplySeVolume();
void GxApplyVoiceVolume();
void GxApplySystemVoiceVolume();
void GxApplySubVoiceVolume();
// The user's movie volume onto every movie player that plays.
void GxApplyMovieVolume();

bool GxIsBgmPlaying();
bool GxIsBgvPlaying();
// Channels 4 to 8: the test channel counts.
bool GxIsSePlaying();
// Channels 10 to 14: the test channel counts.
bool GxIsVoicePlaying();

// The start-up's and shutdown's reset: restraint level 100, the extra-voice
// table and the test-voice record cleared.
void GxResetSoundState();
const GxTestVoiceRecord& GxGetTestVoiceRecord();
// Null outside 0 to 8.
GxSubVoiceEntry* GxGetSubVoiceEntry(int index);
