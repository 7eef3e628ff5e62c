#pragma once

#include "sim/SimConfigRegisters.h"

namespace sim {

// The configuration registers of a simulated GT9xxx. The block's last byte is the flag:
// when it is written as 1 the chip checks the block (the 8-bit sum of all bytes but the
// flag is 0) and, when it takes the block, clears the flag.
class SimGt9xxxConfig : public SimConfigRegisters {
  public:
    explicit SimGt9xxxConfig(Layout layout = {0x8047, 186}) : SimConfigRegisters(layout) {}
    void Written(RegisterMap& registers, uint32_t address, size_t length) override;
};

}  // namespace sim
