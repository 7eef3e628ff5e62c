// Every family's download against the simulated bridge on virtual time, run again and again
// with the bridge stopping at a chosen report or with a chip fault. A false success is a
// download that reports success while the flash does not hold the image.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "touch/DownloadFamilies.h"

namespace {

using downloads::Family;
using downloads::Image;

// Every report position: a stop at any report of the download fails it, but for the last
// reports whose answers the family does not look at. Under ThreadSanitizer,
// which is here for the threads and runs each download many times slower, every 7th position
// (still several in every stage: each spans over 30 reports) and the finish's last two.
#if defined(__SANITIZE_THREAD__)
constexpr uint64_t kPositionStride = 7;
#else
constexpr uint64_t kPositionStride = 1;
#endif

class DownloadFaultSweep : public ::testing::TestWithParam<Family> {
  protected:
    struct Outcome {
        bool success = false;
        bool flashHoldsImage = false;
        uint64_t reports = 0;    // reports sent to the bridge
        uint64_t virtualMs = 0;  // time the download took on the program's clock
    };

    void SetUp() override {
        ASSERT_TRUE(rig_.Start(GetParam().chip()));
        path_ = rig_.WriteImage(image_);
    }

    // One download into a fresh chip; stopAt counts reports from 1, 0 lets every one through.
    Outcome Download(const downloads::Fault& fault, uint64_t stopAt) {
        auto chip = GetParam().chip();
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
        auto update = GetParam().updater(rig_.Context(nullptr));
        EXPECT_TRUE(update->LoadFirmwareFile(path));
        outcome.success = update->Update();
        outcome.virtualMs = rig_.clock.NowMs() - start;
        outcome.reports = bridge.ReportsReceived() - before;
        outcome.flashHoldsImage = GetParam().flashHoldsImage(*chip, image_);
        bridge.StopAnsweringFrom(0);
        return outcome;
    }

    // The counts of a sweep, for the test's record and one line on standard output.
    void Report(const char* sweep, uint64_t runs, uint64_t falseSuccesses, uint64_t longestMs) {
        RecordProperty("runs", std::to_string(runs));
        RecordProperty("false_successes", std::to_string(falseSuccesses));
        RecordProperty("longest_virtual_ms", std::to_string(longestMs));
        std::printf("%s fault sweep (%s): %llu runs, %llu false successes, longest %llu ms\n",
                    GetParam().name.c_str(), sweep, static_cast<unsigned long long>(runs),
                    static_cast<unsigned long long>(falseSuccesses),
                    static_cast<unsigned long long>(longestMs));
    }

    UpdaterRig rig_{GetParam().bridgeModel};
    const Image image_ = GetParam().image();
    std::string path_;
};

TEST_P(DownloadFaultSweep, BridgeStoppingAtAnyReportNeverEndsInSuccess) {
    const Outcome clean = Download(nullptr, 0);
    ASSERT_TRUE(clean.success);
    ASSERT_TRUE(clean.flashHoldsImage);
    uint64_t runs = 0, falseSuccesses = 0, longestMs = 0;
    for (uint64_t stopAt = 1; stopAt <= clean.reports; ++stopAt) {
        if ((stopAt - 1) % kPositionStride != 0 && stopAt + 2 <= clean.reports) continue;
        const Outcome o = Download(nullptr, stopAt);
        ++runs;
        if (stopAt + GetParam().unwatchedLastReports <= clean.reports) {
            EXPECT_FALSE(o.success)
                << "bridge stopped at report " << stopAt << " of " << clean.reports;
        }
        if (o.success && !o.flashHoldsImage) ++falseSuccesses;
        longestMs = std::max(longestMs, o.virtualMs);
        EXPECT_LE(o.virtualMs, GetParam().boundMs) << stopAt;
    }
    EXPECT_EQ(falseSuccesses, 0u);
    Report("bridge stops", runs, falseSuccesses, longestMs);
}

// Each chip fault alone, then together with the bridge stopping every 61st report (a stride
// that lands in every stage); a chip that does not come back strikes only after the download.
TEST_P(DownloadFaultSweep, EachChipFaultFailsTheDownloadOrLeavesTheImage) {
    struct Case {
        std::string name;
        downloads::Fault fault;
        bool succeeds;
    };
    std::vector<Case> cases;
    for (const downloads::FaultCase& c : GetParam().faults)
        cases.push_back({c.name, c.fault, false});
    cases.push_back({"gone", GetParam().gone, GetParam().goneSucceeds});
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
            EXPECT_LE(o.virtualMs, GetParam().boundMs) << c.name << ", " << stopAt;
        }
    }
    EXPECT_EQ(falseSuccesses, 0u);
    Report("chip faults", runs, falseSuccesses, longestMs);
}

INSTANTIATE_TEST_SUITE_P(Families, DownloadFaultSweep, ::testing::ValuesIn(downloads::Families()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
