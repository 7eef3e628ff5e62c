#pragma once

#include <optional>

#include "touch/config/BaseConfig.h"

// GT9Pxx (family 2) configuration. The main block (n = CfgLength bytes) ends in a 16-bit
// checksum at bytes n - 3 (high) and n - 2 (low) and a flag byte that the chip clears when
// it has taken the block; an extended block (e = ExtCfgLength bytes) ends in its own 16-bit
// checksum at its last two bytes. A checksum is the 16-bit two's complement of the sum of
// the block's data bytes taken as big-endian words from the block's start; an odd last data
// byte is the high byte of a word whose low byte is 0. So the checksum and the data always
// sum to 0, whether a block's length is odd or even, and no sum reads past its block.
class C9pxxConfig : public CBaseConfig {
  public:
    static constexpr int32_t kMinLength = 3;
    static constexpr int32_t kMinExtLength = 2;

    using CBaseConfig::CBaseConfig;

    void UpdateChecksum() override;
    // Sends the extended block first where WritesExtendedBlock says so (register 0x805A must
    // lie in the main block), then the main block; true once the chip cleared the flag.
    // Failures throw message 351.
    bool WriteToChip(int flag) override;
    bool VerifyChecksum() override;

  protected:
    Lengths FamilyLengths() const override { return CheckedLengths(kMinLength, kMinExtLength); }
    // With an extended block: when bit 0x40 of the image byte for register 0x805A is set, and
    // always when that register lies outside the main block (whose write is then refused).
    bool WritesExtendedBlock(const uint8_t* image, size_t known) const override;

  private:
    // The image position of register 0x805A; nullopt when it lies outside the main block.
    std::optional<size_t> ExtSwitchPosition(int32_t mainLength) const;
};
