// What every family's touch firmware download shares, run over the family rows: the full image
// ends in flash and the chip shows the image's identity; each simulated fault ends with its
// message and no success; a chip that does not come back; bad images; the loader's errors.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>

#include "resources/UiLanguage.h"
#include "touch/DownloadFamilies.h"

namespace {

using downloads::BadImage;
using downloads::Family;
using downloads::Image;
using downloads::Log;
using testsupport::Logged;
using testsupport::RecordingLog;

const RecordingLog::Entry kReadFileErr = {"[FW update]Read File err", LogError};

class Download : public ::testing::TestWithParam<Family> {
  protected:
    void SetUp() override {
        resources::SetThreadUiLanguage(resources::kLangEnglish);
        ASSERT_TRUE(rig_.Start(GetParam().chip()));
    }

    // A fresh updater with a log of its own.
    std::unique_ptr<CFwUpdate> Updater(RecordingLog* log) {
        return GetParam().updater(rig_.Context(log));
    }

    // A fresh chip (with a fault) behind the bridge and a download of the image (which the
    // fault may change) into it with a log of its own: the result and the log.
    std::pair<bool, Log> RunWithFault(const downloads::Fault& fault) {
        auto chip = GetParam().chip();
        Image image = image_;
        if (fault) fault(*chip, image);
        chip->Attach(*rig_.bridge);
        rig_.chip = chip;
        rig_.bridge->ClearRecords();
        RecordingLog log;
        auto update = Updater(&log);
        EXPECT_TRUE(update->LoadFirmwareFile(rig_.WriteImage(image)));
        const bool done = update->Update();
        return {done, downloads::Stages(log)};
    }

    bool ShowsSuccess(const Log& log) const {
        for (const auto& entry : log) {
            if (entry == Logged(msg::kTouchUpgradeFinished, LogInfo) || entry.kind == LogSuccess)
                return true;
        }
        return false;
    }

    UpdaterRig rig_{GetParam().bridgeModel};
    const Image image_ = GetParam().image();
};

std::string NameOf(const ::testing::TestParamInfo<Family>& info) { return info.param.name; }

TEST_P(Download, FullImageEndsInFlashAndTheChipShowsItsIdentity) {
    const Family& family = GetParam();
    auto update = Updater(&rig_.log);
    ASSERT_TRUE(update->LoadFirmwareFile(rig_.WriteImage(image_)));
    ASSERT_TRUE(update->Update());
    EXPECT_EQ(downloads::Stages(rig_.log), family.stages);
    EXPECT_TRUE(family.flashHoldsImage(*rig_.chip, image_));
    family.checkClean(rig_, *rig_.chip, image_, *update);

    EXPECT_EQ(update->GetFirmwareVersionText(), family.identity);
    EXPECT_TRUE(update->IsSameVersion());
    EXPECT_EQ(rig_.settings.ChipIdentity, family.identity);
    if (family.identifiedByDetection) {
        rig_.settings.ChipIdentity.clear();
        ASSERT_TRUE(rig_.registry->DetectChip());
        EXPECT_EQ(rig_.settings.ChipIdentity, family.identity);
    }
}

TEST_P(Download, EachFaultEndsWithItsMessageAndNoSuccess) {
    for (const downloads::FaultCase& c : GetParam().faults) {
        if (c.log.empty()) continue;
        SCOPED_TRACE(c.name);
        const auto [done, log] = RunWithFault(c.fault);
        EXPECT_FALSE(done);
        EXPECT_EQ(log, c.log);
        EXPECT_FALSE(ShowsSuccess(log));
        const std::vector<int> commands = rig_.CommandNumbers();
        if (!c.commands.empty()) {
            EXPECT_EQ(commands, c.commands);
        }
        if (!c.lastCommands.empty()) {
            ASSERT_GE(commands.size(), c.lastCommands.size());
            EXPECT_EQ(std::vector<int>(commands.end() - c.lastCommands.size(), commands.end()),
                      c.lastCommands);
        }
        if (!c.identityAfter.empty()) {
            ASSERT_TRUE(rig_.registry->DetectChip());
            EXPECT_EQ(rig_.settings.ChipIdentity, c.identityAfter);
        }
    }
}

TEST_P(Download, ChipThatDoesNotComeBackDoesNotShowTheImage) {
    const Family& family = GetParam();
    const auto [done, log] = RunWithFault(family.gone);
    EXPECT_EQ(done, family.goneSucceeds);
    if (family.goneIsNotDetected) {
        EXPECT_FALSE(rig_.registry->DetectChip());
    }
    auto update = Updater(nullptr);
    ASSERT_TRUE(update->LoadFirmwareFile(rig_.WriteImage(image_)));
    EXPECT_FALSE(update->IsSameVersion());
}

TEST_P(Download, BridgeThatStopsAnsweringMidDownloadFailsWithoutHanging) {
    uint64_t total = 0;
    {
        auto update = Updater(nullptr);
        ASSERT_TRUE(update->LoadFirmwareFile(rig_.WriteImage(image_)));
        const uint64_t before = rig_.bridge->ReportsReceived();
        ASSERT_TRUE(update->Update());
        total = rig_.bridge->ReportsReceived() - before;
    }
    rig_.Start(GetParam().chip());
    auto update = Updater(&rig_.log);
    ASSERT_TRUE(update->LoadFirmwareFile(rig_.WriteImage(image_)));
    rig_.bridge->StopAnsweringFrom(rig_.bridge->ReportsReceived() +
                                   std::min<uint64_t>(600, total / 2));
    const uint64_t start = rig_.clock.NowMs();
    EXPECT_FALSE(update->Update());
    EXPECT_LE(rig_.clock.NowMs() - start, GetParam().boundMs);
    const auto entries = rig_.log.entries();
    ASSERT_FALSE(entries.empty());
    EXPECT_FALSE(ShowsSuccess(entries));
    bool failureLogged = false;
    for (const auto& entry : entries) failureLogged |= entry.kind == LogError;
    EXPECT_TRUE(failureLogged);
}

TEST_P(Download, BadImagesAreRefusedOrFailBeforeTheDownload) {
    for (const BadImage& c : GetParam().badImages) {
        SCOPED_TRACE(c.what);
        Image image = image_;
        c.spoil(image);
        RecordingLog log;
        auto update = Updater(&log);
        rig_.bridge->ClearRecords();
        const bool loaded = update->LoadFirmwareFile(rig_.WriteImage(image));
        EXPECT_EQ(loaded, c.outcome != BadImage::Outcome::Refused);
        if (c.outcome == BadImage::Outcome::Loads) continue;
        if (c.outcome == BadImage::Outcome::Refused) {
            EXPECT_EQ(log.entries(), Log{kReadFileErr});
        }
        EXPECT_FALSE(update->Update());
        EXPECT_EQ(rig_.CommandNumbers(), c.commands);
        if (c.commands.empty()) {
            EXPECT_TRUE(rig_.bridge->Requests().empty());
        }
        const Log entries = log.entries();
        ASSERT_GE(entries.size(), c.logEnd.size());
        EXPECT_EQ(Log(entries.end() - c.logEnd.size(), entries.end()), c.logEnd);
    }
}

TEST_P(Download, LoadErrorsAreLoggedOnce) {
    RecordingLog log;
    auto update = Updater(&log);
    const std::string missing = (rig_.folder.Path() / "G-missing.bin").string();
    EXPECT_FALSE(update->LoadFirmwareFile(missing));
    EXPECT_FALSE(update->LoadFirmwareFile(rig_.WriteImage({}, "G-empty.bin")));
    // A pipe named like an image is refused at once rather than waited on.
    const std::string pipe = (rig_.folder.Path() / "G-pipe.bin").string();
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_FALSE(update->LoadFirmwareFile(pipe));
    EXPECT_EQ(log.entries(),
              (Log{{missing + "打开失败", LogError}, kReadFileErr, {pipe + "打开失败", LogError}}));

    auto silent = Updater(nullptr);
    EXPECT_FALSE(silent->LoadFirmwareFile(missing));
}

// (GT73xx looks at the image's own sum only.)
TEST_P(Download, TouchingTheFileAfterLoadingIsNoticedWhereTheFamilyLooks) {
    const std::string path = rig_.WriteImage(image_);
    auto update = Updater(nullptr);
    ASSERT_TRUE(update->LoadFirmwareFile(path));
    EXPECT_TRUE(update->CheckFirmwareFile());
    namespace fs = std::filesystem;
    fs::last_write_time(path, fs::last_write_time(path) + std::chrono::seconds(5));
    EXPECT_EQ(update->CheckFirmwareFile(), !GetParam().fileTimeChecked);
}

INSTANTIATE_TEST_SUITE_P(Families, Download, ::testing::ValuesIn(downloads::Families()), NameOf);

}  // namespace
