#pragma once
// Starting the built programs as their own processes: `quillon` and the
// tools beside it, in a folder, with the environment changed as a test asks
// and what they say written to a file. Everything the child needs is built
// before the fork.
#include "support/Processes.h"
#include "support/TempDir.h"

#include <fcntl.h>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

namespace proctest {

namespace fs = std::filesystem;

// The test binary lives in build/<preset>/tests; the programs beside it.
inline fs::path BuildFolder() { return fs::read_symlink("/proc/self/exe").parent_path().parent_path(); }

// Environment changes for a child: a value sets, nullopt removes.
using EnvChanges = std::map<std::string, std::optional<std::string>>;

// Headless by request, with its own runtime folder and home, and no display.
inline EnvChanges HeadlessEnv(const fs::path& runtime, const fs::path& home) {
    return {{"XDG_RUNTIME_DIR", runtime.string()},
            {"HOME", home.string()},
            {"XDG_CONFIG_HOME", (home / ".config").string()},
            {"SDL_VIDEODRIVER", "offscreen"},
            {"SDL_AUDIODRIVER", "dummy"},
            // The software renderer: GL drivers keep memory a leak checker reports.
            {"SDL_RENDER_DRIVER", "software"},
            {"SDL_FRAMEBUFFER_ACCELERATION", "0"},
            {"DISPLAY", std::nullopt},
            {"WAYLAND_DISPLAY", std::nullopt}};
}

// Starts program in dir with this process's environment changed as asked,
// standard output and error into out, and the signals tests end it with at
// their default whatever this process inherited.
inline pid_t Spawn(const fs::path& program, const std::vector<std::string>& args, const fs::path& dir,
                   const fs::path& out, const EnvChanges& changes = {}) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        if (!changes.count(entry.substr(0, entry.find('=')))) env.push_back(entry);
    }
    for (const auto& [name, value] : changes)
        if (value) env.push_back(name + "=" + *value);
    std::vector<char*> envp, argv{const_cast<char*>(program.c_str())};
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        // A group of its own, so that a failed test can end it with whatever
        // it started.
        setpgid(0, 0);
        qtest::DefaultEndingSignals();
        if (chdir(dir.c_str()) != 0) _exit(126);
        const int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd >= 0) {
            dup2(fd, STDOUT_FILENO);
            dup2(fd, STDERR_FILENO);
        }
        execve(program.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    return pid;
}

// A recording of the mixer's output (interleaved stereo floats at 48 kHz)
// held against a music file as sox decodes it (16-bit stereo at the file's
// 44.1 kHz), brought to 48 kHz by straight lines between its samples and
// scaled by the music's gain, the music starting with the recording. heard:
// the first frame after a lead-in (other sounds, or the end of one before)
// that is not silent; worst: the largest difference from a 5 ms ramp after
// it on;
// mean: the mean level of the file over that stretch. ok is false when sox
// could not decode the file.
struct MusicComparison {
    bool ok = false;
    size_t heard = 0;
    double worst = 0, mean = 0;
};
inline MusicComparison CompareWithMusicFile(const std::vector<float>& got, const fs::path& music, float gain,
                                            const fs::path& scratch, size_t leadIn) {
    MusicComparison r;
    const fs::path pcm = scratch / "music.s16";
    const size_t frames = got.size() / 2;
    const std::string command = "/usr/bin/sox '" + music.string() + "' -t raw -e signed -b 16 -c 2 '" + pcm.string() +
                                "' trim 0 " + std::to_string(double(frames) / 48000.0 + 0.2);
    if (std::system(command.c_str()) != 0) return r;
    const std::vector<unsigned char> bytes = qtest::ReadBytes(pcm);
    std::vector<float> source(bytes.size() / 2);
    for (size_t i = 0; i < source.size(); ++i)
        source[i] = float(int16_t(bytes[2 * i] | bytes[2 * i + 1] << 8)) / 32768.0f;
    auto expected = [&](size_t frame, int channel) {
        const double at = double(frame) * 44100.0 / 48000.0;
        const size_t i = size_t(at);
        const double t = at - double(i);
        if (2 * (i + 1) + 1 >= source.size()) return 0.0f;
        return gain * float(source[2 * i + size_t(channel)] * (1 - t) + source[2 * (i + 1) + size_t(channel)] * t);
    };
    size_t heard = leadIn;
    while (heard < frames && std::fabs(got[2 * heard]) < 1e-6f && std::fabs(got[2 * heard + 1]) < 1e-6f) ++heard;
    const size_t ramp = 48000 / 200;
    double sum = 0;
    for (size_t f = heard + ramp; f < frames; ++f)
        for (int c = 0; c < 2; ++c) {
            // The music started with the recording, silent until its
            // volume was first set.
            const double e = expected(f, c);
            r.worst = std::max(r.worst, std::fabs(double(got[2 * f + size_t(c)]) - e));
            sum += std::fabs(e);
        }
    r.ok = true;
    r.heard = heard;
    r.mean = frames > heard + ramp ? sum / double(2 * (frames - heard - ramp)) : 0.0;
    return r;
}

using qtest::ReadText;

} // namespace proctest
