// The configuration step with a bridge block against the simulated bridge on virtual time,
// run again and again with the bridge stopping at a chosen report. A false success is a step
// that lets the run say "Upgrade success" while the chip or the bridge does not hold what the
// file asked.
#include <gtest/gtest.h>

#include "app/ConfigStep.h"
#include "sim/gt9xxx/Gt9xxxConfigFiles.h"
#include "support/ConfigRig.h"
#include "support/RecordingLog.h"
#include "support/SweepShard.h"

namespace {

using testsupport::SweepShard;

// The shards of the sweep of the positions, run side by side.
constexpr unsigned kShards = 4;

// Shard i of kShards of the positions of each sweep.
class ConfigStepFaultSweep : public ::testing::TestWithParam<unsigned> {
  protected:
    struct Result {
        bool success = false;
        bool deviceHoldsFile = false;
        uint64_t reports = 0;  // reports sent to the bridge
    };

    void SetUp() override {
        path_ = rig_.File("GT911_A.cfg", kFile);
        for (size_t at = 0; (at = kFile.find("0x", at)) != std::string::npos; at += 2) {
            values_.push_back(
                static_cast<uint8_t>(std::stoul(kFile.substr(at + 2, 2), nullptr, 16)));
        }
        ASSERT_EQ(values_.size(), 186u + 24u);
    }

    // One step against a chip that holds an older configuration and a bridge without a
    // block; stopAt counts reports from 1, 0 lets every one through.
    Result RunStep(uint64_t stopAt, bool bridgeDropsBlock) {
        auto& registers = static_cast<sim::SimGt9xxxFlash&>(*rig_.chip).config();
        registers.faults() = {};
        registers.Hold(*rig_.chip, {0x30});
        sim::SimBridge& bridge = *rig_.rig.bridge;
        bridge.SetConfigBlock({});
        bridge.SetDropsConfigBlock(bridgeDropsBlock);
        bridge.ClearRecords();
        const uint64_t before = bridge.ReportsReceived();
        bridge.StopAnsweringFrom(stopAt ? before + stopAt : 0);

        testsupport::RecordingLog log;
        CConfigStep::Context context{rig_.Context(), rig_.FamilyOfFile(), CreateConfig, nullptr,
                                     &log};
        context.detectChip = [] { return true; };
        CConfigStep step(std::move(context));
        Result result;
        result.success = step.Run(path_, false) == CConfigStep::Outcome::Verified;
        result.reports = bridge.ReportsReceived() - before;
        bridge.StopAnsweringFrom(0);

        // The chip's block up to its checksum (the chip clears the flag byte after it).
        const std::vector<uint8_t> chip = rig_.ChipBlock();
        const auto block = bridge.ConfigBlock();
        result.deviceHoldsFile = std::equal(values_.begin(), values_.begin() + 185, chip.begin()) &&
                                 std::equal(block.begin(), block.end(), values_.begin() + 186);
        return result;
    }

    const SweepShard shard_{GetParam(), kShards};
    const std::string kFile = sim::Gt9xxxCfgText(0x42, 186, true);
    testsupport::ConfigRig rig_;
    std::string path_;
    std::vector<uint8_t> values_;
};

// Under ThreadSanitizer, which runs each step many times slower, every 5th position and the
// last two.
#if defined(__SANITIZE_THREAD__)
constexpr uint64_t kPositionStride = 5;
#else
constexpr uint64_t kPositionStride = 1;
#endif

TEST_P(ConfigStepFaultSweep, BridgeStoppingAtAnyReportNeverEndsInSuccess) {
    for (const bool drops : {false, true}) {
        SCOPED_TRACE(drops ? "the bridge drops its block" : "the bridge takes its block");
        const Result clean = RunStep(0, drops);
        EXPECT_EQ(clean.success, !drops);
        EXPECT_EQ(clean.deviceHoldsFile, !drops);
        ASSERT_GT(clean.reports, 10u);
        uint64_t falseSuccesses = 0;
        for (const uint64_t stopAt : shard_.Positions(clean.reports, kPositionStride)) {
            const Result r = RunStep(stopAt, drops);
            // Every report after the stop goes unanswered, the last read-backs among them.
            EXPECT_FALSE(r.success) << "stopped at report " << stopAt << " of " << clean.reports;
            if (r.success && !r.deviceHoldsFile) ++falseSuccesses;
        }
        EXPECT_EQ(falseSuccesses, 0u);
    }
}

// "2of4".
std::string ShardName(const ::testing::TestParamInfo<unsigned>& info) {
    const SweepShard shard{info.param, kShards};
    return shard.Name();
}

INSTANTIATE_TEST_SUITE_P(Shards, ConfigStepFaultSweep, ::testing::Range(0u, kShards), ShardName);

}  // namespace
