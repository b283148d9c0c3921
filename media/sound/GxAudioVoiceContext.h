#pragma once
// The callback of a streaming voice: each piece that ends gives its ring
// buffer one piece back and wakes the refill thread. It runs on the output
// thread with the mixer's lock held, so it takes no lock of the buffer.
#include "base/GxTypes.h"
#include "platform/audio/source_voice.h"
#include "platform/audio/wake_event.h"

#include <atomic>

class GxAudioVoiceContext final : public paudio::voice_callback {
public:
    static constexpr u32 kRingCount = 4;

    // event: woken as each piece ends (the refill thread's); must outlive
    // the voice.
    explicit GxAudioVoiceContext(paudio::wake_event& event) : m_Event(event) {}
    void on_buffer_end(void* context) override;

    // A piece submitted from ring buffer index; the context to submit with.
    void* PieceSubmitted(u32 index);
    // No piece of the ring buffer is queued any longer.
    bool IsFree(u32 index) const { return m_Pieces[index].load() == 0; }
    u32 BusyCount() const;
    void ClearPieces();

private:
    paudio::wake_event& m_Event;
    std::atomic<u32> m_Pieces[kRingCount] = {};
};
