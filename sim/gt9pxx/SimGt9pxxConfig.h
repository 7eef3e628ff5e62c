#pragma once

#include "sim/SimConfigRegisters.h"
#include "sim/SimGtChip.h"

namespace sim {

// A GT-shaped controller with the GT9Pxx configuration registers. The main block ends in a
// 16-bit checksum and a flag byte; an extended block, sent first when bit 0x40 of register
// 0x805A in the main block is set, ends in its own checksum. Each checksum (big-endian, an
// odd last data byte counted as a high byte) makes the block's word sum 0. Writing 0 to
// 0x8044 after a block whose flag is 1 makes the chip check it; when it takes the block it
// clears the flag.
class SimGt9pxxConfig : public SimGtChip {
  public:
    static constexpr uint32_t kTake = 0x8044;

    SimGt9pxxConfig(IdentityLayout identity, const std::string& productId,
                    std::array<uint8_t, 3> version)
        : SimGtChip(identity, productId, version) {}

    void Write(uint32_t address, const uint8_t* data, size_t length) override;
    SimConfigRegisters& config() { return config_; }

  private:
    class Registers : public SimConfigRegisters {
      public:
        Registers() : SimConfigRegisters({0x8047, 186, 0xBF7B, 0}) {}
        void Written(RegisterMap& registers, uint32_t address, size_t length) override;
    };
    Registers config_;
};

}  // namespace sim
