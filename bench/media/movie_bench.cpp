// Movies: the CPU time to decode a 1280x720 WMV clip with its sound and to
// convert every frame into a movie texture, per second of video, against
// ffmpeg decoding the same clip to nothing (`ffmpeg -benchmark`, one thread);
// beside it the same with every frame scaled into rows of the converter's own
// and copied into the texture, the way all of them went before the converter
// scaled straight into the texture's rows where they have room for it.
#include "base/GxStringUtil.h"
#include "bench/graphics/headless_graphics.h"
#include "bench/media/bench_clip.h"
#include "bench/timing.h"
#include "graphics/GxGraphicsTypes.h"
#include "graphics/GxTextureMovie.h"
#include "media/movie/GxMovieReaderOutputPin.h"
#include "media/movie/GxMovieRenderer.h"
#include "media/movie/GxMovieSourceFilterFile.h"
#include "platform/audio/output_device.h"
#include "platform/movie/container.h"
#include "platform/movie/movie_graph.h"
#include "platform/movie/picture.h"
#include "platform/render/resources.h"
#include "platform/system/clock.h"
#include "tools/builders/SoundFiles.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>

namespace {

constexpr int kSeconds = 10;
constexpr int kFps = 30;
// Each figure is the best of this many runs, the two ways and ffmpeg taking
// turns, so that other work on the machine shows in them as little as it can.
constexpr int kRuns = 7;

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

// The way every frame went before: scaled into rows of the converter's own
// and copied into the texture. The converter still goes that way for rows
// upwards, so this renderer hands it the texture's rows upwards: the picture
// stands on its head, for the same work. A measuring device, not an engine
// part.
class ThroughOwnRows final : public GxMovieRenderer {
public:
    using GxMovieRenderer::GxMovieRenderer;
    pmovie::result render_sample(const pmovie::sample* s) override {
        GxTextureMovie* texture = GetTexture();
        if (!s || !s->pic || !texture) return GxMovieRenderer::render_sample(s);
        GxMutexScopedLock lock(texture->GetFrameLock());
        const std::shared_ptr<prender::texture> back = texture->GetBackTexture();
        prender::locked_rect locked;
        if (!back || prender::failed(back->lock_rect(0, nullptr, locked, prender::lock_discard))) return pmovie::e_fail;
        const s32 w = std::min<s32>(GetVideoWidth(), s32(texture->GetWidth()));
        const s32 h = std::min<s32>(GetVideoHeight(), s32(texture->GetHeight()));
        u8* const bottom = static_cast<u8*>(locked.bits) + ptrdiff_t(h - 1) * locked.pitch;
        const bool ok =
            s->pic->convert_to(pmovie::frame_target{bottom, -locked.pitch, w, h, pmovie::pixel_layout::argb8888});
        if (prender::failed(back->unlock_rect(0)) || !ok) return pmovie::e_fail;
        return pmovie::s_ok;
    }
};

// Plays the clip through a movie graph into the movie texture under a clock
// stepped one frame at a time, so that every frame is decoded, converted and
// shown.
template <class Renderer>
double QuillonCpuMs(int* shown) {
    psys::manual_clock clock;
    psys::set_current_clock(&clock);
    GxTextureMovie texture;
    texture.Create(u"", 1280, 720, kGxFmtA8R8G8B8, 0xFF000000u, true);
    double ms = -1;
    {
        // From the open on, as ffmpeg's figure counts its probing of the file.
        const double t0 = CpuMs();
        GxMovieSourceFilterFile file(u"bench.wmv", 0xFFFFFFFFu);
        GxMovieReaderOutputPin pin(nullptr, &file);
        std::unique_ptr<pmovie::container> c;
        pmovie::result hr = pmovie::s_ok;
        auto renderer = std::make_shared<Renderer>(&texture, true, &hr);
        if (!pmovie::failed(pmovie::container::open(pin, pmovie::subtype::asf, &c))) {
            *shown = qbench::PlayThroughGraph(std::move(c), renderer, clock, kFps, kSeconds, [] {});
            ms = CpuMs() - t0;
        }
    }
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
    double load = 0;
    if (FILE* f = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(f, "%lf", &load) != 1) load = 0;
        std::fclose(f);
    }
    int ticks = 0, copiedTicks = 0;
    double ours = 1e30, copied = 1e30, theirs = 1e30;
    for (int run = 0; run < kRuns; ++run) {
        ticks = copiedTicks = 0;
        ours = std::min(ours, QuillonCpuMs<GxMovieRenderer>(&ticks));
        copied = std::min(copied, QuillonCpuMs<ThroughOwnRows>(&copiedTicks));
        theirs = std::min(theirs, FfmpegCpuMs());
    }
    GxGraphics::Finalize();
    std::printf("a %d s 1280x720 WMV clip at %d frames a second with WMA sound, CPU per second of video "
                "(best of %d; load average %.2f):\n",
                kSeconds, kFps, kRuns, load);
    std::printf("  decoded and converted into the movie texture %7.1f ms  (%d frames)\n",
                ours / kSeconds, ticks);
    std::printf("  through rows of the converter's own, copied  %7.1f ms  (%d frames)\n",
                copied / kSeconds, copiedTicks);
    std::printf("  ffmpeg -benchmark decoding to null           %7.1f ms\n", theirs / kSeconds);
    std::printf("  ratio %.2f against ffmpeg; through own rows %.2f against straight into the texture\n",
                ours / theirs, copied / ours);
    std::filesystem::current_path(old);
    std::filesystem::remove_all(dir);
    return 0;
}
