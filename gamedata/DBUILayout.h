#pragma once
// The UI layouts: one placed widget of a screen each, under its parent folder.
#include "gamedata/GxDBTable.h"
#include "ui/DBUILayoutRecord.h"

class DBUILayout final : public GxDBTable<DBUILayoutRecord, 1024> {
public:
    DBUILayout();
};

extern DBUILayout g_DBUILayout;
