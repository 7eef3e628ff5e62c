#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "bridge/CommandRecord.h"
#include "bridge/DeviceRequest.h"
#include "bridge/HidDevice.h"
#include "sim/ft5xxx/SimFt5xxx.h"
#include "sim/gt73xx/SimGt73xx.h"
#include "sim/gt79xx/SimGt79xx.h"
#include "sim/gt9pxx/SimGt9pxx.h"
#include "sim/gt9xxx/SimGt9xxxFlash.h"
#include "support/BridgeFixture.h"
#include "touch/ChipFamily.h"

namespace {

using testsupport::SimBridgeScope;

TEST(SimChipsTest, GtIdentityRegisters) {
    SimBridgeScope rig;
    ASSERT_TRUE(rig.opened());
    auto gt9 = std::make_shared<sim::SimGt9xxxFlash>();
    gt9->SetIdentity("9111", 0x1005);
    gt9->Attach(rig.bridge());
    uint8_t b[8] = {};
    ASSERT_TRUE(rig.device().ReadRegs(0x8140, b, 8, 100));
    const uint8_t expected9[8] = {'9', '1', '1', '1', 0x05, 0x10, 0, 0};
    EXPECT_EQ(0, std::memcmp(b, expected9, 8));

    auto gt9p = std::make_shared<sim::SimGt9pxx>("9286", std::array<uint8_t, 3>{0xA1, 0xB2, 0xC3});
    gt9p->Attach(rig.bridge());
    ASSERT_TRUE(rig.device().ReadRegs(0x8140, b, 8, 100));
    const uint8_t expected9p[8] = {'9', '2', '8', '6', 0xA1, 0xB2, 0xC3, 0};
    EXPECT_EQ(0, std::memcmp(b, expected9p, 8));

    auto gt73 = std::make_shared<sim::SimGt73xx>("738", std::array<uint8_t, 3>{1, 2, 3});
    gt73->Attach(rig.bridge());
    uint8_t c[10] = {};
    ASSERT_TRUE(rig.device().ReadRegs(0x8240, c, 10, 100));
    const uint8_t expected73[10] = {'7', '3', '8', 0, 0, 1, 2, 3, 0, 0};
    EXPECT_EQ(0, std::memcmp(c, expected73, 10));
}

TEST(SimChipsTest, CommandRecordsAreWrittenIntoTheRegisters) {
    SimBridgeScope rig;
    ASSERT_TRUE(rig.opened());
    auto chip = std::make_shared<sim::SimGt9xxxFlash>();
    chip->Attach(rig.bridge());
    const CommandRecord record{0x8040, 3, {0x0D, 0x00, 0xF3}};
    EXPECT_TRUE(rig.device().SendCommandRecord(record, kCmdCommandRecord));
    EXPECT_EQ(chip->Get(0x8040), 0x0D);
    EXPECT_EQ(chip->Get(0x8042), 0xF3);
    const CommandRecord alt{0x8046, 1, {0x01}};
    EXPECT_TRUE(rig.device().SendCommandRecord(alt, kCmdCommandRecordAlt));
    EXPECT_EQ(chip->Get(0x8046), 0x01);
}

TEST(SimChipsTest, Gt79xxUsesTwentyFourBitAddressesAndAcknowledgesFrames) {
    SimBridgeScope rig(kFamilyGT79xx);
    ASSERT_TRUE(rig.opened());
    auto chip = std::make_shared<sim::SimGt79xx>("6876F", std::array<uint8_t, 4>{9, 8, 7, 6});
    rig.bridge().SetFamily(1);
    chip->Attach(rig.bridge());
    EXPECT_EQ(rig.bridge().Family(), 4);
    uint8_t id[23] = {};
    ASSERT_TRUE(rig.device().ReadRegs(0x10014, id, sizeof(id), 100));
    EXPECT_EQ(0, std::memcmp(id + 10, "6876F", 5));
    EXPECT_EQ(id[18], 9);
    EXPECT_EQ(id[21], 6);
    ASSERT_FALSE(rig.bridge().Requests().empty());
    EXPECT_EQ(rig.bridge().Requests().back().address, 0x10014u);

    // The information block's checksum covers bytes 0 to 186.
    chip->SetInfo({28, 16, 0x10180, 0x00001234, true});
    uint8_t info[189] = {};
    ASSERT_TRUE(rig.device().ReadRegs(0x10070, info, sizeof(info), 100));
    uint16_t sum = 0;
    for (int i = 0; i < 187; ++i) sum = static_cast<uint16_t>(sum + info[i]);
    EXPECT_EQ(info[0], 189);
    EXPECT_EQ(info[28], 28);
    EXPECT_EQ(info[39], 0x80);
    EXPECT_EQ(info[41], 0x01);
    EXPECT_EQ(sum, info[187] | (info[188] << 8));

    // Frames are answered at the address the information block names.
    const CommandRecord frame{0x10180, 6, {0x00, 0x00, 0x04, 0x02, 0x06, 0x00}};
    chip->SetAcknowledgeCommands(false);
    ASSERT_TRUE(rig.device().SendCommandRecord(frame, kCmdCommandRecord));
    EXPECT_EQ(chip->Get(0x10181), 0x00);
    chip->SetAcknowledgeCommands(true);
    ASSERT_TRUE(rig.device().SendCommandRecord(frame, kCmdCommandRecord));
    EXPECT_EQ(chip->Get(0x10180), 0x80);
    EXPECT_EQ(chip->Get(0x10181), 0x80);
    EXPECT_EQ(chip->Get(0x10183), 0x02);
}

TEST(SimChipsTest, Ft5xxxModesBlockReadAndCommand19) {
    SimBridgeScope rig(kFamilyFT5xxx);
    ASSERT_TRUE(rig.opened());
    auto chip = std::make_shared<sim::SimFt5xxx>("FT5682_V1");
    chip->Attach(rig.bridge());
    uint8_t text[32] = {};
    ASSERT_TRUE(rig.device().ReadBlock32(0xA6, text));
    EXPECT_STREQ(reinterpret_cast<const char*>(text), "FT5682_V1");

    // Work mode: register 0 reads 0 and 0xB4 is a plain register.
    EXPECT_EQ(rig.device().ReadByte(0x00), 0x00);
    chip->SetAcceptsFactoryMode(false);
    EXPECT_TRUE(rig.device().WriteByte(0x00, 0x40));
    EXPECT_EQ(rig.device().ReadByte(0x00), 0x00);
    chip->SetAcceptsFactoryMode(true);
    EXPECT_TRUE(rig.device().WriteByte(0x00, 0x40));
    EXPECT_TRUE(chip->InFactoryMode());
    EXPECT_EQ(rig.device().ReadByte(0x00), 0x40);
    EXPECT_EQ(rig.device().ReadByte(0xB4), 0x00);
    chip->SetReady(false);
    EXPECT_EQ(rig.device().ReadByte(0xB4), 0x01);
    EXPECT_TRUE(rig.device().WriteByte(0x00, 0x00));
    EXPECT_FALSE(chip->InFactoryMode());

    chip->SetCommand19Answer(7);
    std::array<uint8_t, 6> header{};
    EXPECT_TRUE(rig.device().Exchange({kRequestRead, kCmdFactoryModeCheck, 0, 100, QueueEnd::Front},
                                      nullptr, 1, &header));
    EXPECT_EQ(header[0], 7);
    ASSERT_FALSE(rig.bridge().Commands().empty());
    EXPECT_EQ(rig.bridge().Commands().back().command, 19);
}

}  // namespace
