#include "tools/SampleSound.h"

#include "tools/SampleTables.h"
#include "tools/builders/OggVorbisWriter.h"
#include "tools/builders/SoundFiles.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace qtools {
namespace {

constexpr double kPi = 3.14159265358979323846;
// The peaks of voices and music: a voice over the music at the default
// volumes, where the sound effects and the breeze may join them, stays
// under full scale.
constexpr float kVoicePeak = 0.6f, kMusicPeak = 0.7f;

// Float samples being mixed: interleaved frames of one or two channels.
struct Mix {
    uint32_t rate;
    uint16_t channels;
    std::vector<float> samples;

    Mix(uint32_t r, uint16_t c, double seconds) : rate(r), channels(c), samples(size_t(seconds * r) * c, 0.0f) {}
    size_t Frames() const { return samples.size() / channels; }
    void Add(size_t frame, float v, float pan = 0.0f) {
        if (frame >= Frames()) return;
        if (channels == 1) {
            samples[frame] += v;
            return;
        }
        samples[frame * 2] += v * (1.0f - std::max(pan, 0.0f));
        samples[frame * 2 + 1] += v * (1.0f + std::min(pan, 0.0f));
    }
};

double MidiHz(int note) { return 440.0 * std::pow(2.0, (note - 69) / 12.0); }

// A tone of a few harmonics (amplitudes given, the fundamental first) with
// an attack, an exponential decay and a release, added at a time.
void Tone(Mix& m, double start, double length, double hz, float amp, std::initializer_list<float> harmonics,
          double attack, double decay, float pan = 0.0f, double hzEnd = 0.0) {
    const size_t first = size_t(start * m.rate), count = size_t(length * m.rate);
    const double release = std::min(0.05, length / 4);
    double phase = 0;
    for (size_t i = 0; i < count; ++i) {
        const double t = double(i) / m.rate;
        const double f = hzEnd > 0 ? hz + (hzEnd - hz) * t / length : hz;
        phase += 2 * kPi * f / m.rate;
        double env = t < attack ? t / attack : std::exp(-(t - attack) * decay);
        if (t > length - release) env *= (length - t) / release;
        double v = 0;
        int k = 1;
        for (float h : harmonics) v += h * std::sin(phase * k++);
        m.Add(first + i, float(v * env) * amp, pan);
    }
}

std::vector<int16_t> ToPcm16(const Mix& m, float peak) {
    float top = 0;
    for (float v : m.samples) top = std::max(top, std::fabs(v));
    const float gain = top > 0 ? peak / top : 0;
    std::vector<int16_t> out(m.samples.size());
    for (size_t i = 0; i < out.size(); ++i) out[i] = int16_t(std::lround(std::clamp(m.samples[i] * gain, -1.0f, 1.0f) * 32767));
    return out;
}

std::vector<uint8_t> Wav(const Mix& m, float peak) {
    const std::vector<int16_t> pcm = ToPcm16(m, peak);
    std::vector<uint8_t> bytes;
    for (int16_t s : pcm) bytes.push_back(uint8_t(s)), bytes.push_back(uint8_t(uint16_t(s) >> 8));
    qtest::WavSpec spec;
    spec.channels = m.channels;
    spec.rate = m.rate;
    return qtest::BuildWav(spec, bytes);
}

// Interface sounds: short, bright, mono.
void Interface(SampleFiles& files, const char* name, double seconds, void (*draw)(Mix&)) {
    Mix m(44100, 1, seconds);
    draw(m);
    files.Add(std::string("sounds/sys/") + name, Wav(m, 0.5f));
}

// One voice segment: the formants it moves to, how long it lasts, its pitch
// and loudness, and how much breath noise it has.
struct Segment {
    double f1, f2, f3, seconds, pitch;
    float voiced, noise;
};

// A voice made of segments: a pulse train at the pitch (or noise) through
// three resonators that glide toward each segment's formants.
std::vector<uint8_t> Voice(const std::vector<Segment>& segments) {
    constexpr uint32_t rate = 22050;
    double total = 0;
    for (const Segment& s : segments) total += s.seconds;
    Mix m(rate, 1, total + 0.05);
    double f[3] = {segments.front().f1, segments.front().f2, segments.front().f3};
    double y1[3] = {0, 0, 0}, y2[3] = {0, 0, 0};
    const double width[3] = {80, 100, 140};
    double pitch = segments.front().pitch, phase = 0, voiced = 0, noise = 0;
    uint32_t seed = 7;
    size_t n = 0;
    for (const Segment& s : segments) {
        const size_t count = size_t(s.seconds * rate);
        for (size_t i = 0; i < count; ++i, ++n) {
            // Glide over about 15 ms, as a mouth moves.
            const double k = 1.0 - std::exp(-1.0 / (0.015 * rate));
            const double target[3] = {s.f1, s.f2, s.f3};
            for (int j = 0; j < 3; ++j) f[j] += (target[j] - f[j]) * k;
            pitch += (s.pitch - pitch) * k;
            voiced += (s.voiced - voiced) * k;
            noise += (s.noise - noise) * k;
            phase += pitch / rate;
            double x = 0;
            if (phase >= 1.0) phase -= 1.0, x = voiced;
            seed = seed * 1664525u + 1013904223u;
            x += noise * (double(seed >> 8) / double(1 << 24) - 0.5) * 0.3;
            double out = 0;
            for (int j = 0; j < 3; ++j) {
                const double c = -std::exp(-2 * kPi * width[j] / rate);
                const double b = 2 * std::exp(-kPi * width[j] / rate) * std::cos(2 * kPi * f[j] / rate);
                const double y = (1 - b - c) * x + b * y1[j] + c * y2[j];
                y2[j] = y1[j], y1[j] = y;
                out += y / (j + 1);
            }
            m.Add(n, float(out));
        }
    }
    // Soft edges.
    const size_t edge = rate / 100;
    for (size_t i = 0; i < edge && i < m.Frames(); ++i) {
        m.samples[i] *= float(i) / float(edge);
        m.samples[m.Frames() - 1 - i] *= float(i) / float(edge);
    }
    return Wav(m, kVoicePeak);
}

// A line spoken in a made-up tongue: syllables of a breath of noise and a
// vowel, their pitch falling toward the end as a sentence does.
std::vector<uint8_t> Speech(uint32_t seed, int syllables, double pitch) {
    const double vowels[5][3] = {{730, 1090, 2440}, {270, 2290, 3010}, {300, 870, 2240}, {530, 1840, 2480}, {570, 840, 2410}};
    std::vector<Segment> s;
    for (int i = 0; i < syllables; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const double* v = vowels[seed >> 24 & 3 ? (seed >> 20) % 5 : 0];
        const double p = pitch * (1.0 + 0.12 * std::sin(i * 1.7) - 0.15 * i / syllables);
        s.push_back({400, 1800, 2800, 0.035, p, 0.0f, float(0.5 + (seed >> 12 & 0xFF) / 512.0)});
        s.push_back({v[0], v[1], v[2], 0.11 + (seed >> 4 & 0x3F) / 1200.0, p, 1.0f, 0.0f});
    }
    s.push_back({260, 1600, 2600, 0.08, pitch * 0.8, 0.3f, 0.0f});
    return Voice(s);
}

// Noise through a one-pole low-pass whose loudness follows swell(t).
void Noise(Mix& m, float amp, double cutoff, uint32_t seed, double (*swell)(double)) {
    const double k = 1.0 - std::exp(-2 * kPi * cutoff / m.rate);
    double y[2] = {0, 0};
    for (size_t i = 0; i < m.Frames(); ++i) {
        const double t = double(i) / m.rate;
        for (uint16_t ch = 0; ch < m.channels; ++ch) {
            seed = seed * 1664525u + 1013904223u;
            y[ch] += ((double(seed >> 8) / double(1 << 24)) - 0.5 - y[ch]) * k;
            m.samples[i * m.channels + ch] += float(y[ch] * swell(t)) * amp;
        }
    }
}

// Sound that is to loop: its last half second faded into its first.
void FoldLoop(Mix& m) {
    const size_t fold = size_t(m.rate / 2) * m.channels, keep = m.samples.size() - fold;
    for (size_t i = 0; i < fold; ++i) {
        const float t = float(i) / float(fold);
        m.samples[i] = m.samples[i] * t + m.samples[keep + i] * (1 - t);
    }
    m.samples.resize(keep);
}

// Music that loops from loopStart to end: what rings past the end is folded
// back onto the loop's start, so that the seam cannot be heard; encoded and
// laid loose under "bgms/". False when the encoder refuses.
bool AddLoopedMusic(SampleFiles& files, Mix& m, double loopStart, double end, const std::string& name) {
    const size_t loop = size_t(loopStart * m.rate) * 2, stop = size_t(end * m.rate) * 2;
    for (size_t i = stop; i < m.samples.size(); ++i) m.samples[loop + (i - stop)] += m.samples[i];
    m.samples.resize(stop);
    qtest::OggVorbisSpec spec;
    spec.quality = 0.2f;
    std::vector<uint8_t> ogg = qtest::EncodeOggVorbis(ToPcm16(m, kMusicPeak), spec);
    if (ogg.empty()) return false;
    files.Add("bgms/" + name, std::move(ogg), SamplePlace::Loose);
    return true;
}

} // namespace

void AddSystemSounds(SampleFiles& files) {
    Interface(files, "push.wav", 0.08, [](Mix& m) { Tone(m, 0, 0.08, 1200, 1, {1, 0.3f}, 0.002, 60); });
    Interface(files, "cancel.wav", 0.14, [](Mix& m) { Tone(m, 0, 0.14, 700, 1, {1, 0.2f}, 0.005, 20, 0, 400); });
    Interface(files, "open.wav", 0.2, [](Mix& m) {
        Tone(m, 0, 0.1, 660, 1, {1, 0.3f}, 0.004, 25);
        Tone(m, 0.08, 0.12, 990, 1, {1, 0.3f}, 0.004, 25);
    });
    Interface(files, "close.wav", 0.2, [](Mix& m) {
        Tone(m, 0, 0.1, 990, 1, {1, 0.3f}, 0.004, 25);
        Tone(m, 0.08, 0.12, 660, 1, {1, 0.3f}, 0.004, 25);
    });
    Interface(files, "drag.wav", 0.05, [](Mix& m) { Tone(m, 0, 0.05, 300, 1, {1, 0.5f, 0.2f}, 0.003, 60); });
    Interface(files, "drop.wav", 0.1, [](Mix& m) { Tone(m, 0, 0.1, 220, 1, {1, 0.4f}, 0.002, 35, 0, 110); });
    Interface(files, "decide.wav", 0.3, [](Mix& m) {
        const double notes[] = {784, 988, 1319};
        for (int i = 0; i < 3; ++i) Tone(m, 0.06 * i, 0.3 - 0.06 * i, notes[i], 1, {1, 0.25f, 0.1f}, 0.003, 12);
    });
    Interface(files, "notice0.wav", 0.45, [](Mix& m) {
        Tone(m, 0, 0.3, 880, 1, {1, 0.4f, 0.2f}, 0.003, 8);
        Tone(m, 0.12, 0.33, 1320, 1, {1, 0.4f, 0.2f}, 0.003, 8);
    });
    Interface(files, "notice1.wav", 0.35, [](Mix& m) { Tone(m, 0, 0.35, 660, 1, {1, 0.3f}, 0.004, 9); });
    Interface(files, "direct.wav", 0.12, [](Mix& m) { Tone(m, 0, 0.12, 500, 1, {1, 0.3f}, 0.003, 15, 0, 1500); });
}

bool AddTitleMusic(SampleFiles& files) {
    // 120 beats a minute: a bar of intro, then four bars that loop.
    constexpr double beat = 0.5, bar = 4 * beat, intro = bar, end = intro + 4 * bar;
    Mix m(44100, 2, end + 2.0);
    const int chords[4][3] = {{48, 52, 55}, {45, 48, 52}, {41, 45, 48}, {43, 47, 50}};  // C, Am, F, G
    const int melody[4][8] = {{72, 76, 79, 76, 74, 72, 74, 76},
                              {72, 0, 69, 72, 76, 0, 74, 72},
                              {69, 72, 77, 76, 74, 72, 69, 72},
                              {71, 74, 79, 77, 76, 74, 71, 0}};
    // The intro: the first chord swelling, a slow arpeggio over it, all of it
    // ended before the loop starts (the loop never hears it again).
    for (int k = 0; k < 3; ++k) Tone(m, 0, intro, MidiHz(chords[0][k] + 12), 0.12f, {1, 0.3f}, 1.5, 0.1, float(k - 1));
    for (int k = 0; k < 4; ++k)
        Tone(m, k * beat, intro - k * beat, MidiHz(67 + 5 * (k % 2) + 12 * (k / 2)), 0.15f, {1, 0.2f}, 0.01, 3, 0.3f);
    for (int b = 0; b < 4; ++b) {
        const double t0 = intro + b * bar;
        for (int k = 0; k < 3; ++k)
            Tone(m, t0, bar + 0.1, MidiHz(chords[b][k] + 12), 0.1f, {1, 0.3f, 0.1f}, 0.3, 0.4, 0.6f * float(k - 1));
        Tone(m, t0, 2 * beat, MidiHz(chords[b][0] - 12), 0.35f, {1, 0.2f, 0.1f}, 0.01, 2);
        Tone(m, t0 + 2 * beat, 2 * beat, MidiHz(chords[b][0] - 12), 0.3f, {1, 0.2f, 0.1f}, 0.01, 2);
        for (int e = 0; e < 8; ++e)
            if (melody[b][e]) Tone(m, t0 + e * beat / 2, 0.9, MidiHz(melody[b][e]), 0.22f, {1, 0.35f, 0.1f}, 0.005, 4, 0.25f);
    }
    return AddLoopedMusic(files, m, intro, end, kSampleTitleMusic);
}

void AddSystemVoices(SampleFiles& files) {
    // "Ku-i-ron!": the game's name, called out.
    const std::vector<Segment> titleCall = {{300, 1800, 2600, 0.04, 230, 0.0f, 1.0f},
                                            {320, 870, 2240, 0.10, 240, 1.0f, 0.0f},
                                            {280, 2290, 3010, 0.16, 270, 1.0f, 0.0f},
                                            {350, 1300, 2500, 0.04, 260, 0.6f, 0.0f},
                                            {570, 840, 2410, 0.18, 240, 1.0f, 0.0f},
                                            {260, 1600, 2600, 0.16, 200, 0.6f, 0.0f}};
    // "Ma-ta ne?": leaving already?
    const std::vector<Segment> exitCall = {{250, 1200, 2400, 0.08, 210, 0.5f, 0.0f},
                                           {730, 1090, 2440, 0.14, 220, 1.0f, 0.0f},
                                           {400, 1800, 2800, 0.04, 220, 0.0f, 0.8f},
                                           {730, 1090, 2440, 0.12, 210, 1.0f, 0.0f},
                                           {260, 1600, 2600, 0.06, 210, 0.6f, 0.0f},
                                           {530, 1840, 2480, 0.22, 290, 1.0f, 0.0f}};
    // Each speaker says them in their own voice: the announcer's pitch moved
    // to theirs, the mouth a little smaller for a higher voice.
    const std::string folder = std::string(kSampleSystemVoices) + "/";
    for (const SampleVoicePanel& p : kSampleVoicePanels) {
        const double pitch = p.pitch / kSampleVoicePanels[0].pitch, mouth = std::pow(pitch, 0.3);
        for (const auto& [name, line] : {std::pair{kSampleTitleCall, &titleCall}, std::pair{kSampleExitCall, &exitCall}}) {
            std::vector<Segment> said = *line;
            for (Segment& s : said) s.f1 *= mouth, s.f2 *= mouth, s.f3 *= mouth, s.pitch *= pitch;
            files.Add(folder + p.calls + name + ".wav", Voice(said));
        }
    }
}

void AddTestSounds(SampleFiles& files) {
    const std::string folder = std::string(kSampleSoundTest) + "/";
    // A bright two-note chime at the effects' volume.
    Mix chime(22050, 1, 0.7);
    Tone(chime, 0, 0.7, 1046.5, 1, {1, 0, 0.5f, 0, 0.3f}, 0.003, 5);
    Tone(chime, 0.12, 0.58, 1568, 1, {1, 0, 0.5f, 0, 0.3f}, 0.003, 5);
    files.Add(folder + kSampleTestSe + ".wav", Wav(chime, 0.6f));
    // A line in each speaker's voice.
    uint32_t seed = 31;
    for (const SampleVoicePanel& p : kSampleVoicePanels) files.Add(folder + p.test + ".wav", Speech(seed++, 5, p.pitch));
}

std::vector<uint8_t> OpeningSound(double seconds) {
    Mix m(44100, 2, seconds);
    // A rising chime as the title appears, over a low hum.
    Tone(m, 0, seconds, MidiHz(36), 0.2f, {1, 0.5f, 0.25f}, 1.0, 0.2);
    const int notes[] = {60, 64, 67, 72, 76, 79, 84};
    for (int i = 0; i < 7; ++i) Tone(m, 0.4 + i * 0.3, seconds - 0.4 - i * 0.3, MidiHz(notes[i]), 0.2f, {1, 0.3f}, 0.005, 2.5, 0.15f * float(i - 3));
    return Wav(m, 0.7f);
}

std::vector<uint8_t> StarSound(double seconds) {
    Mix m(44100, 2, seconds);
    Tone(m, 0.3, 1.4, 2600, 0.15f, {1, 0.5f}, 0.01, 2, 0.6f, 900);
    for (int i = 0; i < 3; ++i) Tone(m, 1.5, seconds - 1.5, MidiHz(72 + 4 * i - (i == 2)), 0.15f, {1, 0.3f}, 0.3, 1.2, 0.3f * float(i - 1));
    return Wav(m, 0.6f);
}


void AddStorySounds(SampleFiles& files) {
    const struct {
        const char* path;
        uint32_t seed;
        int syllables;
        double pitch;
    } lines[] = {
        {"voices/aki/aki_001.wav", 11, 7, 270}, {"voices/aki/aki_002.wav", 12, 8, 280},
        {"voices/aki/aki_003.wav", 13, 6, 300}, {"voices/yu/yu_001.wav", 21, 8, 175},
        {"voices/yu/yu_002.wav", 22, 9, 165},
    };
    for (const auto& l : lines) files.Add(l.path, Speech(l.seed, l.syllables, l.pitch));

    // A clock tower's bell: three strokes of a bell's inharmonic partials.
    Mix bell(22050, 1, 2.6);
    for (int i = 0; i < 3; ++i) Tone(bell, i * 0.6, 2.6 - i * 0.6, 523.25, 1, {1, 0, 0.6f, 0, 0.4f, 0.25f}, 0.003, 2.2);
    files.Add("sounds/se/chime.wav", Wav(bell, 0.6f));
    // Waves: noise swelling and ebbing twice, folded into a seamless loop.
    Mix waves(22050, 1, 4.5);
    Noise(waves, 1, 900, 5, [](double t) { return 0.25 + 0.75 * std::pow(std::sin(t * kPi / 2), 2.0); });
    FoldLoop(waves);
    files.Add("sounds/se/waves.wav", Wav(waves, 0.5f));
}

bool AddStoryAmbience(SampleFiles& files) {
    // A breeze: soft stereo noise, slowly rising and falling, looped.
    Mix breeze(22050, 2, 4.5);
    Noise(breeze, 1, 400, 9, [](double t) { return 0.6 + 0.4 * std::sin(t * kPi / 2); });
    FoldLoop(breeze);
    qtest::OggVorbisSpec spec;
    spec.rate = 22050;
    spec.quality = 0.0f;
    std::vector<uint8_t> ogg = qtest::EncodeOggVorbis(ToPcm16(breeze, 0.4f), spec);
    if (ogg.empty()) return false;
    files.Add("sounds/bgvs/breeze.ogg", std::move(ogg));
    return true;
}

bool AddStoryMusic(SampleFiles& files) {
    // The morning's music: 100 beats a minute in F, four bars that loop
    // from the start; a plucked bass and a bright melody over soft chords.
    constexpr double beat = 0.6, bar = 4 * beat, end = 4 * bar;
    Mix m(44100, 2, end + 2.0);
    const int chords[4][3] = {{53, 57, 60}, {50, 53, 57}, {46, 50, 53}, {48, 52, 55}};  // F, Dm, Bb, C
    const int melody[4][8] = {{77, 0, 76, 77, 81, 0, 79, 77},
                              {74, 77, 76, 74, 72, 0, 74, 0},
                              {70, 74, 77, 79, 77, 74, 72, 70},
                              {72, 0, 76, 79, 84, 0, 79, 76}};
    for (int b = 0; b < 4; ++b) {
        const double t0 = b * bar;
        for (int k = 0; k < 3; ++k)
            Tone(m, t0, bar + 0.1, MidiHz(chords[b][k]), 0.09f, {1, 0.4f, 0.15f}, 0.2, 0.5, 0.5f * float(k - 1));
        for (int q = 0; q < 4; ++q)
            Tone(m, t0 + q * beat, beat, MidiHz(chords[b][q % 2 ? 2 : 0] - 12), 0.3f, {1, 0.3f, 0.1f}, 0.005, 5);
        for (int e = 0; e < 8; ++e)
            if (melody[b][e]) Tone(m, t0 + e * beat / 2, 0.7, MidiHz(melody[b][e]), 0.2f, {1, 0.2f, 0.3f}, 0.004, 5, -0.25f);
    }
    return AddLoopedMusic(files, m, 0, end, kSampleStoryMusic);
}

} // namespace qtools
