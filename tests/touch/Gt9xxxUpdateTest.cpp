#include <gtest/gtest.h>
#include <sys/stat.h>

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
#include "touch/gt9xxx/C9xxxUpdate.h"

using testsupport::RecordingLog;

namespace {

namespace fs = std::filesystem;

class Gt9xxxDownload : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(sim_.opened());
        registry_ =
            std::make_unique<CChipRegistry>(sim_.device(), sim_.clock(), messages_, settings_);
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

    std::vector<std::string> Texts() const {
        std::vector<std::string> out;
        for (const auto& e : log_.entries()) out.push_back(e.text + "/" + std::to_string(e.kind));
        return out;
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

const std::vector<std::string> kAllStages = {"#362/0", "#363/0", "#365/0", "#352/0",
                                             "#354/0", "#356/0", "#358/0", "#360/0"};

std::vector<std::string> StagesUpTo(size_t failedStage, const std::string& failure) {
    std::vector<std::string> out(kAllStages.begin(), kAllStages.begin() + failedStage + 1);
    out.push_back(failure + "/3");
    return out;
}

}  // namespace

TEST_F(Gt9xxxDownload, FullImageEndsInFlashWithTheNewIdentity) {
    const auto image = sim::MakeGt9xxxImage("9110", 0x1060, 7);
    C9xxxUpdate update(Context(&log_));
    ASSERT_TRUE(update.LoadFirmwareFile(WriteImage(image)));
    ASSERT_TRUE(update.Update());
    EXPECT_EQ(Texts(), kAllStages);

    const auto& flash = chip_->flash();
    auto part = [&](uint32_t offset, uint32_t length) {
        return std::vector<uint8_t>(image.begin() + offset, image.begin() + offset + length);
    };
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(flash.ss51[i], part(0x0E + 0x2000 * i, 8192)) << i;
    EXPECT_EQ(flash.dsp, part(0x800E, 4096));
    EXPECT_EQ(flash.bootloader, part(0x900E, 2048));
    EXPECT_EQ(flash.bootIsp, part(0x980E, 2048));
    EXPECT_EQ(flash.link1, part(0xA00E, 8192));
    EXPECT_EQ(flash.link2, part(0xC00E, 4096));
    EXPECT_EQ(chip_->IspStub(), part(image.size() - 4096, 4096));

    uint8_t identity[6] = {};
    ASSERT_TRUE(sim_.device().ReadRegs(0x8140, identity, 6, 200));
    EXPECT_EQ(std::string(identity, identity + 4), "9110");
    EXPECT_EQ(identity[4], 0x60);
    EXPECT_EQ(identity[5], 0x10);
    EXPECT_EQ(update.GetFirmwareVersionText(), "GT9110_1060");
}

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

TEST_F(Gt9xxxDownload, EachStageFailureLogsItsOwnMessageAndStops) {
    struct Case {
        std::function<void(sim::SimGt9xxxFlash&)> fault;
        size_t stage;
        std::string failure;
    };
    const std::vector<Case> cases = {
        {[](sim::SimGt9xxxFlash& c) { c.faults().holdNeverTakes = true; }, 0, "#367"},
        {[](sim::SimGt9xxxFlash& c) { c.faults().watchdogStaysOn = true; }, 0, "#367"},
        {[](sim::SimGt9xxxFlash& c) { c.faults().burnNeverCompletes = true; }, 2, "#366"},
        {[](sim::SimGt9xxxFlash& c) { c.faults().corruptReadBackOfCommand = 1; }, 3, "#353"},
        {[](sim::SimGt9xxxFlash& c) { c.faults().corruptReadBackOfCommand = 5; }, 4, "#355"},
        {[](sim::SimGt9xxxFlash& c) { c.faults().corruptReadBackOfCommand = 8; }, 5, "#357"},
        {[](sim::SimGt9xxxFlash& c) { c.faults().corruptReadBackOfCommand = 7; }, 7, "#361"},
    };
    const std::string path = WriteImage(sim::MakeGt9xxxImage("9110", 0x1060));
    for (const Case& c : cases) {
        chip_ = std::make_shared<sim::SimGt9xxxFlash>();
        sim_.bridge().SetTarget(chip_);
        c.fault(*chip_);
        RecordingLog log;
        C9xxxUpdate update(Context(&log));
        ASSERT_TRUE(update.LoadFirmwareFile(path));
        EXPECT_FALSE(update.Update()) << c.failure;
        std::vector<std::string> texts;
        for (const auto& e : log.entries()) texts.push_back(e.text + "/" + std::to_string(e.kind));
        EXPECT_EQ(texts, StagesUpTo(c.stage, c.failure));
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

TEST_F(Gt9xxxDownload, ChipThatStopsAnsweringMidDownloadFailsWithoutHanging) {
    C9xxxUpdate update(Context(&log_));
    ASSERT_TRUE(update.LoadFirmwareFile(WriteImage(sim::MakeGt9xxxImage("9110", 0x1060))));
    sim_.bridge().StopAnsweringFrom(sim_.bridge().ReportsReceived() + 600);
    EXPECT_FALSE(update.Update());
    const auto entries = log_.entries();
    ASSERT_FALSE(entries.empty());
    EXPECT_EQ(entries.back().kind, LogError);
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
        EXPECT_EQ(log.entries().size(), kAllStages.size());
        sim_.bridge().StopAnsweringFrom(0);
    }
}

TEST_F(Gt9xxxDownload, ImagesThatDoNotHoldTheLayoutAreRefusedAtLoad) {
    auto image = sim::MakeGt9xxxImage("9110", 0x1060);
    struct Case {
        uint32_t length;
        bool accepted;
    };
    for (const Case c : {Case{0xA80E, false}, Case{0x980D, false}, Case{0xA00D, false},
                         Case{0xD00E, true}, Case{512000, true}, Case{512001, false}}) {
        image.resize(c.length, 0x33);
        RecordingLog log;
        C9xxxUpdate update(Context(&log));
        EXPECT_EQ(update.LoadFirmwareFile(WriteImage(image)), c.accepted) << std::hex << c.length;
        if (!c.accepted) {
            ASSERT_EQ(log.entries().size(), 1u);
            EXPECT_EQ(log.entries()[0],
                      (RecordingLog::Entry{"[FW update]Read File err", LogError}));
        }
    }
}

TEST_F(Gt9xxxDownload, LoadErrorsAreLoggedOnce) {
    RecordingLog log;
    C9xxxUpdate update(Context(&log));
    const std::string missing = (folder_ / "G-missing.bin").string();
    EXPECT_FALSE(update.LoadFirmwareFile(missing));
    EXPECT_FALSE(update.LoadFirmwareFile(WriteImage({}, "G-empty.bin")));
    // A pipe named like an image is refused at once rather than waited on.
    const std::string pipe = (folder_ / "G-pipe.bin").string();
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_FALSE(update.LoadFirmwareFile(pipe));
    const auto entries = log.entries();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0], (RecordingLog::Entry{missing + "打开失败", LogError}));
    EXPECT_EQ(entries[1], (RecordingLog::Entry{"[FW update]Read File err", LogError}));
    EXPECT_EQ(entries[2], (RecordingLog::Entry{pipe + "打开失败", LogError}));

    C9xxxUpdate silent(Context(nullptr));
    EXPECT_FALSE(silent.LoadFirmwareFile(missing));
}

TEST_F(Gt9xxxDownload, TouchingTheFileAfterLoadingIsNoticed) {
    const std::string path = WriteImage(sim::MakeGt9xxxImage("9110", 0x1060));
    C9xxxUpdate update(Context(nullptr));
    ASSERT_TRUE(update.LoadFirmwareFile(path));
    EXPECT_TRUE(update.CheckFirmwareFile());
    fs::last_write_time(path, fs::last_write_time(path) + std::chrono::seconds(5));
    EXPECT_FALSE(update.CheckFirmwareFile());
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
    testsupport::TempFolder folder;  // no settings file: the configured list is "GT9110P, GT9110H"
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
