#pragma once

#include <memory>
#include <string>

#include "platform/SettingsStore.h"
#include "sim/SimBus.h"
#include "sim/SimChip.h"

namespace sim {

// A simulated bench read from a simulation description file: the bus with one bridge, the
// touch controller behind it, and the user and driver settings the program asks for.
//
//   [Bridge]   VendorId=27C6  ProductId=0102  Version=0100  Interface=1  LatencyMs=0
//   [Chip]     Family=GT9xxx  ProductId=9110  Version=1050
//   [Settings] Language=en  BootModeDriver=1
//
// Numbers in hexadecimal except Interface and LatencyMs. A missing [Chip] leaves the bridge
// without a controller (reads answer zeros).
struct SimWorld {
    SimBus bus;
    std::shared_ptr<SimBridge> bridge;
    std::shared_ptr<SimChip> chip;
    platform::MemorySettingsStore settings;
};

// nullptr with a reason when the file cannot be read or names an unknown family.
std::unique_ptr<SimWorld> LoadSimWorld(const std::string& path, std::string& error);

}  // namespace sim
