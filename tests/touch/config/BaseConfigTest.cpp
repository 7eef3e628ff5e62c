#include <gtest/gtest.h>

#include <numeric>

#include "platform/Clock.h"
#include "platform/Profile.h"
#include "platform/TextError.h"
#include "resources/MessageIds.h"
#include "resources/MessageTable.h"
#include "support/MockRegisterAccess.h"
#include "support/ThrownText.h"
#include "support/UiItemText.h"
#include "touch/TouchRig.h"
#include "touch/config/BaseConfig.h"

using ::testing::StrictMock;
using testsupport::ThrownText;
using testsupport::UiRecord;

namespace {

using Bytes = std::vector<uint8_t>;

UiRecord Item(const std::string& address, const std::string& name, int low = 0, int high = 7,
              int ctrlType = 6) {
    UiRecord r;
    r.address = address;
    r.name = name;
    r.dataBitL = low;
    r.dataBitH = high;
    r.ctrlType = ctrlType;
    return r;
}

// A configuration over a strict mock bridge: any register access fails the test.
class BaseConfigImage : public ::testing::Test {
  protected:
    BaseConfigImage() {
        folder.MakeFolder("System/CfgItem");
        folder.MakeFolder("System/ChipIni");
        folder.Write("System/ChipIni/GT911_A.ini", "[Cfg]\nVersionKey=0x8047,0\nOneKey=8047\n");
        settings.ChipIniPath = ".\\System\\ChipIni\\GT911_A.ini";
        settings.CFGAddr = 0x8047;
        settings.CfgLength = 186;
    }
    void Load(const std::vector<UiRecord>& records) {
        folder.Write("System/CfgItem/GT911_A.sc",
                     testsupport::StoredUiFile(testsupport::UiText(records)));
        config.LoadUiFile(kUiPath);
    }
    CConfigItem& ItemNamed(const std::string& name) {
        for (const auto& item : config.Items()) {
            if (item->Name == name) return *item;
        }
        throw std::runtime_error("no item " + name);
    }

    static constexpr const char* kUiPath = ".\\System\\CfgItem\\GT911_A.sc";
    testsupport::TempFolder folder;
    StrictMock<testsupport::MockRegisterAccess> bridge;
    ChipIniSettings settings;
    platform::SteadyClock clock;
    CBaseConfig config{ConfigContext{
        bridge, clock, settings, folder.Files(), [] { return kFamilyGT9xxx; }, {}, {}}};
};

}  // namespace

TEST_F(BaseConfigImage, ChecksumOfTheMainBlock) {
    std::iota(config.Image(), config.Image() + 186, 1);
    config.UpdateChecksum();
    const uint8_t sum = std::accumulate(config.Image(), config.Image() + 184, uint8_t{0});
    EXPECT_EQ(config.Image()[184], static_cast<uint8_t>(-sum));
    EXPECT_EQ(config.Image()[185], 1);
    EXPECT_TRUE(config.VerifyChecksum());
    config.Image()[7] ^= 1;
    EXPECT_FALSE(config.VerifyChecksum());
}

TEST_F(BaseConfigImage, LengthsTheImageCannotHoldAreRefusedBeforeAnyRegisterAccess) {
    for (auto [main, ext] : {std::pair{0, 0}, {1, 0}, {4097, 0}, {186, 3911}, {186, -1}}) {
        settings.CfgLength = main;
        settings.ExtCfgLength = ext;
        const Bytes before(config.Image(), config.Image() + 4096);
        EXPECT_NE(ThrownText([&] { config.UpdateChecksum(); }).find("Configuration length"),
                  std::string::npos);
        EXPECT_THROW(config.WriteToChip(1), platform::TextError);
        EXPECT_THROW(config.ReadFromChip(), platform::TextError);
        EXPECT_FALSE(config.VerifyChecksum());
        EXPECT_FALSE(config.VerifyOnChip(false));
        EXPECT_EQ(Bytes(config.Image(), config.Image() + 4096), before);
    }
}

TEST_F(BaseConfigImage, ItemValuesDecodeAndEncode) {
    settings.DrvMap = {7, 6, 5};
    settings.DrvMaxNum = 3;
    UiRecord choice = Item("804D", "Switch", 0, 7, 1);
    choice.choiceLines = {",0,Off", ",1,On"};
    Load({Item("8047", "Config_Version"), Item("8048", "Bits", 2, 4),
          Item("8049", "Wide", 0, 15, 7), Item("3", "Low"), Item("804B", "Driver_CH0"),
          Item("804C", "Driver_CH1"), choice});
    uint8_t* image = config.Image();
    image[1] = 0xDC, image[2] = 0xE0, image[3] = 0x01, image[4] = 7, image[5] = 9, image[6] = 5;
    config.DecodeItems();
    EXPECT_EQ(ItemNamed("Bits").Value, "7");
    EXPECT_EQ(ItemNamed("Wide(H)").Value, "1E0");
    EXPECT_EQ(ItemNamed("Low").Value, "1");  // address 3 is image byte 3
    EXPECT_EQ(ItemNamed("Driver_CH0").Value, "0");
    EXPECT_EQ(ItemNamed("Driver_CH1").Value, "9");
    EXPECT_EQ(ItemNamed("Switch").Value, "5");  // no choice names 5: shown as the number
    EXPECT_EQ(ItemNamed("Switch").InitialValue, "5");

    ItemNamed("Bits").Value = "2";
    ItemNamed("Driver_CH1").Value = "2";
    ItemNamed("Switch").Value = "On";
    config.EncodeItems();
    EXPECT_EQ(image[1], 0xC8);
    EXPECT_EQ(Bytes(image + 2, image + 4), (Bytes{0xE0, 0x01}));
    EXPECT_EQ(image[5], 5);
    EXPECT_EQ(image[6], 1);
    EXPECT_TRUE(config.VerifyChecksum());
    ItemNamed("Switch").Value = "Maybe";
    config.EncodeItems();
    EXPECT_EQ(image[6], 0);
}

TEST_F(BaseConfigImage, DecodeThenEncodeKeepsTheImage) {
    settings.DrvMap = {3, 1, 2, 0};
    settings.DrvMaxNum = 4;
    UiRecord mode = Item("8049", "Mode", 4, 5, 1);
    mode.choiceLines = {",0,A", ",1,B", ",2,C", ",3,D"};
    Load({Item("8047", "Config_Version"), Item("8048", "Low3", 0, 2), Item("8048", "Hi4", 4, 7, 7),
          Item("8049", "Flag", 0, 0, 2), mode, Item("804A", "Word", 0, 15),
          Item("804C", "Driver_CH0"), Item("804D", "Driver_CH1")});
    const Bytes data = {0x42, 0xA5, 0x31, 0x34, 0x12, 2, 0};
    std::copy(data.begin(), data.end(), config.Image());
    config.DecodeItems();
    config.EncodeItems();
    EXPECT_EQ(Bytes(config.Image(), config.Image() + data.size()), data);
}

TEST_F(BaseConfigImage, LoadUiFileSetsTheBlockAddressAndRecordsThePath) {
    Load({Item("8050", "Config_Version"), Item("8051", "Gesture_Switch")});
    EXPECT_EQ(settings.CFGAddr, 0x8050);
    EXPECT_EQ(platform::ReadProfileString(folder.Files(), settings.ChipIniPath, "ConfigInfo",
                                          "UI File Name", ""),
              kUiPath);
    ASSERT_EQ(config.Items().size(), 3u);
    const CConfigItem& checksum = *config.Items().back();
    EXPECT_EQ(checksum.Name, "Config_Chksum");
    EXPECT_EQ(checksum.BitAddress, (0x8050 + 186 - 2) * 8);
    EXPECT_EQ(checksum.DisplayKind, kDisplayHex);
    ASSERT_EQ(config.Pages().size(), 2u);
    EXPECT_EQ(config.Pages()[1].Name, "CheckSum");

    Load({Item("8047", "Config_Version"), Item("8048", "Config_Sum")});
    EXPECT_EQ(config.Items().size(), 2u);
    config.LoadUiFile(".\\System\\CfgItem\\missing.sc");
    EXPECT_EQ(config.Items().size(), 2u);
    Load({});
    EXPECT_TRUE(config.Items().empty());
}

TEST_F(BaseConfigImage, FilesTheImageCannotHoldAreRefusedAndChangeNothing) {
    Load({Item("8047", "Config_Version")});
    struct Case {
        std::vector<UiRecord> records;
        std::string error;
    } cases[] = {
        {{Item("8047", "V"), Item("9046", "Last", 0, 15)}, "\"Last\" lies past the 4096-byte"},
        {{Item("8047", "V"), Item("9047", "Beyond")}, "\"Beyond\" lies past"},
        {{Item("8047", "V"), Item("8048", "Open", 0, 7, 1)}, "UI item file: record NO.1"},
    };
    cases[2].records[1].choiceLines = {",0,A"};
    for (Case& c : cases) {
        std::string text = testsupport::UiText(c.records);
        if (c.records[1].ctrlType == 1) text.erase(text.rfind("dataRange"));
        folder.Write("System/CfgItem/GT911_A.sc", testsupport::StoredUiFile(text));
        EXPECT_NE(ThrownText([&] { config.LoadUiFile(kUiPath); }).find(c.error), std::string::npos)
            << c.error;
        ASSERT_EQ(config.Items().size(), 2u);
        EXPECT_EQ(config.Items()[0]->Name, "Config_Version");
    }
}

TEST_F(BaseConfigImage, ItemsAreFoundByTheirSettingsKeyOrTheirName) {
    Load({Item("8047", "Config_Version"), Item("8048", "X2Y", 0, 0, 2)});
    config.Image()[0] = 0x45;
    config.DecodeItems();
    int value = 0;
    EXPECT_TRUE(config.GetItemValue("CONFIG_version", value));
    EXPECT_EQ(value, 0x45);
    EXPECT_TRUE(config.GetItemValue("VersionKey", value));  // 0x8047,0 in the "Cfg" section
    EXPECT_EQ(value, 0x45);
    EXPECT_TRUE(config.SetItemValue("Config_Version", 0));
    EXPECT_EQ(config.Items()[0]->Value, "0");
    EXPECT_EQ(ThrownText([&] { config.GetItemValue("Missing", value); }), "找不到Missing");
    EXPECT_EQ(ThrownText([&] { config.GetItemValue("OneKey", value); }), "找不到OneKey");
    EXPECT_TRUE(config.SwapXY());
    EXPECT_EQ(config.Items()[1]->Value, "1");
}

TEST_F(BaseConfigImage, MirrorReversesTheChannelsPresent) {
    settings.DrvStartAddr = 0x80D5;
    settings.DrvMaxNum = 5;
    Load({Item("8047", "Config_Version")});
    uint8_t* run = config.Image() + (0x80D5 - 0x8047);
    const Bytes start = {1, 2, 3, 0xFF, 0xFF};
    std::copy(start.begin(), start.end(), run);
    EXPECT_TRUE(config.MirrorX());
    EXPECT_EQ(Bytes(run, run + 5), (Bytes{3, 2, 1, 0xFF, 0xFF}));
    settings.DrvStartAddr = 0x8047 + 4094;  // the run would leave the image
    EXPECT_FALSE(config.MirrorX());
}

TEST_F(BaseConfigImage, ChannelListsFillTheChannelItemsAndGroupCounts) {
    settings.DrvMaxNum = 8, settings.DrvHalfNumber = 2, settings.SenMaxNum = 8;
    Load({Item("8047", "Config_Version"), Item("8048", "Driver_CH0"), Item("8049", "Driver_CH1"),
          Item("804A", "Driver_CH2"), Item("804B", "Sensor_CH0"), Item("804C", "Sensor_CH1"),
          Item("804D", "Drv_GroupA_number"), Item("804E", "Drv_GroupB_number"),
          Item("804F", "Sen_GroupA_Number"), Item("8050", "Sen_GroupB_Number")});
    config.ApplyChannelMap({1, 3}, {2, 5});
    std::vector<std::string> values;
    for (size_t i = 1; i < 10; ++i) values.push_back(config.Items()[i]->Value);
    EXPECT_EQ(values, (std::vector<std::string>{"1", "3", "255", "2", "5", "1", "1", "1", "1"}));
}

// Write, read back and verify against the simulated GT9xxx.
class BaseConfigOnChip : public ::testing::Test {
  protected:
    BaseConfigOnChip() : rig(0x0102) {
        chip = MakeGt9xxx();
        rig.Start(chip);
        for (int i = 0; i < 186; ++i) config->Image()[i] = static_cast<uint8_t>(i * 7);
        config->UpdateChecksum();
    }
    TouchRig rig;
    std::shared_ptr<sim::SimGt9xxxFlash> chip;
    std::unique_ptr<CBaseConfig> config =
        CreateConfig(kFamilyGT9xxx, ConfigContextOf(*rig.registry));
};

TEST_F(BaseConfigOnChip, TheBlockFollowsTheSyncFlagAndThenItsFlagIsPolled) {
    ASSERT_TRUE(config->WriteToChip(1));
    EXPECT_EQ(chip->Get(0x8047 + 185), 0);  // flag cleared
    const auto requests = rig.bridge->Requests();
    ASSERT_GE(requests.size(), 6u);
    EXPECT_EQ(requests[0].address, 0x814Eu);
    EXPECT_EQ(requests[1].address, 0x8047u);
    EXPECT_EQ(requests[1].length, 57);
    EXPECT_EQ(requests[5].address, 0x8047u + 185);  // the flag poll after 4 block reports
}

TEST_F(BaseConfigOnChip, VerificationResetsTheChipFirst) {
    ASSERT_TRUE(config->WriteToChip(1));
    rig.bridge->ClearRecords();
    const uint64_t slept = rig.clock.SleptMs();
    ASSERT_TRUE(config->VerifyOnChip(true));
    EXPECT_GE(rig.clock.SleptMs() - slept, 600u);
    std::vector<int> commands;
    for (const auto& q : rig.bridge->Commands()) commands.push_back(q.command);
    EXPECT_EQ(commands, (std::vector<int>{7, 4}));
    int clears = 0;
    for (const auto& q : rig.bridge->Requests()) clears += q.address == 0x814E && q.type == 1;
    EXPECT_EQ(clears, 100);
    config->Image()[0] = 0;  // version 0: the chip's byte 0 is not compared
    EXPECT_TRUE(config->VerifyOnChip(false));
}

TEST_F(BaseConfigOnChip, AFailedReadKeepsTheImage) {
    const Bytes before(config->Image(), config->Image() + 186);
    rig.bridge->StopAnsweringFrom(rig.bridge->ReportsReceived() + 1);
    EXPECT_EQ(ThrownText([&] { config->ReadFromChip(); }),
              resources::LoadMessageText(msg::kConfigReadFailed));
    EXPECT_EQ(Bytes(config->Image(), config->Image() + 186), before);
    EXPECT_FALSE(config->VerifyOnChip(false));
}
TEST_F(BaseConfigImage, ResetBeforeAVerificationOnTheBridgeThatNeedsCommand18) {
    platform::VirtualClock virtualClock;
    using ::testing::_;
    using ::testing::Return;
    CBaseConfig verified{ConfigContext{bridge, virtualClock, settings, folder.Files(),
                                       [] { return kFamilyGT9xxx; }, [] { return nullptr; },
                                       [] { return uint16_t{0x0106}; }}};
    ::testing::InSequence order;
    // The clearing writes stop at the first one that fails.
    EXPECT_CALL(bridge, WriteByte(0x814E, 0)).Times(3).WillRepeatedly(Return(true));
    EXPECT_CALL(bridge, WriteByte(0x814E, 0)).WillOnce(Return(false));
    EXPECT_CALL(bridge, ResetChip()).WillOnce(Return(true));
    EXPECT_CALL(bridge, SendBridgeCommand18()).WillOnce(Return(true));
    EXPECT_CALL(bridge, ReadByte(0x8000)).WillOnce(Return(0));
    EXPECT_CALL(bridge, ReadRegs(0x8047, _, 186, 200)).WillOnce(Return(false));
    EXPECT_FALSE(verified.VerifyOnChip(true));
    EXPECT_EQ(virtualClock.SleptMs(), 615u);
}
