#include "sim/SimGt73xx.h"

namespace sim {

SimGt73xx::SimGt73xx(const std::string& productId, std::array<uint8_t, 3> version) {
    SetProductId(productId);
    SetVersion(version);
}

void SimGt73xx::SetProductId(const std::string& productId) { SetText(kIdAddr, productId, 4); }

void SimGt73xx::SetVersion(std::array<uint8_t, 3> version) {
    Fill(kIdAddr + 5, version.data(), version.size());
}

}  // namespace sim
