#pragma once
// Opens arbitrary bytes with one sound loader (through the file layer, as a
// memory file) and reads, seeks and reads again; a bounded amount is decoded,
// since a small valid stream may stand for a long sound.
#include "fuzz/io/memory_file.h"
#include "media/sound/GxSoundLoaderBase.h"
#include "media/sound/GxWavData.h"

#include <algorithm>
#include <vector>

namespace qfuzz {

template <class Loader>
int LoadSound(const uint8_t* data, size_t size) {
    constexpr u32 kMaxDecode = 1 << 20;
    MemoryFile file(data, size);
    if (!file.Ok()) return 0;
    Loader loader;
    if (!loader.Open(file.Path())) return 0;
    const u32 length = loader.GetLengthSamples();
    loader.GetLengthMs();
    loader.SetLoopPos(length / 3);
    loader.GetLoopPos();
    std::vector<u8> pcm(std::min(loader.GetLengthBytes(), kMaxDecode));
    u32 got = 0;
    loader.Read(pcm.data(), u32(pcm.size()), &got);
    loader.Tell();
    loader.IsEnd();
    if (loader.Seek(length / 2)) {
        u8 more[4096];
        loader.Read(more, sizeof more, &got);
    }
    loader.Seek(length + 1);
    // The decoded bytes as a whole sound, read back by frame.
    GxWavData sound;
    const GxWaveFormat format = loader.GetFormat();
    if (!pcm.empty() && sound.Create(u"fuzz", &format, u32(pcm.size()))) {
        std::copy(pcm.begin(), pcm.end(), sound.GetData());
        s16 left, right;
        for (u32 f = 0; f < sound.GetLengthSamples() && f < 64; ++f) sound.GetSamplePair(&left, &right, f);
        sound.GetSamplePair(&left, &right, sound.GetLengthSamples());
    }
    loader.Close();
    return 0;
}

} // namespace qfuzz
