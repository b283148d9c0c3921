// Image bytes through every reader of the graphics layer: the header probes
// from memory, the PNG decoder (held to the device's largest texture, as the
// game holds it, on a device whose largest is smaller than the game's), and
// a file loaded as a texture, as a tiled texture and as a surface on a
// headless device. Any input must give a result, never a crash, an overread
// or a surface bigger than the image. A JPEG is loaded a second time with
// more than 1 MiB of metadata before its frames, which must change nothing
// about what is loaded.
#include "fuzz/graphics/image_file_names.h"
#include "fuzz/scratch_folder.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxImageInfo.h"
#include "graphics/GxPNG.h"
#include "graphics/GxSurface.h"
#include "graphics/GxTexture.h"
#include "graphics/GxTextureFlex.h"
#include "platform/image/image.h"
#include "platform/render/adapter.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

const char* const kPadded = "padded.jpg";

// Inputs up to 4 MiB: room for a picture with megabytes of metadata before
// its pixels, which the readers walk over wherever it stands.
constexpr size_t kLargestInput = 4u << 20;

// The device's largest texture here, where the game's is 8192 a side: the
// limit is the same code at any size, and a picture of the full size, which
// an arithmetic-coded JPEG of a hundred bytes can rightly be, takes tens of
// seconds through the loads below under the sanitizer, past the fuzzer's
// time for an input.
constexpr u32 kLargestTextureSide = 2048;

// A scratch folder and a started device, made once. The working folder
// stays: the fuzzer reads and writes its corpus by the paths it was given,
// which may be relative.
bool Ready() {
    static bool ready = [] {
        prender::adapter_script script = prender::adapter::default_script();
        script.caps.max_texture_width = script.caps.max_texture_height = kLargestTextureSide;
        GxGraphics::SetAdapter(std::make_unique<prender::adapter>(script));
        return !qfuzz::ScratchFolder().empty() && GxGraphics::Initialize(nullptr, nullptr, nullptr, nullptr);
    }();
    return ready;
}

// The file's absolute path in the scratch folder.
std::u16string Put(const char* name, const uint8_t* data, size_t size) {
    const std::string path = qfuzz::ScratchPath(name);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f) {
        if (size) std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    return std::u16string(path.begin(), path.end());
}

// What loading a file as a texture gave: success and the sizes.
struct Loaded {
    bool ok = false;
    u32 width = 0, height = 0, imageWidth = 0, imageHeight = 0;
    bool operator==(const Loaded&) const = default;
};

Loaded LoadTexture(const std::u16string& path, u32 mipLevels, bool stretch) {
    GxTexture t;
    Loaded r;
    r.ok = t.CreateFromFile(path.c_str(), 0, mipLevels, 0, stretch);
    if (r.ok) {
        r.width = t.GetWidth();
        r.height = t.GetHeight();
        r.imageWidth = t.GetImageWidth();
        r.imageHeight = t.GetImageHeight();
        if (r.width < r.imageWidth || r.height < r.imageHeight) __builtin_trap();
    }
    t.Release();
    return r;
}

// The JPEG with 16 APP15 segments of 65533 bytes each after its start
// marker: its frame header lies past the first MiB. The segments are made
// once; each input only replaces what follows them.
const std::vector<uint8_t>& WithLargeMetadata(const uint8_t* data, size_t size) {
    constexpr int kSegments = 16;
    constexpr size_t kLength = 65535;  // the length field counts itself
    static std::vector<uint8_t> padded;
    static size_t head = 0;
    if (!head) {
        padded = {0xFF, 0xD8};
        for (int i = 0; i < kSegments; ++i) {
            padded.insert(padded.end(), {0xFF, 0xEF, uint8_t(kLength >> 8), uint8_t(kLength & 0xFF)});
            padded.resize(padded.size() + kLength - 2, uint8_t(i));
        }
        head = padded.size();
    }
    padded.resize(head);
    padded.insert(padded.end(), data + 2, data + size);
    return padded;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kLargestInput || !Ready()) return 0;
    GxImageInfo info;
    const bool known = GxGetImageInfoFromMemory(data, u32(size), &info);
    // As the game does before it blends pictures: only what a texture can
    // hold is decoded.
    pimage::image_info header;
    if (pimage::probe_png_header(data, size, header) &&
        pimage::size_acceptable(header.width, header.height, GxLargestTextureSize())) {
        u32 w = 0, h = 0;
        u8* px = GxDecodePNG(data, u32(size), &w, &h);
        if (px && (w == 0 || h == 0 || w != header.width || h != header.height)) __builtin_trap();
        GxFreeDecodedPNG(px);
    }
    const std::u16string path = Put(qfuzz::NameFor(data, size), data, size);
    const u32 mipLevels = size & 1 ? 0 : 1;
    const bool stretch = size & 2;
    const Loaded loaded = LoadTexture(path, mipLevels, stretch);
    GxTextureFlex f;
    f.CreateFromFile(path.c_str(), 0, 0);
    f.Release();
    GxSurface s;
    if (s.CreateFromFile(path.c_str(), 0, 0) && s.GetWidth() != s.GetAskedWidth()) __builtin_trap();
    s.Release();
    if (pimage::detect(data, size) == pimage::file_format::jpeg) {
        const std::vector<uint8_t>& padded = WithLargeMetadata(data, size);
        GxImageInfo paddedInfo;
        if (GxGetImageInfoFromMemory(padded.data(), u32(padded.size()), &paddedInfo) != known ||
            paddedInfo.m_Width != info.m_Width || paddedInfo.m_Height != info.m_Height)
            __builtin_trap();
        // Loaded under the JPEG's own name, so that its segments are walked
        // from the file.
        const Loaded again = LoadTexture(Put(kPadded, padded.data(), padded.size()), mipLevels, stretch);
        if (qfuzz::NameFor(data, size) == qfuzz::kImageFileNames[2] && !(again == loaded)) __builtin_trap();
    }
    return 0;
}
