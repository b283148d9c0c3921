// Movies and the file layer: whether decoding waits on reads. A 10 s 1280x720
// WMV clip with its sound is decoded into a movie texture under a clock
// stepped one frame at a time (every frame decoded and converted), its bytes
// read through the file layer from a disk file, from an entry of a scrambled
// pack, from a disk file just dropped from the page cache, and through a
// stand-in for a slow drive that answers every read 2 ms late. Each source is
// decoded as the engine reads it (on the decoding thread, as the demuxer asks)
// and with a read-ahead thread in front of it that reads the next 64 KiB
// blocks while the decoder works. The figures: wall time of the whole decode,
// and the part of it the decoding thread spent waiting in reads.
//
// The read-ahead here is a measuring device, not an engine part.
#include "base/GxStringUtil.h"
#include "bench/graphics/headless_graphics.h"
#include "bench/media/bench_clip.h"
#include "bench/timing.h"
#include "io/GxFileSystem.h"
#include "media/movie/GxMovieReaderOutputPin.h"
#include "media/movie/GxMovieReader.h"
#include "media/movie/GxMovieRenderer.h"
#include "media/movie/GxMovieSourceFilterFile.h"
#include "platform/audio/output_device.h"
#include "platform/movie/container.h"
#include "platform/movie/movie_graph.h"
#include "platform/system/clock.h"
#include "tools/builders/FileBytes.h"
#include "tools/builders/PackWriter.h"
#include "tools/builders/SoundFiles.h"

#include <fcntl.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kSeconds = 10;
constexpr int kFps = 30;
constexpr int kRuns = 3;

// Sums the time its caller spends in reads.
class Timed final : public pmovie::byte_source {
public:
    explicit Timed(pmovie::byte_source& src) : m_Src(src) {}
    int64_t size() override { return m_Src.size(); }
    int64_t read_at(int64_t pos, void* buffer, uint32_t bytes) override {
        const double t0 = qbench::NowMs();
        const int64_t n = m_Src.read_at(pos, buffer, bytes);
        m_WaitedMs += qbench::NowMs() - t0;
        ++m_Reads;
        return n;
    }
    double m_WaitedMs = 0;
    int m_Reads = 0;

private:
    pmovie::byte_source& m_Src;
};

// A drive that answers every read late.
class Slow final : public pmovie::byte_source {
public:
    Slow(pmovie::byte_source& src, int latencyMs) : m_Src(src), m_LatencyMs(latencyMs) {}
    int64_t size() override { return m_Src.size(); }
    int64_t read_at(int64_t pos, void* buffer, uint32_t bytes) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(m_LatencyMs));
        return m_Src.read_at(pos, buffer, bytes);
    }

private:
    pmovie::byte_source& m_Src;
    int m_LatencyMs;
};

// A thread that reads the blocks after the last one asked for, up to a
// window, while the caller works; a read outside the window starts it again
// there.
class ReadAhead final : public pmovie::byte_source {
public:
    static constexpr uint32_t kBlock = 64 * 1024;
    static constexpr size_t kBlocks = 8;

    explicit ReadAhead(pmovie::byte_source& src) : m_Src(src), m_Size(src.size()) {
        m_Thread = std::thread([this] { Work(); });
    }
    ~ReadAhead() override {
        {
            std::lock_guard<std::mutex> lock(m_Mutex);
            m_Quit = true;
        }
        m_Wake.notify_all();
        m_Thread.join();
    }
    int64_t size() override { return m_Size; }
    int64_t read_at(int64_t pos, void* buffer, uint32_t bytes) override {
        if (pos < 0) return -1;
        if (pos >= m_Size) return 0;
        std::unique_lock<std::mutex> lock(m_Mutex);
        const int64_t start = pos - pos % kBlock;
        // The window starts at the first block kept, else the one being
        // read, else the next to read.
        const int64_t base = !m_Blocks.empty() ? m_Blocks.front().pos : m_InFlight >= 0 ? m_InFlight : m_Next;
        if (start < base || start >= base + int64_t(kBlock) * int64_t(kBlocks)) {
            m_Blocks.clear();
            m_Next = start;
            m_InFlight = -1;
            ++m_Generation;
        }
        while (!m_Blocks.empty() && m_Blocks.front().pos + int64_t(m_Blocks.front().bytes.size()) <= pos)
            m_Blocks.pop_front();
        m_Wake.notify_all();
        m_Ready.wait(lock, [&] { return m_Failed || (!m_Blocks.empty() && m_Blocks.front().pos <= pos); });
        if (m_Blocks.empty()) return -1;
        const Block& b = m_Blocks.front();
        const size_t at = size_t(pos - b.pos);
        const size_t n = std::min<size_t>(bytes, b.bytes.size() - at);
        std::memcpy(buffer, b.bytes.data() + at, n);
        return int64_t(n);
    }

private:
    struct Block {
        int64_t pos = 0;
        std::vector<unsigned char> bytes;
    };

    void Work() {
        std::unique_lock<std::mutex> lock(m_Mutex);
        while (!m_Quit) {
            if (m_Blocks.size() >= kBlocks || m_Next >= m_Size) {
                m_Wake.wait(lock);
                continue;
            }
            const int64_t pos = m_Next;
            const uint64_t generation = m_Generation;
            m_Next += kBlock;
            m_InFlight = pos;
            lock.unlock();
            Block b{pos, std::vector<unsigned char>(size_t(std::min<int64_t>(kBlock, m_Size - pos)))};
            const int64_t got = m_Src.read_at(pos, b.bytes.data(), uint32_t(b.bytes.size()));
            lock.lock();
            if (generation != m_Generation) continue;
            m_InFlight = -1;
            if (got <= 0) {
                m_Failed = true;
            } else {
                b.bytes.resize(size_t(got));
                m_Blocks.push_back(std::move(b));
            }
            m_Ready.notify_all();
        }
    }

    pmovie::byte_source& m_Src;
    const int64_t m_Size;
    std::mutex m_Mutex;
    std::condition_variable m_Wake, m_Ready;
    std::deque<Block> m_Blocks;
    int64_t m_Next = 0;
    int64_t m_InFlight = -1;
    uint64_t m_Generation = 0;
    bool m_Failed = false;
    bool m_Quit = false;
    std::thread m_Thread;
};

struct Figures {
    double wallMs = 1e30;
    double waitedMs = 0;
    int reads = 0;
    int frames = 0;
};

// Decodes the whole clip from src, every frame shown, as fast as it goes.
Figures Decode(pmovie::byte_source& src) {
    Figures f;
    psys::manual_clock clock;
    psys::set_current_clock(&clock);
    Timed timed(src);
    const double t0 = qbench::NowMs();
    std::unique_ptr<pmovie::container> c;
    if (pmovie::failed(pmovie::container::open(timed, pmovie::subtype::asf, &c))) return f;
    pmovie::result hr = pmovie::s_ok;
    auto renderer = std::make_shared<GxMovieRenderer>(nullptr, true, &hr);
    f.frames = qbench::PlayThroughGraph(std::move(c), renderer, clock, kFps, kSeconds, [&] { renderer->GetTexture(); });
    f.wallMs = qbench::NowMs() - t0;
    f.waitedMs = timed.m_WaitedMs;
    f.reads = timed.m_Reads;
    psys::set_current_clock(nullptr);
    return f;
}

// Drops a file's pages from the page cache (they are clean: it was written
// and synced before).
void DropFromCache(const char* path) {
    const int fd = open(path, O_RDONLY);
    if (fd < 0) return;
    fdatasync(fd);
    posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    close(fd);
}

struct Source {
    const char* what;
    const char16_t* file;
    bool cold;
    int latencyMs;
};

Figures Best(const Source& s, bool readAhead) {
    Figures best;
    for (int run = 0; run < kRuns; ++run) {
        if (s.cold) {
            DropFromCache("bench.wmv");
            DropFromCache("bench.gxp");
        }
        GxMovieSourceFilterFile file(s.file, 0xFFFFFFFFu);
        GxMovieReaderOutputPin pin(nullptr, &file);
        Slow slow(pin, s.latencyMs);
        pmovie::byte_source& base = s.latencyMs > 0 ? static_cast<pmovie::byte_source&>(slow) : pin;
        Figures f;
        if (readAhead) {
            ReadAhead ahead(base);
            f = Decode(ahead);
        } else {
            f = Decode(base);
        }
        if (f.wallMs < best.wallMs) best = f;
    }
    return best;
}

} // namespace

int main() {
    char dir[] = "/tmp/quillon-movie-read-bench-XXXXXX";
    if (!mkdtemp(dir)) return 1;
    const std::filesystem::path old = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    if (!qbench::WriteBenchClip(dir, kFps, kSeconds)) return 1;
    qtest::PackOptions scrambled;
    scrambled.scrambled = true;
    qtest::WritePack("bench.gxp", {{"movies/op.wmv", qtest::ReadBytes("bench.wmv")}}, scrambled);
    GxResetFileSystem();
    if (!GxMountPackFile(u"bench.gxp")) {
        std::printf("the pack did not mount\n");
        return 1;
    }
    paudio::output_device::instance().set_mode(paudio::output_mode::manual);
    if (!qbench::StartHeadlessGraphics("movie_read_bench", 1024, 768)) return 1;

    const Source sources[] = {
        {"disk file", u"bench.wmv", false, 0},
        {"scrambled pack entry", u"movies/op.wmv", false, 0},
        {"disk file, not cached", u"bench.wmv", true, 0},
        {"pack entry, not cached", u"movies/op.wmv", true, 0},
        {"slow drive (2 ms a read)", u"bench.wmv", false, 2},
    };
    std::printf("a %d s 1280x720 WMV clip (%.1f MB) with WMA sound, decoded into the movie texture as fast as it goes\n",
                kSeconds, double(std::filesystem::file_size("bench.wmv")) / 1e6);
    std::printf("  %-26s %28s %28s\n", "source", "as the engine reads", "with a read-ahead thread");
    for (const Source& s : sources) {
        const Figures plain = Best(s, false);
        const Figures ahead = Best(s, true);
        std::printf("  %-26s %8.1f ms, %6.1f ms in %4d reads %8.1f ms, %6.1f ms in %4d reads\n", s.what, plain.wallMs,
                    plain.waitedMs, plain.reads, ahead.wallMs, ahead.waitedMs, ahead.reads);
    }
    GxGraphics::Finalize();
    GxResetFileSystem();
    std::filesystem::current_path(old);
    std::filesystem::remove_all(dir);
    return 0;
}
