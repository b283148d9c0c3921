// The WAV and Ogg loaders and whole decoded sounds, against files from our
// own writer, from sox, oggenc and oggdec, inside packs, and damaged; the
// sound cache that shares them by name, keeps and purges them.
#include "base/GxStringUtil.h"
#include "io/GxFileSystem.h"
#include "media/sound/GxSoundCache.h"
#include "media/sound/GxSoundLoaderMemory.h"
#include "media/sound/GxSoundLoaderOgg.h"
#include "media/sound/GxSoundLoaderWav.h"
#include "media/sound/GxWavData.h"
#include "sound_fixture.h"
#include "support/Golden.h"
#include "support/LogCapture.h"
#include "tools/builders/PackWriter.h"

#include <memory>

namespace {

using soundtest::SoundTest;
using Loader = SoundTest;
using Cache = SoundTest;

std::vector<uint8_t> ReadAll(GxSoundLoaderBase& loader) {
    std::vector<uint8_t> out;
    EXPECT_TRUE(loader.ReadAll(out));
    return out;
}

std::vector<uint8_t> FileBytes(const std::string& name) {
    const auto b = qtest::ReadBytes(name);
    return std::vector<uint8_t>(b.begin(), b.end());
}

// Real RIFF layouts open (chunks before "fmt ", odd sizes with their pad
// byte, a file cut short of its sizes); broken ones are refused with the
// reason.
TEST_F(Loader, WavLayouts) {
    const std::vector<uint8_t> pcm = qtest::CountingPcm16(100, 2);
    struct Case {
        const char* name;
        qtest::WavSpec spec;
        size_t cutTo;        // 0: the whole file
        bool dropPad;        // the odd chunk's pad byte taken out
        const char* error;   // null: opens
        uint32_t frames;
    };
    qtest::WavSpec listFirst, odd, oddThenLetter, mono8, hugeData, hugeRiff, noWave, floatTag, zeroBlock, noData, nine;
    listFirst.chunkBeforeFormat = true;
    odd.oddChunk = true;
    // The data size's first byte is 'O': without the pad, "ata" and it
    // read as a chunk id one byte on.
    oddThenLetter.oddChunk = true;
    oddThenLetter.dataSize = 0x14F;
    mono8.channels = 1;
    mono8.bits = 8;
    hugeData.dataSize = 0xFFFFFFF0u;
    hugeRiff.riffSize = 0xFFFFFFF0u;
    noWave.noWave = true;
    floatTag.tag = 3;
    zeroBlock.blockAlign = 0xFFFF;  // replaced below: the writer's 0 means "computed"
    noData.noData = true;
    nine.channels = 9;
    const Case cases[] = {
        {"plain", {}, 0, false, nullptr, 100},
        {"a LIST chunk before fmt", listFirst, 0, false, nullptr, 100},
        {"an odd-sized chunk with its pad", odd, 0, false, nullptr, 100},
        {"an odd-sized chunk without its pad", odd, 0, true, nullptr, 100},
        {"an odd-sized chunk without its pad, then a data size whose first byte is a letter", oddThenLetter, 0, true,
         nullptr, 0x14F / 4},
        {"8-bit mono", mono8, 0, false, nullptr, 400},
        {"data size past the file", hugeData, 0, false, nullptr, 100},
        {"RIFF size past the file", hugeRiff, 0, false, nullptr, 100},
        {"cut in the data", {}, 44 + 202, false, nullptr, 50},
        {"no WAVE", noWave, 0, false, "riffヘッダが見つかりません", 0},
        {"float samples", floatTag, 0, false, "PCMWAVEFORMATヘッダが読み込めませんでした", 0},
        {"block alignment 0", zeroBlock, 0, false, "PCMWAVEFORMATヘッダが読み込めませんでした", 0},
        {"nine channels, no speaker order", nine, 0, false, "PCMWAVEFORMATヘッダが読み込めませんでした", 0},
        {"no data chunk", noData, 0, false, "dataチャンクが見つかりません", 0},
        {"cut in the header", {}, 10, false, "riffヘッダが見つかりません", 0},
        {"cut in the format chunk", {}, 30, false, "PCMWAVEFORMATヘッダが読み込めませんでした", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> bytes = qtest::BuildWav(c.spec, pcm);
        if (c.spec.blockAlign == 0xFFFF) bytes[32] = bytes[33] = 0;
        if (c.cutTo) bytes.resize(c.cutTo);
        if (c.dropPad) bytes.erase(bytes.begin() + 12 + 24 + 8 + 3);
        PutBytes("t.wav", bytes);
        qtest::LogCapture log;
        GxSoundLoaderWav loader;
        const bool opened = loader.Open(u"t.wav");
        EXPECT_EQ(opened, c.error == nullptr) << log.Text();
        if (c.error) {
            EXPECT_TRUE(log.Contains(c.error)) << log.Text();
            EXPECT_TRUE(log.Contains("t.wav")) << log.Text();
            EXPECT_FALSE(loader.IsOpen());
            continue;
        }
        EXPECT_EQ(loader.GetLengthSamples(), c.frames);
        const std::vector<uint8_t> got = ReadAll(loader);
        ASSERT_EQ(got.size(), size_t(c.frames) * loader.GetFormat().block_align);
        EXPECT_TRUE(std::equal(got.begin(), got.end(), pcm.begin()));
        EXPECT_TRUE(loader.IsEnd());
    }
}

// Seek, tell and the loop position of a WAV, and the memory loader over the
// same sound.
TEST_F(Loader, WavPositions) {
    const std::vector<uint8_t> pcm = qtest::CountingPcm16(1000, 2);
    PutWav("p.wav", pcm);
    GxSoundLoaderWav wav;
    ASSERT_TRUE(wav.Open(u"p.wav"));
    GxWavData data;
    ASSERT_TRUE(data.CreateFromFile(u"P.WAV"));
    GxSoundLoaderMemory memory;
    EXPECT_FALSE(memory.Open(nullptr));
    ASSERT_TRUE(memory.Open(&data));
    for (GxSoundLoaderBase* loader : {static_cast<GxSoundLoaderBase*>(&wav), static_cast<GxSoundLoaderBase*>(&memory)}) {
        SCOPED_TRACE(loader->GetType());
        EXPECT_EQ(loader->GetLengthMs(), 20u);
        ASSERT_TRUE(loader->Seek(600));
        EXPECT_EQ(loader->Tell(), 600u);
        u8 frame[4];
        u32 got = 0;
        ASSERT_TRUE(loader->Read(frame, 4, &got));
        EXPECT_EQ(got, 4u);
        EXPECT_EQ(qtest::CountingFrame(s16(frame[0] | frame[1] << 8), s16(frame[2] | frame[3] << 8)), 600u);
        EXPECT_FALSE(loader->Seek(1001)) << "past the end";
        EXPECT_EQ(loader->Tell(), 601u);
        EXPECT_TRUE(loader->Seek(1000));
        EXPECT_TRUE(loader->IsEnd());
        loader->SetLoopPos(300);
        EXPECT_EQ(loader->GetLoopPos(), 300u);
        loader->SetLoopPos(1000);
        EXPECT_EQ(loader->GetLoopPos(), 0u) << "a loop position at the end loops from the start";
    }
}

// Files sox writes, 16-bit and unsigned 8-bit, against sox's own raw output;
// the 8-bit samples as signed 16-bit values are what sox converts them to.
TEST_F(Loader, WavFromSox) {
    ASSERT_TRUE(Run("sox -n -r 22050 -c 2 -b 16 tone16.wav synth 0.25 sine 440 sine 660"));
    ASSERT_TRUE(Run("sox tone16.wav -t raw tone16.raw"));
    ASSERT_TRUE(Run("sox -n -r 11025 -c 1 -b 8 -e unsigned-integer tone8.wav synth 0.2 sine 300"));
    ASSERT_TRUE(Run("sox tone8.wav -t raw tone8.raw"));
    ASSERT_TRUE(Run("sox tone8.wav -b 16 -e signed-integer -t raw tone8.s16"));
    for (const char* name : {"tone16", "tone8"}) {
        SCOPED_TRACE(name);
        GxSoundLoaderWav loader;
        ASSERT_TRUE(loader.Open(GxFromUtf8(std::string(name) + ".wav")));
        EXPECT_EQ(ReadAll(loader), FileBytes(std::string(name) + ".raw"));
    }
    GxWavData data;
    ASSERT_TRUE(data.CreateFromFile(u"tone8.wav"));
    const std::vector<uint8_t> wide = FileBytes("tone8.s16");
    ASSERT_EQ(wide.size(), size_t(data.GetLengthSamples()) * 2);
    for (u32 f = 0; f < data.GetLengthSamples(); ++f) {
        s16 left = 0, right = 0;
        ASSERT_TRUE(data.GetSamplePair(&left, &right, f));
        ASSERT_EQ(left, s16(wide[f * 2] | wide[f * 2 + 1] << 8)) << "frame " << f;
        ASSERT_EQ(right, left) << "mono gives its sample to both";
    }
    s16 l, r;
    EXPECT_FALSE(data.GetSamplePair(&l, &r, data.GetLengthSamples()));
}

// Ogg Vorbis from oggenc decodes to exactly what oggdec decodes, on disk and
// inside a scrambled pack; positions are decoded frames.
TEST_F(Loader, OggFromOggenc) {
    PutWav("tone.wav", qtest::SinePcm16(44100, 2, 44100, 440.0), {.rate = 44100});
    ASSERT_TRUE(Run("oggenc -Q -q 3 -o tone.ogg tone.wav"));
    ASSERT_TRUE(Run("oggdec -Q -R -o tone.raw tone.ogg"));
    const std::vector<uint8_t> reference = FileBytes("tone.raw");
    ASSERT_EQ(reference.size(), 44100u * 4);
    qtest::WritePack(m_Dir.path() / "sound.gxp", {{"snd/inpack.ogg", qtest::ReadBytes("tone.ogg")}},
                     {.scrambled = true});
    ASSERT_TRUE(GxMountPackFile(u"sound.gxp"));
    for (const char16_t* name : {u"tone.ogg", u"snd/inpack.ogg"}) {
        SCOPED_TRACE(GxToUtf8(name));
        GxSoundLoaderOgg loader;
        ASSERT_TRUE(loader.Open(name));
        EXPECT_EQ(loader.GetType(), GxSoundLoaderBase::kTypeOgg);
        const GxWaveFormat& f = loader.GetFormat();
        EXPECT_EQ(std::vector<u32>({f.channels, f.samples_per_sec, f.bits_per_sample, f.block_align}),
                  std::vector<u32>({2, 44100, 16, 4}));
        EXPECT_EQ(loader.GetLengthSamples(), 44100u);
        EXPECT_EQ(loader.GetLengthMs(), 1000u);
        EXPECT_EQ(ReadAll(loader), reference);
        EXPECT_FALSE(loader.IsEnd()) << "the last read filled the request";
        std::vector<u8> more(64);
        u32 got = 1;
        EXPECT_TRUE(loader.Read(more.data(), 64, &got));
        EXPECT_EQ(got, 0u);
        EXPECT_TRUE(loader.IsEnd());
        ASSERT_TRUE(loader.Seek(22050));
        EXPECT_FALSE(loader.IsEnd());
        EXPECT_EQ(loader.Tell(), 22050u) << "the decoded position, not a byte offset";
        ASSERT_TRUE(loader.Read(more.data(), 64, &got));
        EXPECT_EQ(loader.Tell(), 22066u);
        EXPECT_TRUE(std::equal(more.begin(), more.end(), reference.begin() + 22050 * 4));
        EXPECT_FALSE(loader.Seek(44101));
    }
    GxWavData data;
    ASSERT_TRUE(data.CreateFromFile(u"snd/INPACK.Ogg"));
    EXPECT_EQ(data.GetName(), u"snd/inpack.ogg");
    EXPECT_EQ(data.GetSize(), reference.size());
    EXPECT_TRUE(std::equal(reference.begin(), reference.end(), data.GetData()));
}

// An Ogg file's pages, each whole with its header.
using Pages = std::vector<std::vector<uint8_t>>;
Pages SplitPages(const std::vector<uint8_t>& file) {
    Pages pages;
    for (size_t at = 0; at + 27 <= file.size();) {
        size_t size = 27 + file[at + 26];
        for (size_t i = 0; i < file[at + 26]; ++i) size += file[at + 27 + i];
        pages.emplace_back(file.begin() + at, file.begin() + at + size);
        at += size;
    }
    return pages;
}

std::vector<uint8_t> Join(std::initializer_list<std::pair<const Pages*, std::pair<size_t, size_t>>> parts) {
    std::vector<uint8_t> out;
    for (const auto& [pages, range] : parts)
        for (size_t i = range.first; i < std::min(range.second, pages->size()); ++i)
            out.insert(out.end(), (*pages)[i].begin(), (*pages)[i].end());
    return out;
}

// A page changed after its header, with its checksum made good again.
std::vector<uint8_t> Rewritten(std::vector<uint8_t> page, size_t at, uint8_t value) {
    page[at] = value;
    page[22] = page[23] = page[24] = page[25] = 0;
    uint32_t crc = 0;
    for (uint8_t b : page) {
        crc ^= uint32_t(b) << 24;
        for (int k = 0; k < 8; ++k) crc = crc & 0x80000000u ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    }
    for (int k = 0; k < 4; ++k) page[22 + k] = uint8_t(crc >> (8 * k));
    return page;
}

// Damaged Ogg files and files of more than one stream: a chain of intact
// links plays whole; what the decoder must not be given (the damaged part of
// a file cut short or garbled, another stream spliced into a link, a link
// whose headers are cut or refused) is left out with one line naming the
// file, and what remains plays as oggdec decodes the same pages; with
// nothing left to play the file is refused. The
// inputs that crashed the decoder or leaked in it are replayed the same way:
// each opens or is refused, and seeks and reads where it opens.
TEST_F(Loader, OggDamageAndStreamLayouts) {
    PutWav("a.wav", qtest::NoisePcm16(3 * 22050, 1), {.channels = 1, .rate = 22050});
    PutWav("b.wav", qtest::SinePcm16(22050, 1, 22050, 300.0), {.channels = 1, .rate = 22050});
    ASSERT_TRUE(Run("oggenc -Q -q 1 -s 11 -o a.ogg a.wav && oggenc -Q -q 1 -s 22 -o b.ogg b.wav"));
    const Pages a = SplitPages(FileBytes("a.ogg")), b = SplitPages(FileBytes("b.ogg"));
    ASSERT_GE(a.size(), 4u);
    ASSERT_EQ(b.size(), 3u) << "identification, comment and setup, one page of sound";
    Pages badSetup = b;
    badSetup[1] = Rewritten(b[1], b[1].size() - 10, uint8_t(b[1][b[1].size() - 10] ^ 0xFF));
    const size_t all = 1000;
    const std::vector<uint8_t> good = FileBytes("a.ogg"), cut(good.begin(), good.begin() + good.size() / 2);
    std::vector<uint8_t> noisy = good;
    for (size_t i = good.size() / 2; i < good.size() / 2 + 300; ++i) noisy[i] ^= 0x5A;
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        std::vector<uint8_t> plays;  // empty: refused
        bool leftOut;
    };
    const Case cases[] = {
        {"cut in half", cut, cut, true},
        {"garbled in the middle", noisy, noisy, true},
        {"cut in the headers", std::vector<uint8_t>(good.begin(), good.begin() + 200), {}, true},
        {"a WAV named .ogg", FileBytes("a.wav"), {}, true},
        {"empty", {}, {}, true},
        {"two links end to end", Join({{&a, {0, all}}, {&b, {0, all}}}), Join({{&a, {0, all}}, {&b, {0, all}}}), false},
        {"a stream's first page spliced in", Join({{&a, {0, 2}}, {&b, {0, 1}}, {&a, {2, all}}}), FileBytes("a.ogg"),
         true},
        {"a whole stream spliced in", Join({{&a, {0, 2}}, {&b, {0, 2}}, {&a, {2, all}}}), {}, true},
        {"a second link cut after its first page", Join({{&a, {0, all}}, {&b, {0, 1}}}), FileBytes("a.ogg"), true},
        {"a second link with a refused setup header", Join({{&a, {0, all}}, {&badSetup, {0, all}}}),
         FileBytes("a.ogg"), true},
        {"the first stream's first page twice", Join({{&a, {0, 2}}, {&a, {0, all}}}), FileBytes("a.ogg"), true},
        {"a link without sound before another", Join({{&b, {0, 2}}, {&a, {0, all}}}), FileBytes("a.ogg"), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PutBytes("mix.ogg", c.bytes);
        qtest::LogCapture log;
        GxSoundLoaderOgg loader;
        const bool opened = loader.Open(u"mix.ogg");
        EXPECT_EQ(log.Contains("mix.ogg"), c.leftOut) << log.Text();
        if (c.plays.empty()) {
            EXPECT_FALSE(opened);
            EXPECT_TRUE(log.Contains("OpenStream ファイルのオープンに失敗しました (mix.ogg)")) << log.Text();
            continue;
        }
        ASSERT_TRUE(opened) << log.Text();
        EXPECT_EQ(log.Contains("Warning/GxSoundLoaderOgg::OpenStream"), c.leftOut) << log.Text();
        PutBytes("expected.ogg", c.plays);
        ASSERT_TRUE(Run("oggdec -Q -R -o expected.raw expected.ogg"));
        EXPECT_LE(loader.GetLengthSamples(), 4u * 22050) << "no longer than both streams";
        EXPECT_EQ(ReadAll(loader), FileBytes("expected.raw"));
        ASSERT_TRUE(loader.Seek(loader.GetLengthSamples() / 2));
    }
    const std::filesystem::path corpus = qtest::SourcePath("tests/corpus/ogg_loader_fuzz");
    int replayed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("crash-", 0) != 0 && name.rfind("leak-", 0) != 0) continue;
        SCOPED_TRACE(name);
        ++replayed;
        PutBytes("found.ogg", FileBytes(entry.path().string()));
        qtest::LogCapture log;
        GxSoundLoaderOgg loader;
        if (!loader.Open(u"found.ogg")) {
            EXPECT_TRUE(log.Contains("(found.ogg)")) << log.Text();
            continue;
        }
        EXPECT_TRUE(log.Contains("Warning/GxSoundLoaderOgg::OpenStream 壊れた部分を除いて再生します (found.ogg)"));
        const u32 length = loader.GetLengthSamples();
        for (u32 frame : {length / 2, length / 3, 0u}) {
            EXPECT_TRUE(loader.Seek(frame)) << frame;
            std::vector<u8> pcm(4096);
            u32 got = 0;
            EXPECT_TRUE(loader.Read(pcm.data(), u32(pcm.size()), &got));
        }
    }
    EXPECT_GE(replayed, 14);
    qtest::LogCapture log;
    GxSoundLoaderOgg missing;
    EXPECT_FALSE(missing.Open(u"none.ogg"));
    EXPECT_TRUE(log.Contains("Error/GxSoundLoaderOgg::Open ファイルのオープンに失敗しました(none.ogg)")) << log.Text();
}

// The whole-sound record: its name, counts, lengths and sample pairs.
TEST_F(Loader, WavData) {
    PutWav("Mono.wav", qtest::CountingPcm16(441, 1), {.channels = 1, .rate = 44100});
    GxWavData data;
    ASSERT_TRUE(data.CreateFromFile(u"Mono.wav"));
    EXPECT_EQ(data.GetName(), u"mono.wav");
    EXPECT_EQ(data.GetRefCount(), 1u);
    EXPECT_EQ(data.GetLengthSamples(), 441u);
    EXPECT_EQ(data.GetLengthMs(), 10u);
    s16 l = 0, r = 0;
    ASSERT_TRUE(data.GetSamplePair(&l, &r, 9));
    EXPECT_EQ(l, 10);
    EXPECT_EQ(r, 10);
    EXPECT_EQ(data.Release(), 0u);
    EXPECT_EQ(data.Release(), 0u) << "never below 0";
    qtest::LogCapture log;
    PutBytes("x.mp3", {1, 2, 3});
    GxWavData other;
    EXPECT_FALSE(other.CreateFromFile(u"x.mp3"));
    EXPECT_TRUE(log.Contains("Error/GxWavData::Create 未対応の形式です(x.mp3)")) << log.Text();
    EXPECT_FALSE(data.Create(u"none", nullptr, 10));
    EXPECT_EQ(data.GetSize(), 0u) << "a failed create leaves nothing of the old sound";
}

TEST(MillisecondsToFrames, Conversions) {
    EXPECT_EQ(MillisecondsToFrames(1000, 44100), 44100u);
    EXPECT_EQ(MillisecondsToFrames(0, 44100), 0u);
    EXPECT_EQ(MillisecondsToFrames(1, 44100), 44u);
    EXPECT_EQ(MillisecondsToFrames(2000, 22050), 44100u);
    EXPECT_EQ(MillisecondsToFrames(0xFFFFFFFFu, 192000), 0xFFFFFFFFu);
}

TEST_F(Cache, SharesByNameAndPurgesWhatIsFree) {
    PutWav("a.wav", qtest::CountingPcm16(1000, 2));
    PutWav("b.wav", qtest::CountingPcm16(500, 2));
    GxSoundCache cache;
    EXPECT_EQ(cache.GetLastStartTime(u"a.wav"), 0u) << "never loaded";
    GxWavData* a = cache.Load(u"a.wav");
    ASSERT_TRUE(a);
    AdvanceMs(7);
    EXPECT_EQ(cache.Load(u"A.WAV"), a) << "the same sound, found without regard to case";
    EXPECT_EQ(a->GetRefCount(), 2u);
    EXPECT_EQ(cache.GetTotalBytes(), 4000u);
    EXPECT_EQ(cache.GetLastStartTime(u"a.wav"), u32(psys::now_ms())) << "the second load touched it";
    EXPECT_EQ(cache.Load(u"missing.wav"), nullptr);
    EXPECT_EQ(cache.GetCount(), 1u);

    ASSERT_TRUE(cache.Preload(u"b.wav", true));
    EXPECT_EQ(cache.GetTotalBytes(), 6000u);
    EXPECT_FALSE(cache.Purge()) << "a is referenced, b is kept";
    cache.Release(u"a.wav");
    cache.Release(u"a.wav");
    EXPECT_TRUE(cache.Purge());
    EXPECT_FALSE(cache.Contains(u"a.wav"));
    EXPECT_TRUE(cache.Contains(u"b.wav"));
    EXPECT_EQ(cache.GetTotalBytes(), 2000u);
    cache.SetKeep(u"b.wav", false);
    EXPECT_TRUE(cache.Purge());
    EXPECT_EQ(cache.GetCount(), 0u);
    EXPECT_EQ(cache.GetTotalBytes(), 0u);
}

// A sound that would take the cache past 20 MiB first purges what is free,
// then goes in even when the total stays above the limit.
TEST_F(Cache, LimitPurgesFirst) {
    const u32 frames = 3 * 1024 * 1024;  // 12 MiB of 16-bit stereo
    PutWav("big1.wav", qtest::ConstantPcm16(frames, 1, 1));
    PutWav("big2.wav", qtest::ConstantPcm16(frames, 2, 2));
    PutWav("big3.wav", qtest::ConstantPcm16(frames, 3, 3));
    GxSoundCache cache;
    ASSERT_TRUE(cache.Load(u"big1.wav"));
    cache.Release(u"big1.wav");
    GxWavData* second = cache.Load(u"big2.wav");
    ASSERT_TRUE(second);
    EXPECT_FALSE(cache.Contains(u"big1.wav")) << "purged for space";
    ASSERT_TRUE(cache.Load(u"big3.wav"));
    EXPECT_TRUE(cache.Contains(u"big2.wav")) << "still referenced";
    EXPECT_EQ(cache.GetCount(), 2u);
    EXPECT_EQ(cache.GetTotalBytes(), 2u * frames * 4);
    EXPECT_TRUE(cache.Clear());
    EXPECT_EQ(cache.GetCount(), 0u);
}

} // namespace
