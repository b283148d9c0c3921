// Image bytes through every reader of the graphics layer: the header probes
// from memory, the PNG decoder (held to the device's largest texture, as the
// game holds it), and a file loaded as a texture, as a tiled texture and as a
// surface on a headless device. Any input must give a result, never a crash,
// an overread or a surface bigger than the image.
#include "graphics/GxGraphics.h"
#include "graphics/GxImageInfo.h"
#include "graphics/GxPNG.h"
#include "graphics/GxSurface.h"
#include "graphics/GxTexture.h"
#include "graphics/GxTextureFlex.h"
#include "platform/image/image.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

char g_Dir[] = "/tmp/quillon-fuzz-XXXXXX";

void RemoveDir() {
    for (const char* name : {"f.png", "f.dds", "f.img"}) {
        std::string path = std::string(g_Dir) + "/" + name;
        std::remove(path.c_str());
    }
    rmdir(g_Dir);
}

// A scratch folder (removed at exit) and a started device, made once. The
// working folder stays: the fuzzer reads and writes its corpus by the paths
// it was given, which may be relative.
bool Ready() {
    static bool ready = [] {
        if (!mkdtemp(g_Dir)) return false;
        std::atexit(RemoveDir);
        return GxGraphics::Initialize(nullptr, nullptr, nullptr, nullptr);
    }();
    return ready;
}

// The file's absolute path in the scratch folder.
std::string Put(const char* name, const uint8_t* data, size_t size) {
    const std::string path = std::string(g_Dir) + "/" + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return path;
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20) || !Ready()) return 0;
    GxImageInfo info;
    GxGetImageInfoFromMemory(data, u32(size), &info);
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
    // The name decides which header probe runs first.
    static const char* const names[] = {"f.png", "f.dds", "f.img"};
    const char* name = names[size ? data[0] % 3 : 0];
    const std::string path = Put(name, data, size);
    const std::u16string wide(path.begin(), path.end());
    GxTexture t;
    if (t.CreateFromFile(wide.c_str(), 0, size & 1 ? 0 : 1, 0, size & 2) &&
        (t.GetWidth() < t.GetImageWidth() || t.GetHeight() < t.GetImageHeight()))
        __builtin_trap();
    t.Release();
    GxTextureFlex f;
    f.CreateFromFile(wide.c_str(), 0, 0);
    f.Release();
    GxSurface s;
    if (s.CreateFromFile(wide.c_str(), 0, 0) && s.GetWidth() != s.GetAskedWidth()) __builtin_trap();
    s.Release();
    return 0;
}
