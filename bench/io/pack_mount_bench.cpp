// Mounting a pack of 100,000 entries (Shift-JIS names, plain and scrambled),
// beside the floor of any mount: reading the same header and directory into
// memory (and unscrambling it). Also the look-up of every name once mounted.
#include "io/GxPackFileHeaderCache.h"
#include "platform/system/codepage.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr u32 kEntries = 100000;

void Put(std::vector<u8>& b, u64 v, int bytes) {
    for (int i = 0; i < bytes; ++i) b.push_back(u8(v >> (8 * i)));
}

// Names as a game's packs hold them: folders, Japanese titles and numbers.
GxString EntryName(u32 i) {
    static const GxChar* const kFolders[] = {u"bg/", u"chara/立ち絵/", u"voice/", u"se/", u"ev/イベント"};
    GxString name = kFolders[i % 5];
    name += u"背景_";
    for (char c : std::to_string(i)) name.push_back(GxChar(c));
    name += (i % 3 == 0) ? u".PNG" : u".ogg";
    return name;
}

std::vector<u8> MakePack(bool scrambled, std::vector<GxString>* names) {
    std::vector<u8> dir;
    for (u32 i = 0; i < kEntries; ++i) {
        names->push_back(EntryName(i));
        const std::string sjis = psys::utf16_to_cp932(names->back());
        const u32 length = u32((32 + sjis.size() + 1 + 3) & ~size_t(3));
        std::vector<u8> rec;
        Put(rec, length, 4);
        Put(rec, 16, 4);
        Put(rec, 0, 8);
        Put(rec, i, 8);
        Put(rec, u64(i) * 16, 8);
        rec.insert(rec.end(), sjis.begin(), sjis.end());
        rec.resize(length, 0);
        if (scrambled) {
            DescramblePackEntries(rec.data(), 4, 0);
            DescramblePackEntries(rec.data() + 4, length - 4, 4);
        }
        dir.insert(dir.end(), rec.begin(), rec.end());
    }
    std::vector<u8> out(12, 0);
    Put(out, 0, 4);
    Put(out, 0, 4);
    Put(out, scrambled ? 1 : 0, 4);
    Put(out, kEntries, 4);
    Put(out, dir.size(), 4);
    Put(out, 0, 8);
    Put(out, 48 + dir.size(), 8);
    out.insert(out.end(), dir.begin(), dir.end());
    out.resize(out.size() + size_t(kEntries) * 16, 0);
    return out;
}

double Ms(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

template <class F>
double BestMs(int runs, F&& f) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        f();
        best = std::min(best, Ms(t0));
    }
    return best;
}

// What every mount has to do: the header and the directory into memory,
// unscrambled.
void ReadDirectory(const std::string& path, bool scrambled) {
    FILE* f = std::fopen(path.c_str(), "rb");
    u8 header[48];
    if (!f || std::fread(header, sizeof header, 1, f) != 1) std::abort();
    const u32 count = u32(header[24]) | u32(header[25]) << 8 | u32(header[26]) << 16 | u32(header[27]) << 24;
    const u32 size = u32(header[28]) | u32(header[29]) << 8 | u32(header[30]) << 16 | u32(header[31]) << 24;
    std::vector<u8> dir(size);
    if (std::fread(dir.data(), size, 1, f) != 1) std::abort();
    std::fclose(f);
    if (scrambled) {
        u32 at = 0;
        for (u32 i = 0; i < count; ++i) {
            DescramblePackEntries(dir.data() + at, 4, 0);
            const u32 length = u32(dir[at]) | u32(dir[at + 1]) << 8 | u32(dir[at + 2]) << 16 | u32(dir[at + 3]) << 24;
            DescramblePackEntries(dir.data() + at + 4, length - 4, 4);
            at += length;
        }
    }
}

} // namespace

int main() {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("pack_mount_bench_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    for (bool scrambled : {false, true}) {
        std::vector<GxString> names;
        const std::vector<u8> bytes = MakePack(scrambled, &names);
        const std::string path = (dir / (scrambled ? "scrambled.gxp" : "plain.gxp")).string();
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        const GxString widePath(path.begin(), path.end());

        const double floor = BestMs(9, [&] { ReadDirectory(path, scrambled); });
        size_t mounted = 0;
        const double mount = BestMs(9, [&] {
            GxPackFileHeaderCache pack;
            if (!pack.Open(widePath)) std::abort();
            mounted = pack.GetEntryCount();
        });
        GxPackFileHeaderCache pack;
        pack.Open(widePath);
        size_t found = 0;
        const double lookup = BestMs(5, [&] {
            found = 0;
            for (const GxString& n : names) found += pack.FindEntry(n) != nullptr;
        });
        std::printf("%s pack, %u entries (%zu mounted): mount %.1f ms, %.1fx the %.1f ms of reading its directory%s; "
                    "looking up every name %.1f ms (%zu found)\n",
                    scrambled ? "scrambled" : "plain", kEntries, mounted, mount, mount / floor, floor,
                    scrambled ? " and unscrambling it" : "", lookup, found);
    }
    std::filesystem::remove_all(dir);
    return 0;
}
