#pragma once

#include "sim/SimConfigRegisters.h"

namespace sim {

// The configuration registers of a simulated GT9Pxx. The main block ends in a 16-bit
// checksum and a flag byte; an extended block, sent first when bit 0x40 of register 0x805A
// in the main block is set, ends in its own checksum. Each checksum (big-endian, an odd last
// data byte counted as a high byte) makes the block's word sum 0. Writing 0 to 0x8044 after
// a block whose flag is 1 makes the chip check it; when it takes the block it clears the
// flag.
class SimGt9pxxConfig : public SimConfigRegisters {
  public:
    static constexpr uint32_t kTake = 0x8044;

    explicit SimGt9pxxConfig(Layout layout = {0x8047, 186, 0xBF7B, 0})
        : SimConfigRegisters(layout) {}
    void Written(RegisterMap& registers, uint32_t address, size_t length) override;
};

}  // namespace sim
