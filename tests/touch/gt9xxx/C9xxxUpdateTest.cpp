#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "sim/gt9xxx/Gt9xxxImage.h"
#include "sim/gt9xxx/SimGt9xxxFlash.h"
#include "support/BridgeFixture.h"
#include "support/RecordingLog.h"
#include "support/TempFolder.h"
#include "touch/ChipIniSettings.h"
#include "touch/ChipRegistry.h"
#include "touch/DownloadFamilies.h"
#include "touch/gt9xxx/C9xxxUpdate.h"

using testsupport::RecordingLog;

namespace {

namespace fs = std::filesystem;

class Gt9xxxDownload : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(sim_.opened());
        registry_ = std::make_unique<CChipRegistry>(sim_.device(), sim_.clock(), messages_,
                                                    settings_, programFolder_.Files());
        chip_ = std::make_shared<sim::SimGt9xxxFlash>();
        chip_->SetIdentity("9110", 0x1050);
        sim_.bridge().SetTarget(chip_);
        auto chip = chip_;
        sim_.bridge().SetCommandHandler(
            4, [chip](const sim::BridgeRequest&, std::vector<sim::Report>&) { chip->Reset(); });
        folder_ =
            fs::temp_directory_path() / ("quillon-gt9-" + std::to_string(std::random_device{}()));
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string WriteImage(const std::vector<uint8_t>& image,
                           const std::string& name = "G911.bin") {
        const fs::path path = folder_ / name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()),
                   static_cast<std::streamsize>(image.size()));
        return path.string();
    }

    // Requests to one register, in order, as "r" (read) or "w=<value>".
    std::vector<std::string> RegisterTraffic(uint32_t address) {
        std::vector<std::string> out;
        for (const auto& q : sim_.bridge().Requests()) {
            if (q.address != address || q.command != 15) continue;
            out.push_back(
                q.type == 0 ? "r" : "w=" + std::to_string(q.payload.empty() ? -1 : q.payload[0]));
        }
        return out;
    }

    UpdaterContext Context(LogTarget* log) {
        return {sim_.device(), sim_.clock(), *registry_, settings_, log};
    }

    testsupport::TempFolder programFolder_;
    testsupport::SimBridgeScope sim_;
    ChipIniSettings settings_;
    platform::StderrMessageService messages_;
    std::unique_ptr<CChipRegistry> registry_;
    std::shared_ptr<sim::SimGt9xxxFlash> chip_;
    RecordingLog log_;
    fs::path folder_;
};

}  // namespace

TEST_F(Gt9xxxDownload, BurnOrderAndPollsOfTheBurnControl) {
    C9xxxUpdate update(Context(&log_));
    ASSERT_TRUE(update.LoadFirmwareFile(WriteImage(sim::MakeGt9xxxImage("911", 0x1060))));
    ASSERT_TRUE(update.Update());
    std::vector<std::string> burns;
    const auto traffic = RegisterTraffic(0x5094);
    for (size_t i = 0; i < traffic.size(); ++i) {
        if (traffic[i] != "r") burns.push_back(traffic[i]);
    }
    // Clear, erase (6), clear, SS51 1-4, DSP 5, clear, link 8 and 9, bootloader 6, boot ISP 7, end.
    EXPECT_EQ(burns, (std::vector<std::string>{"w=0", "w=6", "w=0", "w=1", "w=2", "w=3", "w=4",
                                               "w=5", "w=0", "w=8", "w=9", "w=6", "w=7", "w=153"}));
    // The boot ISP burn reads back the staging window at once, without polling.
    const auto requests = sim_.bridge().Requests();
    for (size_t i = 0; i + 1 < requests.size(); ++i) {
        if (requests[i].address == 0x5094 && requests[i].type == 1 &&
            requests[i].payload == std::vector<uint8_t>{7}) {
            EXPECT_EQ(requests[i + 1].address, 0x9000u);
            EXPECT_EQ(requests[i + 1].type, 0);
        }
    }
}

TEST_F(Gt9xxxDownload, EraseGivesUpAfterOneHundredPolls) {
    chip_->faults().burnNeverCompletes = true;
    C9xxxUpdate update(Context(&log_));
    ASSERT_TRUE(update.LoadFirmwareFile(WriteImage(sim::MakeGt9xxxImage("9110", 0x1060))));
    sim_.bridge().ClearRecords();
    EXPECT_FALSE(update.Update());
    const auto traffic = RegisterTraffic(0x5094);
    EXPECT_EQ(std::count(traffic.begin(), traffic.end(), "r"), 100);
}

TEST_F(Gt9xxxDownload, UnansweredEndMarkOrResetFailsTheDownload) {
    const std::string path = WriteImage(sim::MakeGt9xxxImage("9110", 0x1060));
    uint64_t total = 0;
    {
        C9xxxUpdate update(Context(nullptr));
        ASSERT_TRUE(update.LoadFirmwareFile(path));
        const uint64_t before = sim_.bridge().ReportsReceived();
        ASSERT_TRUE(update.Update());
        total = sim_.bridge().ReportsReceived() - before;
    }
    // The last two reports are the end mark and the reset; the stages before them all passed
    // and logged nothing of the finish.
    for (const uint64_t fromEnd : {2u, 1u}) {
        RecordingLog log;
        C9xxxUpdate update(Context(&log));
        ASSERT_TRUE(update.LoadFirmwareFile(path));
        sim_.bridge().StopAnsweringFrom(sim_.bridge().ReportsReceived() + total + 1 - fromEnd);
        EXPECT_FALSE(update.Update()) << fromEnd;
        EXPECT_EQ(log.entries().size(), downloads::Named("GT9xxx").stages.size());
        sim_.bridge().StopAnsweringFrom(0);
    }
}

TEST_F(Gt9xxxDownload, FirmwareVersionTextForms) {
    struct Case {
        std::vector<uint8_t> product;  // bytes 4-8
        uint8_t hi, lo;
        std::string text;
    };
    const std::vector<Case> cases = {
        {{'9', '1', '1', 0, 0}, 0x10, 0x60, "GT911_1060"},
        {{'9', '1', '1', 0, 0}, 0x01, 0x05, "GT911_ 105"},
        {{'6', '5', '7', '2', 0}, 0x10, 0x00, "GA6572_1000"},
        {{'6', '5', '7', '2', 'X'}, 0x00, 0xAB, "GT6572X_  AB"},
        // A byte above 0x7F is the character of that code (U+00B0 here), in UTF-8.
        {{'9', 0xB0, '1', 0, 0},
         0x10,
         0x60,
         "GT9\xC2\xB0"
         "1_1060"},
    };
    for (const Case& c : cases) {
        auto image = sim::MakeGt9xxxImage("", 0);
        std::copy(c.product.begin(), c.product.end(), image.begin() + 4);
        image[12] = c.hi;
        image[13] = c.lo;
        C9xxxUpdate update(Context(nullptr));
        ASSERT_TRUE(update.LoadFirmwareFile(WriteImage(image)));
        EXPECT_EQ(update.GetFirmwareVersionText(), c.text);
    }
}

TEST_F(Gt9xxxDownload, UpdateWithoutALoadedImageSendsNothing) {
    C9xxxUpdate never(Context(&log_));
    const uint64_t before = sim_.bridge().ReportsReceived();
    EXPECT_FALSE(never.Update());
    // A refused load (too short for the layout) leaves no image to download either, even
    // after an earlier load had succeeded.
    C9xxxUpdate refused(Context(&log_));
    ASSERT_TRUE(refused.LoadFirmwareFile(WriteImage(sim::MakeGt9xxxImage("9110", 0x1060))));
    auto shortImage = sim::MakeGt9xxxImage("9110", 0x1060);
    shortImage.resize(0x2000);
    ASSERT_FALSE(refused.LoadFirmwareFile(WriteImage(shortImage, "G-short.bin")));
    EXPECT_FALSE(refused.Update());
    EXPECT_EQ(sim_.bridge().ReportsReceived(), before);
    ASSERT_EQ(log_.entries().size(), 1u);
    EXPECT_EQ(log_.entries()[0], (RecordingLog::Entry{"[FW update]Read File err", LogError}));
    EXPECT_EQ(chip_->Burns(), 0);
}

TEST_F(Gt9xxxDownload, IsSameVersionReadsTheChipUntilItsNameIsConfigured) {
    // The program folder holds no settings file: the configured list is "GT9110P, GT9110H".
    auto sameAs = [&](const char* productId, uint16_t chipVersion, const std::string& imageId,
                      uint16_t imageVersion) {
        chip_->SetIdentity(productId, chipVersion);
        sim_.bridge().ClearRecords();
        C9xxxUpdate update(Context(nullptr));
        EXPECT_TRUE(
            update.LoadFirmwareFile(WriteImage(sim::MakeGt9xxxImage(imageId, imageVersion))));
        return update.IsSameVersion();
    };
    auto identityReads = [&] {
        size_t n = 0;
        for (const auto& q : sim_.bridge().Requests()) {
            if (q.type == 0 && q.address == 0x8140) {
                EXPECT_EQ(q.length, 6);
                ++n;
            }
        }
        return n;
    };
    // GT911 is not in the configured list: five reads, then the comparison.
    EXPECT_TRUE(sameAs("911\0", 0x1060, "911", 0x1060));
    EXPECT_EQ(identityReads(), 5u);
    EXPECT_EQ(settings_.ChipName, "GT911");
    EXPECT_EQ(settings_.ChipIdentity, "GT911_1060");
    EXPECT_FALSE(sameAs("911\0", 0x1061, "911", 0x1060));
    // GT9111 reads as GT9110P, which is configured: one read. The image names GT9111.
    EXPECT_FALSE(sameAs("9111", 0x1060, "9111", 0x1060));
    EXPECT_EQ(identityReads(), 1u);
    EXPECT_EQ(settings_.ChipIdentity, "GT9110P_1060");
    // Bytes above 0x7F name the chip and the image alike.
    EXPECT_TRUE(
        sameAs("9\xB0"
               "1\0",
               0x1060,
               "9\xB0"
               "1",
               0x1060));
    // No answer: the name and identity of the last identification stay and are compared.
    settings_.ChipName = "GT911";
    settings_.ChipIdentity = "GT911_1060";
    sim_.bridge().StopAnsweringFrom(sim_.bridge().ReportsReceived() + 1);
    C9xxxUpdate update(Context(nullptr));
    ASSERT_TRUE(update.LoadFirmwareFile(WriteImage(sim::MakeGt9xxxImage("911", 0x1060))));
    EXPECT_TRUE(update.IsSameVersion());
    EXPECT_EQ(settings_.ChipName, "GT911");
}
