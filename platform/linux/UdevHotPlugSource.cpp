#include "platform/linux/UdevHotPlugSource.h"

#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <memory>

#include "platform/linux/HidrawSysfs.h"
#include "platform/linux/UdevPtr.h"

namespace platform {

namespace {

std::optional<uint16_t> HexField(std::string_view text) {
    if (text.empty() || text.size() > 4) return std::nullopt;
    return ParseHexAttribute(text);
}

// The interface name of a present hidraw node, or an empty text.
std::string HidrawName(udev_device* device) {
    const char* syspath = udev_device_get_syspath(device);
    const char* devnode = udev_device_get_devnode(device);
    if (!syspath || !devnode) return {};
    HidrawNode node;
    return ReadHidrawNode(syspath, devnode, node) ? node.info.path : std::string();
}

}  // namespace

std::optional<UsbProductId> ParseUsbProduct(std::string_view text) {
    const size_t first = text.find('/');
    if (first == std::string_view::npos) return std::nullopt;
    const size_t second = text.find('/', first + 1);
    if (second == std::string_view::npos) return std::nullopt;
    const auto vendor = HexField(text.substr(0, first));
    const auto product = HexField(text.substr(first + 1, second - first - 1));
    if (!vendor || !product) return std::nullopt;
    return UsbProductId{*vendor, *product};
}

struct UdevHotPlugSource::Monitor {
    UdevPtr<udev> context;
    UdevPtr<udev_monitor> monitor;
};

UdevHotPlugSource::~UdevHotPlugSource() { Stop(); }

bool UdevHotPlugSource::Start(Listener listener) {
    Stop();
    auto monitor = std::make_unique<Monitor>();
    monitor->context.reset(udev_new());
    if (!monitor->context) return false;
    monitor->monitor.reset(udev_monitor_new_from_netlink(monitor->context.get(), "udev"));
    if (!monitor->monitor ||
        udev_monitor_filter_add_match_subsystem_devtype(monitor->monitor.get(), "hidraw", nullptr) <
            0 ||
        udev_monitor_filter_add_match_subsystem_devtype(monitor->monitor.get(), "usb",
                                                        "usb_device") < 0 ||
        udev_monitor_enable_receiving(monitor->monitor.get()) < 0)
        return false;

    // The nodes present now: their names are needed when they go.
    std::map<std::string, std::string> names;
    UdevPtr<udev_enumerate> enumeration(udev_enumerate_new(monitor->context.get()));
    if (enumeration && udev_enumerate_add_match_subsystem(enumeration.get(), "hidraw") >= 0 &&
        udev_enumerate_scan_devices(enumeration.get()) >= 0) {
        udev_list_entry* entry = nullptr;
        udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumeration.get())) {
            const char* syspath = udev_list_entry_get_name(entry);
            if (!syspath) continue;
            UdevPtr<udev_device> device(
                udev_device_new_from_syspath(monitor->context.get(), syspath));
            if (!device) continue;
            const std::string name = HidrawName(device.get());
            if (!name.empty()) names[syspath] = name;
        }
    }

    const int wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake < 0) return false;
    std::lock_guard<std::mutex> guard(mutex_);
    listener_ = std::move(listener);
    hidrawNames_ = std::move(names);
    wakeFd_ = wake;
    thread_ = std::thread([this, owned = monitor.release()] {
        std::unique_ptr<Monitor> held(owned);
        Run(held.get());
    });
    return true;
}

void UdevHotPlugSource::Stop() {
    std::thread thread;
    int wake = -1;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        thread = std::move(thread_);
        wake = wakeFd_;
    }
    if (!thread.joinable()) return;
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(wake, &one, sizeof(one));
    thread.join();
    std::lock_guard<std::mutex> guard(mutex_);
    ::close(wakeFd_);
    wakeFd_ = -1;
    listener_ = nullptr;
}

void UdevHotPlugSource::Run(Monitor* monitor) {
    int wake = -1;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        wake = wakeFd_;
    }
    pollfd fds[2] = {{udev_monitor_get_fd(monitor->monitor.get()), POLLIN, 0}, {wake, POLLIN, 0}};
    for (;;) {
        if (::poll(fds, 2, -1) < 0) continue;
        if (fds[1].revents) return;
        if (!(fds[0].revents & POLLIN)) continue;
        UdevPtr<udev_device> device(udev_monitor_receive_device(monitor->monitor.get()));
        if (!device) continue;
        const char* action = udev_device_get_action(device.get());
        const char* subsystem = udev_device_get_subsystem(device.get());
        const char* syspath = udev_device_get_syspath(device.get());
        if (!action || !subsystem || !syspath) continue;
        const std::string what = action;
        if (what != "add" && what != "remove") continue;
        const bool arrived = what == "add";

        std::string name;
        if (std::string(subsystem) == "hidraw") {
            std::lock_guard<std::mutex> guard(mutex_);
            if (arrived) {
                name = HidrawName(device.get());
                if (!name.empty()) hidrawNames_[syspath] = name;
            } else if (auto it = hidrawNames_.find(syspath); it != hidrawNames_.end()) {
                name = it->second;
                hidrawNames_.erase(it);
            }
        } else {
            const char* product = udev_device_get_property_value(device.get(), "PRODUCT");
            const char* devnode = udev_device_get_devnode(device.get());
            const auto id = product ? ParseUsbProduct(product) : std::nullopt;
            if (id && devnode) name = HidrawInterfaceName(devnode, id->vendorId, id->productId, -1);
        }
        if (name.empty()) continue;
        Listener listener;
        {
            std::lock_guard<std::mutex> guard(mutex_);
            listener = listener_;
        }
        if (listener) listener(name, arrived);
    }
}

}  // namespace platform
