// Counts heap allocations while statements run: once a loop has run a
// first time (its statements compiled, its variables made), running it on
// costs none, whatever integers, floats and short texts it computes.
#include "moa_world.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

// The replacements below pair malloc with free; the compiler cannot see that
// every operator new of the program is this one.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace {
std::atomic<bool> g_Counting{false};
std::atomic<long> g_Allocations{0};
} // namespace

void* operator new(std::size_t n) {
    if (g_Counting.load(std::memory_order_relaxed)) g_Allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

TEST(MoaAllocations, ARunningLoopAllocatesNothing) {
    mtest::World<> w;
    for (const char16_t* name : {u"i", u"f", u"t", u"n", u"limit"})
        w.builder.AddVariable(&w.moa, name, kGxScopeGlobalNoSave);
    w.Load({{u"main",
             u"*start\n$i = 0\n$f = 0.5\n$t = \"\"\n"
             u"*loop\n"
             u"$i = $i + 1\n"
             u"$f = $f * 1.5 - $i / 2.0\n"
             u"$t = \"ab\" : $i % 100\n"
             u"IF ($i % 3 == 0) { $n = -$i } ELSE { $n = StrLen($t) }\n"
             u"IF ($i < $limit) { GO(\"loop\") }\n"}});
    w.worker->FindVariable(u"limit")->m_Value.SetInt64(50);
    w.RunFrom(u"start");
    ASSERT_FALSE(w.moa.m_ErrorFlag) << w.moa.ErrorsUtf8();
    // Again from the loop, counting from its first statement on.
    w.worker->FindVariable(u"limit")->m_Value.SetInt64(2000);
    ASSERT_TRUE(w.worker->StartAtLabel(u"loop", nullptr));
    g_Allocations = 0;
    g_Counting = true;
    int steps = 0;
    while (w.worker->IsRunning() && w.worker->GetExecStack()->size() == 1 && steps < 20000 &&
           w.worker->Step(&w.binder) && w.Global(u"i").ToInt64() < 2000)
        ++steps;
    g_Counting = false;
    EXPECT_EQ(g_Allocations.load(), 0) << "over " << steps << " statements";
    EXPECT_GT(steps, 5000);
    EXPECT_EQ(w.Global(u"t").ToString(), u"ab99");
    EXPECT_EQ(w.Global(u"n").ToInt64(), 4);
}

} // namespace
