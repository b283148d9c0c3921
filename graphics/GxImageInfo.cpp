#include "graphics/GxImageInfo.h"

#include "base/GxLog.h"
#include "base/GxStringUtil.h"
#include "graphics/GxD3DErrorText.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxGraphicsTypes.h"
#include "io/GxFileSystem.h"
#include "platform/image/image.h"
#include "platform/image/surface_io.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace {

// Bytes the header probes need: PNG signature and IHDR size; DDS up to the
// depth field.
constexpr u32 kPngProbeBytes = 24;
constexpr u32 kDdsProbeBytes = 28;
// The head of any other picture file that is read for its size, far more
// than a BMP's or TGA's headers take. A JPEG's segments are walked instead,
// whatever metadata comes before its frame header.
constexpr u32 kHeadBytes = 1u << 20;

enum class HeaderKind { Png, Dds, Other };

bool ProbeFileHeader(GxFileHandle& file, const GxChar* name, HeaderKind kind, GxImageInfo* info) {
    u8 header[128] = {};
    const u32 wanted = kind == HeaderKind::Png ? 32 : 128;
    const u32 needed = kind == HeaderKind::Png ? kPngProbeBytes : kDdsProbeBytes;
    const u32 got = GxFileRead(header, wanted, &file);
    if (got < needed) {
        GxWriteErrorLog(u"Error/GetInfoFromFile Read error(Name:%s)\n", name);
        return false;
    }
    pimage::image_info probe;
    if (kind == HeaderKind::Png) {
        if (!pimage::probe_png_header(header, got, probe)) {
            GxWriteErrorLog(u"Error/GetInfoFromFile This file is not PNG image(Name:%s)\n", name);
            return false;
        }
        info->m_Depth = 0;
    } else {
        if (!pimage::probe_dds_header(header, got, probe)) {
            GxWriteErrorLog(u"Error/GetInfoFromFile This file is not DDS image(Name:%s)\n", name);
            return false;
        }
        info->m_Depth = probe.depth;
    }
    info->m_Width = probe.width;
    info->m_Height = probe.height;
    return true;
}

// Any other format, told by its contents, from the head of the file, or
// from its segments for a JPEG.
bool ProbeFileHead(GxFileHandle& file, const GxChar* name, GxImageInfo* info) {
    u8 start[3] = {};
    const u32 got = GxFileRead(start, 3, &file);
    pimage::image_info probe;
    std::string why;
    bool known = false;
    if (pimage::detect(start, got) == pimage::file_format::jpeg) {
        const pimage::byte_reader fromFile = [&](u64 offset, u8* out, size_t count) -> size_t {
            if (!GxFileSeek(&file, s64(offset), kGxSeekBegin)) return 0;
            return GxFileRead(out, u32(count), &file);
        };
        known = pimage::probe_jpeg_segments(file.GetSize(), fromFile, probe, &why);
    } else {
        std::vector<u8> head(std::min(file.GetSize(), kHeadBytes));
        head.resize(head.empty() || !GxFileSeek(&file, 0, kGxSeekBegin)
                        ? 0
                        : GxFileRead(head.data(), u32(head.size()), &file));
        known = pimage::read_info(head.data(), head.size(), probe, &why);
    }
    if (!known) {
        // The reader's reason after the name, as the line from memory gives it.
        GxWriteErrorLog(u"Error/GetInfoFromFile Failed(Name:%s,%s)\n", name, GxFromUtf8(why));
        return false;
    }
    info->m_Width = probe.width;
    info->m_Height = probe.height;
    info->m_Depth = probe.depth;
    return true;
}

} // namespace

pimage::size_limit GxLargestTextureSize() {
    const prender::device_caps& caps = GxGraphics::GetCaps();
    return {caps.max_texture_width, caps.max_texture_height};
}

bool GxGetImageInfoFromFile(const GxChar* name, GxImageInfo* info, u32 largestFile) {
    GxImageInfo dummy;
    if (!info) info = &dummy;
    *info = GxImageInfo{};
    if (!name) name = u"";
    const HeaderKind kind = GxHasFileExtension(name, u".png")   ? HeaderKind::Png
                            : GxHasFileExtension(name, u".dds") ? HeaderKind::Dds
                                                                : HeaderKind::Other;
    GxFileHandle file;
    if (!GxFileOpen(&file, name)) {
        if (kind != HeaderKind::Other)
            GxWriteErrorLog(u"Error/GetInfoFromFile Open error(Name:%s)\n", name);
        else
            GxWriteErrorLog(u"Error/GetInfoFromFile Failed(Name:%s,%s)\n", name,
                            GxFileExists(name) == kGxFileNotFound ? u"file not found" : u"file cannot be opened");
        return false;
    }
    // A file longer than its kind can mean is refused before it is read.
    const bool ok = !GxRefuseTooLargeFile(file, largestFile, name, false) &&
                    (kind == HeaderKind::Other ? ProbeFileHead(file, name, info) : ProbeFileHeader(file, name, kind, info));
    GxFileClose(&file);
    if (!ok) *info = GxImageInfo{};
    return ok;
}

bool GxLoadPictureFile(GxBinBuffer* out, const GxChar* name) {
    return GxLoadFile(out, name ? name : u"", true, false, kGxLargestPictureFileSize);
}

bool GxGetImageInfoFromMemory(const void* data, u32 size, GxImageInfo* info) {
    GxImageInfo dummy;
    if (!info) info = &dummy;
    *info = GxImageInfo{};
    const u8* bytes = static_cast<const u8*>(data);
    pimage::image_info probe;
    if (bytes && pimage::probe_png_header(bytes, size, probe)) {
        info->m_Width = probe.width;
        info->m_Height = probe.height;
        return true;
    }
    if (bytes && pimage::probe_dds_header(bytes, size, probe)) {
        info->m_Width = probe.width;
        info->m_Height = probe.height;
        info->m_Depth = probe.depth;
        return true;
    }
    if (bytes && pimage::read_info(bytes, size, probe)) {
        info->m_Width = probe.width;
        info->m_Height = probe.height;
        return true;
    }
    GxWriteErrorLog(u"Error/GetInfoFromMemory Failed(Addr:%08x,size:%u,%s)\n", u32(reinterpret_cast<uintptr_t>(data)),
                    size, GxGetD3DErrorText(kGxResultInvalidData));
    return false;
}

bool GxCreateScratchSurfaceFromFile(const GxChar* name, std::shared_ptr<prender::surface>* surface, u32 format,
                                    GxImageInfo* info, u32 colorKey) {
    GxImageInfo dummy;
    if (!info) info = &dummy;
    if (surface) surface->reset();
    if (!name) name = u"";
    if (!GxGetImageInfoFromFile(name, info)) return false;
    // The surface is made once the decoder has checked the header, and the
    // rows are decoded straight into it: no other copy of the picture is
    // made. A file whose data runs out leaves the surface half written.
    prender::device* dev = GxGraphics::GetDevice();
    std::shared_ptr<prender::surface> made;
    std::optional<pimage::surface_writer> writer;
    prender::result r = prender::result::ok;
    pimage::chosen_sink sink([&](u32 width, u32 height) -> pimage::pixel_sink* {
        r = dev ? dev->create_offscreen_plain_surface(width, height, GxToDeviceFormat(format), prender::pool::scratch,
                                                      made)
                : prender::result::invalid_call;
        if (prender::failed(r)) return nullptr;
        return &writer.emplace(*made, colorKey);
    });
    GxBinBuffer bytes;
    std::string why;
    const bool decoded = GxLoadPictureFile(&bytes, name) &&
                         pimage::decode(bytes.GetData(), bytes.GetSize(), sink, GxLargestTextureSize(), &why);
    if (prender::failed(r)) {
        GxWriteErrorLog(u"Error/CreateScratchSurfaceFromFile Failed(Name:\"%s\" %s)\n", name,
                        GxGetD3DErrorText(GxResultCode(r)));
        return false;
    }
    if (surface) *surface = made;
    if (!decoded) {
        // The decoder's reason, where it gave one; a file that could not be
        // read was named by the file layer.
        if (why.empty())
            GxWriteErrorLog(u"Error/ImageLoadFromFile Failed(Name:\"%s\")\n", name);
        else
            GxWriteErrorLog(u"Error/ImageLoadFromFile Failed(Name:\"%s\" %s)\n", name, GxFromUtf8(why));
        return false;
    }
    return true;
}
