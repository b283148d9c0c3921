// Feeds arbitrary bytes to the WAV loader and plays them as a .wav file.
#include "fuzz/media/sound_loader_fuzz.h"
#include "media/sound/GxSoundLoaderWav.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return qfuzz::LoadSound<GxSoundLoaderWav>(data, size, ".wav");
}
