// Every family's configuration against its simulated chip: a write that the chip takes reads
// back as written, and each fault of the chip shows as the family reports it.
#include <gtest/gtest.h>

#include "resources/MessageIds.h"
#include "resources/MessageTable.h"
#include "sim/gt73xx/SimGt73xx.h"
#include "sim/gt9pxx/SimGt9pxx.h"
#include "support/ThrownText.h"
#include "touch/TouchRig.h"
#include "touch/config/BaseConfig.h"

namespace {

using Faults = sim::SimConfigRegisters::Faults;

struct Family {
    const char* name;
    ChipFamily family;
    uint16_t bridgeModel;
    int32_t cfgAddr, cfgLength;
    // The chip and its configuration registers.
    std::function<std::pair<std::shared_ptr<sim::SimChip>, sim::SimConfigRegisters*>()> make;
    bool rejectionThrows;  // else WriteToChip returns false
};

template <class Chip>
std::pair<std::shared_ptr<sim::SimChip>, sim::SimConfigRegisters*> Make() {
    auto chip = std::make_shared<Chip>();
    return {chip, &chip->config()};
}

const Family kFamilies[] = {
    {"GT9xxx", kFamilyGT9xxx, 0x0102, 0x8047, 186, Make<sim::SimGt9xxxFlash>, true},
    {"GT9Pxx", kFamilyGT9Pxx, 0x0999, 0x8047, 186, Make<sim::SimGt9pxx>, true},
    {"GT73xx", kFamilyGT73xx, 0x0301, 0x8050, 250, Make<sim::SimGt73xx>, false},
};

class ConfigFaults : public ::testing::TestWithParam<Family> {
  protected:
    ConfigFaults() : rig(GetParam().bridgeModel) {
        auto [chip, registers] = GetParam().make();
        rig.Start(chip);
        chipRegisters = chip;
        faults = &registers->faults();
        rig.settings.CFGAddr = GetParam().cfgAddr;
        rig.settings.CfgLength = GetParam().cfgLength;
        rig.settings.ExtCfgLength = 0;
        config = CreateConfig(GetParam().family, ConfigContextOf(*rig.registry));
        for (int32_t i = 0; i < GetParam().cfgLength; ++i) {
            config->Image()[i] = static_cast<uint8_t>(i * 7 + 3);
        }
        config->UpdateChecksum();
    }
    // The outcome of a write: "true", "false" or the thrown text.
    std::string Write() {
        bool result = false;
        const std::string thrown =
            testsupport::ThrownText([&] { result = config->WriteToChip(1); });
        return thrown.empty() ? (result ? "true" : "false") : thrown;
    }

    TouchRig rig;
    std::shared_ptr<sim::SimChip> chipRegisters;
    Faults* faults = nullptr;
    std::unique_ptr<CBaseConfig> config;
};

}  // namespace

TEST_P(ConfigFaults, TheChipKeepsWhatItTookAndEachFaultShows) {
    const std::string writeFailed = resources::LoadMessageText(msg::kConfigWriteFailed);
    const std::string rejected = GetParam().rejectionThrows ? writeFailed : "false";
    struct Case {
        Faults faults;
        std::string write;
        bool verified;
    } cases[] = {
        {{.handshakeNeverCompletes = true}, writeFailed, false},
        {{.rejectsChecksum = true}, rejected, false},
        {{.storesOtherBytes = true}, "true", false},
        {{}, "true", true},
    };
    for (const Case& c : cases) {
        *faults = c.faults;
        EXPECT_EQ(Write(), c.write);
        EXPECT_EQ(config->VerifyOnChip(false), c.verified);
    }
    auto readBack = CreateConfig(GetParam().family, ConfigContextOf(*rig.registry));
    readBack->ReadFromChip();
    const int32_t n = GetParam().cfgLength;
    EXPECT_EQ(std::vector<uint8_t>(readBack->Image(), readBack->Image() + n - 2),
              std::vector<uint8_t>(config->Image(), config->Image() + n - 2));
    EXPECT_EQ(config->VersionReadBack, config->Image()[0]);

    config->Image()[5] ^= 1;  // a block whose checksum fails
    EXPECT_EQ(Write(), rejected);
}

// After the chip took the block, the file (the image) is made to differ from it: the
// comparison skips the chip's version byte only where the file's is 0, and GT73xx bytes 0-3.
TEST_P(ConfigFaults, TheComparisonStartsAtTheFamilysFirstByte) {
    ASSERT_EQ(Write(), "true");
    ASSERT_NE(config->Image()[0], 0);
    const std::vector<uint8_t> taken(config->Image(), config->Image() + GetParam().cfgLength);
    struct Case {
        const char* families;                           // the rows' families
        std::vector<std::pair<int32_t, uint8_t>> file;  // bytes and their values in the file
        bool verified;
    } cases[] = {
        {"GT9xxx GT9Pxx GT73xx", {}, true},
        {"GT9xxx GT9Pxx", {{0, 0}}, true},
        {"GT9xxx GT9Pxx", {{0, 0}, {1, 0xEE}}, false},
        {"GT9xxx GT9Pxx", {{0, 0xEE}}, false},
        {"GT73xx", {{0, 0xEE}, {3, 0xEE}}, true},
        {"GT73xx", {{0, 0}, {4, 0xEE}}, false},
    };
    for (const Case& c : cases) {
        if (std::string(c.families).find(GetParam().name) == std::string::npos) continue;
        std::copy(taken.begin(), taken.end(), config->Image());
        for (auto [at, value] : c.file) config->Image()[at] = value;
        config->VersionReadBack = 0;
        EXPECT_EQ(config->VerifyOnChip(false), c.verified) << c.file.size();
        // A passed comparison reads back the chip's version, not the file's.
        EXPECT_EQ(config->VersionReadBack, c.verified ? taken[0] : 0) << c.file.size();
    }
}

INSTANTIATE_TEST_SUITE_P(Families, ConfigFaults, ::testing::ValuesIn(kFamilies),
                         [](const auto& info) { return std::string(info.param.name); });
