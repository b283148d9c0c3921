#include "io/GxContentCompressedBinaryReader.h"

#include "base/GxLog.h"

#include <cstring>
#include <zlib.h>

namespace {

constexpr u32 kHeaderSize = 28;
// Deflate cannot expand a byte of input into more than 1032 bytes of output;
// a size beyond that (plus the stream's own framing) cannot be real.
constexpr u64 kDeflateMaxRatio = 1032;

u32 LoadLE32(const u8* p) { return u32(p[0]) | u32(p[1]) << 8 | u32(p[2]) << 16 | u32(p[3]) << 24; }

} // namespace

GxContentCompressedBinaryReader::GxContentCompressedBinaryReader(const GxBinBuffer& buffer, bool verbose)
    : GxContentCompressedBinaryReader(buffer.GetData(), buffer.GetSize(), verbose) {}

GxContentCompressedBinaryReader::GxContentCompressedBinaryReader(const u8* data, u32 size, bool verbose)
    : GxContentBinaryReader("GxContentCompressedBinaryReader", verbose) {
    GxContentCompressedBinaryReader::SetBuffer(data, size);
}

void GxContentCompressedBinaryReader::SetBuffer(const u8* data, u32 size) {
    m_Compressed = data;
    m_CompressedSize = data ? size : 0;
    m_Inflated.Free();
    m_Pos = m_End = nullptr;
}

bool GxContentCompressedBinaryReader::ReadHeader(const char* magic, u32* version) {
    if (m_CompressedSize < kHeaderSize) {
        Complain(m_Verbose, GxFormatA("GxContentCompressedBinaryReader/Header Size Error\n"));
        return false;
    }
    char field[17];
    std::memcpy(field, m_Compressed, 16);
    field[16] = 0;
    if (std::strcmp(field, magic ? magic : "") != 0) {
        Complain(m_Verbose, GxFormatA("GxContentCompressedBinaryReader/FileHeader Isn't %s\n", magic ? magic : ""));
        return false;
    }
    const u32 v = LoadLE32(m_Compressed + 16);
    const u32 size = LoadLE32(m_Compressed + 20);
    const u32 packed = m_CompressedSize - kHeaderSize;
    // The stated size is checked against what the compressed bytes could hold
    // before anything is allocated.
    if (size > kMaxInflatedSize || u64(size) > u64(packed) * kDeflateMaxRatio + 64) {
        Complain(m_Verbose, GxFormatA("GxContentCompressedBinaryReader/Header Size Error\n"));
        return false;
    }
    m_Version = v;
    if (version) *version = v;

    u8* out = m_Inflated.Alloc(size);
    uLongf outLen = size;
    const int rc = uncompress(out ? out : reinterpret_cast<Bytef*>(field), &outLen, m_Compressed + kHeaderSize, packed);
    m_Pos = out;
    m_End = out ? out + size : nullptr;
    if (rc != Z_OK) {
        Complain(m_Verbose, GxFormatA("GxContentCompressedBinaryReader/Uncompress Failed Code(%d)\n", rc));
    }
    return true;
}
