// Read throughput of the file layer: a 1 MiB entry from a scrambled pack, from
// an unscrambled pack and from a plain disk file (the baseline), descrambling
// alone against a plain XOR loop, and 100,000 values from a binary content
// stream against a hand-written decoder of the same bytes.
#include "io/GxContentBinaryReader.h"
#include "io/GxContentBinaryWriter.h"
#include "io/GxFileSystem.h"
#include "io/GxPackFileHeaderCache.h"
#include "platform/system/file_system.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr u32 kEntrySize = 1u << 20;

void Put32(std::vector<u8>& b, u64 v, int bytes) {
    for (int i = 0; i < bytes; ++i) b.push_back(u8(v >> (8 * i)));
}

std::vector<u8> MakePack(const std::vector<u8>& data, bool scrambled) {
    const char name[] = "e.bin";
    const u32 length = 32 + 8;  // fixed fields and "e.bin\0", padded to 4
    std::vector<u8> rec;
    Put32(rec, length, 4);
    Put32(rec, data.size(), 4);
    Put32(rec, 0, 8);
    Put32(rec, 1, 8);
    Put32(rec, 0, 8);
    rec.insert(rec.end(), name, name + sizeof name);
    rec.resize(length, 0);
    std::vector<u8> bytes = data;
    if (scrambled) {
        DescramblePackEntries(rec.data(), 4, 0);
        DescramblePackEntries(rec.data() + 4, length - 4, 4);
        DescramblePackEntries(bytes.data(), u32(bytes.size()), 0);
    }
    std::vector<u8> out(12, 0);
    Put32(out, 0, 4);
    Put32(out, 0, 4);
    Put32(out, scrambled ? 1 : 0, 4);
    Put32(out, 1, 4);
    Put32(out, length, 4);
    Put32(out, 0, 8);
    Put32(out, 48 + length, 8);
    out.insert(out.end(), rec.begin(), rec.end());
    out.insert(out.end(), bytes.begin(), bytes.end());
    return out;
}

void Write(const std::filesystem::path& p, const std::vector<u8>& b) {
    std::ofstream f(p, std::ios::binary);
    f.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

template <class F>
double SecondsFor(int rounds, F f) {
    f();  // warm the page cache and the code
    const auto t0 = Clock::now();
    for (int i = 0; i < rounds; ++i) f();
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

double MBps(double bytes, double seconds) { return bytes / seconds / 1e6; }

} // namespace

int main() {
    const auto dir = std::filesystem::temp_directory_path() / ("quillon-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::vector<u8> data(kEntrySize);
    std::mt19937 rng(5489);
    for (auto& b : data) b = u8(rng());
    Write(dir / "plain.bin", data);
    Write(dir / "plain.gxp", MakePack(data, false));
    Write(dir / "scrambled.gxp", MakePack(data, true));

    const int rounds = 300;
    auto load = [&](const std::filesystem::path& pack) {
        GxResetFileSystem();
        if (!pack.empty()) GxMountPackFile(GxString(pack.u16string()));
        const GxString path = pack.empty() ? GxString((dir / "plain.bin").u16string()) : GxString(u"e.bin");
        GxBinBuffer buf;
        double s = SecondsFor(rounds, [&] {
            if (!GxLoadFile(&buf, path, false, false, kGxLoadFileAnySize) || buf.GetSize() != kEntrySize ||
                std::memcmp(buf.GetData(), data.data(), 64) != 0) {
                std::fprintf(stderr, "read failed\n");
                std::exit(1);
            }
        });
        return MBps(double(kEntrySize) * rounds, s);
    };
    const double disk = load({});
    const double plainPack = load(dir / "plain.gxp");
    const double scrambledPack = load(dir / "scrambled.gxp");
    GxResetFileSystem();

    std::vector<u8> work = data;
    const int xorRounds = 2000;
    const double descramble = MBps(double(kEntrySize) * xorRounds,
                                   SecondsFor(xorRounds, [&] { DescramblePackEntries(work.data(), kEntrySize, 0); }));
    volatile u8 sink = 0;
    const double plainXor = MBps(double(kEntrySize) * xorRounds, SecondsFor(xorRounds, [&] {
                                     for (u32 i = 0; i < kEntrySize; ++i) work[i] ^= u8(i);
                                     sink = sink + work[kEntrySize / 2];
                                 }));

    // 100,000 values: s32, f32 and vector3 in turn.
    psys::memory_stream memory;
    {
        GxContentBinaryWriter w(memory.stream());
        w.WriteHeader("BGD", 1);
        for (int i = 0; i < 100000; ++i) {
            if (i % 3 == 0) w.Write("m_I", s32(i));
            else if (i % 3 == 1) w.Write("m_F", f32(i) * 0.5f);
            else w.Write("m_V", GxVector3(f32(i), 1, 2));
        }
    }
    const std::vector<u8> stream = memory.bytes();
    const int streamRounds = 50;
    double checksum = 0;
    const double readerS = SecondsFor(streamRounds, [&] {
        GxContentBinaryReader r(stream.data(), u32(stream.size()), false);
        r.ReadHeader("BGD", nullptr);
        for (int i = 0; i < 100000; ++i) {
            if (i % 3 == 0) checksum += r.ReadS32("m_I");
            else if (i % 3 == 1) checksum += r.ReadF32("m_F");
            else checksum += r.ReadVector3("m_V").x;
        }
        if (r.GetErrorCount()) std::exit(1);
    });
    const double baselineS = SecondsFor(streamRounds, [&] {
        const u8* p = stream.data() + 20;
        auto be32 = [&p] {
            const u32 v = u32(p[0]) << 24 | u32(p[1]) << 16 | u32(p[2]) << 8 | p[3];
            p += 4;
            return v;
        };
        for (int i = 0; i < 100000; ++i) {
            ++p;  // the type code
            if (i % 3 == 0) checksum += s32(be32());
            else if (i % 3 == 1) {
                const u32 v = be32();
                f32 x;
                std::memcpy(&x, &v, 4);
                checksum += x;
            } else {
                const u32 v = be32();
                f32 x;
                std::memcpy(&x, &v, 4);
                checksum += x;
                be32(), be32();
            }
        }
    });
    const double streamBytes = double(stream.size()) * streamRounds;

    std::printf("1 MiB entry, %d loads each (baseline: plain disk file %.0f MB/s)\n", rounds, disk);
    std::printf("  unscrambled pack  %8.0f MB/s   %.2fx the plain file's time\n", plainPack, disk / plainPack);
    std::printf("  scrambled pack    %8.0f MB/s   %.2fx the plain file's time\n", scrambledPack, disk / scrambledPack);
    std::printf("descrambling        %8.0f MB/s   %.2fx a plain byte XOR loop (%.0f MB/s)\n", descramble,
                descramble / plainXor, plainXor);
    std::printf("binary content stream, 100000 values: %.0f MB/s, %.1f M values/s, %.2fx the time of a hand decoder "
                "(%.0f MB/s)\n",
                MBps(streamBytes, readerS), 100000.0 * streamRounds / readerS / 1e6, readerS / baselineS,
                MBps(streamBytes, baselineS));
    std::printf("(checksum %g)\n", checksum + sink);
    std::filesystem::remove_all(dir);
    return 0;
}
