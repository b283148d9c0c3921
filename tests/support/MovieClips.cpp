#include "support/MovieClips.h"

#include "support/SoundFiles.h"
#include "support/TempDir.h"

#include <cstdio>
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

bool MakeMovieClip(const std::filesystem::path& file, const ClipSpec& s) {
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
    cmd += " '" + file.filename().string() + "'";
    return RunIn(file.parent_path(), cmd);
}

const std::vector<unsigned char>& StandardClip(ClipKind kind) {
    static std::mutex mutex;
    static std::map<ClipKind, std::vector<unsigned char>> clips;
    std::lock_guard<std::mutex> lock(mutex);
    auto it = clips.find(kind);
    if (it == clips.end()) {
        TempDir dir;
        const auto path = dir.path() / ("clip" + ClipExtension(kind));
        ClipSpec spec;
        spec.kind = kind;
        it = clips.emplace(kind, MakeMovieClip(path, spec) ? ReadBytes(path) : std::vector<unsigned char>()).first;
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
