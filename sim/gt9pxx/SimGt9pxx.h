#pragma once

#include "sim/SimGtChip.h"
#include "sim/gt9pxx/SimGt9pxxConfig.h"

namespace sim {

// A GT9Pxx controller: product id (four characters) at 0x8140 and three version bytes at
// 0x8144.
class SimGt9pxx : public WithConfigRegisters<SimGt9pxxConfig, SimGtChip> {
  public:
    static constexpr uint32_t kIdAddr = 0x8140;

    explicit SimGt9pxx(const std::string& productId = "9286",
                       std::array<uint8_t, 3> version = {0x01, 0x02, 0x03})
        : WithConfigRegisters(IdentityLayout{kIdAddr, 4}, productId, version) {}
};

}  // namespace sim
