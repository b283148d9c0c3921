#include "tasks/GxInputState.h"

void GxInputState::Clear() {
    for (int b = 0; b < kBitCount; ++b) m_HoldFrames[b] = m_ReleaseFrames[b] = 0;
    m_Down.Reset();
    m_Pressed.Reset();
    m_Released.Reset();
    m_PressedOrRepeated.Reset();
    m_PrevDown.Reset();
    for (int k = 0; k < kStickCount; ++k) {
        m_Sticks[k] = m_PrevSticks[k] = GxVector4();
        m_StickActive[k] = m_PrevStickActive[k] = false;
    }
}

void GxInputState::ClearCurrent() {
    m_Down.Reset();
    for (int k = 0; k < kStickCount; ++k) {
        m_Sticks[k] = GxVector4();
        m_StickActive[k] = false;
    }
}

void GxInputState::UpdateEdges() {
    m_Pressed.Reset();
    m_Released.Reset();
    m_PressedOrRepeated.Reset();
    for (int b = 0; b < kBitCount; ++b) {
        if (!m_Down.Test(b)) {
            if (m_PrevDown.Test(b)) m_Released.Set(b);
            ++m_ReleaseFrames[b];
            m_HoldFrames[b] = 0;
        } else {
            if (!m_PrevDown.Test(b)) m_Pressed.Set(b);
            if (m_HoldFrames[b] >= kRepeatDelay && (m_HoldFrames[b] - kRepeatDelay) % 2 == 0)
                m_PressedOrRepeated.Set(b);
            ++m_HoldFrames[b];
            m_ReleaseFrames[b] = 0;
        }
    }
    m_PressedOrRepeated |= m_Pressed;
    m_PrevDown = m_Down;
    for (int k = 0; k < kStickCount; ++k) {
        m_PrevSticks[k] = m_Sticks[k];
        m_PrevStickActive[k] = m_StickActive[k];
    }
}
