#include "sim/SimBus.h"

#include <algorithm>
#include <cstring>

#include "platform/Clock.h"
#include "platform/Format.h"
#include "sim/Trace.h"

namespace sim {

std::string SimBus::PathOf(const SimBridge& bridge, const SimBridge::Interface& iface) {
    return platform::Format("sim#hid#VID_%04X&PID_%04X&MI_%02X#%u", bridge.VendorId(),
                            bridge.ProductId(), iface.number, bridge.Serial());
}

std::string SimBus::UsbPathOf(uint16_t vendorId, uint16_t productId, unsigned serial) {
    return platform::Format("sim#usb#VID_%04X&PID_%04X#%u", vendorId, productId, serial);
}

std::string SimBus::TraceName(const SimBridge& bridge) {
    const std::string name = bridge.GetTraceMark().name;
    return (name.empty() ? "" : name + " ") +
           platform::Format("%04X:%04X", bridge.VendorId(), bridge.ProductId());
}

void SimBus::PlugUsb(const std::string& name) {
    PlugListener listener;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        if (std::find(usbPlugged_.begin(), usbPlugged_.end(), name) != usbPlugged_.end()) return;
        usbPlugged_.push_back(name);
        listener = listener_;
    }
    trace_.Event("plug " + name);
    if (listener) listener(name, true);
}

void SimBus::UnplugUsb(const std::string& name) {
    PlugListener listener;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        auto it = std::find(usbPlugged_.begin(), usbPlugged_.end(), name);
        if (it == usbPlugged_.end()) return;
        usbPlugged_.erase(it);
        listener = listener_;
    }
    trace_.Event("unplug " + name);
    if (listener) listener(name, false);
}

void SimBus::Plug(std::shared_ptr<SimBridge> bridge) {
    PlugListener listener;
    std::vector<std::string> paths;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        if (std::find(plugged_.begin(), plugged_.end(), bridge) != plugged_.end()) return;
        plugged_.push_back(bridge);
        for (const auto& iface : bridge->Interfaces()) paths.push_back(PathOf(*bridge, iface));
        listener = listener_;
    }
    trace_.Event("plug " + TraceName(*bridge));
    if (listener) {
        for (const auto& path : paths) listener(path, true);
    }
}

void SimBus::Unplug(const std::shared_ptr<SimBridge>& bridge) {
    PlugListener listener;
    std::vector<std::string> paths;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        auto it = std::find(plugged_.begin(), plugged_.end(), bridge);
        if (it == plugged_.end()) return;
        plugged_.erase(it);
        for (auto& [handle, entry] : open_) {
            if (entry.bridge == bridge) entry.gone = true;
        }
        for (const auto& iface : bridge->Interfaces()) paths.push_back(PathOf(*bridge, iface));
        listener = listener_;
    }
    trace_.Event("unplug " + TraceName(*bridge));
    if (listener) {
        for (const auto& path : paths) listener(path, false);
    }
}

bool SimBus::IsPlugged(const std::shared_ptr<SimBridge>& bridge) const {
    std::lock_guard<std::mutex> guard(mutex_);
    return Present(bridge);
}

bool SimBus::Present(const std::shared_ptr<SimBridge>& bridge) const {
    return std::find(plugged_.begin(), plugged_.end(), bridge) != plugged_.end();
}

void SimBus::SetPlugListener(PlugListener listener) {
    std::lock_guard<std::mutex> guard(mutex_);
    listener_ = std::move(listener);
}

std::vector<platform::HidInterfaceInfo> SimBus::Enumerate() {
    std::lock_guard<std::mutex> guard(mutex_);
    std::vector<platform::HidInterfaceInfo> result;
    for (const auto& bridge : plugged_) {
        for (const auto& iface : bridge->Interfaces()) {
            platform::HidInterfaceInfo info;
            info.path = PathOf(*bridge, iface);
            info.vendorId = bridge->VendorId();
            info.productId = bridge->ProductId();
            info.versionNumber = bridge->Version();
            info.interfaceNumber = iface.number;
            info.inputReportLength = iface.inputReportLength;
            info.outputReportLength = iface.outputReportLength;
            info.port = bridge->Port();
            result.push_back(info);
        }
    }
    return result;
}

platform::HidHandle SimBus::Open(const std::string& path) {
    std::lock_guard<std::mutex> guard(mutex_);
    for (const auto& bridge : plugged_) {
        for (const auto& iface : bridge->Interfaces()) {
            if (PathOf(*bridge, iface) == path) {
                // One handle per interface, as the program's lock on a device node gives:
                // a handle of a bridge that has since left holds nothing.
                for (const auto& [open, entry] : open_) {
                    if (entry.bridge == bridge && entry.iface.number == iface.number && !entry.gone)
                        return platform::kNoHandle;
                }
                const platform::HidHandle handle = nextHandle_++;
                open_[handle] = Entry{bridge, iface, {}};
                return handle;
            }
        }
    }
    return platform::kNoHandle;
}

bool SimBus::Query(platform::HidHandle handle, platform::HidInterfaceInfo& info) {
    std::lock_guard<std::mutex> guard(mutex_);
    Entry* entry = FindLive(handle);
    if (!entry) return false;
    info.path = PathOf(*entry->bridge, entry->iface);
    info.vendorId = entry->bridge->VendorId();
    info.productId = entry->bridge->ProductId();
    info.versionNumber = entry->bridge->Version();
    info.interfaceNumber = entry->iface.number;
    info.inputReportLength = entry->iface.inputReportLength;
    info.outputReportLength = entry->iface.outputReportLength;
    info.port = entry->bridge->Port();
    return true;
}

void SimBus::Close(platform::HidHandle handle) {
    std::lock_guard<std::mutex> guard(mutex_);
    open_.erase(handle);
}

SimBus::Entry* SimBus::Find(platform::HidHandle handle) {
    auto it = open_.find(handle);
    return it == open_.end() ? nullptr : &it->second;
}

SimBus::Entry* SimBus::FindLive(platform::HidHandle handle) {
    Entry* entry = Find(handle);
    return entry && !entry->gone && Present(entry->bridge) ? entry : nullptr;
}

platform::IoStatus SimBus::Write(platform::HidHandle handle, const uint8_t* report, size_t length,
                                 uint32_t timeoutMs) {
    std::shared_ptr<SimBridge> bridge;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        Entry* entry = FindLive(handle);
        if (!entry) return platform::IoStatus::Failed;
        bridge = entry->bridge;
    }
    trace_.Report(bridge->GetTraceMark().reportPrefix, '>', report, std::min<size_t>(length, 64));
    bridge->SpendLinkTime(clock_);
    std::vector<Report> replies;
    if (!bridge->Receive(report, length, replies)) {
        clock_.SleepMs(timeoutMs);
        return platform::IoStatus::Timeout;
    }
    std::lock_guard<std::mutex> guard(mutex_);
    Entry* entry = Find(handle);
    if (!entry) return platform::IoStatus::Failed;
    for (const Report& r : replies) entry->input.push_back(r);
    return platform::IoStatus::Ok;
}

platform::IoStatus SimBus::Read(platform::HidHandle handle, uint8_t* buffer, size_t length,
                                uint32_t timeoutMs, size_t& delivered) {
    delivered = 0;
    Report report;
    uint32_t timeout = 0;
    std::shared_ptr<SimBridge> bridge;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        Entry* entry = FindLive(handle);
        if (!entry) return platform::IoStatus::Failed;
        if (entry->input.empty()) {
            timeout = timeoutMs;
        } else {
            report = entry->input.front();
            entry->input.pop_front();
            bridge = entry->bridge;
            delivered = std::min(length, report.size());
            std::memcpy(buffer, report.data(), delivered);
        }
    }
    if (!delivered) {
        timeoutWaitMs_ += timeout;
        if (timeout) clock_.SleepMs(timeout);
        return platform::IoStatus::Timeout;
    }
    ++delivered_;
    bridge->SpendLinkTime(clock_);
    trace_.Report(bridge->GetTraceMark().reportPrefix, '<', report.data(), report.size());
    return platform::IoStatus::Ok;
}

void SimBus::Cancel(platform::HidHandle) {}

size_t SimBus::OpenHandleCount() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return open_.size();
}

}  // namespace sim
