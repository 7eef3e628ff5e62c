#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Event.h"
#include "platform/HotPlugSource.h"

class CHidDevice;
namespace app {
class UiLoop;
}

// Device-change events the handler takes, and the header type of a device-interface name.
inline constexpr uint32_t kDeviceArrival = 0x8000;
inline constexpr uint32_t kDeviceRemoveComplete = 0x8004;
inline constexpr int kDeviceInterfaceHeader = 5;

// One notification: the header's type and the device-interface name it carries, which begins
// with a four-character prefix that marks a device path.
struct DeviceChangeHeader {
    int deviceType = kDeviceInterfaceHeader;
    std::string name;
};

// The dialog's device-change handler, without a window: a bridge that arrives is opened and,
// when no upgrade runs, reported; a bridge that goes has its path closed; the bridge arriving
// in its boot mode wakes the upgrade run. A run keeps the bridge it started with: while one is
// active, an arrival opens a bridge only when none is open (the run's bridge is away in its
// boot mode or was removed), so that another bridge plugged in never takes the run over. A run
// that started with a bridge keeps to that bridge's port: a bridge that arrives at another
// port during the run is logged as a warning and neither opened nor taken for the return of
// the run's bridge. Every other arrival of a bridge path sets the HID-arrived event. Outside a
// run the port does not count. Notifications come from a hot-plug source and are handled on
// the UI loop.
//
// A bridge path holds one of the vendor ids of the VID table and the interface tag: "MI_01",
// except on the removal of a path that holds "222A" or "27C6" while the open bridge's USB
// version number lies in 0x921-0x94F, where the tag is "MI_00". Any other path that holds
// "4348" is the bridge in its boot mode.
class CDeviceNotifications {
  public:
    struct Actions {
        std::function<bool()> openBridge;                        // Open of the bridge device
        std::function<bool()> bridgeOpen;                        // the device holds a bridge
        std::function<void(const std::string& name)> closePath;  // the close-path request
        std::function<uint16_t()> bridgeVersionNumber;           // of the open bridge
        std::function<bool()> busy;                              // an upgrade run is active
        std::function<void()> reportCurrentVersion;
        std::function<void()> listAvailableFiles;
        // The port a run keeps to (empty: none), and the port of a present interface by its
        // device-interface name (empty: not present).
        std::function<std::string()> runPort;
        std::function<std::string(const std::string& name)> portOf;
        std::function<void(const std::string& text)> logWarning;
    };

    // The bridge device's part of the actions: open, whether it is open, the close-path request
    // (type 3, the full name, 500 ms, at the back of the queue, waited for), the open bridge's
    // version, the port the device keeps to and the port of an interface.
    static void SetBridgeActions(Actions& actions, CHidDevice& device);

    CDeviceNotifications(Actions actions, const std::vector<std::string>& vidTable,
                         platform::ManualResetEvent& hidArrived,
                         platform::ManualResetEvent& ispArrived);
    ~CDeviceNotifications();
    CDeviceNotifications(const CDeviceNotifications&) = delete;
    CDeviceNotifications& operator=(const CDeviceNotifications&) = delete;

    // Handles one notification; returns 0. Events other than arrival and removal, and headers
    // of other types, are ignored.
    int OnDeviceChange(uint32_t event, const DeviceChangeHeader* header);

    // Delivers the source's arrivals and removals to OnDeviceChange on the loop, until
    // Unregister or destruction. False when the source cannot start.
    bool Register(platform::HotPlugSource& source, app::UiLoop& loop);
    // Stops the source; a notification already queued on the loop is dropped. Not on the loop
    // while a notification is being handled elsewhere.
    void Unregister();

  private:
    struct Gate;

    Actions actions_;
    const std::vector<std::string>& vidTable_;
    platform::ManualResetEvent& hidArrived_;
    platform::ManualResetEvent& ispArrived_;
    platform::HotPlugSource* source_ = nullptr;
    std::shared_ptr<Gate> gate_;
};
