// The movie graph on clips made by ffmpeg, under a hand-driven clock: which
// frame shows at which time, repeats without a seam, seeking, the end of a
// damaged file, the 24-bit rows offered to a renderer that wants them, and
// the reader's seeks through the byte source.
#include "platform/audio/output_device.h"
#include "platform/movie/container.h"
#include "platform/movie/movie_graph.h"
#include "platform/movie/picture.h"
#include "platform/system/clock.h"
#include "support/Golden.h"
#include "support/MemoryByteSource.h"
#include "support/MovieClips.h"
#include "tools/builders/FileBytes.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace {

using namespace pmovie;

using MemorySource = qtest::MemoryByteSource;

// Two ARGB buffers like the movie texture's: frames are written into the
// hidden one and flipped by show_sample. With rgb24Only it refuses decoded
// pictures and turns the bottom-up rows it gets into top-down pixels itself.
class MemorySink final : public video_sink {
public:
    explicit MemorySink(bool rgb24Only = false) : m_Rgb24Only(rgb24Only) {}
    // Every frame refused, as by a renderer whose texture is gone.
    bool m_Refuse = false;
    int m_Offered = 0;
    result check_media_type(const media_type* t) override {
        if (!t) return e_pointer;
        if (t->sub == subtype::rgb24) return s_ok;
        return t->sub == subtype::picture && !m_Rgb24Only ? s_ok : e_fail;
    }
    result set_media_type(const media_type& t) override {
        m_Type = t;
        m_W = t.width;
        m_H = std::abs(t.height);
        for (auto& b : m_Buffers) b.assign(size_t(m_W) * size_t(m_H), 0);
        return s_ok;
    }
    result render_sample(const sample* s) override {
        ++m_Offered;
        if (m_Refuse) return e_unexpected;
        std::vector<uint32_t>& back = m_Buffers[m_Shown ^ 1];
        if (s->pic) {
            frame_target t{reinterpret_cast<uint8_t*>(back.data()), m_W * 4, m_W, m_H, pixel_layout::argb8888};
            return s->pic->convert_to(t) ? s_ok : e_fail;
        }
        const int32_t pitch = packed_pitch(m_W, 3);
        if (s->length < uint32_t(pitch * m_H)) return e_fail;
        for (int y = 0; y < m_H; ++y) {
            const uint8_t* row = s->data + size_t(m_H - 1 - y) * size_t(pitch);
            for (int x = 0; x < m_W; ++x)
                back[size_t(y) * size_t(m_W) + size_t(x)] =
                    0xFF000000u | uint32_t(row[3 * x + 2]) << 16 | uint32_t(row[3 * x + 1]) << 8 | row[3 * x];
        }
        return s_ok;
    }
    void show_sample() override {
        m_Shown ^= 1;
        ++m_Flips;
    }
    int Counter() const { return ReadCounter(m_Buffers[m_Shown]); }
    int ReadCounter(const std::vector<uint32_t>& px) const {
        return px.empty() ? -2 : qtest::ReadFrameCounter(px.data(), m_W, m_W, m_H);
    }
    int Flips() const { return m_Flips; }
    const media_type& Type() const { return m_Type; }

private:
    bool m_Rgb24Only;
    media_type m_Type;
    int32_t m_W = 0, m_H = 0;
    std::vector<uint32_t> m_Buffers[2];
    int m_Shown = 0;
    int m_Flips = 0;
};

subtype HintOf(qtest::ClipKind k) {
    switch (k) {
    case qtest::ClipKind::Wmv: return subtype::asf;
    case qtest::ClipKind::Mpeg1: return subtype::mpeg1_system;
    case qtest::ClipKind::Avi: return subtype::avi;
    }
    return subtype::none;
}

class GraphTest : public testing::TestWithParam<qtest::ClipKind> {
protected:
    void SetUp() override {
        psys::set_current_clock(&m_Clock);
        paudio::output_device::instance().set_mode(paudio::output_mode::manual);
        m_Start = m_Clock.now_us();
    }
    void TearDown() override {
        m_Graph.reset();
        paudio::output_device::instance().set_mode(paudio::output_mode::automatic);
        psys::set_current_clock(nullptr);
    }
    // Builds a graph over the bytes with every stream rendered.
    void Build(std::vector<unsigned char> bytes, subtype hint, bool rgb24Only = false) {
        m_Source = std::make_unique<MemorySource>(std::move(bytes));
        std::unique_ptr<container> c;
        ASSERT_EQ(container::open(*m_Source, hint, &c), s_ok);
        m_Sink = std::make_shared<MemorySink>(rgb24Only);
        m_Start = m_Clock.now_us();
        m_Graph = std::make_unique<movie_graph>();
        m_Graph->set_source(std::shared_ptr<container>(std::move(c)));
        m_Graph->set_video_sink(m_Sink);
        for (int i = 0; i < 2; ++i) m_Graph->render(i);
        ASSERT_TRUE(m_Graph->has_video());
    }
    void Build(qtest::ClipKind k, bool rgb24Only = false) {
        ASSERT_FALSE(qtest::StandardClip(k).empty()) << "ffmpeg did not write the clip";
        Build(qtest::StandardClip(k), HintOf(k), rgb24Only);
    }
    // The clock at ms after the start, the decoding thread caught up, one frame's service.
    void At(int64_t ms) {
        m_Clock.set_us(m_Start + uint64_t(ms) * 1000);
        movie_graph::settle_all();
        m_Graph->service();
    }
    std::vector<intptr_t> Completions() {
        std::vector<intptr_t> out;
        int32_t code;
        intptr_t p1, p2;
        while (m_Graph->get_event(&code, &p1, &p2) == s_ok)
            if (code == ec_complete) out.push_back(p1);
        return out;
    }

    psys::manual_clock m_Clock;
    uint64_t m_Start = 0;
    std::unique_ptr<MemorySource> m_Source;
    std::shared_ptr<MemorySink> m_Sink;
    std::unique_ptr<movie_graph> m_Graph;
};

TEST_P(GraphTest, EveryFrameAtItsTimeThenOneCompletion) {
    Build(GetParam());
    EXPECT_TRUE(m_Graph->has_audio());
    EXPECT_NEAR(m_Graph->duration(), 2.0, 0.15);
    EXPECT_EQ(m_Sink->Type().sub, subtype::picture);
    EXPECT_EQ(m_Sink->Type().height, -240) << "decoded pictures run top-down";
    m_Graph->run();
    for (int n = 0; n < 50; ++n) {
        At(n * 40 + 20);
        ASSERT_EQ(m_Sink->Counter(), n) << "at " << n * 40 + 20 << " ms";
        EXPECT_TRUE(Completions().empty());
    }
    EXPECT_NEAR(m_Graph->position(), 1.98, 0.001);
    EXPECT_EQ(m_Sink->Flips(), 50) << "each frame shown once";
    At(2100);
    EXPECT_EQ(Completions(), std::vector<intptr_t>{0}) << "the last frame's end completes the movie, once";
    At(2500);
    EXPECT_TRUE(Completions().empty());
    EXPECT_EQ(m_Sink->Counter(), 49) << "the last frame stays";
}

TEST_P(GraphTest, RepeatsFollowOnWithoutASeam) {
    Build(GetParam());
    m_Graph->set_repeats(2);
    m_Graph->run();
    std::vector<int> shown;
    std::vector<intptr_t> completions;
    for (int n = 0; n < 150; ++n) {
        At(n * 40 + 20);
        shown.push_back(m_Sink->Counter());
        for (intptr_t c : Completions()) completions.push_back(c);
    }
    for (int n = 0; n < 150; ++n) ASSERT_EQ(shown[size_t(n)], n % 50) << "tick " << n;
    EXPECT_EQ(completions, (std::vector<intptr_t>{1, 1})) << "two passes went on by themselves";
    At(6050);
    EXPECT_EQ(Completions(), std::vector<intptr_t>{0});
}

TEST_P(GraphTest, LoopStartAndSeeking) {
    Build(GetParam());
    m_Graph->set_repeats(-1);
    m_Graph->set_loop_start(1.2);
    m_Graph->run();
    At(20);
    EXPECT_EQ(m_Sink->Counter(), 0) << "the first pass starts where the position stands";
    // A seek at 20 ms starts the timeline there again.
    m_Graph->set_position(1.0);
    At(40);
    EXPECT_EQ(m_Sink->Counter(), 25);
    EXPECT_NEAR(m_Graph->position(), 1.02, 0.001);
    At(1000);
    EXPECT_EQ(m_Sink->Counter(), 49);
    At(1040);
    EXPECT_EQ(m_Sink->Counter(), 30) << "the repeat starts at the loop start";
    EXPECT_EQ(Completions(), std::vector<intptr_t>{1});
    EXPECT_NEAR(m_Graph->position(), 1.22, 0.001);
    m_Graph->stop();
    m_Graph->set_position(0.5);
    At(5000);
    EXPECT_EQ(m_Sink->Counter(), 30) << "a stopped graph shows nothing new";
    EXPECT_NEAR(m_Graph->position(), 0.5, 0.001);
    m_Graph->run();
    At(5010);
    EXPECT_EQ(m_Sink->Counter(), 12);
}

INSTANTIATE_TEST_SUITE_P(Clips, GraphTest,
                         testing::Values(qtest::ClipKind::Wmv, qtest::ClipKind::Mpeg1, qtest::ClipKind::Avi),
                         [](const auto& p) { return qtest::ClipExtension(p.param).substr(1); });

class DamageTest : public GraphTest {};

TEST_F(DamageTest, DamagedFilesEndAsIfCompleteOrAreRefused) {
    struct Case {
        qtest::ClipKind kind;
        bool truncate;
    };
    for (const Case c : {Case{qtest::ClipKind::Wmv, true}, Case{qtest::ClipKind::Wmv, false},
                         Case{qtest::ClipKind::Mpeg1, true}, Case{qtest::ClipKind::Avi, false}}) {
        SCOPED_TRACE(qtest::ClipExtension(c.kind) + (c.truncate ? " truncated" : " damaged"));
        std::vector<unsigned char> b = qtest::StandardClip(c.kind);
        ASSERT_FALSE(b.empty());
        if (c.truncate)
            b.resize(b.size() / 2);
        else
            b = qtest::DamagedCopy(b, b.size() / 3);
        Build(b, HintOf(c.kind));
        m_Graph->run();
        std::vector<intptr_t> completions;
        for (int ms = 20; ms < 3000 && completions.empty(); ms += 40) {
            At(ms);
            completions = Completions();
        }
        EXPECT_EQ(completions, std::vector<intptr_t>{0});
        m_Graph.reset();
    }
    MemorySource garbage(std::vector<unsigned char>(4096, 0x5A));
    std::unique_ptr<container> c;
    EXPECT_EQ(container::open(garbage, subtype::avi, &c), vfw_e_invalid_file_format);
    EXPECT_EQ(c, nullptr);
}

// A loop whose repeat lasts a millisecond (the fuzzer's WMV, whose two
// pictures claim a thousand frames a second) repeats no more often than a
// default frame's length: a repeat per millisecond cost a seek and a decode
// each, several times the clock's pace, for pictures nobody could see.
TEST_F(DamageTest, ShortRepeatsComeNoFasterThanAFrame) {
    std::vector<unsigned char> b =
        qtest::ReadBytes(qtest::SourcePath("tests/corpus/movie_graph_fuzz/slow-looping-movie-of-a-millisecond"));
    ASSERT_GT(b.size(), 6u);
    Build(std::vector<unsigned char>(b.begin() + 6, b.end()), subtype::asf);
    m_Graph->set_repeats(-1);
    m_Graph->run();
    size_t repeats = 0;
    for (int ms = 20; ms <= 1000; ms += 40) {
        At(ms);
        repeats += Completions().size();
    }
    EXPECT_GE(repeats, 20u);
    EXPECT_LE(repeats, 26u);
}

TEST_F(DamageTest, RefusedFramesStillKeepTheirTime) {
    Build(qtest::ClipKind::Avi);
    m_Sink->m_Refuse = true;
    m_Graph->run();
    At(20);
    EXPECT_LE(m_Sink->m_Offered, 2) << "frames offered at their time, not as fast as they decode";
    At(1000);
    EXPECT_LE(m_Sink->m_Offered, 4);
    EXPECT_EQ(m_Sink->Flips(), 0);
    EXPECT_TRUE(Completions().empty());
    At(2100);
    EXPECT_EQ(Completions(), std::vector<intptr_t>{0});
}

TEST_F(DamageTest, RowsForARendererThatRefusesPictures) {
    Build(qtest::ClipKind::Avi, true);
    EXPECT_EQ(m_Sink->Type(), (media_type{major_type::video, subtype::rgb24, format_type::video_info, 320, 240}))
        << "24-bit rows, bottom-up";
    m_Graph->run();
    At(7 * 40 + 20);
    EXPECT_EQ(m_Sink->Counter(), 7);
}

} // namespace
