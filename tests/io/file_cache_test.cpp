#include "io/GxFileCache.h"
#include "platform/system/clock.h"

#include <gtest/gtest.h>

namespace {

class Cache : public testing::Test {
protected:
    void SetUp() override {
        psys::set_current_clock(&m_Clock);
        m_Cache.SetCapacity(4000);
        m_Cache.SetMaxFileSize(1500);
        m_Cache.SetEnable(true);
    }
    void TearDown() override { psys::set_current_clock(nullptr); }
    static GxBinBuffer Data(u32 size, u8 fill = 1) {
        GxBinBuffer b(size);
        for (u32 i = 0; i < size; ++i) b.GetData()[i] = fill;
        return b;
    }
    bool Held(const char16_t* key) { return m_Cache.Find(key, 0) != nullptr; }

    psys::manual_clock m_Clock;
    GxFileCache m_Cache;
};

// A file larger than the largest file or than the whole cache is refused,
// under the test's small limits and under the game's own.
TEST_F(Cache, LimitsOfWhatIsTaken) {
    const struct {
        u32 capacity, maxFile, size;
        bool taken;
    } rows[] = {{4000, 1500, 1500, true},        {4000, 1500, 1501, false}, {4000, 5000, 4001, false},
                {188743680, 1048576, 1048576, true}, {188743680, 1048576, 1048577, false}};
    for (const auto& r : rows) {
        GxFileCache cache;
        cache.SetEnable(true);
        cache.SetCapacity(r.capacity);
        cache.SetMaxFileSize(r.maxFile);
        EXPECT_EQ(cache.Add(u"a", Data(r.size), 0), r.taken) << r.size << " in " << r.capacity << ", " << r.maxFile;
        EXPECT_EQ(cache.GetUsedBytes(), r.taken ? r.size : 0u);
    }
}

TEST_F(Cache, EvictionFreesAQuarterOfTheOldestAtLeast) {
    // Five files of 750 bytes, each used later than the one before.
    const char16_t* keys[] = {u"e", u"d", u"c", u"b", u"a"};
    for (const char16_t* k : keys) {
        ASSERT_TRUE(m_Cache.Add(k, Data(750), 0));
        m_Clock.advance_us(1000);
    }
    ASSERT_TRUE(m_Cache.Find(u"e", 0)) << "a hit makes e the newest";
    m_Clock.advance_us(1000);
    EXPECT_EQ(m_Cache.GetUsedBytes(), 3750u);
    // 250 bytes free; 300 more are wanted: at least 1000 (a quarter) go.
    ASSERT_TRUE(m_Cache.Add(u"f", Data(300), 0));
    EXPECT_FALSE(Held(u"d"));
    EXPECT_FALSE(Held(u"c"));
    EXPECT_TRUE(Held(u"b")) << "1500 freed is enough; later files stay";
    EXPECT_TRUE(Held(u"e"));
    EXPECT_EQ(m_Cache.GetUsedBytes(), 3750u - 1500u + 300u);
}

TEST_F(Cache, EqualAccessTimesGoInKeyOrder) {
    for (const char16_t* k : {u"m", u"z", u"b"}) ASSERT_TRUE(m_Cache.Add(k, Data(1000), 0));
    EXPECT_TRUE(m_Cache.Evict(1));
    EXPECT_FALSE(Held(u"b"));
    EXPECT_TRUE(Held(u"m"));
    EXPECT_TRUE(Held(u"z"));
    EXPECT_TRUE(m_Cache.Evict(1001));
    EXPECT_FALSE(Held(u"m"));
    EXPECT_FALSE(Held(u"z"));
    EXPECT_EQ(m_Cache.GetUsedBytes(), 0u);
}

TEST_F(Cache, FileTimeMustMatchAndAddingReplaces) {
    ASSERT_TRUE(m_Cache.Add(u"k", Data(100, 1), 10));
    EXPECT_FALSE(m_Cache.Find(u"k", 11));
    EXPECT_EQ(m_Cache.GetUsedBytes(), 100u) << "a miss removes nothing";
    ASSERT_TRUE(m_Cache.Add(u"k", Data(60, 2), 11));
    EXPECT_EQ(m_Cache.GetUsedBytes(), 60u);
    GxBinBuffer out;
    ASSERT_TRUE(m_Cache.FindCopy(u"k", 11, &out));
    ASSERT_EQ(out.GetSize(), 60u);
    EXPECT_EQ(out.GetData()[59], 2);
    EXPECT_FALSE(m_Cache.Add(u"k", Data(2000), 12)) << "too large";
    EXPECT_FALSE(Held(u"k")) << "the stale copy still goes";
    EXPECT_EQ(m_Cache.GetUsedBytes(), 0u);
}

TEST_F(Cache, SwitchedOffItNeitherFindsNorStores) {
    ASSERT_TRUE(m_Cache.Add(u"k", Data(10), 0));
    m_Cache.SetEnable(false);
    EXPECT_FALSE(m_Cache.Find(u"k", 0));
    EXPECT_EQ(m_Cache.GetUsedBytes(), 10u) << "switching off does not empty it";
    EXPECT_FALSE(m_Cache.Add(u"k", Data(10), 0));
    EXPECT_EQ(m_Cache.GetUsedBytes(), 0u) << "adding only removed";
    EXPECT_FALSE(m_Cache.Remove(u"k"));
}

} // namespace
