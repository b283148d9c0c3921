#pragma once
// The music room's pieces, with the loop start of each piece's file.
#include "gamedata/GxDBTable.h"

struct DBBGMModeRecord : GxDBRecord {
    s32 ID = 0;
    GxString Name;
    GxString FileName;
    u32 LoopPosTime = 0;
    s32 ButtonIndex = 0;
};

class DBBGMMode final : public GxDBTable<DBBGMModeRecord, 60> {
public:
    DBBGMMode();
};

extern DBBGMMode g_DBBGMMode;
