#include "platform/linux/LinuxHidBackend.h"

#include <libudev.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "platform/linux/HidrawIo.h"
#include "platform/linux/HidrawSysfs.h"
#include "platform/linux/UdevPtr.h"

namespace platform {

namespace {

bool ReadUdevNode(udev_device* device, HidrawNode& node) {
    if (!device) return false;
    const char* syspath = udev_device_get_syspath(device);
    const char* devnode = udev_device_get_devnode(device);
    if (!syspath || !devnode) return false;
    return ReadHidrawNode(syspath, devnode, node);
}

// The node behind an open descriptor, found through its device number.
bool DescribeDescriptor(int fd, HidrawNode& node) {
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISCHR(status.st_mode)) return false;
    UdevPtr<udev> context(udev_new());
    if (!context) return false;
    UdevPtr<udev_device> device(udev_device_new_from_devnum(context.get(), 'c', status.st_rdev));
    if (!device) return false;
    const char* subsystem = udev_device_get_subsystem(device.get());
    if (!subsystem || std::string(subsystem) != "hidraw") return false;
    return ReadUdevNode(device.get(), node);
}

}  // namespace

struct LinuxHidBackend::OpenNode {
    explicit OpenNode(int descriptor, bool numbered) : fd(descriptor), numberedReports(numbered) {}
    ~OpenNode() { ::close(fd); }
    OpenNode(const OpenNode&) = delete;
    OpenNode& operator=(const OpenNode&) = delete;

    const int fd;
    const bool numberedReports;
};

LinuxHidBackend::LinuxHidBackend(Clock& clock) : clock_(clock) {}
LinuxHidBackend::~LinuxHidBackend() = default;

std::vector<HidInterfaceInfo> LinuxHidBackend::Enumerate() {
    std::vector<std::pair<std::string, HidInterfaceInfo>> found;
    UdevPtr<udev> context(udev_new());
    if (!context) return {};
    UdevPtr<udev_enumerate> enumeration(udev_enumerate_new(context.get()));
    if (!enumeration || udev_enumerate_add_match_subsystem(enumeration.get(), "hidraw") < 0 ||
        udev_enumerate_scan_devices(enumeration.get()) < 0)
        return {};
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumeration.get())) {
        const char* syspath = udev_list_entry_get_name(entry);
        if (!syspath) continue;
        UdevPtr<udev_device> device(udev_device_new_from_syspath(context.get(), syspath));
        HidrawNode node;
        // A node that went away since the scan, or whose attributes make no sense, is left out.
        if (!ReadUdevNode(device.get(), node)) continue;
        found.emplace_back(udev_device_get_devnode(device.get()), std::move(node.info));
    }
    std::sort(found.begin(), found.end(),
              [](const auto& a, const auto& b) { return HidrawNodeBefore(a.first, b.first); });
    std::vector<HidInterfaceInfo> interfaces;
    interfaces.reserve(found.size());
    for (auto& item : found) interfaces.push_back(std::move(item.second));
    return interfaces;
}

HidHandle LinuxHidBackend::Open(const std::string& path) {
    const std::string devnode = HidrawNodeOfName(path);
    if (devnode.empty()) return kNoHandle;
    // A node another program (or another handle of this one) holds counts as absent.
    const int fd = OpenLockedNode(devnode.c_str());
    if (fd < 0) return kNoHandle;
    HidrawNode node;
    const bool described = DescribeDescriptor(fd, node);
    // A name with attributes must still describe the node: a node whose device went away may
    // since have been given to another device.
    const bool same =
        described && (devnode == path || ::strcasecmp(node.info.path.c_str(), path.c_str()) == 0);
    if (!same) {
        ::close(fd);
        return kNoHandle;
    }
    auto open = std::make_shared<OpenNode>(fd, node.numberedReports);
    std::lock_guard<std::mutex> guard(mutex_);
    const HidHandle handle = nextHandle_++;
    open_.emplace(handle, std::move(open));
    return handle;
}

bool LinuxHidBackend::Query(HidHandle handle, HidInterfaceInfo& info) {
    const std::shared_ptr<OpenNode> node = Find(handle);
    if (!node) return false;
    HidrawNode described;
    if (!DescribeDescriptor(node->fd, described)) return false;
    info = std::move(described.info);
    return true;
}

void LinuxHidBackend::Close(HidHandle handle) {
    std::shared_ptr<OpenNode> node;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        auto it = open_.find(handle);
        if (it == open_.end()) return;
        node = std::move(it->second);
        open_.erase(it);
    }
    // The descriptor closes when the last call that uses it returns.
}

IoStatus LinuxHidBackend::Write(HidHandle handle, const uint8_t* report, size_t length,
                                uint32_t timeoutMs) {
    const std::shared_ptr<OpenNode> node = Find(handle);
    if (!node) return IoStatus::Failed;
    return WriteHidReport(clock_, node->fd, report, length, timeoutMs);
}

IoStatus LinuxHidBackend::Read(HidHandle handle, uint8_t* buffer, size_t length, uint32_t timeoutMs,
                               size_t& delivered) {
    delivered = 0;
    const std::shared_ptr<OpenNode> node = Find(handle);
    if (!node) return IoStatus::Failed;
    return ReadHidReport(clock_, node->fd, buffer, length, timeoutMs, node->numberedReports,
                         delivered);
}

void LinuxHidBackend::Cancel(HidHandle) {}

std::shared_ptr<LinuxHidBackend::OpenNode> LinuxHidBackend::Find(HidHandle handle) const {
    std::lock_guard<std::mutex> guard(mutex_);
    auto it = open_.find(handle);
    return it == open_.end() ? nullptr : it->second;
}

}  // namespace platform
