#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "bridge/HidDevice.h"
#include "platform/Clock.h"
#include "sim/SimBridge.h"
#include "sim/SimBus.h"

namespace testsupport {

// One simulated bridge (vendor 27C6, interface MI_01) on a simulated bus, and the
// program-wide CHidDevice over that bus, all on virtual time. The device is opened by Open().
class SimRig {
public:
    static constexpr uint16_t kVendorId = 0x27C6;

    explicit SimRig(uint16_t productId = 0x0102, uint16_t version = 0x0100);
    ~SimRig();
    SimRig(const SimRig&) = delete;
    SimRig& operator=(const SimRig&) = delete;

    bool Open() { return device->Open(); }
    // The requests the bridge took since the last ClearRecords, without the plain register
    // transfers (Commands) or with them (Requests).
    std::vector<sim::BridgeRequest> Commands() const { return bridge->Commands(); }
    std::vector<sim::BridgeRequest> Requests() const { return bridge->Requests(); }
    // The register reads (command 15, type 0) among the requests, as their addresses.
    std::vector<uint32_t> ReadAddresses() const;

    platform::VirtualClock clock;

private:
    platform::ScopedClock scopedClock_;

public:
    sim::SimBus bus;
    std::shared_ptr<sim::SimBridge> bridge;
    std::unique_ptr<CHidDevice> device;
};

}  // namespace testsupport
