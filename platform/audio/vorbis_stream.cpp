#include "platform/audio/vorbis_stream.h"

#include "platform/audio/vorbis_pages.h"

#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cstring>
#include <limits>

namespace paudio {
namespace {

// Vorbis orders the speakers of three to eight channels its own way (the
// centre beside the front left, the low-frequency channel last); a WAVE file
// has front left and right first. Entry k names the Vorbis channel that goes
// to WAVE position k.
const uint8_t* wave_order(int channels) {
    static const uint8_t three[] = {0, 2, 1};
    static const uint8_t five[] = {0, 2, 1, 3, 4};
    static const uint8_t six[] = {0, 2, 1, 5, 3, 4};
    static const uint8_t seven[] = {0, 2, 1, 6, 5, 3, 4};
    static const uint8_t eight[] = {0, 2, 1, 7, 5, 6, 3, 4};
    switch (channels) {
    case 3: return three;
    case 5: return five;
    case 6: return six;
    case 7: return seven;
    case 8: return eight;
    default: return nullptr;  // mono, stereo and quadraphonic agree
    }
}

void reorder_frames(char* buffer, long bytes, int channels) {
    const uint8_t* order = wave_order(channels);
    if (!order || bytes <= 0) return;
    const size_t frame = size_t(channels) * 2;
    char in[16];
    for (char* f = buffer; f + frame <= buffer + bytes; f += frame) {
        std::memcpy(in, f, frame);
        for (int k = 0; k < channels; ++k) std::memcpy(f + k * 2, in + order[k] * 2, 2);
    }
}

} // namespace

// The decoder reads a file made of the pages kept alone, end to end: its
// offsets are offsets into that, mapped back to the source's.
struct vorbis_stream::state {
    OggVorbis_File file{};
    vorbis_source* source = nullptr;
    vorbis_pages pages;
    std::vector<int64_t> starts;  // of each kept extent, in the decoder's offsets
    int64_t pos = 0;              // the decoder's offset
    int64_t real = -1;            // where the source stands; -1 unknown

    size_t read(char* out, size_t bytes) {
        size_t done = 0;
        while (done < bytes && pos < pages.kept_bytes) {
            const size_t k = size_t(std::upper_bound(starts.begin(), starts.end(), pos) - starts.begin()) - 1;
            const file_extent& e = pages.kept[k];
            const int64_t inner = pos - starts[k];
            const size_t take = size_t(std::min<int64_t>(int64_t(bytes - done), e.length - inner));
            if (real != e.offset + inner) {
                if (!source->seek(e.offset + inner, 0)) {
                    real = -1;
                    break;
                }
                real = e.offset + inner;
            }
            const size_t got = source->read(out + done, take);
            real += int64_t(got);
            pos += int64_t(got);
            done += got;
            if (got < take) break;
        }
        return done;
    }
    bool seek(int64_t offset, int origin) {
        const int64_t base = origin == 0 ? 0 : origin == 1 ? pos : pages.kept_bytes;
        if (origin < 0 || origin > 2 || offset < -base || offset > pages.kept_bytes - base) return false;
        pos = base + offset;
        return true;
    }
};

namespace {

size_t read_cb(void* ptr, size_t size, size_t count, void* s) {
    if (size == 0 || count == 0) return 0;
    if (count > std::numeric_limits<size_t>::max() / size) count = std::numeric_limits<size_t>::max() / size;
    return static_cast<vorbis_stream::state*>(s)->read(static_cast<char*>(ptr), size * count) / size;
}

int seek_cb(void* s, ogg_int64_t offset, int origin) {
    return static_cast<vorbis_stream::state*>(s)->seek(offset, origin) ? 0 : -1;
}

int close_cb(void* s) {
    static_cast<vorbis_stream::state*>(s)->source->close();
    return 0;
}

long tell_cb(void* s) { return long(static_cast<vorbis_stream::state*>(s)->pos); }

} // namespace

vorbis_stream::vorbis_stream() : m_state(std::make_unique<state>()) {}

vorbis_stream::~vorbis_stream() { clear(); }

bool vorbis_stream::open(vorbis_source* source) {
    clear();
    state& st = *m_state;
    st.source = source;
    st.pos = 0;
    st.real = -1;
    st.starts.clear();
    m_left_out = false;
    if (!source || !find_vorbis_pages(*source, st.pages) || st.pages.kept.empty()) return false;
    m_left_out = st.pages.left_out;
    int64_t at = 0;
    for (const file_extent& e : st.pages.kept) {
        st.starts.push_back(at);
        at += e.length;
    }
    const ov_callbacks callbacks{read_cb, seek_cb, close_cb, tell_cb};
    if (ov_open_callbacks(&st, &st.file, nullptr, 0, callbacks) != 0) return false;
    m_open = true;
    return true;
}

void vorbis_stream::clear() {
    if (!m_open) return;
    ov_clear(&m_state->file);
    m_open = false;
}

bool vorbis_stream::seekable() { return m_open && ov_seekable(&m_state->file) != 0; }

int vorbis_stream::channels() {
    const vorbis_info* info = m_open ? ov_info(&m_state->file, -1) : nullptr;
    return info ? info->channels : 0;
}

long vorbis_stream::rate() {
    const vorbis_info* info = m_open ? ov_info(&m_state->file, -1) : nullptr;
    return info ? info->rate : 0;
}

int64_t vorbis_stream::pcm_total() { return m_open ? ov_pcm_total(&m_state->file, -1) : -1; }

long vorbis_stream::read(char* buffer, int bytes) {
    if (!m_open) return -1;
    int section = 0;
    const long got = ov_read(&m_state->file, buffer, bytes, 0, 2, 1, &section);
    reorder_frames(buffer, got, channels());
    return got;
}

bool vorbis_stream::pcm_seek(int64_t frame) { return m_open && ov_pcm_seek(&m_state->file, frame) == 0; }

int64_t vorbis_stream::pcm_tell() { return m_open ? ov_pcm_tell(&m_state->file) : -1; }

} // namespace paudio
