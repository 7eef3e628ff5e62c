#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "TouchRig.h"
#include "sim/ft5xxx/SimFt5xxx.h"
#include "sim/gt73xx/SimGt73xx.h"
#include "sim/gt79xx/SimGt79xx.h"
#include "sim/gt9pxx/SimGt9pxx.h"
#include "support/BridgeFixture.h"
#include "touch/FamilyTraits.h"
#include "touch/ft5xxx/CFT5xxxChip.h"
#include "touch/gt73xx/C73xxChip.h"
#include "touch/gt79xx/C79xxChip.h"
#include "touch/gt9pxx/C9pxxChip.h"
#include "touch/gt9xxx/C9xxxChip.h"

namespace {

using Texts = std::vector<std::string>;

size_t CountReadsAt(const TouchRig& rig, uint32_t address) {
    const auto reads = rig.ReadAddresses();
    return static_cast<size_t>(std::count(reads.begin(), reads.end(), address));
}

TEST(RegistryTest, ConstructionBuildsTheFiveChipsWithDefaultLists) {
    TouchRig rig;
    CChipRegistry& r = *rig.registry;
    EXPECT_EQ(r.CurrentFamily(), kFamilyNone);
    EXPECT_EQ(rig.device().Layout(), HeaderLayout{});
    EXPECT_EQ(r.CurrentChip(), &r.ChipOf<C9xxxChip>());
    EXPECT_EQ(r.ChipOf<C9xxxChip>().ModelList,
              (Texts{"GT9110H", "GT6108H", "GT911", "GT9271", "GT927", "GT9XXX", "GT9110P", ""}));
    EXPECT_EQ(r.ChipOf<C9pxxChip>().ModelList, (Texts{"GT9286", " GT7288"}));
    EXPECT_EQ(r.ChipOf<C73xxChip>().ModelList, (Texts{"GT7385", "GT7387P", "GT7387", "GT7XXX"}));
    EXPECT_EQ(r.ChipOf<C79xxChip>().ModelList, Texts{"GT7936"});
    EXPECT_EQ(r.ChipOf<CFT5xxxChip>().ModelList, Texts{"FT5682"});
    EXPECT_EQ(rig.settings.ChipName, "GT9110H");
    EXPECT_EQ(rig.settings.RealTimeCmdAddr, 0x10174u);
    // The GT9xxx settings were loaded: their empty file was created.
    EXPECT_EQ(rig.settings.ChipIniPath, ".\\System\\ChipIni\\GT9110H.ini");
    EXPECT_TRUE(rig.folder.Exists("System/ChipIni/GT9110H.ini"));
    // GT9xxx and GT73xx records are filled now, the others when identification names a model.
    EXPECT_EQ(r.ChipOf<C9xxxChip>().Records[1].length, 1);
    EXPECT_EQ(r.ChipOf<C73xxChip>().Records[3].data[0], 0x0D);
    EXPECT_EQ(r.ChipOf<C9pxxChip>().Records[0].length, 0);
    EXPECT_EQ(r.ChipOf<C79xxChip>().Records[0].length, 0);
    EXPECT_EQ(r.ChipOf<CFT5xxxChip>().Records[0].length, 0);
}

TEST(RegistryTest, ModelListsComeFromTheSettingsFile) {
    TouchRig rig(
        0x0999, 0x0100,
        "[chip type]\r\nGT9XXX=GT911\r\nGT79xx=GT7936,GA6876F\r\nFT5XXX=FT5682,FT5446,\r\n");
    EXPECT_EQ(rig.registry->ChipOf<C9xxxChip>().ModelList, Texts{"GT911"});
    EXPECT_EQ(rig.registry->ChipOf<C79xxChip>().ModelList, (Texts{"GT7936", "GA6876F"}));
    EXPECT_EQ(rig.registry->ChipOf<CFT5xxxChip>().ModelList, (Texts{"FT5682", "FT5446", ""}));
    EXPECT_EQ(rig.registry->ChipOf<C73xxChip>().ModelList,
              (Texts{"GT7385", "GT7387P", "GT7387", "GT7XXX"}));
}

TEST(RegistryTest, FamilyOfFileWithTheDefaultLists) {
    TouchRig rig;
    const CChipRegistry& r = *rig.registry;
    EXPECT_EQ(r.FamilyOfFile("GT9110P_1060.bin"), kFamilyGT9xxx);
    EXPECT_EQ(r.FamilyOfFile("GT7936_01.02.bin"), kFamilyGT79xx);
    EXPECT_EQ(r.FamilyOfFile("GT7387_x_y.bin"), kFamilyGT73xx);
    EXPECT_EQ(r.FamilyOfFile("GT9286_a.bin"), kFamilyGT9Pxx);
    EXPECT_EQ(r.FamilyOfFile("FT5682_a.bin"), kFamilyFT5xxx);
    EXPECT_EQ(r.FamilyOfFile("GT7288_a.bin"), kFamilyNone);  // the list entry keeps its blank
    EXPECT_EQ(r.FamilyOfFile("gt911_a.bin"), kFamilyNone);   // exact comparison
    EXPECT_EQ(r.FamilyOfFile("GT9110P.bin"), kFamilyNone);   // no underscore
    EXPECT_EQ(r.FamilyOfFile("_GT911.bin"), kFamilyNone);    // empty prefix
    EXPECT_EQ(r.FamilyOfFile(""), kFamilyNone);
}

TEST(RegistryTest, BridgeModelCodesSelectTheirFamily) {
    struct Case {
        uint16_t code, version;
        ChipFamily family;
    };
    const Case cases[] = {
        {0x0101, 0x0100, kFamilyGT9xxx}, {0x0106, 0xA000, kFamilyGT9xxx},
        {0x0107, 0x0100, kFamilyNone},   {0x0301, 0x0100, kFamilyGT73xx},
        {0x0304, 0x2000, kFamilyGT73xx}, {0x0401, 0x0100, kFamilyGT79xx},
        {0x0402, 0x0100, kFamilyGT79xx}, {0x0403, 0x0100, kFamilyNone},
        {0x0300, 0x0100, kFamilyGT73xx}, {0x0300, 0x2000, kFamilyGT79xx},
        {0x0300, 0x8001, kFamilyGT79xx}, {0x0300, 0x5FFF, kFamilyGT73xx},
        {0x0999, 0x2000, kFamilyNone},   {0x0000, 0x0000, kFamilyNone},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FamilyOfBridgeModel(c.code, c.version), c.family)
            << std::hex << c.code << " " << c.version;
    }
}

// Opening the bridge selects the family of its model code (and so the request headers).
struct SelectCase {
    uint16_t model;
    uint16_t version;
    ChipFamily family;
};

class SelectByBridgeModelTest : public ::testing::TestWithParam<SelectCase> {};

TEST_P(SelectByBridgeModelTest, OpenSelectsTheFamily) {
    const SelectCase c = GetParam();
    TouchRig rig(c.model, c.version);
    ASSERT_TRUE(rig.Open());
    EXPECT_EQ(rig.registry->CurrentFamily(), c.family);
    EXPECT_EQ(rig.device().Layout(), testsupport::LayoutOf(c.family));
    const ChipFamily chipFamily = c.family == kFamilyNone ? kFamilyGT9xxx : c.family;
    EXPECT_EQ(rig.registry->CurrentChip(), rig.registry->ChipOfFamily(chipFamily));
}

INSTANTIATE_TEST_SUITE_P(Codes, SelectByBridgeModelTest,
                         ::testing::Values(SelectCase{0x0101, 0x0100, kFamilyGT9xxx},
                                           SelectCase{0x0106, 0x0100, kFamilyGT9xxx},
                                           SelectCase{0x0302, 0xA000, kFamilyGT73xx},
                                           SelectCase{0x0402, 0x0100, kFamilyGT79xx},
                                           SelectCase{0x0300, 0x0100, kFamilyGT73xx},
                                           SelectCase{0x0300, 0x2100, kFamilyGT79xx},
                                           SelectCase{0x0999, 0x0100, kFamilyNone}));

TEST(RegistryTest, AnUnknownModelLeavesTheFamily) {
    TouchRig rig(0x0999);
    auto chip = std::make_shared<sim::SimGt73xx>();
    ASSERT_TRUE(rig.Start(chip));
    ASSERT_TRUE(rig.registry->DetectChip());
    ASSERT_EQ(rig.registry->CurrentFamily(), kFamilyGT73xx);
    rig.registry->SelectByBridgeModel();
    EXPECT_EQ(rig.registry->CurrentFamily(), kFamilyGT73xx);
    EXPECT_EQ(rig.device().Layout(), testsupport::LayoutOf(kFamilyGT73xx));
}

TEST(RegistryTest, DetectChipWithFamilyZeroProbesGt9xxxFirst) {
    TouchRig rig(0x0999);
    ASSERT_TRUE(rig.Start(std::make_shared<sim::SimGt73xx>("7387")));
    ASSERT_EQ(rig.registry->CurrentChip(), &rig.registry->ChipOf<C9xxxChip>());
    EXPECT_TRUE(rig.registry->DetectChip());
    EXPECT_EQ(rig.registry->CurrentFamily(), kFamilyGT73xx);
    EXPECT_EQ(rig.device().Layout(), testsupport::LayoutOf(kFamilyGT73xx));
    EXPECT_EQ(rig.registry->CurrentChip(), &rig.registry->ChipOf<C73xxChip>());
    EXPECT_EQ(rig.ReadAddresses(), (std::vector<uint32_t>{0x8140, 0x8000, 0x8240}));
    EXPECT_EQ(rig.settings.ChipName, "GT7387");
    EXPECT_EQ(rig.settings.ChipIdentity, "GT7387_01.02.03");
}

TEST(RegistryTest, DetectChipKeepsACurrentChipThatAnswers) {
    TouchRig rig(0x0301);
    ASSERT_TRUE(rig.Start(std::make_shared<sim::SimGt73xx>("7385")));
    EXPECT_TRUE(rig.registry->DetectChip());
    EXPECT_EQ(CountReadsAt(rig, 0x8140), 0u);
    EXPECT_EQ(rig.settings.ChipName, "GT7385");
}

TEST(RegistryTest, DetectChipProbesWhenTheCurrentChipStopsAnswering) {
    TouchRig rig(0x0101);
    ASSERT_TRUE(rig.Start(std::make_shared<sim::SimGt9pxx>("9286")));
    ASSERT_EQ(rig.registry->CurrentFamily(), kFamilyGT9xxx);
    EXPECT_TRUE(rig.registry->DetectChip());
    EXPECT_EQ(rig.registry->CurrentFamily(), kFamilyGT9Pxx);
    EXPECT_EQ(rig.settings.ChipIdentity, "GT9286_01.02.03");
    // The current GT9xxx, the probe order GT9xxx, GT73xx, then GT9Pxx.
    EXPECT_EQ(rig.ReadAddresses(), (std::vector<uint32_t>{0x8140, 0x8140, 0x8000, 0x8240, 0x8140}));
}

TEST(RegistryTest, DetectChipWithGt79xxNeverProbes) {
    TouchRig rig(0x0401);
    ASSERT_TRUE(rig.Start(std::make_shared<sim::SimGt79xx>()));
    rig.bridge->StopAnsweringFrom(1);
    EXPECT_TRUE(rig.registry->DetectChip());
    EXPECT_EQ(rig.registry->CurrentFamily(), kFamilyGT79xx);
    // One identity read was tried; nothing else was sent.
    EXPECT_EQ(rig.bridge->ReportsReceived(), 1u);
    // Asked itself, the chip is not there.
    EXPECT_FALSE(rig.registry->IdentifyCurrentChip());
    EXPECT_EQ(rig.registry->CurrentFamily(), kFamilyGT79xx);
}

TEST(RegistryTest, DetectChipFailsWhenNoChipAnswers) {
    TouchRig rig(0x0999);
    ASSERT_TRUE(rig.Start(MakeGt9xxx()));
    rig.bridge->StopAnsweringFrom(1);
    EXPECT_FALSE(rig.registry->DetectChip());
    EXPECT_EQ(rig.registry->CurrentFamily(), kFamilyNone);
    EXPECT_EQ(rig.registry->CurrentChip(), &rig.registry->ChipOf<C9xxxChip>());
    EXPECT_EQ(rig.settings.ChipName, "GT9110H");
}

TEST(RegistryTest, DetectChipFindsAnFt5xxx) {
    TouchRig rig(0x0999);
    ASSERT_TRUE(rig.Start(std::make_shared<sim::SimFt5xxx>("FT5682_V2")));
    EXPECT_TRUE(rig.registry->DetectChip());
    EXPECT_EQ(rig.registry->CurrentFamily(), kFamilyFT5xxx);
    EXPECT_EQ(rig.settings.ChipName, "FT5682");
    EXPECT_EQ(rig.settings.ChipIdentity, "FT5682_V2");
}

TEST(RegistryTest, TwoRegistriesSideBySideReadTheirOwnProgramFolders) {
    TouchRig listed(0x0999, 0x0100, "[CHIP TYPE]\nGT79xx=GA6875\n[CHIP LIST]\nchip list=GT911\n");
    TouchRig plain;
    listed.settings.ChipName = plain.settings.ChipName = "GT911";
    EXPECT_TRUE(listed.registry->IsChipInConfiguredList());
    EXPECT_FALSE(plain.registry->IsChipInConfiguredList());
    EXPECT_EQ(listed.registry->ChipOf<C79xxChip>().ModelList, Texts{"GA6875"});
    EXPECT_EQ(plain.registry->ChipOf<C79xxChip>().ModelList, Texts{"GT7936"});
    // Each created the settings file of its start-up chip in its own folder.
    EXPECT_TRUE(listed.folder.Exists("System/ChipIni/GT9110H.ini"));
    EXPECT_TRUE(plain.folder.Exists("System/ChipIni/GT9110H.ini"));
}

TEST(RegistryTest, ConfiguredChipList) {
    {
        TouchRig rig;
        rig.settings.ChipName = "GT9110P";
        EXPECT_TRUE(rig.registry->IsChipInConfiguredList());
        rig.settings.ChipName = "GT9110H";  // the default entry is " GT9110H"
        EXPECT_FALSE(rig.registry->IsChipInConfiguredList());
    }
    TouchRig rig(0x0999, 0x0100, "[CHIP LIST]\nChip List=GT911,GT9110H\n");
    EXPECT_TRUE(rig.registry->IsChipInConfiguredList());
    rig.settings.ChipName = "GT9110P";
    EXPECT_FALSE(rig.registry->IsChipInConfiguredList());
}

}  // namespace
