#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/ProgramFiles.h"
#include "sim/SimChip.h"

namespace sim {

class SimConfigRegisters;
struct SimGtFlashFaults;

// What a simulation description says of its chip: [Chip] ProductId and Version, and the
// description file itself, whose [Faults] section holds the chip's faults ("": no faults).
struct SimChipDescription {
    std::string file;
    std::string productId;
    uint32_t version = 0;
};

// A simulated chip as its family builds it from a description, not yet attached, with the
// registers that keep its configuration (nullptr for a family that keeps none).
struct SimChipBuilt {
    std::shared_ptr<SimChip> chip;
    SimConfigRegisters* configRegisters = nullptr;
};

// How the simulated bench writes a family's touch firmware images: the rules of the arguments
// (a version of `versionBytes` bytes, a product id of up to `productIdLength` digits) and the
// image of a product id, a version (its low `versionBytes` bytes, first byte first) and a seed
// that makes the contents pseudo-random. `make` is nullptr for a family without images.
struct SimImageMaker {
    size_t versionBytes = 0;
    size_t productIdLength = 0;
    std::vector<uint8_t> (*make)(const std::string& productId, uint32_t version,
                                 uint32_t seed) = nullptr;
};

// One simulated family: the name a description's [Chip] Family gives it (any case), how its
// chip is built, the identity of a chip that shows the family (product id and version) and
// how its images are made. Each family's folder defines its row; sim/SimFamily.cpp lists them.
struct SimFamily {
    const char* name;
    SimChipBuilt (*build)(const SimChipDescription& description);
    const char* sampleProductId;
    uint32_t sampleVersion;
    SimImageMaker image;
};

std::span<const SimFamily* const> SimFamilies();
// nullptr for a name no family has.
const SimFamily* SimFamilyNamed(const std::string& name);

// How descriptions are read: by their absolute path, their 8-bit text in the default code page.
const platform::ProgramFiles& DescriptionFiles();

// A [Faults] value of a description: a flag (anything but 0 sets it), or a number.
bool FaultFlag(const std::string& file, const char* key);
int FaultNumber(const std::string& file, const char* key, int fallback);
// The faults of the GT73xx and GT9Pxx downloads.
void ReadDownloadFaults(const std::string& file, SimGtFlashFaults& faults);

// The low N bytes of a version value, most significant first.
template <size_t N>
std::array<uint8_t, N> VersionBytes(uint32_t value) {
    std::array<uint8_t, N> bytes{};
    for (size_t i = 0; i < N; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * (N - 1 - i)));
    return bytes;
}

}  // namespace sim
