// The GT79xx configuration read is bracketed by real-time commands 7 and 8: once 7 went
// out, 8 follows whatever the read found.
#include <gtest/gtest.h>

#include "platform/TextError.h"
#include "sim/gt79xx/Gt79xxImage.h"
#include "sim/gt79xx/SimGt79xx.h"
#include "support/UiItemText.h"
#include "touch/TouchRig.h"
#include "touch/config/ConfigContext.h"
#include "touch/gt79xx/C79xxConfig.h"

namespace {

using Bytes = std::vector<uint8_t>;

void PutHeaderSum(Bytes& image) {
    const uint16_t sum = C79xxConfig::ByteSum16(image.data(), 62);
    image[62] = static_cast<uint8_t>(sum);
    image[63] = static_cast<uint8_t>(sum >> 8);
}

struct ChipHolds {
    const char* what;
    std::function<void(Bytes&)> spoil;  // applied to a valid configuration of body 60
    bool readAll;                       // ReadAll, else ReadFromChip
    bool succeeds;
};

void PrintTo(const ChipHolds& c, std::ostream* os) { *os << c.what; }

class Gt79xxReadBracket : public ::testing::TestWithParam<ChipHolds> {
  protected:
    void SetUp() override {
        ASSERT_TRUE(rig_.Start(chip_));
        rig_.settings.ChipIniPath = ".\\System\\ChipIni\\GT7936_test.ini";
        rig_.settings.ScFilePath = ".\\System\\CfgItem\\GT7936.ui";
        rig_.settings.CFGAddr = 0x13B74;
        rig_.folder.Write("System/ChipIni/GT7936_test.ini", "[Cfg]\n");
        rig_.folder.Write("System/CfgItem/GT7936.ui", testsupport::StoredGt79xxVersionUiFile());
    }
    // The real-time commands the bridge took, in order.
    std::vector<int> Commands() const {
        std::vector<int> out;
        for (const auto& q : rig_.bridge->Requests()) {
            if (q.command == 15 && q.type == 1 && q.address == rig_.settings.RealTimeCmdAddr &&
                q.payload.size() == 6)
                out.push_back(q.payload[3]);
        }
        return out;
    }

    std::shared_ptr<sim::SimGt79xx> chip_ = std::make_shared<sim::SimGt79xx>();
    TouchRig rig_{0x0401};
};

}  // namespace

TEST_P(Gt79xxReadBracket, CommandEightClosesEveryRead) {
    const ChipHolds& c = GetParam();
    Bytes image = sim::MakeGt79xxConfig(60, 3);
    c.spoil(image);
    chip_->SetConfig(image);
    rig_.settings.CfgLength = 124;
    C79xxConfig config(ConfigContextOf(*rig_.registry));
    rig_.bridge->ClearRecords();
    bool ok = true;
    try {
        if (c.readAll) {
            config.ReadAll();
        } else {
            config.ReadFromChip();
        }
    } catch (const platform::TextError&) {
        ok = false;
    }
    EXPECT_EQ(ok, c.succeeds);
    EXPECT_EQ(Commands(), (std::vector<int>{7, 8}));
    // Every read of the configuration lies between the two.
    const auto requests = rig_.bridge->Requests();
    size_t lastRead = 0, closing = 0;
    for (size_t i = 0; i < requests.size(); ++i) {
        const auto& q = requests[i];
        if (q.type == 0 && q.address >= 0x13B74 && q.address < 0x13B74 + 4096) lastRead = i;
        if (q.type == 1 && q.payload.size() == 6 && q.payload[3] == 8) closing = i;
    }
    EXPECT_GT(lastRead, 0u);
    EXPECT_LT(lastRead, closing);
}

INSTANTIATE_TEST_SUITE_P(
    Reads, Gt79xxReadBracket,
    ::testing::Values(
        ChipHolds{"a valid configuration", [](Bytes&) {}, true, true},
        ChipHolds{"a header whose sum fails", [](Bytes& b) { b[62] ^= 1; }, true, false},
        ChipHolds{"a body length below 4",
                  [](Bytes& b) {
                      b[59] = 3, b[60] = 0;
                      PutHeaderSum(b);
                  },
                  true, false},
        ChipHolds{"a body length beyond the image",
                  [](Bytes& b) {
                      b[59] = 0xC1, b[60] = 0x0F;
                      PutHeaderSum(b);
                  },
                  true, false},
        ChipHolds{"a tail that fails", [](Bytes& b) { b[120] ^= 1; }, true, false},
        ChipHolds{"ReadFromChip: a valid configuration", [](Bytes&) {}, false, true},
        ChipHolds{"ReadFromChip: a tail that fails", [](Bytes& b) { b[120] ^= 1; }, false, false}),
    [](const ::testing::TestParamInfo<ChipHolds>& info) { return std::to_string(info.index); });

// A command 7 that the chip does not acknowledge is still closed by a command 8.
TEST(Gt79xxReadBracketAck, AnUnacknowledgedSevenIsClosedToo) {
    auto chip = std::make_shared<sim::SimGt79xx>();
    TouchRig rig{0x0401};
    ASSERT_TRUE(rig.Start(chip));
    rig.settings.CfgLength = 124;
    chip->SetAcknowledgeCommands(false);
    C79xxConfig config(ConfigContextOf(*rig.registry));
    EXPECT_THROW(config.ReadFromChip(), platform::TextError);
    std::vector<int> commands;
    for (const auto& q : rig.bridge->Requests()) {
        if (q.type == 1 && q.address == 0x10174 && q.payload.size() == 6) {
            commands.push_back(q.payload[3]);
        }
    }
    EXPECT_EQ(commands, (std::vector<int>{7, 8}));
}
