#include "touch/gt9pxx/C9PxxUpdate.h"

#include <algorithm>

#include "platform/Clock.h"
#include "platform/Format.h"
#include "touch/ChipRegistry.h"
#include "touch/gt9pxx/C9pxxChip.h"

namespace {

constexpr uint32_t kHold = 0x4180;
constexpr uint32_t kWatchdog = 0x40B0;
constexpr uint32_t kStubMemory = 0xC000;
constexpr uint32_t kStubAccess = 0x404D;
constexpr uint32_t kStubAnswer = 0x8006;
constexpr uint32_t kBlockBuffer = 0x8100;
constexpr uint32_t kStartWord = 0x8020;
constexpr uint32_t kBlockStatus = 0x8022;
constexpr uint8_t kBlockAccepted = 0xBB;
constexpr int kBlockPollTries = 50;

uint16_t BE16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }

}  // namespace

SectionEntry SectionEntry::At(const uint8_t* row) { return {row[0], BE16(row + 1), BE16(row + 3)}; }

bool C9PxxUpdate::ImageFits(const uint8_t* image, size_t length) {
    if (length < kDataOffset) return false;
    const unsigned count = image[kSectionCountOffset];
    uint64_t end = kDataOffset;
    for (unsigned i = 1; i < count; ++i)
        end += SectionEntry::At(image + kSectionTableOffset + 8 * i).length;
    return end <= length;
}

bool C9PxxUpdate::ImageFitsLayout(uint32_t length) const { return length >= kDataOffset; }

bool C9PxxUpdate::ImageContentFits(const uint8_t* image, uint32_t length) const {
    return ImageFits(image, length);
}

uint16_t C9PxxUpdate::CheckWord(const uint8_t* block, uint32_t length, uint16_t addressWord,
                                uint8_t following) {
    uint32_t sum = length + addressWord;
    for (uint32_t i = 0; i < length; i += 2) {
        const uint8_t low = i + 1 < length ? block[i + 1] : following;
        sum += (uint32_t{block[i]} << 8) | low;
    }
    return static_cast<uint16_t>(0x10000 - (sum & 0xFFFF));
}

std::string C9PxxUpdate::GetFirmwareVersionText() {
    const uint8_t* image = image_.get();
    return C9pxxChip::ModelName(image + 15) + "_" +
           platform::Format("%02X.%02X.%02X", image[21], image[22], image[23]);
}

bool C9PxxUpdate::EnterUpdateMode() {
    bridge_.ResetChip();
    bool held = false;
    for (int attempt = 0; attempt < 29 && !held; ++attempt) {
        if (!W(kHold, 0x0C)) return false;
        held = bridge_.ReadByte(kHold) == 0x0C;
    }
    return held && W(0x4010, 0x00) && W(kWatchdog, 0x00) && W(0x404B, 0x00) && W(0x4184, 0x01) &&
           W(0x4218, 0x00) && W(0x4048, 0x04) && W(kStubAccess, 0x01);
}

bool C9PxxUpdate::LoadIsp() {
    const uint8_t* stub = image_.get() + kIspOffset;
    if (!bridge_.WriteRegs(kStubMemory, stub, kIspSize)) return false;
    if (!bridge_.ReadRegs(kStubMemory, ReadBack.data(), kIspSize, 100)) return false;
    if (!std::equal(ReadBack.begin(), ReadBack.begin() + kIspSize, stub)) return false;
    if (!W(kStubAccess, 0x00)) return false;
    static const uint8_t kCall[8] = {0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55};
    if (!bridge_.WriteRegs(kStubAnswer, kCall, sizeof(kCall))) return false;
    // Releasing the processor into the stub.
    if (!W(kHold, 0x08)) return false;
    Pause(15);
    // The answer lands in the request's own header area; a failed read leaves other bytes.
    std::array<uint8_t, 6> answer{};
    bridge_.Exchange({.address = kStubAnswer, .end = QueueEnd::Front}, nullptr, 2, &answer);
    return answer[0] == 0xAA && answer[1] == 0xBB;
}

// The caller keeps the section inside the image.
bool C9PxxUpdate::WriteFlashBlocks(const uint8_t* data, const SectionEntry& row) {
    const uint8_t* imageEnd = image_.get() + imageLength_;
    const uint16_t startWord = static_cast<uint16_t>(row.type * 0x101);
    uint16_t addressWord = row.addressWord;
    for (uint32_t offset = 0; offset < row.length; offset += kBlockSize) {
        const uint32_t block = std::min<uint32_t>(kBlockSize, row.length - offset);
        const uint8_t* source = data + offset;
        // An odd block's last word takes the image byte after it (0 past the image's end).
        const uint8_t following = source + block < imageEnd ? source[block] : 0;
        const uint16_t check = CheckWord(source, block, addressWord, following);
        if (!bridge_.WriteWordBE(kBlockBuffer, static_cast<uint16_t>(block)) ||
            !bridge_.WriteWordBE(kBlockBuffer + 2, addressWord) ||
            !bridge_.WriteRegs(kBlockBuffer + 4, source, block) ||
            !bridge_.WriteWordBE(kBlockBuffer + 4 + block, check) || !W(kBlockStatus, 0x00) ||
            !bridge_.WriteWordBE(kStartWord, startWord) ||
            !bridge_.PollByte(kBlockStatus, kBlockAccepted, kBlockPollTries)) {
            return false;
        }
        addressWord = static_cast<uint16_t>(addressWord + 0x10);
    }
    return true;
}

void C9PxxUpdate::EndDownload() {
    Pause(100);
    bridge_.SendBridgeCommand18();
    Pause(15);
    bridge_.ReadByte(0x8000);
}

bool C9PxxUpdate::Fail() {
    bridge_.ResetChip();
    Pause(10);
    W(kHold, 0x00);
    EndDownload();
    return false;
}

bool C9PxxUpdate::Update() {
    // Without a loaded image the section table would be read outside it: nothing is sent.
    if (!ImageLoaded()) return false;
    Header = image_.get();
    if (!EnterUpdateMode()) {
        LogRes(367, LogError);
        return false;
    }
    LogRes(362, LogInfo);
    LogRes(363, LogBusy);
    if (!LoadIsp()) {
        LogRes(364, LogError);
        LogRes(325, LogError);
        return Fail();
    }
    LogRes(352, LogBusy);
    const unsigned count = Header[kSectionCountOffset];
    uint32_t dataOffset = kDataOffset;
    for (unsigned i = 1; i < count; ++i) {
        const SectionEntry row = SectionEntry::At(Header + kSectionTableOffset + 8 * i);
        // The load refused sections past the image; never point beyond it here either.
        if (dataOffset + row.length > imageLength_ || !WriteFlashBlocks(Header + dataOffset, row)) {
            LogRes(325, LogError);
            return Fail();
        }
        dataOffset += row.length;
    }
    LogRes(297, LogInfo);
    // Restart: chip command 0x60 with data 0x00 and check byte 0xA0; then release the chip.
    static const uint8_t kRestart[3] = {0x60, 0x00, 0xA0};
    bridge_.WriteRegs(0x8040, kRestart, sizeof(kRestart));
    if (!W(kWatchdog, 0x00) || !W(kHold, 0x01)) return false;
    EndDownload();
    return true;
}

bool C9PxxUpdate::IsSameVersion() {
    return CompareWithChipIdentity(C9pxxChip::kIdentityAddr, C9pxxChip::kIdentityLength,
                                   [](const uint8_t* block, std::string& name) {
                                       name = C9pxxChip::ModelName(block);
                                       return name + C9pxxChip::VersionText(block);
                                   });
}
