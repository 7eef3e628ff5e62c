#pragma once

#include <libudev.h>

#include <memory>

namespace platform {

// Owning pointers to libudev objects, released with their unref calls.
struct UdevDeleter {
    void operator()(udev* context) const { udev_unref(context); }
    void operator()(udev_enumerate* enumeration) const { udev_enumerate_unref(enumeration); }
    void operator()(udev_device* device) const { udev_device_unref(device); }
    void operator()(udev_monitor* monitor) const { udev_monitor_unref(monitor); }
};
template <typename T>
using UdevPtr = std::unique_ptr<T, UdevDeleter>;

}  // namespace platform
