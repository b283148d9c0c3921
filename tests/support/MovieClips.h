#pragma once
// Movie clips for tests, written by the ffmpeg command: every frame carries
// its own number in eight blocks across the top quarter of the picture
// (block i white when bit i is set, black otherwise, bit 0 on the left), a
// blue band below them and a red band along the bottom, so that order,
// orientation and colour all show; the sound is a 440 Hz tone.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace qtest {

enum class ClipKind { Wmv, Mpeg1, Avi };

struct ClipSpec {
    ClipKind kind = ClipKind::Wmv;
    int width = 320;
    int height = 240;
    int fps = 25;
    double seconds = 2.0;
    bool sound = true;
};

// The clip's usual file extension with its dot (".wmv", ".mpg", ".avi").
std::string ClipExtension(ClipKind kind);
bool MakeMovieClip(const std::filesystem::path& file, const ClipSpec& spec = {});
// The bytes of the standard clip of a kind (320x240, 25 frames a second,
// 2 s, with sound), made once per process; empty when ffmpeg failed.
const std::vector<unsigned char>& StandardClip(ClipKind kind);

// The number the blocks of a picture hold (pixels 0xAARRGGBB, row after row
// at `stride` pixels), or -1 when a block is neither black nor white or the
// bands are not where they belong.
int ReadFrameCounter(const uint32_t* argb, int stride, int width, int height);

// A clip's bytes with every 97th byte from `start` on flipped.
std::vector<unsigned char> DamagedCopy(std::vector<unsigned char> bytes, size_t start);

} // namespace qtest
