#include <gtest/gtest.h>

#include <functional>

#include "sim/gt9pxx/Gt9pxxImage.h"
#include "sim/gt9pxx/SimGt9pxxFlash.h"
#include "touch/UpdaterRig.h"
#include "touch/gt9pxx/C9PxxUpdate.h"
#include "touch/gt9pxx/C9pxxChip.h"

namespace {

using Block = sim::SimGt9pxxFlash::Block;

// A GT9286 on firmware 01.02.03 behind a bridge that selects no family.
class Gt9pxxDownload : public ::testing::Test {
  protected:
    void SetUp() override {
        chip_ = std::make_shared<sim::SimGt9pxxFlash>("9286", std::array<uint8_t, 3>{1, 2, 3});
        ASSERT_TRUE(rig_.Start(chip_));
    }
    std::unique_ptr<C9PxxUpdate> Loaded(const std::vector<uint8_t>& image) {
        auto update = std::make_unique<C9PxxUpdate>(rig_.Context());
        EXPECT_TRUE(update->LoadFirmwareFile(rig_.WriteImage(image)));
        return update;
    }

    UpdaterRig rig_;
    std::shared_ptr<sim::SimGt9pxxFlash> chip_;
    std::vector<uint8_t> image_ = sim::MakeGt9pxxImage("9286", {1, 2, 4}, 3);
};

const std::vector<std::string> kAllStages = {"#362/1", "#363/0", "#352/0", "#297/1"};

}  // namespace

TEST_F(Gt9pxxDownload, FullImageEndsInFlashAndTheChipShowsItsIdentity) {
    auto update = Loaded(image_);
    ASSERT_TRUE(update->Update());
    EXPECT_EQ(rig_.Texts(), kAllStages);
    // The 5000-byte section goes out as 4096 and 904 bytes, its address word growing by 0x10.
    EXPECT_EQ(chip_->Blocks(), (std::vector<Block>{{1, 0x0000, 4096},
                                                   {1, 0x0010, 4096},
                                                   {2, 0x0200, 4096},
                                                   {2, 0x0210, 904},
                                                   {3, 0x0400, 2048}}));
    auto flash = [&](uint32_t at, uint32_t n) {
        return std::vector<uint8_t>(chip_->flash().begin() + at, chip_->flash().begin() + at + n);
    };
    auto image = [&](uint32_t at, uint32_t n) {
        return std::vector<uint8_t>(image_.begin() + at, image_.begin() + at + n);
    };
    EXPECT_EQ(flash(0, 0x2000), image(0x880, 0x2000));
    EXPECT_EQ(flash(0x20000, 5000), image(0x2880, 5000));
    EXPECT_EQ(flash(0x40000, 2048), image(0x2880 + 5000, 2048));
    EXPECT_EQ(chip_->IspStub(), image(128, 2048));
    EXPECT_EQ(chip_->DownloadEnds(), 1);
    EXPECT_EQ(rig_.CommandNumbers(), (std::vector<int>{4, 18}));

    ASSERT_TRUE(rig_.registry->DetectChip());
    EXPECT_EQ(rig_.settings.ChipIdentity, "GT9286_01.02.04");
    EXPECT_EQ(update->GetFirmwareVersionText(), rig_.settings.ChipIdentity);
}

TEST_F(Gt9pxxDownload, ImageWithoutSectionsStillRestartsTheChip) {
    auto image = sim::MakeGt9pxxImage("9286", {1, 2, 4}, 3, {});
    for (uint8_t count : {0, 1}) {
        image[24] = count;
        rig_.bridge->ClearRecords();
        testsupport::RecordingLog log;
        C9PxxUpdate update({rig_.device(), rig_.clock, *rig_.registry, rig_.settings, &log});
        ASSERT_TRUE(update.LoadFirmwareFile(rig_.WriteImage(image)));
        EXPECT_TRUE(update.Update());
        EXPECT_EQ(log.entries().size(), kAllStages.size());
        EXPECT_EQ(rig_.CommandNumbers(), (std::vector<int>{4, 18}));
        const auto writes = rig_.WritesTo(0x8040);
        ASSERT_FALSE(writes.empty());
        EXPECT_EQ(writes.back(), (std::vector<uint8_t>{0x60, 0x00, 0xA0}));
    }
    EXPECT_TRUE(chip_->Blocks().empty());
}

TEST_F(Gt9pxxDownload, EachFaultEndsWithItsMessage) {
    struct Case {
        std::function<void(sim::SimGtFlashFaults&)> fault;
        std::vector<std::string> log;
        std::vector<int> commands;  // the failure steps reset the chip and end the download
    };
    const std::vector<Case> cases = {
        {[](auto& f) { f.holdRefusals = 1000; }, {"#367/3"}, {4}},
        {[](auto& f) { f.stubReadsBackWrong = true; },
         {"#362/1", "#363/0", "#364/3", "#325/3"},
         {4, 4, 18}},
        {[](auto& f) { f.stubNeverReady = true; },
         {"#362/1", "#363/0", "#364/3", "#325/3"},
         {4, 4, 18}},
        {[](auto& f) { f.blockNeverConfirmed = 4; },
         {"#362/1", "#363/0", "#352/0", "#325/3"},
         {4, 4, 18}},
    };
    const std::string path = rig_.WriteImage(image_);
    for (const Case& c : cases) {
        const auto [done, texts] =
            rig_.RunWithFault<C9PxxUpdate, sim::SimGt9pxxFlash>(path, c.fault);
        EXPECT_FALSE(done);
        EXPECT_EQ(texts, c.log);
        EXPECT_EQ(rig_.CommandNumbers(), c.commands) << c.log.back();
    }
}

TEST_F(Gt9pxxDownload, ChipThatDoesNotComeBackIsNotFound) {
    chip_->faults().goneAfterRestart = true;
    EXPECT_TRUE(Loaded(image_)->Update());
    EXPECT_FALSE(rig_.registry->DetectChip());
}

TEST_F(Gt9pxxDownload, CheckWordMakesTheBlockSumZero) {
    struct Case {
        std::vector<uint8_t> block;
        uint16_t addressWord;
        uint8_t following;
    };
    const std::vector<Case> cases = {
        {{0x12, 0x34, 0x56, 0x78}, 0x0200, 0x00},
        {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, 0xFFF0, 0x00},
        {{0x12, 0x34, 0x56}, 0x0010, 0x9A},  // odd: the last word is 0x569A
        {{}, 0x0000, 0x00},
    };
    for (const Case& c : cases) {
        const auto length = static_cast<uint32_t>(c.block.size());
        const uint16_t check =
            C9PxxUpdate::CheckWord(c.block.data(), length, c.addressWord, c.following);
        uint32_t sum = length + c.addressWord + check;
        for (uint32_t i = 0; i < length; i += 2)
            sum += (c.block[i] << 8) | (i + 1 < length ? c.block[i + 1] : c.following);
        EXPECT_EQ(sum & 0xFFFF, 0u) << length;
    }
}

TEST_F(Gt9pxxDownload, ImagesWhoseSectionsPassTheEndAreRefused) {
    struct Case {
        const char* what;
        std::function<void(std::vector<uint8_t>&)> change;
        bool loads;
    };
    const std::vector<Case> cases = {
        {"whole", [](auto&) {}, true},
        {"last byte missing", [](auto& i) { i.pop_back(); }, false},
        {"section count 255", [](auto& i) { i[24] = 255; }, false},
        {"no room for the ISP stub",
         [](auto& i) {
             i[24] = 0;
             i.resize(0x87F);
         },
         false},
        {"header and stub only",
         [](auto& i) {
             i[24] = 1;
             i.resize(0x880);
         },
         true},
    };
    for (const Case& c : cases) {
        auto image = image_;
        c.change(image);
        testsupport::RecordingLog log;
        C9PxxUpdate update({rig_.device(), rig_.clock, *rig_.registry, rig_.settings, &log});
        EXPECT_EQ(update.LoadFirmwareFile(rig_.WriteImage(image)), c.loads) << c.what;
        if (!c.loads) {
            EXPECT_EQ(log.entries(), (std::vector<testsupport::RecordingLog::Entry>{
                                         {"[FW update]Read File err", LogError}}))
                << c.what;
            rig_.bridge->ClearRecords();
            EXPECT_FALSE(update.Update());
            EXPECT_TRUE(rig_.bridge->Requests().empty()) << c.what;
        }
    }
}

TEST_F(Gt9pxxDownload, VersionCheckReadsTheIdentificationBlock) {
    struct Case {
        const char* chipId;
        std::array<uint8_t, 3> chipVersion;
        const char* imageId;
        bool same;
    };
    const std::vector<Case> cases = {
        {"9286", {1, 2, 4}, "9286", true},           {"9286", {1, 2, 3}, "9286", false},
        {"7288", {1, 2, 4}, "9286", false},          {"928", {1, 2, 4}, "928", true},
        {"9286", {0xA1, 0x0B, 0xFF}, "9286", false},
    };
    for (const Case& c : cases) {
        auto chip = std::make_shared<sim::SimGt9pxxFlash>(c.chipId, c.chipVersion);
        chip->Attach(*rig_.bridge);
        auto update = Loaded(sim::MakeGt9pxxImage(c.imageId, {1, 2, 4}));
        EXPECT_EQ(update->IsSameVersion(), c.same) << c.chipId;
        const std::string checked = rig_.settings.ChipIdentity;
        // Identification reads the same block and, for a listed model, comes to the same
        // identity.
        rig_.settings.ChipIdentity.clear();
        if (rig_.registry->ChipOf<C9pxxChip>().IdentifyChip())
            EXPECT_EQ(rig_.settings.ChipIdentity, checked) << c.chipId;
        else
            EXPECT_TRUE(checked.starts_with(std::string("GT") + c.chipId + "_")) << checked;
    }
    EXPECT_EQ(Loaded(image_)->GetFirmwareVersionText(), "GT9286_01.02.04");
}
