#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

// One sub-image of a GT79xx firmware image: type (1 ISP stub, 2 configuration, other
// firmware), load address in the chip, data.
struct Gt79xxSubImage {
    uint8_t type;
    uint32_t loadAddress;
    std::vector<uint8_t> data;
};

// Lays out a GT79xx firmware image: body length and word sum, model characters (offset 17),
// version (offset 25), sub-image count and tag 0x97, the table at 42 and the data from 512.
std::vector<uint8_t> BuildGt79xxImage(const std::string& model, std::array<uint8_t, 4> version,
                                      const std::vector<Gt79xxSubImage>& subImages);

// A representative image: an 8 KB ISP stub, firmware of 128 KB at 0x00000 and of 40000 bytes
// at 0x20000, and a configuration. Contents are pseudo-random from the seed; the firmware at
// flash address 0 starts with the identity the simulated chip shows once it runs it: the four
// model characters and the four version bytes.
std::vector<uint8_t> MakeGt79xxImage(const std::string& model, std::array<uint8_t, 4> version,
                                     uint32_t seed = 1);

// A GT79xx configuration image with valid sums: a 64-byte header whose bytes 59-60 hold the
// body length B, packs numbered from 1 filling the body, and the 32-bit word-sum tail.
std::vector<uint8_t> MakeGt79xxConfig(uint16_t bodyLength, uint32_t seed = 1);

}  // namespace sim
