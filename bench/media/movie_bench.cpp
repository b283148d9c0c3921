// Movies: the CPU time to decode a 1280x720 WMV clip with its sound and to
// convert every frame into a movie texture, per second of video, against
// ffmpeg decoding the same clip to nothing (`ffmpeg -benchmark`, one thread).
#include "base/GxStringUtil.h"
#include "bench/graphics/headless_graphics.h"
#include "bench/media/bench_clip.h"
#include "bench/timing.h"
#include "graphics/GxGraphicsTypes.h"
#include "graphics/GxTextureMovie.h"
#include "media/movie/GxMovie.h"
#include "media/movie/GxMoviePlayerBase.h"
#include "platform/audio/output_device.h"
#include "platform/movie/movie_graph.h"
#include "platform/system/clock.h"
#include "tools/builders/SoundFiles.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>

namespace {

constexpr int kSeconds = 10;
constexpr int kFps = 30;

double CpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

// ffmpeg's own figure: user + system CPU seconds of decoding the clip.
double FfmpegCpuMs() {
    FILE* p = popen("ffmpeg -nostdin -hide_banner -threads 1 -filter_threads 1 -benchmark -i bench.wmv -f null - 2>&1",
                    "r");
    if (!p) return -1;
    char line[512];
    double user = -1, sys = 0;
    while (std::fgets(line, sizeof line, p)) {
        const char* u = std::strstr(line, "utime=");
        const char* s = std::strstr(line, "stime=");
        if (u) user = std::atof(u + 6);
        if (s) sys = std::atof(s + 6);
    }
    pclose(p);
    return user < 0 ? -1 : (user + sys) * 1e3;
}

// Plays the clip through the movie service under a clock stepped one frame
// at a time, so that every frame is decoded, converted and shown.
double QuillonCpuMs(int* shown) {
    psys::manual_clock clock;
    psys::set_current_clock(&clock);
    GxMovie::Initialize();
    GxTextureMovie texture;
    texture.Create(u"", 1280, 720, kGxFmtA8R8G8B8, 0xFF000000u, true);
    double ms = -1;
    // From the open on, as ffmpeg's figure counts its probing of the file.
    const double t0 = CpuMs();
    if (GxMovie::Open(0, u"bench.wmv", &texture, true) && GxMovie::Play(0, 0, 0)) {
        const uint64_t start = clock.now_us();
        for (int frame = 0; GxMoviePlayerSlots[0]->IsPlaying() && frame < kSeconds * kFps * 2; ++frame) {
            clock.set_us(start + uint64_t(frame) * 1000000 / kFps);
            pmovie::movie_graph::settle_all();
            GxMovie::Update();
            ++*shown;
        }
        ms = CpuMs() - t0;
    }
    GxMovie::Shutdown();
    texture.Release();
    psys::set_current_clock(nullptr);
    return ms;
}

} // namespace

int main() {
    char dir[] = "/tmp/quillon-movie-bench-XXXXXX";
    if (!mkdtemp(dir)) return 1;
    const std::filesystem::path old = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    if (!qbench::WriteBenchClip(dir, kFps, kSeconds)) return 1;
    paudio::output_device::instance().set_mode(paudio::output_mode::manual);
    if (!qbench::StartHeadlessGraphics("movie_bench", 1024, 768)) return 1;
    int ticks = 0;
    double ours = 1e30, theirs = 1e30;
    for (int run = 0; run < 3; ++run) {
        ticks = 0;
        ours = std::min(ours, QuillonCpuMs(&ticks));
        theirs = std::min(theirs, FfmpegCpuMs());
    }
    GxGraphics::Finalize();
    std::printf("a %d s 1280x720 WMV clip at %d frames a second with WMA sound, CPU per second of video:\n",
                kSeconds, kFps);
    std::printf("  decoded and converted into the movie texture %7.1f ms  (%d frames of the service)\n",
                ours / kSeconds, ticks);
    std::printf("  ffmpeg -benchmark decoding to null           %7.1f ms\n", theirs / kSeconds);
    std::printf("  ratio %.2f\n", ours / theirs);
    std::filesystem::current_path(old);
    std::filesystem::remove_all(dir);
    return 0;
}
