#include "tools/builders/OggVorbisWriter.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>

namespace qtest {
namespace {

void Append(std::vector<uint8_t>& out, const ogg_page& page) {
    out.insert(out.end(), page.header, page.header + page.header_len);
    out.insert(out.end(), page.body, page.body + page.body_len);
}

} // namespace

std::vector<uint8_t> EncodeOggVorbis(const std::vector<int16_t>& samples, const OggVorbisSpec& spec) {
    std::vector<uint8_t> out;
    if (spec.channels == 0) return out;
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, spec.channels, long(spec.rate), spec.quality) != 0) {
        vorbis_info_clear(&info);
        return out;
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, spec.serial);

    ogg_packet header, commentHeader, codeHeader;
    vorbis_analysis_headerout(&dsp, &comment, &header, &commentHeader, &codeHeader);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &commentHeader);
    ogg_stream_packetin(&stream, &codeHeader);
    ogg_page page;
    // The headers end a page of their own, so audio starts on a fresh page.
    while (ogg_stream_flush(&stream, &page) != 0) Append(out, page);

    const size_t frames = samples.size() / spec.channels;
    constexpr size_t kChunk = 4096;
    for (size_t start = 0;;) {
        const size_t n = std::min(kChunk, frames - start);
        if (n == 0) {
            vorbis_analysis_wrote(&dsp, 0);  // the end of the stream
        } else {
            float** buffer = vorbis_analysis_buffer(&dsp, int(n));
            for (size_t f = 0; f < n; ++f)
                for (uint16_t c = 0; c < spec.channels; ++c)
                    buffer[c][f] = float(samples[(start + f) * spec.channels + c]) / 32768.0f;
            vorbis_analysis_wrote(&dsp, int(n));
            start += n;
        }
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet) == 1) {
                ogg_stream_packetin(&stream, &packet);
                while (ogg_stream_pageout(&stream, &page) != 0) Append(out, page);
            }
        }
        if (n == 0) break;
    }
    while (ogg_stream_flush(&stream, &page) != 0) Append(out, page);
    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return out;
}

} // namespace qtest
