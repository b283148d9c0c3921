#include "tools/SampleMovie.h"

#include "tools/SampleCanvas.h"
#include "tools/SampleSound.h"
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

constexpr int kWidth = 512, kHeight = 384, kRate = 25;
constexpr double kSeconds = 4.0;

float Ramp(float t, float from, float to) { return std::clamp((t - from) / (to - from), 0.0f, 1.0f); }

// The moon rises over the hills and the title fades in under it.
SampleCanvas Frame(int n) {
    const float t = float(n) / kRate;
    SampleCanvas c(kWidth, kHeight);
    c.Gradient(0, 0, kWidth, kHeight, MixColour(0xFF000000, 0xFF101438, Ramp(t, 0, 1.5f)),
               MixColour(0xFF000000, 0xFF4A3468, Ramp(t, 0, 1.5f)), true);
    const float moonY = 300 - 230 * std::sin(Ramp(t, 0, 3.0f) * 1.5707963f);
    c.Glow(420, moonY, 90, WithAlpha(0xFFF0C0, uint32_t(110 * Ramp(t, 0.3f, 2.0f))));
    c.Circle(420, moonY, 28, WithAlpha(0xFFF4D8, uint32_t(255 * Ramp(t, 0.3f, 1.5f))));
    c.Hills(300, 14, 0.012f, 0.0f, 0xFF120F24);
    const uint32_t title = uint32_t(255 * Ramp(t, 1.5f, 2.8f));
    c.TextCentred(*SampleFont(64, true), kWidth / 2, 120, u"Quillon", WithAlpha(0xFFFFFF, title));
    c.TextCentred(*SampleFont(20, true), kWidth / 2, 196, u"presents a sample game", WithAlpha(0xD8D0FF, uint32_t(255 * Ramp(t, 2.6f, 3.4f))));
    return c;
}

} // namespace

bool AddOpeningMovie(SampleFiles& files, const std::string& ffmpeg, std::string& note) {
    std::string folder = (std::filesystem::temp_directory_path() / "quillon-sample-XXXXXX").string();
    if (!mkdtemp(folder.data())) {
        note = "no scratch folder for the movie: the sample has no opening movie";
        return false;
    }
    const std::filesystem::path dir(folder);
    bool made = false;
    if (!qtest::RunIn(dir, ffmpeg + " -version")) {
        note = "ffmpeg not found: the sample has no opening movie";
    } else if (!qtest::WriteBytes(dir / "sound.wav", OpeningSound(kSeconds))) {
        note = "cannot write the movie's sound: the sample has no opening movie";
    } else {
        // Frames go in through a pipe; the bitexact switches keep version
        // strings and times out of the file, one thread keeps the encoder's
        // choices the same.
        const std::string command = "cd '" + folder + "' && " + ffmpeg +
                                    " -nostdin -hide_banner -loglevel error -y -threads 1"
                                    " -f rawvideo -pix_fmt bgra -s " + std::to_string(kWidth) + "x" +
                                    std::to_string(kHeight) + " -r " + std::to_string(kRate) +
                                    " -i - -i sound.wav -map 0:v -map 1:a -map_metadata -1"
                                    " -c:v wmv2 -b:v 900k -g 25 -pix_fmt yuv420p -c:a wmav2 -b:a 64k"
                                    " -fflags +bitexact -flags:v +bitexact -flags:a +bitexact -shortest movie.wmv";
        // An encoder that stops early must not end the generator.
        const auto oldPipe = std::signal(SIGPIPE, SIG_IGN);
        if (FILE* pipe = popen(command.c_str(), "w")) {
            bool written = true;
            for (int n = 0; n < int(kSeconds * kRate) && written; ++n) {
                const SampleCanvas f = Frame(n);
                written = std::fwrite(f.Pixels().data(), 4, f.Pixels().size(), pipe) == f.Pixels().size();
            }
            made = pclose(pipe) == 0 && written;
        }
        std::signal(SIGPIPE, oldPipe);
        std::vector<unsigned char> movie = qtest::ReadBytes(dir / "movie.wmv");
        if (made && !movie.empty()) {
            files.Add(std::string("movies/") + kSampleOpeningMovie, std::vector<uint8_t>(movie.begin(), movie.end()),
                      SamplePlace::Loose);
        } else {
            made = false;
            note = "ffmpeg could not make the opening movie: the sample has no opening movie";
        }
    }
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return made;
}

} // namespace qtools
