#pragma once
// The debug status overlay's text: a status line (an error notice, or the
// memory of the device resources and the main script's wait state), the main
// script's call stack and the console's lines, each block drawn over its own
// translucent background in the top-left corner of the screen.
#include "base/GxTypes.h"

#include <vector>

class GxDebugConsoleOutputEx;

// One frame of the main script worker's call stack, oldest first.
struct GxDebugStatusFrame {
    GxString m_ScriptName;
    // 0-based: the frame's stored line, for the last frame the line it runs now.
    s32 m_Line = 0;
    s32 m_BlockType = 0;
};

struct GxDebugStatusInput {
    int m_ErrorCount = 0;
    // The memory of every registered device resource, in bytes.
    u64 m_ResourceBytes = 0;
    // The game state's wait fields, under the labels the status line shows.
    s32 m_WaitClick = 0, m_WaitTime = 0, m_WaitMovie = 0, m_WaitAA = 0, m_WaitAS = 0;
    GxString m_WaitASName;
    s32 m_WaitBGM = 0, m_WaitBGV = 0, m_WaitSE = 0, m_WaitVO = 0;
    bool m_ScriptRunning = false;
    std::vector<GxDebugStatusFrame> m_Frames;
    bool m_ScriptErrorStop = false;
    std::vector<GxString> m_ConsoleLines;
};

struct GxDebugStatusLine {
    GxString m_Text;
    u32 m_Color = 0xFFFFFFFF;
};

struct GxDebugStatusText {
    GxDebugStatusLine m_Status;
    std::vector<GxDebugStatusLine> m_CallStack;
    std::vector<GxDebugStatusLine> m_Console;
};

constexpr u32 kGxDebugStatusBackColor = 0x80000050;
constexpr u32 kGxDebugStatusErrorColor = 0xFFFFFF00;
constexpr u32 kGxDebugStatusTextColor = 0xFFFFFFFF;
// The status line's buffer held 512 characters.
constexpr size_t kGxDebugStatusLineMax = 511;

// The name of a script block kind; "不明" for kinds it does not know.
const GxChar* GxGetBlockTypeName(s32 blockType);
GxDebugStatusText GxBuildDebugStatus(const GxDebugStatusInput& input);
// What the overlay shows now: the error count, the device resources' memory,
// the main script worker's call stack and error stop, the game state's wait
// fields, and the console's lines.
GxDebugStatusInput GxGatherDebugStatus(const GxDebugConsoleOutputEx* console);
// Draws the overlay with its top-left corner at (x, y): each line with the
// glyph map of system font slot 1, one font height below the last, over a
// translucent background (the call stack as one block as wide as its widest
// line). The caller has opened the scene and set the 2-D states.
void DrawDebugStatus(const GxDebugConsoleOutputEx* console, f32 x, f32 y);
