#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/SettingsStore.h"
#include "sim/SimBus.h"
#include "sim/gt9xxx/SimGt9xxxFlash.h"
#include "support/TempFolder.h"

namespace testsupport {

// A program folder whose settings accept the bridge 27C6 and the chip GT911, and a simulated
// bridge with a GT911 on firmware 1050 behind it, plugged in, on the given clock; settings in
// memory for the program's services.
struct SimGt911Program {
    explicit SimGt911Program(platform::Clock& clock);
    SimGt911Program(const SimGt911Program&) = delete;
    SimGt911Program& operator=(const SimGt911Program&) = delete;

    TempFolder folder;
    sim::SimBus bus;
    std::shared_ptr<sim::SimBridge> bridge;
    std::shared_ptr<sim::SimGt9xxxFlash> chip;
    platform::MemorySettingsStore settings;
};

// A GT911 firmware image of the given version, as file contents.
std::string Gt911Image(uint16_t version);

}  // namespace testsupport
