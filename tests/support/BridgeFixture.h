#pragma once

#include <memory>
#include <string>
#include <vector>

#include "bridge/HidDevice.h"
#include "platform/Clock.h"
#include "sim/SimBus.h"
#include "sim/SimRig.h"
#include "support/HidBackendMock.h"
#include "touch/ChipFamily.h"

namespace testsupport {

// An interface description as the backends list it.
platform::HidInterfaceInfo MakeInterface(const std::string& path, uint16_t vid = 0x27C6,
                                         uint16_t pid = 0x0102, uint16_t version = 0x0100,
                                         uint16_t reportLength = 64);

// A device over a given backend, with its vendor table, the header layout of a family and a
// virtual clock (its own, or one given that the backend runs on as well).
class DeviceScope {
  public:
    explicit DeviceScope(platform::HidBackend& backend, std::vector<std::string> vids = {"27C6"},
                         ChipFamily family = kFamilyGT9xxx);
    DeviceScope(platform::HidBackend& backend, platform::VirtualClock& clock,
                std::vector<std::string> vids = {"27C6"}, ChipFamily family = kFamilyGT9xxx);
    ~DeviceScope();
    CHidDevice& device() { return *device_; }
    platform::VirtualClock& clock() { return clock_; }

  private:
    platform::VirtualClock ownClock_;
    platform::VirtualClock& clock_;
    std::unique_ptr<CHidDevice> device_;
};

// The simulated-bridge rig without a chip registry, the bridge and the device on the header
// layout of a family, the device opened.
class SimBridgeScope {
  public:
    explicit SimBridgeScope(ChipFamily family = kFamilyGT9xxx, uint16_t vid = 0x27C6,
                            uint16_t pid = 0x0102, uint16_t version = 0x0100);
    sim::SimRig& rig() { return rig_; }
    sim::SimBus& bus() { return rig_.bus; }
    sim::SimBridge& bridge() { return *rig_.bridge; }
    std::shared_ptr<sim::SimBridge> bridgePtr() { return rig_.bridge; }
    CHidDevice& device() { return rig_.device(); }
    platform::VirtualClock& clock() { return rig_.clock; }
    bool opened() const { return opened_; }

  private:
    sim::SimRig rig_;
    bool opened_ = false;
};

// The request header layout of a family (the default layout for none).
HeaderLayout LayoutOf(ChipFamily family);

// Report bytes as "aa bb cc" for readable assertions.
std::string Hex(const std::vector<uint8_t>& bytes, size_t from = 0, size_t count = 7);

}  // namespace testsupport
