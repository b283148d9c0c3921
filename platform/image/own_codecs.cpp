// DDS, BMP and TGA: small formats decoded here. Every count, offset and size
// is checked against the bytes at hand before it is used.
#include "platform/image/image.h"

#include <algorithm>
#include <cstring>

namespace pimage {

namespace {

uint16_t le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t le32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

bool fail(std::string* error, const char* why) {
    if (error) *error = why;
    return false;
}

// A channel taken out by a bit mask, scaled to 0..255.
struct mask_channel {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t max = 0;
    explicit mask_channel(uint32_t m = 0) : mask(m) {
        if (!m) return;
        while (!((m >> shift) & 1)) ++shift;
        max = m >> shift;
    }
    uint32_t get(uint32_t v, uint32_t none) const {
        if (!mask) return none;
        uint64_t c = (v & mask) >> shift;
        return uint32_t((c * 255 + max / 2) / max);
    }
};

uint32_t expand565(uint32_t c) {
    uint32_t r = (c >> 11) & 31, g = (c >> 5) & 63, b = c & 31;
    return 0xFF000000u | ((r << 3) | (r >> 2)) << 16 | ((g << 2) | (g >> 4)) << 8 | ((b << 3) | (b >> 2));
}

uint32_t mix(uint32_t a, uint32_t b, uint32_t wa, uint32_t wb) {
    uint32_t out = 0, total = wa + wb;
    for (int s = 0; s < 24; s += 8) out |= ((((a >> s) & 255) * wa + ((b >> s) & 255) * wb + total / 2) / total) << s;
    return out | 0xFF000000u;
}

void dxt_colour_block(const uint8_t* blk, bool four_colour_only, uint32_t out[16]) {
    uint32_t c0 = le16(blk), c1 = le16(blk + 2);
    uint32_t pal[4];
    pal[0] = expand565(c0);
    pal[1] = expand565(c1);
    if (four_colour_only || c0 > c1) {
        pal[2] = mix(pal[0], pal[1], 2, 1);
        pal[3] = mix(pal[0], pal[1], 1, 2);
    } else {
        pal[2] = mix(pal[0], pal[1], 1, 1);
        pal[3] = 0;
    }
    uint32_t bits = le32(blk + 4);
    for (int i = 0; i < 16; ++i) out[i] = pal[(bits >> (2 * i)) & 3];
}

// The blocks are decoded a band of four rows at a time.
bool decode_dxt(const uint8_t* data, size_t avail, uint32_t w, uint32_t h, int kind, pixel_sink& out) {
    uint32_t bw = (w + 3) / 4, bh = (h + 3) / 4;
    size_t block = kind == 1 ? 8 : 16;
    if (uint64_t(bw) * bh * block > avail) return false;
    if (!out.begin(w, h)) return false;
    std::vector<uint32_t> band(size_t(w) * 4);
    for (uint32_t by = 0; by < bh; ++by) {
        for (uint32_t bx = 0; bx < bw; ++bx) {
            const uint8_t* blk = data + (size_t(by) * bw + bx) * block;
            uint32_t px[16];
            if (kind == 1) {
                dxt_colour_block(blk, false, px);
            } else {
                dxt_colour_block(blk + 8, true, px);
                uint32_t alpha[16];
                if (kind == 3) {
                    for (int i = 0; i < 16; ++i) alpha[i] = ((blk[i / 2] >> ((i & 1) * 4)) & 15) * 17;
                } else {
                    uint32_t a0 = blk[0], a1 = blk[1], pal[8] = {a0, a1};
                    if (a0 > a1) {
                        for (uint32_t i = 2; i < 8; ++i) pal[i] = ((8 - i) * a0 + (i - 1) * a1 + 3) / 7;
                    } else {
                        for (uint32_t i = 2; i < 6; ++i) pal[i] = ((6 - i) * a0 + (i - 1) * a1 + 2) / 5;
                        pal[6] = 0;
                        pal[7] = 255;
                    }
                    uint64_t bits = 0;
                    for (int i = 0; i < 6; ++i) bits |= uint64_t(blk[2 + i]) << (8 * i);
                    for (int i = 0; i < 16; ++i) alpha[i] = pal[(bits >> (3 * i)) & 7];
                }
                for (int i = 0; i < 16; ++i) px[i] = (px[i] & 0x00FFFFFFu) | alpha[i] << 24;
            }
            for (int i = 0; i < 16; ++i) {
                uint32_t x = bx * 4 + uint32_t(i & 3);
                if (x < w) band[size_t(i >> 2) * w + x] = px[i];
            }
        }
        for (uint32_t r = 0; r < 4 && by * 4 + r < h; ++r) out.row(by * 4 + r, band.data() + size_t(r) * w);
    }
    return true;
}

} // namespace

bool dds_rows(const uint8_t* data, size_t size, pixel_sink& out, const size_limit& limit, std::string* error) {
    if (!data || size < 4 || std::memcmp(data, "DDS ", 4) != 0) return fail(error, "not a DDS file");
    if (size < 128) return fail(error, "DDS header truncated");
    if (le32(data + 4) != 124 || le32(data + 76) != 32) return fail(error, "DDS header corrupt");
    uint32_t h = le32(data + 12), w = le32(data + 16);
    if (!size_acceptable(w, h, limit)) return fail(error, "DDS size out of range");
    uint32_t pf_flags = le32(data + 80), fourcc = le32(data + 84), bits = le32(data + 88);
    const uint8_t* px = data + 128;
    size_t avail = size - 128;
    if (pf_flags & 0x4) {
        int kind = 0;
        if (fourcc == le32(reinterpret_cast<const uint8_t*>("DXT1"))) kind = 1;
        else if (fourcc == le32(reinterpret_cast<const uint8_t*>("DXT2")) || fourcc == le32(reinterpret_cast<const uint8_t*>("DXT3"))) kind = 3;
        else if (fourcc == le32(reinterpret_cast<const uint8_t*>("DXT4")) || fourcc == le32(reinterpret_cast<const uint8_t*>("DXT5"))) kind = 5;
        if (!kind) return fail(error, "DDS compression not supported");
        if (!decode_dxt(px, avail, w, h, kind, out)) return fail(error, "DDS data truncated");
        return true;
    }
    if (bits != 8 && bits != 16 && bits != 24 && bits != 32) return fail(error, "DDS pixel size not supported");
    bool rgb = pf_flags & 0x40, lum = pf_flags & 0x20000, alpha_only = pf_flags & 0x2;
    if (!rgb && !lum && !alpha_only) return fail(error, "DDS pixel format not supported");
    size_t bpp = bits / 8, pitch = size_t(w) * bpp;
    if (uint64_t(pitch) * h > avail) return fail(error, "DDS data truncated");
    mask_channel r(le32(data + 92)), g(le32(data + 96)), b(le32(data + 100));
    mask_channel a((pf_flags & 0x3) ? le32(data + 104) : 0);
    if (!out.begin(w, h)) return fail(error, "DDS picture refused");
    std::vector<uint32_t> line(w);
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* row = px + size_t(y) * pitch;
        for (uint32_t x = 0; x < w; ++x) {
            uint32_t v = 0;
            for (size_t k = 0; k < bpp; ++k) v |= uint32_t(row[x * bpp + k]) << (8 * k);
            uint32_t cr, cg, cb;
            if (lum) {
                cr = cg = cb = r.get(v, 0);
            } else if (rgb) {
                cr = r.get(v, 0);
                cg = g.get(v, 0);
                cb = b.get(v, 0);
            } else {
                cr = cg = cb = 0;
            }
            line[x] = a.get(v, 255) << 24 | cr << 16 | cg << 8 | cb;
        }
        out.row(y, line.data());
    }
    return true;
}

namespace {

// The fields of a BMP's file and info headers that the decoder reads first.
struct bmp_header {
    uint32_t off_bits = 0, hsize = 0;
    int64_t w = 0, h = 0;
    uint32_t bpp = 0, compression = 0, colours_used = 0;
    bool top_down = false;
};

// The headers alone, checked as every BMP is before its pixels are looked at.
bool read_bmp_header(const uint8_t* data, size_t size, const size_limit& limit, bmp_header& hd, std::string* error) {
    if (!data || size < 2 || data[0] != 'B' || data[1] != 'M') return fail(error, "not a BMP file");
    if (size < 26) return fail(error, "BMP header truncated");
    hd.off_bits = le32(data + 10);
    hd.hsize = le32(data + 14);
    if (hd.hsize != 12 && hd.hsize < 40) return fail(error, "BMP header not supported");
    if (uint64_t(14) + hd.hsize > size) return fail(error, "BMP header truncated");
    if (hd.hsize == 12) {
        hd.w = le16(data + 18);
        hd.h = int16_t(le16(data + 20));
        hd.bpp = le16(data + 24);
    } else {
        hd.w = int32_t(le32(data + 18));
        hd.h = int32_t(le32(data + 22));
        hd.bpp = le16(data + 28);
        hd.compression = le32(data + 30);
        hd.colours_used = le32(data + 46);
    }
    hd.top_down = hd.h < 0;
    if (hd.top_down) hd.h = -hd.h;
    if (hd.w <= 0 || !size_acceptable(uint64_t(hd.w), uint64_t(hd.h), limit)) return fail(error, "BMP size out of range");
    if (hd.compression != 0 && !(hd.compression == 3 && (hd.bpp == 16 || hd.bpp == 32)))
        return fail(error, "BMP compression not supported");
    if (hd.bpp != 1 && hd.bpp != 4 && hd.bpp != 8 && hd.bpp != 16 && hd.bpp != 24 && hd.bpp != 32)
        return fail(error, "BMP pixel size not supported");
    return true;
}

} // namespace

bool probe_bmp_header(const uint8_t* data, size_t size, image_info& out, std::string* error) {
    out = image_info{};
    bmp_header hd;
    if (!read_bmp_header(data, size, size_limit{}, hd, error)) return false;
    out.width = uint32_t(hd.w);
    out.height = uint32_t(hd.h);
    out.depth = 1;
    out.fmt = file_format::bmp;
    return true;
}

bool bmp_rows(const uint8_t* data, size_t size, pixel_sink& out, const size_limit& limit, std::string* error) {
    bmp_header hd;
    if (!read_bmp_header(data, size, limit, hd, error)) return false;
    const uint32_t off_bits = hd.off_bits, hsize = hd.hsize, bpp = hd.bpp, compression = hd.compression;
    const uint32_t colours_used = hd.colours_used;
    const int64_t w = hd.w, h = hd.h;
    const bool top_down = hd.top_down;

    uint32_t masks[4] = {0, 0, 0, 0};
    bool has_alpha = false;
    if (compression == 3) {
        size_t at = hsize >= 52 ? 54 : 14 + hsize;
        if (at + 12 > size) return fail(error, "BMP masks truncated");
        masks[0] = le32(data + at);
        masks[1] = le32(data + at + 4);
        masks[2] = le32(data + at + 8);
        if (hsize >= 56) {
            masks[3] = le32(data + 66);
            has_alpha = masks[3] != 0;
        }
    } else if (bpp == 16) {
        masks[0] = 0x7C00;
        masks[1] = 0x03E0;
        masks[2] = 0x001F;
    } else if (bpp == 32) {
        masks[0] = 0x00FF0000;
        masks[1] = 0x0000FF00;
        masks[2] = 0x000000FF;
    }

    std::vector<uint32_t> palette;
    if (bpp <= 8) {
        uint32_t entries = colours_used ? colours_used : (1u << bpp);
        if (entries > 256) return fail(error, "BMP palette too large");
        size_t entry_size = hsize == 12 ? 3 : 4;
        size_t at = 14 + size_t(hsize);
        if (at + entries * entry_size > size) return fail(error, "BMP palette truncated");
        for (uint32_t i = 0; i < entries; ++i) {
            const uint8_t* e = data + at + i * entry_size;
            palette.push_back(0xFF000000u | uint32_t(e[2]) << 16 | uint32_t(e[1]) << 8 | e[0]);
        }
        palette.resize(256, 0xFF000000u);
    }

    uint64_t stride = ((uint64_t(w) * bpp + 31) / 32) * 4;
    if (off_bits > size || stride * uint64_t(h) > size - off_bits) return fail(error, "BMP pixel data truncated");
    mask_channel r(masks[0]), g(masks[1]), b(masks[2]), a(masks[3]);
    if (!out.begin(uint32_t(w), uint32_t(h))) return fail(error, "BMP picture refused");
    std::vector<uint32_t> line(static_cast<size_t>(w));
    for (int64_t y = 0; y < h; ++y) {
        const uint8_t* row = data + off_bits + size_t(stride) * size_t(top_down ? y : h - 1 - y);
        uint32_t* dst = line.data();
        for (int64_t x = 0; x < w; ++x) {
            switch (bpp) {
            case 1: dst[x] = palette[(row[x / 8] >> (7 - x % 8)) & 1]; break;
            case 4: dst[x] = palette[(row[x / 2] >> ((x & 1) ? 0 : 4)) & 15]; break;
            case 8: dst[x] = palette[row[x]]; break;
            case 24: dst[x] = 0xFF000000u | uint32_t(row[x * 3 + 2]) << 16 | uint32_t(row[x * 3 + 1]) << 8 | row[x * 3]; break;
            default: {
                uint32_t v = bpp == 16 ? le16(row + x * 2) : le32(row + x * 4);
                dst[x] = (has_alpha ? a.get(v, 255) : 255u) << 24 | r.get(v, 0) << 16 | g.get(v, 0) << 8 | b.get(v, 0);
            }
            }
        }
        out.row(uint32_t(y), dst);
    }
    return true;
}

namespace {

struct tga_reader {
    const uint8_t* data;
    size_t size;
    size_t pos;
    uint32_t bytes;  // per pixel value
    int bits;
    int alpha_bits;
    int type;        // 1 palette, 2 true colour, 3 grey
    const std::vector<uint32_t>* palette;

    bool read_value(uint32_t& v) {
        if (size - pos < bytes) return false;
        v = 0;
        for (uint32_t k = 0; k < bytes; ++k) v |= uint32_t(data[pos + k]) << (8 * k);
        pos += bytes;
        return true;
    }
    uint32_t to_argb(uint32_t v) const {
        if (type == 1) return v < palette->size() ? (*palette)[v] : 0xFF000000u;
        if (type == 3) {
            uint32_t l = v & 255, al = bits == 16 ? (v >> 8) & 255 : 255;
            return al << 24 | l << 16 | l << 8 | l;
        }
        return colour(v, bits, alpha_bits);
    }
    static uint32_t colour(uint32_t v, int bits, int alpha_bits) {
        if (bits == 15 || bits == 16) {
            uint32_t r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
            uint32_t al = (bits == 16 && alpha_bits >= 1) ? ((v & 0x8000) ? 255u : 0u) : 255u;
            return al << 24 | ((r << 3) | (r >> 2)) << 16 | ((g << 3) | (g >> 2)) << 8 | ((b << 3) | (b >> 2));
        }
        uint32_t al = (bits == 32 && alpha_bits > 0) ? (v >> 24) : 255u;
        return al << 24 | (v & 0x00FFFFFFu);
    }
};

} // namespace

namespace {

// The 18 bytes of a TGA header that the decoder checks first.
struct tga_header {
    uint32_t id_len = 0, cmap_type = 0, type = 0, cmap_first = 0, cmap_len = 0, cmap_bits = 0;
    uint32_t w = 0, h = 0, bits = 0, desc = 0;
    bool rle = false;
    uint32_t base = 0;
};

bool read_tga_header(const uint8_t* data, size_t size, const size_limit& limit, tga_header& hd, std::string* error) {
    if (!data || size < 18) return fail(error, "TGA header truncated");
    hd.id_len = data[0];
    hd.cmap_type = data[1];
    hd.type = data[2];
    hd.cmap_first = le16(data + 3);
    hd.cmap_len = le16(data + 5);
    hd.cmap_bits = data[7];
    hd.w = le16(data + 12);
    hd.h = le16(data + 14);
    hd.bits = data[16];
    hd.desc = data[17];
    hd.rle = hd.type >= 9;
    hd.base = hd.rle ? hd.type - 8 : hd.type;
    const uint32_t type = hd.type, base = hd.base, bits = hd.bits;
    if (base < 1 || base > 3 || type == 0 || (type > 3 && type < 9) || type > 11 || hd.cmap_type > 1)
        return fail(error, "TGA type not supported");
    if (!size_acceptable(hd.w, hd.h, limit)) return fail(error, "TGA size out of range");
    if (base == 1 && (hd.cmap_type != 1 || (bits != 8 && bits != 16))) return fail(error, "TGA colour map missing");
    if (base == 2 && bits != 15 && bits != 16 && bits != 24 && bits != 32) return fail(error, "TGA pixel size not supported");
    if (base == 3 && bits != 8 && bits != 16) return fail(error, "TGA pixel size not supported");
    if (hd.cmap_type == 1 && hd.cmap_bits != 15 && hd.cmap_bits != 16 && hd.cmap_bits != 24 && hd.cmap_bits != 32)
        return fail(error, "TGA colour map not supported");
    return true;
}

} // namespace

bool probe_tga_header(const uint8_t* data, size_t size, image_info& out, std::string* error) {
    out = image_info{};
    tga_header hd;
    if (!read_tga_header(data, size, size_limit{}, hd, error)) return false;
    out.width = hd.w;
    out.height = hd.h;
    out.depth = 1;
    out.fmt = file_format::tga;
    return true;
}

bool tga_rows(const uint8_t* data, size_t size, pixel_sink& out, const size_limit& limit, std::string* error) {
    tga_header hd;
    if (!read_tga_header(data, size, limit, hd, error)) return false;
    const uint32_t id_len = hd.id_len, cmap_type = hd.cmap_type, cmap_first = hd.cmap_first, cmap_len = hd.cmap_len;
    const uint32_t cmap_bits = hd.cmap_bits, w = hd.w, h = hd.h, bits = hd.bits, desc = hd.desc, base = hd.base;
    const bool rle = hd.rle;
    size_t pos = 18 + id_len;
    std::vector<uint32_t> palette;
    if (cmap_type == 1) {
        size_t entry = (cmap_bits + 7) / 8;
        if (pos > size || uint64_t(cmap_len) * entry > size - pos) return fail(error, "TGA colour map truncated");
        if (base == 1) {
            palette.assign(cmap_first, 0xFF000000u);
            for (uint32_t i = 0; i < cmap_len; ++i) {
                uint32_t v = 0;
                for (size_t k = 0; k < entry; ++k) v |= uint32_t(data[pos + i * entry + k]) << (8 * k);
                palette.push_back(tga_reader::colour(v, int(cmap_bits), cmap_bits == 32 ? 8 : 1));
            }
        }
        pos += size_t(cmap_len) * entry;
    }
    if (pos > size) return fail(error, "TGA data truncated");
    tga_reader rd{data, size, pos, (bits + 7) / 8, int(bits), int(desc & 15), int(base), &palette};
    uint64_t count = uint64_t(w) * h;
    uint64_t remaining = size - pos;
    // Raw data holds every pixel; a run-length packet of 1 + bytes covers at most 128.
    if (!rle ? count * rd.bytes > remaining : count > remaining * 128) return fail(error, "TGA data truncated");
    if (!out.begin(w, h)) return fail(error, "TGA picture refused");
    // The pixels come in the file's order, a row at a time; each row goes
    // where the header's origin puts it.
    const bool top_first = desc & 0x20, right_to_left = desc & 0x10;
    std::vector<uint32_t> line(w);
    uint32_t filled = 0, stored = 0;
    auto put = [&](uint32_t c, uint64_t n) {
        while (n > 0) {
            const uint32_t take = uint32_t(std::min<uint64_t>(n, w - filled));
            std::fill_n(line.begin() + filled, take, c);
            filled += take;
            n -= take;
            if (filled < w) continue;
            if (right_to_left) std::reverse(line.begin(), line.end());
            out.row(top_first ? stored : h - 1 - stored, line.data());
            ++stored;
            filled = 0;
        }
    };
    uint64_t i = 0;
    while (i < count) {
        if (!rle) {
            uint32_t v;
            if (!rd.read_value(v)) return fail(error, "TGA data truncated");
            put(rd.to_argb(v), 1);
            ++i;
            continue;
        }
        if (rd.pos >= size) return fail(error, "TGA data truncated");
        uint32_t head = data[rd.pos++];
        uint64_t n = (head & 127) + 1;
        if (n > count - i) return fail(error, "TGA run past the image");
        if (head & 128) {
            uint32_t v;
            if (!rd.read_value(v)) return fail(error, "TGA data truncated");
            put(rd.to_argb(v), n);
            i += n;
        } else {
            for (uint64_t k = 0; k < n; ++k) {
                uint32_t v;
                if (!rd.read_value(v)) return fail(error, "TGA data truncated");
                put(rd.to_argb(v), 1);
                ++i;
            }
        }
    }
    return true;
}

} // namespace pimage
