// The image decoders against files that ImageMagick's convert writes from
// raw pixels at test time, against truncated and corrupt files, and the
// header probes, resampling, colour keys and PNG output.
#include "platform/image/image.h"
#include "platform/image/surface_io.h"
#include "support/Golden.h"
#include "support/TempDir.h"
#include "platform/system/safe_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

using namespace pimage;

namespace {

std::string q(const std::filesystem::path& p) { return "'" + p.string() + "'"; }

// Runs a command of the tools the tests need (ImageMagick's convert,
// libjpeg-turbo's cjpeg, jpegtran and djpeg, ffmpeg; scripts/setup-deps
// installs them) in a folder.
void run_in(const std::filesystem::path& dir, const std::string& command) {
    const std::string cmd = "cd " + q(dir) + " && " + command + " 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << "failed: " << cmd;
}
void convert(const std::string& args) { run_in(".", "convert " + args); }

// A picture with varied colours and alpha; `grey` makes r = g = b, `opaque`
// alpha 255, `colours` > 0 limits it to that many distinct pixels.
std::vector<uint32_t> pattern(uint32_t w, uint32_t h, bool grey, bool opaque, int colours = 0) {
    std::vector<uint32_t> px(size_t(w) * h);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            uint32_t r = (x * 37 + y * 11) & 255, g = (x * 5 + y * 29 + 40) & 255, b = (x * y * 3 + 90) & 255;
            uint32_t a = opaque ? 255 : (x * 17 + y * 23 + 30) & 255;
            if (colours > 0) {
                uint32_t k = (x / 3 + y) % uint32_t(colours);
                r = 40 + k * 50;
                g = 200 - k * 30;
                b = k * 60;
                a = opaque ? 255 : 255 - k * 60;
            }
            if (grey) g = b = r;
            px[size_t(y) * w + x] = a << 24 | r << 16 | g << 8 | b;
        }
    return px;
}

// Writes raw RGBA bytes for convert's rgba: reader.
void write_raw(const std::filesystem::path& p, const std::vector<uint32_t>& px) {
    std::vector<unsigned char> bytes;
    for (uint32_t c : px) bytes.insert(bytes.end(), {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c), uint8_t(c >> 24)});
    qtest::WriteBytes(p, bytes);
}

// What a header probe said: width, height and depth.
std::vector<uint32_t> probed(const image_info& i) { return {i.width, i.height, i.depth}; }

int max_channel_diff(uint32_t a, uint32_t b) {
    int m = 0;
    for (int s = 0; s < 32; s += 8) m = std::max(m, std::abs(int((a >> s) & 255) - int((b >> s) & 255)));
    return m;
}

struct reference {
    const char* name;
    const char* options;  // convert options before the output
    const char* output;   // output prefix and extension
    bool grey, opaque;
    int colours;
    int tolerance;   // lossy formats: against ImageMagick's own reading of the file
    file_format fmt;
    int png_colour_type = -1, png_bit_depth = -1, png_interlace = -1;  // what the PNG's IHDR must say
    int tga_type = -1, tga_bits = -1, tga_orientation = -1;              // and a TGA's header, of its layouts
};

const reference kReferences[] = {
    {"png rgba", "", "PNG32:%s.png", false, false, 0, 0, file_format::png, 6, 8, 0},
    {"png rgb", "", "PNG24:%s.png", false, true, 0, 0, file_format::png, 2, 8, 0},
    {"png palette with partial transparency", "", "PNG:%s.png", false, false, 4, 0, file_format::png, 3},
    {"png grey", "-define png:color-type=0 -define png:bit-depth=8", "PNG:%s.png", true, true, 0, 0, file_format::png, 0, 8},
    {"png grey with alpha", "-define png:color-type=4 -define png:bit-depth=8", "PNG:%s.png", true, false, 0, 0, file_format::png, 4, 8},
    {"png 16-bit rgba", "-depth 16", "PNG64:%s.png", false, false, 0, 0, file_format::png, 6, 16},
    {"png interlaced", "-interlace PNG", "PNG32:%s.png", false, false, 0, 0, file_format::png, 6, 8, 1},
    {"bmp 24-bit", "", "BMP3:%s.bmp", false, true, 0, 0, file_format::bmp},
    {"bmp 32-bit with alpha", "", "BMP:%s.bmp", false, false, 0, 0, file_format::bmp},
    {"bmp 8-bit palette", "-type Palette", "BMP3:%s.bmp", false, true, 4, 0, file_format::bmp},
    {"tga 32-bit", "-orient TopLeft", "TGA:%s.tga", false, false, 0, 0, file_format::tga},
    {"tga 32-bit bottom-up", "-flip", "TGA:%s.tga", false, false, 0, 0, file_format::tga},
    {"tga 24-bit run-length", "-orient TopLeft -compress RLE", "TGA:%s.tga", false, true, 0, 0, file_format::tga},
    {"tga grey", "-orient TopLeft -type Grayscale", "TGA:%s.tga", true, true, 0, 0, file_format::tga},
    {"dds uncompressed", "-define dds:compression=none -define dds:mipmaps=0", "DDS:%s.dds", false, false, 0, 0, file_format::dds},
    {"dds dxt1", "-define dds:compression=dxt1 -define dds:mipmaps=0", "DDS:%s.dds", false, true, 0, 2, file_format::dds},
    {"dds dxt5", "-define dds:compression=dxt5 -define dds:mipmaps=0", "DDS:%s.dds", false, false, 0, 2, file_format::dds},
    {"jpeg", "-quality 90", "JPG:%s.jpg", false, true, 0, 3, file_format::jpeg},
    {"jpeg grey", "-quality 90 -colorspace Gray", "JPG:%s.jpg", true, true, 0, 3, file_format::jpeg},
};

// The references, and every layout of a TGA: each orientation, plain and
// run-length, 24 and 32 bits. Bits 5 and 4 of the descriptor say where the
// first stored pixel goes (bottom row first unless bit 5; right to left when
// bit 4). ImageMagick stores rows in the order it holds them and sets the
// bits from its orientation setting, so each file is flipped first to make
// it a true bottom-up or right-to-left file; its first stored pixel pins that.
const std::vector<reference>& references() {
    static std::deque<std::string> texts;  // the TGA rows' names and options
    static const std::vector<reference> all = [] {
        std::vector<reference> v(std::begin(kReferences), std::end(kReferences));
        for (const auto& [orient, bits] : {std::pair{"-orient TopLeft", 0x20}, {"-flip -orient BottomLeft", 0x00},
                                           {"-flop -orient TopRight", 0x30}, {"-flip -flop -orient BottomRight", 0x10}})
            for (const bool rle : {false, true})
                for (const int depth : {24, 32}) {
                    const std::string name = std::string("tga ") + orient + (rle ? " RLE " : " plain ") + std::to_string(depth);
                    const std::string options = std::string(orient) + (rle ? " -compress RLE" : "") +
                                                (depth == 24 ? " -type TrueColor" : " -type TrueColorAlpha");
                    reference r{texts.emplace_back(name).c_str(), texts.emplace_back(options).c_str(), "TGA:%s.tga", false,
                                depth == 24, 0, 0, file_format::tga};
                    r.tga_type = rle ? 10 : 2, r.tga_bits = depth, r.tga_orientation = bits;
                    v.push_back(r);
                }
        return v;
    }();
    return all;
}

std::vector<uint8_t> make_reference(const qtest::TempDir& dir, const reference& r, uint32_t w, uint32_t h,
                                    std::vector<uint32_t>& expected) {
    expected = pattern(w, h, r.grey, r.opaque, r.colours);
    std::filesystem::path raw = dir.path() / "in.raw";
    write_raw(raw, expected);
    char out[256];
    std::string base = (dir.path() / "ref").string();
    std::snprintf(out, sizeof out, r.output, base.c_str());
    std::string outs(out);
    convert("-size " + std::to_string(w) + "x" + std::to_string(h) + " -depth 8 rgba:" + q(raw) + " " + r.options + " '" + outs + "'");
    std::string file = outs.substr(outs.find(':') + 1);
    if (r.tolerance > 0) {
        // Lossy: the reference is ImageMagick's own reading of what it wrote.
        std::filesystem::path back = dir.path() / "back.raw";
        convert("'" + file + "' -depth 8 rgba:" + q(back));
        std::vector<unsigned char> decoded = qtest::ReadBytes(back);
        EXPECT_EQ(decoded.size(), expected.size() * 4);
        for (size_t i = 0; i < expected.size() && i * 4 + 3 < decoded.size(); ++i)
            expected[i] = uint32_t(decoded[i * 4 + 3]) << 24 | uint32_t(decoded[i * 4]) << 16 | uint32_t(decoded[i * 4 + 1]) << 8 | decoded[i * 4 + 2];
    }
    return qtest::ReadBytes(file);
}

// A binary PPM of 0xAARRGGBB pixels (alpha dropped), as cjpeg reads it.
void write_ppm(const std::filesystem::path& p, uint32_t w, uint32_t h, const std::vector<uint32_t>& px) {
    const std::string head = "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
    std::vector<unsigned char> bytes(head.begin(), head.end());
    for (uint32_t c : px) bytes.insert(bytes.end(), {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)});
    qtest::WriteBytes(p, bytes);
}

// What djpeg shows of a JPEG, as opaque 0xAARRGGBB pixels (grey spread to
// red, green and blue).
image djpeg(const std::filesystem::path& dir, const std::string& file) {
    run_in(dir, "djpeg -pnm -outfile shown.pnm " + file);
    const std::vector<unsigned char> b = qtest::ReadBytes(dir / "shown.pnm");
    image out;
    unsigned max = 0;
    int at = 0;
    if (b.size() < 3 || std::sscanf(reinterpret_cast<const char*>(b.data()) + 2, "%u %u %u%n", &out.width, &out.height, &max,
                                    &at) != 3)
        return image{};
    const size_t channels = b[1] == '6' ? 3 : 1, start = 2 + size_t(at) + 1;
    if (b.size() != start + size_t(out.width) * out.height * channels) return image{};
    for (size_t i = start; i < b.size(); i += channels) {
        const uint8_t* p = &b[i];
        out.pixels.push_back(0xFF000000u | uint32_t(p[0]) << 16 | uint32_t(p[channels / 2]) << 8 | p[channels - 1]);
    }
    return out;
}

struct tool_jpeg {
    std::string name;
    std::vector<uint8_t> bytes;
    bool arithmetic;
};

// JPEGs of every coding the decoder takes, written at test time by
// libjpeg-turbo's cjpeg and jpegtran, ImageMagick and ffmpeg, from a
// varied picture of odd size, from a single pixel and from a flat black one
// of 1280 × 720, which arithmetic coding packs into a few hundred bytes and
// Huffman tables made for it (ImageMagick's, ffmpeg's, cjpeg -optimize's)
// into about two bits a block, with a restart marker after each row of
// blocks in one of them.
std::vector<tool_jpeg> tool_jpegs(const qtest::TempDir& dir) {
    write_ppm(dir.path() / "pattern.ppm", 45, 29, pattern(45, 29, false, true));
    write_ppm(dir.path() / "dot.ppm", 1, 1, pattern(1, 1, false, true));
    write_ppm(dir.path() / "flat.ppm", 1280, 720, std::vector<uint32_t>(1280 * 720, 0xFF000000u));
    const struct {
        const char* name;
        const char* command;  // writes the file named
        bool arithmetic;
    } made[] = {
        {"baseline.jpg", "cjpeg -outfile baseline.jpg pattern.ppm", false},
        {"progressive.jpg", "cjpeg -progressive -outfile progressive.jpg pattern.ppm", false},
        {"progressive-dot.jpg", "cjpeg -progressive -outfile progressive-dot.jpg dot.ppm", false},
        {"arithmetic.jpg", "cjpeg -arithmetic -outfile arithmetic.jpg pattern.ppm", true},
        {"arithmetic-progressive.jpg", "cjpeg -arithmetic -progressive -outfile arithmetic-progressive.jpg pattern.ppm", true},
        {"grey-restarts.jpg", "cjpeg -grayscale -restart 1 -outfile grey-restarts.jpg pattern.ppm", false},
        {"444-optimised.jpg", "cjpeg -sample 1x1 -optimize -outfile 444-optimised.jpg pattern.ppm", false},
        {"jpegtran-arithmetic.jpg", "jpegtran -arithmetic -outfile jpegtran-arithmetic.jpg baseline.jpg", true},
        {"jpegtran-progressive.jpg", "jpegtran -progressive -outfile jpegtran-progressive.jpg 444-optimised.jpg", false},
        {"imagemagick-progressive.jpg", "convert pattern.ppm -interlace JPEG -quality 80 imagemagick-progressive.jpg", false},
        {"imagemagick-422.jpg", "convert pattern.ppm -sampling-factor 2x1 -quality 95 imagemagick-422.jpg", false},
        {"ffmpeg.jpg", "ffmpeg -v error -i pattern.ppm -y ffmpeg.jpg", false},
        {"flat.jpg", "cjpeg -outfile flat.jpg flat.ppm", false},
        {"tight-flat-imagemagick.jpg", "convert flat.ppm -quality 80 tight-flat-imagemagick.jpg", false},
        {"tight-flat-ffmpeg.jpg", "ffmpeg -v error -i flat.ppm -y tight-flat-ffmpeg.jpg", false},
        {"tight-flat-optimised.jpg", "cjpeg -optimize -outfile tight-flat-optimised.jpg flat.ppm", false},
        {"tight-flat-restarts.jpg", "cjpeg -optimize -restart 1 -outfile tight-flat-restarts.jpg flat.ppm", false},
        {"progressive-flat.jpg", "cjpeg -progressive -outfile progressive-flat.jpg flat.ppm", false},
        {"flat-arithmetic.jpg", "cjpeg -arithmetic -outfile flat-arithmetic.jpg flat.ppm", true},
        {"flat-grey-arithmetic.jpg", "cjpeg -arithmetic -grayscale -outfile flat-grey-arithmetic.jpg flat.ppm", true},
        {"flat-arithmetic-progressive.jpg",
         "cjpeg -arithmetic -progressive -outfile flat-arithmetic-progressive.jpg flat.ppm", true},
    };
    std::vector<tool_jpeg> out;
    for (const auto& m : made) {
        run_in(dir.path(), m.command);
        out.push_back({m.name, qtest::ReadBytes(dir.path() / m.name), m.arithmetic});
    }
    return out;
}

// A JPEG's parts after its start marker, in order: its marker segments
// (each scan's header among them) and the data of each scan, up to its end
// marker (restart markers and the fill bytes before them are scan data).
struct jpeg_part {
    size_t start, end;
    bool scan_data;
    uint8_t marker;
};
std::vector<jpeg_part> jpeg_parts(const std::vector<uint8_t>& b) {
    std::vector<jpeg_part> parts;
    size_t at = 2;
    while (at + 4 <= b.size() && b[at] == 0xFF && b[at + 1] != 0xD9) {
        const size_t end = at + 2 + (size_t(b[at + 2]) << 8 | b[at + 3]);
        parts.push_back({at, end, false, b[at + 1]});
        at = end;
        if (parts.back().marker != 0xDA) continue;
        // Up to a marker other than a restart marker, fill bytes (0xFF)
        // before one counted with it.
        size_t data_end = at;
        for (;;) {
            while (data_end + 1 < b.size() && b[data_end] != 0xFF) ++data_end;
            size_t next = data_end + 1;
            while (next < b.size() && b[next] == 0xFF) ++next;
            if (next >= b.size() || (b[next] != 0 && (b[next] < 0xD0 || b[next] > 0xD7))) break;
            data_end = next + 1;
        }
        parts.push_back({at, data_end, true, 0});
        at = data_end;
    }
    return parts;
}

} // namespace

// Each file is read as ImageMagick reads it, and sized from its header
// alone; cut or corrupted, it fails cleanly.
TEST(Decoders, ReadFilesWrittenByImageMagickAndFailCleanlyWhenCutOrCorrupt) {
    qtest::TempDir dir;
    for (const reference& r : references()) {
        SCOPED_TRACE(r.name);
        const uint32_t w = 21, h = 13;  // odd sizes: row padding, partial DXT blocks
        std::vector<uint32_t> expected;
        std::vector<uint8_t> bytes = make_reference(dir, r, w, h, expected);
        ASSERT_FALSE(bytes.empty());
        EXPECT_EQ(detect(bytes.data(), bytes.size()), r.fmt);
        for (const auto& [at, mask, want] : {std::tuple{25, 0xFF, r.png_colour_type}, {24, 0xFF, r.png_bit_depth},
                                             {28, 0xFF, r.png_interlace}, {2, 0xFF, r.tga_type}, {16, 0xFF, r.tga_bits},
                                             {17, 0x30, r.tga_orientation}})
            if (want >= 0) {
                ASSERT_EQ(bytes[size_t(at)] & mask, want) << "the file is not what the case is about";
            }
        if (r.tga_orientation >= 0) {
            const size_t first = 18 + bytes[0] + (r.tga_type == 10 ? 1 : 0);
            const uint32_t corner = expected[size_t(r.tga_orientation & 0x20 ? 0 : h - 1) * w + (r.tga_orientation & 0x10 ? w - 1 : 0)];
            EXPECT_EQ(uint32_t(bytes[first]) | uint32_t(bytes[first + 1]) << 8 | uint32_t(bytes[first + 2]) << 16,
                      corner & 0x00FFFFFFu)
                << "the first stored pixel is not the corner the bits name";
        }
        image shown;
        std::string why;
        ASSERT_TRUE(decode(bytes.data(), bytes.size(), shown, &why)) << why;
        ASSERT_EQ(shown.width, w);
        ASSERT_EQ(shown.height, h);
        int worst = 0;
        for (size_t i = 0; i < expected.size(); ++i) worst = std::max(worst, max_channel_diff(shown.pixels[i], expected[i]));
        EXPECT_LE(worst, r.tolerance);
        image_info info;
        ASSERT_TRUE(read_info(bytes.data(), bytes.size(), info, &why)) << why;
        EXPECT_EQ(probed(info), (std::vector<uint32_t>{w, h, r.fmt == file_format::dds ? 0u : 1u}))
            << "DDS reports its header's depth";
        // The header alone tells the size: the first half of the file will
        // do, or a JPEG's segments up to the header of its first scan.
        size_t head = bytes.size() / 2;
        if (r.fmt == file_format::jpeg) {
            const std::vector<jpeg_part> parts = jpeg_parts(bytes);
            const auto scan = std::find_if(parts.begin(), parts.end(), [](const jpeg_part& p) { return p.marker == 0xDA; });
            ASSERT_NE(scan, parts.end()) << "no scan";
            head = scan->end;
        }
        ASSERT_TRUE(read_info(bytes.data(), head, info, &why)) << "from its first " << head << " bytes: " << why;
        EXPECT_EQ(probed(info), (std::vector<uint32_t>{w, h, r.fmt == file_format::dds ? 0u : 1u}));

        image img;
        for (size_t cut : {size_t(0), size_t(3), size_t(17), size_t(30), bytes.size() / 2}) {
            std::vector<uint8_t> part(bytes.begin(), bytes.begin() + ptrdiff_t(std::min(cut, bytes.size())));
            EXPECT_FALSE(decode(part.data(), part.size(), img, &why)) << "cut at " << cut;
            EXPECT_TRUE(img.pixels.empty());
        }
        // Every single-byte corruption of the first 64 bytes: decode or fail, never crash.
        for (size_t i = 0; i < std::min<size_t>(64, bytes.size()); ++i) {
            std::vector<uint8_t> bad = bytes;
            bad[i] ^= 0xA5;
            if (decode(bad.data(), bad.size(), img, &why)) {
                EXPECT_EQ(img.pixels.size(), size_t(img.width) * img.height);
            }
        }
        // A file whose last byte is missing loses data the decoder needs.
        // (Not a TGA's footer, nor a JPEG's end marker: see below.)
        if (r.fmt != file_format::tga && r.fmt != file_format::jpeg) {
            bytes.pop_back();
            EXPECT_FALSE(decode(bytes.data(), bytes.size(), img)) << "without its last byte";
        }
    }
}

TEST(Decoders, SizesTheDataCannotHoldAreRefusedBeforeAllocating) {
    // Little-endian 32-bit fields of a header: offset and value.
    auto le32 = [](std::vector<uint8_t>& b, std::initializer_list<std::pair<size_t, uint32_t>> fields) {
        for (const auto& [at, v] : fields)
            for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
    };
    image img;
    std::string why;
    // PNG: an IHDR past the size limits or whose width × height overflows
    // (its CRC no longer matches: libpng must refuse it too).
    qtest::TempDir dir;
    std::vector<uint32_t> expected;
    const std::vector<uint8_t> png = make_reference(dir, kReferences[0], 21, 13, expected);
    for (auto [w, h] : {std::pair<uint32_t, uint32_t>{65536, 65536}, {0x40000000u, 4}, {16384, 16384}}) {
        std::vector<uint8_t> b = png;
        for (int i = 0; i < 4; ++i) {
            b[16 + size_t(i)] = uint8_t(w >> (24 - 8 * i));
            b[20 + size_t(i)] = uint8_t(h >> (24 - 8 * i));
        }
        EXPECT_FALSE(decode_png(b.data(), b.size(), img, &why)) << w << "x" << h;
        EXPECT_TRUE(img.pixels.empty());
    }
    // BMP: 16384 × 16384 × 4 bytes claimed by a 60-byte file.
    std::vector<uint8_t> bmp(60, 0);
    bmp[0] = 'B', bmp[1] = 'M', bmp[26] = 1, bmp[28] = 32;
    le32(bmp, {{10, 54}, {14, 40}, {18, 16384}, {22, 16384}});
    EXPECT_FALSE(decode_bmp(bmp.data(), bmp.size(), img, &why));
    EXPECT_EQ(why, "BMP pixel data truncated");
    le32(bmp, {{18, 0x7FFFFFFF}});
    EXPECT_FALSE(decode_bmp(bmp.data(), bmp.size(), img, &why));
    EXPECT_EQ(why, "BMP size out of range");
    // DDS header with 65536 × 65536 pixels: width × height × 4 overflows 32 bits.
    std::vector<uint8_t> dds(128, 0);
    std::copy_n("DDS ", 4, dds.begin());
    le32(dds, {{4, 124}, {12, 65536}, {16, 65536}, {76, 32}, {80, 0x41}, {88, 32}});
    EXPECT_FALSE(decode_dds(dds.data(), dds.size(), img, &why));
    EXPECT_EQ(why, "DDS size out of range");
    le32(dds, {{12, 4000}, {16, 4000}});
    EXPECT_FALSE(decode_dds(dds.data(), dds.size(), img, &why));
    EXPECT_EQ(why, "DDS data truncated");
    // TGA: a run-length image of 65535 × 65535 in 40 bytes.
    std::vector<uint8_t> tga(40, 0);
    tga[2] = 10, tga[16] = 32;
    tga[12] = tga[13] = tga[14] = tga[15] = 0xFF;
    EXPECT_FALSE(decode_tga(tga.data(), tga.size(), img, &why));
    tga[12] = 4, tga[13] = 0, tga[14] = 1, tga[15] = 0;  // 4 × 1
    tga[18] = 0x83;  // a run of 4: the image's 4 pixels
    tga[23] = 0x80;  // a second run past the end of the image is never read
    EXPECT_TRUE(decode_tga(tga.data(), 23, img, &why)) << why;
    tga[18] = 0x84;  // a run of 5 into a 4-pixel image
    EXPECT_FALSE(decode_tga(tga.data(), 23, img, &why));
    EXPECT_EQ(why, "TGA run past the image");
}

// A sink that notes whether it was asked for room.
struct asked_sink : pixel_sink {
    bool asked = false;
    uint32_t width = 0, height = 0;
    bool begin(uint32_t w, uint32_t h) override {
        asked = true;
        width = w;
        height = h;
        return true;
    }
    void row(uint32_t, const uint32_t*) override {}
};

// Headers claiming 16384 × 8192 and 16384 × 16384 over comment padding and
// no picture data, as the fuzzer found them (they once cost 512 MB and
// 1 GiB): a Huffman-coded first scan cannot hold its blocks in fewer than
// two bits each, so they are refused before the sink is asked for room and
// before libjpeg makes anything of the picture. Only the scan's own bytes
// count, not the metadata before it, nor a comment after it (the third: the
// first made 2048 × 2048, 16 KiB of codes at least, its 40 KB of comment
// moved behind its scan).
TEST(Decoders, JpegsWhoseDataCannotHoldTheirBlocksAreRefusedAtOnce) {
    const std::string corpus = "tests/corpus/jpeg_fuzz/oom-crafted-";
    std::vector<std::vector<uint8_t>> files;
    for (const char* name : {"header-only-16384x8192", "header-only-16384x16384", "comment-after-scan-2048x2048"})
        files.push_back(qtest::ReadBytes(qtest::SourcePath(corpus + name + ".jpg")));
    ASSERT_EQ(files[0].size(), 40180u);
    ASSERT_EQ(files[2].size(), 40180u);
    for (const std::vector<uint8_t>& bytes : files) {
        struct rusage before = {}, after = {};
        getrusage(RUSAGE_SELF, &before);
        asked_sink sink;
        std::string why;
        EXPECT_FALSE(decode(bytes.data(), bytes.size(), sink, size_limit{}, &why));
        getrusage(RUSAGE_SELF, &after);
        EXPECT_EQ(why, "JPEG data too short for its size") << bytes.size() << " bytes";
        EXPECT_FALSE(sink.asked);
        EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 64 * 1024) << "peak memory grew (KiB)";
    }
}

// Every picture the tools write is shown as djpeg shows it, byte for byte:
// a flat one in a few hundred bytes too, which arithmetic coding makes of
// any size. Without its end marker (one or both of its bytes) a Huffman-coded
// picture is whole and shown the same; cut anywhere before that, it is
// refused as cut short, whatever libjpeg was reading where the data ends: a
// table, a scan's header or a comment between scans, a scan's data, a flat
// picture's first scan that its tight tables code in little more than the
// fewest bits its blocks could take, or a scan missing from a picture of
// several. Arithmetic coding reads zeros past its data by design, where a
// cut looks like an end: there data that ends without its marker is
// refused. A picture whose table is damaged says so. The header probe that
// runs before the decoder says the same of every cut before the end of the
// frame header, and sizes every picture whose frame header is whole.
TEST(Decoders, JpegsOfEveryCodingShowAsDjpegShowsThem) {
    qtest::TempDir dir;
    std::vector<tool_jpeg> jpegs = tool_jpegs(dir);
    {
        // Segments the tools write only before the first scan, which may
        // come between scans too: a comment, an application's segment, a
        // quantisation table (the first one again) and a restart interval.
        const tool_jpeg& from = jpegs[1];
        ASSERT_EQ(from.name, "progressive.jpg");
        const std::vector<jpeg_part> parts = jpeg_parts(from.bytes);
        const auto dqt = std::find_if(parts.begin(), parts.end(), [](const jpeg_part& p) { return p.marker == 0xDB; });
        const auto data = std::find_if(parts.begin(), parts.end(), [](const jpeg_part& p) { return p.scan_data; });
        ASSERT_NE(dqt, parts.end());
        ASSERT_NE(data, parts.end());
        std::vector<uint8_t> between = {0xFF, 0xFE, 0x00, 0x0A, 'c', 'u', 't', ' ', 'h', 'e', 'r', 'e',
                                        0xFF, 0xE1, 0x00, 0x06, 'n', 'o', 't', 'e'};
        between.insert(between.end(), from.bytes.begin() + ptrdiff_t(dqt->start), from.bytes.begin() + ptrdiff_t(dqt->end));
        between.insert(between.end(), {0xFF, 0xDD, 0x00, 0x04, 0x00, 0x00});
        tool_jpeg j{"segments-between-scans.jpg", from.bytes, false};
        j.bytes.insert(j.bytes.begin() + ptrdiff_t(data->end), between.begin(), between.end());
        qtest::WriteBytes(dir.path() / j.name, j.bytes);
        jpegs.push_back(std::move(j));
    }
    {
        // Fill bytes, which may stand before any marker, before the restart
        // marker nearest the middle of a tight picture's scan.
        const auto from = std::find_if(jpegs.begin(), jpegs.end(),
                                       [](const tool_jpeg& t) { return t.name == "tight-flat-restarts.jpg"; });
        ASSERT_NE(from, jpegs.end());
        const std::vector<jpeg_part> parts = jpeg_parts(from->bytes);
        const auto data = std::find_if(parts.begin(), parts.end(), [](const jpeg_part& p) { return p.scan_data; });
        ASSERT_NE(data, parts.end());
        size_t restart = 0;
        for (size_t at = data->start; at + 1 < data->end; ++at)
            if (from->bytes[at] == 0xFF && from->bytes[at + 1] >= 0xD0 && from->bytes[at + 1] <= 0xD7 &&
                at <= (data->start + data->end) / 2)
                restart = at;
        ASSERT_GT(restart, data->start + (data->end - data->start) / 4) << "no restart marker near the middle";
        tool_jpeg j{"tight-flat-fill-bytes.jpg", from->bytes, false};
        j.bytes.insert(j.bytes.begin() + ptrdiff_t(restart), {0xFF, 0xFF, 0xFF});
        qtest::WriteBytes(dir.path() / j.name, j.bytes);
        jpegs.push_back(std::move(j));
    }
    for (const tool_jpeg& j : jpegs) {
        SCOPED_TRACE(j.name + " (" + std::to_string(j.bytes.size()) + " bytes)");
        const image shown = djpeg(dir.path(), j.name);
        ASSERT_FALSE(shown.pixels.empty());
        std::string why;
        image img;
        ASSERT_TRUE(decode_jpeg(j.bytes.data(), j.bytes.size(), img, &why)) << why;
        EXPECT_EQ(img.width, shown.width);
        EXPECT_EQ(img.height, shown.height);
        EXPECT_TRUE(img.pixels == shown.pixels);
        if (j.name.rfind("flat-", 0) == 0) {
            EXPECT_LT(j.bytes.size() * 8, size_t(img.width) * img.height / 64) << "the whole file, under a bit a block";
        }
        ASSERT_EQ(j.bytes[j.bytes.size() - 2], 0xFF);
        ASSERT_EQ(j.bytes.back(), 0xD9);
        // Cut before its last scan too: of a picture of several scans, the
        // scans before it are all there, yet the picture is not whole.
        size_t last_scan = 0;
        for (size_t i = 0; i + 1 < j.bytes.size(); ++i)
            if (j.bytes[i] == 0xFF && j.bytes[i + 1] == 0xDA) last_scan = i;
        for (size_t less : {size_t(1), size_t(2), size_t(3), j.bytes.size() / 2, j.bytes.size() - last_scan}) {
            const std::vector<uint8_t> cut(j.bytes.begin(), j.bytes.end() - ptrdiff_t(less));
            const bool whole = less <= 2 && !j.arithmetic;
            image part;
            EXPECT_EQ(decode_jpeg(cut.data(), cut.size(), part, &why), whole) << "less its last " << less << " bytes";
            if (whole) {
                EXPECT_TRUE(part.pixels == shown.pixels) << "less its last " << less << " bytes";
            } else {
                EXPECT_EQ(why, "JPEG data cut short") << "less its last " << less << " bytes";
            }
        }
        // Cut right after its start marker, at every byte of every segment,
        // and into every scan's data (its first and middle bytes, all but its
        // last, and right after each 0xFF in it: a stuffed byte's, a restart
        // marker's, each fill byte's). Every table damaged: its class and
        // number made 2 and 7, which no Huffman, quantisation or
        // arithmetic-coding table can have.
        const std::vector<jpeg_part> parts = jpeg_parts(j.bytes);
        ASSERT_FALSE(parts.empty());
        ASSERT_EQ(parts.back().end + 2, j.bytes.size()) << "the walk reaches the end marker";
        const auto frame = std::find_if(parts.begin(), parts.end(), [](const jpeg_part& p) {
            return !p.scan_data && p.marker >= 0xC0 && p.marker <= 0xCF && p.marker != 0xC4 && p.marker != 0xC8 &&
                   p.marker != 0xCC;
        });
        ASSERT_NE(frame, parts.end());
        std::set<size_t> cuts = {2};
        for (const jpeg_part& p : parts) {
            if (p.scan_data) {
                cuts.insert({p.start + 1, (p.start + p.end) / 2, p.end - 1});
                for (size_t at = p.start; at < p.end; ++at)
                    if (j.bytes[at] == 0xFF) cuts.insert(at + 1);
                continue;
            }
            for (size_t at = p.start + 1; at <= p.end; ++at) cuts.insert(at);
            if (p.marker == 0xC4 || p.marker == 0xDB || p.marker == 0xCC) {
                std::vector<uint8_t> bad = j.bytes;
                bad[p.start + 4] = 0x27;
                image part;
                EXPECT_FALSE(decode_jpeg(bad.data(), bad.size(), part, &why)) << "table at " << p.start << " damaged";
                EXPECT_EQ(why, "JPEG tables damaged") << "table at " << p.start << " damaged";
            }
        }
        for (size_t cut : cuts) {
            if (cut + 2 >= j.bytes.size()) continue;  // the end marker: above
            image part;
            EXPECT_FALSE(decode(j.bytes.data(), cut, part, &why)) << "cut at " << cut;
            EXPECT_EQ(why, "JPEG data cut short") << "cut at " << cut;
            image_info info;
            const bool header_whole = cut >= frame->end;
            EXPECT_EQ(read_info(j.bytes.data(), cut, info, &why), header_whole) << "probed, cut at " << cut;
            if (header_whole) {
                EXPECT_EQ(info.width, img.width) << "probed, cut at " << cut;
                EXPECT_EQ(info.height, img.height) << "probed, cut at " << cut;
            } else {
                EXPECT_EQ(why, "JPEG data cut short") << "probed, cut at " << cut;
            }
        }
        if (j.name.rfind("tight-", 0) == 0) {
            // Half its scan cannot hold its blocks: refused before room is
            // made for the picture, and refused as cut short all the same.
            const auto data = std::find_if(parts.begin(), parts.end(), [](const jpeg_part& p) { return p.scan_data; });
            asked_sink sink;
            EXPECT_FALSE(decode(j.bytes.data(), (data->start + data->end) / 2, sink, size_limit{}, &why));
            EXPECT_FALSE(sink.asked) << "the file is not what the case is about";
        }
    }
}

// A picture of several scans is decoded by libjpeg one whole pass over its
// blocks after another, however little data each scan holds (a progressive
// scan of zero coefficients takes a few bits, an arithmetic one none): the
// blocks all scans cover are held to 16 passes over the picture's blocks.
// Here a 4:4:4 picture whose first scan is its DC coefficients, then one
// scan for each component (two passes), and that DC scan again and again.
TEST(Decoders, JpegScansAreHeldToSixteenPassesOverThePicture) {
    qtest::TempDir dir;
    write_ppm(dir.path() / "in.ppm", 64, 48, pattern(64, 48, false, true));
    std::ofstream(dir.path() / "scans.txt") << "0,1,2: 0 0 0 0;\n0: 1 63 0 0;\n1: 1 63 0 0;\n2: 1 63 0 0;\n";
    for (const char* coding : {"", "-arithmetic "}) {
        SCOPED_TRACE(coding);
        run_in(dir.path(), std::string("cjpeg -sample 1x1 ") + coding + "-scans scans.txt -outfile s.jpg in.ppm");
        const std::vector<uint8_t> bytes = qtest::ReadBytes(dir.path() / "s.jpg");
        image once;
        ASSERT_TRUE(decode_jpeg(bytes.data(), bytes.size(), once));
        // The first scan with the tables right before it: from the first
        // table after the frame header to the marker after the scan's data.
        auto next = [&](size_t at) { return at + 2 + (size_t(bytes[at + 2]) << 8 | bytes[at + 3]); };
        size_t first = 2;
        while (bytes[first + 1] != 0xC4 && bytes[first + 1] != 0xCC && bytes[first + 1] != 0xDA) first = next(first);
        size_t end = first;
        while (bytes[end + 1] != 0xDA) end = next(end);
        for (end = next(end); !(bytes[end] == 0xFF && bytes[end + 1] != 0);) ++end;
        ASSERT_LT(end + 2, bytes.size());
        for (int again : {14, 15}) {
            std::vector<uint8_t> more(bytes.begin(), bytes.begin() + ptrdiff_t(end));
            for (int i = 0; i < again; ++i) more.insert(more.end(), bytes.begin() + ptrdiff_t(first), bytes.begin() + ptrdiff_t(end));
            more.insert(more.end(), bytes.begin() + ptrdiff_t(end), bytes.end());
            asked_sink sink;
            std::string why;
            image img;
            if (again == 14) {
                ASSERT_TRUE(decode_jpeg(more.data(), more.size(), img, &why)) << why;
                EXPECT_TRUE(img.pixels == once.pixels) << "the DC scan again changes nothing";
            } else {
                EXPECT_FALSE(decode(more.data(), more.size(), sink, size_limit{}, &why));
                EXPECT_EQ(why, "JPEG has too many scans");
                EXPECT_FALSE(sink.asked) << "refused before the picture is made";
            }
        }
    }
}

TEST(HeaderProbes, NeedTheirBytesAndTrustTheSignature) {
    std::vector<uint8_t> png = {137, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 13, 'I', 'H', 'D', 'R',
                                0, 0, 2, 128, 0, 0, 1, 224};
    image_info info;
    ASSERT_TRUE(probe_png_header(png.data(), png.size(), info));
    EXPECT_EQ(probed(info), (std::vector<uint32_t>{640, 480, 0}));
    EXPECT_FALSE(probe_png_header(png.data(), 23, info)) << "23 bytes do not hold the height";
    EXPECT_EQ(info.width, 0u) << "cleared on failure";
    EXPECT_FALSE(probe_dds_header(png.data(), png.size(), info)) << "a PNG is no DDS";

    std::vector<uint8_t> dds(28, 0);
    std::copy_n("DDS ", 4, dds.begin());
    dds[12] = 200, dds[16] = 44, dds[17] = 1, dds[24] = 6;  // height 200, width 300, depth 6
    ASSERT_TRUE(probe_dds_header(dds.data(), dds.size(), info));
    EXPECT_EQ(probed(info), (std::vector<uint32_t>{300, 200, 6}));
    EXPECT_FALSE(probe_dds_header(dds.data(), 27, info)) << "27 bytes do not hold the depth";
    EXPECT_FALSE(probe_dds_header(nullptr, 28, info));
}

// The segment walk that tells a JPEG's size for the file-head probe and the
// decoder that shows the picture agree both ways: a file the walk sizes is
// shown at that size, and one it refuses is refused, over the JPEG fuzz
// corpus (with the crafted files whose APPn, COM and DNL segments have
// lengths of 0 and 1, which the decoder steps over), every JPEG in the other
// corpora and the pictures the tools write. The walk reads segment markers
// and lengths up to the frame header and nothing else, so a file it sizes
// may yet be refused for what it does not read: the tables the segments
// hold, the scans' data, a colour model the decoder does not take. Every
// picture the tools write is shown. The walk asks for bytes only inside the
// file and only ever further on.
TEST(HeaderProbes, JpegSegmentWalkAgreesWithTheDecoderBothWays) {
    const std::set<std::string> unread_by_the_walk = {
        "JPEG tables damaged", "JPEG data corrupt",       "JPEG data cut short", "JPEG data too short for its size",
        "JPEG has too many scans", "CMYK JPEG not supported"};
    std::vector<std::pair<std::string, std::vector<uint8_t>>> files;
    const std::filesystem::path corpus = qtest::SourcePath("tests/corpus");
    for (const auto& entry : std::filesystem::recursive_directory_iterator(corpus)) {
        if (!entry.is_regular_file()) continue;
        std::vector<uint8_t> bytes = qtest::ReadBytes(entry.path());
        const bool jpeg_corpus = entry.path().parent_path().filename() == "jpeg_fuzz";
        if (jpeg_corpus || (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xD8))
            files.emplace_back(entry.path().lexically_relative(corpus).string(), std::move(bytes));
    }
    const size_t from_corpora = files.size();
    qtest::TempDir dir;
    for (tool_jpeg& j : tool_jpegs(dir)) files.emplace_back(j.name, std::move(j.bytes));

    size_t shown = 0, refused_both = 0, refused_unread = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        const auto& [name, bytes] = files[i];
        asked_sink seen;
        std::string decode_why;
        const bool decoded = detect(bytes.data(), bytes.size()) == file_format::jpeg &&
                             decode(bytes.data(), bytes.size(), seen, size_limit{}, &decode_why);

        uint64_t last = 0;
        const byte_reader from_bytes = [&](uint64_t offset, uint8_t* to, size_t count) -> size_t {
            EXPECT_GE(offset, last) << name << ": the walk went back";
            EXPECT_LE(offset + count, bytes.size()) << name << ": the walk read past the end";
            last = offset;
            if (offset >= bytes.size()) return 0;
            count = std::min<size_t>(count, bytes.size() - size_t(offset));
            std::memcpy(to, bytes.data() + offset, count);
            return count;
        };
        image_info info;
        std::string walk_why;
        const bool walked = probe_jpeg_segments(bytes.size(), from_bytes, info, &walk_why);

        auto size = [](uint32_t w, uint32_t h) { return std::to_string(w) + "x" + std::to_string(h); };
        const std::string walk = walked ? size(info.width, info.height) : "refused: " + walk_why;
        if (i >= from_corpora) {
            EXPECT_TRUE(decoded) << name << ": " << decode_why;
        }
        if (decoded) {
            EXPECT_EQ(walk, size(seen.width, seen.height)) << name << ": the decoder shows it";
        } else if (walked) {
            EXPECT_TRUE(unread_by_the_walk.count(decode_why))
                << name << ": the walk sizes it " << walk << ", the decoder refuses it: " << decode_why;
            if (seen.asked) {
                EXPECT_EQ(walk, size(seen.width, seen.height)) << name << ": the decoder took its header";
            }
        }
        if (walked) {
            EXPECT_EQ(info.depth, 1u) << name;
            EXPECT_EQ(info.fmt, file_format::jpeg) << name;
        }
        shown += decoded;
        refused_both += !walked && !decoded;
        refused_unread += walked && !decoded;
    }
    // The corpora hold files of every kind, or the comparison proves nothing.
    EXPECT_GE(from_corpora, 14u);
    EXPECT_GE(shown, 9u);
    EXPECT_GE(refused_both, 3u);
    EXPECT_GE(refused_unread, 2u);
}

TEST(Sizing, PowersOfTwoTriangleFilterPlacementAndColourKey) {
    struct { uint32_t n, want; } pow2[] = {{0, 1}, {1, 1}, {2, 2}, {3, 4}, {640, 1024}, {1024, 1024},
                                           {0x80000000u, 0x80000000u}, {0x80000001u, 0}};
    for (auto p : pow2) EXPECT_EQ(round_up_pow2(p.n), p.want) << p.n;

    image two{2, 1, {0xFF000000u, 0xFFFFFFFFu}};
    image one = resize_triangle(two, 1, 1);
    EXPECT_EQ(one.pixels[0], 0xFF808080u) << "shrinking averages";
    image four = resize_triangle(two, 4, 1);
    EXPECT_EQ(four.pixels, (std::vector<uint32_t>{0xFF000000u, 0xFF404040u, 0xFFBFBFBFu, 0xFFFFFFFFu}))
        << "enlarging interpolates, edges clamped";
    image flat{3, 5, std::vector<uint32_t>(15, 0x80336699u)};
    for (uint32_t p : resize_triangle(flat, 8, 8).pixels) EXPECT_EQ(p, 0x80336699u);

    image placed = place_top_left(two, 4, 2);
    EXPECT_EQ(placed.pixels, (std::vector<uint32_t>{0xFF000000u, 0xFFFFFFFFu, 0, 0, 0, 0, 0, 0}));

    image keyed{3, 1, {0xFFFF00FFu, 0x00FF00FFu, 0xFF00FF00u}};
    apply_color_key(keyed, 0xFFFF00FFu);
    EXPECT_EQ(keyed.pixels, (std::vector<uint32_t>{0, 0x00FF00FFu, 0xFF00FF00u})) << "all 32 bits must match";
    apply_color_key(keyed, 0);
    EXPECT_EQ(keyed.pixels[1], 0x00FF00FFu) << "key 0 is none";
}

TEST(PngOutput, ImageMagickReadsWhatWeWrite) {
    qtest::TempDir dir;
    // Blue, green, red, alpha in memory: an opaque red pixel, then a half-transparent blue one.
    const uint8_t bytes[8] = {0, 0, 255, 255, 255, 0, 0, 128};
    uint32_t px[2];
    std::memcpy(px, bytes, 8);
    std::string path = (dir.path() / "thumb.png").string();
    ASSERT_TRUE(save_png(path, px, 2, 1, 8));
    EXPECT_EQ(qtest::WriterLeftovers(dir.path()), std::vector<std::string>());
    convert(q(path) + " -depth 8 rgba:" + q(dir.path() / "out.raw"));
    EXPECT_EQ(qtest::ReadBytes(dir.path() / "out.raw"), (std::vector<unsigned char>{255, 0, 0, 255, 0, 0, 255, 128}));

    // A bigger picture with a row pitch wider than its pixels.
    std::vector<uint32_t> big = pattern(37, 9, false, false);
    std::vector<uint32_t> padded(40 * 9, 0xDEADBEEFu);
    for (uint32_t y = 0; y < 9; ++y) std::copy_n(big.data() + y * 37, 37, padded.data() + y * 40);
    ASSERT_TRUE(save_png(path, padded.data(), 37, 9, 40 * 4));
    convert(q(path) + " -depth 8 rgba:" + q(dir.path() / "big.raw"));
    std::vector<unsigned char> raw = qtest::ReadBytes(dir.path() / "big.raw");
    ASSERT_EQ(raw.size(), big.size() * 4);
    for (size_t i = 0; i < big.size(); ++i) {
        uint32_t c = uint32_t(raw[i * 4 + 3]) << 24 | uint32_t(raw[i * 4]) << 16 | uint32_t(raw[i * 4 + 1]) << 8 | raw[i * 4 + 2];
        ASSERT_EQ(c, big[i]) << i;
    }
    EXPECT_FALSE(save_png((dir.path() / "no" / "such" / "dir.png").string(), px, 2, 1, 8));
}

TEST(SurfaceLoading, TexturesFromFilesStretchedOrPlaced) {
    qtest::TempDir dir;
    std::vector<uint32_t> src = pattern(300, 200, false, false);
    std::string path = (dir.path() / "pic.png").string();
    ASSERT_TRUE(save_png(path, src.data(), 300, 200, 300 * 4));
    std::vector<uint8_t> file = qtest::ReadBytes(path);

    prender::adapter ad;
    prender::present_parameters pp;
    pp.back_buffer_width = 64;
    pp.back_buffer_height = 64;
    std::unique_ptr<prender::device> dev;
    ASSERT_EQ(ad.create_device(prender::device_type::hal, 0, pp, dev), prender::result::ok);
    std::shared_ptr<prender::texture> tex;
    ASSERT_EQ(dev->create_texture(round_up_pow2(300), round_up_pow2(200), 0, 0, prender::format::a8r8g8b8,
                                  prender::pool::managed, tex), prender::result::ok);
    image_info info;
    ASSERT_EQ(load_surface(*tex->surface_level(0), nullptr, file.data(), file.size(), load_filter::none, 0, &info),
              prender::result::ok);
    EXPECT_EQ(info.width, 300u);
    EXPECT_EQ(info.height, 200u);
    std::vector<uint32_t> px = tex->surface_level(0)->read_argb();
    EXPECT_EQ(px[0], src[0]);
    EXPECT_EQ(px[199 * 512 + 299], src[199 * 300 + 299]);
    EXPECT_EQ(px[199 * 512 + 300], 0u) << "outside the image: transparent black";
    EXPECT_EQ(px[200 * 512], 0u);

    ASSERT_EQ(load_surface(*tex->surface_level(0), nullptr, file.data(), file.size(), load_filter::triangle, 0),
              prender::result::ok);
    ASSERT_EQ(fill_mip_levels(*tex), prender::result::ok);
    EXPECT_EQ(tex->surface_level(9)->desc().width, 1u);
    EXPECT_NE(tex->surface_level(9)->read_argb()[0], 0u);

    // Four-bit textures keep the top four bits of each channel.
    std::shared_ptr<prender::texture> t16;
    ASSERT_EQ(dev->create_texture(4, 4, 1, 0, prender::format::a4r4g4b4, prender::pool::managed, t16), prender::result::ok);
    image one{1, 1, {0x9ABCDEF1u}};
    ASSERT_EQ(write_image(*t16->surface_level(0), nullptr, one, load_filter::triangle, 0), prender::result::ok);
    EXPECT_EQ(t16->surface_level(0)->read_argb()[5], 0x99BBDDFFu);

    std::string why;
    EXPECT_EQ(load_surface(*tex->surface_level(0), nullptr, file.data(), 40, load_filter::none, 0, nullptr, &why),
              prender::result::invalid_arg);
    EXPECT_FALSE(why.empty());
    std::string out = (dir.path() / "saved.png").string();
    ASSERT_TRUE(save_surface_png(out, *t16->surface_level(0)));
    std::vector<uint8_t> saved = qtest::ReadBytes(out);
    image back;
    ASSERT_TRUE(decode_png(saved.data(), saved.size(), back));
    EXPECT_EQ(back.pixels[0], 0x99BBDDFFu);
}

TEST(Decoders, PngsThatCompressWellAreRead) {
    // Uniform pictures compress far better than photographs: transparent
    // layers, solid backgrounds, palette and 1-bit pictures are ordinary
    // game files, whatever their compression ratio.
    qtest::TempDir dir;
    struct big_png {
        const char* name;
        const char* draw;    // convert's drawing of the picture
        const char* output;  // its output format
        uint32_t w, h;
        int colour_type, bit_depth;
        uint32_t inside, outside;  // the pixel in the 100 × 100 corner square, and elsewhere
    };
    const big_png cases[] = {
        {"transparent layer", "xc:none", "PNG32", 1024, 768, 6, 8, 0, 0},
        {"solid background", "'xc:#336699'", "PNG24", 2048, 1536, 2, 8, 0xFF336699u, 0xFF336699u},
        {"palette", "'xc:#336699' -fill '#CC0000' -draw 'rectangle 0,0 99,99' -type Palette", "PNG8", 2048, 2048, 3, 8,
         0xFFCC0000u, 0xFF336699u},
        {"1-bit", "xc:white -fill black -draw 'rectangle 0,0 99,99' -type Bilevel -depth 1", "PNG", 2000, 1500, 0, 1,
         0xFF000000u, 0xFFFFFFFFu},
    };
    auto check = [](const std::string& name, const std::vector<uint8_t>& bytes, uint32_t w, uint32_t h, uint32_t inside,
                    uint32_t outside) {
        image img;
        std::string why;
        ASSERT_TRUE(decode_png(bytes.data(), bytes.size(), img, &why))
            << name << " (" << bytes.size() << " bytes): " << why;
        ASSERT_EQ(img.width, w);
        ASSERT_EQ(img.height, h);
        size_t wrong = 0;
        for (uint32_t y = 0; y < h; ++y)
            for (uint32_t x = 0; x < w; ++x)
                wrong += img.pixels[size_t(y) * w + x] != (x < 100 && y < 100 ? inside : outside);
        EXPECT_EQ(wrong, 0u) << name;
    };
    for (const big_png& c : cases) {
        std::filesystem::path file = dir.path() / "big.png";
        convert("-size " + std::to_string(c.w) + "x" + std::to_string(c.h) + " " + c.draw + " " + c.output + ":" +
                q(file));
        std::vector<uint8_t> bytes = qtest::ReadBytes(file);
        ASSERT_GT(bytes.size(), 29u);
        EXPECT_EQ(int(bytes[25]), c.colour_type) << c.name << ": the file is not what the case is about";
        EXPECT_EQ(int(bytes[24]), c.bit_depth) << c.name;
        check(c.name, bytes, c.w, c.h, c.inside, c.outside);
    }
    // Our own writer's solid picture.
    std::vector<uint32_t> solid(size_t(2048) * 2048, 0x80FF8000u);
    std::vector<uint8_t> ours;
    ASSERT_TRUE(encode_png(solid.data(), 2048, 2048, 2048 * 4, ours));
    check("our solid picture", ours, 2048, 2048, 0x80FF8000u, 0x80FF8000u);

    // A header claiming more rows than its data holds: refused before any
    // row when not even deflate's best ratio (1032) could unpack them from
    // the data; else it fails when the data runs out (the rows come one at a
    // time, so only those few find room). Plain and interlaced files alike.
    struct short_png {
        const char* draw;
        uint16_t claimed_height;
        const char* why;
    };
    const short_png shorts[] = {
        {"-size 16000x4 'xc:#336699'", 16384, "PNG data too short for its size"},
        {"-size 1000x4 xc: +noise Random", 1000, "PNG decoding failed"},
    };
    for (const short_png& c : shorts) {
        for (const char* interlace : {"", "-interlace PNG "}) {
            std::filesystem::path file = dir.path() / "short.png";
            convert(std::string(c.draw) + " " + interlace + "PNG24:" + q(file));
            std::vector<uint8_t> bytes = qtest::ReadBytes(file);
            ASSERT_GT(bytes.size(), 33u);
            bytes[22] = uint8_t(c.claimed_height >> 8);  // height 4 → the claim, CRC made to match
            bytes[23] = uint8_t(c.claimed_height);
            const uLong crc = crc32(0, bytes.data() + 12, 17);
            for (int i = 0; i < 4; ++i) bytes[29 + size_t(i)] = uint8_t(crc >> (24 - 8 * i));
            image img;
            std::string why;
            EXPECT_FALSE(decode_png(bytes.data(), bytes.size(), img, &why)) << interlace;
            EXPECT_EQ(why, c.why) << c.draw << " " << interlace;
            EXPECT_TRUE(img.pixels.empty());
        }
    }
}
