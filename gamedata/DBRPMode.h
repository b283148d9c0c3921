#pragma once
// The scene replay's entries, each a script label.
#include "gamedata/GxDBTable.h"

struct DBRPModeRecord : GxDBRecord {
    s32 ID = 0;
    s32 Group = 0;
    GxString Thumbnail;
    GxString Label;
    GxString Help;
};

class DBRPMode final : public GxDBTable<DBRPModeRecord, 200> {
public:
    DBRPMode();
};

extern DBRPMode g_DBRPMode;
