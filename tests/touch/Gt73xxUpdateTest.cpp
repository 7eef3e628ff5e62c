#include <gtest/gtest.h>

#include <functional>

#include "sim/gt73xx/Gt73xxImage.h"
#include "sim/gt73xx/SimGt73xxFlash.h"
#include "touch/UpdaterRig.h"
#include "touch/gt73xx/C73xxUpdate.h"

namespace {

// A GT7387 on firmware 01.02.03 behind a GT73xx bridge (model 0x0301).
class Gt73xxDownload : public ::testing::Test {
  protected:
    void SetUp() override {
        chip_ = std::make_shared<sim::SimGt73xxFlash>("7387", std::array<uint8_t, 3>{1, 2, 3});
        ASSERT_TRUE(rig_.Start(chip_));
        ASSERT_EQ(rig_.registry->CurrentFamily(), kFamilyGT73xx);
    }
    // Loads an image into a fresh updater.
    std::unique_ptr<C73xxUpdate> Loaded(const std::vector<uint8_t>& image) {
        auto update = std::make_unique<C73xxUpdate>(rig_.Context());
        EXPECT_TRUE(update->LoadFirmwareFile(rig_.WriteImage(image)));
        return update;
    }
    std::vector<uint8_t> Part(uint32_t offset, uint32_t length) const {
        return {image_.begin() + offset, image_.begin() + offset + length};
    }
    std::vector<uint8_t> Flash(uint32_t address, uint32_t length) const {
        return {chip_->flash().begin() + address, chip_->flash().begin() + address + length};
    }

    UpdaterRig rig_{0x0301};
    std::shared_ptr<sim::SimGt73xxFlash> chip_;
    std::vector<uint8_t> image_ = sim::MakeGt73xxImage("7387", {1, 2, 4}, 5);
};

const std::vector<std::string> kAllStages = {"#362/0", "#363/0", "#358/0", "#368/0", "#369/0"};

}  // namespace

TEST_F(Gt73xxDownload, FullImageEndsInFlashAndTheChipShowsItsIdentity) {
    auto update = Loaded(image_);
    ASSERT_TRUE(update->Update());
    EXPECT_EQ(rig_.Texts(), kAllStages);
    EXPECT_EQ(chip_->IspStub(), Part(0x100, 4096));
    EXPECT_EQ(Flash(0x3D000, 2048), Part(0x1100, 2048));
    EXPECT_EQ(Flash(0, 0x1F000), Part(0x1900, 0x1F000));
    EXPECT_EQ(Flash(0x20000, 0x8000), Part(0x22900, 0x8000));
    EXPECT_EQ(Flash(0x28000, 0x2000), Part(0x20900, 0x2000));
    EXPECT_EQ(Flash(0x2A000, 0x4000), Part(0x2A900, 0x4000));
    EXPECT_EQ(chip_->BlocksWritten(), 1 + 16 + 7);
    EXPECT_FALSE(chip_->SessionOpen());
    EXPECT_EQ(chip_->Restarts(), 1);

    ASSERT_TRUE(rig_.registry->DetectChip());
    EXPECT_EQ(rig_.settings.ChipIdentity, "GT7387_01.02.04");
    EXPECT_EQ(update->GetFirmwareVersionText(), rig_.settings.ChipIdentity);
}

TEST_F(Gt73xxDownload, WireOrderOfTheSessionHeadersAndRestart) {
    ASSERT_TRUE(Loaded(image_)->Update());
    EXPECT_EQ(rig_.CommandNumbers(), (std::vector<int>{43, 41, 6, 42, 40}));
    // Command record 1 of the chip, then the restart: data and check byte first, 0xAA last.
    const auto commands = rig_.WritesTo(0x8040);
    ASSERT_FALSE(commands.empty());
    EXPECT_EQ(commands.back(), (std::vector<uint8_t>{0xAA}));
    const auto data = rig_.WritesTo(0x8041);
    ASSERT_FALSE(data.empty());
    EXPECT_EQ(data.back(), (std::vector<uint8_t>{0x00, 0x56}));

    const auto headers = rig_.WritesTo(0xFFF0);
    ASSERT_EQ(headers.size(), 24u);
    auto field = [](const std::vector<uint8_t>& h, int at) {
        return uint32_t{h[at]} | (uint32_t{h[at + 1]} << 8) | (uint32_t{h[at + 2]} << 16) |
               (uint32_t{h[at + 3]} << 24);
    };
    EXPECT_EQ(field(headers[0], 0), 2048u);
    EXPECT_EQ(field(headers[0], 4), 0x3D000u);
    // The last Gm11 block: 4096 bytes, summed as 1024 words.
    const auto& last = headers[16];
    EXPECT_EQ(field(last, 0), 4096u);
    EXPECT_EQ(field(last, 4), 0x1E000u);
    uint32_t sum = 0;
    for (uint32_t i = 0; i < 4096; i += 4) sum += field(Part(0x1900 + 0x1E000, 4096), i);
    EXPECT_EQ(field(last, 8), sum);
    const uint32_t g1[] = {0x20000, 0x22000, 0x24000, 0x26000, 0x28000, 0x2A000, 0x2C000};
    for (size_t i = 0; i < 7; ++i) EXPECT_EQ(field(headers[17 + i], 4), g1[i]) << i;
}

TEST_F(Gt73xxDownload, EachFaultEndsWithItsMessage) {
    struct Case {
        std::function<void(sim::SimGtFlashFaults&)> fault;
        std::vector<std::string> log;
        std::vector<int> commands;
    };
    const std::vector<int> closed = {43, 41, 6, 42, 40};
    const std::vector<Case> cases = {
        {[](auto& f) { f.holdRefusals = 1000; }, {"#362/0", "#367/3"}, {43, 41, 6, 4}},
        {[](auto& f) { f.stubReadsBackWrong = true; }, {"#362/0", "#363/0", "#364/3"}, closed},
        {[](auto& f) { f.stubNeverReady = true; }, {"#362/0", "#363/0", "#364/3"}, closed},
        {[](auto& f) { f.blockNeverConfirmed = 1; },
         {"#362/0", "#363/0", "#358/0", "#359/3"},
         closed},
        {[](auto& f) { f.blockNeverConfirmed = 2; },
         {"#362/0", "#363/0", "#358/0", "#368/0", "#370/3"},
         closed},
        {[](auto& f) { f.blockNeverConfirmed = 24; },
         {"#362/0", "#363/0", "#358/0", "#368/0", "#369/0", "#371/3"},
         closed},
    };
    const std::string path = rig_.WriteImage(image_);
    for (const Case& c : cases) {
        const auto [done, texts] =
            rig_.RunWithFault<C73xxUpdate, sim::SimGt73xxFlash>(path, c.fault);
        EXPECT_FALSE(done);
        EXPECT_EQ(texts, c.log);
        EXPECT_EQ(rig_.CommandNumbers(), c.commands) << c.log.back();
    }
}

TEST_F(Gt73xxDownload, ChipThatDoesNotComeBackIsNotFound) {
    chip_->faults().goneAfterRestart = true;
    auto update = Loaded(image_);
    EXPECT_TRUE(update->Update());
    EXPECT_FALSE(rig_.registry->DetectChip());
}

TEST_F(Gt73xxDownload, HoldRefusedNineTimesGetsOneResetAndTheLongPause) {
    for (int refusals : {0, 9}) {
        chip_->faults().holdRefusals = refusals;
        rig_.bridge->ClearRecords();
        auto update = Loaded(image_);
        const uint64_t before = rig_.scope.clock().SleptMs();
        ASSERT_TRUE(update->EnterUpdateMode());
        const auto commands = rig_.CommandNumbers();
        EXPECT_EQ(std::count(commands.begin(), commands.end(), 4), refusals ? 1 : 0);
        // Besides the short waits before each read.
        const uint64_t slept = rig_.scope.clock().SleptMs() - before;
        EXPECT_EQ(slept >= 600, refusals > 0) << slept;
    }
}

TEST_F(Gt73xxDownload, BadImagesAreRefusedOrFailTheSumCheck) {
    struct Case {
        const char* what;
        std::function<void(std::vector<uint8_t>&)> change;
        bool loads;
    };
    auto setLength = [](std::vector<uint8_t>& image, uint32_t length) {
        for (int i = 0; i < 4; ++i) image[i] = static_cast<uint8_t>(length >> (24 - 8 * i));
    };
    const std::vector<Case> cases = {
        {"shorter than the regions",
         [](auto& i) {
             i.resize(0x2E8FF);
             sim::SealGt73xxImage(i);
         },
         false},
        {"length field one past the end",
         [&](auto& i) { setLength(i, static_cast<uint32_t>(i.size() - 5)); }, true},
        {"length field far past the end", [&](auto& i) { setLength(i, 0xFFFFFFFF); }, true},
        {"length field covers less", [&](auto& i) { setLength(i, 100); }, true},
        {"sum differs", [](auto& i) { i[4] ^= 1; }, true},
    };
    for (const Case& c : cases) {
        auto image = image_;
        c.change(image);
        testsupport::RecordingLog log;
        C73xxUpdate update({rig_.device(), rig_.clock, *rig_.registry, rig_.settings, &log});
        rig_.bridge->ClearRecords();
        EXPECT_EQ(update.LoadFirmwareFile(rig_.WriteImage(image)), c.loads) << c.what;
        EXPECT_FALSE(update.Update()) << c.what;
        EXPECT_TRUE(rig_.bridge->Requests().empty()) << c.what;
        const auto entries = log.entries();
        ASSERT_FALSE(entries.empty());
        if (!c.loads) {
            EXPECT_EQ(entries.back().text, "[FW update]Read File err") << c.what;
        } else {
            EXPECT_EQ(entries.back().text, "#422") << c.what;
        }
    }
}

TEST_F(Gt73xxDownload, VersionTextsAndTheVersionCheck) {
    struct Case {
        const char* chipId;
        const char* imageId;
        std::string text;
        bool same;
    };
    const std::vector<Case> cases = {
        {"7387", "7387", "GT7387_01.02.04", true},  {"7388", "7388", "GT7387P_01.02.04", true},
        {"7382", "7382", "GT7382H_01.02.04", true}, {"738", "738", "GT738_01.02.04", true},
        {"7385", "7387", "GT7387_01.02.04", false},
    };
    for (const Case& c : cases) {
        auto chip =
            std::make_shared<sim::SimGt73xxFlash>(c.chipId, std::array<uint8_t, 3>{1, 2, 4});
        chip->Attach(*rig_.bridge);
        rig_.bridge->ClearRecords();
        auto update = Loaded(sim::MakeGt73xxImage(c.imageId, {1, 2, 4}));
        EXPECT_EQ(update->GetFirmwareVersionText(), c.text);
        EXPECT_EQ(update->IsSameVersion(), c.same) << c.chipId;
        // No model here is in the configured list: five reads of 8 bytes at 0x8240.
        EXPECT_EQ(rig_.ReadsOf(0x8240), 5u);
    }
}
