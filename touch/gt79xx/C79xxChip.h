#pragma once

#include <array>
#include <cstdint>

#include "touch/BaseChip.h"

// GT79xx (family 4): 24-bit registers; identity block at 0x10014, information block at
// 0x10070, real-time command frames at RealTimeCmdAddr that the chip acknowledges with 0x80.
class C79xxChip : public CBaseChip {
  public:
    static constexpr uint32_t kInfoBlockAddr = 0x10070;
    static constexpr size_t kInfoBlockSize = 189;

    static constexpr ChipFamily kFamily = kFamilyGT79xx;

    using CBaseChip::CBaseChip;

    // Index 0 sends record 0 whatever it holds. Other indexes: false before the table is
    // filled; else the record, then the chip's acknowledgement: 0x80 at RealTimeCmdAddr + 1
    // (20 reads) and then at RealTimeCmdAddr (100 reads).
    bool SendCommand(int index) override;
    bool SendCommandAlt() override;
    bool IdentifyChip() override;
    // Channel counts, real-time command address and firmware version word from the
    // information block. The resolution comes from the chip's configuration, which this
    // object cannot read yet: the result is false after the block was taken.
    bool ReadChannelInfo() override;

    // The family's settings reader, run by identification.
    void LoadGt79ChipIni();
    void InitCommandTable();
    // Sets the start address of the real-time command frames.
    void Prepare() override;

    std::array<uint8_t, kInfoBlockSize> InfoBlock{};
    uint32_t FwVersionWord = 0;

  protected:
    void OnChipNameChanged(NameSource source) override;
};
