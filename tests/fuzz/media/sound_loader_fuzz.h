#pragma once
// Opens arbitrary bytes with one sound loader (through the file layer, as a
// memory file) and reads, seeks and reads again; a bounded amount is decoded,
// since a small valid stream may stand for a long sound. Then the same bytes,
// as a file of the loader's kind, play as the game plays its music and its
// effects: streamed on both back ends (the queued voices with their refill
// thread, the looping cursor buffer with its segment service) from near the
// end, so that the loop back to the loop start is crossed within the bounded
// number of frames rendered, and once whole from memory as a one-shot.
#include "fuzz/io/memory_file.h"
#include "media/sound/GxAudio.h"
#include "media/sound/GxSound.h"
#include "media/sound/GxSoundCache.h"
#include "media/sound/GxSoundLoaderBase.h"
#include "media/sound/GxWavData.h"
#include "platform/audio/output_device.h"
#include "platform/system/clock.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace qfuzz {

namespace sound {

// The frames rendered per play: a little more than a second at the mixer's
// rate, in blocks of a tenth of a second with the service pass between them.
constexpr u32 kBlock = paudio::mix_rate / 10;
constexpr int kBlocks = 12;

inline char g_Dir[] = "/tmp/quillon-fuzz-XXXXXX";
inline std::string g_Path;
inline psys::manual_clock g_Clock;

inline void Finish() {
    GxSound::Shutdown();
    GxAudio::Shutdown();
    psys::set_current_clock(nullptr);
    if (!g_Path.empty()) std::remove(g_Path.c_str());
    rmdir(g_Dir);
}

// Both back ends on the null output pumped by hand, under a hand-driven
// clock, and a scratch folder for the file; made once, released at exit.
inline bool Ready(const char* extension) {
    static const bool ready = [&] {
        if (!mkdtemp(g_Dir)) return false;
        g_Path = std::string(g_Dir) + "/sound" + extension;
        psys::set_current_clock(&g_Clock);
        paudio::output_device::instance().set_mode(paudio::output_mode::manual);
        const bool started = GxAudio::Initialize(false) && GxSound::Initialize(1, false);
        // After the back ends' own statics, so that it runs before they go.
        std::atexit(Finish);
        return started;
    }();
    return ready;
}

inline void Render() {
    for (int i = 0; i < kBlocks; ++i) {
        paudio::output_device::instance().pump(kBlock);
        g_Clock.advance_us(100000);
        GxAudio::Update();
        GxSound::Update();
    }
}

inline void Play(const uint8_t* data, size_t size, u32 lengthMs, bool oneShot) {
    FILE* f = std::fopen(g_Path.c_str(), "wb");
    if (!f) return;
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
    const GxString file(g_Path.begin(), g_Path.end());
    // Looping for ever, from a quarter of a second before the end (or the
    // start of a shorter sound) back to a third of the way in.
    const u32 start = lengthMs > 250 ? lengthMs - 250 : 0;
    const u32 loopStart = lengthMs / 3;
    if (GxAudio::PlayStream(0, file, -1, start, 0, 1.0f, 0, loopStart)) Render();
    GxAudio::StopStream(0);
    if (GxSound::PlayStream(0, file, -1, start, 0, 0, 0, loopStart)) Render();
    GxSound::StopStream(0);
    // Whole from memory through each back end's cache (a short sound, as the
    // game's effects are), forgotten afterwards so that the next input is
    // decoded anew.
    if (!oneShot) return;
    const bool queued = GxAudio::PlayOneShot(nullptr, file, 0, 0, 0, 1.0f, 0);
    const bool buffered = GxSound::PlayOneShot(nullptr, file, 0, 0, 0, 0, 0);
    if (queued || buffered) Render();
    GxAudio::StopAllOneShots();
    GxSound::StopAllOneShots();
    GxAudio::GetCache()->Clear();
    GxSound::GetCache()->Clear();
}

} // namespace sound

template <class Loader>
int LoadSound(const uint8_t* data, size_t size, const char* extension) {
    constexpr u32 kMaxDecode = 1 << 20;
    if (!sound::Ready(extension)) return 0;
    MemoryFile file(data, size);
    if (!file.Ok()) return 0;
    Loader loader;
    if (!loader.Open(file.Path())) return 0;
    const u32 length = loader.GetLengthSamples();
    const u32 lengthMs = loader.GetLengthMs();
    loader.SetLoopPos(length / 3);
    loader.GetLoopPos();
    const u32 lengthBytes = loader.GetLengthBytes();
    std::vector<u8> pcm(std::min(lengthBytes, kMaxDecode));
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
    GxWavData whole;
    const GxWaveFormat format = loader.GetFormat();
    if (!pcm.empty() && whole.Create(u"fuzz", &format, u32(pcm.size()))) {
        std::copy(pcm.begin(), pcm.end(), whole.GetData());
        s16 left, right;
        for (u32 f = 0; f < whole.GetLengthSamples() && f < 64; ++f) whole.GetSamplePair(&left, &right, f);
        whole.GetSamplePair(&left, &right, whole.GetLengthSamples());
    }
    loader.Close();
    sound::Play(data, size, lengthMs, lengthBytes <= kMaxDecode);
    return 0;
}

} // namespace qfuzz
