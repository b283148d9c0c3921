#pragma once
// What flows through a movie graph: the result codes its operations return
// (the values the engine's logs print), the media types that pins offer and
// renderers accept, and the samples a video renderer is handed.
#include <cstdint>

namespace pmovie {

using result = uint32_t;
constexpr result s_ok = 0;
constexpr result s_false = 1;
constexpr result e_abort = 0x80004004u;
constexpr result e_pointer = 0x80004003u;
constexpr result e_fail = 0x80004005u;
constexpr result e_unexpected = 0x8000FFFFu;
constexpr result e_outofmemory = 0x8007000Eu;
constexpr result e_invalidarg = 0x80070057u;
constexpr result vfw_s_no_more_items = 0x00040103u;
constexpr result vfw_e_not_found = 0x80040216u;
constexpr result vfw_e_cannot_render = 0x80040218u;
constexpr result vfw_e_wrong_state = 0x80040227u;
constexpr result vfw_e_type_not_accepted = 0x8004022Au;
constexpr result vfw_e_invalid_file_format = 0x8004022Fu;
constexpr result vfw_e_unsupported_stream = 0x80040265u;
inline bool failed(result r) { return (r & 0x80000000u) != 0; }

// The graph's events.
constexpr int32_t ec_complete = 1;
// The graph stopped without completing what it was asked: param1 the failure.
constexpr int32_t ec_error_abort = 3;

enum class major_type { none, stream, video, audio };

enum class subtype {
    none,
    // Byte streams, by the container they hold.
    avi,
    mpeg1_system,
    mpeg1_video,
    mpeg1_videocd,
    quicktime,
    mpeg1_audio,
    wave,
    asf,
    mpeg2_video,
    // Video: packed rows of blue, green, red; of blue, green, red, pad; or a
    // decoded picture that the renderer converts itself (sample::pic).
    rgb24,
    rgb32,
    picture,
};

enum class format_type { none, video_info };

struct media_type {
    major_type major = major_type::none;
    subtype sub = subtype::none;
    format_type format = format_type::none;
    // video_info: the frame's size. Packed rows run bottom-up when height is
    // positive and top-down when it is negative.
    int32_t width = 0;
    int32_t height = 0;
    bool operator==(const media_type&) const = default;
};

// How the pixels of a destination are laid out, in memory order on a
// little-endian machine: 32-bit words 0xAARRGGBB, 16-bit words
// 1-5-5-5 and 4-4-4-4 with the alpha bits set, 3 bytes blue, green, red.
enum class pixel_layout { none, argb8888, argb1555, argb4444, bgr24 };

// A locked destination: the top-left width x height pixels of it are written.
struct frame_target {
    uint8_t* bits = nullptr;
    int32_t pitch = 0;
    int32_t width = 0;
    int32_t height = 0;
    pixel_layout layout = pixel_layout::none;
};

class picture;

// One video frame. For packed types data holds length bytes of rows; for
// subtype::picture pic converts itself. Times are 100-ns units on the
// graph's running timeline.
struct sample {
    const uint8_t* data = nullptr;
    uint32_t length = 0;
    const picture* pic = nullptr;
    int64_t start = 0;
    int64_t stop = 0;
};

// The 4-byte-aligned length of one packed row.
inline int32_t packed_pitch(int32_t width, int32_t bytes_per_pixel) {
    return (width * bytes_per_pixel + 3) & ~3;
}

} // namespace pmovie
