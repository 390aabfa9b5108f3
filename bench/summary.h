// Nearest-rank percentiles of a run's samples, shared by the host benches and
// the benches of the real exe under Wine.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace hxbench {

struct Summary {
    std::size_t count = 0;
    double min = 0, median = 0, p90 = 0, p99 = 0, max = 0;
};

// Nearest-rank percentiles of the samples (any unit).
inline Summary Summarize(std::vector<double> samples) {
    Summary s;
    s.count = samples.size();
    if (samples.empty())
        return s;
    std::sort(samples.begin(), samples.end());
    const auto rank = [&](double q) {
        auto index = static_cast<std::size_t>(std::ceil(q * static_cast<double>(samples.size())));
        return samples[index == 0 ? 0 : index - 1];
    };
    s.min = samples.front();
    s.median = rank(0.5);
    s.p90 = rank(0.9);
    s.p99 = rank(0.99);
    s.max = samples.back();
    return s;
}

}  // namespace hxbench
