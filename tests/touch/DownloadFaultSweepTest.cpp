// Every family's download against the simulated bridge on virtual time, run again and again
// with the bridge stopping at a chosen report or with a chip fault. A false success is a
// download that reports success while the flash does not hold the image.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

#include "support/SweepShard.h"
#include "touch/DownloadFamilies.h"

namespace {

using downloads::Family;
using downloads::Image;
using testsupport::SweepShard;

// Every report position: a stop at any report of the download fails it, but for the last
// reports whose answers the family does not look at. Under ThreadSanitizer,
// which is here for the threads and runs each download many times slower, every 7th position
// (still several in every stage: each spans over 30 reports) and the finish's last two.
#if defined(__SANITIZE_THREAD__)
constexpr uint64_t kPositionStride = 7;
#else
constexpr uint64_t kPositionStride = 1;
#endif
// The shards of each family's sweep of the positions, run side by side: under the address
// sanitizer the longest family's whole sweep takes minutes.
constexpr unsigned kShards = 8;

// One family's download, run again and again into fresh chips.
class DownloadRuns : public ::testing::Test {
  protected:
    struct Outcome {
        bool success = false;
        bool flashHoldsImage = false;
        uint64_t reports = 0;    // reports sent to the bridge
        uint64_t virtualMs = 0;  // time the download took on the program's clock
    };

    explicit DownloadRuns(const Family& family)
        : family_(family), rig_{family.bridgeModel}, image_(family.image()) {}

    void SetUp() override {
        ASSERT_TRUE(rig_.Start(family_.chip()));
        path_ = rig_.WriteImage(image_);
    }

    // One download into a fresh chip; stopAt counts reports from 1, 0 lets every one through.
    Outcome Download(const downloads::Fault& fault, uint64_t stopAt) {
        auto chip = family_.chip();
        Image image = image_;
        if (fault) fault(*chip, image);
        const std::string path = image == image_ ? path_ : rig_.WriteImage(image, "G-fault.bin");
        chip->Attach(*rig_.bridge);
        sim::SimBridge& bridge = *rig_.bridge;
        bridge.ClearRecords();
        const uint64_t before = bridge.ReportsReceived();
        bridge.StopAnsweringFrom(stopAt ? before + stopAt : 0);
        const uint64_t start = rig_.clock.NowMs();
        Outcome outcome;
        auto update = family_.updater(rig_.Context(nullptr));
        EXPECT_TRUE(update->LoadFirmwareFile(path));
        outcome.success = update->Update();
        outcome.virtualMs = rig_.clock.NowMs() - start;
        outcome.reports = bridge.ReportsReceived() - before;
        outcome.flashHoldsImage = family_.flashHoldsImage(*chip, image_);
        bridge.StopAnsweringFrom(0);
        return outcome;
    }

    // The counts of a sweep, for the test's record and one line on standard output.
    void Report(const std::string& sweep, uint64_t runs, uint64_t falseSuccesses,
                uint64_t longestMs) {
        RecordProperty("runs", std::to_string(runs));
        RecordProperty("false_successes", std::to_string(falseSuccesses));
        RecordProperty("longest_virtual_ms", std::to_string(longestMs));
        std::printf("%s fault sweep (%s): %llu runs, %llu false successes, longest %llu ms\n",
                    family_.name.c_str(), sweep.c_str(), static_cast<unsigned long long>(runs),
                    static_cast<unsigned long long>(falseSuccesses),
                    static_cast<unsigned long long>(longestMs));
    }

    const Family& family_;
    UpdaterRig rig_;
    const Image image_;
    std::string path_;
};

// A family's sweep of the report positions, shard i of kShards.
class DownloadFaultSweep : public DownloadRuns,
                           public ::testing::WithParamInterface<std::tuple<Family, unsigned>> {
  protected:
    DownloadFaultSweep()
        : DownloadRuns(std::get<0>(GetParam())), shard_{std::get<1>(GetParam()), kShards} {}

    const SweepShard shard_;
};

TEST_P(DownloadFaultSweep, BridgeStoppingAtAnyReportNeverEndsInSuccess) {
    const Outcome clean = Download(nullptr, 0);
    ASSERT_TRUE(clean.success);
    ASSERT_TRUE(clean.flashHoldsImage);
    uint64_t runs = 0, falseSuccesses = 0, longestMs = 0;
    for (const uint64_t stopAt : shard_.Positions(clean.reports, kPositionStride)) {
        const Outcome o = Download(nullptr, stopAt);
        ++runs;
        if (stopAt + family_.unwatchedLastReports <= clean.reports) {
            EXPECT_FALSE(o.success)
                << "bridge stopped at report " << stopAt << " of " << clean.reports;
        }
        if (o.success && !o.flashHoldsImage) ++falseSuccesses;
        longestMs = std::max(longestMs, o.virtualMs);
        EXPECT_LE(o.virtualMs, family_.boundMs) << stopAt;
    }
    EXPECT_EQ(falseSuccesses, 0u);
    Report("bridge stops at reports " + std::to_string(shard_.First(clean.reports)) + " to " +
               std::to_string(shard_.End(clean.reports) - 1) + " of " +
               std::to_string(clean.reports),
           runs, falseSuccesses, longestMs);
}

// "GT79xx_3of8".
std::string SweepName(const ::testing::TestParamInfo<DownloadFaultSweep::ParamType>& info) {
    const SweepShard shard{std::get<1>(info.param), kShards};
    return std::get<0>(info.param).name + "_" + shard.Name();
}

INSTANTIATE_TEST_SUITE_P(Families, DownloadFaultSweep,
                         ::testing::Combine(::testing::ValuesIn(downloads::Families()),
                                            ::testing::Range(0u, kShards)),
                         SweepName);

// The shards of a sweep take every position once, whether or not their count divides the
// positions, and with fewer positions than shards; thinned, every stride-th position from the
// first and the last two.
TEST(SweepShards, TogetherTakeEveryPositionExactlyOnce) {
    const struct {
        uint64_t positions;
        unsigned count;
        uint64_t stride;
    } cases[] = {{3261, 8, 1}, {3518, 8, 1}, {354, 8, 1}, {1000, 8, 1}, {1001, 7, 1},
                 {5, 8, 1},    {1, 3, 1},    {0, 4, 1},   {3261, 8, 7}, {100, 3, 5}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.positions) + " positions in " + std::to_string(c.count) +
                     ", stride " + std::to_string(c.stride));
        std::vector<int> taken(c.positions + 2);
        for (unsigned i = 0; i < c.count; ++i) {
            for (const uint64_t p : SweepShard{i, c.count}.Positions(c.positions, c.stride)) {
                ASSERT_LT(p, taken.size());
                ++taken[p];
            }
        }
        EXPECT_EQ(taken.front(), 0);
        EXPECT_EQ(taken.back(), 0);
        for (uint64_t p = 1; p <= c.positions; ++p) {
            const bool swept = (p - 1) % c.stride == 0 || p + 2 > c.positions;
            EXPECT_EQ(taken[p], swept ? 1 : 0) << "position " << p;
        }
    }
}

// The chip faults of one family.
class DownloadChipFaults : public DownloadRuns, public ::testing::WithParamInterface<Family> {
  protected:
    DownloadChipFaults() : DownloadRuns(GetParam()) {}
};

// Each chip fault alone, then together with the bridge stopping every 61st report (a stride
// that lands in every stage); a chip that does not come back strikes only after the download.
TEST_P(DownloadChipFaults, EachChipFaultFailsTheDownloadOrLeavesTheImage) {
    struct Case {
        std::string name;
        downloads::Fault fault;
        bool succeeds;
    };
    std::vector<Case> cases;
    for (const downloads::FaultCase& c : family_.faults) cases.push_back({c.name, c.fault, false});
    cases.push_back({"gone", family_.gone, family_.goneSucceeds});
    const uint64_t total = Download(nullptr, 0).reports;
    uint64_t runs = 0, falseSuccesses = 0, longestMs = 0;
    for (const Case& c : cases) {
        const Outcome alone = Download(c.fault, 0);
        ++runs;
        EXPECT_EQ(alone.success, c.succeeds) << c.name;
        if (alone.success && !alone.flashHoldsImage) ++falseSuccesses;
        longestMs = std::max(longestMs, alone.virtualMs);
        for (uint64_t stopAt = 1; stopAt <= total; stopAt += 61) {
            const Outcome o = Download(c.fault, stopAt);
            ++runs;
            EXPECT_FALSE(o.success) << c.name << ", bridge stopped at report " << stopAt;
            if (o.success && !o.flashHoldsImage) ++falseSuccesses;
            longestMs = std::max(longestMs, o.virtualMs);
            EXPECT_LE(o.virtualMs, family_.boundMs) << c.name << ", " << stopAt;
        }
    }
    EXPECT_EQ(falseSuccesses, 0u);
    Report("chip faults", runs, falseSuccesses, longestMs);
}

INSTANTIATE_TEST_SUITE_P(Families, DownloadChipFaults, ::testing::ValuesIn(downloads::Families()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
