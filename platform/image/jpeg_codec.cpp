// JPEG through libjpeg-turbo, decoded row by row into blue, green, red,
// alpha bytes for the caller's sink. libjpeg reports errors through longjmp;
// the decoder's buffers live outside the setjmp scope.
//
// Data that is damaged makes libjpeg warn and patch the rest of the picture
// over; such a picture is refused, and refused at the first warning, so that
// a header claiming far more than its data holds is never decoded row after
// empty row. Data that ends where only the end marker is missing is no
// damage: the picture is whole, and shown as it would be with the marker.
// Data that ends anywhere before that is refused as cut short, whatever
// libjpeg was reading there (a header, a table or a scan's header between
// scans, a scan's data), so that the reason logged says the file was cut,
// not that its tables or its size are wrong.
//
// What a picture may cost: its memory is bounded by the caller's size limit
// whatever its data, as the sink's picture and, for a picture of several
// scans, libjpeg's coefficients of the whole picture (two bytes each);
// its time by the blocks its scans cover, held to 16 passes over the
// picture. A Huffman-coded picture also costs data in proportion to its
// blocks, so one whose first scan cannot hold them is refused before any of
// that is spent: as cut short where the data ends inside that scan, as too
// short for its size where a marker follows the scan. Arithmetic coding has
// no such floor (a flat picture of any size codes to a few bytes), and is
// held by the other bounds alone.
#include "platform/image/image.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <new>

#include <jpeglib.h>
// After jpeglib.h, which it needs.
#include <jerror.h>

namespace pimage {

namespace {

// The blocks all scans together may cover, in passes over every block of
// the picture. Encoders write a handful (libjpeg's progressive scans cover
// five or six passes, finer scripts not twice that); a file of many cheap
// scans, which libjpeg would decode one whole pass after another, is
// refused once past it.
constexpr uint64_t kMostPasses = 16;

const char* const kCutShort = "JPEG data cut short";
const char* const kFailed = "JPEG decoding failed";

// What libjpeg's error says is at fault, where that is a part of the file
// rather than the library's own limits.
const char* error_reason(int code) {
    switch (code) {
    case JERR_BAD_HUFF_TABLE:
    case JERR_DHT_INDEX:
    case JERR_DQT_INDEX:
    case JERR_DAC_INDEX:
    case JERR_DAC_VALUE:
    case JERR_NO_HUFF_TABLE:
    case JERR_NO_QUANT_TABLE: return "JPEG tables damaged";
    default: return kFailed;
    }
}

struct error_mgr {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    const char** why = nullptr;
};

// The file's bytes as libjpeg's source. Where they end in a scan's data or
// between segments after the header, libjpeg is given an end marker in
// their place, as its own memory source does, but without that source's
// warning, so that a picture whose end marker alone is missing decodes as it
// would with the marker. Anything missing before it still shows, and is
// refused as cut short: a Huffman decoder that wants bits past the end
// warns, and a scan missing from a picture of several is found once its
// scans are read. Inside a marker segment (a table, a scan's header, a
// comment) the stand-in would be read as the segment's own bytes and the
// cut taken for a damaged table, so a segment cut short is refused at once,
// as is data that ends before the first scan, arithmetic data that runs out
// (it reads zeros past its data by design, so there a cut cannot be told
// from a whole picture) and any read after the stand-in marker.
struct byte_source {
    jpeg_source_mgr base;
    bool in_scans = false;  // the header is read
    bool ran_out = false;   // the stand-in end marker was given
};

[[noreturn]] void refuse(j_decompress_ptr cinfo, const char* why) {
    auto* e = reinterpret_cast<error_mgr*>(cinfo->err);
    if (e->why) *e->why = why;
    (*cinfo->err->error_exit)(reinterpret_cast<j_common_ptr>(cinfo));
    std::abort();  // error_exit never returns
}

void source_start(j_decompress_ptr) {}
void source_end(j_decompress_ptr) {}

boolean source_fill(j_decompress_ptr cinfo) {
    auto* s = reinterpret_cast<byte_source*>(cinfo->src);
    // libjpeg keeps a marker's code in unread_marker while it reads that
    // marker's segment and clears it once the segment is read: it is clear
    // while a scan's data is read and while the next marker is looked for,
    // the only places where the stand-in can stand for what is missing.
    if (s->ran_out || !s->in_scans || cinfo->arith_code || cinfo->unread_marker != 0) refuse(cinfo, kCutShort);
    static const JOCTET end_marker[2] = {0xFF, JPEG_EOI};
    s->base.next_input_byte = end_marker;
    s->base.bytes_in_buffer = sizeof end_marker;
    s->ran_out = true;
    return TRUE;
}

void source_skip(j_decompress_ptr cinfo, long count) {
    if (count <= 0) return;
    auto* s = reinterpret_cast<byte_source*>(cinfo->src);
    if (size_t(count) > s->base.bytes_in_buffer) refuse(cinfo, kCutShort);
    s->base.next_input_byte += count;
    s->base.bytes_in_buffer -= size_t(count);
}

// Tallies the blocks each scan covers as its header is read: libjpeg calls
// this before each piece of work, and before the first row of a new scan.
struct scan_watch {
    jpeg_progress_mgr base;
    int counted = 0;        // the scans tallied
    uint64_t blocks = 0;    // the blocks they cover
    uint64_t budget = 0;    // how many they may cover
    uint32_t covered = 0;   // a bit for each component some scan covers
};

uint64_t component_blocks(const jpeg_component_info& c) { return uint64_t(c.width_in_blocks) * c.height_in_blocks; }

void on_progress(j_common_ptr common) {
    auto* cinfo = reinterpret_cast<j_decompress_ptr>(common);
    auto* w = reinterpret_cast<scan_watch*>(common->progress);
    if (cinfo->input_scan_number == w->counted) return;
    w->counted = cinfo->input_scan_number;
    for (int i = 0; i < cinfo->comps_in_scan; ++i) {
        w->blocks += component_blocks(*cinfo->cur_comp_info[i]);
        w->covered |= 1u << cinfo->cur_comp_info[i]->component_index;
    }
    if (w->blocks > w->budget) refuse(cinfo, "JPEG has too many scans");
}

// Every component has its scans: a progressive picture has every
// coefficient of every component to its last bit, one of sequential scans a
// scan for each component. (One scan of all of them is whole once decoded
// without a warning.)
bool all_scans_read(j_decompress_ptr cinfo, const scan_watch& w) {
    if (!cinfo->progressive_mode) return w.covered == (1u << cinfo->num_components) - 1;
    for (int c = 0; c < cinfo->num_components; ++c)
        for (int k = 0; k < DCTSIZE2; ++k)
            if (cinfo->coef_bits[c][k] != 0) return false;
    return true;
}

// The bytes of the scan data that starts at `data`: up to the first marker
// other than a restart marker (a 0xFF followed by zero is a data byte).
size_t scan_data_bytes(const uint8_t* data, size_t size) {
    for (size_t i = 0; i < size; ++i) {
        if (data[i] != 0xFF) continue;
        size_t next = i + 1;
        while (next < size && data[next] == 0xFF) ++next;
        if (next < size && (data[next] == 0x00 || (data[next] >= 0xD0 && data[next] <= 0xD7))) {
            i = next;
            continue;
        }
        return i;
    }
    return size;
}

// Whether the data ends inside the scan whose data came before `rest`: no
// marker follows it, at most the first byte of one (a marker may be preceded
// by any number of 0xFF fill bytes).
bool ends_in_scan(const uint8_t* rest, size_t size) {
    return std::all_of(rest, rest + size, [](uint8_t b) { return b == 0xFF; });
}

// Whether the first scan's data can hold its blocks. A Huffman code is at
// least a bit long: a sequential block takes a code for its DC and at least
// one for its AC coefficients (an end of block, say), a progressive first
// scan (which libjpeg takes only as the DC scan) one code a block.
bool first_scan_fits(j_decompress_ptr cinfo, size_t data_bytes) {
    if (cinfo->arith_code) return true;
    uint64_t blocks = 0;
    for (int i = 0; i < cinfo->comps_in_scan; ++i) blocks += component_blocks(*cinfo->cur_comp_info[i]);
    const uint64_t bits = blocks * (cinfo->progressive_mode ? 1 : 2);
    return bits <= uint64_t(data_bytes) * 8;
}

void on_error(j_common_ptr cinfo) {
    auto* e = reinterpret_cast<error_mgr*>(cinfo->err);
    if (e->why && *e->why == kFailed) *e->why = error_reason(cinfo->err->msg_code);
    std::longjmp(e->jump, 1);
}
void on_message(j_common_ptr) {}
// Level -1 is a warning: corrupt or missing data.
void on_warning_fatal(j_common_ptr cinfo, int level) {
    if (level >= 0) return;
    const auto* s = reinterpret_cast<const byte_source*>(reinterpret_cast<j_decompress_ptr>(cinfo)->src);
    refuse(reinterpret_cast<j_decompress_ptr>(cinfo), s && s->ran_out ? kCutShort : "JPEG data corrupt");
}

struct jpeg_state {
    jpeg_decompress_struct cinfo{};
    error_mgr err{};
    byte_source src{};
    scan_watch scans{};
    bool created = false;
    const char* why = kFailed;
    std::vector<uint32_t> row;  // the row being decoded
    ~jpeg_state() {
        if (created) jpeg_destroy_decompress(&cinfo);
    }
};

bool looks_like_jpeg(const uint8_t* data, size_t size) {
    return data && size >= 2 && data[0] == 0xFF && data[1] == 0xD8;
}

// Reads the header, then does `then`, which runs inside this setjmp scope so
// that libjpeg's errors during it land here too.
template <class Then>
bool with_header(jpeg_state& st, const uint8_t* data, size_t size, Then then) {
    st.cinfo.err = jpeg_std_error(&st.err.base);
    st.err.base.error_exit = on_error;
    st.err.base.output_message = on_message;
    st.err.base.emit_message = on_warning_fatal;
    st.err.why = &st.why;
    if (setjmp(st.err.jump)) return false;
    jpeg_create_decompress(&st.cinfo);
    st.created = true;
    st.src.base.init_source = source_start;
    st.src.base.fill_input_buffer = source_fill;
    st.src.base.skip_input_data = source_skip;
    st.src.base.resync_to_restart = jpeg_resync_to_restart;
    st.src.base.term_source = source_end;
    st.src.base.next_input_byte = data;
    st.src.base.bytes_in_buffer = size;
    st.cinfo.src = &st.src.base;
    st.scans.base.progress_monitor = on_progress;
    st.cinfo.progress = &st.scans.base;
    if (jpeg_read_header(&st.cinfo, TRUE) != JPEG_HEADER_OK) return false;
    st.src.in_scans = true;
    return then();
}

bool run(jpeg_state& st, const uint8_t* data, size_t size, const size_limit& limit, pixel_sink& out) {
    return with_header(st, data, size, [&] {
        if (!size_acceptable(st.cinfo.image_width, st.cinfo.image_height, limit)) {
            st.why = "JPEG size out of range";
            return false;
        }
        const uint8_t* scan = st.src.base.next_input_byte;
        const size_t left = st.src.base.bytes_in_buffer, held = scan_data_bytes(scan, left);
        if (!first_scan_fits(&st.cinfo, held)) {
            st.why = ends_in_scan(scan + held, left - held) ? kCutShort : "JPEG data too short for its size";
            return false;
        }
        if (st.cinfo.jpeg_color_space == JCS_CMYK || st.cinfo.jpeg_color_space == JCS_YCCK) {
            st.why = "CMYK JPEG not supported";
            return false;
        }
        for (int c = 0; c < st.cinfo.num_components; ++c) st.scans.budget += component_blocks(st.cinfo.comp_info[c]);
        st.scans.budget *= kMostPasses;
        st.cinfo.out_color_space = JCS_EXT_BGRA;
        // A picture of several scans is read whole here.
        jpeg_start_decompress(&st.cinfo);
        if (st.src.ran_out && jpeg_has_multiple_scans(&st.cinfo) && !all_scans_read(&st.cinfo, st.scans)) {
            st.why = kCutShort;
            return false;
        }
        const uint32_t w = st.cinfo.output_width, h = st.cinfo.output_height;
        if (st.cinfo.output_components != 4 || !size_acceptable(w, h, limit)) return false;
        if (!out.begin(w, h)) {
            st.why = "JPEG picture refused";
            return false;
        }
        std::vector<uint32_t>& px = st.row;
        px.resize(w);
        while (st.cinfo.output_scanline < h) {
            const uint32_t y = st.cinfo.output_scanline;
            JSAMPROW row = reinterpret_cast<JSAMPROW>(px.data());
            if (jpeg_read_scanlines(&st.cinfo, &row, 1) != 1) return false;
            for (uint32_t& p : px) p |= 0xFF000000u;
            out.row(y, px.data());
        }
        jpeg_finish_decompress(&st.cinfo);
        return true;
    });
}

} // namespace

bool jpeg_rows(const uint8_t* data, size_t size, pixel_sink& out, const size_limit& limit, std::string* error) {
    if (!looks_like_jpeg(data, size)) {
        if (error) *error = "not a JPEG file";
        return false;
    }
    jpeg_state st;
    if (run(st, data, size, limit, out)) return true;
    if (error) *error = st.why;
    return false;
}

} // namespace pimage
