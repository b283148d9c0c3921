// A movie file of any bytes played as a layer plays one: opened in a movie
// slot under the name the first byte chooses (the extension picks the
// demuxer, as in the game), its frames written by the texture renderer
// either into a movie texture of the size and format the input chooses, up
// to the device's limit, or into the renderer's own texture made at the
// movie's size; then played under a hand-driven clock with a loop start, a
// seek close to the end, a stop and a replay, its sound into the silent
// mixer.
//
// Input: byte 0 the extension; byte 1 flags (bit 0: a texture of the
// input's own, bit 1: dynamic, bits 2-3: the loop count, bits 4-6: the
// texture's format); bytes 2-3 and 4-5 the texture's width and height
// (little-endian); the movie file from byte 6.
#include "graphics/GxGraphics.h"
#include "graphics/GxGraphicsTypes.h"
#include "graphics/GxTextureMovie.h"
#include "media/movie/GxMovie.h"
#include "media/movie/GxMoviePlayerBase.h"
#include "platform/audio/output_device.h"
#include "platform/movie/movie_graph.h"
#include "platform/system/clock.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

constexpr const char* kExtensions[] = {".wmv", ".avi", ".mpg", ".mpv", ".dat", ".mov",
                                       ".mpa", ".wav", ".asf", ".mpeg", ".mpg2", ".movie"};
constexpr u32 kFormats[] = {kGxFmtA8R8G8B8, kGxFmtX8R8G8B8, kGxFmtA1R5G5B5, kGxFmtA4R4G4B4,
                            kGxFmtX4R4G4B4, kGxFmtR5G6B5,   kGxFmtA8R8G8B8, kGxFmtA8R8G8B8};
constexpr s32 kLoops[] = {0, 1, -1, 2};
// The device's largest side; a texture of the input's own is also kept to
// a size the allocation cap allows, since that size is the harness's choice
// and not the file's.
constexpr u32 kMaxSide = 8192;
constexpr u64 kMaxArea = u64(2048) * 2048;

char g_Dir[] = "/tmp/quillon-fuzz-XXXXXX";
psys::manual_clock g_Clock;

void Finish() {
    GxMovie::Shutdown();
    GxGraphics::Finalize();
    for (const char* ext : kExtensions) std::remove((std::string(g_Dir) + "/movie" + ext).c_str());
    rmdir(g_Dir);
    psys::set_current_clock(nullptr);
}

// A headless device, the movie service and the silent output pumped by hand,
// under the hand-driven clock; a scratch folder for the file.
bool Ready() {
    static const bool ready = [] {
        if (!mkdtemp(g_Dir)) return false;
        psys::set_current_clock(&g_Clock);
        paudio::output_device::instance().set_mode(paudio::output_mode::manual);
        const bool started = GxGraphics::Initialize(nullptr, nullptr, nullptr, nullptr) && GxMovie::Initialize();
        // After the services' own statics, so that it runs before they go.
        std::atexit(Finish);
        return started;
    }();
    return ready;
}

u32 Side(const uint8_t* p) { return 1 + (u32(p[0]) | u32(p[1]) << 8) % kMaxSide; }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 6 || size > (1u << 20) || !Ready()) return 0;
    const std::string path = std::string(g_Dir) + "/movie" + kExtensions[data[0] % std::size(kExtensions)];
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data + 6, 1, size - 6, f);
    std::fclose(f);
    const u8 flags = data[1];
    std::unique_ptr<GxTextureMovie> texture;
    if (flags & 1) {
        u32 w = Side(data + 2), h = Side(data + 4);
        while (u64(w) * h > kMaxArea) (w > h ? w : h) /= 2;
        texture = std::make_unique<GxTextureMovie>();
        if (!texture->Create(u"", w, h, kFormats[(flags >> 4) & 7], 0xFF000000u, flags & 2)) return 0;
    }
    const GxString file(path.begin(), path.end());
    const uint64_t start = g_Clock.now_us();
    if (GxMovie::Open(0, file, texture.get(), flags & 2) && GxMovie::Play(0, kLoops[(flags >> 2) & 3], 0)) {
        GxMoviePlayerBase* player = GxMoviePlayerSlots[0];
        f32 u = 0, v = 0;
        player->GetTextureUV(u, v);
        // Three seconds of frames: near the end soon, so that the end (or
        // the loop back to the loop start) comes within them, then a stop
        // and a replay that repeats without end.
        for (int step = 0; step < 60 && (step <= 22 || player->IsPlaying()); ++step) {
            g_Clock.set_us(start + uint64_t(step) * 50000);
            pmovie::movie_graph::settle_all();
            GxMovie::Update();
            if (step == 5) GxMovie::SetLoopStart(0, player->GetDuration() / 3);
            if (step == 8) GxMovie::SetPosition(0, std::max(player->GetDuration() - 0.4, 0.0));
            if (step == 20) GxMovie::Stop(0);
            if (step == 22) GxMovie::Play(0, -1, -2000);
            paudio::output_device::instance().pump(2400);
        }
    }
    GxMovie::Close(0);
    if (texture) texture->Release();
    return 0;
}
