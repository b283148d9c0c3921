#pragma once
// The sample's sounds, synthesised from tones: the interface sounds under
// "sounds/sys/", the title music (Ogg Vorbis, looping after its intro), the
// speakers' system voices (WAV, vowels shaped by formant filters), the
// configuration's test sounds and the opening movie's sound track.
#include "tools/SampleFiles.h"

#include <cstdint>
#include <vector>

namespace qtools {

void AddSystemSounds(SampleFiles& files);
// "bgms/" + the title music, loose on disk beside the pack. False when the
// Vorbis encoder refuses.
bool AddTitleMusic(SampleFiles& files);
// Every speaker's system voices under "voices/sys/".
void AddSystemVoices(SampleFiles& files);
// The configuration's tests under "sounds/test/": the effect's, and a line
// of each voice panel's speaker.
void AddTestSounds(SampleFiles& files);
// The story's voices ("voices/aki/", "voices/yu/") and sound effects
// ("sounds/se/": a bell, and waves that loop).
void AddStorySounds(SampleFiles& files);
// The background voice "sounds/bgvs/breeze.ogg", a looping breeze. False
// when the Vorbis encoder refuses.
bool AddStoryAmbience(SampleFiles& files);
// "bgms/" + the morning's music, loose beside the pack, looping from its
// start. False when the Vorbis encoder refuses.
bool AddStoryMusic(SampleFiles& files);
// The opening's sound as a WAV file: stereo, 44.1 kHz, that many seconds.
std::vector<uint8_t> OpeningSound(double seconds);
// The shooting star's sound: a falling shimmer, then a soft chord.
std::vector<uint8_t> StarSound(double seconds);

} // namespace qtools
