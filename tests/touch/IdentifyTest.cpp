#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "TouchRig.h"
#include "sim/ft5xxx/SimFt5xxx.h"
#include "sim/gt73xx/SimGt73xx.h"
#include "sim/gt79xx/SimGt79xx.h"
#include "sim/gt9pxx/SimGt9pxx.h"
#include "touch/ft5xxx/CFT5xxxChip.h"
#include "touch/gt73xx/C73xxChip.h"
#include "touch/gt79xx/C79xxChip.h"
#include "touch/gt9pxx/C9pxxChip.h"
#include "touch/gt9xxx/C9xxxChip.h"

namespace {

using Bytes = std::vector<uint8_t>;

// --- GT9xxx -------------------------------------------------------------------------------

struct Gt9Case {
    const char* id;
    uint16_t version;
    bool identified;
    const char* name;
    const char* identity;
};

class Gt9xxxIdentifyTest : public ::testing::TestWithParam<Gt9Case> {};

TEST_P(Gt9xxxIdentifyTest, NameVersionAndRenames) {
    const Gt9Case c = GetParam();
    TouchRig rig(0x0101, 0x0100, "[CHIP TYPE]\nGT9XXX=GT9110H,GT6108H,GT911,GT9110P,GA6572\n");
    rig.settings.ChipIdentity = "before";
    ASSERT_TRUE(rig.Start(MakeGt9xxx(c.id, c.version)));
    EXPECT_EQ(rig.registry->ChipOf<C9xxxChip>().IdentifyChip(), c.identified);
    EXPECT_EQ(rig.settings.ChipName, c.name);
    EXPECT_EQ(rig.settings.ChipIdentity, c.identity);
}

INSTANTIATE_TEST_SUITE_P(Names, Gt9xxxIdentifyTest,
                         ::testing::Values(Gt9Case{"9111", 0x1005, true, "GT9110P", "GT9110P_1005"},
                                           Gt9Case{"911", 0x002A, true, "GT911", "GT911_  2A"},
                                           Gt9Case{"9112", 0x1060, true, "GT9110H", "GT9110H_1060"},
                                           Gt9Case{"6109", 0xABCD, true, "GT6108H", "GT6108H_ABCD"},
                                           Gt9Case{"6572", 0x0001, true, "GA6572", "GA6572_   1"},
                                           // Unlisted: the fallback name, the identity stays.
                                           Gt9Case{"1234", 0x1005, false, "GT9110H", "before"},
                                           Gt9Case{"9110", 0x1005, false, "GT9110H", "before"}));

TEST(IdentifyTest, Gt9xxxReadsEightBytesAt0x8140AndReloadsOnlyOnAChange) {
    TouchRig rig(0x0101);
    ASSERT_TRUE(rig.Start(MakeGt9xxx("9111", 0x1005)));
    ASSERT_TRUE(rig.registry->ChipOf<C9xxxChip>().IdentifyChip());
    const auto requests = rig.bridge->Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].type, 0);
    EXPECT_EQ(requests[0].command, 15);
    EXPECT_EQ(requests[0].address, 0x8140u);
    EXPECT_EQ(requests[0].length, 8);
    // The settings of the new name were loaded.
    EXPECT_EQ(rig.settings.ChipIniPath, ".\\System\\ChipIni\\GT9110P.ini");
    EXPECT_TRUE(rig.folder.Exists("System/ChipIni/GT9110P.ini"));
    // The same chip again: no settings are read.
    rig.settings.ChipIniPath = "unchanged";
    ASSERT_TRUE(rig.registry->ChipOf<C9xxxChip>().IdentifyChip());
    EXPECT_EQ(rig.settings.ChipIniPath, "unchanged");
}

TEST(IdentifyTest, AFailedReadChangesNothing) {
    TouchRig rig(0x0101);
    ASSERT_TRUE(rig.Start(MakeGt9xxx("9111", 0x1005)));
    rig.settings.ChipName = "GT911";
    rig.bridge->StopAnsweringFrom(rig.bridge->ReportsReceived() + 1);
    EXPECT_FALSE(rig.registry->ChipOf<C9xxxChip>().IdentifyChip());
    EXPECT_FALSE(rig.registry->ChipOf<C73xxChip>().IdentifyChip());
    EXPECT_FALSE(rig.registry->ChipOf<C9pxxChip>().IdentifyChip());
    EXPECT_EQ(rig.settings.ChipName, "GT911");
}

// --- GT9Pxx -------------------------------------------------------------------------------

TEST(IdentifyTest, Gt9pxxNamesFourCharactersAndFillsItsRecords) {
    TouchRig rig(0x0999);
    ASSERT_TRUE(rig.Start(
        std::make_shared<sim::SimGt9pxx>("9286", std::array<uint8_t, 3>{0x0A, 0xB0, 0x01})));
    C9pxxChip& chip = rig.registry->ChipOf<C9pxxChip>();
    EXPECT_TRUE(chip.IdentifyChip());
    EXPECT_EQ(rig.settings.ChipName, "GT9286");
    EXPECT_EQ(rig.settings.ChipIdentity, "GT9286_0A.B0.01");
    EXPECT_EQ(chip.Records[1].length, 3);
    EXPECT_EQ(chip.Records[1].data[2], 0xFF);
    // The base reader ran: its UI item message for a missing file.
    EXPECT_EQ(rig.messages.Messages(),
              std::vector<std::string>{"缺少必要的sc文件，部分功能无法使用"});
}

TEST(IdentifyTest, Gt9pxxFallbackFillsNoRecords) {
    TouchRig rig(0x0999);
    ASSERT_TRUE(rig.Start(std::make_shared<sim::SimGt9pxx>("7288")));  // the list holds " GT7288"
    C9pxxChip& chip = rig.registry->ChipOf<C9pxxChip>();
    EXPECT_FALSE(chip.IsChipInList("GT7288"));
    EXPECT_TRUE(chip.IsChipInList(" GT7288"));
    EXPECT_FALSE(chip.IdentifyChip());
    EXPECT_EQ(rig.settings.ChipName, "GT9286");
    EXPECT_EQ(chip.Records[0].length, 0);
    EXPECT_EQ(rig.settings.ChipIniPath, ".\\System\\ChipIni\\GT9286.ini");
}

// --- GT73xx -------------------------------------------------------------------------------

TEST(IdentifyTest, Gt73xxReadsRegister0x8000ThenItsIdentity) {
    TouchRig rig(0x0301);
    ASSERT_TRUE(rig.Start(
        std::make_shared<sim::SimGt73xx>("7388", std::array<uint8_t, 3>{0x11, 0x22, 0x33})));
    EXPECT_TRUE(rig.registry->ChipOf<C73xxChip>().IdentifyChip());
    EXPECT_EQ(rig.settings.ChipName, "GT7387P");
    EXPECT_EQ(rig.settings.ChipIdentity, "GT7387P_11.22.33");
    const auto requests = rig.bridge->Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].address, 0x8000u);
    EXPECT_EQ(requests[0].length, 1);
    EXPECT_EQ(requests[1].address, 0x8240u);
    EXPECT_EQ(requests[1].length, 10);
    EXPECT_EQ(rig.messages.Messages(), std::vector<std::string>{"error"});
}

TEST(IdentifyTest, Gt73xxRenameNeedsTheNewNameInTheList) {
    TouchRig rig(0x0999);
    ASSERT_TRUE(rig.Start(std::make_shared<sim::SimGt73xx>("7382")));  // becomes GT7382H: unlisted
    EXPECT_FALSE(rig.registry->ChipOf<C73xxChip>().IdentifyChip());
    EXPECT_EQ(rig.settings.ChipName, "GT7387");
}

TEST(IdentifyTest, AnUnlistedGt73xxWhileTheFamilyIsGt73xxChangesNothing) {
    TouchRig rig(0x0301);
    ASSERT_TRUE(rig.Start(std::make_shared<sim::SimGt73xx>("7399")));
    rig.settings.ChipIdentity = "kept";
    EXPECT_FALSE(rig.registry->ChipOf<C73xxChip>().IdentifyChip());
    EXPECT_EQ(rig.settings.ChipName, "GT9110H");
    EXPECT_EQ(rig.settings.ChipIdentity, "kept");
}

// --- GT79xx -------------------------------------------------------------------------------

TEST(IdentifyTest, Gt79xxReadsItsBlockWithTwentyFourBitAddresses) {
    TouchRig rig(0x0401);
    rig.folder.Write("System/ChipIni/GT7936_A.ini", "[RealTimeCmd]\nRealTimeCmdAddr=0x10200\n");
    ASSERT_TRUE(rig.Start(
        std::make_shared<sim::SimGt79xx>("7936", std::array<uint8_t, 4>{1, 0x2B, 3, 0xFF})));
    C79xxChip& chip = rig.registry->ChipOf<C79xxChip>();
    EXPECT_TRUE(chip.IdentifyChip());
    EXPECT_EQ(rig.settings.ChipName, "GT7936");
    EXPECT_EQ(rig.settings.ChipIdentity, "GT7936_01.2B.03.FF");
    const auto requests = rig.bridge->Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].address, 0x10014u);
    EXPECT_EQ(requests[0].length, 23);
    // The family's reader and its records.
    EXPECT_EQ(rig.settings.ChipIniPath, ".\\System\\ChipIni\\GT7936_A.ini");
    EXPECT_EQ(rig.settings.RealTimeCmdAddr, 0x10200u);
    EXPECT_EQ(chip.Records[4].length, 7);
    EXPECT_EQ(chip.Records[4].address, 0x10174u);
}

TEST(IdentifyTest, Gt79xxRenamesAndEmptyNames) {
    TouchRig rig(0x0401, 0x0100, "[CHIP TYPE]\nGT79XX=GT7936,GA6876F,GT\n");
    auto sim = std::make_shared<sim::SimGt79xx>("6876F");
    ASSERT_TRUE(rig.Start(sim));
    EXPECT_TRUE(rig.registry->ChipOf<C79xxChip>().IdentifyChip());
    EXPECT_EQ(rig.settings.ChipName, "GA6876F");
    sim->SetProductId(
        std::string("\0"
                    "936",
                    4));
    EXPECT_TRUE(rig.registry->ChipOf<C79xxChip>().IdentifyChip());
    EXPECT_EQ(rig.settings.ChipName, "GT");
}

TEST(IdentifyTest, AnUnlistedGt79xxWhileTheFamilyIsGt79xxChangesNothing) {
    TouchRig rig(0x0401);
    ASSERT_TRUE(rig.Start(std::make_shared<sim::SimGt79xx>("6875")));  // becomes GA6875: unlisted
    EXPECT_FALSE(rig.registry->ChipOf<C79xxChip>().IdentifyChip());
    EXPECT_EQ(rig.settings.ChipName, "GT9110H");
    EXPECT_EQ(rig.registry->ChipOf<C79xxChip>().Records[0].length, 0);
}

// --- FT5xxx -------------------------------------------------------------------------------

TEST(IdentifyTest, Ft5xxxReadsItsTextInWorkMode) {
    TouchRig rig(0x0999);
    ASSERT_TRUE(rig.Start(std::make_shared<sim::SimFt5xxx>("FT5682_V1.0")));
    CFT5xxxChip& chip = rig.registry->ChipOf<CFT5xxxChip>();
    EXPECT_TRUE(chip.IdentifyChip());
    EXPECT_EQ(rig.settings.ChipName, "FT5682");
    EXPECT_EQ(rig.settings.ChipIdentity, "FT5682_V1.0");
    EXPECT_EQ(chip.Records[2].address, 0x06u);
    EXPECT_EQ(chip.Records[2].data[0], 0x01);
    // The FT5xxx reader: its own defaults, no UI item file.
    EXPECT_EQ(rig.settings.SenMaxNum, 80);
    EXPECT_TRUE(rig.messages.Messages().empty());
    // One poll of register 0, then the 32-byte read with command 38.
    const auto requests = rig.bridge->Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].command, 15);
    EXPECT_EQ(requests[0].address, 0x00u);
    EXPECT_EQ(requests[1].command, 38);
    EXPECT_EQ(requests[1].address, 0xA6u);
    EXPECT_EQ(requests[1].length, 32);
}

TEST(IdentifyTest, Ft5xxxTextIsEightBitAndNamesAreItsFirstSixCharacters) {
    TouchRig rig(0x0999, 0x0100, "[CHIP TYPE]\nFT5XXX=FT5682,FT56,FT56中文\n");
    auto sim = std::make_shared<sim::SimFt5xxx>("FT56\xD6\xD0\xCE\xC4_V2");
    ASSERT_TRUE(rig.Start(sim));
    EXPECT_TRUE(rig.registry->ChipOf<CFT5xxxChip>().IdentifyChip());
    EXPECT_EQ(rig.settings.ChipName, "FT56中文");
    EXPECT_EQ(rig.settings.ChipIdentity, "FT56中文_V2");
    sim->SetIdentText("FT56");
    EXPECT_TRUE(rig.registry->ChipOf<CFT5xxxChip>().IdentifyChip());
    EXPECT_EQ(rig.settings.ChipName, "FT56");
    // 32 bytes without a zero byte.
    sim->SetIdentText("FT5682" + std::string(26, 'x'));
    EXPECT_TRUE(rig.registry->ChipOf<CFT5xxxChip>().IdentifyChip());
    EXPECT_EQ(rig.settings.ChipIdentity, "FT5682" + std::string(26, 'x'));
}

TEST(IdentifyTest, Ft5xxxInFactoryModeIsConfirmedByCommand19Alone) {
    TouchRig rig(0x0999);
    auto sim = std::make_shared<sim::SimFt5xxx>("FT5682_V1.0");
    ASSERT_TRUE(rig.Start(sim));
    sim->SetFactoryMode(true);
    rig.settings.ChipName = "FT5682";
    rig.settings.ChipIdentity = "kept";
    EXPECT_TRUE(rig.registry->ChipOf<CFT5xxxChip>().IdentifyChip());
    sim->SetCommand19Answer(0);
    EXPECT_FALSE(rig.registry->ChipOf<CFT5xxxChip>().IdentifyChip());
    EXPECT_EQ(rig.settings.ChipIdentity, "kept");
    const auto commands = rig.bridge->Commands();
    ASSERT_EQ(commands.size(), 2u);
    for (const auto& command : commands) {
        EXPECT_EQ(command.command, 19);
        EXPECT_EQ(command.type, 0);
        EXPECT_EQ(command.address, 0u);
        EXPECT_EQ(command.length, 1);
    }
}

TEST(IdentifyTest, Ft5xxxInFactoryModeWithAnUnlistedNameReadsItsText) {
    TouchRig rig(0x0999);
    auto sim = std::make_shared<sim::SimFt5xxx>("FT5682_V1.0");
    ASSERT_TRUE(rig.Start(sim));
    sim->SetFactoryMode(true);
    EXPECT_TRUE(rig.registry->ChipOf<CFT5xxxChip>().IdentifyChip());
    EXPECT_EQ(rig.settings.ChipName, "FT5682");
    ASSERT_EQ(rig.bridge->Commands().size(), 1u);
    EXPECT_EQ(rig.bridge->Commands()[0].command, 38);
}

TEST(IdentifyTest, Ft5xxxWithoutFtTextFallsBackUnlessTheFamilyIsFt5xxx) {
    TouchRig rig(0x0999);
    auto sim = std::make_shared<sim::SimFt5xxx>("XY5682");
    ASSERT_TRUE(rig.Start(sim));
    rig.settings.ChipIdentity = "before";
    EXPECT_FALSE(rig.registry->ChipOf<CFT5xxxChip>().IdentifyChip());
    EXPECT_EQ(rig.settings.ChipName, "FT5XXX");
    EXPECT_EQ(rig.settings.ChipIdentity, "");
    // Once the registry's family is FT5xxx an unlisted answer changes nothing.
    sim->SetIdentText("FT5682_V3");
    ASSERT_TRUE(rig.registry->DetectChip());
    ASSERT_EQ(rig.registry->CurrentFamily(), kFamilyFT5xxx);
    sim->SetIdentText("FT9999_V1");
    EXPECT_FALSE(rig.registry->ChipOf<CFT5xxxChip>().IdentifyChip());
    EXPECT_EQ(rig.settings.ChipName, "FT5682");
    EXPECT_EQ(rig.settings.ChipIdentity, "FT5682_V3");
}

}  // namespace
