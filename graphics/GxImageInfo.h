#pragma once
// An image's size from its header (PNG and DDS are probed without decoding;
// other formats through the image library), and loading a whole image file
// into a scratch surface at its own size.
#include "base/GxTypes.h"
#include "io/GxBinBuffer.h"
#include "platform/image/image.h"
#include "platform/render/adapter.h"
#include "platform/render/resources.h"

#include <memory>

// The largest picture file read whole (358 962 517 bytes). No picture wider
// or taller than the device's largest texture can be shown, so no file needs
// more than such a texture's pixels at 4 bytes each, the third more that a
// DDS's full mip chain adds (1/4 + 1/16 + ... stays under 1/3), and 1 MiB for
// what a container adds around them (headers, palettes, chunk framing,
// metadata).
inline constexpr u32 kGxLargestPictureFileSize = [] {
    constexpr u64 pixels = u64(prender::largest_texture_side) * prender::largest_texture_side * 4;
    constexpr u64 bytes = pixels + pixels / 3 + (1u << 20);
    static_assert(bytes < 0xFFFFFFFFull);
    return u32(bytes);
}();

struct GxImageInfo {
    u32 m_Width = 0;
    u32 m_Height = 0;
    // 0 from the PNG probe, the DDS header's depth, 1 for another flat image
    // read from a file, 0 for one read from memory.
    u32 m_Depth = 0;
};

// The device's largest texture, which every picture the graphics layer
// decodes is held to: a larger one is refused from its header.
pimage::size_limit GxLargestTextureSize();

// By the name's extension (".png", ".dds", anything else by its contents);
// the file is found on disk, then in the mounted packs. Only the head of the
// file is read, or for a JPEG its segments' markers and lengths up to the
// frame header. A file larger than largestFile (a kind of picture that can
// mean less, a thumbnail, passes its own) is refused with one line naming it,
// before anything is read; one whose header the image library refuses, with
// one line naming it and the library's reason.
bool GxGetImageInfoFromFile(const GxChar* name, GxImageInfo* info, u32 largestFile = kGxLargestPictureFileSize);
// Loads a picture file whole, through the file cache; one larger than
// kGxLargestPictureFileSize is refused before anything is allocated, with the
// file layer's line naming it.
bool GxLoadPictureFile(GxBinBuffer* out, const GxChar* name);
bool GxGetImageInfoFromMemory(const void* data, u32 size, GxImageInfo* info);
// A scratch surface of the image's size in the format, filled from the file
// unscaled with the colour key, the rows decoded straight into it. When the surface was made but the image could
// not be loaded into it, it is still handed back in `surface`.
bool GxCreateScratchSurfaceFromFile(const GxChar* name, std::shared_ptr<prender::surface>* surface, u32 format,
                                    GxImageInfo* info, u32 colorKey);
