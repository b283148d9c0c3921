#include "support/MovieClips.h"

#include "tools/builders/SoundFiles.h"
#include "support/TempDir.h"

#include <cstdio>
#include <functional>
#include <unistd.h>
#include <map>
#include <mutex>

namespace qtest {
namespace {

int Level(uint32_t argb) { return int((argb >> 16 & 0xFF) + (argb >> 8 & 0xFF) + (argb & 0xFF)) / 3; }

} // namespace

std::string ClipExtension(ClipKind kind) {
    switch (kind) {
    case ClipKind::Wmv: return ".wmv";
    case ClipKind::Mpeg1: return ".mpg";
    case ClipKind::Avi: return ".avi";
    }
    return "";
}

namespace {

// The ffmpeg command that writes the clip into `name` in the current folder.
std::string ClipCommand(const std::string& name, const ClipSpec& s) {
    // geq's N is the frame number; the top quarter holds its bits.
    const std::string bit = "255*mod(floor(N/pow(2,floor(X*8/W))),2)";
    char source[1024];
    std::snprintf(source, sizeof source,
                  "color=c=gray:s=%dx%d:r=%d:d=%g,format=rgb24,"
                  "geq=r='if(lt(Y,H/4),%s,if(gt(Y,H*3/4),230,30))'"
                  ":g='if(lt(Y,H/4),%s,30)'"
                  ":b='if(lt(Y,H/4),%s,if(gt(Y,H*3/4),20,220))'",
                  s.width, s.height, s.fps, s.seconds, bit.c_str(), bit.c_str(), bit.c_str());
    std::string cmd = "ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i \"" + std::string(source) + "\"";
    if (s.sound) {
        char tone[128];
        std::snprintf(tone, sizeof tone, "sine=frequency=440:sample_rate=44100:duration=%g", s.seconds);
        cmd += " -f lavfi -i " + std::string(tone);
    }
    switch (s.kind) {
    case ClipKind::Wmv: cmd += " -c:v wmv2 -b:v 4M -g 12" + std::string(s.sound ? " -c:a wmav2" : ""); break;
    case ClipKind::Mpeg1:
        cmd += " -f mpeg -c:v mpeg1video -b:v 4M -g 12 -bf 2" + std::string(s.sound ? " -c:a mp2" : "");
        break;
    case ClipKind::Avi: cmd += " -c:v mpeg4 -q:v 3 -g 12 -bf 2" + std::string(s.sound ? " -c:a pcm_s16le" : ""); break;
    }
    return cmd + " '" + name + "'";
}

} // namespace

bool MakeMovieClip(const std::filesystem::path& file, const ClipSpec& spec) {
    return RunIn(file.parent_path(), ClipCommand(file.filename().string(), spec));
}

const std::vector<unsigned char>& StandardClip(ClipKind kind) {
    static std::mutex mutex;
    static std::map<ClipKind, std::vector<unsigned char>> clips;
    std::lock_guard<std::mutex> lock(mutex);
    auto it = clips.find(kind);
    if (it == clips.end()) {
        ClipSpec spec;
        spec.kind = kind;
        const std::string ext = ClipExtension(kind);
        std::vector<unsigned char> bytes;
#ifdef QUILLON_TEST_CACHE
        // Made once per build, not once per test process: named after the
        // command, and put in place by a rename so that tests running side
        // by side never read half a file.
        char key[32];
        std::snprintf(key, sizeof key, "%016zx", std::hash<std::string>()(ClipCommand("clip" + ext, spec)));
        const std::filesystem::path cached = std::filesystem::path(QUILLON_TEST_CACHE) / ("clip-" + std::string(key) + ext);
        std::error_code ec;
        if (std::filesystem::is_regular_file(cached, ec)) bytes = ReadBytes(cached);
#endif
        if (bytes.empty()) {
            TempDir dir;
            const auto path = dir.path() / ("clip" + ext);
            if (MakeMovieClip(path, spec)) bytes = ReadBytes(path);
#ifdef QUILLON_TEST_CACHE
            if (!bytes.empty()) {
                std::filesystem::create_directories(cached.parent_path(), ec);
                const auto part = cached.parent_path() / ("part-" + std::to_string(getpid()) + ext);
                if (!ec) std::filesystem::copy_file(path, part, std::filesystem::copy_options::overwrite_existing, ec);
                if (!ec) std::filesystem::rename(part, cached, ec);
            }
#endif
        }
        it = clips.emplace(kind, std::move(bytes)).first;
    }
    return it->second;
}

int ReadFrameCounter(const uint32_t* argb, int stride, int width, int height) {
    auto at = [&](int x, int y) { return argb[size_t(y) * size_t(stride) + size_t(x)]; };
    const uint32_t blue = at(width / 2, height / 2), red = at(width / 2, height * 7 / 8);
    if ((blue & 0xFF) < 150 || (blue >> 16 & 0xFF) > 100) return -1;
    if ((red >> 16 & 0xFF) < 150 || (red & 0xFF) > 100) return -1;
    int n = 0;
    for (int i = 0; i < 8; ++i) {
        const int level = Level(at(width * (2 * i + 1) / 16, height / 8));
        if (level > 50 && level < 200) return -1;
        if (level >= 200) n |= 1 << i;
    }
    return n;
}

std::vector<unsigned char> DamagedCopy(std::vector<unsigned char> b, size_t start) {
    for (size_t i = start; i < b.size(); i += 97) b[i] ^= 0xFF;
    return b;
}

} // namespace qtest
