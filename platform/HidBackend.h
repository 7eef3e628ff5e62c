#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

using HidHandle = intptr_t;
inline constexpr HidHandle kNoHandle = -1;

// One present HID interface as the platform sees it.
struct HidInterfaceInfo {
    // Device-interface name: carries the vendor and product ids in upper-case hexadecimal
    // and the interface tag ("MI_00", "MI_01", ...) built from the USB interface number.
    std::string path;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t versionNumber = 0;
    int interfaceNumber = 0;
    // Report lengths including the report id; 0 when the capabilities cannot be had.
    uint16_t inputReportLength = 0;
    uint16_t outputReportLength = 0;
    // Where the device sits on the bus: a device that leaves and comes back at the same port
    // is the same device (Linux: the USB device's sysfs name, e.g. "1-2"). Empty for a device
    // that is not on USB.
    std::string port;
};

enum class IoStatus {
    Ok,       // the report went out / arrived
    Timeout,  // nothing within the time-out
    Failed,   // the handle is gone or the I/O failed
};

// Enumeration and report I/O of HID interfaces. One implementation talks to the real
// devices, another to the simulated bus.
class HidBackend {
  public:
    virtual ~HidBackend() = default;

    // Every present HID interface, in a stable order.
    virtual std::vector<HidInterfaceInfo> Enumerate() = 0;
    // Opens the interface for report I/O; kNoHandle when it cannot be opened.
    virtual HidHandle Open(const std::string& path) = 0;
    // Attributes and report lengths of an open handle; false when they cannot be had.
    virtual bool Query(HidHandle handle, HidInterfaceInfo& info) = 0;
    virtual void Close(HidHandle handle) = 0;
    // Writes one report (report id in byte 0) within the time-out.
    virtual IoStatus Write(HidHandle handle, const uint8_t* report, size_t length,
                           uint32_t timeoutMs) = 0;
    // Reads one input report within the time-out; delivered is the number of bytes that
    // arrived, report id included.
    virtual IoStatus Read(HidHandle handle, uint8_t* buffer, size_t length, uint32_t timeoutMs,
                          size_t& delivered) = 0;
    // Abandons outstanding I/O on the handle.
    virtual void Cancel(HidHandle handle) = 0;
};

}  // namespace platform
