#pragma once

#include <algorithm>
#include <cstdio>
#include <vector>

// Median and 99th percentile of a series of timings, and their report line, for every benchmark.
struct Stats
{
    double median = 0;
    double p99 = 0;
};

inline Stats stats(std::vector<double> ms)
{
    if (ms.empty())
        return {};
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms[std::min(ms.size() - 1, size_t(double(ms.size()) * 0.99))]};
}

inline void print(const char* what, const Stats& s)
{
    std::printf("%-58s median %8.3f ms   p99 %8.3f ms\n", what, s.median, s.p99);
}
