#pragma once
// One placed widget of a screen: under which parent, from which module, its
// name, visibility, position, depth, texts, sound, value range and tool tip.
// The UI layout table reads them from its file; the UI manager builds a
// screen from them.
#include "base/GxDBRecord.h"
#include "base/GxTypes.h"

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
