#pragma once
// A movie graph: a container's streams connected to a video renderer and to
// a voice of the process's mixer, run, paused, stopped and repositioned from
// the main thread, and decoded on a thread of its own that the graph starts
// and joins.
//
// Time. The graph keeps a running timeline that advances with the current
// clock (psys) while it runs, scaled by the rate; the decoding thread lays
// every frame and every sound sample on it. Only the per-frame service reads
// the clock: it shows the frame whose time has come (written ahead by the
// decoding thread into the renderer's hidden buffer), and posts the
// completion events. The sound plays on the mixer's own clock and is laid
// back onto the timeline when the two drift apart (a stall, a starved voice).
//
// Repeats. Told how many times to repeat, the decoding thread goes back to
// the loop start on its own when a pass ends and lays the next pass right
// after it, so repeats show no gap; each pass end still posts ec_complete,
// with param1 1 ("the graph went on by itself"). A repeat that brings
// nothing of its own (no picture that shows from its start on; in a graph
// without pictures, no sound: a loop start past what a damaged file still
// holds, a picture stream that yields nothing) stops the repeats: its end
// posts ec_error_abort instead of the last ec_complete.
//
// Timestamps start at the file's own start time. A stream that ends in
// damaged data ends there, as if complete.
#include "platform/movie/container.h"
#include "platform/movie/media_type.h"
#include "platform/movie/video_sink.h"

#include <cstdint>
#include <memory>

namespace pmovie {

class movie_graph {
public:
    movie_graph();
    ~movie_graph();
    movie_graph(const movie_graph&) = delete;
    movie_graph& operator=(const movie_graph&) = delete;

    // The container whose streams render connects, and the video renderer;
    // both kept while the graph lives. e_pointer for null.
    result set_source(std::shared_ptr<container> source);
    result set_video_sink(std::shared_ptr<video_sink> sink);
    // Connects stream `index` of the source's streams(): video into the sink,
    // offering decoded pictures and then 24-bit rows; audio into a voice of
    // the process's mixer. Refused once the graph has run.
    result render(int index);
    bool has_audio() const;
    bool has_video() const;

    result run();
    result pause();
    result stop();
    bool is_running() const;

    // Repeats the decoding thread makes by itself: -1 without end.
    void set_repeats(int32_t count);
    void set_loop_start(double seconds);

    // Seconds on the file's own time.
    double position() const;
    void set_position(double seconds);
    double duration() const;
    double stop_time() const;
    // Rates above 0 speed the timeline up or down; the sound is left out
    // while the rate is not 1.
    result set_rate(double rate);
    double rate() const;
    // Hundredths of a decibel: 0 full, -10000 silent.
    void set_volume(int32_t volume);

    // Once per frame, on the thread that controls the graph.
    void service();
    // The oldest event not yet taken: s_ok, or e_abort when none is waiting.
    // Events come from service; taking one never waits.
    result get_event(int32_t* code, intptr_t* param1, intptr_t* param2);

    // Tests: returns once every graph's decoding thread has done what it can
    // at the current clock time (written the frame due, filled its queue and
    // the voice as far as they take).
    static void settle_all();

private:
    struct impl;
    std::unique_ptr<impl> m;
};

} // namespace pmovie
