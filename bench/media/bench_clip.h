#pragma once
// The movie benchmarks' clip: 1280x720 WMV2 with noise, so that every frame
// costs a real decode, and a sine tone as its sound.
#include "platform/movie/container.h"
#include "platform/movie/movie_graph.h"
#include "platform/system/clock.h"
#include "tools/builders/SoundFiles.h"

#include <cstdio>
#include <memory>
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

// Plays the opened clip through a movie graph into the renderer, frame by
// frame on the manual clock at fps, as the game's movie service drives it,
// until the graph says it ended (at most twice seconds); each pass ends with
// after_pass. The number of passes.
template <class AfterPass>
int PlayThroughGraph(std::unique_ptr<pmovie::container> clip, std::shared_ptr<pmovie::video_sink> renderer,
                     psys::manual_clock& clock, int fps, int seconds, AfterPass&& after_pass) {
    pmovie::movie_graph graph;
    const size_t streams = clip->streams().size();
    graph.set_source(std::move(clip));
    graph.set_video_sink(std::move(renderer));
    for (size_t i = 0; i < streams; ++i) graph.render(int(i));
    graph.run();
    const uint64_t start = clock.now_us();
    bool ended = false;
    int passes = 0;
    for (; !ended && passes < seconds * fps * 2; ++passes) {
        clock.set_us(start + uint64_t(passes) * 1000000 / uint64_t(fps));
        pmovie::movie_graph::settle_all();
        graph.service();
        after_pass();
        int32_t code = 0;
        intptr_t p1 = 0, p2 = 0;
        while (graph.get_event(&code, &p1, &p2) == pmovie::s_ok) ended = ended || code == pmovie::ec_complete;
    }
    graph.stop();
    return passes;
}

} // namespace qbench
