// Seeds for the fuzz targets from the sample game: every file of the sample
// (loose or in its pack) that a target reads, laid out as that target takes
// its input, under <out>/<target>/. Used by scripts/fuzz before the runs, so
// that the seeds follow the sample and nothing of their size is committed.
//
//   quillon_fuzz_seeds <sample folder> <out folder>
#include "base/GxStringUtil.h"
#include "io/GxCp932.h"
#include "io/GxFileSystem.h"
#include "io/GxPackFileHeaderCache.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

Bytes ReadAll(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

u32 LE32(const unsigned char* p) { return u32(p[0]) | u32(p[1]) << 8 | u32(p[2]) << 16 | u32(p[3]) << 24; }
u32 BE32(const unsigned char* p) { return u32(p[3]) | u32(p[2]) << 8 | u32(p[1]) << 16 | u32(p[0]) << 24; }

// The names in a pack's directory (the engine reads the entries; only their
// names are needed here, which the engine does not list).
std::vector<std::string> PackNames(const Bytes& pack) {
    std::vector<std::string> names;
    if (pack.size() < GxPackFileHeaderCache::kHeaderSize) return names;
    const bool utf16 = LE32(&pack[12]) != 0, scrambled = LE32(&pack[20]) != 0;
    const u32 count = LE32(&pack[24]);
    size_t at = GxPackFileHeaderCache::kHeaderSize;
    for (u32 i = 0; i < count && at + 4 <= pack.size(); ++i) {
        Bytes head(pack.begin() + at, pack.begin() + at + 4);
        if (scrambled) DescramblePackEntries(head.data(), 4, 0);
        const u32 length = LE32(head.data());
        if (length < 33 || at + length > pack.size()) break;
        Bytes record(pack.begin() + at, pack.begin() + at + length);
        if (scrambled) DescramblePackEntries(record.data(), length, 0);
        GxString name;
        if (utf16) {
            for (size_t k = 32; k + 1 < record.size() && (record[k] | record[k + 1]); k += 2)
                name.push_back(GxChar(record[k] | record[k + 1] << 8));
        } else {
            size_t end = 32;
            while (end < record.size() && record[end]) ++end;
            GxAppendCp932(std::string_view(reinterpret_cast<const char*>(&record[32]), end - 32), &name);
        }
        names.push_back(GxToUtf8(name));
        at += length;
    }
    return names;
}

class Seeds {
public:
    explicit Seeds(fs::path out) : m_Out(std::move(out)) {}
    void Put(const std::string& target, const std::string& name, const Bytes& bytes) {
        fs::path dir = m_Out / target;
        fs::create_directories(dir);
        std::string file = "sample-" + name;
        for (char& c : file)
            if (c == '/') c = '_';
        std::ofstream(dir / file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        ++m_Count[target];
    }
    const std::map<std::string, int>& Counts() const { return m_Count; }

private:
    fs::path m_Out;
    std::map<std::string, int> m_Count;
};

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// Two files as one input: the first one's length (4 bytes, little-endian),
// the first, then the second.
Bytes Pair(const Bytes& first, const Bytes& second) {
    const u32 n = u32(first.size());
    Bytes out = {u8(n), u8(n >> 8), u8(n >> 16), u8(n >> 24)};
    out.insert(out.end(), first.begin(), first.end());
    out.insert(out.end(), second.begin(), second.end());
    return out;
}

// The story's text lines ("> " in the script source) as the message window
// shows them: the window's width (900), margin (4), no flags and a delay,
// then the line in UTF-16.
void MessageSeeds(Seeds& s, const std::string& name, const Bytes& b) {
    const std::string text(b.begin(), b.end());
    size_t at = 0;
    for (int line = 0; at < text.size(); ++line) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        if (text.compare(at, 2, "> ") == 0) {
            Bytes in = {241, 8, 0, 10};
            for (char16_t c : GxFromUtf8(text.substr(at + 2, end - at - 2))) {
                in.push_back(u8(c));
                in.push_back(u8(c >> 8));
            }
            s.Put("message_text_fuzz", name + "-" + std::to_string(line), in);
        }
        at = end + 1;
    }
}

// The seeds one file of the sample gives, by its name.
void SeedsOf(Seeds& s, const std::string& name, const Bytes& b, const std::map<std::string, Bytes>& all) {
    constexpr size_t kLarge = 1u << 20;  // what most targets take at most
    const bool small = b.size() <= kLarge;
    if (EndsWith(name, ".png") || EndsWith(name, ".jpg") || EndsWith(name, ".bmp") || EndsWith(name, ".tga") ||
        EndsWith(name, ".dds")) {
        if (!small) return;
        const std::string ext = name.substr(name.size() - 3);
        s.Put(ext == "jpg" ? "jpeg_fuzz" : ext + "_fuzz", name, b);
        s.Put("image_file_fuzz", name, b);
    } else if (EndsWith(name, ".ogg")) {
        s.Put("ogg_loader_fuzz", name, b);
    } else if (EndsWith(name, ".wav")) {
        s.Put("wav_loader_fuzz", name, b);
    } else if (EndsWith(name, ".wmv") || EndsWith(name, ".mpg") || EndsWith(name, ".avi")) {
        // The movie target's header: the extension, then the renderer's own
        // texture or one of the screen's size (1 + 1023 by 1 + 767).
        const unsigned char kind = EndsWith(name, ".wmv") ? 0 : EndsWith(name, ".avi") ? 1 : 2;
        for (const unsigned char texture : {0, 1}) {
            Bytes in = {kind, texture, 0xFF, 0x03, 0xFF, 0x02};
            in.insert(in.end(), b.begin(), b.end());
            s.Put("movie_graph_fuzz", name + (texture ? "-texture" : "-own"), in);
        }
    } else if (EndsWith(name, ".gis")) {
        s.Put("image_set_fuzz", name, b);
    } else if (EndsWith(name, ".gnc") || EndsWith(name, ".prj")) {
        s.Put("project_fuzz", name, b);
    } else if (EndsWith(name, ".fx")) {
        s.Put("effect_fuzz", name, b);
    } else if (EndsWith(name, ".mwb")) {
        s.Put("bundle_fuzz", name, b);
        if (!b.empty() && b[0] == 'B') s.Put("content_binary_fuzz", name, b);
        if (!b.empty() && b[0] == 'T') s.Put("content_text_fuzz", name, b);
        if (!b.empty() && b[0] == 'Z') s.Put("content_compressed_fuzz", name, b);
    } else if (EndsWith(name, ".fmp")) {
        // The glyph table after the size of its picture, in fours.
        const auto png = all.find(name.substr(0, name.size() - 4) + ".png");
        if (png == all.end() || png->second.size() < 24) return;
        Bytes in = {u8(BE32(&png->second[16]) / 4), u8(BE32(&png->second[20]) / 4)};
        in.insert(in.end(), b.begin(), b.end());
        s.Put("font_table_fuzz", name, in);
    } else if (EndsWith(name, ".ini")) {
        s.Put("ini_fuzz", name, b);
        s.Put("text_file_fuzz", name, b);
    } else if (EndsWith(name, ".txt") || EndsWith(name, ".csv") || EndsWith(name, ".tsv")) {
        s.Put("text_file_fuzz", name, b);
        if (name.rfind("data/", 0) == 0) s.Put("data_table_fuzz", name, b);
        if (name.rfind("scripts/", 0) == 0) MessageSeeds(s, name, b);
    }
    if (EndsWith(name, ".gxp") && small) s.Put("pack_directory_fuzz", name, b);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <sample folder> <out folder>\n", argv[0]);
        return 2;
    }
    const fs::path sample = argv[1];
    std::map<std::string, Bytes> files;
    std::error_code ec;
    for (const auto& e : fs::recursive_directory_iterator(sample, ec)) {
        if (!e.is_regular_file()) continue;
        const std::string rel = fs::relative(e.path(), sample).generic_string();
        files[rel] = ReadAll(e.path());
    }
    for (const auto& [rel, bytes] : std::map<std::string, Bytes>(files)) {
        if (!EndsWith(rel, ".gxp")) continue;
        GxResetFileSystem();
        if (!GxMountPackFile(GxFromNativePath((sample / rel).string()))) continue;
        for (const std::string& name : PackNames(bytes)) {
            GxBinBuffer buffer;
            if (!GxLoadFile(&buffer, GxFromUtf8(name), false, true, kGxLoadFileAnySize)) continue;
            files[name] = Bytes(buffer.GetData(), buffer.GetData() + buffer.GetSize());
        }
    }
    GxResetFileSystem();
    if (files.empty()) {
        std::fprintf(stderr, "%s: no files in %s\n", argv[0], argv[1]);
        return 1;
    }
    Seeds seeds(argv[2]);
    for (const auto& [name, bytes] : files) SeedsOf(seeds, name, bytes, files);
    // The inputs made of two files.
    const auto modules = files.find("data/db_uimodule.txt"), layouts = files.find("data/db_uilayout.txt");
    if (modules != files.end() && layouts != files.end())
        seeds.Put("ui_screen_fuzz", "screens", Pair(modules->second, layouts->second));
    const auto sysconf = files.find("system/sysconf.ini"), settings = files.find("setting.ini");
    if (sysconf != files.end()) {
        seeds.Put("startup_config_fuzz", "sysconf.ini", Pair(sysconf->second, {}));
        if (settings != files.end())
            seeds.Put("startup_config_fuzz", "sysconf.ini-setting.ini", Pair(sysconf->second, settings->second));
    }
    for (const auto& [target, count] : seeds.Counts()) std::printf("seeds %s: %d\n", target.c_str(), count);
    return 0;
}
