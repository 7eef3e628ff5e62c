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

  protected:
    void OnChipNameChanged(NameSource source) override;
};
