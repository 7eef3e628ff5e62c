#include "bridge/DeviceRequest.h"

#include <cstring>
#include <string>

#include "bridge/HidDevice.h"

void CDeviceRequest::Init(int requestType, uint32_t address, uint8_t* buffer, uint32_t byteCount,
                          int bridgeCommand, uint32_t timeout, const HeaderLayout& layout) {
    header = BridgeCommandHeader::Build(requestType, bridgeCommand, address,
                                        static_cast<uint16_t>(byteCount), layout);
    type = requestType;
    if (buffer) {
        data = buffer;
        length = byteCount;
    } else {
        data = header.bytes.data();
        // Nothing may land beyond the header when it serves as the buffer.
        length = byteCount < header.bytes.size() ? byteCount
                                                 : static_cast<uint32_t>(header.bytes.size());
    }
    command = bridgeCommand;
    timeoutMs = timeout;
    callback = &CDeviceRequest::FillFailedRead;
    done.Reset();
    result = 0;
}

bool CDeviceRequest::Act(CHidDevice& device) {
    switch (type) {
        case kRequestRead:
            device.LoadHeader(header);
            if (command == 13) return device.ExecuteStatusRead(*this);
            return device.Transfer(data, length, timeoutMs, CHidDevice::StaleInput::Discard,
                                   targetHandle);
        case kRequestWrite:
            device.LoadHeader(header);
            return device.WriteReports(data, length, targetHandle);
        case kRequestOpen: {
            const bool opened = device.Enumerate();
            // The open request carries no path: no stored path matches it, so the current
            // interface is described again.
            const std::string none;
            device.Describe(&none);
            return opened;
        }
        case kRequestClosePath: {
            const std::string path = PathText();
            device.CloseDevice(&path);
            return true;
        }
        case kRequestHeaderAsData:
            return device.WriteReports(header.bytes.data(), header.bytes.size(), targetHandle);
        case kRequestDescribe: {
            const std::string path = PathText();
            device.Describe(&path);
            targetHandle = device.CurrentHandle();
            return true;
        }
        default:
            return false;
    }
}

std::string CDeviceRequest::PathText() const {
    if (!data) return {};
    const char* text = reinterpret_cast<const char*>(data);
    return std::string(text, strnlen(text, length));
}

void CDeviceRequest::Execute(CHidDevice& device) {
    result = Act(device) ? 1 : 0;
    if (callback) callback(*this, device);
    done.Set();
}

void CDeviceRequest::FillFailedRead(CDeviceRequest& request, const CHidDevice& device) {
    if (!device.IsReachable() && request.type == kRequestRead && request.data) {
        std::memset(request.data, 0xEE, request.length);
    }
}

bool CDeviceRequest::IsFireAndForget(int command) {
    return command == 10 || command == 11 || command == 12 || command == 13 || command == 39;
}
