#pragma once

#include "touch/BaseChip.h"

// GT9xxx (family 1): identity at 0x8140, command register 0x8040 with the state byte 0x8046.
class C9xxxChip : public CBaseChip {
  public:
    static constexpr ChipFamily kFamily = kFamilyGT9xxx;

    using CBaseChip::CBaseChip;

    // Index 0 writes 0 at 0x8046 and sends record 0; any other index writes 1 there and sends
    // record 1. The result is that of the record.
    bool SendCommand(int index) override;
    bool SendCommandAlt() override;
    bool IdentifyChip() override;
    void LoadChipIni() override;

    void InitCommandTable();
    // Loads the settings of the start name and fills the command records.
    void Prepare() override;

    // The model name from the product id bytes at 0x8140, with the family's renames.
    static std::string ModelName(const uint8_t* productId);
    // The family's renames alone: a raw model name ("GT9111") as identification shows it.
    static std::string RenameModel(const std::string& name);
};
