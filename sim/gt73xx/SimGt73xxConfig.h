#pragma once

#include "sim/SimConfigRegisters.h"

namespace sim {

// The configuration registers of a simulated GT73xx. The host talks to them through a
// three-byte frame: data at 0x8041 and check at 0x8042 (the two's complement of command +
// data), then the command at 0x8040, which reads 0xFF while the chip is idle. Command 0x80
// makes the chip ready for a block (0x8040 reads 0x82); command 0x83 after the block makes it
// check the three checksums (bytes 2, 212 and the last, each making the sum of its range 0)
// and go back to idle when it takes the block. Any other command (the command records, the
// restart) is carried out at once and the chip is idle again. A frame with a wrong check, or
// 0x83 without a block prepared, leaves the chip busy.
class SimGt73xxConfig : public SimConfigRegisters {
  public:
    static constexpr uint32_t kFrame = 0x8040;

    explicit SimGt73xxConfig(Layout layout = {0x8050, 250}) : SimConfigRegisters(layout) {}
    void Prepare(RegisterMap& registers) override;
    void Written(RegisterMap& registers, uint32_t address, size_t length) override;

  private:
    bool ChecksumsHold(const RegisterMap& registers) const;
    bool ready_ = false;
};

}  // namespace sim
