#pragma once
// Reads the compressed content form: a 28-byte header (magic, little-endian
// version and inflated size) and a zlib stream whose inflated bytes are values
// in the binary form. The header inflates the whole body at once; every other
// operation is the binary reader's, over the inflated bytes.
#include "io/GxContentBinaryReader.h"

class GxContentCompressedBinaryReader : public GxContentBinaryReader {
public:
    // The largest inflated body accepted: a header that asks for more is refused.
    static constexpr u32 kMaxInflatedSize = 256u * 1024 * 1024;

    GxContentCompressedBinaryReader(const GxBinBuffer& buffer, bool verbose);
    GxContentCompressedBinaryReader(const u8* data, u32 size, bool verbose);

    // Replaces the compressed data; ReadHeader must follow.
    void SetBuffer(const u8* data, u32 size) override;
    bool ReadHeader(const char* magic, u32* version) override;

private:
    const u8* m_Compressed = nullptr;
    u32 m_CompressedSize = 0;
    GxBinBuffer m_Inflated;
};
