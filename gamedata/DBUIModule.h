#pragma once
// The UI modules: one kind of widget with its images, size and client area.
#include "gamedata/GxDBTable.h"
#include "ui/DBUIModuleRecord.h"

class DBUIModule final : public GxDBTable<DBUIModuleRecord, 512> {
public:
    DBUIModule();
};

extern DBUIModule g_DBUIModule;
