#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// One part of a fault sweep over the report positions 1 to n, so that ctest runs the parts of
// a long sweep side by side: shard `index` of `count` takes the positions from First(n) up to
// End(n), and the shards together take every position exactly once. A stop at a later position
// costs more (the run goes on up to it), so the ranges narrow towards the end and each holds
// about the same share of the work: shard i starts at n * sqrt(i / count).
struct SweepShard {
    unsigned index = 0;
    unsigned count = 1;

    uint64_t First(uint64_t positions) const {
        const double share = std::sqrt(static_cast<double>(index) / count);
        return 1 + static_cast<uint64_t>(static_cast<double>(positions) * share);
    }
    // The position after the shard's last one.
    uint64_t End(uint64_t positions) const { return SweepShard{index + 1, count}.First(positions); }
    // The shard's positions when a sweep is thinned to every stride-th position (1, 1 + stride,
    // ...) and the last two.
    std::vector<uint64_t> Positions(uint64_t positions, uint64_t stride = 1) const {
        std::vector<uint64_t> out;
        for (uint64_t at = First(positions); at < End(positions); ++at) {
            if ((at - 1) % stride == 0 || at + 2 > positions) out.push_back(at);
        }
        return out;
    }
    // "3of8" for the third of eight, in test names.
    std::string Name() const { return std::to_string(index + 1) + "of" + std::to_string(count); }
};

}  // namespace testsupport
