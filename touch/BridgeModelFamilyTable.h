#pragma once

#include <array>
#include <cstdint>

#include "bridge/ChipFamily.h"

// A bridge model code (the bridge's USB product id) and the chip family it selects. One code
// selects by the bridge's USB version number: `family` when none of the bits 0xA000 is set,
// `familyWithVersionBits` otherwise; for every other code the two are the same.
struct BridgeModelFamily {
    uint16_t modelCode;
    ChipFamily family;
    ChipFamily familyWithVersionBits;
};

inline constexpr uint16_t kBridgeVersionFamilyBits = 0xA000;

extern const std::array<BridgeModelFamily, 13> BridgeModelFamilyTable;

// The family a bridge selects; kFamilyNone for a code not in the table.
ChipFamily FamilyOfBridgeModel(uint16_t modelCode, uint16_t versionNumber);
