// Picture files blended into one texture, as a layer shows a picture of
// several files (GxTexture::CreateFromFileMultiBlend): the input is up to
// four files, each ended by "|blend|" but the last, the first the base.
// Any input must give a result, never a crash, an overread or a huge
// allocation; a blend that succeeds has the base's size, and laying
// pictures over the base never makes a pixel of it more transparent.
#include "fuzz/scratch_folder.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxGraphicsTypes.h"
#include "graphics/GxPNG.h"
#include "graphics/GxTexture.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr char kSeparator[] = "|blend|";
constexpr size_t kSeparatorSize = sizeof kSeparator - 1;
constexpr size_t kMostFiles = 4;

bool Ready() {
    static bool ready =
        !qfuzz::ScratchFolder().empty() && GxGraphics::Initialize(nullptr, nullptr, nullptr, nullptr);
    return ready;
}

// The input cut at each separator into at most kMostFiles pieces.
std::vector<std::vector<uint8_t>> Split(const uint8_t* data, size_t size) {
    std::vector<std::vector<uint8_t>> files;
    const uint8_t* end = data + size;
    while (files.size() + 1 < kMostFiles) {
        const uint8_t* at = std::search(data, end, kSeparator, kSeparator + kSeparatorSize);
        if (at == end) break;
        files.emplace_back(data, at);
        data = at + kSeparatorSize;
    }
    files.emplace_back(data, end);
    return files;
}

// The file's name in the scratch folder, as a layer's picture of several
// files names its pieces: PNGs.
GxString Put(size_t index, const std::vector<uint8_t>& bytes) {
    const std::string path = qfuzz::ScratchPath("piece" + std::to_string(index) + ".png");
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    return GxString(path.begin(), path.end());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (4u << 20) || !Ready()) return 0;
    const std::vector<std::vector<uint8_t>> pieces = Split(data, size);
    std::vector<GxString> files;
    for (size_t i = 0; i < pieces.size(); ++i) files.push_back(Put(i, pieces[i]));
    // The layers blend into the device's own format; the last bit of the
    // input also tries a 16-bit one.
    const u32 format = size && (data[size - 1] & 1) ? kGxFmtA4R4G4B4 : 0;
    GxTexture t;
    const bool blended = t.CreateFromFileMultiBlend(files[0].c_str(), files, format, 1);
    if (blended) {
        // The base alone, as a texture could hold it (the blend took it so).
        u32 w = 0, h = 0;
        u8* base = GxDecodePNG(pieces[0].data(), u32(pieces[0].size()), &w, &h);
        if (!base || t.GetImageWidth() != w || t.GetImageHeight() != h || t.GetWidth() < w || t.GetHeight() < h)
            __builtin_trap();
        if (t.GetFormat() == kGxFmtA8R8G8B8) {
            const std::vector<uint32_t> shown = t.GetD3DTexture()->surface_level(0)->read_argb();
            for (u32 y = 0; y < h; ++y)
                for (u32 x = 0; x < w; ++x)
                    if ((shown[size_t(y) * t.GetWidth() + x] >> 24) < base[(size_t(y) * w + x) * 4 + 3]) __builtin_trap();
        }
        GxFreeDecodedPNG(base);
    }
    t.Release();
    return 0;
}
