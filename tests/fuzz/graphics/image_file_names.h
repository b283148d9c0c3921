#pragma once
// The name image_file_fuzz gives a picture file, shared with the graphics
// test that holds every picture of its corpus to load under that name.
#include "platform/image/image.h"

#include <cstddef>
#include <cstdint>

namespace qfuzz {

// The names a picture file is given, by its format: ".png" and ".dds" are
// probed by their own headers, any other name by the file's contents.
inline const char* const kImageFileNames[] = {"f.png", "f.dds", "f.jpg", "f.bmp", "f.tga"};

// The name the game would find the file under: its own format's. When the
// low three bits of the last byte are all set (never so at the end of a PNG,
// a JPEG or a TGA footer), the rest of that byte picks the name instead, so
// that each probe also meets what it must refuse: the last byte, unlike the
// first, begins no format.
inline const char* NameFor(const uint8_t* data, size_t size) {
    const uint8_t last = size ? data[size - 1] : 0;
    if ((last & 7) == 7) return kImageFileNames[(last >> 3) % 5];
    switch (pimage::detect(data, size)) {
    case pimage::file_format::png: return kImageFileNames[0];
    case pimage::file_format::dds: return kImageFileNames[1];
    case pimage::file_format::jpeg: return kImageFileNames[2];
    case pimage::file_format::bmp: return kImageFileNames[3];
    default: return kImageFileNames[4];
    }
}

} // namespace qfuzz
