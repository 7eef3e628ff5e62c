#pragma once

#include "touch/BaseChip.h"

// GT9Pxx (family 2): identity at 0x8140, three-byte command frames at 0x8040. Uses the base
// settings reader; its records are filled when identification names a listed model.
class C9pxxChip : public CBaseChip {
  public:
    static constexpr ChipFamily kFamily = kFamilyGT9Pxx;

    using CBaseChip::CBaseChip;

    // Index 0 sends record 0, any other index record 1.
    bool SendCommand(int index) override;
    bool SendCommandAlt() override;
    bool IdentifyChip() override;

    void InitCommandTable();

    // The identity block (8 bytes at 0x8140): the model name from bytes 0-3 and the version
    // text "_%02X.%02X.%02X" of bytes 4-6. Identification and the version check both read it.
    static constexpr uint32_t kIdentityAddr = 0x8140;
    static constexpr uint32_t kIdentityLength = 8;
    static std::string ModelName(const uint8_t* block);
    static std::string VersionText(const uint8_t* block);

  protected:
    void OnChipNameChanged(NameSource source) override;
    // As the base, with byte 2 at "DrvNumAddr" the sensor count itself.
    void ReadChannelCounts() override;
};
