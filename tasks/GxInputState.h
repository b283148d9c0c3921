#pragma once
// The state of one input device (keyboard, mouse, joystick 1, joystick 2) or
// of the combined, key-mapped state: which of its 256 bits are down, went down,
// went up or pulse with auto-repeat in this update step, how long each has
// been held or released, and up to four analog sticks.
#include "base/GxVector.h"

class GxInputState {
public:
    static constexpr int kBitCount = 256;
    static constexpr int kStickCount = 4;
    // A held bit first repeats in its 31st step, then every second step.
    static constexpr u64 kRepeatDelay = 30;

    struct BitSet {
        u64 m_Words[4] = {};
        bool Test(int bit) const { return bit >= 0 && bit < kBitCount && (m_Words[bit >> 6] >> (bit & 63)) & 1; }
        void Set(int bit) {
            if (bit >= 0 && bit < kBitCount) m_Words[bit >> 6] |= u64(1) << (bit & 63);
        }
        void Reset() { m_Words[0] = m_Words[1] = m_Words[2] = m_Words[3] = 0; }
        bool Any() const { return (m_Words[0] | m_Words[1] | m_Words[2] | m_Words[3]) != 0; }
        BitSet& operator|=(const BitSet& o) {
            for (int i = 0; i < 4; ++i) m_Words[i] |= o.m_Words[i];
            return *this;
        }
    };

    GxInputState() { Clear(); }

    // Zeroes the counters, bits, sticks and previous copies; keeps the stick layout.
    void Clear();
    // Clears this step's down bits and sticks before a device is read.
    void ClearCurrent();
    // Derives pressed, released, repeat and the counters from down and the
    // previous step, then remembers this step.
    void UpdateEdges();

    bool IsDown(int bit) const { return m_Down.Test(bit); }
    bool IsPressed(int bit) const { return m_Pressed.Test(bit); }
    bool IsReleased(int bit) const { return m_Released.Test(bit); }
    bool IsPressedOrRepeated(int bit) const { return m_PressedOrRepeated.Test(bit); }

    u64 m_HoldFrames[kBitCount];
    u64 m_ReleaseFrames[kBitCount];
    BitSet m_Down;
    BitSet m_Pressed;
    BitSet m_Released;
    BitSet m_PressedOrRepeated;
    GxVector4 m_Sticks[kStickCount];
    bool m_StickActive[kStickCount];
    s32 m_StickLayout = 0;
    BitSet m_PrevDown;
    GxVector4 m_PrevSticks[kStickCount];
    bool m_PrevStickActive[kStickCount];
};
