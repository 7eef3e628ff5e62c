#include "sim/SimGt9pxx.h"

namespace sim {

SimGt9pxx::SimGt9pxx(const std::string& productId, std::array<uint8_t, 3> version) {
    SetProductId(productId);
    SetVersion(version);
}

void SimGt9pxx::SetProductId(const std::string& productId) { SetText(kIdAddr, productId, 4); }

void SimGt9pxx::SetVersion(std::array<uint8_t, 3> version) {
    Fill(kIdAddr + 4, version.data(), version.size());
}

}  // namespace sim
