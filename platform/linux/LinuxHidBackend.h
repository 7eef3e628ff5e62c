#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/HidBackend.h"

namespace platform {

// The HID backend of the real devices: hidraw nodes found with libudev, attributes read from
// sysfs (see HidrawSysfs.h), reports exchanged through the node opened non-blocking (see
// HidrawIo.h). Device-interface names are those of HidrawInterfaceName, e.g.
// "/dev/hidraw3#VID_27C6&PID_0102&MI_01".
//
// Reports follow the convention of the callers: byte 0 of every report is the report id (0 for
// a device without report ids) and the lengths count it. For a device without report ids the
// kernel delivers input reports without that byte; Read puts it in front.
class LinuxHidBackend final : public HidBackend {
  public:
    // Report waits are counted on the clock.
    explicit LinuxHidBackend(Clock& clock);
    ~LinuxHidBackend() override;
    LinuxHidBackend(const LinuxHidBackend&) = delete;
    LinuxHidBackend& operator=(const LinuxHidBackend&) = delete;

    // Every present hidraw node whose attributes can be read, ordered by node number.
    std::vector<HidInterfaceInfo> Enumerate() override;
    // Opens the node of the name and locks it for this handle alone (see OpenLockedNode);
    // kNoHandle when it cannot be opened, another handle holds it, or it is no longer the
    // interface the name describes (the node went away and its number was reused).
    HidHandle Open(const std::string& path) override;
    bool Query(HidHandle handle, HidInterfaceInfo& info) override;
    void Close(HidHandle handle) override;
    IoStatus Write(HidHandle handle, const uint8_t* report, size_t length,
                   uint32_t timeoutMs) override;
    IoStatus Read(HidHandle handle, uint8_t* buffer, size_t length, uint32_t timeoutMs,
                  size_t& delivered) override;
    // Nothing is ever outstanding between calls; does nothing.
    void Cancel(HidHandle handle) override;

  private:
    struct OpenNode;
    std::shared_ptr<OpenNode> Find(HidHandle handle) const;

    Clock& clock_;
    mutable std::mutex mutex_;
    // Handles are numbered afresh, so that a stale handle never reaches a descriptor that was
    // reused for another file. An I/O call holds its node, so Close from another thread never
    // pulls the descriptor from under it.
    std::map<HidHandle, std::shared_ptr<OpenNode>> open_;
    HidHandle nextHandle_ = 1;
};

}  // namespace platform
