#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

// One section of a GT9Pxx image: its type, length and first address word.
struct Gt9pxxSection {
    uint8_t type;
    uint16_t length;
    uint16_t addressWord;
};

// The sections written by default: firmware at flash 0 (its first bytes the identity), a
// second part of 5000 bytes and a third of 2048.
inline const std::vector<Gt9pxxSection> kGt9pxxSections = {
    {0x01, 0x2000, 0x0000}, {0x02, 5000, 0x0200}, {0x03, 2048, 0x0400}};

// Builds a GT9Pxx firmware image in the file layout the updater reads: product id at 15-18,
// version at 21-23, the section count at 24 and the section table at 32 (row 0 is not
// written), the 2048-byte ISP stub at 128, the sections' data from 0x880. Contents are
// pseudo-random from the seed; the section at flash 0 starts with the identity the
// simulated chip shows once it runs the firmware (id characters 0-3, the version).
std::vector<uint8_t> MakeGt9pxxImage(const std::string& productId, std::array<uint8_t, 3> version,
                                     uint32_t seed = 1,
                                     const std::vector<Gt9pxxSection>& sections = kGt9pxxSections);

}  // namespace sim
