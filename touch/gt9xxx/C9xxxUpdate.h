#pragma once

#include <cstdint>

#include "touch/FwUpdate.h"

// Writes a GT9xxx firmware image into the chip: holds both cores, loads the ISP stub into
// SRAM, then stages each firmware part, has the chip move it into flash and reads it back.
class C9xxxUpdate : public CFwUpdate {
  public:
    using CFwUpdate::CFwUpdate;

    bool IsSameVersion() override;
    bool EnterUpdateMode() override;
    bool Update() override;

    // Image layout.
    static constexpr uint32_t kSs51Offset = 0x000E;
    static constexpr uint32_t kDspOffset = 0x800E;
    static constexpr uint32_t kBootloaderOffset = 0x900E;
    static constexpr uint32_t kBootIspOffset = 0x980E;
    static constexpr uint32_t kLink1Offset = 0xA00E;
    static constexpr uint32_t kLink2Offset = 0xC00E;
    static constexpr uint32_t kLinkEnd = 0xD00E;
    static constexpr uint32_t kIspStubSize = 4096;

  protected:
    bool ImageFitsLayout(uint32_t length) const override;

  private:
    bool BurnDspIsp();
    bool EraseBootloader();
    bool BurnSs51();
    bool BurnDsp();
    bool BurnLink();
    bool BurnBootloader();
    bool BurnBootIsp();
    bool FinishUpdate();
    bool BurnSramSection(const uint8_t* source, uint16_t window, uint8_t code);
    bool BurnWindowSection(const uint8_t* source, uint16_t length, uint8_t code);
    // The staging-window burns of the DSP, bootloader, boot ISP and erase: H S R B W V 1 C,
    // then the poll (0 tries: none) and the read-back when asked for.
    bool BurnStaged(const uint8_t* source, uint16_t length, uint8_t command, int pollTries,
                    bool readBack, bool releaseBeforeBank);
    bool VerifyBlock(const uint8_t* expected, uint16_t address, uint16_t length);
    // One register byte written.
    bool W(uint32_t address, uint8_t value) { return bridge_.WriteByte(address, value); }
};
