#include "media/sound/GxAudioVoiceContext.h"

void GxAudioVoiceContext::on_buffer_end(void* context) {
    const uintptr_t index = reinterpret_cast<uintptr_t>(context);
    if (index < kRingCount && m_Pieces[index].load() > 0) --m_Pieces[index];
    m_Event.set();
}

void* GxAudioVoiceContext::PieceSubmitted(u32 index) {
    ++m_Pieces[index];
    return reinterpret_cast<void*>(uintptr_t(index));
}

u32 GxAudioVoiceContext::BusyCount() const {
    u32 busy = 0;
    for (const auto& p : m_Pieces) busy += p.load() > 0 ? 1 : 0;
    return busy;
}

void GxAudioVoiceContext::ClearPieces() {
    for (auto& p : m_Pieces) p.store(0);
}
