#pragma once
// Look-ups over the game's files and data tables: resource names without an
// extension resolved to an existing file, the character that owns a voice
// file, names to characters, layouts and replay labels, the gallery's file
// names, and the transfer of the key actions and voice panels into the user
// settings and the input layer. Stateless; main thread only.
#include "base/GxTypes.h"

class GxUserConfig;
struct DBUILayoutRecord;

// True when the file exists (on disk or in a mounted pack) as named, or with
// one of the kind's extensions appended, tried in order; the path then names
// that file. False, with the path unchanged, when none exists.
bool GxResolveImageFile(GxString& path);    // ".png", ".dds", ".tga", ".jpg", ".bmp"
bool GxResolveSoundFile(GxString& path);    // ".ogg", ".wav"
bool GxResolveMovieFile(GxString& path);    // ".wmv", ".asf", ".mpg", ".avi"
bool GxResolveProjectFile(GxString& path);  // ".gnc"

// The first character (IDs 1 to 79) whose voice folder holds the file, as
// named or with ".ogg" or ".wav"; voiceFile then names that file. 0, with
// voiceFile unchanged, when no character has it.
s32 GxFindVoiceCharID(GxString& voiceFile);
// The first character of that exact, non-empty name; -1 when none.
s32 GxFindAvgCharIDByName(const GxChar* name);
// The first layout of that exact task name; null (logged) when none.
DBUILayoutRecord* GxFindUILayoutByTaskName(const GxChar* taskName);
// The loop start of the music-room piece whose file name matches the path's
// file name without regard to ASCII case; 0 when none.
u32 GxGetBGMLoopPosTime(const GxString& path);

// Splits each gallery entry "a|b|c" into "a" for the gallery and "b|c" for
// its viewer. Run once, after both gallery tables are loaded.
void GxSplitCGModeFileNames();
// The first gallery entry whose name equals the path's file title without
// regard to ASCII case: its record and entry index. False (0, 0) when none.
bool GxFindCGModeFile(s32& recordIndex, s32& fileIndex, const GxString& path);
// Sets each gallery record's picture count from its entries, unless the file
// gave one or the record has no first picture.
void GxCountCGModeFiles();
bool GxIsReplayLabel(const GxString& label);

// The key actions of the key-map table into the settings' key table, the
// input key map and the first virtual stick (the settings' key table is
// filled anew).
void GxInitKeyConfig(GxUserConfig& config);
// The same from the settings' key table as it stands.
void GxApplyKeyConfig(GxUserConfig& config);
// Which voice-volume slots play system voices, from the voice-volume table.
void GxInitSystemVoiceActivated(GxUserConfig& config);
