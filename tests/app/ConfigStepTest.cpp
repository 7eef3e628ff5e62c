// The configuration step against the simulated chips: every outcome of its table, with the
// lines it logs and what the chip holds afterwards.
#include <gtest/gtest.h>

#include "app/ConfigStep.h"
#include "platform/Clock.h"
#include "platform/Format.h"
#include "sim/gt73xx/SimGt73xx.h"
#include "sim/gt79xx/Gt79xxImage.h"
#include "sim/gt9pxx/SimGt9pxx.h"
#include "sim/gt9xxx/Gt9xxxConfigFiles.h"
#include "support/ConfigRig.h"
#include "support/RecordingLog.h"
#include "touch/FamilyTraits.h"

namespace {

using Outcome = CConfigStep::Outcome;
using Faults = sim::SimConfigRegisters::Faults;

std::string Lines(const testsupport::RecordingLog& log) {
    std::string lines;
    for (const auto& e : log.entries()) lines += e.text + "/" + std::to_string(e.kind) + "\n";
    return lines;
}

struct StepRun {
    Outcome outcome;
    std::string lines;
};

// One step on a rig: the file, whether a touch image was selected, and a stand-in for the
// GT79xx class when `plainGt79xx` (the family's own class is not in this build).
StepRun RunStep(testsupport::ConfigRig& rig, const std::string& cfgText, bool afterTouchImage,
                bool plainGt79xx = false, const std::string& name = "GT911_A.cfg") {
    testsupport::RecordingLog log;
    CConfigStep::Context context{rig.Context(), rig.FamilyOfFile(), CreateConfig, nullptr, nullptr};
    if (plainGt79xx) {
        context.createConfig = [](ChipFamily family, const ConfigContext& c) {
            return family == kFamilyGT79xx ? std::make_unique<CBaseConfig>(c)
                                           : CreateConfig(family, c);
        };
    }
    context.detectChip = [] { return true; };
    context.log = &log;
    CConfigStep step(std::move(context));
    const Outcome outcome = step.Run(rig.File(name, cfgText), afterTouchImage);
    return {outcome, Lines(log)};
}

class ConfigStepTest : public ::testing::Test {
  protected:
    sim::SimConfigRegisters& Registers() {
        return static_cast<sim::SimGt9xxxFlash&>(*rig.chip).config();
    }
    testsupport::ConfigRig rig;
};

const std::string kGood = sim::Gt9xxxCfgText(0x42, 186, true);

std::vector<uint8_t> Values(const std::string& cfgText) {
    std::vector<uint8_t> values;
    for (size_t at = 0; (at = cfgText.find("0x", at)) != std::string::npos; at += 2) {
        values.push_back(static_cast<uint8_t>(std::stoul(cfgText.substr(at + 2, 2), nullptr, 16)));
    }
    return values;
}

std::string CfgText(const std::vector<uint8_t>& values) {
    std::string text;
    for (uint8_t value : values) text += platform::Format("0x%02X,", value);
    return text;
}

// A UI item text of one record.
std::string OneRecord(const std::string& address, const std::string& name) {
    testsupport::UiRecord record;
    record.address = address;
    record.name = name;
    return testsupport::UiText({record});
}

}  // namespace

TEST_F(ConfigStepTest, EachOutcomeOfTheGt9xxxAndGt9PxxSteps) {
    testsupport::ConfigRig gt9pxx(0x0999, std::make_shared<sim::SimGt9pxx>(), 0x8047, 186,
                                  sim::Gt911UiItemText());
    gt9pxx.family = kFamilyGT9Pxx;
    struct Family {
        ChipFamily family;
        testsupport::ConfigRig& rig;
        sim::SimConfigRegisters& registers;
    } families[] = {
        {kFamilyGT9xxx, rig, Registers()},
        {kFamilyGT9Pxx, gt9pxx, static_cast<sim::SimGt9pxx&>(*gt9pxx.chip).config()},
    };
    struct Case {
        const char* what;
        Faults faults;
        uint8_t held;  // the chip's version before the step
        bool sumHolds;
        Outcome outcome;
        std::string lines;
        uint8_t version;  // the chip's version afterwards
    } cases[] = {
        {"written and verified",
         {},
         0,
         true,
         Outcome::Verified,
         "#298/0\n#306/0\nConfig_66 Upgrade /0\n# Success/4\n",
         0x42},
        {"checksum error", {}, 0x30, false, Outcome::RunEnds, "Config checksum error!/3\n", 0x30},
        {"write fails",
         {.handshakeNeverCompletes = true},
         0x30,
         true,
         Outcome::RunEnds,
         "#298/0\n#328/3\n",
         0x30},
        {"older version taken after version 0",
         {.dropsOlderVersion = true},
         0x50,
         true,
         Outcome::Verified,
         "#298/0\n#306/0\nConfig_66 Verification passed/4\n",
         0x42},
        {"retry fails",
         {.storesOtherBytes = true},
         0x30,
         true,
         Outcome::NotVerified,
         "#298/0\n#306/0\n# failed/3\n",
         0x42},
    };
    for (const Family& f : families) {
        // The demonstration file with the family's checksum, and with a wrong one.
        std::vector<uint8_t> values = Values(kGood);
        auto sealed = CreateConfig(f.family, f.rig.Context());
        std::copy_n(values.begin(), 186, sealed->Image());
        sealed->UpdateChecksum();
        std::copy_n(sealed->Image(), 186, values.begin());
        std::vector<uint8_t> badSum = values;
        badSum[0] = 0x43;
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(TraitsOf(f.family)->name) + ": " + c.what);
            f.registers.faults() = {};
            f.registers.Hold(*f.rig.chip, {c.held});
            f.registers.faults() = c.faults;
            platform::VirtualClock& clock = f.rig.rig.clock;
            const uint64_t slept = clock.SleptMs();
            const StepRun run =
                RunStep(f.rig, CfgText(c.sumHolds ? values : badSum), false, false, "touch.cfg");
            EXPECT_EQ(run.outcome, c.outcome);
            EXPECT_EQ(run.lines, c.lines);
            EXPECT_EQ(f.rig.ChipBlock()[0], c.version);
            // Each verification waits 600 ms after the chip's reset (and a few for the chip's
            // answers); a retry pauses one second between its two writes and verifies again.
            const bool retried = c.lines.find("Verification passed") != std::string::npos ||
                                 c.lines.find("# failed") != std::string::npos;
            if (c.outcome != Outcome::RunEnds) {
                const uint64_t spent = clock.SleptMs() - slept, least = retried ? 2200u : 600u;
                EXPECT_TRUE(spent >= least && spent < least + 50) << spent;
            }
        }
    }
}

TEST_F(ConfigStepTest, WithoutItsUiItemFileNothingIsWrittenAndTheRunFails) {
    rig.rig.settings.ScFilePath = ".\\System\\CfgItem\\missing.sc";
    const StepRun run = RunStep(rig, kGood, false);
    EXPECT_EQ(run.outcome, Outcome::NotVerified);
    EXPECT_EQ(run.lines,
              "[Config]UI item file could not be loaded: .\\System\\CfgItem\\missing.sc/3\n");
    EXPECT_EQ(rig.ChipBlock()[0], 0);
    EXPECT_EQ(rig.BridgeBlockWrites(), 0u);
}

TEST_F(ConfigStepTest, WithoutAVersionItemTheRetryFails) {
    testsupport::ConfigRig bare(0x0102, MakeGt9xxx(), 0x8047, 186, OneRecord("8047", "Threshold"));
    static_cast<sim::SimGt9xxxFlash&>(*bare.chip).config().faults().storesOtherBytes = true;
    const StepRun run = RunStep(bare, kGood, false);
    EXPECT_EQ(run.outcome, Outcome::NotVerified);
    EXPECT_EQ(run.lines, "#298/0\n#306/0\n# failed/3\n");
}

TEST(ConfigStepGt73xx, AFailedVerificationFailsAtOnce) {
    auto chip = std::make_shared<sim::SimGt73xx>();
    chip->config().faults().storesOtherBytes = true;
    testsupport::ConfigRig rig(0x0301, chip, 0x8050, 250, OneRecord("8050", "Item"));
    ASSERT_EQ(rig.rig.registry->CurrentFamily(), kFamilyGT73xx);
    const StepRun run =
        RunStep(rig, sim::Gt9xxxCfgText(0x42, 250, false), false, false, "GT7387_A.cfg");
    EXPECT_EQ(run.outcome, Outcome::NotVerified);
    EXPECT_EQ(run.lines, "#298/0\n#306/0\n# failed/3\n");
    EXPECT_LT(rig.rig.clock.SleptMs(), 1000u);  // no retry
}

// After a GT79xx touch image the chip is not written: its configuration is compared with the
// file, and the file's bridge block, which the image does not carry, is written to the bridge.
TEST_F(ConfigStepTest, AfterAGt79xxTouchImageTheChipIsComparedWithTheFile) {
    rig.family = kFamilyGT79xx;
    const std::vector<uint8_t> carried = sim::MakeGt79xxConfig(186 - 64);
    std::vector<uint8_t> other = carried;
    other[100] ^= 1;
    const auto block = sim::DemoBridgeBlock();
    std::vector<uint8_t> file = carried;
    file.insert(file.end(), block.begin(), block.end());
    struct Case {
        const char* what;
        std::vector<uint8_t> held;
        bool plainClass;
        std::string lines;
        Outcome outcome;
        bool blockWritten = true;
        bool bridgeAnswers = true;
    } cases[] = {
        {"the chip holds the file", carried, true, "#306/0\n# Success/4\n", Outcome::Verified},
        {"the chip holds another", other, true, "#306/0\n#308/3\n", Outcome::NotVerified},
        // The family's class finds no pack in the GT911's UI item file: nothing is loaded.
        {"no class for the family", carried, false,
         "#306/0\n#308/3\n[Config]UI item file: record NO.1 lacks \"packNO,\"/3\n",
         Outcome::NotVerified, false},
        // The block's transfer fails as it does after a chip write: the run ends.
        {"the bridge does not take the block", carried, true, "#328/3\n", Outcome::RunEnds, false,
         false},
    };
    for (const Case& c : cases) {
        Registers().Hold(*rig.chip, c.held);
        rig.rig.bridge->ClearRecords();
        rig.rig.bridge->SetConfigBlock({});
        // The block's transfer is the step's first report.
        rig.rig.bridge->StopAnsweringFrom(c.bridgeAnswers ? 0
                                                          : rig.rig.bridge->ReportsReceived() + 1);
        const StepRun run = RunStep(rig, CfgText(file), true, c.plainClass);
        rig.rig.bridge->StopAnsweringFrom(0);
        EXPECT_EQ(run.lines, c.lines) << c.what;
        EXPECT_EQ(run.outcome, c.outcome) << c.what;
        EXPECT_EQ(rig.BridgeBlockWrites(), c.blockWritten ? 1u : 0u) << c.what;
        EXPECT_EQ(rig.rig.bridge->ConfigBlock(), c.blockWritten ? block : decltype(block)())
            << c.what;
    }
    // Without a touch image the whole step runs: the file is loaded, and this one has no
    // GT79xx header.
    const StepRun run = RunStep(rig, kGood, false, true);
    EXPECT_EQ(run.lines, "Config checksum error!/3\n");
    EXPECT_EQ(run.outcome, Outcome::RunEnds);
}
