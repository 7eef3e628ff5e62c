#include <gtest/gtest.h>

#include "sim/ft5xxx/SimFt5xxx.h"
#include "touch/UpdaterRig.h"
#include "touch/ft5xxx/CFT5xxxUpdate.h"

namespace {

// An FT5682 behind a bridge that selects no family.
class Ft5xxxUpdater : public ::testing::Test {
  protected:
    void SetUp() override {
        chip_ = std::make_shared<sim::SimFt5xxx>("FT5682_V1.0");
        ASSERT_TRUE(rig_.Start(chip_));
    }
    std::unique_ptr<CFT5xxxUpdate> Loaded(const std::string& name = "FT5682_app.bin") {
        auto update = std::make_unique<CFT5xxxUpdate>(rig_.Context());
        EXPECT_TRUE(update->LoadFirmwareFile(rig_.WriteImage({1, 2, 3, 4}, name)));
        return update;
    }

    UpdaterRig rig_;
    std::shared_ptr<sim::SimFt5xxx> chip_;
};

}  // namespace

TEST_F(Ft5xxxUpdater, UpdateSendsNothingAndFails) {
    auto update = Loaded();
    rig_.bridge->ClearRecords();
    EXPECT_FALSE(update->Update());
    EXPECT_TRUE(rig_.bridge->Requests().empty());
    EXPECT_TRUE(rig_.log.entries().empty());
    EXPECT_EQ(update->GetFirmwareVersionText(), "");
}

TEST_F(Ft5xxxUpdater, BootModeEntrySequence) {
    auto update = Loaded();
    ASSERT_TRUE(update->EnterUpdateMode());
    EXPECT_TRUE(chip_->InBootMode());
    EXPECT_EQ(rig_.CommandNumbers(), (std::vector<int>{41, 43}));
    using Bytes = std::vector<uint8_t>;
    EXPECT_EQ(
        rig_.WritesTo(0xFF),
        (std::vector<Bytes>{
            {0x55}, {0xEB, 0xAA, 0x09}, {0xFC, 0xAA}, {0xFC, 0x55}, {0xEB, 0xAA, 0x09}, {0x55}}));
    EXPECT_EQ(rig_.ReadsOf(0x90), 1u);
    // A chip that never shows its boot id is read 50 times.
    chip_->SetAcceptsBootMode(false);
    rig_.bridge->ClearRecords();
    EXPECT_FALSE(update->EnterUpdateMode());
    EXPECT_EQ(rig_.ReadsOf(0x90), 50u);
}

TEST_F(Ft5xxxUpdater, FileNameRule) {
    struct Case {
        const char* name;
        bool good;
    };
    for (const Case c :
         {Case{"FT5682_app.bin", true}, Case{"FTapp.bin", true}, Case{"ft5682_app.bin", false},
          Case{"FT5682_APP.BIN", false}, Case{"FT5682.bin", false}, Case{"Fapp.bin", false}}) {
        EXPECT_EQ(Loaded(c.name)->CheckFirmwareFile(), c.good) << c.name;
    }
}

TEST_F(Ft5xxxUpdater, SameVersionMeansAChipAnswers) {
    auto update = Loaded();
    EXPECT_TRUE(update->IsSameVersion());
    rig_.bridge->StopAnsweringFrom(rig_.bridge->ReportsReceived() + 1);
    EXPECT_FALSE(update->IsSameVersion());
}
