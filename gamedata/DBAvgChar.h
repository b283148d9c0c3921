#pragma once
// The characters: name, standing-picture folder and project, voice folder and
// voice-volume slot.
#include "gamedata/GxDBTable.h"

struct DBAvgCharRecord : GxDBRecord {
    s32 ID = 0;
    GxString CharName;
    s32 SubLayerNum = 0;
    GxString StandPath;
    GxString NCProjFileName;
    // Prefix put in front of a voice file name by the voice look-up.
    GxString VoicePath;
    // The character's voice-volume slot of the user settings.
    s32 VoiceVolumeID = 0;
    GxString Comment;
};

class DBAvgChar final : public GxDBTable<DBAvgCharRecord, 80> {
public:
    DBAvgChar();
};

extern DBAvgChar g_DBAvgChar;
