#include "touch/gt73xx/C73xxUpdate.h"

#include <algorithm>

#include "platform/Clock.h"
#include "platform/Format.h"
#include "touch/ChipRegistry.h"
#include "touch/gt73xx/C73xxChip.h"

namespace {

constexpr uint32_t kHold = 0x4180;
constexpr uint32_t kWatchdog = 0x40B0;
constexpr uint32_t kClockControl = 0x50C0;
constexpr uint32_t kClockSelect = 0x50C4;
constexpr uint32_t kStubAnswer = 0x4195;  // 0xAA: block taken; 0xFF: ready / block written
constexpr uint32_t kHostFlag = 0x4196;    // 0x55: block follows; 0xAA: write it
constexpr uint32_t kStubDone = 0x4197;    // 0xDD: block written
constexpr uint32_t kStubScratch = 0x434C;
constexpr uint32_t kMemory = 0x8000;  // the ISP stub, then each block's data
constexpr uint32_t kBlockHeader = 0xFFF0;
constexpr uint32_t kCommand = 0x8040;
constexpr uint8_t kHoldTaken = 0x0C;
constexpr int kBlockPollTries = 50;

uint32_t BE32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

void PutLE32(uint8_t* p, uint32_t value) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

// The sum a block header carries: the block read as little-endian 32-bit words; trailing
// bytes of a length that is not a multiple of 4 are not summed.
uint32_t WordSum32(const uint8_t* data, uint32_t length) {
    uint32_t sum = 0;
    for (uint32_t i = 0; i + 4 <= length; i += 4) {
        sum += uint32_t{data[i]} | (uint32_t{data[i + 1]} << 8) | (uint32_t{data[i + 2]} << 16) |
               (uint32_t{data[i + 3]} << 24);
    }
    return sum;
}

}  // namespace

bool C73xxUpdate::ImageFits(const uint8_t*, size_t length) { return length >= kLayoutEnd; }

bool C73xxUpdate::ImageFitsLayout(uint32_t length) const { return ImageFits(nullptr, length); }

bool C73xxUpdate::CheckFirmwareFile() {
    const uint8_t* image = image_.get();
    const uint32_t length = BE32(image);
    if (uint64_t{length} + kSummedFrom > imageLength_) return false;
    uint16_t sum = 0;
    for (uint32_t i = 0; i < length; ++i) sum = static_cast<uint16_t>(sum + image[kSummedFrom + i]);
    return sum == ((image[4] << 8) | image[5]);
}

std::string C73xxUpdate::GetFirmwareVersionText() {
    const uint8_t* image = image_.get();
    return C73xxChip::ModelName(image + 19) + "_" +
           platform::Format("%02X.%02X.%02X", image[24], image[25], image[26]);
}

bool C73xxUpdate::EnterUpdateMode() {
    bridge_.SendBridgeCommand(kCmdUpdateEntryFirst);
    bridge_.SendBridgeCommand(kCmdUpdateEntrySecond);
    CBaseChip* chip = registry_.CurrentChip();
    if (!chip || !chip->SendCommand(1)) return false;
    if (!W(kHold, 0x01)) return false;
    bool held = false;
    for (int attempt = 0; attempt < 9 && !held; ++attempt) {
        if (!W(kHold, kHoldTaken)) return false;
        held = bridge_.ReadByte(kHold) == kHoldTaken;
    }
    if (!held) {
        bridge_.ResetChip();
        Pause(600);
        for (int attempt = 0; attempt < 29 && !held; ++attempt) {
            if (!W(kHold, kHoldTaken)) {
                Pause(10);
                continue;
            }
            held = bridge_.ReadByte(kHold) == kHoldTaken;
        }
        if (!held) return false;
    }
    return W(kWatchdog, 0x00) && W(kClockControl, 0x06) && W(kClockControl, 0x06) &&
           W(kClockSelect, 0x02);
}

bool C73xxUpdate::LoadIsp() {
    const uint8_t* stub = image_.get() + kIspOffset;
    if (!bridge_.WriteRegs(kMemory, stub, kIspSize)) return false;
    if (!bridge_.ReadRegs(kMemory, ReadBack.data(), kIspSize, 100)) return false;
    if (!std::equal(ReadBack.begin(), ReadBack.end(), stub)) return false;
    if (!W(kStubAnswer, 0x00) || !W(kHostFlag, 0x00) || !W(kStubScratch, 0x00)) return false;
    static const uint8_t kKeyA[4] = {0xB8, 0x3F, 0x35, 0x56};  // 0x56353FB8
    static const uint8_t kKeyB[4] = {0xB9, 0x3E, 0xB5, 0x54};  // 0x54B53EB9
    if (!bridge_.WriteRegs(0xF7CC, kKeyA, 4) || !bridge_.WriteRegs(0xF7EC, kKeyB, 4)) return false;
    // Releasing the hold starts the stub.
    if (!W(kClockControl, 0x00) || !W(kClockSelect, 0x00) || !W(kHold, 0x00)) return false;
    Pause(50);
    return bridge_.PollByte(kStubAnswer, 0xFF, 1000);
}

bool C73xxUpdate::WriteFlashBlocks(const uint8_t* data, uint32_t flashAddress, uint32_t length) {
    const uint8_t* image = image_.get();
    uint32_t offset = 0;
    while (offset < length) {
        const bool apart = flashAddress == kApartFlash;
        const uint32_t block = std::min(kBlockSize, length - offset);
        const uint8_t* source = apart ? image + kApartOffset : data + offset;
        // The load refused images too short for the regions; a source outside the image
        // would be a caller's error and is never read.
        if (source < image || source + block > image + imageLength_) return false;
        uint8_t header[12];
        PutLE32(header, block);
        PutLE32(header + 4, flashAddress);
        PutLE32(header + 8, WordSum32(source, block));
        if (!bridge_.WriteRegs(kBlockHeader, header, sizeof(header)) || !W(kHostFlag, 0x55) ||
            !bridge_.WriteRegs(kMemory, source, block) ||
            !bridge_.PollByte(kStubAnswer, 0xAA, kBlockPollTries) || !W(kHostFlag, 0xAA) ||
            !bridge_.PollByte(kStubAnswer, 0xFF, kBlockPollTries) ||
            !bridge_.PollByte(kStubDone, 0xDD, kBlockPollTries)) {
            return false;
        }
        flashAddress += block;
        // The block kept apart uses none of the region's data.
        if (!apart) offset += kBlockSize;
    }
    return true;
}

void C73xxUpdate::CloseSession() {
    bridge_.SendBridgeCommand(kCmdUpdateExitFirst);
    bridge_.SendBridgeCommand(kCmdUpdateExitSecond);
}

bool C73xxUpdate::Update() {
    // Without a loaded image the regions would be read outside it: nothing is sent.
    if (!ImageLoaded()) return false;
    LogRes(362, LogBusy);
    if (!CheckFirmwareFile()) {
        LogRes(422, LogError);
        return false;
    }
    if (!EnterUpdateMode()) {
        LogRes(367, LogError);
        return false;
    }
    LogRes(363, LogBusy);
    if (!LoadIsp()) {
        LogRes(364, LogError);
        CloseSession();
        return false;
    }
    struct Region {
        uint32_t offset, flash, length;
        unsigned busy, failed;
    };
    static constexpr Region kRegions[] = {
        {kBootloaderOffset, kBootloaderFlash, kBootloaderSize, 358, 359},
        {kGm11Offset, 0x00000, kGm11Size, 368, 370},
        {kG1Offset, kG1Flash, kG1Size, 369, 371},
    };
    for (const Region& region : kRegions) {
        LogRes(region.busy, LogBusy);
        if (!WriteFlashBlocks(image_.get() + region.offset, region.flash, region.length)) {
            LogRes(region.failed, LogError);
            CloseSession();
            return false;
        }
    }
    // Restart: chip command 0xAA with data 0x00 and check byte 0x56, the command byte last.
    bool restarted = W(kHold, 0x01);
    if (restarted) {
        Pause(800);
        bridge_.ReadByte(kMemory);
        restarted = bridge_.WriteWordBE(kCommand + 1, 0x0056) && W(kCommand, 0xAA);
    }
    CloseSession();
    return restarted;
}

bool C73xxUpdate::IsSameVersion() {
    return CompareWithChipIdentity(0x8240, 8, [](const uint8_t* id, std::string& name) {
        name = C73xxChip::ModelName(id);
        return name + platform::Format("_%02X.%02X.%02X", id[5], id[6], id[7]);
    });
}
