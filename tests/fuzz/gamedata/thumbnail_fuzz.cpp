// Any bytes as a save slot's thumbnail, read as the load page reads it: the
// slot's file is opened when it can be, told a thumbnail from its header and
// loaded into a texture on a headless device. Only a thumbnail as the save
// writes them loads: one file told a thumbnail, within the size read, making
// a texture of 128 x 96.
#include "base/GxStringUtil.h"
#include "fuzz/scratch_folder.h"
#include "gamedata/GxSaveSlot.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxTexture.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// The first slot's thumbnail in the scratch folder.
std::string Native() {
    const GxString dir = GxFromNativePath(qfuzz::ScratchPath(""));
    return GxToNativePath(GxSaveSlot::ThumbnailPath(dir, GxSaveSlot::FileNumber(0, 0)));
}

// A scratch folder and a started device, made once.
bool Ready() {
    static bool ready =
        !qfuzz::ScratchFolder().empty() && GxGraphics::Initialize(nullptr, nullptr, nullptr, nullptr);
    return ready;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Room past the largest file a thumbnail is read from, for its refusal.
    if (size > 2 * size_t(GxSaveSlot::kThumbnailFileSize) || !Ready()) return 0;
    const std::string native = Native();
    FILE* f = std::fopen(native.c_str(), "wb");
    if (!f) return 0;
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);

    const GxString path = GxFromNativePath(native);
    GxTexture texture;
    if (GxCanOpenFile(path) && GxSaveSlot::LoadThumbnail(path, &texture)) {
        if (size > GxSaveSlot::kThumbnailFileSize || !GxSaveSlot::IsThumbnailFile(path) ||
            texture.GetImageWidth() != u32(GxSaveSlot::kThumbnailWidth) ||
            texture.GetImageHeight() != u32(GxSaveSlot::kThumbnailHeight) ||
            texture.GetWidth() < texture.GetImageWidth() || texture.GetHeight() < texture.GetImageHeight())
            __builtin_trap();
    }
    texture.Release();
    return 0;
}
