#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "sim/gt9xxx/Gt9xxxImage.h"
#include "sim/gt9xxx/SimGt9xxxFlash.h"
#include "support/BridgeFixture.h"
#include "support/TempFolder.h"
#include "touch/ChipRegistry.h"
#include "touch/gt9xxx/C9xxxUpdate.h"

namespace {

using Fault = std::function<void(sim::SimGt9xxxFlash&)>;

// The GT9xxx download against the simulated bridge on virtual time, run again and again with
// the bridge stopping at a chosen report or with a chip fault. A false success is a download
// that reports success while the flash does not hold the image.
class Gt9xxxFaultSweep : public ::testing::Test {
  protected:
    struct Outcome {
        bool success = false;
        bool flashHoldsImage = false;
        uint64_t reports = 0;    // reports sent to the bridge
        uint64_t virtualMs = 0;  // time the download took on the program's clock
    };

    void SetUp() override {
        ASSERT_TRUE(sim_.opened());
        folder_.Write("G911.bin", std::string(image_.begin(), image_.end()));
    }

    // One download into a fresh chip; stopAt counts reports from 1, 0 lets every one through.
    Outcome Download(const Fault& fault, uint64_t stopAt) {
        auto chip = std::make_shared<sim::SimGt9xxxFlash>();
        chip->Attach(sim_.bridge());
        if (fault) fault(*chip);
        sim::SimBridge& bridge = sim_.bridge();
        bridge.ClearRecords();
        const uint64_t before = bridge.ReportsReceived();
        bridge.StopAnsweringFrom(stopAt ? before + stopAt : 0);
        const uint64_t start = sim_.clock().NowMs();
        Outcome outcome;
        C9xxxUpdate update({sim_.device(), sim_.clock(), registry_, settings_, nullptr});
        EXPECT_TRUE(update.LoadFirmwareFile((folder_.Path() / "G911.bin").string()));
        outcome.success = update.Update();
        outcome.virtualMs = sim_.clock().NowMs() - start;
        outcome.reports = bridge.ReportsReceived() - before;
        outcome.flashHoldsImage = sim::FlashHoldsImage(chip->flash(), image_);
        bridge.StopAnsweringFrom(0);
        return outcome;
    }

    testsupport::TempFolder folder_;
    testsupport::SimBridgeScope sim_;
    ChipIniSettings settings_;
    platform::StderrMessageService messages_;
    CChipRegistry registry_{sim_.device(), sim_.clock(), messages_, settings_};
    const std::vector<uint8_t> image_ = sim::MakeGt9xxxImage("911", 0x1060, 3);
};

// The longest a download may take once the bridge stops answering: each stage ends at its
// first failed step, and the longest step is an 8192-byte block write whose 144 reports each
// wait out their 200 ms; the download's own pauses and the short waits of the failing reads
// add less than a second.
constexpr uint64_t kBoundMs = 144 * 200 + 1000;

// Every report position: a stop at any report of the download fails it. Under ThreadSanitizer,
// which is here for the threads and runs each download many times slower, every 7th position
// (still several in every stage: each spans over 30 reports) and the finish's last two.
#if defined(__SANITIZE_THREAD__)
constexpr uint64_t kPositionStride = 7;
#else
constexpr uint64_t kPositionStride = 1;
#endif

TEST_F(Gt9xxxFaultSweep, BridgeStoppingAtAnyReportNeverEndsInSuccess) {
    const Outcome clean = Download(nullptr, 0);
    ASSERT_TRUE(clean.success);
    ASSERT_TRUE(clean.flashHoldsImage);
    uint64_t falseSuccesses = 0;
    for (uint64_t stopAt = 1; stopAt <= clean.reports; ++stopAt) {
        if ((stopAt - 1) % kPositionStride != 0 && stopAt + 2 <= clean.reports) continue;
        const Outcome o = Download(nullptr, stopAt);
        EXPECT_FALSE(o.success) << "bridge stopped at report " << stopAt << " of " << clean.reports;
        if (o.success && !o.flashHoldsImage) ++falseSuccesses;
        EXPECT_LE(o.virtualMs, kBoundMs) << stopAt;
    }
    EXPECT_EQ(falseSuccesses, 0u);
}

// Each chip fault alone, then together with the bridge stopping every 61st report (a stride
// that lands in every stage).
TEST_F(Gt9xxxFaultSweep, EachChipFaultFailsTheDownloadOrLeavesTheImage) {
    struct Case {
        std::string name;
        Fault fault;
        bool succeeds;  // the fault strikes only after the download
    };
    std::vector<Case> cases = {
        {"hold never takes", [](sim::SimGt9xxxFlash& c) { c.faults().holdNeverTakes = true; },
         false},
        {"watchdog stays on", [](sim::SimGt9xxxFlash& c) { c.faults().watchdogStaysOn = true; },
         false},
        {"burn never completes",
         [](sim::SimGt9xxxFlash& c) { c.faults().burnNeverCompletes = true; }, false},
        {"gone after reset", [](sim::SimGt9xxxFlash& c) { c.faults().goneAfterReset = true; },
         true},
    };
    for (int command = 1; command <= 9; ++command) {
        cases.push_back(
            {"read-back after command " + std::to_string(command),
             [command](sim::SimGt9xxxFlash& c) { c.faults().corruptReadBackOfCommand = command; },
             false});
    }
    const uint64_t total = Download(nullptr, 0).reports;
    for (const Case& c : cases) {
        const Outcome alone = Download(c.fault, 0);
        EXPECT_EQ(alone.success, c.succeeds) << c.name;
        EXPECT_FALSE(alone.success && !alone.flashHoldsImage) << c.name;
        for (uint64_t stopAt = 1; stopAt <= total; stopAt += 61) {
            const Outcome o = Download(c.fault, stopAt);
            EXPECT_FALSE(o.success) << c.name << ", bridge stopped at report " << stopAt;
            EXPECT_LE(o.virtualMs, kBoundMs) << c.name << ", " << stopAt;
        }
    }
}

}  // namespace
