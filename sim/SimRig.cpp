#include "sim/SimRig.h"

#include <string>
#include <vector>

namespace sim {

SimRig::SimRig()
    : bridge(std::make_shared<SimBridge>(0x27C6, 0x0102, 0x0100,
                                         std::vector<SimBridge::Interface>{{1}})) {
    bus.Plug(bridge);
    device = std::make_unique<CHidDevice>(bus, clock, std::vector<std::string>{"27C6"});
    device->Open();
}

SimRig::~SimRig() { device.reset(); }

}  // namespace sim
