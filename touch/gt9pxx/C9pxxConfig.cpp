#include "touch/gt9pxx/C9pxxConfig.h"

#include "platform/TextError.h"

namespace {

constexpr uint32_t kExtSwitchAddr = 0x805A;
constexpr uint8_t kExtSwitchBit = 0x40;
constexpr uint32_t kTakeAddr = 0x8044;
constexpr int kPollTries = 50;
constexpr unsigned kMsgWriteFailed = 351;

// The 16-bit sum of `count` bytes as big-endian words; an odd last byte is a high byte.
uint16_t WordSum(const uint8_t* bytes, int32_t count) {
    uint32_t sum = 0;
    for (int32_t i = 0; i < count; i += 2) {
        sum += static_cast<uint32_t>(bytes[i] << 8) + (i + 1 < count ? bytes[i + 1] : 0);
    }
    return static_cast<uint16_t>(sum);
}

// A block of `length` bytes whose checksum is its bytes `length` - 2 and - 1.
void PutChecksum(uint8_t* block, int32_t length) {
    const auto checksum = static_cast<uint16_t>(-WordSum(block, length - 2));
    block[length - 2] = static_cast<uint8_t>(checksum >> 8);
    block[length - 1] = static_cast<uint8_t>(checksum);
}

bool ChecksumHolds(const uint8_t* block, int32_t length) {
    const auto checksum = static_cast<uint16_t>((block[length - 2] << 8) | block[length - 1]);
    return static_cast<uint16_t>(WordSum(block, length - 2) + checksum) == 0;
}

}  // namespace

void C9pxxConfig::UpdateChecksum() {
    const Lengths lengths = FamilyLengths();
    // The main block's checksum stands before its flag byte.
    PutChecksum(image_.data(), lengths.main - 1);
    image_[lengths.main - 1] = 1;
    if (lengths.ext != 0) PutChecksum(image_.data() + lengths.main, lengths.ext);
}

bool C9pxxConfig::VerifyChecksum() {
    Lengths lengths{};
    try {
        lengths = FamilyLengths();
    } catch (const platform::TextError&) {
        return false;
    }
    return ChecksumHolds(image_.data(), lengths.main - 1) &&
           (lengths.ext == 0 || ChecksumHolds(image_.data() + lengths.main, lengths.ext));
}

std::optional<size_t> C9pxxConfig::ExtSwitchPosition(int32_t mainLength) const {
    const int64_t position = int64_t{kExtSwitchAddr} - settings_.CFGAddr;
    if (position < 0 || position >= mainLength) return std::nullopt;
    return static_cast<size_t>(position);
}

bool C9pxxConfig::WritesExtendedBlock(const uint8_t* image, size_t known) const {
    if (settings_.ExtCfgLength <= 0) return false;
    const std::optional<size_t> position = ExtSwitchPosition(settings_.CfgLength);
    return !position || (*position < known && (image[*position] & kExtSwitchBit) != 0);
}

bool C9pxxConfig::WriteToChip(int) {
    const Lengths lengths = FamilyLengths();
    const auto main = static_cast<uint32_t>(lengths.main);
    const auto cfgAddr = static_cast<uint32_t>(settings_.CFGAddr);
    if (lengths.ext > 0 && !ExtSwitchPosition(lengths.main)) {
        throw platform::TextError(
            "The extended configuration block cannot be written: its switch register "
            "0x805A lies outside the main block");
    }
    const bool sendExt = WritesExtendedBlock(image_.data(), image_.size());
    bridge_.WriteByte(static_cast<uint32_t>(settings_.SynFlagAddr), 0);
    if (sendExt && !bridge_.WriteRegs(static_cast<uint32_t>(settings_.ExtCfgAddr),
                                      image_.data() + main, static_cast<uint32_t>(lengths.ext))) {
        ThrowMessage(kMsgWriteFailed);
    }
    if (!bridge_.WriteRegs(cfgAddr, image_.data(), main)) ThrowMessage(kMsgWriteFailed);
    bridge_.WriteByte(kTakeAddr, 0);
    if (!bridge_.PollByte(cfgAddr + main - 1, 0, kPollTries)) ThrowMessage(kMsgWriteFailed);
    return true;
}
