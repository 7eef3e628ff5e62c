#include <gtest/gtest.h>

#include <algorithm>
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

void UseSettings(TouchRig& rig, const std::string& content) {
    rig.folder.Write("System/ChipIni/Test_x.ini", content);
    rig.settings.ChipIniPath = ".\\System\\ChipIni\\Test_x.ini";
}

void Fill(sim::SimChip& chip, uint32_t address, std::vector<uint8_t> bytes) {
    chip.Fill(address, bytes.data(), bytes.size());
}

TEST(ChannelInfoTest, Gt73xxSumsItsFourCountBytes) {
    TouchRig rig(0x0301);
    auto sim = std::make_shared<sim::SimGt73xx>();
    ASSERT_TRUE(rig.Start(sim));
    UseSettings(rig, "[Channel]\nSenMaxNum=40\nDrvMaxNum=40\n");
    Fill(*sim, 0x81CC, {10, 14, 11, 13});
    Fill(*sim, 0x8048, {0x00, 0x05, 0x20, 0x03});
    EXPECT_TRUE(rig.registry->ChipOf<C73xxChip>().ReadChannelInfo());
    EXPECT_EQ(rig.settings.RawDataRows, 21);
    EXPECT_EQ(rig.settings.DiffDataRows, 21);
    EXPECT_EQ(rig.settings.RawDataCols, 27);
    EXPECT_EQ(rig.settings.DiffDataCols, 27);
    EXPECT_EQ(rig.settings.XResolution, 1280);
    EXPECT_EQ(rig.settings.YResolution, 800);
}

TEST(ChannelInfoTest, Gt9xxxCountBytes) {
    TouchRig rig(0x0101);
    auto sim = MakeGt9xxx();
    ASSERT_TRUE(rig.Start(sim));
    UseSettings(rig, "[Channel]\nSenMaxNum=30\nDrvMaxNum=30\n");
    Fill(*sim, 0x8062, {0x2E, 0x22, 0xA6});
    EXPECT_TRUE(rig.registry->ChipOf<C9xxxChip>().ReadChannelInfo());
    EXPECT_EQ(rig.settings.RawDataCols, 16);
    EXPECT_EQ(rig.settings.RawDataRows, 16);
    // A resolution of zero reads as 4096.
    EXPECT_EQ(rig.settings.XResolution, 4096);
    EXPECT_EQ(rig.settings.YResolution, 4096);
    EXPECT_EQ(rig.ReadAddresses(), (std::vector<uint32_t>{0x8062, 0x8048}));
}

TEST(ChannelInfoTest, Gt9pxxTakesTheThirdByteAsTheSensorCount) {
    // 166 sensors, above the maximum.
    TouchRig rigP(0x0999);
    auto simP = std::make_shared<sim::SimGt9pxx>();
    ASSERT_TRUE(rigP.Start(simP));
    ASSERT_TRUE(rigP.registry->DetectChip());
    ASSERT_EQ(rigP.registry->CurrentFamily(), kFamilyGT9Pxx);
    UseSettings(rigP, "[Channel]\nSenMaxNum=30\nDrvMaxNum=30\n");
    Fill(*simP, 0x8062, {0x2E, 0x22, 0xA6});
    EXPECT_TRUE(rigP.registry->ChipOf<C9pxxChip>().ReadChannelInfo());
    EXPECT_EQ(rigP.settings.RawDataCols, 16);
    EXPECT_EQ(rigP.settings.RawDataRows, 30);
    EXPECT_EQ(rigP.settings.DiffDataRows, 30);
}

TEST(ChannelInfoTest, AddressKeysDropTheirFirstTwoCharacters) {
    TouchRig rig(0x0301);
    ASSERT_TRUE(rig.Start(std::make_shared<sim::SimGt73xx>()));
    UseSettings(rig, "[Cfg]\nSenNumAddr=81CC\nXmaxAddr=0x80481234\n");
    EXPECT_TRUE(rig.registry->ChipOf<C73xxChip>().ReadChannelInfo());
    EXPECT_EQ(rig.ReadAddresses(), (std::vector<uint32_t>{0xCC, 0x8048}));
    // Missing maxima are 0: so are the counts.
    EXPECT_EQ(rig.settings.RawDataRows, 0);
    EXPECT_EQ(rig.settings.RawDataCols, 0);
}

TEST(ChannelInfoTest, FailedReadsKeepTheValues) {
    TouchRig rig(0x0101);
    ASSERT_TRUE(rig.Start(MakeGt9xxx()));
    UseSettings(rig, "[Channel]\nSenMaxNum=30\nDrvMaxNum=30\n");
    rig.settings.RawDataRows = rig.settings.DiffDataRows = 12;
    rig.settings.RawDataCols = rig.settings.DiffDataCols = 40;  // above the maximum: clamped
    rig.settings.XResolution = 800;
    rig.bridge->StopAnsweringFrom(1);
    EXPECT_TRUE(rig.registry->ChipOf<C9xxxChip>().ReadChannelInfo());
    EXPECT_EQ(rig.settings.RawDataRows, 12);
    EXPECT_EQ(rig.settings.RawDataCols, 30);
    EXPECT_EQ(rig.settings.DiffDataCols, 30);
    EXPECT_EQ(rig.settings.XResolution, 800);
}

TEST(ChannelInfoTest, Gt79xxTakesItsInformationBlock) {
    TouchRig rig(0x0401);
    auto sim = std::make_shared<sim::SimGt79xx>();
    ASSERT_TRUE(rig.Start(sim));
    rig.settings.DrvMaxNum = 20;
    rig.settings.SenMaxNum = 75;
    sim->SetInfo({28, 16, 0x10180, 0x00051234, true});
    C79xxChip& chip = rig.registry->ChipOf<C79xxChip>();
    // Without a UI item file the configuration, and with it the resolution, cannot be read.
    EXPECT_FALSE(chip.ReadChannelInfo());
    EXPECT_EQ(rig.settings.RawDataCols, 20);
    EXPECT_EQ(rig.settings.DiffDataCols, 20);
    EXPECT_EQ(rig.settings.RawDataRows, 16);
    EXPECT_EQ(rig.settings.RealTimeCmdAddr, 0x10180u);
    EXPECT_EQ(chip.FwVersionWord, 0x00051234u);
    EXPECT_EQ(chip.InfoBlock[29], 16);
    EXPECT_EQ(rig.ReadAddresses(), std::vector<uint32_t>{0x10070});
}

TEST(ChannelInfoTest, Gt79xxWithAWrongChecksumOnlySetsTheVersionWord) {
    TouchRig rig(0x0401);
    auto sim = std::make_shared<sim::SimGt79xx>();
    ASSERT_TRUE(rig.Start(sim));
    rig.settings.DrvMaxNum = rig.settings.SenMaxNum = 75;
    rig.settings.RawDataCols = 7;
    sim->SetInfo({28, 16, 0x10180, 0x1234, false});
    C79xxChip& chip = rig.registry->ChipOf<C79xxChip>();
    chip.ReadChannelInfo();
    EXPECT_EQ(chip.FwVersionWord, 0xFFFFu);
    EXPECT_EQ(rig.settings.RawDataCols, 7);
    EXPECT_EQ(rig.settings.RealTimeCmdAddr, 0x10174u);
    // A length that reaches past the block fails the checksum instead of summing beyond it.
    sim->SetInfo({28, 16, 0x10180, 0x1234, true});
    sim->Set(0x10070, 0xE8);
    sim->Set(0x10071, 0x03);
    chip.FwVersionWord = 0;
    chip.ReadChannelInfo();
    EXPECT_EQ(chip.FwVersionWord, 0xFFFFu);
    // A failed read changes nothing.
    chip.FwVersionWord = 5;
    rig.bridge->StopAnsweringFrom(rig.bridge->ReportsReceived() + 1);
    EXPECT_FALSE(chip.ReadChannelInfo());
    EXPECT_EQ(chip.FwVersionWord, 5u);
}

TEST(ChannelInfoTest, Ft5xxxReadsInFactoryMode) {
    TouchRig rig(0x0999);
    auto sim = std::make_shared<sim::SimFt5xxx>();
    ASSERT_TRUE(rig.Start(sim));
    CFT5xxxChip& chip = rig.registry->ChipOf<CFT5xxxChip>();
    Fill(*sim, 0x95, {0x07, 0x80, 0x04, 0x38});
    EXPECT_TRUE(chip.ReadChannelInfo());
    EXPECT_TRUE(sim->InFactoryMode());
    EXPECT_EQ(rig.settings.RawDataCols, 60);
    EXPECT_EQ(rig.settings.DiffDataCols, 60);
    EXPECT_EQ(rig.settings.RawDataRows, 80);
    EXPECT_EQ(rig.settings.XResolution, 1920);
    EXPECT_EQ(rig.settings.YResolution, 1080);

    Fill(*sim, 0x02, {24, 81});
    Fill(*sim, 0x95, {0x03, 0x20, 0x00, 0x00});
    EXPECT_TRUE(chip.ReadChannelInfo());
    EXPECT_EQ(rig.settings.RawDataCols, 24);
    EXPECT_EQ(rig.settings.RawDataRows, 80);
    EXPECT_EQ(rig.settings.XResolution, 800);
    EXPECT_EQ(rig.settings.YResolution, 1080);
}

TEST(ChannelInfoTest, Ft5xxxThatNeverReportsReadyChangesNothing) {
    TouchRig rig(0x0999);
    auto sim = std::make_shared<sim::SimFt5xxx>();
    ASSERT_TRUE(rig.Start(sim));
    sim->SetReady(false);
    Fill(*sim, 0x02, {24, 30});
    rig.settings.RawDataCols = 3;
    EXPECT_FALSE(rig.registry->ChipOf<CFT5xxxChip>().ReadChannelInfo());
    EXPECT_EQ(rig.settings.RawDataCols, 3);
    const auto reads = rig.ReadAddresses();
    EXPECT_EQ(std::count(reads.begin(), reads.end(), 0xB4u), 5);
    EXPECT_EQ(std::count(reads.begin(), reads.end(), 0x02u), 0);
}

}  // namespace
