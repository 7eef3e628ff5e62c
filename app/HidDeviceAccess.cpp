#include "app/HidDeviceAccess.h"

#include "bridge/DeviceRequest.h"
#include "bridge/HidDevice.h"

bool HidDeviceAccess::ReadRegs(uint32_t address, uint8_t* buffer, uint32_t length,
                               uint32_t timeoutMs) {
    return CHidDevice::ReadRegs(address, buffer, length, timeoutMs);
}

bool HidDeviceAccess::ReadBlock32(uint32_t address, uint8_t* buffer) {
    return CHidDevice::ReadBlock32(address, buffer);
}

bool HidDeviceAccess::WriteRegs(uint32_t address, const uint8_t* data, uint32_t length) {
    return CHidDevice::WriteRegs(address, data, length);
}

bool HidDeviceAccess::SendBridgeCommand(BridgeCommand command) {
    return Exchange({kRequestWrite, command, 0, 500, QueueEnd::Back}, nullptr, 0);
}

uint8_t HidDeviceAccess::ReadByte(uint32_t address) { return CHidDevice::ReadByte(address); }

bool HidDeviceAccess::WriteByte(uint32_t address, uint8_t value) {
    return CHidDevice::WriteByte(address, value);
}

bool HidDeviceAccess::PollByte(uint32_t address, uint8_t expected, int tries) {
    return CHidDevice::PollByte(address, expected, tries);
}

bool HidDeviceAccess::WriteWordBE(uint32_t address, uint16_t value) {
    return CHidDevice::WriteWordBE(address, value);
}

bool HidDeviceAccess::SendCommandRecord(const CommandRecord& record, BridgeCommand command) {
    return CHidDevice::SendCommandRecord(record, command);
}

bool HidDeviceAccess::ResetChip() { return CHidDevice::ResetChip(); }

bool HidDeviceAccess::SendBridgeCommand18() { return CHidDevice::SendBridgeCommand18(); }

bool HidDeviceAccess::ReadBridgeConfig(uint8_t* buffer, uint32_t length) {
    return CHidDevice::ReadBridgeConfig(buffer, length);
}

bool HidDeviceAccess::Exchange(const RequestForm& form, uint8_t* data, uint32_t length,
                               std::array<uint8_t, 6>* header) {
    CDeviceRequest request;
    request.targetHandle = platform::kNoHandle;
    request.Init(form.type, form.address, data, length, form.command, form.timeoutMs);
    const bool ok = CHidDevice::Submit(request, form.end == QueueEnd::Front, &device_);
    if (header) *header = request.header.bytes;
    return ok;
}
