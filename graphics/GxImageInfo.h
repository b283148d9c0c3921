#pragma once
// An image's size from its header (PNG and DDS are probed without decoding;
// other formats through the image library), and loading a whole image file
// into a scratch surface at its own size.
#include "base/GxTypes.h"
#include "platform/image/image.h"
#include "platform/render/resources.h"

#include <memory>

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

// By the name's extension (".png", ".dds", anything else through the image
// library); the file is found on disk, then in the mounted packs.
bool GxGetImageInfoFromFile(const GxChar* name, GxImageInfo* info);
bool GxGetImageInfoFromMemory(const void* data, u32 size, GxImageInfo* info);
// A scratch surface of the image's size in the format, filled from the file
// unscaled with the colour key. When the surface was made but the image could
// not be loaded into it, it is still handed back in `surface`.
bool GxCreateScratchSurfaceFromFile(const GxChar* name, std::shared_ptr<prender::surface>* surface, u32 format,
                                    GxImageInfo* info, u32 colorKey);
