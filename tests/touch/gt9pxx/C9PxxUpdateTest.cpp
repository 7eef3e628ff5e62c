#include <gtest/gtest.h>

#include <functional>

#include "sim/gt9pxx/Gt9pxxImage.h"
#include "sim/gt9pxx/SimGt9pxxFlash.h"
#include "touch/DownloadFamilies.h"
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

}  // namespace

TEST_F(Gt9pxxDownload, ImageWithoutSectionsStillRestartsTheChip) {
    auto image = sim::MakeGt9pxxImage("9286", {1, 2, 4}, 3, {});
    for (uint8_t count : {0, 1}) {
        image[24] = count;
        rig_.bridge->ClearRecords();
        testsupport::RecordingLog log;
        C9PxxUpdate update(rig_.Context(&log));
        ASSERT_TRUE(update.LoadFirmwareFile(rig_.WriteImage(image)));
        EXPECT_TRUE(update.Update());
        EXPECT_EQ(log.entries(), downloads::Named("GT9Pxx").stages);
        EXPECT_EQ(rig_.CommandNumbers(), (std::vector<int>{4, 18}));
        const auto writes = rig_.WritesTo(0x8040);
        ASSERT_FALSE(writes.empty());
        EXPECT_EQ(writes.back(), (std::vector<uint8_t>{0x60, 0x00, 0xA0}));
    }
    EXPECT_TRUE(chip_->Blocks().empty());
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
