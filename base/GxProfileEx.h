#pragma once
// The profiling record the process object keeps from start-up to shutdown: a
// header of three times and two tables of 50 named slots. Nothing records into
// it or reads it yet; it is laid out, zeroed and reset as the profiler that
// would fill it expects. Times are in units of 100 µs of the injectable clock.
#include "base/GxTypes.h"

namespace psys {
class clock;
}

class GxProfileEx {
public:
    static constexpr int kSlotCount = 50;
    static constexpr int kNameLength = 256;

    struct Slot {
        u32 m_Values[3];
        GxChar m_Name[kNameLength];
        f64 m_Times[3];
        u32 m_Tail;
    };
    struct SmallSlot {
        u16 m_Value;
        GxChar m_Name[kNameLength];
        f64 m_Times[3];
    };

    // Zeroes every slot, then resets. With a null clock the process's current
    // clock is read.
    explicit GxProfileEx(psys::clock* clock = nullptr);
    virtual ~GxProfileEx();
    GxProfileEx(const GxProfileEx&) = delete;
    GxProfileEx& operator=(const GxProfileEx&) = delete;

    // Header times 0 and 2 become now, time 1 becomes 0, and the first byte of
    // every slot of both tables (the mark of a slot in use) is cleared.
    void Reset();

    f64 m_Header[3] = {};
    Slot m_Slots[kSlotCount];
    SmallSlot m_SmallSlots[kSlotCount];

private:
    psys::clock* m_Clock;
};
