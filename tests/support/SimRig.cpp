#include "support/SimRig.h"

#include "bridge/ChipFamily.h"
#include "bridge/VidTable.h"

namespace testsupport {

SimRig::SimRig(uint16_t productId, uint16_t version)
    : scopedClock_(clock),
      bridge(std::make_shared<sim::SimBridge>(kVendorId, productId, version,
                                              std::vector<sim::SimBridge::Interface>{{1}})) {
    VidTable() = {"27C6"};
    bus.Plug(bridge);
    device = std::make_unique<CHidDevice>(bus);
    CHidDevice::SetInstance(device.get());
}

SimRig::~SimRig() {
    device.reset();
    SetCurrentChipFamily(kFamilyNone);
}

std::vector<uint32_t> SimRig::ReadAddresses() const {
    std::vector<uint32_t> addresses;
    for (const sim::BridgeRequest& request : bridge->Requests()) {
        if (request.command == 15 && request.type == 0 && !request.continuation) {
            addresses.push_back(request.address);
        }
    }
    return addresses;
}

}  // namespace testsupport
