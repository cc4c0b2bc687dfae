#pragma once
// Timing for the benchmarks: a steady clock, the median of several runs, and one line
// per figure: FIGURE <name> <value> <unit>.
#include <QString>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace bench {

inline double ms(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Median of runs of f, in milliseconds; setup runs before each timed run, untimed.
inline double medianMs(int runs, const std::function<void()>& f,
                       const std::function<void()>& setup = {}) {
    std::vector<double> t;
    for (int i = 0; i < runs; ++i) {
        if (setup)
            setup();
        const auto a = std::chrono::steady_clock::now();
        f();
        t.push_back(ms(std::chrono::steady_clock::now() - a));
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

inline void figure(const char* name, double value, const char* unit) {
    std::printf("FIGURE %s %.3f %s\n", name, value, unit);
    std::fflush(stdout);
}

} // namespace bench
