#pragma once
// The picture gallery: a group, a thumbnail and up to 32 pictures per entry.
// Two tables are read from the same file, one for the gallery and one for its
// viewer.
#include "gamedata/GxDBTable.h"

struct DBCGModeRecord : GxDBRecord {
    s32 ID = 0;
    s32 Group = 0;
    GxString Thumbnail;
    GxString FileName[32];
    s32 Count = 0;
};

class DBCGMode final : public GxDBTable<DBCGModeRecord, 200> {
public:
    DBCGMode();
};

extern DBCGMode g_DBCGMode;
extern DBCGMode g_DBCGModeView;
