#include "media/sound/GxSoundLoaderMemory.h"

#include "media/sound/GxWavData.h"

#include <algorithm>
#include <cstring>

bool GxSoundLoaderMemory::Open(GxWavData* data) {
    Close();
    if (!data || data->GetSize() == 0) return false;
    m_Data = data;
    m_Format = data->GetFormat();
    m_Read = data->GetData();
    m_Size = m_BytesLeft = data->GetSize();
    data->Touch();
    return true;
}

void GxSoundLoaderMemory::Close() {
    m_Data = nullptr;
    m_Read = nullptr;
    m_Size = m_BytesLeft = 0;
    m_Format = GxWaveFormat{};
}

bool GxSoundLoaderMemory::Read(void* buffer, u32 bytes, u32* bytesRead) {
    if (bytesRead) *bytesRead = 0;
    if (!m_Data) return false;
    const u32 n = std::min(bytes, m_BytesLeft);
    std::memcpy(buffer, m_Read, n);
    m_Read += n;
    m_BytesLeft -= n;
    m_Data->Touch();
    if (bytesRead) *bytesRead = n;
    return true;
}

bool GxSoundLoaderMemory::Seek(u32 frame) {
    if (!m_Data) return false;
    const u64 pos = u64(frame) * m_Format.block_align;
    if (pos > m_Size) return false;
    m_Read = m_Data->GetData() + pos;
    m_BytesLeft = m_Size - u32(pos);
    return true;
}

u32 GxSoundLoaderMemory::Tell() { return m_Format.block_align ? (m_Size - m_BytesLeft) / m_Format.block_align : 0; }
