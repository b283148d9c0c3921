#pragma once
// The UI modules: one kind of widget with its images, size and client area.
#include "gamedata/GxDBTable.h"

struct DBUIModuleRecord : GxDBRecord {
    s32 ID = 0;
    s32 UIType = 0;
    GxString Name;
    GxString ImageSetName;
    GxString ImageName;
    s32 Width = 0;
    s32 Height = 0;
    s32 ClientLeft = 0;
    s32 ClientTop = 0;
    s32 ClientWidth = 0;
    s32 ClientHeight = 0;
    s32 ShapeType = 0;
    s32 FontIndex = 0;
    s32 AnimeSpeed = 0;
};

class DBUIModule final : public GxDBTable<DBUIModuleRecord, 512> {
public:
    DBUIModule();
};

extern DBUIModule g_DBUIModule;
