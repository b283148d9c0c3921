#include "base/GxProfileEx.h"

#include "platform/system/clock.h"

#include <cstring>

GxProfileEx::GxProfileEx(psys::clock* clock) : m_Clock(clock) {
    std::memset(m_Slots, 0, sizeof m_Slots);
    std::memset(m_SmallSlots, 0, sizeof m_SmallSlots);
    Reset();
}

GxProfileEx::~GxProfileEx() = default;

void GxProfileEx::Reset() {
    const f64 now = f64((m_Clock ? *m_Clock : psys::current_clock()).now_us()) / 100.0;
    m_Header[0] = now;
    m_Header[1] = 0.0;
    m_Header[2] = now;
    for (Slot& s : m_Slots) *reinterpret_cast<u8*>(&s) = 0;
    for (SmallSlot& s : m_SmallSlots) *reinterpret_cast<u8*>(&s) = 0;
}
