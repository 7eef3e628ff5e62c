#include "sim/SimRig.h"

#include "platform/Format.h"

namespace sim {

SimRig::SimRig(const SimRigOptions& options)
    : files_(options.files),
      programClock_(options.virtualTime ? static_cast<platform::Clock*>(&clock) : &steadyClock_),
      bus(*programClock_),
      bridge(std::make_shared<SimBridge>(options.vendorId, options.bridgeModel,
                                         options.bridgeVersion,
                                         std::vector<SimBridge::Interface>{{1}})) {
    bus.Plug(bridge);
    device_ = std::make_unique<CHidDevice>(
        bus, ProgramClock(), std::vector<std::string>{platform::Format("%04X", options.vendorId)});
    if (options.chipRegistry) {
        registry =
            std::make_unique<CChipRegistry>(*device_, ProgramClock(), messages, settings, files_);
    }
    if (options.openNow) device_->Open();
}

SimRig::~SimRig() {
    registry.reset();
    device_.reset();
}

bool SimRig::Start(const std::shared_ptr<SimChip>& simChip) {
    chip = simChip;
    chip->Attach(*bridge);
    const bool opened = device_->IsOpen() || device_->Open();
    bridge->ClearRecords();
    return opened;
}

}  // namespace sim
