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

void SimFt5xxx::BootStep(const uint8_t* data, size_t length) {
    static const std::vector<std::vector<uint8_t>> kSequence = {
        {0x55}, {0xEB, 0xAA, 0x09}, {0xFC, 0xAA}, {0xFC, 0x55}, {0xEB, 0xAA, 0x09}, {0x55}};
    const std::vector<uint8_t> written(data, data + length);
    if (written == kSequence[bootStep_]) {
        ++bootStep_;
    } else {
        bootStep_ = written == kSequence[0] ? 1 : 0;
    }
    if (bootStep_ == 1) bridgeReady_ = false;
    if (bootStep_ == kSequence.size()) {
        bootMode_ = bridgeReady_ && acceptsBootMode_;
        bootStep_ = 0;
    }
}

void SimFt5xxx::Read(uint32_t address, uint8_t* out, size_t length) {
    RegisterMap::Read(address, out, length);
    for (size_t i = 0; bootMode_ && i < length; ++i) {
        if (address + i == kBootIdAddr) out[i] = 0x56;
        if (address + i == kBootIdAddr + 1) out[i] = 0xA2;
    }
    if (factoryMode_ && address <= kReadyRegister && kReadyRegister < address + length) {
        out[kReadyRegister - address] = ready_ ? 0 : 1;
    }
}

void SimFt5xxx::Write(uint32_t address, const uint8_t* data, size_t length) {
    if (address == kBootCommand) BootStep(data, length);
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
    // Commands 41 then 43 prepare the bridge for the boot-mode entry.
    for (int command : {41, 43}) {
        bridge.SetCommandHandler(command,
                                 [self, command](const BridgeRequest&, std::vector<Report>&) {
                                     if (command == 43 && self->lastBridgeCommand_ == 41)
                                         self->bridgeReady_ = true;
                                     self->lastBridgeCommand_ = command;
                                 });
    }
}

}  // namespace sim
