#include "platform/image/image.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace pimage {

namespace {
uint32_t be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }
uint32_t le32(const uint8_t* p) { return uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0]; }
const uint8_t png_sig[8] = {137, 'P', 'N', 'G', 13, 10, 26, 10};

bool fail(std::string* error, const char* why) {
    if (error) *error = why;
    return false;
}
} // namespace

// Each format's decoder into a sink (png_codec.cpp, jpeg_codec.cpp, own_codecs.cpp).
bool png_rows(const uint8_t* data, size_t size, pixel_sink& out, const size_limit& limit, std::string* error);
bool jpeg_rows(const uint8_t* data, size_t size, pixel_sink& out, const size_limit& limit, std::string* error);
bool dds_rows(const uint8_t* data, size_t size, pixel_sink& out, const size_limit& limit, std::string* error);
bool bmp_rows(const uint8_t* data, size_t size, pixel_sink& out, const size_limit& limit, std::string* error);
bool tga_rows(const uint8_t* data, size_t size, pixel_sink& out, const size_limit& limit, std::string* error);

namespace {

using rows_decoder = bool (*)(const uint8_t*, size_t, pixel_sink&, const size_limit&, std::string*);

// A sink's room is the one thing a decode allocates in proportion to the
// picture; running out of it fails the decode like any damage.
bool guarded(rows_decoder rows, const uint8_t* data, size_t size, pixel_sink& out, const size_limit& limit,
             std::string* error) {
    try {
        return rows(data, size, out, limit, error);
    } catch (const std::bad_alloc&) {
        return fail(error, "out of memory");
    }
}

bool into_image(rows_decoder rows, const uint8_t* data, size_t size, image& out, const size_limit& limit,
                std::string* error) {
    out = image{};
    image_sink sink(out);
    if (guarded(rows, data, size, sink, limit, error)) return true;
    out = image{};
    return false;
}

bool any_rows(const uint8_t* data, size_t size, pixel_sink& out, const size_limit& limit, std::string* error) {
    switch (detect(data, size)) {
    case file_format::png: return png_rows(data, size, out, limit, error);
    case file_format::jpeg: return jpeg_rows(data, size, out, limit, error);
    case file_format::dds: return dds_rows(data, size, out, limit, error);
    case file_format::bmp: return bmp_rows(data, size, out, limit, error);
    case file_format::tga: return tga_rows(data, size, out, limit, error);
    default: return fail(error, "unknown image format");
    }
}

} // namespace

bool image_sink::begin(uint32_t width, uint32_t height) {
    out_ = image{};
    out_.width = width;
    out_.height = height;
    // Room for the whole picture at once up to 4096 × 4096 (a reservation
    // costs no memory until rows fill it); a larger one grows as rows come.
    out_.pixels.reserve(std::min(size_t(width) * height, size_t(1) << 24));
    return true;
}

void image_sink::row(uint32_t y, const uint32_t* pixels) {
    std::vector<uint32_t>& px = out_.pixels;
    const size_t w = out_.width, total = w * out_.height, end = (size_t(y) + 1) * w;
    if (end > px.size()) {
        if (end > px.capacity()) px.reserve(std::min(total, std::max(end, px.capacity() * 2)));
        px.resize(end);
    }
    std::copy_n(pixels, w, px.data() + size_t(y) * w);
}

bool chosen_sink::begin(uint32_t width, uint32_t height) {
    target_ = choose_(width, height);
    return target_ && target_->begin(width, height);
}

bool size_acceptable(uint64_t width, uint64_t height, const size_limit& limit) {
    return width > 0 && height > 0 && width <= std::min(limit.width, max_side) &&
           height <= std::min(limit.height, max_side);
}

file_format detect(const uint8_t* data, size_t size) {
    if (!data) return file_format::unknown;
    if (size >= 8 && std::memcmp(data, png_sig, 8) == 0) return file_format::png;
    // A JPEG's start marker alone, which begins no other format, is a JPEG
    // cut short, and its readers say so.
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xD8 && (size == 2 || data[2] == 0xFF)) return file_format::jpeg;
    if (size >= 4 && std::memcmp(data, "DDS ", 4) == 0) return file_format::dds;
    if (size >= 2 && data[0] == 'B' && data[1] == 'M') return file_format::bmp;
    if (size >= 18) {
        uint8_t type = data[2];
        bool known = type == 1 || type == 2 || type == 3 || type == 9 || type == 10 || type == 11;
        uint8_t bits = data[16];
        if (known && data[1] <= 1 && (bits == 8 || bits == 15 || bits == 16 || bits == 24 || bits == 32))
            return file_format::tga;
    }
    return file_format::unknown;
}

bool probe_png_header(const uint8_t* data, size_t size, image_info& out) {
    out = image_info{};
    if (!data || size < 24 || std::memcmp(data, png_sig, 8) != 0) return false;
    out.width = be32(data + 16);
    out.height = be32(data + 20);
    out.depth = 0;
    out.fmt = file_format::png;
    return true;
}

bool probe_dds_header(const uint8_t* data, size_t size, image_info& out) {
    out = image_info{};
    if (!data || size < 28 || std::memcmp(data, "DDS ", 4) != 0) return false;
    out.height = le32(data + 12);
    out.width = le32(data + 16);
    out.depth = le32(data + 24);
    out.fmt = file_format::dds;
    return true;
}

bool decode(const uint8_t* data, size_t size, pixel_sink& out, const size_limit& limit, std::string* error) {
    return guarded(any_rows, data, size, out, limit, error);
}
bool decode(const uint8_t* data, size_t size, image& out, const size_limit& limit, std::string* error) {
    return into_image(any_rows, data, size, out, limit, error);
}
bool decode_png(const uint8_t* data, size_t size, image& out, const size_limit& limit, std::string* error) {
    return into_image(png_rows, data, size, out, limit, error);
}
bool decode_jpeg(const uint8_t* data, size_t size, image& out, const size_limit& limit, std::string* error) {
    return into_image(jpeg_rows, data, size, out, limit, error);
}
bool decode_dds(const uint8_t* data, size_t size, image& out, const size_limit& limit, std::string* error) {
    return into_image(dds_rows, data, size, out, limit, error);
}
bool decode_bmp(const uint8_t* data, size_t size, image& out, const size_limit& limit, std::string* error) {
    return into_image(bmp_rows, data, size, out, limit, error);
}
bool decode_tga(const uint8_t* data, size_t size, image& out, const size_limit& limit, std::string* error) {
    return into_image(tga_rows, data, size, out, limit, error);
}

bool decode(const uint8_t* data, size_t size, image& out, std::string* error) {
    return decode(data, size, out, size_limit{}, error);
}
bool decode_png(const uint8_t* data, size_t size, image& out, std::string* error) {
    return decode_png(data, size, out, size_limit{}, error);
}
bool decode_jpeg(const uint8_t* data, size_t size, image& out, std::string* error) {
    return decode_jpeg(data, size, out, size_limit{}, error);
}
bool decode_dds(const uint8_t* data, size_t size, image& out, std::string* error) {
    return decode_dds(data, size, out, size_limit{}, error);
}
bool decode_bmp(const uint8_t* data, size_t size, image& out, std::string* error) {
    return decode_bmp(data, size, out, size_limit{}, error);
}
bool decode_tga(const uint8_t* data, size_t size, image& out, std::string* error) {
    return decode_tga(data, size, out, size_limit{}, error);
}

void apply_color_key(image& img, uint32_t key) {
    if (key == 0) return;
    for (uint32_t& p : img.pixels)
        if (p == key) p = 0;
}

uint32_t round_up_pow2(uint32_t n) {
    if (n < 2) return 1;
    if (n > 0x80000000u) return 0;
    uint32_t p = 1;
    while (p < n) p <<= 1;
    return p;
}

triangle_rows::taps triangle_rows::make_taps(uint32_t src, uint32_t dst) {
    taps t;
    double scale = double(src) / double(dst);
    double radius = std::max(1.0, scale);
    for (uint32_t x = 0; x < dst; ++x) {
        double c = (x + 0.5) * scale - 0.5;
        int32_t lo = int32_t(std::ceil(c - radius)), hi = int32_t(std::floor(c + radius));
        t.first.push_back(lo);
        t.offset.push_back(t.weight.size());
        double sum = 0;
        std::vector<double> w;
        for (int32_t i = lo; i <= hi; ++i) {
            double v = std::max(0.0, 1.0 - std::fabs(i - c) / radius);
            w.push_back(v);
            sum += v;
        }
        if (sum <= 0) {  // c on a tap exactly with radius 1
            w.assign(w.size(), 0.0);
            w[size_t(std::clamp<int64_t>(std::llround(c) - lo, 0, int64_t(w.size()) - 1))] = 1.0;
            sum = 1.0;
        }
        for (double v : w) t.weight.push_back(float(v / sum));
        t.count.push_back(int32_t(w.size()));
    }
    return t;
}

triangle_rows::triangle_rows(const image& src, uint32_t width, uint32_t height, uint32_t color_key)
    : src_(src), width_(width), key_(color_key), across_(make_taps(src.width, width)),
      down_(make_taps(src.height, height)) {
    // A row's taps cover a run of source rows no longer than its tap count
    // (or the picture), and the runs only move down: that many slots hold
    // every source row a row needs.
    int32_t most = 1;
    for (int32_t n : down_.count) most = std::max(most, n);
    const size_t slots = std::min<size_t>(size_t(most), src.height);
    slots_.resize(slots * width * 4);
    held_.assign(slots, -1);
    taps_.resize(size_t(most));
}

const float* triangle_rows::filtered(uint32_t sy) {
    const size_t slot = sy % held_.size();
    float* m = slots_.data() + slot * width_ * 4;
    if (held_[slot] == int64_t(sy)) return m;
    held_[slot] = sy;
    const uint32_t* row = src_.pixels.data() + size_t(sy) * src_.width;
    for (uint32_t x = 0; x < width_; ++x) {
        float acc[4] = {0, 0, 0, 0};
        const float* w = across_.weight.data() + across_.offset[x];
        for (int32_t k = 0; k < across_.count[x]; ++k) {
            int32_t sx = std::clamp<int32_t>(across_.first[x] + k, 0, int32_t(src_.width) - 1);
            uint32_t p = row[sx];
            if (key_ != 0 && p == key_) p = 0;
            for (int c = 0; c < 4; ++c) acc[c] += w[k] * float((p >> (c * 8)) & 255);
        }
        std::memcpy(m + size_t(x) * 4, acc, sizeof acc);
    }
    return m;
}

void triangle_rows::next(uint32_t* out) {
    const uint32_t y = y_++;
    const float* w = down_.weight.data() + down_.offset[y];
    const int32_t n = down_.count[y];
    for (int32_t k = 0; k < n; ++k)
        taps_[size_t(k)] = filtered(uint32_t(std::clamp<int32_t>(down_.first[y] + k, 0, int32_t(src_.height) - 1)));
    for (uint32_t x = 0; x < width_; ++x) {
        float acc[4] = {0, 0, 0, 0};
        for (int32_t k = 0; k < n; ++k) {
            const float* m = taps_[size_t(k)] + size_t(x) * 4;
            for (int c = 0; c < 4; ++c) acc[c] += w[k] * m[c];
        }
        uint32_t p = 0;
        for (int c = 0; c < 4; ++c) p |= uint32_t(std::clamp(std::lround(acc[c]), 0L, 255L)) << (c * 8);
        out[x] = p;
    }
}

image resize_triangle(const image& src, uint32_t width, uint32_t height) {
    image out;
    if (src.width == 0 || src.height == 0 || width == 0 || height == 0) return out;
    if (width == src.width && height == src.height) return src;
    out.width = width;
    out.height = height;
    out.pixels.resize(size_t(width) * height);
    triangle_rows rows(src, width, height, 0);
    for (uint32_t y = 0; y < height; ++y) rows.next(out.pixels.data() + size_t(y) * width);
    return out;
}

image place_top_left(const image& src, uint32_t width, uint32_t height) {
    image out;
    out.width = width;
    out.height = height;
    out.pixels.assign(size_t(width) * height, 0);
    uint32_t w = std::min(width, src.width), h = std::min(height, src.height);
    for (uint32_t y = 0; y < h; ++y)
        std::copy_n(src.pixels.data() + size_t(y) * src.width, w, out.pixels.data() + size_t(y) * width);
    return out;
}

void half_row(const uint32_t* upper, const uint32_t* lower, uint32_t src_width, uint32_t* out, uint32_t out_width) {
    for (uint32_t x = 0; x < out_width; ++x) {
        const uint32_t x0 = std::min(2 * x, src_width - 1), x1 = std::min(2 * x + 1, src_width - 1);
        uint32_t p = 0;
        for (int c = 0; c < 32; c += 8) {
            const uint32_t sum = ((upper[x0] >> c) & 255) + ((upper[x1] >> c) & 255) + ((lower[x0] >> c) & 255) +
                                 ((lower[x1] >> c) & 255);
            p |= ((sum + 2) / 4) << c;
        }
        out[x] = p;
    }
}

image half_size(const image& src) {
    image out;
    if (src.width == 0 || src.height == 0) return out;
    out.width = std::max(1u, src.width / 2);
    out.height = std::max(1u, src.height / 2);
    out.pixels.resize(size_t(out.width) * out.height);
    for (uint32_t y = 0; y < out.height; ++y) {
        const uint32_t* upper = src.pixels.data() + size_t(std::min(2 * y, src.height - 1)) * src.width;
        const uint32_t* lower = src.pixels.data() + size_t(std::min(2 * y + 1, src.height - 1)) * src.width;
        half_row(upper, lower, src.width, out.pixels.data() + size_t(y) * out.width, out.width);
    }
    return out;
}

namespace {

// SOF0-3, 5-7, 9-11 and 13-15; C4, C8 and CC are other segments.
bool is_frame_header(uint8_t marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// APP0-15, COM and DNL, which the decoder steps over without looking inside.
// A length of 0 or 1 in one of them does not stop it: it takes the segment
// as empty, looks for the next marker right after the length field and shows
// the picture. In any other segment such a length is damage it refuses.
bool steps_over(uint8_t marker) { return (marker >= 0xE0 && marker <= 0xEF) || marker == 0xFE || marker == 0xDC; }

} // namespace

bool probe_jpeg_segments(uint64_t size, const byte_reader& read, image_info& out, std::string* error) {
    out = image_info{};
    // A small window of the file, read again only where the walk leaves it:
    // segments larger than it are stepped over unread.
    std::vector<uint8_t> window(4096);
    uint64_t start = 0, held = 0;
    auto at = [&](uint64_t pos, size_t n, uint8_t* to) {
        if (pos > size || n > size - pos) return false;
        if (pos < start || pos + n > start + held) {
            start = pos;
            held = read(pos, window.data(), size_t(std::min<uint64_t>(window.size(), size - pos)));
            if (held < n) return false;
        }
        std::memcpy(to, window.data() + (pos - start), n);
        return true;
    };
    uint8_t b[6];
    if (!at(0, 2, b) || b[0] != 0xFF || b[1] != 0xD8) return fail(error, "not a JPEG file");
    // A file that ends before its frame header is whole was cut, wherever
    // the end falls (between segments, inside one however large, among fill
    // bytes): it is refused in the decoder's words, so that the game's log
    // says the same whichever of the two met the file first.
    const char* const cut_short = "JPEG data cut short";
    // Every step moves on by two bytes or more, and nothing is read at or
    // past the end: the walk ends within the file whatever it holds.
    uint64_t pos = 2;
    for (;;) {
        if (!at(pos, 1, b)) return fail(error, cut_short);
        if (b[0] != 0xFF) return fail(error, "JPEG segments damaged");
        // Fill bytes (0xFF) may stand before any marker.
        do {
            if (!at(++pos, 1, b)) return fail(error, cut_short);
        } while (b[0] == 0xFF);
        const uint8_t marker = b[0];
        ++pos;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;  // markers without a length
        if (marker == 0x00 || marker == 0xD8 || marker == 0xD9 || marker == 0xDA)
            return fail(error, "JPEG has no frame header before its picture");
        if (!at(pos, 2, b)) return fail(error, cut_short);
        uint32_t length = uint32_t(b[0]) << 8 | b[1];
        if (length < 2) {
            if (!steps_over(marker)) return fail(error, "JPEG segments damaged");
            length = 2;
        }
        if (is_frame_header(marker)) {
            // Precision, height, width, the component count, then three bytes a component.
            if (length < 8) return fail(error, "JPEG frame header damaged");
            if (!at(pos + 2, 6, b)) return fail(error, cut_short);
            if (b[5] == 0 || length != 8 + 3u * b[5]) return fail(error, "JPEG frame header damaged");
            // Its components too, which the decoder reads with it: a file that
            // ends among them is cut short as well.
            if (length > size - pos) return fail(error, cut_short);
            out.height = uint32_t(b[1]) << 8 | b[2];
            out.width = uint32_t(b[3]) << 8 | b[4];
            out.depth = 1;
            out.fmt = file_format::jpeg;
            if (size_acceptable(out.width, out.height)) return true;
            out = image_info{};
            return fail(error, "JPEG size out of range");
        }
        pos += length;
    }
}

bool read_info(const uint8_t* data, size_t size, image_info& out, std::string* error) {
    out = image_info{};
    file_format f = detect(data, size);
    if (f == file_format::dds) {
        if (size < 128) return fail(error, "DDS header truncated");
        probe_dds_header(data, size, out);
        return size_acceptable(out.width, out.height) || fail(error, "DDS size out of range");
    }
    if (f == file_format::png) {
        if (size < 33 || std::memcmp(data + 12, "IHDR", 4) != 0) return fail(error, "PNG header truncated");
        probe_png_header(data, size, out);
        out.depth = 1;
        return size_acceptable(out.width, out.height) || fail(error, "PNG size out of range");
    }
    if (f == file_format::jpeg) {
        const byte_reader from_memory = [&](uint64_t offset, uint8_t* to, size_t count) -> size_t {
            if (offset >= size) return 0;
            count = std::min<size_t>(count, size - size_t(offset));
            std::memcpy(to, data + offset, count);
            return count;
        };
        return probe_jpeg_segments(size, from_memory, out, error);
    }
    if (f == file_format::bmp) return probe_bmp_header(data, size, out, error);
    if (f == file_format::tga) return probe_tga_header(data, size, out, error);
    return fail(error, "unknown image format");
}

} // namespace pimage
