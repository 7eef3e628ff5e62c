#include "sim/SimRig.h"

#include <vector>

#include "bridge/ChipFamily.h"
#include "bridge/VidTable.h"

namespace sim {

SimRig::SimRig()
    : bridge(std::make_shared<SimBridge>(0x27C6, 0x0102, 0x0100,
                                         std::vector<SimBridge::Interface>{{1}})) {
    bus.Plug(bridge);
    VidTable() = {"27C6"};
    SetCurrentChipFamily(kFamilyGT9xxx);
    device = std::make_unique<CHidDevice>(bus);
    CHidDevice::SetInstance(device.get());
    device->Open();
}

SimRig::~SimRig() {
    CHidDevice::SetInstance(nullptr);
    device.reset();
}

}  // namespace sim
