#pragma once
// The system voices of each voice set: element n of VoiceFileName is system
// voice n, numbered from 1, so element 0 is never read from the file.
#include "gamedata/GxDBTable.h"

struct DBSystemVoiceRecord : GxDBRecord {
    s32 ID = 0;
    GxString Comment;
    GxString VoicePath;
    GxString VoiceFileName[24];
};

class DBSystemVoice final : public GxDBTable<DBSystemVoiceRecord, 32> {
public:
    DBSystemVoice();
};

extern DBSystemVoice g_DBSystemVoice;
