#include "base/GxFrameTimer.h"

#include "platform/system/clock.h"

#include <algorithm>

GxFrameTimer::GxFrameTimer(psys::clock* clock) : m_Clock(clock) { Start(); }

GxFrameTimer::~GxFrameTimer() { Release(); }

psys::clock& GxFrameTimer::Clock() { return m_Clock ? *m_Clock : psys::current_clock(); }

void GxFrameTimer::Start() {
    m_FirstFrame = true;
    m_Elapsed = 0;
    m_FrameStart = 0;
    m_Lateness = 0;
    m_StepsDue = 1;
    m_StepRemainder = 0;
    m_Restarting = true;
}

void GxFrameTimer::Reset() {
    m_Elapsed = 0;
    m_FrameStart = 0;
    m_Lateness = 0;
    m_StepsDue = 1;
    m_StepRemainder = 0;
}

void GxFrameTimer::Release() {}

s64 GxFrameTimer::WaitNextFrame() {
    psys::clock& clock = Clock();
    u64 now = clock.now_us();
    const s64 period = m_TargetRate > 0 ? 1000000 / m_TargetRate : 0;
    const s64 target = period - m_Lateness;
    // A clock that went back starts the frame over from the new time.
    if (m_FrameStart == 0 || now < m_FrameStart) m_FrameStart = now;
    if (m_RateWindowStart == 0) {
        m_MeasuredRate = 0.0f;
        m_RateWindowStart = now;
        m_WindowFrames = 0;
    }
    auto since = [this](u64 t) -> s64 { return t > m_FrameStart ? s64(t - m_FrameStart) : 0; };

    if (m_FirstFrame || since(now) >= target || m_TargetRate <= 0) {
        clock.sleep_ms(0);
        m_Elapsed = since(now);
    } else {
        s64 remaining = s64(m_FrameStart) + target - s64(now);
        s64 ms = remaining / 1000;
        s64 sleep = ms * 70 / 100 - 5;
        clock.sleep_ms(u32(std::max<s64>(sleep, 0)));
        clock.spin_until_us(m_FrameStart + u64(std::max<s64>(target, 0)));
        now = clock.now_us();
        m_Elapsed = since(now);
    }

    if (!m_StepCatchUp || m_Restarting) {
        m_StepsDue = 1;
        m_StepRemainder = 0;
    } else {
        const s64 stepPeriod = m_StepRate > 0 ? 1000000 / m_StepRate : 1000000;
        const s32 limit = std::max<s32>(m_StepLimit, 1);
        s64 n = (m_Elapsed + m_StepRemainder) / stepPeriod;
        if (n > limit) n = limit;
        if (n < 2) n = 1;
        m_StepsDue = s32(n);
        // Bounded both ways, so neither a stall nor a clock that jumped can
        // leave a debt that holds catch-up off for long.
        const s64 cap = s64(limit) * stepPeriod;
        m_StepRemainder = m_StepRemainder * 90 / 100 + m_Elapsed - n * stepPeriod;
        m_StepRemainder = std::clamp(m_StepRemainder, -cap, cap);
    }

    if (m_Restarting)
        m_Lateness = 0;
    else
        m_Lateness = std::clamp(m_Elapsed - target, -kLatenessLimit, kLatenessLimit);

    ++m_FrameCounter;
    ++m_WindowFrames;
    m_FrameStart = now;
    m_FirstFrame = false;
    m_Restarting = false;

    if (now >= m_RateWindowStart && now - m_RateWindowStart >= 2000000) {
        m_MeasuredRate = float(double(m_WindowFrames) * 1000000.0 / double(now - m_RateWindowStart));
        m_RateWindowStart = now;
        m_WindowFrames = 0;
    } else if (now < m_RateWindowStart) {
        m_RateWindowStart = now;
        m_WindowFrames = 0;
    }
    return m_Elapsed;
}
