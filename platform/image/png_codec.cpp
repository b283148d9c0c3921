// PNG through libpng. libpng reports errors by longjmp, so the code between
// setjmp and the end of decoding holds only plain pointers and sizes; every
// buffer lives in a struct outside that scope.
//
// A file's header can claim far more pixels than its data holds. Rather than
// guess from the compression ratio (uniform pictures, which games are full
// of, compress better than any guess), rows are decoded one at a time and
// handed to the caller's sink as they come: a file whose data runs out fails
// with libpng's own error as soon as it does.
#include "platform/image/image.h"
#include "platform/system/safe_file.h"

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace pimage {

namespace {

struct mem_source {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

void read_mem(png_structp png, png_bytep out, png_size_t len) {
    auto* src = static_cast<mem_source*>(png_get_io_ptr(png));
    if (len > src->size - src->pos) {
        png_error(png, "read past the end of the data");
        return;
    }
    std::memcpy(out, src->data + src->pos, len);
    src->pos += len;
}

void on_error(png_structp png, png_const_charp) { png_longjmp(png, 1); }

// Walks the chunks after the signature, each handed to visit (its type and
// data) until visit says to stop; false when a chunk runs past the end of
// the data or the data ends before IEND.
template <class Visit>
bool walk_chunks(const uint8_t* data, size_t size, Visit visit) {
    size_t pos = 8;
    while (pos + 12 <= size) {
        uint64_t len = uint64_t(data[pos]) << 24 | uint64_t(data[pos + 1]) << 16 | uint64_t(data[pos + 2]) << 8 | data[pos + 3];
        if (len > size - pos - 12) return false;
        const char* type = reinterpret_cast<const char*>(data + pos + 4);
        if (!visit(type, data + pos + 8, size_t(len))) return true;
        pos += size_t(len) + 12;
        if (std::memcmp(type, "IEND", 4) == 0) return true;
    }
    return false;
}

// Every chunk must lie inside the data: libpng allocates a buffer of a text
// chunk's claimed length before it reads the chunk. The picture's compressed
// bytes (the IDAT chunks' lengths) are added up on the way.
bool chunks_fit(const uint8_t* data, size_t size, uint64_t& compressed) {
    compressed = 0;
    return walk_chunks(data, size, [&](const char* type, const uint8_t*, size_t len) {
        if (std::memcmp(type, "IDAT", 4) == 0) compressed += len;
        return true;
    });
}

// Deflate codes 258 bytes in no fewer than 2 bits: no compressed stream
// unpacks to more than 1032 times its size.
constexpr uint64_t max_deflate_ratio = 1032;

// Bytes of the picture's rows as the file stores them, before filtering:
// fewer than any picture of this size and kind unpacks to.
uint64_t packed_bytes(uint32_t w, uint32_t h, int depth, int colour) {
    const int channels = colour == PNG_COLOR_TYPE_RGB ? 3
                         : colour == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                         : colour == PNG_COLOR_TYPE_RGB_ALPHA ? 4
                                                              : 1;
    return (uint64_t(w) * uint64_t(h) * uint64_t(channels * depth) + 7) / 8;
}
void on_warning(png_structp, png_const_charp) {}

struct decode_state {
    png_structp png = nullptr;
    png_infop info = nullptr;
    // The row being decoded; when the file is interlaced, every pass (each a
    // smaller picture of its own) one after another, since no row is whole
    // before the last pass.
    std::vector<uint32_t> rows;
    std::vector<uint32_t> line;  // an interlaced picture's row, put together
    bool interlaced = false;
    const char* why = "PNG decoding failed";
    ~decode_state() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

// Pass p of an interlaced picture: its columns and rows (0, 0 when empty);
// the whole picture when not interlaced.
uint32_t pass_cols(const decode_state& st, uint32_t w, int p) { return st.interlaced ? PNG_PASS_COLS(w, p) : w; }
uint32_t pass_rows(const decode_state& st, uint32_t h, int p) { return st.interlaced ? PNG_PASS_ROWS(h, p) : h; }
int pass_count(const decode_state& st) { return st.interlaced ? PNG_INTERLACE_ADAM7_PASSES : 1; }

// The passes' pixels of picture row y put in their places.
void assemble_row(const decode_state& st, uint32_t w, uint32_t h, uint32_t y, uint32_t* row) {
    const uint32_t* pass = st.rows.data();
    for (int p = 0; p < pass_count(st); ++p) {
        const uint32_t cols = pass_cols(st, w, p), rows = pass_rows(st, h, p);
        if (cols != 0 && rows != 0 && PNG_ROW_IN_INTERLACE_PASS(y, p)) {
            const uint32_t* from = pass + size_t((y - PNG_PASS_START_ROW(p)) >> PNG_PASS_ROW_SHIFT(p)) * cols;
            for (uint32_t c = 0; c < cols; ++c) row[PNG_COL_FROM_PASS_COL(c, p)] = from[c];
        }
        pass += size_t(cols) * rows;
    }
}

// Decodes into the sink; false with st.why on failure.
bool run_decode(decode_state& st, mem_source& src, pixel_sink& out, const size_limit& limit, uint64_t compressed) {
    st.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, on_error, on_warning);
    if (!st.png) return false;
    st.info = png_create_info_struct(st.png);
    if (!st.info) return false;
    if (setjmp(png_jmpbuf(st.png))) return false;
    png_set_read_fn(st.png, &src, read_mem);
    png_set_user_limits(st.png, max_side, max_side);
    // No chunk can hold more than the data at hand: a larger claimed length is
    // refused before libpng allocates for it.
    png_set_chunk_malloc_max(st.png, std::max<png_alloc_size_t>(src.size, 65536));
    png_read_info(st.png, st.info);
    png_uint_32 w = 0, h = 0;
    int depth = 0, colour = 0, interlace = 0;
    png_get_IHDR(st.png, st.info, &w, &h, &depth, &colour, &interlace, nullptr, nullptr);
    if (!size_acceptable(w, h, limit)) {
        st.why = "PNG size out of range";
        return false;
    }
    if (packed_bytes(w, h, depth, colour) > (compressed + 1) * max_deflate_ratio) {
        st.why = "PNG data too short for its size";
        return false;
    }
    if (png_get_valid(st.png, st.info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(st.png);
    if (colour == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(st.png);
    if (colour == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(st.png);
    if (depth > 8) png_set_strip_16(st.png);
    // Grey with or without alpha becomes RGB, so that every picture has four bytes a pixel.
    if (colour == PNG_COLOR_TYPE_GRAY || colour == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(st.png);
    if (!(colour & PNG_COLOR_MASK_ALPHA)) png_set_filler(st.png, 255, PNG_FILLER_AFTER);
    png_set_bgr(st.png);
    // No interlace handling: it needs the whole picture's room before the
    // first row. The passes come as the small pictures they are.
    st.interlaced = interlace != PNG_INTERLACE_NONE;
    png_read_update_info(st.png, st.info);
    if (png_get_rowbytes(st.png, st.info) != size_t(w) * 4) {
        st.why = "PNG pixel layout not supported";
        return false;
    }
    if (!out.begin(w, h)) {
        st.why = "PNG picture refused";
        return false;
    }
    if (!st.interlaced) {
        st.rows.resize(w);
        for (uint32_t y = 0; y < h; ++y) {
            png_read_row(st.png, reinterpret_cast<png_bytep>(st.rows.data()), nullptr);
            out.row(y, st.rows.data());
        }
        png_read_end(st.png, nullptr);
        return true;
    }
    // The passes hold every pixel once. Room doubles as rows arrive, never
    // past the whole picture and one row: libpng writes a whole row's width
    // even for a pass's shorter rows.
    const size_t total = size_t(w) * h;
    size_t used = 0;
    for (int p = 0; p < pass_count(st); ++p) {
        const uint32_t cols = pass_cols(st, w, p), rows = pass_rows(st, h, p);
        if (cols == 0 || rows == 0) continue;  // libpng skips empty passes too
        for (uint32_t r = 0; r < rows; ++r) {
            const size_t room = used + w;
            if (room > st.rows.capacity()) st.rows.reserve(std::min(total + w, std::max(room, st.rows.capacity() * 2)));
            st.rows.resize(room);
            png_read_row(st.png, reinterpret_cast<png_bytep>(st.rows.data() + used), nullptr);
            used += cols;
        }
    }
    st.rows.resize(used);
    png_read_end(st.png, nullptr);
    st.line.resize(w);
    for (uint32_t y = 0; y < h; ++y) {
        assemble_row(st, w, h, y, st.line.data());
        out.row(y, st.line.data());
    }
    return true;
}

struct encode_state {
    png_structp png = nullptr;
    png_infop info = nullptr;
    png_bytep* rows = nullptr;
    std::vector<uint8_t>* out = nullptr;
    ~encode_state() {
        png_destroy_write_struct(&png, info ? &info : nullptr);
        std::free(rows);
    }
};

void write_mem(png_structp png, png_bytep data, png_size_t len) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + len);
}
void flush_mem(png_structp) {}

bool run_encode(encode_state& st, const uint32_t* pixels, uint32_t w, uint32_t h, size_t pitch,
                const std::string& keyword, const std::string& text) {
    st.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, on_error, on_warning);
    if (!st.png) return false;
    st.info = png_create_info_struct(st.png);
    if (!st.info) return false;
    st.rows = static_cast<png_bytep*>(std::calloc(h, sizeof(png_bytep)));
    if (!st.rows) return false;
    for (uint32_t y = 0; y < h; ++y)
        st.rows[y] = const_cast<png_bytep>(reinterpret_cast<const uint8_t*>(pixels) + size_t(y) * pitch);
    if (setjmp(png_jmpbuf(st.png))) return false;
    png_set_write_fn(st.png, st.out, write_mem, flush_mem);
    png_set_compression_level(st.png, -1);
    png_set_compression_mem_level(st.png, 9);
    png_set_IHDR(st.png, st.info, w, h, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_color_8 bits{8, 8, 8, 0, 8};
    png_set_sBIT(st.png, st.info, &bits);
    ::png_text note{};
    if (!keyword.empty()) {
        note.compression = PNG_TEXT_COMPRESSION_NONE;
        note.key = const_cast<char*>(keyword.c_str());
        note.text = const_cast<char*>(text.c_str());
        note.text_length = text.size();
        png_set_text(st.png, st.info, &note, 1);
    }
    png_write_info(st.png, st.info);
    png_set_bgr(st.png);
    png_write_image(st.png, st.rows);
    png_write_end(st.png, nullptr);
    return true;
}

} // namespace

bool png_rows(const uint8_t* data, size_t size, pixel_sink& out, const size_limit& limit, std::string* error) {
    if (!data || size < 8 || png_sig_cmp(data, 0, 8) != 0) {
        if (error) *error = "not a PNG file";
        return false;
    }
    uint64_t compressed = 0;
    if (!chunks_fit(data, size, compressed)) {
        if (error) *error = "PNG chunk runs past the end of the data";
        return false;
    }
    decode_state st;
    mem_source src{data, size, 0};
    if (!run_decode(st, src, out, limit, compressed)) {
        if (error) *error = st.why;
        return false;
    }
    return true;
}

bool encode_png(const uint32_t* pixels, uint32_t width, uint32_t height, size_t pitch, std::vector<uint8_t>& out,
                const std::string& keyword, const std::string& text) {
    out.clear();
    if (!pixels || !size_acceptable(width, height) || pitch < size_t(width) * 4) return false;
    encode_state st;
    st.out = &out;
    if (!run_encode(st, pixels, width, height, pitch, keyword, text)) {
        out.clear();
        return false;
    }
    return true;
}

std::string read_png_text(const uint8_t* data, size_t size, const std::string& keyword) {
    std::string found;
    if (!data || size < 8 || png_sig_cmp(data, 0, 8) != 0) return found;
    walk_chunks(data, size, [&](const char* type, const uint8_t* bytes, size_t len) {
        if (std::memcmp(type, "IDAT", 4) == 0) return false;
        if (std::memcmp(type, "tEXt", 4) == 0 && len > keyword.size() &&
            std::memcmp(bytes, keyword.data(), keyword.size()) == 0 && bytes[keyword.size()] == 0) {
            found.assign(reinterpret_cast<const char*>(bytes) + keyword.size() + 1, len - keyword.size() - 1);
            return false;
        }
        return true;
    });
    return found;
}

bool save_png(const std::string& path, const uint32_t* pixels, uint32_t width, uint32_t height, size_t pitch) {
    std::vector<uint8_t> bytes;
    if (!encode_png(pixels, width, height, pitch, bytes)) return false;
    return psys::write_file_whole(path, bytes.data(), bytes.size());
}

} // namespace pimage
