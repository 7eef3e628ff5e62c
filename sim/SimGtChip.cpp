#include "sim/SimGtChip.h"

namespace sim {

SimGtChip::SimGtChip(IdentityLayout layout, const std::string& productId,
                     std::array<uint8_t, 3> version)
    : layout_(layout) {
    SetProductId(productId);
    SetVersion(version);
}

void SimGtChip::SetProductId(const std::string& productId) {
    SetText(layout_.idAddr, productId, 4);
}

void SimGtChip::SetVersion(std::array<uint8_t, 3> version) {
    Fill(layout_.idAddr + layout_.versionOffset, version.data(), version.size());
}

}  // namespace sim
