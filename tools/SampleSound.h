#pragma once
// The sample's sounds, synthesised from tones: the interface sounds under
// "sounds/sys/", the title music (Ogg Vorbis, looping after its intro), the
// announcer's system voices (WAV, vowels shaped by formant filters) and the
// opening movie's sound track.
#include "tools/SampleFiles.h"

#include <cstdint>
#include <vector>

namespace qtools {

void AddSystemSounds(SampleFiles& files);
// "bgms/" + the title music, loose on disk beside the pack. False when the
// Vorbis encoder refuses.
bool AddTitleMusic(SampleFiles& files);
void AddSystemVoices(SampleFiles& files);
// The opening's sound as a WAV file: stereo, 44.1 kHz, that many seconds.
std::vector<uint8_t> OpeningSound(double seconds);

} // namespace qtools
