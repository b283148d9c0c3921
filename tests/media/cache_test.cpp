// The sound cache: sharing by name, references, keeping, purging for space.
#include "media/sound/GxSoundCache.h"
#include "sound_fixture.h"

namespace {

using Cache = soundtest::SoundTest;

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
