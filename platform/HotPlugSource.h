#pragma once

#include <functional>
#include <string>

namespace platform {

// Announces the arrival and removal of devices by their device-interface names: HID
// interfaces under the same names that the HID backend enumerates, and USB devices (the
// bridge in its boot mode) under names that carry "VID_%04X&PID_%04X".
class HotPlugSource {
  public:
    using Listener = std::function<void(const std::string& name, bool arrived)>;

    virtual ~HotPlugSource() = default;
    // Starts delivering to the listener, on a thread of the source's own (or the thread that
    // plugs, for the simulated bus); the listener must not block on device requests. False
    // when the source cannot be started.
    virtual bool Start(Listener listener) = 0;
    // Stops delivering. A notification that was being delivered may still reach the
    // listener while this returns; none starts afterwards.
    virtual void Stop() = 0;
};

}  // namespace platform
