#pragma once
// The movie benchmarks' clip: 1280x720 WMV2 with noise, so that every frame
// costs a real decode, and a sine tone as its sound.
#include "tools/builders/SoundFiles.h"

#include <cstdio>
#include <string>

namespace qbench {

// Writes "bench.wmv" into dir with ffmpeg; false (and says so) without it.
inline bool WriteBenchClip(const char* dir, int fps, int seconds) {
    const std::string make = "ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc2=s=1280x720:r=" +
                             std::to_string(fps) + ":d=" + std::to_string(seconds) +
                             " -f lavfi -i sine=frequency=440:sample_rate=44100:duration=" + std::to_string(seconds) +
                             " -vf noise=alls=10:allf=t -c:v wmv2 -b:v 6M -c:a wmav2 bench.wmv";
    if (qtest::RunIn(dir, make)) return true;
    std::printf("ffmpeg did not write the clip\n");
    return false;
}

} // namespace qbench
