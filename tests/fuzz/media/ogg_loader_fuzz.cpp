// Feeds arbitrary bytes to the Ogg Vorbis loader and plays them as a .ogg file.
#include "fuzz/media/sound_loader_fuzz.h"
#include "media/sound/GxSoundLoaderOgg.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return qfuzz::LoadSound<GxSoundLoaderOgg>(data, size, ".ogg");
}
