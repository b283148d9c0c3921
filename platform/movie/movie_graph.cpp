#include "platform/movie/movie_graph.h"

#include "platform/movie/audio_feed.h"
#include "platform/movie/picture.h"
#include "platform/movie/picture_converter.h"
#include "platform/movie/stream_decoder.h"
#include "platform/system/clock.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
}

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace pmovie {
namespace {

// Decoded frames held ahead of the one shown; more while the sound runs short
// (a file that interleaves its sound far behind its pictures).
constexpr size_t kFramesAhead = 8;
constexpr size_t kFramesAheadMost = 48;
// ... and never more than about this much picture memory.
constexpr int64_t kFramesAheadBytes = int64_t(64) << 20;
constexpr int64_t kSoundShortUs = 250000;
// Sound decoded ahead of the voice when there are no pictures to pace by.
constexpr int64_t kSoundOnlyAheadUs = 500000;
// Sound further than this from the timeline is laid back onto it.
constexpr int64_t kResyncUs = 200000;
// A pass's sound that outlasts its pictures by less than this is the
// encoder's padding, and the next pass starts when the pictures end.
constexpr int64_t kPaddingUs = 250000;
constexpr int64_t kDefaultFrameUs = 40000;
// Sound frames kept until a pass's first picture; after that many the sound
// is laid without waiting.
constexpr size_t kHeldSoundFrames = 256;
constexpr int kSeekRetries = 4;
// Packets read at most to find the first picture.
constexpr int kOriginPackets = 1000;
// Timestamps further ahead than this, or this far past the file's end, are
// damaged.
constexpr int64_t kSoundLeapUs = 1000000;
constexpr int64_t kBeyondEndUs = 500000;
constexpr int64_t kLongestFrameUs = 10000000;
// How often the decoding thread looks at the voice while sound plays (it
// holds a second; the thread refills it below a quarter of that).
constexpr auto kVoicePoll = std::chrono::milliseconds(40);

struct timed_frame {
    AVFrame* frame = nullptr;
    int64_t start_us = 0;
    int64_t end_us = 0;
};

// Where a pass of the file lies on the timeline.
struct pass_start {
    int64_t timeline_us = 0;
    int64_t media_us = 0;
};

struct graph_event {
    int32_t code = 0;
    intptr_t param1 = 0;
    intptr_t param2 = 0;
};

std::mutex g_registry_mutex;
std::vector<movie_graph*> g_graphs;

int64_t to_us(int64_t ts, AVRational tb) { return av_rescale_q(ts, tb, AVRational{1, 1000000}); }

} // namespace

struct movie_graph::impl {
    enum class run_state { stopped, paused, running };
    enum class step { idle, prepare, write_sound, decode };

    // The decoding thread's own: where the pass being decoded lies.
    struct pass_state {
        int64_t media_us = 0;
        int64_t offset_us = 0;
        bool laid = false;
        int64_t last_start_us = 0;
        int64_t last_end_us = 0;
        // The latest frame at or before the pass's start, shown first.
        AVFrame* candidate = nullptr;
        int64_t candidate_media_us = 0;
        int64_t candidate_us = 0;
        // Reached by a seek, which may land too late and is then made again.
        bool sought = false;
        bool retry = false;
        int retries = 0;
        // A repeat the thread began by itself from the loop start.
        bool repeat = false;
        // A picture that shows at or after the pass's start was laid.
        bool own_picture = false;
    };
    struct decoded {
        std::vector<timed_frame> frames;
        bool pass_ended = false;
        int64_t end_us = 0;
        // The pass brought something from its start on: a picture that shows
        // there, or, in a graph without pictures, sound.
        bool own = false;
    };

    ~impl();

    int64_t timeline(uint64_t now) const;
    void start_worker();
    void worker_main();
    step choose_step();
    bool begin_segment(int64_t target_us, bool fresh);
    bool begin_pass(int64_t media_us, int64_t offset_us);
    bool seek_media(int64_t media_us, bool from_first_byte);
    void flush_decoders();
    decoded decode_some(bool sound_on);
    void receive_video(decoded& out);
    void lay_video(AVFrame* frame, decoded& out);
    void receive_sound(bool sound_on);
    void lay_sound(AVFrame* frame);
    void mark_laid(int64_t start_us, int64_t end_us);
    // The latest time a pass of a file that says how long it is can reach.
    int64_t pass_limit() const;
    void drop_held_sound();
    void set_origin(int64_t first_picture_us, bool stamped);
    void find_origin();
    void seek_earlier();
    void push_candidate(decoded& out, int64_t end_us);
    void end_pass(decoded& out);
    result write_frame(const timed_frame& f);
    void settle();
    void drop_frames();

    mutable std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable idle_cv;
    std::thread worker;
    bool quit = false;
    bool worker_exited = false;
    bool idle = false;
    uint64_t kick = 0;
    uint64_t idle_kick = 0;

    std::shared_ptr<container> source;
    std::shared_ptr<video_sink> sink;
    int video_index = -1;
    std::unique_ptr<stream_decoder> video;
    media_type video_type;
    size_t frames_most = kFramesAheadMost;
    picture_converter converter;
    std::vector<uint8_t> rows;
    int sound_index = -1;
    std::unique_ptr<audio_feed> sound;
    AVPacket* packet = nullptr;
    AVFrame* scratch = nullptr;

    // Shared under mutex.
    run_state state = run_state::stopped;
    int64_t time_base_us = 0;
    uint64_t run_start_clock_us = 0;
    double rate = 1.0;
    int32_t repeats = 0;
    int32_t wraps_ahead = 0;
    int64_t loop_start_us = 0;
    uint64_t segment = 0;
    bool seek_pending = true;
    bool fresh = true;
    int64_t seek_target_us = 0;
    pass_start shown_pass;
    std::deque<pass_start> passes_ahead;
    bool decode_ended = false;
    bool final_known = false;
    int64_t final_end_us = 0;
    bool completion_posted = false;
    // The repeats stopped at a repeat that brought nothing of its own.
    bool repeat_empty = false;
    int64_t present_us = 0;
    std::deque<timed_frame> frames;
    bool prepared = false;
    bool prepared_written = false;
    int64_t prepared_start_us = 0;
    std::deque<graph_event> events;
    bool resync_pending = false;
    int64_t resync_at_us = 0;
    int64_t sound_written_end_us = 0;

    pass_state pass;
    // Where the file's time 0 lies on its timestamps, told by the first
    // picture. The sound decoded before a pass's first picture waits.
    int64_t origin_us = 0;
    bool origin_known = false;
    std::vector<AVFrame*> held_sound;
};

movie_graph::impl::~impl() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        quit = true;
    }
    wake.notify_all();
    if (worker.joinable()) worker.join();
    drop_frames();
    av_frame_free(&pass.candidate);
    for (AVFrame*& f : held_sound) av_frame_free(&f);
    av_frame_free(&scratch);
    av_packet_free(&packet);
    // The voice goes before the decoders and the container it was fed from.
    sound.reset();
    video.reset();
}

void movie_graph::impl::drop_frames() {
    for (timed_frame& f : frames) av_frame_free(&f.frame);
    frames.clear();
    prepared = false;
}

int64_t movie_graph::impl::timeline(uint64_t now) const {
    if (state != run_state::running || now < run_start_clock_us) return time_base_us;
    return time_base_us + int64_t(double(now - run_start_clock_us) * rate);
}

movie_graph::movie_graph() : m(std::make_unique<impl>()) {
    std::lock_guard<std::mutex> lock(g_registry_mutex);
    g_graphs.push_back(this);
}

movie_graph::~movie_graph() {
    {
        std::lock_guard<std::mutex> lock(g_registry_mutex);
        g_graphs.erase(std::find(g_graphs.begin(), g_graphs.end(), this));
    }
    m.reset();
}

result movie_graph::set_source(std::shared_ptr<container> source) {
    if (!source) return e_pointer;
    m->source = std::move(source);
    return s_ok;
}

result movie_graph::set_video_sink(std::shared_ptr<video_sink> sink) {
    if (!sink) return e_pointer;
    m->sink = std::move(sink);
    return s_ok;
}

result movie_graph::render(int index) {
    if (!m->source) return vfw_e_not_found;
    if (m->worker.joinable()) return vfw_e_wrong_state;
    const std::vector<stream_info>& streams = m->source->streams();
    if (index < 0 || size_t(index) >= streams.size()) return e_invalidarg;
    const stream_info& info = streams[size_t(index)];
    const AVStream* st = m->source->context()->streams[info.index];
    if (info.kind == major_type::audio) {
        if (m->sound) return vfw_e_cannot_render;
        const result r = audio_feed::create(st, &m->sound);
        if (failed(r)) return r;
        m->sound_index = info.index;
        return s_ok;
    }
    if (m->video || !m->sink) return vfw_e_cannot_render;
    auto decoder = std::make_unique<stream_decoder>();
    result r = decoder->open(st);
    if (failed(r)) return r;
    const int32_t w = decoder->context()->width, h = decoder->context()->height;
    if (w <= 0 || h <= 0 || int64_t(w) * h > stream_decoder::max_pixels) return vfw_e_unsupported_stream;
    // Decoded pictures run top-down; the 24-bit rows a renderer may want
    // instead run bottom-up, as packed rows of a positive height do.
    const media_type offers[2] = {
        {major_type::video, subtype::picture, format_type::video_info, w, -h},
        {major_type::video, subtype::rgb24, format_type::video_info, w, h},
    };
    for (const media_type& t : offers) {
        if (m->sink->check_media_type(&t) != s_ok) continue;
        r = m->sink->set_media_type(t);
        if (failed(r)) return r;
        m->video_type = t;
        m->frames_most = size_t(std::clamp<int64_t>(kFramesAheadBytes / (int64_t(w) * h * 3 / 2 + 1), 2,
                                                    int64_t(kFramesAheadMost)));
        m->video = std::move(decoder);
        m->video_index = info.index;
        return s_ok;
    }
    return vfw_e_cannot_render;
}

bool movie_graph::has_audio() const { return m->sound != nullptr; }
bool movie_graph::has_video() const { return m->video != nullptr; }

void movie_graph::impl::start_worker() {
    if (worker.joinable() || (!video && !sound)) return;
    if (!packet) packet = av_packet_alloc();
    if (!scratch) scratch = av_frame_alloc();
    if (!packet || !scratch) return;
    worker = std::thread([this] { worker_main(); });
}

result movie_graph::run() {
    std::lock_guard<std::mutex> lock(m->mutex);
    m->start_worker();
    if (m->state != impl::run_state::running) {
        m->run_start_clock_us = psys::now_us();
        m->state = impl::run_state::running;
        if (m->sound && m->rate == 1.0) m->sound->start();
    }
    m->wake.notify_all();
    return s_ok;
}

result movie_graph::pause() {
    std::lock_guard<std::mutex> lock(m->mutex);
    m->start_worker();
    m->time_base_us = m->timeline(psys::now_us());
    m->state = impl::run_state::paused;
    if (m->sound) m->sound->stop();
    m->wake.notify_all();
    return s_ok;
}

result movie_graph::stop() {
    std::lock_guard<std::mutex> lock(m->mutex);
    m->time_base_us = m->timeline(psys::now_us());
    m->state = impl::run_state::stopped;
    if (m->sound) m->sound->stop();
    return s_ok;
}

bool movie_graph::is_running() const {
    std::lock_guard<std::mutex> lock(m->mutex);
    return m->state == impl::run_state::running;
}

void movie_graph::set_repeats(int32_t count) {
    std::lock_guard<std::mutex> lock(m->mutex);
    m->repeats = count;
}

void movie_graph::set_loop_start(double seconds) {
    std::lock_guard<std::mutex> lock(m->mutex);
    m->loop_start_us = std::isfinite(seconds) && seconds > 0 ? int64_t(seconds * 1e6) : 0;
}

double movie_graph::position() const {
    std::lock_guard<std::mutex> lock(m->mutex);
    int64_t t = m->timeline(psys::now_us());
    if (m->final_known && m->passes_ahead.empty()) t = std::min(t, m->final_end_us);
    int64_t media = std::max<int64_t>(m->shown_pass.media_us + (t - m->shown_pass.timeline_us), 0);
    const int64_t length = m->source ? m->source->duration_us() : 0;
    if (length > 0) media = std::min(media, length);
    return double(media) / 1e6;
}

void movie_graph::set_position(double seconds) {
    std::lock_guard<std::mutex> lock(m->mutex);
    const int64_t length = m->source ? m->source->duration_us() : 0;
    int64_t target = std::isfinite(seconds) && seconds > 0 ? int64_t(std::min(seconds, 1e7) * 1e6) : 0;
    if (length > 0) target = std::min(target, length);
    ++m->segment;
    m->seek_pending = true;
    m->fresh = false;
    m->seek_target_us = target;
    m->drop_frames();
    m->passes_ahead.clear();
    m->wraps_ahead = 0;
    m->decode_ended = m->final_known = m->completion_posted = m->repeat_empty = false;
    m->shown_pass = pass_start{0, target};
    m->time_base_us = 0;
    m->run_start_clock_us = psys::now_us();
    m->present_us = 0;
    m->resync_pending = false;
    m->wake.notify_all();
}

double movie_graph::duration() const { return m->source ? double(m->source->duration_us()) / 1e6 : 0.0; }
double movie_graph::stop_time() const { return duration(); }

result movie_graph::set_rate(double rate) {
    if (!(rate > 0.0) || rate > 100.0) return e_invalidarg;
    std::lock_guard<std::mutex> lock(m->mutex);
    const uint64_t now = psys::now_us();
    m->time_base_us = m->timeline(now);
    m->run_start_clock_us = now;
    if (m->sound && rate != m->rate) {
        if (rate != 1.0) {
            m->sound->stop();
        } else {
            m->resync_pending = true;
            m->resync_at_us = m->time_base_us;
            if (m->state == impl::run_state::running) m->sound->start();
        }
    }
    m->rate = rate;
    m->wake.notify_all();
    return s_ok;
}

double movie_graph::rate() const {
    std::lock_guard<std::mutex> lock(m->mutex);
    return m->rate;
}

void movie_graph::set_volume(int32_t volume) {
    if (m->sound) m->sound->set_volume(volume);
}

void movie_graph::service() {
    std::lock_guard<std::mutex> lock(m->mutex);
    const int64_t t = m->timeline(psys::now_us());
    m->present_us = t;
    while (!m->passes_ahead.empty() && m->passes_ahead.front().timeline_us <= t) {
        m->shown_pass = m->passes_ahead.front();
        m->passes_ahead.pop_front();
        if (m->wraps_ahead > 0) --m->wraps_ahead;
        if (m->repeats > 0) --m->repeats;
        m->events.push_back(graph_event{ec_complete, 1, 0});
    }
    // The decoding thread is woken only when there is something for it to
    // do: a buffer to write again, frames the time has overtaken, sound.
    bool work = false;
    if (m->prepared && m->state != impl::run_state::stopped && m->prepared_start_us <= t) {
        if (m->prepared_written) m->sink->show_sample();
        m->prepared = false;
        work = true;
    }
    if (!m->frames.empty() && m->frames.front().start_us <= t) work = true;
    if (m->final_known && !m->completion_posted && m->passes_ahead.empty() && t >= m->final_end_us) {
        m->completion_posted = true;
        m->events.push_back(m->repeat_empty ? graph_event{ec_error_abort, intptr_t(e_fail), 0}
                                            : graph_event{ec_complete, 0, 0});
    }
    if (m->sound && m->rate == 1.0 && m->state == impl::run_state::running && !m->resync_pending) {
        const uint32_t queued = m->sound->queued_frames();
        if (queued > 0) {
            const int64_t playing = m->sound_written_end_us - int64_t(queued) * 1000000 / m->sound->rate();
            if (std::llabs(t - playing) > kResyncUs) {
                m->resync_pending = true;
                m->resync_at_us = t;
                work = true;
            }
        }
    }
    if (work) m->wake.notify_all();
}

result movie_graph::get_event(int32_t* code, intptr_t* param1, intptr_t* param2) {
    std::lock_guard<std::mutex> lock(m->mutex);
    if (m->events.empty()) return e_abort;
    const graph_event e = m->events.front();
    m->events.pop_front();
    if (code) *code = e.code;
    if (param1) *param1 = e.param1;
    if (param2) *param2 = e.param2;
    return s_ok;
}

void movie_graph::settle_all() {
    std::lock_guard<std::mutex> lock(g_registry_mutex);
    for (movie_graph* g : g_graphs) g->m->settle();
}

void movie_graph::impl::settle() {
    std::unique_lock<std::mutex> lock(mutex);
    if (!worker.joinable()) return;
    present_us = timeline(psys::now_us());
    const uint64_t k = ++kick;
    wake.notify_all();
    idle_cv.wait(lock, [&] { return worker_exited || (idle && idle_kick >= k); });
}

// ---- The decoding thread ----

void movie_graph::impl::worker_main() {
    std::unique_lock<std::mutex> lock(mutex);
    while (!quit) {
        if (seek_pending) {
            seek_pending = false;
            const int64_t target = seek_target_us;
            const bool from_start = fresh;
            fresh = false;
            const uint64_t seg = segment;
            lock.unlock();
            const bool ok = begin_segment(target, from_start);
            lock.lock();
            if (sound) sound_written_end_us = sound->written_end_us();
            if (seg == segment && !ok) {
                decode_ended = final_known = true;
                final_end_us = 0;
            }
            continue;
        }
        if (resync_pending && sound) {
            resync_pending = false;
            sound->resync(resync_at_us);
            sound_written_end_us = sound->written_end_us();
            continue;
        }
        const bool sound_on = rate == 1.0;
        const step s = choose_step();
        if (s == step::idle) {
            idle_kick = kick;
            idle = true;
            idle_cv.notify_all();
            if (sound && state == run_state::running && (!decode_ended || sound->has_pending()))
                wake.wait_for(lock, kVoicePoll);
            else
                wake.wait(lock);
            idle = false;
            continue;
        }
        if (s == step::write_sound) {
            // Under the lock, so that the service never sees the voice
            // holding sound whose place on the timeline is not known yet.
            sound->write();
            sound_written_end_us = sound->written_end_us();
            continue;
        }
        const uint64_t seg = segment;
        if (s == step::prepare) {
            timed_frame f = frames.front();
            frames.pop_front();
            lock.unlock();
            const result r = write_frame(f);
            lock.lock();
            // A frame the renderer refused still holds its place in time, so
            // that the thread does not race through the file without a
            // picture to pace it; it just shows nothing.
            if (seg == segment) {
                prepared = true;
                prepared_written = !failed(r);
                prepared_start_us = f.start_us;
            }
            av_frame_free(&f.frame);
            continue;
        }
        lock.unlock();
        decoded out = decode_some(sound_on);
        lock.lock();
        if (seg != segment) {
            for (timed_frame& f : out.frames) av_frame_free(&f.frame);
            continue;
        }
        for (const timed_frame& f : out.frames) frames.push_back(f);
        if (!out.pass_ended) continue;
        const bool more = repeats < 0 || repeats - wraps_ahead > 0;
        // Every later repeat would bring what this one brought: nothing to
        // show, for a seek and a decode each, as fast as the thread can make
        // them. The movie ends here instead. A first pass that brought
        // nothing (begun past the end, say) still gets its repeat.
        repeat_empty = more && pass.repeat && !out.own;
        if (more && !repeat_empty) {
            const int64_t start = loop_start_us;
            // A repeat shorter than a frame (pictures claiming a thousand a
            // second, say) would cost a seek and a decode every millisecond
            // for pictures nobody sees: its last picture holds a frame long.
            const int64_t next = std::max(out.end_us, pass.offset_us + kDefaultFrameUs);
            lock.unlock();
            const bool ok = begin_pass(start, next);
            lock.lock();
            if (seg != segment) continue;
            if (ok) {
                pass.repeat = true;
                ++wraps_ahead;
                passes_ahead.push_back(pass_start{next, start});
                continue;
            }
        }
        decode_ended = final_known = true;
        final_end_us = out.end_us;
    }
    worker_exited = true;
    idle_cv.notify_all();
}

movie_graph::impl::step movie_graph::impl::choose_step() {
    // A frame that a later one, also due, has overtaken is never shown.
    while (frames.size() >= 2 && frames[1].start_us <= present_us) {
        av_frame_free(&frames.front().frame);
        frames.pop_front();
    }
    if (prepared && !frames.empty() && frames.front().start_us <= present_us) prepared = false;
    const bool sound_short =
        sound && rate == 1.0 &&
        sound->pending_us() + int64_t(sound->queued_frames()) * 1000000 / sound->rate() < kSoundShortUs;
    const bool can_decode =
        !decode_ended && (video ? (frames.size() < std::min(kFramesAhead, frames_most) ||
                                   (sound_short && frames.size() < frames_most))
                                : sound->pending_us() < kSoundOnlyAheadUs);
    // The front frame is written once it is known to be the one to show next.
    if (!prepared && !frames.empty() &&
        (frames.front().start_us > present_us || frames.size() >= 2 || !can_decode))
        return step::prepare;
    if (sound && sound->has_pending() && sound->free_bytes() >= 4) return step::write_sound;
    if (can_decode) return step::decode;
    return step::idle;
}

void movie_graph::impl::flush_decoders() {
    if (video) video->flush();
    if (sound) sound->decoder().flush();
}

void movie_graph::impl::drop_held_sound() {
    for (AVFrame*& f : held_sound) av_frame_free(&f);
    held_sound.clear();
}

bool movie_graph::impl::seek_media(int64_t media_us, bool from_first_byte) {
    AVFormatContext* f = source->context();
    const int64_t ts = media_us + origin_us;
    if (!from_first_byte && av_seek_frame(f, -1, ts, AVSEEK_FLAG_BACKWARD) >= 0) return true;
    if (media_us > 0) return false;
    // Some demuxers do not seek by time; the start is always reachable by bytes.
    return av_seek_frame(f, -1, 0, AVSEEK_FLAG_BYTE) >= 0 || avformat_seek_file(f, -1, INT64_MIN, ts, ts, 0) >= 0;
}

bool movie_graph::impl::begin_pass(int64_t media_us, int64_t offset_us) {
    flush_decoders();
    drop_held_sound();
    const bool ok = seek_media(media_us, false);
    av_frame_free(&pass.candidate);
    pass = pass_state{};
    pass.media_us = media_us;
    pass.offset_us = offset_us;
    pass.sought = true;
    if (sound) sound->cut_after(offset_us);
    return ok;
}

void movie_graph::impl::seek_earlier() {
    // A seek that lands past its target (a demuxer that searches by
    // timestamps and finds a point inside a group of pictures) is made again
    // from further back, until the first picture comes before the target.
    ++pass.retries;
    pass.retry = false;
    const int64_t target = std::max<int64_t>(pass.media_us - (int64_t(1000000) << (pass.retries - 1)), 0);
    flush_decoders();
    drop_held_sound();
    seek_media(target, target == 0);
}

bool movie_graph::impl::begin_segment(int64_t target_us, bool from_start) {
    if (sound) sound->reset(0);
    drop_held_sound();
    if (!origin_known && video && !from_start) find_origin();
    if (!origin_known && !video) set_origin(source->start_us(), false);
    if (from_start) {
        // The demuxer still stands at the start, with what it read to learn
        // the streams buffered.
        av_frame_free(&pass.candidate);
        pass = pass_state{};
        return true;
    }
    return begin_pass(target_us, 0);
}

void movie_graph::impl::set_origin(int64_t first_picture_us, bool stamped) {
    // The first picture is where the movie starts: a reordering decoder labels
    // it late in a file without presentation times (AVI), and sound before it
    // is the sound codec's priming.
    const int64_t start = source->start_us();
    origin_us = stamped && std::llabs(first_picture_us - start) <= 1000000 ? first_picture_us : start;
    origin_known = true;
}

void movie_graph::impl::find_origin() {
    // Asked to start elsewhere before anything was played: the demuxer still
    // stands at the start, and the first picture from there is decoded only
    // to learn its time.
    AVFormatContext* f = source->context();
    const AVStream* st = f->streams[video_index];
    for (int i = 0; i < kOriginPackets && !origin_known && av_read_frame(f, packet) >= 0; ++i) {
        if (packet->stream_index == video_index && video->send(packet)) {
            while (video->receive(scratch)) {
                if (!origin_known)
                    set_origin(scratch->best_effort_timestamp != AV_NOPTS_VALUE
                                   ? to_us(scratch->best_effort_timestamp, st->time_base)
                                   : 0,
                               scratch->best_effort_timestamp != AV_NOPTS_VALUE);
                av_frame_unref(scratch);
            }
        }
        av_packet_unref(packet);
    }
    if (!origin_known) set_origin(0, false);
    video->flush();
}

movie_graph::impl::decoded movie_graph::impl::decode_some(bool sound_on) {
    decoded out;
    AVFormatContext* f = source->context();
    if (av_read_frame(f, packet) < 0) {
        // The end, or damage that ends the stream as if it were the end:
        // whatever the decoders still hold comes out first.
        if (video && video->send(nullptr)) receive_video(out);
        if (sound && sound->decoder().send(nullptr)) receive_sound(sound_on);
        end_pass(out);
        return out;
    }
    if (packet->stream_index == video_index && video) {
        if (video->send(packet)) receive_video(out);
    } else if (packet->stream_index == sound_index && sound) {
        if (sound->decoder().send(packet)) receive_sound(sound_on);
    }
    av_packet_unref(packet);
    if (pass.retry) seek_earlier();
    return out;
}

void movie_graph::impl::receive_video(decoded& out) {
    while (video->receive(scratch)) {
        AVFrame* own = pass.retry ? nullptr : av_frame_alloc();
        if (!own) {
            av_frame_unref(scratch);
            continue;
        }
        av_frame_move_ref(own, scratch);
        lay_video(own, out);
    }
}

void movie_graph::impl::push_candidate(decoded& out, int64_t end_us) {
    out.frames.push_back(timed_frame{pass.candidate, pass.offset_us, end_us});
    pass.candidate = nullptr;
    mark_laid(pass.offset_us, end_us);
}

void movie_graph::impl::mark_laid(int64_t start_us, int64_t end_us) {
    pass.last_start_us = start_us;
    pass.last_end_us = end_us;
    if (pass.laid) return;
    pass.laid = true;
    // The sound decoded before the pass's first picture can be laid now.
    for (AVFrame*& f : held_sound) {
        lay_sound(f);
        av_frame_free(&f);
    }
    held_sound.clear();
}

void movie_graph::impl::lay_video(AVFrame* frame, decoded& out) {
    const AVStream* st = source->context()->streams[video_index];
    int64_t length = frame->pkt_duration > 0 ? to_us(frame->pkt_duration, st->time_base) : 0;
    if (length <= 0) {
        const AVRational fps = st->avg_frame_rate.num > 0 ? st->avg_frame_rate : st->r_frame_rate;
        length = fps.num > 0 && fps.den > 0 ? int64_t(fps.den) * 1000000 / fps.num : kDefaultFrameUs;
    }
    length = std::clamp<int64_t>(length, 1000, kLongestFrameUs);
    const bool stamped = frame->best_effort_timestamp != AV_NOPTS_VALUE;
    const int64_t ts = stamped ? to_us(frame->best_effort_timestamp, st->time_base) : 0;
    if (!origin_known) set_origin(ts, stamped);
    const int64_t media =
        stamped ? ts - origin_us : pass.media_us + ((pass.laid ? pass.last_end_us : pass.offset_us) - pass.offset_us);
    if (!pass.laid) {
        if (pass.sought && !pass.candidate && media > pass.media_us + length && pass.retries < kSeekRetries) {
            av_frame_free(&frame);
            pass.retry = true;
            return;
        }
        if (media <= pass.media_us) {
            av_frame_free(&pass.candidate);
            pass.candidate = frame;
            pass.candidate_media_us = media;
            pass.candidate_us = length;
            return;
        }
    }
    int64_t t = pass.offset_us + (media - pass.media_us);
    if (pass.candidate) push_candidate(out, std::max(t, pass.offset_us + 1));
    if (pass.laid) {
        // Timestamps that run backwards, or leap past the end of the file,
        // are damage: such a frame simply follows the one before.
        if (t <= pass.last_start_us || t > std::min(pass_limit(), pass.last_end_us + kLongestFrameUs))
            t = pass.last_end_us;
    }
    out.frames.push_back(timed_frame{frame, t, t + length});
    mark_laid(t, t + length);
    pass.own_picture = true;
}

void movie_graph::impl::receive_sound(bool sound_on) {
    while (sound->decoder().receive(scratch)) {
        if (sound_on && video && !pass.laid && !pass.retry && held_sound.size() < kHeldSoundFrames) {
            AVFrame* own = av_frame_alloc();
            if (own) {
                av_frame_move_ref(own, scratch);
                held_sound.push_back(own);
            }
        } else if (sound_on && !pass.retry) {
            lay_sound(scratch);
        }
        av_frame_unref(scratch);
    }
}

int64_t movie_graph::impl::pass_limit() const {
    const int64_t length = source->duration_us();
    return length > 0 ? pass.offset_us + std::max<int64_t>(length - pass.media_us, 0) + kBeyondEndUs : INT64_MAX / 2;
}

void movie_graph::impl::lay_sound(AVFrame* frame) {
    if (!origin_known) set_origin(source->start_us(), false);
    const AVStream* st = source->context()->streams[sound_index];
    const int64_t ts = frame->best_effort_timestamp;
    int64_t t = ts != AV_NOPTS_VALUE ? pass.offset_us + (to_us(ts, st->time_base) - origin_us - pass.media_us)
                                     : sound->end_us();
    // Sound that leaps ahead, or past the end of the file, is damage and
    // simply follows on.
    if (t > sound->end_us() + kSoundLeapUs || t > pass_limit()) t = sound->end_us();
    sound->add(frame, t);
}

void movie_graph::impl::end_pass(decoded& out) {
    if (pass.candidate) {
        // The picture from before the start counts as the pass's own only
        // while it still shows at the start.
        const int64_t natural = pass.candidate_media_us + pass.candidate_us - pass.media_us;
        if (natural > 0) pass.own_picture = true;
        push_candidate(out, pass.offset_us + std::max(natural, pass.candidate_us));
    }
    for (AVFrame*& f : held_sound) {
        lay_sound(f);
        av_frame_free(&f);
    }
    held_sound.clear();
    const int64_t sound_end = sound ? std::min(sound->end_us(), pass_limit()) : pass.offset_us;
    out.pass_ended = true;
    if (pass.laid)
        out.end_us = sound_end > pass.last_end_us + kPaddingUs ? sound_end : pass.last_end_us;
    else
        out.end_us = std::max(sound_end, pass.offset_us);
    // A graph with pictures is paced by them: sound alone does not make a
    // pass that can be repeated.
    out.own = video ? pass.own_picture : sound_end > pass.offset_us;
}

result movie_graph::impl::write_frame(const timed_frame& f) {
    sample s;
    s.start = f.start_us * 10;
    s.stop = f.end_us * 10;
    if (video_type.sub == subtype::picture) {
        const picture p(f.frame, converter);
        s.pic = &p;
        return sink->render_sample(&s);
    }
    const int32_t w = video_type.width, h = std::abs(video_type.height);
    const int32_t pitch = packed_pitch(w, 3);
    rows.resize(size_t(pitch) * size_t(h));
    const frame_target t{rows.data() + size_t(pitch) * size_t(h - 1), -pitch, w, h, pixel_layout::bgr24};
    if (!converter.convert(f.frame, t)) return e_fail;
    s.data = rows.data();
    s.length = uint32_t(rows.size());
    return sink->render_sample(&s);
}

} // namespace pmovie
