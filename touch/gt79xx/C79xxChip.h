#pragma once

#include <array>
#include <cstdint>

#include "touch/BaseChip.h"
#include "touch/gt79xx/C79xxConfig.h"

// GT79xx (family 4): 24-bit registers; identity block at 0x10014, information block at
// 0x10070, real-time command frames at RealTimeCmdAddr that the chip acknowledges with 0x80.
class C79xxChip : public CBaseChip {
  public:
    static constexpr uint32_t kInfoBlockAddr = 0x10070;
    static constexpr size_t kInfoBlockSize = 189;

    static constexpr ChipFamily kFamily = kFamilyGT79xx;

    explicit C79xxChip(const ChipContext& context);

    // Index 0 sends record 0 whatever it holds. Other indexes: false before the table is
    // filled; else the record, then the chip's acknowledgement: 0x80 at RealTimeCmdAddr + 1
    // (20 reads) and then at RealTimeCmdAddr (100 reads).
    bool SendCommand(int index) override;
    bool SendCommandAlt() override;
    bool IdentifyChip() override;
    // The family's renames of a model name (GT6875 is shown as GA6875).
    static std::string RenameModel(const std::string& name);
    // Channel counts, real-time command address and firmware version word from the
    // information block, then the resolution from the chip's configuration ("XmaxAddr" and
    // "YmaxAddr"; 0 or 0xFFFF give 16384 by 9600). False when the block or the configuration
    // cannot be read.
    bool ReadChannelInfo() override;
    // The firmware version word that the channel read takes from the information block, as
    // "0x%04X" (0xFFFF when the block's checksum failed).
    std::optional<std::string> OwnConfigVersionText() override;

    // The family's settings reader, run by identification.
    void LoadGt79ChipIni();
    void InitCommandTable();
    // Sets the start address of the real-time command frames.
    void Prepare() override;

    std::array<uint8_t, kInfoBlockSize> InfoBlock{};
    C79xxConfig Config;
    uint32_t FwVersionWord = 0;

  protected:
    void OnChipNameChanged(NameSource source) override;
};
