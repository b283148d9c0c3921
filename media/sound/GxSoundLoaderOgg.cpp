#include "media/sound/GxSoundLoaderOgg.h"

#include "base/GxLog.h"
#include "io/GxFileSystem.h"

#include <algorithm>
#include <limits>

GxSoundLoaderOgg::~GxSoundLoaderOgg() { Close(); }

bool GxSoundLoaderOgg::Open(GxStringView name) {
    Close();
    if (!GxFileOpen(&m_File, name)) {
        GxWriteWarningLog(u"Error/GxSoundLoaderOgg::Open ファイルのオープンに失敗しました(%s)\n", name);
        return false;
    }
    return OpenStream(name);
}

bool GxSoundLoaderOgg::OpenStream(GxStringView name) {
    if (!m_Stream.open(this)) {
        GxFileClose(&m_File);
        GxWriteWarningLog(u"Error/GxSoundLoaderOgg::OpenStream ファイルのオープンに失敗しました (%s)\n", name);
        return false;
    }
    if (!m_Stream.seekable()) {
        m_Stream.clear();
        GxWriteWarningLog(u"Error/GxSoundLoaderOgg::OpenStream シーク可能なファイルではありません (%s)\n", name);
        return false;
    }
    const int channels = m_Stream.channels();
    const long rate = m_Stream.rate();
    const s64 total = m_Stream.pcm_total();
    // Lengths are kept in 32 bits of bytes; a stream that claims more (a
    // damaged last page can) is refused rather than wrapped, and so is one of
    // more channels than have a known speaker order.
    // A damaged file whose intact part holds no sound is refused.
    if (channels <= 0 || channels > paudio::max_channels || rate <= 0 || total < 0 ||
        u64(total) * u64(channels) * 2 > std::numeric_limits<u32>::max() || (total == 0 && m_Stream.left_out())) {
        m_Stream.clear();
        GxWriteWarningLog(u"Error/GxSoundLoaderOgg::OpenStream ファイルのオープンに失敗しました (%s)\n", name);
        return false;
    }
    if (m_Stream.left_out())
        GxWriteWarningLog(u"Warning/GxSoundLoaderOgg::OpenStream 壊れた部分を除いて再生します (%s)\n", name);
    m_Format = GxWaveFormat{};
    m_Format.format_tag = paudio::format_pcm;
    m_Format.channels = u16(channels);
    m_Format.samples_per_sec = u32(rate);
    m_Format.bits_per_sample = 16;
    m_Format.block_align = u16(channels * 2);
    m_Format.avg_bytes_per_sec = m_Format.block_align * u32(rate);
    m_Length = u32(total);
    m_End = false;
    return true;
}

void GxSoundLoaderOgg::Close() {
    // Clearing the decoder closes the file through the close callback.
    m_Stream.clear();
    if (m_File.IsOpen()) GxFileClose(&m_File);
    m_Length = 0;
    m_End = false;
}

bool GxSoundLoaderOgg::Read(void* buffer, u32 bytes, u32* bytesRead) {
    if (bytesRead) *bytesRead = 0;
    if (!IsOpen()) return false;
    char* out = static_cast<char*>(buffer);
    u32 done = 0;
    while (done < bytes) {
        const int chunk = int(std::min<u32>(bytes - done, 1u << 30));
        const long got = m_Stream.read(out + done, chunk);
        if (got < 1) {
            m_End = true;
            break;
        }
        done += u32(got);
    }
    if (bytesRead) *bytesRead = done;
    return true;
}

bool GxSoundLoaderOgg::Seek(u32 frame) {
    if (!IsOpen() || !m_Stream.pcm_seek(frame)) return false;
    m_End = false;
    return true;
}

u32 GxSoundLoaderOgg::Tell() {
    const s64 at = m_Stream.pcm_tell();
    return at < 0 ? 0 : u32(std::min<s64>(at, std::numeric_limits<u32>::max()));
}

size_t GxSoundLoaderOgg::read(void* buffer, size_t bytes) {
    return GxFileRead(buffer, u32(std::min<size_t>(bytes, std::numeric_limits<u32>::max())), &m_File);
}

bool GxSoundLoaderOgg::seek(int64_t offset, int origin) {
    if (GxFileSeek(&m_File, offset, u32(origin))) return true;
    GxWriteWarningLog(u"Error/GxSoundLoaderOgg::CallbackSeek Failed\n");
    return false;
}

int64_t GxSoundLoaderOgg::tell() { return GxFileTell(&m_File); }

void GxSoundLoaderOgg::close() {
    if (m_File.IsOpen()) GxFileClose(&m_File);
}
