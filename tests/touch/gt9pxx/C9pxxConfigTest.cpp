#include <gtest/gtest.h>

#include "platform/TextError.h"
#include "resources/MessageIds.h"
#include "resources/MessageTable.h"
#include "sim/gt9pxx/SimGt9pxx.h"
#include "support/ThrownText.h"
#include "touch/TouchRig.h"
#include "touch/gt9pxx/C9pxxConfig.h"

namespace {

using Bytes = std::vector<uint8_t>;
constexpr uint32_t kExtAddr = 0xBF7B;
constexpr int kSwitch = 0x805A - 0x8047;

class Gt9pxxConfig : public ::testing::Test {
  protected:
    Gt9pxxConfig() {
        rig.Start(chip);
        Layout(186, 0);
        rig.settings.SynFlagAddr = 0x814E;
        for (int i = 0; i < 300; ++i) config->Image()[i] = static_cast<uint8_t>(i * 5 + 2);
    }
    void Layout(int main, int ext) {
        rig.settings.CFGAddr = 0x8047;
        rig.settings.CfgLength = main;
        rig.settings.ExtCfgAddr = kExtAddr;
        rig.settings.ExtCfgLength = ext;
        chip->config().layout() = {0x8047, static_cast<uint32_t>(main), kExtAddr,
                                   static_cast<uint32_t>(ext)};
    }
    std::string WriteError() {
        return testsupport::ThrownText([this] { config->WriteToChip(1); });
    }
    std::vector<uint32_t> BlockWrites() {
        std::vector<uint32_t> out;
        for (const auto& q : rig.bridge->Requests()) {
            if (q.type == 1 && !q.continuation && q.payload.size() > 2) out.push_back(q.address);
        }
        return out;
    }

    TouchRig rig;
    std::shared_ptr<sim::SimGt9pxx> chip = std::make_shared<sim::SimGt9pxx>();
    std::unique_ptr<CBaseConfig> config =
        CreateConfig(kFamilyGT9Pxx, ConfigContextOf(*rig.registry));
};

}  // namespace

TEST_F(Gt9pxxConfig, ChecksumsOfOddAndEvenBlocks) {
    struct Case {
        int main, ext;
        Bytes data, expected;  // main data, then extended data; expected: the block after
    } cases[] = {
        {5, 0, {0x12, 0x34}, {0x12, 0x34, 0xED, 0xCC, 0x01}},
        {6, 0, {0x12, 0x34, 0x56}, {0x12, 0x34, 0x56, 0x97, 0xCC, 0x01}},
        {3, 4, {0x00, 0x01}, {0x00, 0x00, 0x01, 0x00, 0x01, 0xFF, 0xFF}},
        {3, 5, {0x00, 0x01, 0x02}, {0x00, 0x00, 0x01, 0x00, 0x01, 0x02, 0xFD, 0xFF}},
    };
    for (const Case& c : cases) {
        Layout(c.main, c.ext);
        uint8_t* image = config->Image();
        std::fill(image, image + 16, 0xAA);
        const auto mainData = static_cast<size_t>(c.main - 3);
        std::copy(c.data.begin(), c.data.begin() + mainData, image);
        std::copy(c.data.begin() + mainData, c.data.end(), image + c.main);
        config->UpdateChecksum();
        EXPECT_EQ(Bytes(image, image + c.main + c.ext), c.expected) << c.main << "/" << c.ext;
        EXPECT_EQ(image[c.main + c.ext], 0xAA);  // nothing past the blocks
        EXPECT_TRUE(config->VerifyChecksum());
        image[0] ^= 0x10;
        EXPECT_FALSE(config->VerifyChecksum());
        image[0] ^= 0x10;
        if (c.ext) {
            image[c.main] ^= 0x01;
            EXPECT_FALSE(config->VerifyChecksum());
        }
    }
    Layout(2, 0);
    EXPECT_FALSE(config->VerifyChecksum());
    EXPECT_THROW(config->UpdateChecksum(), platform::TextError);
}

TEST_F(Gt9pxxConfig, TheExtendedBlockGoesFirstOnlyWhenItsSwitchIsSet) {
    Layout(187, 4);
    config->Image()[kSwitch] &= ~0x40;
    config->UpdateChecksum();
    ASSERT_TRUE(config->WriteToChip(1));
    EXPECT_EQ(BlockWrites(), (std::vector<uint32_t>{0x8047}));
    EXPECT_EQ(chip->Get(0x8047 + 186), 0);  // flag cleared
    EXPECT_TRUE(config->VerifyOnChip(false));

    rig.bridge->ClearRecords();
    config->Image()[kSwitch] |= 0x40;
    config->UpdateChecksum();
    ASSERT_TRUE(config->WriteToChip(1));
    EXPECT_EQ(BlockWrites(), (std::vector<uint32_t>{kExtAddr, 0x8047}));
    for (int i = 0; i < 4; ++i) EXPECT_EQ(chip->Get(kExtAddr + i), config->Image()[187 + i]);
    const auto requests = rig.bridge->Requests();
    EXPECT_TRUE(std::any_of(requests.begin(), requests.end(),
                            [](const auto& q) { return q.address == 0x8044 && q.type == 1; }));

    Layout(10, 4);  // register 0x805A outside the main block
    rig.bridge->ClearRecords();
    EXPECT_NE(WriteError().find("0x805A"), std::string::npos);
    EXPECT_TRUE(rig.bridge->Requests().empty());
}

TEST_F(Gt9pxxConfig, TheChipRefusesAWrongExtendedChecksum) {
    Layout(186, 4);
    config->Image()[kSwitch] |= 0x40;
    config->UpdateChecksum();
    config->Image()[186] ^= 1;
    EXPECT_EQ(WriteError(), resources::LoadMessageText(msg::kConfigWriteFailed));
}
