#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

// Builds a GT73xx firmware image in the file layout the updater reads: the length field
// and sum over the bytes from offset 6 to the end, the product id at 19-22 and the version at
// 24-26, the ISP stub at 0x100, then the bootloader, Gm11 and G1 regions up to 0x2E900.
// Contents are pseudo-random from the seed; the Gm11 code starts with the identity the
// simulated chip shows once it runs the firmware (id characters 0-3, a zero, the version).
std::vector<uint8_t> MakeGt73xxImage(const std::string& productId, std::array<uint8_t, 3> version,
                                     uint32_t seed = 1);

// Sets the length field and sum of an image to cover all of it from offset 6.
void SealGt73xxImage(std::vector<uint8_t>& image);

inline constexpr uint32_t kGt73xxImageLength = 0x2E900;

}  // namespace sim
