#pragma once

#include "touch/BaseChip.h"

// GT73xx (family 3): identity at 0x8240, three-byte command frames at 0x8040.
class C73xxChip : public CBaseChip {
  public:
    static constexpr ChipFamily kFamily = kFamilyGT73xx;

    using CBaseChip::CBaseChip;

    // Index 0 sends record 0 whatever it holds; other indexes send their record once the
    // table is filled, and give false before.
    bool SendCommand(int index) override;
    bool SendCommandAlt() override;
    bool IdentifyChip() override;
    void LoadChipIni() override;

    void InitCommandTable();
    // Fills the command records.
    void Prepare() override;

    // The model name from the product id bytes at 0x8240, with the family's renames.
    static std::string ModelName(const uint8_t* productId);
    // The family's renames of a model name (GT7388 is shown as GT7387P).
    static std::string RenameModel(const std::string& name);

  protected:
    // Four bytes at "SenNumAddr": sensors are bytes 0 + 2, drivers bytes 1 + 3.
    void ReadChannelCounts() override;
};
