#include "sim/SimChip.h"

namespace sim {

void SimChip::Attach(SimBridge& bridge) {
    std::shared_ptr<SimChip> self = shared_from_this();
    bridge.SetTarget(self);
    bridge.SetFamily(BridgeFamily());
    bridge.SetRequestHeader(BridgeRequestHeader());
    const SimBridge::CommandHandler writeRecord = [self](const BridgeRequest& request,
                                                         std::vector<Report>&) {
        if (request.type == 1)
            self->Write(request.address, request.payload.data(), request.payload.size());
    };
    bridge.SetCommandHandler(6, writeRecord);
    bridge.SetCommandHandler(7, writeRecord);
    InstallHandlers(bridge);
}

void SimChip::SetText(uint32_t address, const std::string& text, size_t width) {
    for (size_t i = 0; i < width; ++i) {
        Set(address + static_cast<uint32_t>(i),
            i < text.size() ? static_cast<uint8_t>(text[i]) : 0);
    }
}

}  // namespace sim
