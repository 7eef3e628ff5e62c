#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "bridgefw/BridgeIsp.h"
#include "platform/TextError.h"
#include "resources/UiLanguage.h"
#include "sim/BridgeImage.h"
#include "sim/SimBootDevice.h"
#include "support/TempFolder.h"

namespace {

uint32_t Get32(const std::array<uint8_t, 959>& record, size_t offset) {
    return uint32_t{record[offset]} | (uint32_t{record[offset + 1]} << 8) |
           (uint32_t{record[offset + 2]} << 16) | (uint32_t{record[offset + 3]} << 24);
}

// A programmer over the simulated boot-mode device of a chip type, in a fresh program folder.
class BridgeIspTest : public ::testing::Test {
  protected:
    void SetUp() override { resources::SetThreadUiLanguage(resources::kLangEnglish); }

    CBridgeIsp& Start(uint8_t chipType, bool inBootMode = true) {
        bridge_ = std::make_shared<sim::SimBridge>(0x27C6, 0x0102, 0x0100);
        bus_.Plug(bridge_);
        boot_ = std::make_unique<sim::SimBootDevice>(bus_, bridge_, chipType);
        if (inBootMode) boot_->EnterBootMode();
        isp_ = std::make_unique<CBridgeIsp>(*boot_, folder_.Files());
        return *isp_;
    }

    // A raw image file whose name carries its checksum; returns its path.
    std::string RawImage(const std::string& stem, size_t size = 300) {
        const auto bytes = sim::MakeBridgeImage("Halden_V2.10", size);
        const std::string name = sim::RawImageName(stem, bytes);
        folder_.Write(name, std::string(bytes.begin(), bytes.end()));
        return Path(name);
    }
    std::string Path(const std::string& name) const { return (folder_.Path() / name).string(); }

    // The text LoadImage throws, or "" when it loads.
    std::string LoadError(const std::string& path) {
        try {
            EXPECT_TRUE(isp_->LoadImage(path));
        } catch (const platform::TextError& error) {
            return error.what();
        }
        return "";
    }

    testsupport::TempFolder folder_;
    platform::SteadyClock clock_;
    sim::SimBus bus_{clock_};
    std::shared_ptr<sim::SimBridge> bridge_;
    std::unique_ptr<sim::SimBootDevice> boot_;
    std::unique_ptr<CBridgeIsp> isp_;
};

}  // namespace

TEST_F(BridgeIspTest, SearchStartsAgainWithTheCodeThatWorked) {
    CBridgeIsp& isp = Start(0x79);
    ASSERT_TRUE(isp.FindDevice());
    std::vector<uint8_t> tried;
    for (const auto& record : boot_->Options()) tried.push_back(record[4]);
    EXPECT_EQ(tried, (std::vector<uint8_t>{0x51, 0x52, 0x54, 0x78, 0x79}));
    EXPECT_EQ(isp.FirmwareName(), "Halden_ISP");
    EXPECT_EQ(isp.DeviceCount(), 1);

    isp.SetFirmwareName("S102_v1.00");
    ASSERT_TRUE(isp.FindDevice());
    ASSERT_EQ(boot_->Options().size(), 6u);
    EXPECT_EQ(boot_->Options().back()[4], 0x79);
    EXPECT_EQ(isp.FirmwareName(), "S102_v1.00");
}

TEST_F(BridgeIspTest, NoDeviceAfterTwoRoundsLeavesTheIndexWhereItStarted) {
    CBridgeIsp& isp = Start(0x79, false);
    EXPECT_FALSE(isp.FindDevice());
    EXPECT_EQ(boot_->EnumCalls(), 22);
    EXPECT_EQ(isp.SearchIndex(), 0);
    EXPECT_EQ(isp.FirmwareName(), "");
    // No device: no programming to end.
    isp.EndProgramming();
    EXPECT_EQ(boot_->IspEnds(), 0);
}

TEST_F(BridgeIspTest, OptionRecordCarriesTheFieldsOfEachChipType) {
    struct Case {
        uint8_t code;
        uint8_t at5;
        uint32_t at26, at60, at857;
        uint8_t at901;
    };
    const Case cases[] = {
        {0x51, 0, 0, 0, 0, 0},         {0x52, 0, 0, 0, 0, 0},         {0x54, 0, 0, 0, 0, 0},
        {0x46, 2, 0, 0xE000, 1, 0},    {0x49, 2, 0, 0xE000, 1, 0},    {0x71, 3, 0, 0xE000, 0, 0xFF},
        {0x73, 3, 0, 0xE000, 0, 0xFF}, {0x78, 3, 1, 0xE000, 0, 0xFF}, {0x79, 3, 1, 0xE000, 0, 0xFF},
        {0x82, 6, 0, 0xE000, 1, 0xFF}, {0x83, 6, 0, 0xE000, 1, 0xFF},
    };
    for (const Case& c : cases) {
        CBridgeIsp& isp = Start(c.code);
        ASSERT_TRUE(isp.FindDevice());
        ASSERT_FALSE(boot_->Options().empty());
        const auto record = boot_->Options().back();
        EXPECT_EQ(record[4], c.code);
        EXPECT_EQ(record[5], c.at5) << int(c.code);
        EXPECT_EQ(Get32(record, 26), c.at26) << int(c.code);
        EXPECT_EQ(Get32(record, 60), c.at60) << int(c.code);
        EXPECT_EQ(Get32(record, 857), c.at857) << int(c.code);
        EXPECT_EQ(record[901], c.at901) << int(c.code);
        EXPECT_EQ(Get32(record, 906), 1u);
        for (size_t offset : {14, 18, 34, 48, 844}) EXPECT_EQ(Get32(record, offset), 1u) << offset;
        EXPECT_EQ(record[848], 1);
        EXPECT_EQ(Get32(record, 6), 0u);
        bus_.Unplug(bridge_);
    }
}

TEST(ChecksumInName, TakesTheHexDigitsOfFourCharactersAfterTheLastUnderscore) {
    struct Case {
        const char* path;
        uint16_t value;
    };
    const Case cases[] = {
        {"S102_v2.10_edcc.bin", 0xEDCC},
        {"S102_v2.10_12.bin", 0x12B},  // "12.b": the extension's letter counts
        {"S102_v2.10_7.bin", 0x7B},    // "7.bi"
        {"ab12.bin", 0xAB12},          // no "_": the path's first four characters
        {"x_zzzz", 0},
        {"x_", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(ChecksumInName(c.path), c.value) << c.path;
}

TEST_F(BridgeIspTest, LoadsImagesAndThrowsTheirErrors) {
    Start(0x52);
    const auto image = sim::MakeBridgeImage("Halden_V2.10", 64);
    folder_.Write("S102.HEX", sim::ToIntelHex(image));
    folder_.Write("S102_empty.hex", "");
    folder_.Write("S102_bad.hex", ":00000001FF\n");
    folder_.Write("S102_nodata.hex", ":020000040000FA\r\n:00000001FF\r\n");
    folder_.Write("S102_v2_0000.bin", "\x01\x02");
    folder_.Write("S102_0000.bin", "");
    struct Case {
        std::string path;
        std::string error;
        uint32_t length;
    };
    const Case cases[] = {
        {Path("S102.HEX"), "", 64},
        {RawImage("S102_v2.10"), "", 112 + 300},
        {Path("S102_empty.hex"), Path("S102_empty.hex") + "文件为空", 0},
        {Path("S102_bad.hex"), "hex 文件格式错误", 0},
        // Records, but no data in them: empty as well.
        {Path("S102_nodata.hex"), Path("S102_nodata.hex") + "文件为空", 0},
        {Path("S102_missing.hex"), Path("S102_missing.hex") + "打开失败", 0},
        {Path("S102_missing.bin"), Path("S102_missing.bin") + "打开失败", 0},
        {Path("S102_0000.bin"), Path("S102_0000.bin") + "打开失败", 0},
        {Path("S102_v2_0000.bin"), "Bin file check sum error,please contact FAE", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LoadError(c.path), c.error) << c.path;
        EXPECT_EQ(isp_->ImagePath(), c.path);
        if (c.error.empty()) {
            EXPECT_EQ(isp_->ImageLength(), c.length) << c.path;
        }
    }
    EXPECT_EQ(isp_->FileType(), "bin");
}

TEST_F(BridgeIspTest, RawImageSitsBehindAZeroLeadingArea) {
    CBridgeIsp& isp = Start(0x52);
    folder_.Write("S1.hex", sim::ToIntelHex(std::vector<uint8_t>(200, 0x77)));
    ASSERT_EQ(LoadError(Path("S1.hex")), "");
    const std::string raw = RawImage("S102_v2.10");
    ASSERT_EQ(LoadError(raw), "");
    EXPECT_EQ(isp.ImageChecksum(), 0);
    for (uint32_t i = 0; i < CBridgeIsp::kLeadingAreaSize; ++i) ASSERT_EQ(isp.Image()[i], 0) << i;
    EXPECT_EQ(isp.Image()[112 + 16], 'B');  // the image's own bytes follow
}

TEST_F(BridgeIspTest, HexImageIsZeroedUpToTheNextMultipleOfFour) {
    CBridgeIsp& isp = Start(0x52);
    folder_.Write("S1.hex", sim::ToIntelHex(std::vector<uint8_t>(16, 0x77)));
    folder_.Write("S5.hex", sim::ToIntelHex({1, 2, 3, 4, 5}));
    ASSERT_EQ(LoadError(Path("S1.hex")), "");
    ASSERT_EQ(LoadError(Path("S5.hex")), "");
    EXPECT_EQ(isp.ImageLength(), 5u);
    EXPECT_EQ(std::vector<uint8_t>(isp.Image(), isp.Image() + 9),
              (std::vector<uint8_t>{1, 2, 3, 4, 5, 0, 0, 0, 0x77}));
}

TEST_F(BridgeIspTest, ImageLargerThanTheBufferIsRefusedAndNeverProgrammed) {
    CBridgeIsp& isp = Start(0x46);
    ASSERT_EQ(LoadError(RawImage("S102_v2.10")), "");
    folder_.Write("S_big.hex",
                  sim::ToIntelHex(std::vector<uint8_t>(CBridgeIsp::kImageCapacity + 1)));
    const std::string big = RawImage("S_big", CBridgeIsp::kMaxRawFileSize + 1);
    const std::string fits = RawImage("S_fits", CBridgeIsp::kMaxRawFileSize);
    for (const std::string& path : {Path("S_big.hex"), big}) {
        ASSERT_TRUE(isp.FindDevice());
        const std::string error = LoadError(path);
        EXPECT_NE(error.find("larger than the bridge's"), std::string::npos) << path;
        EXPECT_TRUE(isp.ReadMcuType());
        EXPECT_FALSE(isp.Program()) << path;
    }
    EXPECT_TRUE(boot_->Flashes().empty());
    EXPECT_EQ(LoadError(fits), "");
    EXPECT_EQ(isp.ImageLength(), CBridgeIsp::kImageCapacity);
}

TEST_F(BridgeIspTest, McuTypeIsCheckedByTheFamilyOfTheChipType) {
    struct Case {
        uint8_t code;
        const char* settings;
        bool accepted;
    };
    const Case cases[] = {
        {0x52, "[MCU_TYPE]\nTYPE1=Sxyz,Sabc\n", true},
        {0x52, "[MCU_TYPE]\nTYPE2=Sabc\n", false},
        {0x52, "[MCU_TYPE]\nTYPE3=Sabc\n", false},
        {0x52, "", false},
        {0x73, "[MCU_TYPE]\nTYPE2=xSabcx\n", true},
        {0x79, "[MCU_TYPE]\nTYPE3=sabc\n", false},  // case-sensitive
        // Chip types that take any image, with no entry or entries for other prefixes.
        {0x46, "", true},
        {0x49, "[MCU_TYPE]\nTYPE1=S102\nTYPE2=S102\nTYPE3=S102\n", true},
        {0x82, "[MCU_TYPE]\nTYPE1=S102\n", true},
        {0x83, "", true},
    };
    for (const Case& c : cases) {
        CBridgeIsp& isp = Start(c.code);
        folder_.Write("System/AppConfigInit.ini", c.settings);
        ASSERT_TRUE(isp.FindDevice());
        ASSERT_EQ(LoadError(RawImage("Sabc_v2.10")), "");
        EXPECT_EQ(isp.ReadMcuType(), c.accepted) << int(c.code) << " " << c.settings;
        // Nothing goes into a chip whose check failed; its programming is ended all the same,
        // once.
        EXPECT_EQ(isp.Program(), c.accepted);
        EXPECT_EQ(boot_->Flashes().size(), c.accepted ? 1u : 0u);
        isp.EndProgramming();
        EXPECT_EQ(boot_->IspEnds(), 1) << int(c.code) << " " << c.settings;
        EXPECT_FALSE(boot_->InBootMode());
        bus_.Unplug(bridge_);
    }
}

TEST_F(BridgeIspTest, ProgramGoesThroughTheOptionPairs) {
    struct Case {
        uint8_t code;
        int failures;
        bool result;
        size_t flashes;
        int pairIndex;
        int ispEnds;
    };
    const Case cases[] = {
        {0x46, 0, true, 1, 0, 1},  {0x46, 3, true, 4, 3, 1}, {0x46, 4, false, 4, 0, 0},
        {0x71, 1, false, 1, 0, 1},  // no second attempt, and no success claimed
        {0x73, 1, false, 1, 0, 1}, {0x73, 0, true, 1, 0, 1},
    };
    for (const Case& c : cases) {
        CBridgeIsp& isp = Start(c.code);
        folder_.Write("System/AppConfigInit.ini", "[MCU_TYPE]\nTYPE2=S102\n");
        boot_->SetFaults({false, c.failures, false, false});
        ASSERT_TRUE(isp.FindDevice());
        ASSERT_EQ(LoadError(RawImage("S102_v2.10")), "");
        ASSERT_TRUE(isp.ReadMcuType());
        EXPECT_EQ(isp.Program(), c.result) << int(c.code) << " " << c.failures;
        const auto flashes = boot_->Flashes();
        ASSERT_EQ(flashes.size(), c.flashes);
        const std::array<uint32_t, 2> pairs[] = {{1, 0}, {1, 1}, {0, 0}, {0, 1}};
        for (size_t i = 0; i < flashes.size(); ++i) {
            EXPECT_EQ(flashes[i].optionPair, pairs[i]) << i;
            EXPECT_EQ(flashes[i].device, sim::SimBootDevice::kDeviceId);
            EXPECT_EQ(flashes[i].length, 412u);
        }
        EXPECT_EQ(isp.OptionPairIndex(), c.pairIndex);
        EXPECT_EQ(boot_->IspEnds(), c.ispEnds);
        // Ending the programming afterwards ends it where Program has not: once in every case.
        isp.EndProgramming();
        isp.EndProgramming();
        EXPECT_EQ(boot_->IspEnds(), 1) << int(c.code) << " " << c.failures;
        bus_.Unplug(bridge_);
    }
}
