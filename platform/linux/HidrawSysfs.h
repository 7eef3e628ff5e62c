#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/HidBackend.h"

namespace platform {

// Device-interface name of a hidraw node: the node, then "#VID_%04X&PID_%04X", then
// "&MI_%02X" for an interface of a USB device, e.g. "/dev/hidraw3#VID_27C6&PID_0102&MI_01".
// interfaceNumber is the USB bInterfaceNumber; a negative number (a HID device that is not on
// USB) leaves the tag out. The enumeration and the hot-plug source both build names here, so
// that a removal finds the entry that the enumeration opened.
std::string HidrawInterfaceName(const std::string& devnode, uint16_t vendorId, uint16_t productId,
                                int interfaceNumber);

// The node a device-interface name refers to: the text before the first '#' (the whole text
// when there is none).
std::string HidrawNodeOfName(const std::string& name);

// A sysfs attribute written as hexadecimal without prefix ("27c6\n", "01\n"): 1 to 4 digits,
// surrounding white space ignored. Nothing for anything else.
std::optional<uint16_t> ParseHexAttribute(std::string_view text);

// Bus, vendor and product from the "HID_ID=0003:000027C6:00000102" line of a HID device's
// uevent text.
struct HidId {
    uint16_t bus = 0;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
};
std::optional<HidId> ParseHidId(std::string_view uevent);

inline constexpr uint16_t kBusUsb = 0x0003;

// One hidraw node as sysfs describes it.
struct HidrawNode {
    HidInterfaceInfo info;
    // The device numbers its reports (reads then deliver the id in byte 0).
    bool numberedReports = false;
};

// Reads a hidraw node's attributes from its sysfs directory (syspath, e.g.
// "/sys/devices/.../0003:27C6:0102.0003/hidraw/hidraw3"): "device" leads to the HID device
// with "uevent" and "report_descriptor"; for a USB device, the HID device's parent is the USB
// interface ("bInterfaceNumber") and its parent the USB device ("idVendor", "idProduct",
// "bcdDevice"), whose sysfs name ("1-2", "3-1.4") is the port. Devices on other buses take
// vendor and product from the HID id, version 0, interface number -1 and no port. False when
// the attributes cannot be read or make no sense.
bool ReadHidrawNode(const std::filesystem::path& syspath, const std::string& devnode,
                    HidrawNode& node);

// Order of enumeration: by the number at the end of the node ("hidraw2" before "hidraw10").
bool HidrawNodeBefore(const std::string& a, const std::string& b);

}  // namespace platform
