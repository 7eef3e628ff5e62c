#include "touch/gt9xxx/C9xxxUpdate.h"

#include <vector>

#include "platform/Clock.h"
#include "platform/Format.h"
#include "resources/MessageIds.h"
#include "touch/ChipRegistry.h"
#include "touch/gt9xxx/C9xxxChip.h"

namespace {

constexpr uint32_t kHold = 0x4180;
constexpr uint32_t kWatchdog = 0x40B0;
constexpr uint32_t kHoldCompanion = 0x4010;
constexpr uint32_t kCache = 0x404B;
constexpr uint32_t kBootSource = 0x4190;
constexpr uint32_t kReboot = 0x4184;
constexpr uint32_t kBank = 0x4048;
constexpr uint32_t kCodeAccess = 0x4049;
constexpr uint32_t kScramble = 0x4218;
constexpr uint32_t kBurn = 0x5094;
constexpr uint16_t kWindowC = 0xC000;
constexpr uint16_t kWindowE = 0xE000;
constexpr uint16_t kStaging = 0x9000;
constexpr uint8_t kHoldBoth = 0x0C;
constexpr uint8_t kReleaseDsp = 0x04;
constexpr uint8_t kEndMark = 0x99;
constexpr int kBurnPollTries = 1000;
constexpr int kErasePollTries = 100;

}  // namespace

bool C9xxxUpdate::ImageFitsLayout(uint32_t length) const {
    // Every part the download sends for an image of this length must lie inside it.
    uint32_t end = kBootIspOffset;
    if (length >= kBootIspOffset) end = kLink1Offset;
    if (length >= kLink1Offset) end = kLinkEnd;
    return length >= end && length >= kIspStubSize;
}

bool C9xxxUpdate::VerifyBlock(const uint8_t* expected, uint16_t address, uint16_t length) {
    std::vector<uint8_t> buffer(length);
    if (!bridge_.ReadRegs(address, buffer.data(), length, 100)) return false;
    return std::equal(buffer.begin(), buffer.end(), expected);
}

bool C9xxxUpdate::EnterUpdateMode() {
    if (!bridge_.ResetChip()) return false;
    for (int round = 0; round < 30; ++round) {
        W(kHold, kHoldBoth);
        W(kWatchdog, 0);
        W(kHoldCompanion, 0);
    }
    if (bridge_.ReadByte(kHold) != kHoldBoth) return false;
    if (bridge_.ReadByte(kWatchdog) != 0) return false;
    return W(kCache, 0) && W(kBurn, 0);
}

bool C9xxxUpdate::BurnDspIsp() {
    if (!W(kBootSource, 2) || !W(kReboot, 1) || !W(kBank, 2) || !W(kCodeAccess, 1)) return false;
    const uint8_t* stub = image_.get() + imageLength_ - kIspStubSize;
    if (!bridge_.WriteRegs(kWindowC, stub, kIspStubSize)) return false;
    if (!VerifyBlock(stub, kWindowC, kIspStubSize)) return false;
    return W(kScramble, 0) && W(kBank, 3);
}

bool C9xxxUpdate::BurnSramSection(const uint8_t* source, uint16_t window, uint8_t code) {
    const uint8_t bank = code >> 4;
    if (!W(kHold, kHoldBoth) || !W(kScramble, 0) || !W(kBank, bank) || !W(kCodeAccess, 1)) {
        return false;
    }
    if (!bridge_.WriteRegs(window, source, 8192)) return false;
    if (!VerifyBlock(source, window, 8192)) return false;
    if (!W(kHold, kReleaseDsp)) return false;
    Pause(10);
    if (!W(kBurn, code & 0x0F)) return false;
    if (!bridge_.PollByte(kBurn, 0, kBurnPollTries)) return false;
    if (!W(kBank, bank) || !W(kCodeAccess, 1)) return false;
    if (!VerifyBlock(source, window, 8192)) return false;
    return W(kCodeAccess, 0);
}

bool C9xxxUpdate::BurnWindowSection(const uint8_t* source, uint16_t length, uint8_t code) {
    if (!W(kHold, kHoldBoth) || !W(kScramble, 0) || !W(kHold, kReleaseDsp)) return false;
    Pause(10);
    if (!W(kBank, code >> 4)) return false;
    if (!bridge_.WriteRegs(kStaging, source, length)) return false;
    if (!VerifyBlock(source, kStaging, length)) return false;
    if (!W(kBurn, code & 0x0F)) return false;
    if (!bridge_.PollByte(kBurn, 0, kBurnPollTries)) return false;
    return VerifyBlock(source, kStaging, length);
}

bool C9xxxUpdate::BurnStaged(const uint8_t* source, uint16_t length, uint8_t command, int pollTries,
                             bool readBack, bool releaseBeforeBank) {
    if (!W(kHold, kHoldBoth) || !W(kScramble, 0)) return false;
    if (releaseBeforeBank && !W(kHold, kReleaseDsp)) return false;
    if (!W(kBank, 3)) return false;
    if (!bridge_.WriteRegs(kStaging, source, length)) return false;
    if (!VerifyBlock(source, kStaging, length)) return false;
    if (!releaseBeforeBank && !W(kHold, kReleaseDsp)) return false;
    Pause(1);
    if (!W(kBurn, command)) return false;
    if (pollTries > 0 && !bridge_.PollByte(kBurn, 0, pollTries)) return false;
    return !readBack || VerifyBlock(source, kStaging, length);
}

bool C9xxxUpdate::EraseBootloader() {
    const std::vector<uint8_t> blank(2048, 0xFF);
    return BurnStaged(blank.data(), 2048, 6, kErasePollTries, false, false);
}

bool C9xxxUpdate::BurnSs51() {
    if (!W(kBurn, 0)) return false;
    const uint8_t* image = image_.get();
    return BurnSramSection(image + 0x000E, kWindowC, 0x01) &&
           BurnSramSection(image + 0x200E, kWindowE, 0x02) &&
           BurnSramSection(image + 0x400E, kWindowC, 0x13) &&
           BurnSramSection(image + 0x600E, kWindowE, 0x14);
}

bool C9xxxUpdate::BurnDsp() {
    return BurnStaged(image_.get() + kDspOffset, 4096, 5, kBurnPollTries, true, true);
}

bool C9xxxUpdate::BurnLink() {
    if (imageLength_ < kLink1Offset) return true;
    if (!W(kBurn, 0)) return false;
    return BurnWindowSection(image_.get() + kLink1Offset, 8192, 0x38) &&
           BurnWindowSection(image_.get() + kLink2Offset, 4096, 0x39);
}

bool C9xxxUpdate::BurnBootloader() {
    return BurnStaged(image_.get() + kBootloaderOffset, 2048, 6, kBurnPollTries, true, true);
}

bool C9xxxUpdate::BurnBootIsp() {
    if (imageLength_ < kBootIspOffset) return true;
    return BurnStaged(image_.get() + kBootIspOffset, 2048, 7, 0, true, true);
}

bool C9xxxUpdate::FinishUpdate() {
    if (!W(kBurn, kEndMark)) return false;
    if (!bridge_.ResetChip()) return false;
    Pause(200);
    return true;
}

bool C9xxxUpdate::Update() {
    // Without a loaded image the stages would read outside it (the ISP stub is taken from
    // the end of the loaded length): nothing is sent.
    if (!ImageLoaded()) return false;
    struct Stage {
        bool (C9xxxUpdate::*run)();
        unsigned busy, failed;
    };
    static constexpr Stage kStages[] = {
        {&C9xxxUpdate::EnterUpdateMode, msg::kUpgradeInit, msg::kUpgradeInitFailed},
        {&C9xxxUpdate::BurnDspIsp, msg::kDownloadIsp, msg::kDownloadIspFailed},
        {&C9xxxUpdate::EraseBootloader, msg::kEraseBootloader, msg::kEraseBootloaderFailed},
        {&C9xxxUpdate::BurnSs51, msg::kDownloadSs51, msg::kDownloadSs51Failed},
        {&C9xxxUpdate::BurnDsp, msg::kDownloadDsp, msg::kDownloadDspFailed},
        {&C9xxxUpdate::BurnLink, msg::kDownloadLink, msg::kDownloadLinkFailed},
        {&C9xxxUpdate::BurnBootloader, msg::kDownloadBootloader, msg::kDownloadBootloaderFailed},
        {&C9xxxUpdate::BurnBootIsp, msg::kDownloadBootIsp, msg::kDownloadBootIspFailed},
    };
    for (const Stage& stage : kStages) {
        LogRes(stage.busy, LogBusy);
        if (!(this->*stage.run)()) {
            LogRes(stage.failed, LogError);
            return false;
        }
    }
    // A chip that did not take the end mark or the reset has not finished its download.
    return FinishUpdate();
}

bool C9xxxUpdate::IsSameVersion() {
    return CompareWithChipIdentity(0x8140, 6, [](const uint8_t* id, std::string& name) {
        name = C9xxxChip::ModelName(id);
        return name + "_" + platform::Format("%4X", id[5] * 256 + id[4]);
    });
}
