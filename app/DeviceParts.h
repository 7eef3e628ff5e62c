#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/Services.h"
#include "platform/HidBackend.h"
#include "platform/IspLibrary.h"
#include "touch/ChipIniSettings.h"

class CHidDevice;
class CChipRegistry;
class CBridgeIsp;

namespace app {

// What the main dialog works on: the bridge device, the chip registry over it with the chip
// settings record, and the bridge programmer. The composition root builds them before the
// dialog and destroys them right after it; the dialog opens the device.
class DeviceParts {
  public:
    // Reads the device's VID table from the program's settings file, then creates the device
    // and the registry, which reads the chips' settings files: the program folder's files must
    // be in place. `ispLibrary` programs the bridge in its boot mode; `programmingAvailable`
    // is false when it only stands in for a library this platform does not have.
    DeviceParts(platform::HidBackend& backend, const Services& services,
                platform::IspLibrary& ispLibrary, bool programmingAvailable);
    // Closes the device; the registry goes after the close (requests still executing read the
    // current family) and before the device.
    ~DeviceParts();
    DeviceParts(const DeviceParts&) = delete;
    DeviceParts& operator=(const DeviceParts&) = delete;

    CHidDevice& Device() { return *device_; }
    CChipRegistry& Registry() { return *registry_; }
    CBridgeIsp& BridgeIsp() { return *isp_; }
    ChipIniSettings& Settings() { return settings_; }
    bool BridgeProgrammingAvailable() const { return programmingAvailable_; }

    // Puts the comma-separated items of a text at the front of a VID table, in the order
    // in which they stand: untrimmed, empty items between commas and after a last comma
    // included. The split ends at a comma that is the text's first character.
    static void SplitVidList(std::string text, std::vector<std::string>& table);

  private:
    const bool programmingAvailable_;
    ChipIniSettings settings_;
    std::unique_ptr<CBridgeIsp> isp_;
    std::unique_ptr<CHidDevice> device_;
    std::unique_ptr<CChipRegistry> registry_;
};

}  // namespace app
