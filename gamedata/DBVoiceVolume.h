#pragma once
// The voice-volume panels of the configuration, one per voice-volume slot.
#include "gamedata/GxDBTable.h"

struct DBVoiceVolumeRecord : GxDBRecord {
    s32 ID = 0;
    s32 PanelVisible = 0;
    s32 PanelOrder = 0;
    GxString FacePanelFileName;
    GxString SoundTestFileName;
    s32 SystemVoiceExist = 0;
    s32 SystemVoiceEnabled = 0;
    GxString Comment;
};

class DBVoiceVolume final : public GxDBTable<DBVoiceVolumeRecord, 32> {
public:
    DBVoiceVolume();
};

extern DBVoiceVolume g_DBVoiceVolume;
