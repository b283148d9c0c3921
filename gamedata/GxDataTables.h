#pragma once
// The game's ten process-wide data tables, loaded together at start-up.
#include "gamedata/DBAvgChar.h"
#include "gamedata/DBBGMMode.h"
#include "gamedata/DBCGMode.h"
#include "gamedata/DBKeyMap.h"
#include "gamedata/DBRPMode.h"
#include "gamedata/DBSystemVoice.h"
#include "gamedata/DBUILayout.h"
#include "gamedata/DBUIModule.h"
#include "gamedata/DBVoiceVolume.h"

// Empties every table, then loads each from its file under "data/" (the key
// map only when its file exists; the gallery file, read once, into both gallery tables)
// and splits the gallery's file names. Each table reports its own failures; loading goes on.
void GxLoadDataTables();
// Empties every table. For tests, which share the process-wide tables.
void GxResetDataTables();
