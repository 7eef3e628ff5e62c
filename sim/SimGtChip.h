#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "sim/SimChip.h"

namespace sim {

// A controller whose identity is a four-character product id followed, at a fixed offset, by
// three version bytes. The families with this shape differ only in where it lies.
class SimGtChip : public SimChip {
  public:
    struct IdentityLayout {
        uint32_t idAddr;         // the product id's first character
        uint32_t versionOffset;  // from idAddr to the first version byte
    };

    SimGtChip(IdentityLayout layout, const std::string& productId, std::array<uint8_t, 3> version);
    void SetProductId(const std::string& productId);
    void SetVersion(std::array<uint8_t, 3> version);

  private:
    IdentityLayout layout_;
};

}  // namespace sim
