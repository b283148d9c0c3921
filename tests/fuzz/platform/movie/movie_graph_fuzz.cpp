// Feeds arbitrary bytes through the movie reader's I/O into the demuxer the
// first byte picks (or probing), then plays what opens under a hand-driven
// clock: a repeat, a seek, a stop, into a small picture and a silent mixer.
#include "platform/audio/output_device.h"
#include "platform/movie/container.h"
#include "platform/movie/movie_graph.h"
#include "platform/movie/picture.h"
#include "platform/system/clock.h"
#include "support/MemoryByteSource.h"

#include <memory>
#include <vector>

namespace {

class SmallSink final : public pmovie::video_sink {
public:
    pmovie::result check_media_type(const pmovie::media_type* t) override {
        return t && t->sub == pmovie::subtype::picture ? pmovie::s_ok : pmovie::e_fail;
    }
    pmovie::result set_media_type(const pmovie::media_type&) override { return pmovie::s_ok; }
    pmovie::result render_sample(const pmovie::sample* s) override {
        pmovie::frame_target t{reinterpret_cast<uint8_t*>(m_Pixels.data()), 64 * 4, 64, 64,
                               pmovie::pixel_layout::argb8888};
        return s && s->pic && s->pic->convert_to(t) ? pmovie::s_ok : pmovie::e_fail;
    }
    void show_sample() override {}

private:
    std::vector<uint32_t> m_Pixels = std::vector<uint32_t>(64 * 64);
};

psys::manual_clock g_Clock;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = [] {
        psys::set_current_clock(&g_Clock);
        paudio::output_device::instance().set_mode(paudio::output_mode::manual);
        return true;
    }();
    (void)ready;
    if (size < 1) return 0;
    const pmovie::subtype hints[] = {pmovie::subtype::none,         pmovie::subtype::avi,
                                     pmovie::subtype::mpeg1_system, pmovie::subtype::mpeg1_video,
                                     pmovie::subtype::quicktime,    pmovie::subtype::mpeg1_audio,
                                     pmovie::subtype::wave,         pmovie::subtype::asf};
    const pmovie::subtype hint = hints[data[0] % (sizeof hints / sizeof hints[0])];
    qtest::MemoryByteSource src(std::vector<unsigned char>(data + 1, data + size));
    std::unique_ptr<pmovie::container> c;
    if (pmovie::failed(pmovie::container::open(src, hint, &c))) return 0;
    const int streams = int(c->streams().size());
    pmovie::movie_graph graph;
    graph.set_source(std::shared_ptr<pmovie::container>(std::move(c)));
    graph.set_video_sink(std::make_shared<SmallSink>());
    for (int i = 0; i < streams; ++i) graph.render(i);
    graph.set_repeats(1);
    graph.run();
    for (int step = 0; step < 120; ++step) {
        g_Clock.advance_us(50000);
        pmovie::movie_graph::settle_all();
        graph.service();
        int32_t code = 0;
        intptr_t went_on = 0;
        bool ended = false;
        while (graph.get_event(&code, &went_on, nullptr) == pmovie::s_ok)
            ended |= code == pmovie::ec_complete && !went_on;
        if (ended) break;
        if (step == 10) graph.set_position(graph.duration() / 2);
        if (step == 20) graph.stop();
        if (step == 22) graph.run();
        paudio::output_device::instance().pump(2400);
    }
    return 0;
}
