// JPEG through libjpeg-turbo, decoded straight into blue, green, red, alpha
// bytes. libjpeg reports errors through longjmp; the decoder's buffers live
// outside the setjmp scope.
#include "platform/image/image.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace pimage {

namespace {

struct error_mgr {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

void on_error(j_common_ptr cinfo) {
    auto* e = reinterpret_cast<error_mgr*>(cinfo->err);
    std::longjmp(e->jump, 1);
}
void on_message(j_common_ptr) {}

struct jpeg_state {
    jpeg_decompress_struct cinfo{};
    error_mgr err{};
    bool created = false;
    uint32_t* pixels = nullptr;
    const char* why = "JPEG decoding failed";
    ~jpeg_state() {
        if (created) jpeg_destroy_decompress(&cinfo);
        std::free(pixels);
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
    if (setjmp(st.err.jump)) return false;
    jpeg_create_decompress(&st.cinfo);
    st.created = true;
    jpeg_mem_src(&st.cinfo, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(&st.cinfo, TRUE) != JPEG_HEADER_OK) return false;
    return then();
}

bool run(jpeg_state& st, const uint8_t* data, size_t size, uint32_t& w, uint32_t& h) {
    return with_header(st, data, size, [&] {
        if (!size_acceptable(st.cinfo.image_width, st.cinfo.image_height)) {
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
        w = st.cinfo.output_width;
        h = st.cinfo.output_height;
        if (st.cinfo.output_components != 4 || !size_acceptable(w, h)) return false;
        st.pixels = static_cast<uint32_t*>(std::malloc(size_t(w) * h * 4));
        if (!st.pixels) {
            st.why = "out of memory";
            return false;
        }
        while (st.cinfo.output_scanline < h) {
            JSAMPROW row = reinterpret_cast<JSAMPROW>(st.pixels + size_t(st.cinfo.output_scanline) * w);
            if (jpeg_read_scanlines(&st.cinfo, &row, 1) != 1) return false;
        }
        jpeg_finish_decompress(&st.cinfo);
        if (st.err.base.num_warnings > 0) {
            // Truncated or damaged data is patched over by libjpeg; refuse it instead.
            st.why = "JPEG data corrupt";
            return false;
        }
        return true;
    });
}

bool run_header(jpeg_state& st, const uint8_t* data, size_t size, uint32_t& w, uint32_t& h) {
    return with_header(st, data, size, [&] {
        w = st.cinfo.image_width;
        h = st.cinfo.image_height;
        return true;
    });
}

} // namespace

bool read_jpeg_size(const uint8_t* data, size_t size, uint32_t& width, uint32_t& height) {
    width = height = 0;
    if (!looks_like_jpeg(data, size)) return false;
    jpeg_state st;
    uint32_t w = 0, h = 0;
    if (!run_header(st, data, size, w, h) || !size_acceptable(w, h)) return false;
    width = w;
    height = h;
    return true;
}

bool decode_jpeg(const uint8_t* data, size_t size, image& out, std::string* error) {
    out = image{};
    if (!looks_like_jpeg(data, size)) {
        if (error) *error = "not a JPEG file";
        return false;
    }
    jpeg_state st;
    uint32_t w = 0, h = 0;
    if (!run(st, data, size, w, h)) {
        if (error) *error = st.why;
        return false;
    }
    out.width = w;
    out.height = h;
    out.pixels.assign(st.pixels, st.pixels + size_t(w) * h);
    for (uint32_t& p : out.pixels) p |= 0xFF000000u;
    return true;
}

} // namespace pimage
