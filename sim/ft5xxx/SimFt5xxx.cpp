#include "sim/ft5xxx/SimFt5xxx.h"

#include <memory>
#include <vector>

namespace sim {

SimFt5xxx::SimFt5xxx(const std::string& identText) { SetIdentText(identText); }

void SimFt5xxx::SetIdentText(const std::string& text) { SetText(kIdentAddr, text, 32); }

void SimFt5xxx::SetFactoryMode(bool on) {
    factoryMode_ = on;
    Set(kModeRegister, on ? 0x40 : 0x00);
}

void SimFt5xxx::Read(uint32_t address, uint8_t* out, size_t length) {
    RegisterMap::Read(address, out, length);
    if (factoryMode_ && address <= kReadyRegister && kReadyRegister < address + length) {
        out[kReadyRegister - address] = ready_ ? 0 : 1;
    }
}

void SimFt5xxx::Write(uint32_t address, const uint8_t* data, size_t length) {
    if (address == kModeRegister && length >= 1) {
        if (data[0] == 0x40) {
            if (acceptsFactoryMode_) SetFactoryMode(true);
        } else if (data[0] == 0x00) {
            SetFactoryMode(false);
        }
        if (length > 1) RegisterMap::Write(address + 1, data + 1, length - 1);
        return;
    }
    RegisterMap::Write(address, data, length);
}

void SimFt5xxx::InstallHandlers(SimBridge& bridge) {
    std::shared_ptr<SimFt5xxx> self = std::static_pointer_cast<SimFt5xxx>(shared_from_this());
    bridge.SetCommandHandler(38,
                             [self](const BridgeRequest& request, std::vector<Report>& replies) {
                                 if (request.type != 0) return;
                                 std::vector<uint8_t> data(request.length);
                                 self->Read(request.address, data.data(), data.size());
                                 SimBridge::Answer(data.data(), data.size(), replies);
                             });
    bridge.SetCommandHandler(19,
                             [self](const BridgeRequest& request, std::vector<Report>& replies) {
                                 if (request.type != 0) return;
                                 const uint8_t answer = self->command19Answer_;
                                 SimBridge::Answer(&answer, 1, replies);
                             });
}

}  // namespace sim
