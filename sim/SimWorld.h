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
//   [Faults]   BurnNeverCompletes=0  HoldNeverTakes=0  GoneAfterReset=0  StopAnsweringFrom=0
//              NeverAcknowledge=0  RejectSubImage=-1 (GT79xx: a sub-image type the chip refuses)
//   [Time]     Virtual=0
//
// Numbers in hexadecimal except Interface, LatencyMs and the [Faults] and [Time] values.
// Virtual time runs the program's pauses and time-outs on a virtual clock, so that a whole
// run takes no real time; the time it would have taken is traced at the end. A missing [Chip]
// leaves the bridge without a controller (reads answer zeros).
struct SimWorld {
    SimBus bus;
    std::shared_ptr<SimBridge> bridge;
    std::shared_ptr<SimChip> chip;
    platform::MemorySettingsStore settings;
    bool virtualTime = false;
};

// nullptr with a reason when the file cannot be read or names an unknown family.
std::unique_ptr<SimWorld> LoadSimWorld(const std::string& path, std::string& error);

}  // namespace sim
