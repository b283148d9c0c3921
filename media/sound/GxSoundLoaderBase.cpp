#include "media/sound/GxSoundLoaderBase.h"

#include "base/GxStringUtil.h"
#include "media/sound/GxSoundLoaderOgg.h"
#include "media/sound/GxSoundLoaderWav.h"

#include <algorithm>

u32 MillisecondsToFrames(u32 ms, u32 rate) {
    const double frames = double(rate) / 1000.0 * double(ms);
    return frames >= 4294967295.0 ? 0xFFFFFFFFu : u32(frames);
}

GxSoundLoaderBase* GxSoundLoaderBase::CreateForFile(GxStringView name) {
    if (GxHasFileExtension(name, u".wav")) return new GxSoundLoaderWav();
    if (GxHasFileExtension(name, u".ogg")) return new GxSoundLoaderOgg();
    return nullptr;
}

GxSoundLoaderBase* GxSoundLoaderBase::OpenFile(GxStringView name) {
    GxSoundLoaderBase* loader = CreateForFile(name);
    if (loader && !loader->Open(name)) {
        delete loader;
        loader = nullptr;
    }
    return loader;
}

u32 GxSoundLoaderBase::GetLengthMs() {
    if (m_Format.samples_per_sec == 0) return 0;
    return u32(u64(GetLengthSamples()) * 1000u / m_Format.samples_per_sec);
}

bool GxSoundLoaderBase::ReadAll(std::vector<u8>& out) {
    constexpr u32 kChunk = 256 * 1024;
    out.clear();
    if (!IsOpen()) return false;
    const u32 claimed = GetLengthBytes();
    while (out.size() < claimed) {
        const size_t at = out.size();
        out.resize(at + std::min<u32>(kChunk, claimed - u32(at)));
        u32 got = 0;
        const bool ok = Read(out.data() + at, u32(out.size() - at), &got);
        out.resize(at + got);
        if (!ok) return false;
        if (got == 0) break;
    }
    return true;
}
