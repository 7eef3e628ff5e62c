#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

// A simulated bridge firmware image names the identity that the bridge answers to bridge
// command 3 once it runs the image: the marker below, then the identity text, then a zero
// byte, anywhere in the programmed bytes (e.g. "BRIDGE-ID:Halden_V2.10").
inline constexpr char kBridgeIdentityMarker[] = "BRIDGE-ID:";

// An image of `size` bytes (at least room for the marker and the identity) carrying the
// identity, the rest filled with a seeded pattern.
std::vector<uint8_t> MakeBridgeImage(const std::string& identity, size_t size, uint32_t seed = 1);

// The identity an image carries, or an empty text when it carries none.
std::string IdentityInImage(const uint8_t* image, size_t length);

// The image as Intel-HEX text: 16 data bytes per record, an extended linear address record at
// every 64 KB boundary, the end-of-file record; every line ends in CR LF.
std::string ToIntelHex(const std::vector<uint8_t>& bytes);

// The name of a raw image file: stem, "_", the four hexadecimal digits of the 16-bit two's
// complement of the byte sum, ".bin" (e.g. "S102_v2.10_EDCC.bin").
std::string RawImageName(const std::string& stem, const std::vector<uint8_t>& bytes);

}  // namespace sim
