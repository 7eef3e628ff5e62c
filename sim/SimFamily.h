#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "platform/ProgramFiles.h"
#include "sim/SimChip.h"

namespace sim {

class SimConfigRegisters;
struct SimGtFlashFaults;

// What a simulation description says of its chip: [Chip] ProductId and Version, and the
// description file itself, whose [Faults] section holds the chip's faults.
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

// One simulated family: the name a description's [Chip] Family gives it (any case) and how
// its chip is built. Each family's folder defines its row; sim/SimFamily.cpp lists them.
struct SimFamily {
    const char* name;
    SimChipBuilt (*build)(const SimChipDescription& description);
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
