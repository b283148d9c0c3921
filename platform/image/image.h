#pragma once
// Image files to pixels and back: PNG (libpng), JPEG (libjpeg-turbo), and our
// own DDS (uncompressed and DXT1/3/5), BMP and TGA decoders; header probes;
// resampling to texture sizes; colour keys; PNG output.
//
// Pixels in memory are 0xAARRGGBB words (bytes blue, green, red, alpha),
// rows top first, no padding. Every decoder checks each size and offset
// against the bytes it was given and refuses images whose pixels would not
// fit the limits below; a refused or broken file gives false and a reason.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace pimage {

// The largest side of an image the decoders accept.
constexpr uint32_t max_side = 16384;

// The largest picture a caller can use (a renderer's largest texture, say).
// A decoder given one refuses a larger picture from its header, before it
// allocates anything for the pixels; sides above max_side count as max_side.
struct size_limit {
    uint32_t width = max_side;
    uint32_t height = max_side;
};

enum class file_format { unknown, png, jpeg, dds, bmp, tga };

struct image {
    uint32_t width = 0, height = 0;
    std::vector<uint32_t> pixels;
};

struct image_info {
    uint32_t width = 0, height = 0;
    uint32_t depth = 0;  // the DDS header's depth; 1 for other flat images; 0 from the PNG probe
    file_format fmt = file_format::unknown;
};

// Where a decoder puts a picture, row by row, so that the caller chooses
// where the pixels live (a texture's own level, say) and no whole copy of the
// picture is made on the way. begin is told the picture's size once its
// header has passed every check; row then gets each row once (width pixels,
// row 0 the top), in the order the file stores them.
class pixel_sink {
public:
    virtual ~pixel_sink() = default;
    // False refuses the picture: the decoder stops and fails.
    virtual bool begin(uint32_t width, uint32_t height) = 0;
    virtual void row(uint32_t y, const uint32_t* pixels) = 0;
};

// Collects the rows into an image. Room is made as the rows come (all of it
// at once for a file that stores its bottom row first), so a file whose data
// runs out costs only the rows it held.
class image_sink : public pixel_sink {
public:
    explicit image_sink(image& out) : out_(out) {}
    bool begin(uint32_t width, uint32_t height) override;
    void row(uint32_t y, const uint32_t* pixels) override;

private:
    image& out_;
};

// Hands the rows to the sink that `choose` picks once the picture's size is
// known; a null choice refuses the picture.
class chosen_sink : public pixel_sink {
public:
    using chooser = std::function<pixel_sink*(uint32_t width, uint32_t height)>;
    explicit chosen_sink(chooser choose) : choose_(std::move(choose)) {}
    bool begin(uint32_t width, uint32_t height) override;
    void row(uint32_t y, const uint32_t* pixels) override { target_->row(y, pixels); }

private:
    chooser choose_;
    pixel_sink* target_ = nullptr;
};

// What the first bytes say (TGA has no signature: anything else that parses
// as a TGA header is taken as one; a JPEG's start marker alone is a JPEG).
file_format detect(const uint8_t* data, size_t size);

// Header probes: width and height from a PNG signature and IHDR (24 bytes
// needed, depth 0), or width, height and depth from a DDS header (28 bytes
// needed). false when the bytes are too few or the signature differs.
bool probe_png_header(const uint8_t* data, size_t size, image_info& out);
bool probe_dds_header(const uint8_t* data, size_t size, image_info& out);
// Width and height (depth 1) from a BMP's file and info headers, or from a
// TGA's 18-byte header, checked as their decoders check them before they
// look at the pixels, which need not be at hand.
bool probe_bmp_header(const uint8_t* data, size_t size, image_info& out, std::string* error = nullptr);
bool probe_tga_header(const uint8_t* data, size_t size, image_info& out, std::string* error = nullptr);

// Size of any supported image from its header alone, checked as the decoder
// would: the head of a file will do, as long as it holds the header (a
// PNG's first 33 bytes, a DDS's 128, a BMP's headers, a TGA's 18, a JPEG's
// segments up to its frame header).
bool read_info(const uint8_t* data, size_t size, image_info& out, std::string* error = nullptr);

// Reads up to `count` bytes at `offset` into `out`; how many it read.
using byte_reader = std::function<size_t(uint64_t offset, uint8_t* out, size_t count)>;
// A JPEG's size (depth 1) from its frame header, found by walking the
// segments before it: only each segment's marker and length are read and the
// rest is stepped over, so metadata of any size (EXIF, XMP, ICC profiles)
// may come first. The walk only moves forward, never past `size` bytes, and
// anything that is not a segment ends it with false; a file that ends before
// its frame header does, with the decoder's reason for a file cut short.
bool probe_jpeg_segments(uint64_t size, const byte_reader& read, image_info& out, std::string* error = nullptr);

// Into a sink, held to a caller's limit.
bool decode(const uint8_t* data, size_t size, pixel_sink& out, const size_limit& limit, std::string* error = nullptr);
bool decode(const uint8_t* data, size_t size, image& out, std::string* error = nullptr);
bool decode_png(const uint8_t* data, size_t size, image& out, std::string* error = nullptr);
bool decode_jpeg(const uint8_t* data, size_t size, image& out, std::string* error = nullptr);
bool decode_dds(const uint8_t* data, size_t size, image& out, std::string* error = nullptr);
bool decode_bmp(const uint8_t* data, size_t size, image& out, std::string* error = nullptr);
bool decode_tga(const uint8_t* data, size_t size, image& out, std::string* error = nullptr);
// The same, held to a caller's limit.
bool decode(const uint8_t* data, size_t size, image& out, const size_limit& limit, std::string* error = nullptr);
bool decode_png(const uint8_t* data, size_t size, image& out, const size_limit& limit, std::string* error = nullptr);
bool decode_jpeg(const uint8_t* data, size_t size, image& out, const size_limit& limit, std::string* error = nullptr);
bool decode_dds(const uint8_t* data, size_t size, image& out, const size_limit& limit, std::string* error = nullptr);
bool decode_bmp(const uint8_t* data, size_t size, image& out, const size_limit& limit, std::string* error = nullptr);
bool decode_tga(const uint8_t* data, size_t size, image& out, const size_limit& limit, std::string* error = nullptr);

// Whether width × height pixels of 4 bytes stay inside the limits.
bool size_acceptable(uint64_t width, uint64_t height, const size_limit& limit = {});

// Pixels equal to the key (all 32 bits) become transparent black; key 0 is none.
void apply_color_key(image& img, uint32_t key);
// Smallest power of two not below n; 1 for n below 2, 0 above 2^31.
uint32_t round_up_pow2(uint32_t n);
// Resamples with a triangle filter (a tent as wide as the scale when
// shrinking, linear interpolation when enlarging), edges clamped.
image resize_triangle(const image& src, uint32_t width, uint32_t height);
// The image unscaled in the top-left corner of a width × height picture;
// what lies outside it is transparent black.
image place_top_left(const image& src, uint32_t width, uint32_t height);
// Halves an image (box filter over 2 × 2 pixels, sides rounded down, at least 1).
image half_size(const image& src);
// One row of that: out_width pixels from two source rows of src_width pixels.
void half_row(const uint32_t* upper, const uint32_t* lower, uint32_t src_width, uint32_t* out, uint32_t out_width);

// The rows of resize_triangle, made one at a time with the colour key applied
// to the source first: only the source rows that the next rows need are kept,
// filtered across, so no whole resized copy is ever made.
class triangle_rows {
public:
    triangle_rows(const image& src, uint32_t width, uint32_t height, uint32_t color_key);
    // The next row, width pixels.
    void next(uint32_t* out);

private:
    struct taps {
        std::vector<int32_t> first, count;
        std::vector<float> weight;
        std::vector<size_t> offset;
    };
    static taps make_taps(uint32_t src, uint32_t dst);
    const float* filtered(uint32_t sy);

    const image& src_;
    uint32_t width_, key_;
    uint32_t y_ = 0;
    taps across_, down_;
    // Source rows filtered across, each in slot (row % slot count), and
    // the rows the current row's taps read.
    std::vector<float> slots_;
    std::vector<int64_t> held_;
    std::vector<const float*> taps_;
};

// PNG output: RGBA, 8 bits a channel, from 0xAARRGGBB rows (pitch in
// bytes). Written to a temporary file beside the path and renamed over it,
// so a failure never leaves a half-written file.
// With a keyword, the text is written with the picture (a tEXt chunk
// before its pixel data).
bool encode_png(const uint32_t* pixels, uint32_t width, uint32_t height, size_t pitch, std::vector<uint8_t>& out,
                const std::string& keyword = {}, const std::string& text = {});
// The text written under the keyword, found before the picture's pixel data
// without decoding anything; "" when there is none.
std::string read_png_text(const uint8_t* data, size_t size, const std::string& keyword);
bool save_png(const std::string& path, const uint32_t* pixels, uint32_t width, uint32_t height, size_t pitch);

} // namespace pimage
