#pragma once

#include "touch/config/BaseConfig.h"

// GT73xx (family 3) configuration. The main block carries three 8-bit checksums: byte 2
// over bytes 0-1, byte 212 over bytes 0-211 and the last byte over bytes 213 to the one
// before it, each the two's complement of the sum; so the block must be longer than 213
// bytes, and a shorter CfgLength is refused before anything is written. The write goes
// through a three-byte command frame at 0x8040 (command, data, check = two's complement of
// command + data; 0x8040 reads 0xFF while the chip is idle). Channel items look their
// numbers up in the half of the channel map their channel belongs to; the mirror operations
// toggle the items "X2X" and "Y2Y".
class C73xxConfig : public CBaseConfig {
  public:
    static constexpr int32_t kMinLength = 214;

    using CBaseConfig::CBaseConfig;

    void DecodeItems() override;
    void EncodeItems() override;
    void UpdateChecksum() override;
    // Driver and sensor lists hold the first half's channels, then the second half's.
    void ApplyChannelMap(const std::vector<int32_t>& drivers,
                         const std::vector<int32_t>& sensors) override;
    // True when the chip went back to idle after the block; a chip that does not become
    // ready for the block or a failed block write throws message 351.
    bool WriteToChip(int flag) override;
    bool MirrorX() override;
    bool MirrorY() override;
    // Always true: the checksums are not checked.
    bool VerifyChecksum() override;

  protected:
    Lengths FamilyLengths() const override { return CheckedLengths(kMinLength); }
    // The last byte is the third checksum, part of what the file gives the chip.
    bool LastByteSetByProgram() const override { return false; }
};
