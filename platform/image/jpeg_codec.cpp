// JPEG through libjpeg-turbo, decoded row by row into blue, green, red,
// alpha bytes for the caller's sink. libjpeg reports errors through longjmp;
// the decoder's buffers live outside the setjmp scope.
//
// Data that runs out or is damaged makes libjpeg warn and patch the rest of
// the picture over; such a picture is refused, and refused at the first
// warning, so that a header claiming far more than its data holds is never
// decoded row after empty row.
#include "platform/image/image.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <new>

#include <jpeglib.h>

namespace pimage {

namespace {

struct error_mgr {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    const char** why = nullptr;
};

void on_error(j_common_ptr cinfo) {
    auto* e = reinterpret_cast<error_mgr*>(cinfo->err);
    std::longjmp(e->jump, 1);
}
void on_message(j_common_ptr) {}
// Level -1 is a warning: corrupt or missing data.
void on_warning_fatal(j_common_ptr cinfo, int level) {
    if (level >= 0) return;
    auto* e = reinterpret_cast<error_mgr*>(cinfo->err);
    if (e->why) *e->why = "JPEG data corrupt";
    std::longjmp(e->jump, 1);
}

struct jpeg_state {
    jpeg_decompress_struct cinfo{};
    error_mgr err{};
    bool created = false;
    const char* why = "JPEG decoding failed";
    std::vector<uint32_t> row;  // the row being decoded
    ~jpeg_state() {
        if (created) jpeg_destroy_decompress(&cinfo);
    }
};

bool looks_like_jpeg(const uint8_t* data, size_t size) {
    return data && size >= 3 && data[0] == 0xFF && data[1] == 0xD8;
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
    jpeg_mem_src(&st.cinfo, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(&st.cinfo, TRUE) != JPEG_HEADER_OK) return false;
    return then();
}

bool run(jpeg_state& st, const uint8_t* data, size_t size, const size_limit& limit, pixel_sink& out) {
    return with_header(st, data, size, [&] {
        if (!size_acceptable(st.cinfo.image_width, st.cinfo.image_height, limit)) {
            st.why = "JPEG size out of range";
            return false;
        }
        // Entropy coding cannot pack a block into much under a bit per 8 × 8
        // pixels: an image far larger than its data is refused up front.
        if (uint64_t(st.cinfo.image_width) * st.cinfo.image_height / 4096 > size) {
            st.why = "JPEG data too short for its size";
            return false;
        }
        if (st.cinfo.jpeg_color_space == JCS_CMYK || st.cinfo.jpeg_color_space == JCS_YCCK) {
            st.why = "CMYK JPEG not supported";
            return false;
        }
        st.cinfo.out_color_space = JCS_EXT_BGRA;
        jpeg_start_decompress(&st.cinfo);
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
