#pragma once
// The start-up block of the device layer: filled by the game's start-up
// defaults before the device exists, read by GxGraphics::Initialize.
#include "base/GxTypes.h"

// Display-mode indexes. Start-up fills the entries of the first four; the
// others are names only.
enum GxScreenMode : u32 {
    SCRMODE_WINDOW = 0,           // windowed, back buffer of the requested size
    SCRMODE_WINDOWSIZE = 1,       // windowed, back buffer of the desktop's size
    SCRMODE_FULLSCREEN = 2,       // full screen at the requested size
    SCRMODE_FULLSCREENFIXED = 3,  // full screen at the desktop's size
    SCRMODE_FULL320X240 = 4,
    SCRMODE_FULL640X480 = 5,
    SCRMODE_FULL800X600 = 6,
    SCRMODE_FULL1024X576 = 7,
    SCRMODE_FULL1024X768 = 8,
    SCRMODE_FULL1280X720 = 9,
    SCRMODE_FULL1280X800 = 10,
    SCRMODE_FULL1280X960 = 11,
    SCRMODE_FULL1280X1024 = 12,
    SCRMODE_FULL1920X1080 = 13,
};
constexpr u32 kGxScreenModeNameCount = 14;
// Room in the display-mode table.
constexpr u32 kGxDisplayModeTableSize = 15;

struct GxGraphicsConfig {
    u32 m_ScreenWidth = 640;  // the logical drawing size: default viewport and window client size
    u32 m_ScreenHeight = 480;
    u32 m_BackBufferWidth = 640;  // requested back-buffer size
    u32 m_BackBufferHeight = 480;
    u32 m_DisplayMode = SCRMODE_WINDOW;           // current display-mode index
    u32 m_RequestedDisplayMode = SCRMODE_WINDOW;  // the mode to start in
    u32 m_VSyncInterval = 1;                      // 0 to 4
    bool m_LockableBackBuffer = true;
    u32 m_TextureBits = 32;  // 16 or 32
    u32 m_BackBufferBits = 32;
    u32 m_DepthStencilBits = 24;  // 16 or 24
    u32 m_FloatTextureBits = 32;
    u32 m_Float2TextureBits = 32;
    u32 m_RefreshRate = 60;
    bool m_ForceSquareTextures = false;
    u32 m_MultiSampleMode = 0;  // 0, 2 or 4
    u32 m_SwapEffect = 1;       // 1 discard, 2 flip, 3 copy
    u32 m_CursorMode = 1;       // 0 to 4, read by the main window's cursor handling
};

// The mode's fixed name ("SCRMODE_…"), "" outside the table.
const GxChar* GxGetScreenModeName(u32 index);
