#pragma once

#include <cstdint>
#include <string>

#include "sim/SimChip.h"

namespace sim {

// A GT9xxx controller: product id (four characters, zero-padded) at 0x8140 and the 16-bit
// firmware version, low byte first, at 0x8144.
class SimGt9xxx : public SimChip {
public:
    static constexpr uint32_t kIdAddr = 0x8140;

    explicit SimGt9xxx(const std::string& productId = "911", uint16_t version = 0x1060);
    void SetProductId(const std::string& productId);
    void SetVersion(uint16_t version);
};

}  // namespace sim
