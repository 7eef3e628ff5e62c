#pragma once

#include <memory>

#include "bridge/HidDevice.h"
#include "platform/Clock.h"
#include "sim/SimBus.h"

namespace sim {

// The program's device over one simulated bridge (vendor 27C6, model 0102, interface 1, GT9xxx
// header layout) on a virtual clock, for benchmarks and fuzz entries: the device is opened for
// the rig's life.
struct SimRig {
    SimRig();
    ~SimRig();
    SimRig(const SimRig&) = delete;
    SimRig& operator=(const SimRig&) = delete;

    platform::VirtualClock clock;
    SimBus bus{clock};
    std::shared_ptr<SimBridge> bridge;
    std::unique_ptr<CHidDevice> device;
};

}  // namespace sim
