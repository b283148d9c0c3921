#include "media/sound/GxSoundLoaderWav.h"

#include "base/GxLog.h"
#include "io/GxFileSystem.h"

#include <algorithm>
#include <cstring>

namespace {

u32 ReadU32(const u8* p) { return u32(p[0]) | u32(p[1]) << 8 | u32(p[2]) << 16 | u32(p[3]) << 24; }
u16 ReadU16(const u8* p) { return u16(p[0] | p[1] << 8); }

constexpr u32 kPcmFormatBytes = 16;

// Channels, bits and block alignment of the PCM format chunk as the mixer
// takes them: up to eight channels, each sample whole bytes of up to 32 bits.
bool PlayableLayout(const u8* pcm) {
    const u32 channels = ReadU16(pcm + 2), block = ReadU16(pcm + 12), bits = ReadU16(pcm + 14);
    return channels >= 1 && channels <= paudio::max_channels && bits >= 1 && bits <= 32 &&
           block == channels * ((bits + 7) / 8);
}

// Four printable characters, as every chunk id is.
bool IsChunkId(const u8* p) {
    for (int i = 0; i < 4; ++i)
        if (p[i] < 0x20 || p[i] > 0x7E) return false;
    return true;
}

} // namespace

GxSoundLoaderWav::~GxSoundLoaderWav() { Close(); }

void GxSoundLoaderWav::Close() {
    if (m_File.IsOpen()) GxFileClose(&m_File);
    m_Open = false;
    m_DataOffset = m_DataSize = m_BytesLeft = 0;
}

bool GxSoundLoaderWav::Open(GxStringView name) {
    Close();
    if (!GxFileOpen(&m_File, name)) return false;
    u8 riff[12];
    if (GxFileRead(riff, sizeof riff, &m_File) != sizeof riff || std::memcmp(riff, "RIFF", 4) != 0 ||
        std::memcmp(riff + 8, "WAVE", 4) != 0) {
        Close();
        GxWriteWarningLog(u"Error/GxSoundLoaderWav::Open riffヘッダが見つかりません(%s)\n", name);
        return false;
    }
    if (!ReadChunks(name, u64(ReadU32(riff + 4)) + 8)) {
        Close();
        return false;
    }
    GxFileSeek(&m_File, m_DataOffset, kGxSeekBegin);
    m_Open = true;
    return true;
}

bool GxSoundLoaderWav::ReadChunks(GxStringView name, u64 riffEnd) {
    // Chunks may come in any order.
    // Every size is checked against the file, which may end before the RIFF
    // size says (a recording cut short keeps the sound it has).
    const u64 end = std::min<u64>(riffEnd, m_File.GetSize());
    bool haveFormat = false, haveData = false;
    u64 dataOffset = 0, dataSize = 0;
    for (u64 pos = 12; pos + 8 <= end;) {
        u8 header[8];
        if (!GxFileSeek(&m_File, s64(pos), kGxSeekBegin) || GxFileRead(header, 8, &m_File) != 8) break;
        const u64 size = ReadU32(header + 4);
        const u64 body = pos + 8;
        if (!haveFormat && std::memcmp(header, "fmt ", 4) == 0) {
            u8 pcm[kPcmFormatBytes];
            if (size < kPcmFormatBytes || GxFileRead(pcm, kPcmFormatBytes, &m_File) != kPcmFormatBytes ||
                ReadU16(pcm) != paudio::format_pcm || !PlayableLayout(pcm)) {
                // Not PCM, or samples laid out as no player takes them (a
                // block alignment of 0 would also divide every length).
                GxWriteWarningLog(
                    u"Error/GxSoundLoaderWav::Open PCMWAVEFORMATヘッダが読み込めませんでした。未対応の形式です(%s)\n", name);
                return false;
            }
            m_Format = GxWaveFormat{};
            m_Format.format_tag = paudio::format_pcm;
            m_Format.channels = ReadU16(pcm + 2);
            m_Format.samples_per_sec = ReadU32(pcm + 4);
            m_Format.avg_bytes_per_sec = ReadU32(pcm + 8);
            m_Format.block_align = ReadU16(pcm + 12);
            m_Format.bits_per_sample = ReadU16(pcm + 14);
            haveFormat = true;
        } else if (!haveData && std::memcmp(header, "data", 4) == 0) {
            dataOffset = body;
            dataSize = std::min<u64>(size, m_File.GetSize() - body);
            haveData = true;
        }
        if (haveFormat && haveData) break;
        pos = body + size;
        // An odd size is followed by a pad byte, which some writers leave
        // out. A pad byte is 0, and no chunk id begins with one: the padded
        // position is taken only when a 0 stands first and a chunk id after
        // it, else the next chunk follows at once.
        if (size & 1) {
            u8 padAndId[5];
            if (GxFileSeek(&m_File, s64(pos), kGxSeekBegin) && GxFileRead(padAndId, 5, &m_File) == 5 &&
                padAndId[0] == 0 && IsChunkId(padAndId + 1))
                ++pos;
        }
    }
    if (!haveFormat) {
        GxWriteWarningLog(u"Error/GxSoundLoaderWav::Open riffヘッダが見つかりません(%s)\n", name);
        return false;
    }
    if (!haveData) {
        GxWriteWarningLog(u"Error/GxSoundLoaderWav::Open dataチャンクが見つかりません。ファイルが壊れています(%s)\n", name);
        return false;
    }
    m_DataOffset = u32(dataOffset);
    m_DataSize = u32(dataSize - dataSize % m_Format.block_align);
    m_BytesLeft = m_DataSize;
    return true;
}

bool GxSoundLoaderWav::Read(void* buffer, u32 bytes, u32* bytesRead) {
    if (bytesRead) *bytesRead = 0;
    if (!m_Open) return false;
    const u32 got = GxFileRead(buffer, std::min(bytes, m_BytesLeft), &m_File);
    m_BytesLeft -= got;
    if (bytesRead) *bytesRead = got;
    return true;
}

bool GxSoundLoaderWav::Seek(u32 frame) {
    if (!m_Open) return false;
    const u64 pos = u64(frame) * m_Format.block_align;
    if (pos > m_DataSize || !GxFileSeek(&m_File, s64(m_DataOffset + pos), kGxSeekBegin)) return false;
    m_BytesLeft = m_DataSize - u32(pos);
    return true;
}

u32 GxSoundLoaderWav::Tell() { return m_Format.block_align ? (m_DataSize - m_BytesLeft) / m_Format.block_align : 0; }

u32 GxSoundLoaderWav::GetLengthSamples() { return m_Format.block_align ? m_DataSize / m_Format.block_align : 0; }
