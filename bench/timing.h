#pragma once
// The frame benchmarks' clock: the best of several runs, so that other work
// on the machine shows as little as possible in the figures.
#include <algorithm>
#include <chrono>

namespace qbench {

inline double NowMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Milliseconds of the fastest of `runs` calls of f.
template <class F>
double BestOf(int runs, F&& f) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        double t0 = NowMs();
        f();
        best = std::min(best, NowMs() - t0);
    }
    return best;
}

} // namespace qbench
