#include "sim/SimGt9xxx.h"

namespace sim {

SimGt9xxx::SimGt9xxx(const std::string& productId, uint16_t version) {
    SetProductId(productId);
    SetVersion(version);
}

void SimGt9xxx::SetProductId(const std::string& productId) { SetText(kIdAddr, productId, 4); }

void SimGt9xxx::SetVersion(uint16_t version) {
    Set(kIdAddr + 4, static_cast<uint8_t>(version));
    Set(kIdAddr + 5, static_cast<uint8_t>(version >> 8));
}

}  // namespace sim
