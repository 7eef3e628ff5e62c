#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "platform/HotPlugSource.h"

namespace platform {

// Vendor and product id from the "PRODUCT=4348/55e0/100" value of a USB device's uevent
// (hexadecimal without leading zeros). Nothing for anything else.
struct UsbProductId {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
};
std::optional<UsbProductId> ParseUsbProduct(std::string_view text);

// Hot-plug source of the real devices: a udev monitor on the "hidraw" and "usb" subsystems,
// read on a thread of its own. Names are built as the HID backend builds them
// (HidrawInterfaceName): a hidraw node's interface name, and for a USB device its node with
// "#VID_%04X&PID_%04X". A removed hidraw node's attributes are gone with it, so the names of
// present nodes are remembered from their arrival (or from the listing at start).
class UdevHotPlugSource final : public HotPlugSource {
  public:
    UdevHotPlugSource() = default;
    ~UdevHotPlugSource() override;
    UdevHotPlugSource(const UdevHotPlugSource&) = delete;
    UdevHotPlugSource& operator=(const UdevHotPlugSource&) = delete;

    bool Start(Listener listener) override;
    void Stop() override;

  private:
    struct Monitor;
    void Run(Monitor* monitor);

    std::mutex mutex_;
    Listener listener_;
    std::thread thread_;
    int wakeFd_ = -1;
    std::map<std::string, std::string> hidrawNames_;  // syspath -> interface name
};

}  // namespace platform
