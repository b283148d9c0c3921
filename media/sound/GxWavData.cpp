#include "media/sound/GxWavData.h"

#include "base/GxLog.h"
#include "base/GxStringUtil.h"
#include "platform/system/clock.h"

#include <algorithm>
#include <memory>
#include <new>

void GxWavData::Reset() {
    std::vector<u8>().swap(m_Data);
    m_LastStartTime = 0;
    m_Format = GxWaveFormat{};
    m_Name.clear();
    m_RefCount = 0;
    m_Length = 0;
    m_Keep = false;
}

u32 GxWavData::Release() {
    if (m_RefCount > 0) --m_RefCount;
    return m_RefCount;
}

bool GxWavData::Create(GxStringView name, const GxWaveFormat* format, u32 bytes) {
    Destroy();
    if (!format || bytes == 0) return false;
    m_Format = *format;
    try {
        m_Data.assign(bytes, 0);
    } catch (const std::bad_alloc&) {
        Reset();
        GxWriteWarningLog(u"Error/GxWavData::Create バッファの確保に失敗しました(%s)\n", name);
        return false;
    }
    m_Length = m_Format.block_align ? bytes / m_Format.block_align : 0;
    AddRef();
    m_Name = GxToLower(name);
    Touch();
    return true;
}

bool GxWavData::CreateA(const GxStringA& name, const GxWaveFormat* format, u32 bytes) {
    return Create(GxFromAnsi(name), format, bytes);
}

bool GxWavData::CreateFromFile(GxStringView name) {
    std::unique_ptr<GxSoundLoaderBase> loader(GxSoundLoaderBase::CreateForFile(name));
    if (!loader) {
        GxWriteWarningLog(u"Error/GxWavData::Create 未対応の形式です(%s)\n", name);
        return false;
    }
    if (!loader->Open(name)) return false;
    std::vector<u8> pcm;
    loader->ReadAll(pcm);
    const GxWaveFormat format = loader->GetFormat();
    loader->Close();
    // A file that delivers less than it claims keeps what it delivered.
    if (!Create(name, &format, u32(pcm.size()))) return false;
    m_Data.swap(pcm);
    return true;
}

bool GxWavData::CreateFromFileA(const GxStringA& name) { return CreateFromFile(GxFromAnsi(name)); }

u32 GxWavData::GetLengthMs() const {
    if (m_Format.samples_per_sec == 0) return 0;
    return u32(u64(m_Length) * 1000u / m_Format.samples_per_sec);
}

bool GxWavData::GetSamplePair(s16* left, s16* right, u32 frame) const {
    const u32 channels = m_Format.channels;
    const u32 bytes = m_Format.bits_per_sample / 8;
    // Chosen by the bits per sample; the block must hold every channel.
    if (frame >= m_Length || channels == 0 || (bytes != 1 && bytes != 2) || m_Format.block_align < channels * bytes)
        return false;
    const u8* p = m_Data.data() + size_t(frame) * m_Format.block_align;
    auto sample = [&](u32 ch) -> s16 {
        if (bytes == 1) return s16((int(p[ch]) - 128) * 256);  // unsigned 8-bit
        return s16(u16(p[ch * 2] | p[ch * 2 + 1] << 8));
    };
    const s16 l = sample(0);
    const s16 r = channels > 1 ? sample(1) : l;
    if (left) *left = l;
    if (right) *right = r;
    return true;
}

void GxWavData::Touch() { m_LastStartTime = u32(psys::now_ms()); }
