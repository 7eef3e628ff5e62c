#include "app/DeviceNotifications.h"

#include <mutex>

#include "app/UiLoop.h"
#include "bridge/DeviceRequest.h"
#include "bridge/HidDevice.h"

// Queued notifications go through the gate: once closed, a notification still on the loop
// finds it closed and does nothing, and closing waits for one that is being handled.
struct CDeviceNotifications::Gate {
    std::mutex mutex;
    bool open = true;
};

namespace {

constexpr size_t kPathPrefixLength = 4;

bool Contains(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

}  // namespace

void CDeviceNotifications::SetBridgeActions(Actions& actions, CHidDevice& device) {
    actions.openBridge = [&device] { return device.Open(); };
    actions.bridgeOpen = [&device] { return device.IsOpen(); };
    actions.closePath = [&device](const std::string& name) {
        CDeviceRequest request;
        request.targetHandle = platform::kNoHandle;
        std::string path = name;
        request.Init(kRequestClosePath, 0, reinterpret_cast<uint8_t*>(path.data()),
                     static_cast<uint32_t>(path.size() + 1), kCmdRegister, 500, device.Layout());
        device.Submit(request, QueueEnd::Back);
    };
    actions.bridgeVersionNumber = [&device] { return device.Attributes().versionNumber; };
    actions.runPort = [&device] { return device.KeptPort(); };
    actions.portOf = [&device](const std::string& name) { return device.PortOf(name); };
}

CDeviceNotifications::CDeviceNotifications(Actions actions,
                                           const std::vector<std::string>& vidTable,
                                           platform::ManualResetEvent& hidArrived,
                                           platform::ManualResetEvent& ispArrived)
    : actions_(std::move(actions)),
      vidTable_(vidTable),
      hidArrived_(hidArrived),
      ispArrived_(ispArrived),
      gate_(std::make_shared<Gate>()) {}

CDeviceNotifications::~CDeviceNotifications() { Unregister(); }

int CDeviceNotifications::OnDeviceChange(uint32_t event, const DeviceChangeHeader* header) {
    const bool arrival = event == kDeviceArrival;
    if ((!arrival && event != kDeviceRemoveComplete) || !header ||
        header->deviceType != kDeviceInterfaceHeader)
        return 0;
    const std::string path =
        header->name.size() > kPathPrefixLength ? header->name.substr(kPathPrefixLength) : "";

    const char* tag = "MI_01";
    if (!arrival && (Contains(path, "222A") || Contains(path, "27C6"))) {
        const uint16_t version = actions_.bridgeVersionNumber ? actions_.bridgeVersionNumber() : 0;
        if (version >= 0x921 && version <= 0x94F) tag = "MI_00";
    }
    bool listed = false;
    for (const std::string& vid : vidTable_) {
        if (Contains(path, vid.c_str())) {
            listed = true;
            break;
        }
    }

    if (listed && Contains(path, tag)) {
        if (arrival) {
            const std::string runPort = actions_.runPort ? actions_.runPort() : std::string();
            if (!runPort.empty() &&
                (actions_.portOf ? actions_.portOf(header->name) : std::string()) != runPort) {
                if (actions_.logWarning) {
                    actions_.logWarning(
                        "Another bridge arrived during the upgrade; it is not used");
                }
                return 0;
            }
            const bool busy = actions_.busy && actions_.busy();
            // Opening makes the last bridge found current: never while a run holds its own.
            const bool runHoldsBridge = busy && actions_.bridgeOpen && actions_.bridgeOpen();
            if (!runHoldsBridge && actions_.openBridge && actions_.openBridge() && !busy) {
                if (actions_.reportCurrentVersion) actions_.reportCurrentVersion();
                if (actions_.listAvailableFiles) actions_.listAvailableFiles();
            }
            hidArrived_.Set();
        } else if (actions_.closePath) {
            actions_.closePath(header->name);
        }
    } else if (arrival && Contains(path, "4348")) {
        ispArrived_.Set();
    }
    return 0;
}

bool CDeviceNotifications::Register(platform::HotPlugSource& source, app::UiLoop& loop) {
    Unregister();
    {
        std::lock_guard<std::mutex> guard(gate_->mutex);
        gate_->open = true;
    }
    std::weak_ptr<Gate> weakGate = gate_;
    const bool started =
        source.Start([this, &loop, weakGate](const std::string& name, bool arrived) {
            loop.Post([this, weakGate, name, arrived] {
                const std::shared_ptr<Gate> gate = weakGate.lock();
                if (!gate) return;
                std::lock_guard<std::mutex> guard(gate->mutex);
                if (!gate->open) return;
                const DeviceChangeHeader header{kDeviceInterfaceHeader, name};
                OnDeviceChange(arrived ? kDeviceArrival : kDeviceRemoveComplete, &header);
            });
        });
    if (started) source_ = &source;
    return started;
}

void CDeviceNotifications::Unregister() {
    if (source_) {
        source_->Stop();
        source_ = nullptr;
    }
    std::lock_guard<std::mutex> guard(gate_->mutex);
    gate_->open = false;
}
