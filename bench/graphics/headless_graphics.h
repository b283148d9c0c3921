#pragma once
// The graphics layer started headless for a frame benchmark. Every frame is
// drawn: a benchmark repeats one frame, which the device would otherwise
// recognise and draw only once.
#include "graphics/GxGraphics.h"

#include <cstdio>

namespace qbench {

// false, with a line naming the benchmark, when the device does not start.
inline bool StartHeadlessGraphics(const char* bench, u32 width, u32 height) {
    GxGraphicsConfig& c = GxGraphics::GetConfig();
    c.m_BackBufferWidth = c.m_ScreenWidth = width;
    c.m_BackBufferHeight = c.m_ScreenHeight = height;
    if (!GxGraphics::Initialize(nullptr, nullptr, nullptr, nullptr)) {
        std::fprintf(stderr, "%s: the device did not start\n", bench);
        return false;
    }
    GxGraphics::GetDevice()->set_frame_reuse(false);
    return true;
}

} // namespace qbench
