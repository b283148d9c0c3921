#pragma once
// The UI layouts: one placed widget of a screen each, under its parent folder.
#include "gamedata/GxDBTable.h"

struct DBUILayoutRecord : GxDBRecord {
    s32 ID = 0;
    GxString ParentName;
    s32 ParentIndex = 0;
    GxString ModuleName;
    GxString TaskName;
    s32 TaskIndex = 0;
    s32 Create = 0;
    s32 Visible = 0;
    s32 Enabled = 0;
    f32 Left = 0.0f;
    f32 Top = 0.0f;
    f32 OrderZ = 0.0f;
    s32 GroupID = 0;
    GxString Text;
    GxString Label;
    s32 SystemSoundID = 0;
    s32 Value = 0;
    s32 Min = 0;
    s32 Max = 0;
    s32 AutoHelpTime = 0;
    GxString Descript;
};

class DBUILayout final : public GxDBTable<DBUILayoutRecord, 1024> {
public:
    DBUILayout();
};

extern DBUILayout g_DBUILayout;
