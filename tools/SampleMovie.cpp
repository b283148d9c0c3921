#include "tools/SampleMovie.h"

#include "tools/SampleCanvas.h"
#include "tools/SampleSound.h"
#include "tools/SampleTables.h"
#include "tools/builders/FileBytes.h"
#include "tools/builders/SoundFiles.h"

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace qtools {
namespace {

// Both movies fill the screen: a movie layer shows a movie at its own size.
constexpr int kWidth = 1024, kHeight = 768, kRate = 25;
constexpr double kSeconds = 4.0, kStarSeconds = 3.0;

float Ramp(float t, float from, float to) { return std::clamp((t - from) / (to - from), 0.0f, 1.0f); }

// The moon rises over the hills and the title fades in under it.
SampleCanvas Frame(int n) {
    const float t = float(n) / kRate;
    SampleCanvas c(kWidth, kHeight);
    c.Gradient(0, 0, kWidth, kHeight, MixColour(0xFF000000, 0xFF101438, Ramp(t, 0, 1.5f)),
               MixColour(0xFF000000, 0xFF4A3468, Ramp(t, 0, 1.5f)), true);
    const float moonY = 600 - 460 * std::sin(Ramp(t, 0, 3.0f) * 1.5707963f);
    c.Glow(840, moonY, 180, WithAlpha(0xFFF0C0, uint32_t(110 * Ramp(t, 0.3f, 2.0f))));
    c.Circle(840, moonY, 56, WithAlpha(0xFFF4D8, uint32_t(255 * Ramp(t, 0.3f, 1.5f))));
    c.Hills(600, 28, 0.006f, 0.0f, 0xFF120F24);
    const uint32_t title = uint32_t(255 * Ramp(t, 1.5f, 2.8f));
    c.TextCentred(*SampleFont(128, true), kWidth / 2, 240, u"Quillon", WithAlpha(0xFFFFFF, title));
    c.TextCentred(*SampleFont(40, true), kWidth / 2, 392, u"presents a sample game", WithAlpha(0xD8D0FF, uint32_t(255 * Ramp(t, 2.6f, 3.4f))));
    return c;
}

// Encodes the frames (drawn by frame, n from 0) and the sound into a WMV
// file added as "movies/" + name; false with the reason in note.
bool MakeMovie(SampleFiles& files, const std::string& ffmpeg, const std::string& name, double seconds,
               SampleCanvas (*frame)(int), const std::vector<uint8_t>& sound, const char* bitrate, std::string& note) {
    std::string folder = (std::filesystem::temp_directory_path() / "quillon-sample-XXXXXX").string();
    if (!mkdtemp(folder.data())) {
        note = "no scratch folder for the movie";
        return false;
    }
    const std::filesystem::path dir(folder);
    bool made = false;
    if (!qtest::RunIn(dir, ffmpeg + " -version")) {
        note = "ffmpeg not found";
    } else if (!qtest::WriteBytes(dir / "sound.wav", sound)) {
        note = "cannot write the movie's sound";
    } else {
        // Frames go in through a pipe; the bitexact switches keep version
        // strings and times out of the file, one thread keeps the encoder's
        // choices the same.
        const SampleCanvas first = frame(0);
        const std::string command = "cd '" + folder + "' && " + ffmpeg +
                                    " -nostdin -hide_banner -loglevel error -y -threads 1"
                                    " -f rawvideo -pix_fmt bgra -s " + std::to_string(first.Width()) + "x" +
                                    std::to_string(first.Height()) + " -r " + std::to_string(kRate) +
                                    " -i - -i sound.wav -map 0:v -map 1:a -map_metadata -1"
                                    " -c:v wmv2 -b:v " + bitrate + " -g 25 -pix_fmt yuv420p -c:a wmav2 -b:a 64k"
                                    " -fflags +bitexact -flags:v +bitexact -flags:a +bitexact -shortest movie.wmv";
        // An encoder that stops early must not end the generator.
        const auto oldPipe = std::signal(SIGPIPE, SIG_IGN);
        if (FILE* pipe = popen(command.c_str(), "w")) {
            bool written = true;
            for (int n = 0; n < int(seconds * kRate) && written; ++n) {
                const SampleCanvas f = frame(n);
                written = std::fwrite(f.Pixels().data(), 4, f.Pixels().size(), pipe) == f.Pixels().size();
            }
            made = pclose(pipe) == 0 && written;
        }
        std::signal(SIGPIPE, oldPipe);
        std::vector<unsigned char> movie = qtest::ReadBytes(dir / "movie.wmv");
        if (made && !movie.empty()) {
            files.Add("movies/" + name, std::vector<uint8_t>(movie.begin(), movie.end()), SamplePlace::Loose);
        } else {
            made = false;
            note = "ffmpeg could not make the movie";
        }
    }
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return made;
}

// A shooting star crosses the night sky and leaves a glow behind.
SampleCanvas StarFrame(int n) {
    const float t = float(n) / kRate;
    SampleCanvas c(kWidth, kHeight);
    c.Gradient(0, 0, kWidth, kHeight, 0xFF04061A, 0xFF1C2050, true);
    c.Stars(180, 608, 31);
    const float p = Ramp(t, 0.3f, 1.6f), x = 960 - 840 * p, y = 80 + 400 * p;
    for (int k = 0; k < 12; ++k) {
        const float back = float(k) * 0.02f;
        if (p - back <= 0) break;
        c.Glow(960 - 840 * (p - back), 80 + 400 * (p - back), 28 - 2 * float(k), WithAlpha(0xFFF0C0, 200 - 15 * uint32_t(k)));
    }
    if (p > 0 && p < 1) c.Circle(x, y, 8, 0xFFFFFFFF);
    c.Glow(120, 480, 320 * Ramp(t, 1.5f, 2.5f), WithAlpha(0xFFF0C0, uint32_t(140 * Ramp(t, 1.5f, 2.0f))));
    c.Hills(640, 24, 0.0075f, 1.0f, 0xFF10142C);
    return c;
}

} // namespace

bool AddOpeningMovie(SampleFiles& files, const std::string& ffmpeg, std::string& note) {
    if (MakeMovie(files, ffmpeg, kSampleOpeningMovie, kSeconds, Frame, OpeningSound(kSeconds), "1500k", note)) return true;
    note += ": the sample has no opening movie";
    return false;
}

bool AddStoryMovie(SampleFiles& files, const std::string& ffmpeg, std::string& note) {
    if (MakeMovie(files, ffmpeg, kSampleStoryMovie, kStarSeconds, StarFrame, StarSound(kStarSeconds), "1500k", note)) return true;
    note += ": the story plays without its shooting star";
    return false;
}

} // namespace qtools
