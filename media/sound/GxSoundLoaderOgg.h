#pragma once
// Ogg Vorbis files decoded through vorbisfile, whose reads go through the
// file layer (on disk or in a pack). Delivers 16-bit PCM.
#include "io/GxFileHandle.h"
#include "media/sound/GxSoundLoaderBase.h"
#include "platform/audio/vorbis_stream.h"

class GxSoundLoaderOgg : public GxSoundLoaderBase, private paudio::vorbis_source {
public:
    ~GxSoundLoaderOgg() override;

    // Opens the file, then the stream (OpenStream).
    bool Open(GxStringView name) override;
    void Close() override;
    bool IsOpen() const override { return m_Stream.is_open(); }
    bool Read(void* buffer, u32 bytes, u32* bytesRead) override;
    bool Seek(u32 frame) override;
    // The frame the next read delivers.
    u32 Tell() override;
    bool IsEnd() override { return m_End; }
    u32 GetLengthSamples() override { return m_Length; }
    u32 GetLengthBytes() override { return m_Length * m_Format.block_align; }
    int GetType() const override { return kTypeOgg; }

private:
    // The decoder over the open file; only the file's intact pages are given
    // to it (paudio::find_vorbis_pages), and a file with parts left out is
    // named in one warning line.
    bool OpenStream(GxStringView name);
    // The decoder's reads of the file.
    size_t read(void* buffer, size_t bytes) override;
    bool seek(int64_t offset, int origin) override;
    int64_t tell() override;
    void close() override;

    GxFileHandle m_File;
    paudio::vorbis_stream m_Stream;
    u32 m_Length = 0;
    bool m_End = false;
};
