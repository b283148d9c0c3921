#include "base/GxFrameTimer.h"
#include "base/GxProfileEx.h"
#include "platform/system/clock.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

class FrameTimer : public testing::Test {
protected:
    // The steps due, the time carried to the next frame and the lateness.
    std::vector<int64_t> Steps() const { return {timer.m_StepsDue, timer.m_StepRemainder, timer.m_Lateness}; }
    psys::manual_clock clock{10000000};
    GxFrameTimer timer{&clock};
};

TEST_F(FrameTimer, FirstFrameReturnsAtOnceAndLaterFramesArePaced) {
    EXPECT_EQ(timer.WaitNextFrame(), 0);
    EXPECT_EQ(timer.m_StepsDue, 1);
    EXPECT_EQ(clock.slept_ms(), 0u);
    // An immediate second call waits a whole period: 70 % of 16 ms minus 5 ms
    // asleep, the rest spun.
    uint64_t before = clock.now_us();
    EXPECT_EQ(timer.WaitNextFrame(), 16666);
    EXPECT_EQ(clock.slept_ms(), 6u);
    EXPECT_EQ(clock.now_us() - before, 16666u);
    EXPECT_EQ(timer.m_StepsDue, 1);
    EXPECT_EQ(timer.m_Lateness, 0);
}

TEST_F(FrameTimer, LateFramesCatchUpAndCarryTheRest) {
    timer.WaitNextFrame();
    timer.WaitNextFrame();
    clock.advance_us(40000);  // drawing took 40 ms
    EXPECT_EQ(timer.WaitNextFrame(), 40000);
    EXPECT_EQ(Steps(), (std::vector<int64_t>{2, 40000 - 2 * 16666, 4000})) << "the lateness clamped";
    // The next frame is given less time by the lateness.
    EXPECT_EQ(timer.WaitNextFrame(), 16666 - 4000);
    EXPECT_EQ(Steps(), (std::vector<int64_t>{1, 6668 * 90 / 100 + 12666 - 16666, 0}));
}

TEST_F(FrameTimer, StepsAndLatenessStayInTheirBounds) {
    timer.WaitNextFrame();
    timer.WaitNextFrame();
    clock.advance_us(2000000);  // a two-second stall
    timer.WaitNextFrame();
    EXPECT_EQ(Steps(), (std::vector<int64_t>{15, 249990, 4000})) << "capped at 15 step periods, not the whole stall";
    for (int i = 0; i < 50; ++i) {
        clock.advance_us(uint64_t(i % 7) * 9000);
        timer.WaitNextFrame();
        EXPECT_GE(timer.m_StepsDue, 1);
        EXPECT_LE(timer.m_StepsDue, 15);
        EXPECT_GE(timer.m_Lateness, -4000);
        EXPECT_LE(timer.m_Lateness, 4000);
    }
}

TEST_F(FrameTimer, AResetOrAClockSteppingBackNeitherBurstsNorStalls) {
    timer.WaitNextFrame();
    timer.WaitNextFrame();
    clock.advance_us(500000);
    timer.Reset();
    // The loop stood still: no burst of steps, and a full period is waited.
    EXPECT_EQ(timer.WaitNextFrame(), 16666);
    EXPECT_EQ(timer.m_StepsDue, 1);
    clock.set_us(clock.now_us() - 5000000);  // five seconds back
    uint64_t back = clock.now_us();
    timer.WaitNextFrame();
    EXPECT_EQ(clock.now_us() - back, 16666u) << "one period from the new time, not five seconds";
    EXPECT_EQ(timer.m_StepsDue, 1);
    // Slow frames catch up again at once.
    clock.advance_us(40000);
    timer.WaitNextFrame();
    clock.advance_us(40000);
    timer.WaitNextFrame();
    EXPECT_EQ(timer.m_StepsDue, 2);
}

TEST_F(FrameTimer, RateIsMeasuredOverTwoSecondWindows) {
    timer.WaitNextFrame();
    for (int i = 0; i < 100; ++i) timer.WaitNextFrame();
    EXPECT_EQ(timer.m_MeasuredRate, 0.0f) << "less than two seconds so far";
    for (int i = 0; i < 30; ++i) timer.WaitNextFrame();
    // 122 frames counted over the first 2.0166 s.
    EXPECT_NEAR(timer.m_MeasuredRate, 60.5f, 0.1f);
}

TEST_F(FrameTimer, ZeroTargetRateNeverWaitsAndCatchUpCanBeOff) {
    timer.m_TargetRate = 0;
    timer.WaitNextFrame();
    uint64_t t = clock.now_us();
    timer.WaitNextFrame();
    EXPECT_EQ(clock.now_us(), t);
    timer.m_TargetRate = 60;
    timer.m_StepCatchUp = false;
    clock.advance_us(100000);
    timer.WaitNextFrame();
    EXPECT_EQ(timer.m_StepsDue, 1);
    EXPECT_EQ(timer.m_StepRemainder, 0);
}

TEST(ProfileRecord, ResetStampsTheHeaderAndFreesEverySlot) {
    // The clock in units of 100 µs.
    psys::manual_clock clock{1234567};
    GxProfileEx record(&clock);
    EXPECT_DOUBLE_EQ(record.m_Header[0], 12345.67);
    EXPECT_DOUBLE_EQ(record.m_Header[1], 0.0);
    EXPECT_DOUBLE_EQ(record.m_Header[2], 12345.67);
    const auto bytes = [](const auto& slot) { return reinterpret_cast<const unsigned char*>(&slot); };
    for (int i = 0; i < GxProfileEx::kSlotCount; ++i) {
        const GxProfileEx::Slot& s = record.m_Slots[i];
        const GxProfileEx::SmallSlot& t = record.m_SmallSlots[i];
        ASSERT_TRUE(std::all_of(bytes(s), bytes(s) + sizeof s, [](unsigned char b) { return b == 0; })) << i;
        ASSERT_TRUE(std::all_of(bytes(t), bytes(t) + sizeof t, [](unsigned char b) { return b == 0; })) << i;
    }

    // A later reset takes the time anew and clears only each slot's mark.
    for (int i = 0; i < GxProfileEx::kSlotCount; ++i) {
        record.m_Slots[i].m_Values[0] = 0x1FF;
        record.m_Slots[i].m_Name[0] = u'n';
        record.m_SmallSlots[i].m_Value = 0x2FF;
        record.m_SmallSlots[i].m_Times[2] = 7.0;
    }
    record.m_Header[1] = 99.0;
    clock.advance_us(500);
    record.Reset();
    EXPECT_DOUBLE_EQ(record.m_Header[0], 12350.67);
    EXPECT_DOUBLE_EQ(record.m_Header[1], 0.0);
    EXPECT_DOUBLE_EQ(record.m_Header[2], 12350.67);
    for (int i = 0; i < GxProfileEx::kSlotCount; ++i) {
        EXPECT_EQ(record.m_Slots[i].m_Values[0], 0x100u);
        EXPECT_EQ(record.m_Slots[i].m_Name[0], u'n');
        EXPECT_EQ(record.m_SmallSlots[i].m_Value, 0x200u);
        EXPECT_EQ(record.m_SmallSlots[i].m_Times[2], 7.0);
    }
}

} // namespace
