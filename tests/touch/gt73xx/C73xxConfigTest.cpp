#include <gtest/gtest.h>

#include <numeric>

#include "platform/Format.h"
#include "platform/TextError.h"
#include "resources/MessageIds.h"
#include "resources/MessageTable.h"
#include "sim/gt73xx/SimGt73xx.h"
#include "support/BridgeFixture.h"
#include "support/ThrownText.h"
#include "support/UiItemText.h"
#include "touch/TouchRig.h"
#include "touch/gt73xx/C73xxConfig.h"

namespace {

using Bytes = std::vector<uint8_t>;

uint8_t Sum(const uint8_t* bytes, int from, int to) {
    return std::accumulate(bytes + from, bytes + to + 1, uint8_t{0});
}

class Gt73xxConfig : public ::testing::Test {
  protected:
    Gt73xxConfig() : rig(0x0301) {
        rig.Start(chip);
        rig.settings.CFGAddr = 0x8050;
        rig.settings.CfgLength = 250;
        rig.settings.SynFlagAddr = 0x814E;
        for (int i = 0; i < 250; ++i) config->Image()[i] = static_cast<uint8_t>(i * 3 + 1);
    }
    // Items from register 0x8054 on (bytes 0 to 2 hold checksums), after the version.
    void Load(const std::vector<std::string>& names) {
        std::vector<testsupport::UiRecord> records(1);
        records[0].address = "8050";
        for (size_t i = 0; i < names.size(); ++i) {
            records.emplace_back();
            records.back().address = std::to_string(8054 + i);
            records.back().name = names[i];
            records.back().ctrlType = names[i] == "X2X" ? 2 : 6;
            records.back().dataBitH = names[i] == "X2X" ? 0 : 7;
        }
        rig.folder.Write("T.sc", testsupport::StoredUiFile(testsupport::UiText(records)));
        config->LoadUiFile(".\\T.sc");
    }
    std::vector<std::string> Values(size_t count) {
        std::vector<std::string> values;
        for (size_t i = 1; i <= count; ++i) values.push_back(config->Items()[i]->Value);
        return values;
    }
    std::string WriteError() {
        return testsupport::ThrownText([this] { config->WriteToChip(1); });
    }
    // Register writes as "address=bytes".
    std::vector<std::string> Writes() {
        std::vector<std::string> out;
        for (const auto& q : rig.bridge->Requests()) {
            if (q.type == 1 && q.payload.size() < 3) {
                out.push_back(platform::Format("%04X=", q.address) + testsupport::Hex(q.payload));
            }
        }
        return out;
    }

    TouchRig rig;
    std::shared_ptr<sim::SimGt73xx> chip = std::make_shared<sim::SimGt73xx>();
    std::unique_ptr<CBaseConfig> config =
        CreateConfig(kFamilyGT73xx, ConfigContextOf(*rig.registry));
};

}  // namespace

TEST_F(Gt73xxConfig, ThreeChecksumsEachZeroTheirRange) {
    config->UpdateChecksum();
    const uint8_t* image = config->Image();
    EXPECT_EQ(Sum(image, 0, 2), 0);
    EXPECT_EQ(Sum(image, 0, 212), 0);
    EXPECT_EQ(Sum(image, 213, 249), 0);
    EXPECT_EQ(image[1], 4);  // data untouched
}

TEST_F(Gt73xxConfig, BlocksTooShortForTheLayoutAreRefusedAndNothingIsWritten) {
    for (int length : {186, 213}) {
        rig.settings.CfgLength = length;
        const Bytes before(config->Image(), config->Image() + 250);
        EXPECT_THROW(config->UpdateChecksum(), platform::TextError);
        EXPECT_EQ(Bytes(config->Image(), config->Image() + 250), before);
        EXPECT_NE(WriteError().find("CfgLength " + std::to_string(length)), std::string::npos);
    }
    EXPECT_TRUE(rig.bridge->Requests().empty());
}

TEST_F(Gt73xxConfig, WriteGoesThroughCommandFramesAndTheChipKeepsTheBlock) {
    config->UpdateChecksum();
    ASSERT_TRUE(config->WriteToChip(1));
    EXPECT_EQ(Writes(), (std::vector<std::string>{"814E=00", "8041=00 80", "8040=80", "814E=00",
                                                  "8041=00 7d", "8040=83"}));
    EXPECT_EQ(chip->Get(0x8040), 0xFF);
    config->Image()[2] ^= 0xFF;  // bytes 0-3 are not compared
    EXPECT_TRUE(config->VerifyOnChip(false));
}

TEST_F(Gt73xxConfig, AChipThatNeverGetsReadyIsNotSentTheBlock) {
    chip->config().faults().handshakeNeverCompletes = true;
    EXPECT_EQ(WriteError(), resources::LoadMessageText(msg::kConfigWriteFailed));
    for (const auto& q : rig.bridge->Requests()) EXPECT_NE(q.address, 0x8050u);
}
TEST_F(Gt73xxConfig, ChannelsOfASplitPanel) {
    rig.settings.DrvHalfNumber = 3;
    rig.settings.DrvMaxNum = 5;
    rig.settings.DrvMap = {10, 11, 12, 10, 14};
    Load({"Driver_CH0", "Driver_CH1", "Driver_CH2", "Driver_CH3", "Driver_CH4", "G11_Driver_Num",
          "G12_Driver_Num", "X2X"});
    config->ApplyChannelMap({0, 1, 2, 3, 4}, {});
    EXPECT_EQ(Values(7), (std::vector<std::string>{"0", "1", "2", "3", "4", "3", "2"}));
    config->ApplyChannelMap({0, 3, 4}, {});
    EXPECT_EQ(Values(7), (std::vector<std::string>{"0", "255", "255", "3", "4", "1", "2"}));

    const Bytes bytes = {10, 11, 12, 10, 11};
    std::copy(bytes.begin(), bytes.end(), config->Image() + 4);
    config->DecodeItems();
    // Channel 3 finds 10 in the second half; 11 is not there.
    EXPECT_EQ(Values(5), (std::vector<std::string>{"0", "1", "2", "3", "11"}));
    config->EncodeItems();
    EXPECT_EQ(Bytes(config->Image() + 4, config->Image() + 9), bytes);

    EXPECT_TRUE(config->MirrorX());
    EXPECT_EQ(config->Items()[8]->Value, "1");
    EXPECT_FALSE(config->MirrorY());  // no "Y2Y" item
}
