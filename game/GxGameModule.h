#pragma once
// What the core calls of the game: its defaults before the device exists,
// its start-up as the last step of the core's start-up, and its shutdown
// after the task manager is gone; and the small game-wide services every
// scene uses (the global fade and the main scene's default background).
#include "base/GxTypes.h"

class GxCoreBase;

// Clears the logs of the last run ("device.log" always, "debug.log" and
// "error.log" when CleanErrorLog is set); sets the device's start-up block to
// the game's 1024 x 768 window and the frame timer's rates to 60.
void GxSetGameStartupDefaults(GxCoreBase* core);
// The game's start-up, in a fixed order: developer switches, the script
// compiler when AutoCompile asks, the render targets, the sound state, the
// fonts, the script bundle, the data tables, the job workers and shared
// scopes, the game module with its builtins, the UI image sets and icons,
// the permanent data and the settings, the sound engine, the screen mode,
// the resident system scene and the menu scenes, the boot scene requested,
// the random seeds, the file cache. Nothing that fails stops what follows.
// Always true.
bool GxGameInitialize(GxCoreBase* core);
// Shutdown broadcast, shared assets and job workers, fonts, script, image
// sets, render targets, sound state, detach broadcast. Always true. With no
// core (the reset tests run between cases) the same steps end the game's
// process-wide part: there is no one to broadcast to and no shared asset,
// and the game module is detached itself.
bool GxGameTerminate(GxCoreBase* core);

// The main scene's global fade layer ("$GLOBALFADE:SeqAvgMain"): its queued
// actions are dropped, then it fades to transparent (in) or opaque (out)
// over the time, or is set so at once for a time below 1 ms.
void GxStartGlobalFadeIn(s32 time);
void GxStartGlobalFadeOut(s32 time);
// The main scene's background layer ("$BGLAYER:SeqAvgMain") shows the
// configured default background.
void GxShowDefaultBackground();

// After a load: a change on the worker to the scene a module names, else to
// the scene the game state names. False, logged, when there is none to go
// to (an empty or unknown name, or one that is no scene to run).
bool GxResumeLoadedGame(int workerIndex);

enum class GxLoadResult {
    // The file would not load (missing, foreign or damaged), or names no
    // scene the game could resume on: nothing changed.
    Refused,
    // The play was reset and the file read, but not all of it.
    Damaged,
    Loaded,
};
// Loads a save game: the file and the scene it resumes on checked first,
// then the play reset, the modules told, the file read over the play, and
// the system voice stopped at once.
GxLoadResult GxLoadSavedGame(const GxString& path);
