#pragma once
// Paces the main loop to a fixed frame rate and tells the frame how many update
// steps are due, so the game's logic keeps its speed when drawing falls behind.
// Time comes from an injectable clock so that tests drive it without waiting.
#include "base/GxTypes.h"

namespace psys {
class clock;
}

class GxFrameTimer {
public:
    // With a null clock the process's current clock is used at each call.
    explicit GxFrameTimer(psys::clock* clock = nullptr);
    ~GxFrameTimer();

    void Start();
    // Forgets the frame start, so a stall produces no burst of catch-up steps.
    void Reset();
    // Waits for the next frame; returns the elapsed time in microseconds.
    s64 WaitNextFrame();
    void Release();

    bool m_FirstFrame = true;
    s64 m_Elapsed = 0;
    u64 m_FrameStart = 0;
    s32 m_TargetRate = 60;
    s64 m_Lateness = 0;
    u64 m_FrameCounter = 0;
    u64 m_RateWindowStart = 0;
    u64 m_WindowFrames = 0;
    f32 m_MeasuredRate = 0.0f;
    bool m_StepCatchUp = true;
    s32 m_StepsDue = 1;
    s32 m_StepRate = 60;
    s32 m_StepLimit = 15;
    s64 m_StepRemainder = 0;
    bool m_Restarting = true;

    static constexpr s64 kLatenessLimit = 4000;

private:
    psys::clock& Clock();
    psys::clock* m_Clock;
};
