#pragma once

#include "sim/SimGtChip.h"
#include "sim/gt73xx/SimGt73xxConfig.h"

namespace sim {

// A GT73xx controller: the ten-byte identity at 0x8240, product id (four characters) in bytes
// 0-3 and the version in bytes 5-7.
class SimGt73xx : public WithConfigRegisters<SimGt73xxConfig, SimGtChip> {
  public:
    static constexpr uint32_t kIdAddr = 0x8240;

    explicit SimGt73xx(const std::string& productId = "7387",
                       std::array<uint8_t, 3> version = {0x01, 0x02, 0x03})
        : WithConfigRegisters(IdentityLayout{kIdAddr, 5}, productId, version) {}
};

}  // namespace sim
