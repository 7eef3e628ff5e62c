#pragma once

#include "touch/BaseChip.h"

// FT5xxx (family 6): 8-bit registers. In factory mode register 0x00 reads 0x40; the
// identification text lies at 0xA6 and is read with bridge command 38.
class CFT5xxxChip : public CBaseChip {
  public:
    static constexpr ChipFamily kFamily = kFamilyFT5xxx;

    using CBaseChip::CBaseChip;

    // Index 0 sends record 0 and gives false whatever the bridge answered. Other indexes put
    // the chip into factory mode first (up to five attempts), then send their record.
    bool SendCommand(int index) override;
    bool SendCommandAlt() override;
    bool IdentifyChip() override;
    // Channel counts and resolution, read in factory mode. False, changing nothing, when the
    // chip does not report ready in factory mode within five attempts.
    bool ReadChannelInfo() override;

    // The family's settings reader, run by identification.
    void LoadFt5ChipIni();
    void InitCommandTable();

  protected:
    void OnChipNameChanged(NameSource source) override;
};
