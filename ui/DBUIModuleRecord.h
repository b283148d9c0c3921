#pragma once
// One UI module: a kind of widget with its type code, images, size, client
// area, shape, font and animation speed. The UI module table reads them from
// its file; the widget factory and ApplyModuleRecord use them.
#include "base/GxDBRecord.h"
#include "base/GxTypes.h"

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
