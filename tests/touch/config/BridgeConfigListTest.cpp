#include <gtest/gtest.h>

#include "support/MockRegisterAccess.h"
#include "touch/config/BaseConfig.h"
#include "touch/config/BridgeConfigList.h"

namespace {

using Block = std::array<uint8_t, 24>;

// Bytes 22-23: the 16-bit sum of bytes 0-21, high byte first.
Block WithSum(Block block) {
    uint16_t sum = 0;
    for (size_t i = 0; i < 22; ++i) sum = static_cast<uint16_t>(sum + block[i]);
    block[22] = static_cast<uint8_t>(sum >> 8);
    block[23] = static_cast<uint8_t>(sum);
    return block;
}

class BridgeConfig : public ::testing::Test {
  protected:
    BridgeConfig() { list.BuildPageTree(); }

    CConfigItem& Item(const std::string& name) {
        for (const auto& item : list.Items()) {
            if (item->Name == name) return *item;
        }
        throw std::runtime_error("no item " + name);
    }
    const ConfigGroup& Group() const { return config.Pages().back().Groups.front(); }

    ::testing::StrictMock<testsupport::MockRegisterAccess> bridge;
    ChipIniSettings settings;
    platform::SteadyClock clock;
    CBaseConfig config{
        ConfigContext{bridge, clock, settings, platform::ProgramFiles{}, {}, {}, {}}};
    CBridgeConfigList list{&config};
};

}  // namespace

TEST_F(BridgeConfig, TheBlockIsPresentOnlyWithItsLengthByteAndItsChecksum) {
    struct Case {
        const char* what;
        Block block;
        bool present;
    } cases[] = {
        {"length 24", WithSum({24, 0x21}), true},
        {"length 1", WithSum({1}), true},
        {"length 25", WithSum({25}), false},
        {"length 0", WithSum({0, 0x21}), false},
        {"sum 300 high byte first",
         {24, 0xFF, 0x15, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x01, 0x2C},
         true},
        {"sum 300 low byte first",
         {24, 0xFF, 0x15, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x2C, 0x01},
         false},
        {"no block", {}, false},
    };
    for (const Case& c : cases) {
        list.Block = c.block;
        EXPECT_EQ(list.Decode(), c.present) << c.what;
        EXPECT_EQ(list.Present, c.present) << c.what;
        EXPECT_EQ(Group().Mode, c.present ? 1 : 2) << c.what;
    }
}

TEST_F(BridgeConfig, ItemsFollowTheBuiltInDescription) {
    EXPECT_EQ(Item("VID(H)").Choices, (std::vector<std::string>{"056A", "222A", "27C6"}));
    EXPECT_EQ(Item("PID(H)").Choices, (std::vector<std::string>{"0102", "0301", "0401"}));
    EXPECT_EQ(Item("ReportType").Choices,
              (std::vector<std::string>{"Mouse+Touch", "Mouse", "Touch"}));
    EXPECT_EQ(Item("Uart Buad").BitAddress, 6 * 8);
    EXPECT_EQ(Item("DimensionY").Width, 16);
    EXPECT_EQ(config.Pages().back().Name, "HaldenConfig");
    EXPECT_EQ(Group().Name, "Halden");
    EXPECT_EQ(Group().Items.size(), list.Items().size());
}

TEST_F(BridgeConfig, EncodingPacksTheItemsHighByteFirstWithLengthAndSum) {
    Item("Interface").Value = "USB&IIC";
    Item("MouseRightClickDis").Value = "1";
    Item("MouseDoubleClickEn").Value = "0";
    Item("WackupEn").Value = "0";
    Item("ReportType").Value = "Touch";
    Item("Uart Protocal").Value = "10Byte";
    Item("VID(H)").Value = "27C6";
    Item("PID(H)").Value = "0401";
    Item("Uart Buad").Value = "19200";
    Item("DimensionX").Value = "4000";
    Item("DimensionY").Value = "not a number";
    list.Block.fill(0xAA);  // nothing of what the block held stays
    EXPECT_TRUE(list.Encode());
    EXPECT_EQ(list.Block, WithSum({24, 0x63, 0x27, 0xC6, 0x04, 0x01, 2, 0, 0x0F, 0xA0}));
}

TEST_F(BridgeConfig, DecodingShowsChoicesTextsAndNumbers) {
    list.Block = WithSum({24, 0x31, 0x05, 0x6A, 0x12, 0x34, 7, 0, 0x01, 0x00, 0x00, 0x10});
    ASSERT_TRUE(list.Decode());
    EXPECT_EQ(Item("Interface").Value, "USB&IIC");
    EXPECT_EQ(Item("ReportType").Value, "3");  // no fourth choice
    EXPECT_EQ(Item("VID(H)").Value, "056A");
    EXPECT_EQ(Item("PID(H)").Value, "1234");
    EXPECT_EQ(Item("Uart Buad").Value, "7");
    EXPECT_EQ(Item("DimensionX").Value, "256");
    EXPECT_EQ(Item("DimensionY").Value, "16");
    EXPECT_EQ(Item("DimensionY").InitialValue, "16");

    Block wrong = list.Block;
    wrong[1] = 0x00;  // the checksum no longer holds
    list.Block = wrong;
    EXPECT_FALSE(list.Decode());
    EXPECT_EQ(Item("Interface").Value, "USB&IIC");
    EXPECT_EQ(Item("DimensionY").Value, "16");
}

TEST(BridgeConfigWithoutOwner, DecodesWithoutMarkingAnything) {
    CBridgeConfigList list(nullptr);
    list.BuildPageTree();
    list.Block = WithSum({24});
    EXPECT_TRUE(list.Decode());
    EXPECT_FALSE(list.Present);
}
