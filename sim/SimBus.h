#pragma once

#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/HidBackend.h"
#include "sim/SimBridge.h"
#include "sim/Trace.h"

namespace sim {

// The simulated USB bus: bridges that tests plug and unplug, offered to the program as a
// HID backend. Every exchange completes at once unless a bridge has a latency.
class SimBus : public platform::HidBackend {
  public:
    // Arrival or removal of a device-interface name.
    using PlugListener = std::function<void(const std::string& path, bool arrived)>;

    // Waits for reports that do not come and the bridges' link time are spent on the clock.
    explicit SimBus(platform::Clock& clock) : clock_(clock) {}

    void Plug(std::shared_ptr<SimBridge> bridge);
    void Unplug(const std::shared_ptr<SimBridge>& bridge);
    bool IsPlugged(const std::shared_ptr<SimBridge>& bridge) const;
    void SetPlugListener(PlugListener listener);

    // A USB device that is not a HID interface (the bridge in its boot mode): the bus only
    // announces its name to the plug listener. Plugging a present name again does nothing.
    void PlugUsb(const std::string& name);
    void UnplugUsb(const std::string& name);
    // The name of such a device.
    static std::string UsbPathOf(uint16_t vendorId, uint16_t productId, unsigned serial);

    // The device-interface name of a bridge's interface.
    static std::string PathOf(const SimBridge& bridge, const SimBridge::Interface& iface);

    std::vector<platform::HidInterfaceInfo> Enumerate() override;
    // kNoHandle while another handle of the interface is open, as for a locked device node.
    platform::HidHandle Open(const std::string& path) override;
    bool Query(platform::HidHandle handle, platform::HidInterfaceInfo& info) override;
    void Close(platform::HidHandle handle) override;
    platform::IoStatus Write(platform::HidHandle handle, const uint8_t* report, size_t length,
                             uint32_t timeoutMs) override;
    platform::IoStatus Read(platform::HidHandle handle, uint8_t* buffer, size_t length,
                            uint32_t timeoutMs, size_t& delivered) override;
    void Cancel(platform::HidHandle handle) override;

    size_t OpenHandleCount() const;
    // Input reports handed to the program, and the time spent waiting for input that did
    // not come (time-outs, including the short waits that discard stale input).
    uint64_t ReportsDelivered() const { return delivered_.load(); }
    uint64_t TimeoutWaitMs() const { return timeoutWaitMs_.load(); }
    // The report trace of this bus.
    Trace& trace() { return trace_; }

  private:
    // A bridge as its plug and unplug lines name it: "27C6:0102", "second bridge 27C6:0102".
    static std::string TraceName(const SimBridge& bridge);

    platform::Clock& clock_;
    Trace trace_;
    struct Entry {
        std::shared_ptr<SimBridge> bridge;
        SimBridge::Interface iface;
        std::deque<Report> input;
        // The bridge was unplugged after this handle was opened: the handle stays dead even
        // when the bridge comes back, as a re-enumerated device's handles do.
        bool gone = false;
    };
    // The entry of an open handle whose bridge is still present, else nullptr.
    Entry* FindLive(platform::HidHandle handle);
    Entry* Find(platform::HidHandle handle);
    bool Present(const std::shared_ptr<SimBridge>& bridge) const;

    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<SimBridge>> plugged_;
    std::vector<std::string> usbPlugged_;
    std::map<platform::HidHandle, Entry> open_;
    platform::HidHandle nextHandle_ = 100;
    PlugListener listener_;
    std::atomic<uint64_t> delivered_{0};
    std::atomic<uint64_t> timeoutWaitMs_{0};
};

}  // namespace sim
