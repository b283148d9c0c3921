#pragma once
// The key actions: which key codes trigger each action, in which key-map
// column.
#include "gamedata/GxDBTable.h"

struct DBKeyMapRecord : GxDBRecord {
    s32 ID = 0;
    GxString Name;
    GxString ShowName;
    s32 Essential = 0;
    // The column of the input key map the action is entered into.
    s32 Group = 0;
    s32 NotChange = 0;
    s32 AllowDevice = 0;
    GxString KeyCodeStr[6];
    GxString Help;
};

class DBKeyMap final : public GxDBTable<DBKeyMapRecord, 64> {
public:
    DBKeyMap();
};

extern DBKeyMap g_DBKeyMap;
