#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/gt9xxx/SimGt9xxxFlash.h"

namespace sim {

// Builds a GT9xxx firmware image in the file layout the updater reads: a 14-byte header with
// the product id (bytes 4-8) and version (bytes 12-13, high byte first), the SS51, DSP,
// bootloader, boot ISP and link sections, and the 4096-byte ISP stub at the end. Section
// contents are pseudo-random from the seed; SS51 section 1 starts with the identity the
// simulated chip reports once it runs the firmware.
std::vector<uint8_t> MakeGt9xxxImage(const std::string& productId, uint16_t version,
                                     uint32_t seed = 1);

inline constexpr uint32_t kGt9xxxImageLength = 0xD00E + 4096;

// Whether the flash holds every part a download writes for this image: the SS51 sections, the
// DSP and the bootloader, and the boot ISP and link sections when the image is long enough to
// carry them. What a successful download must leave behind.
bool FlashHoldsImage(const SimGt9xxxFlash::Flash& flash, const std::vector<uint8_t>& image);

}  // namespace sim
