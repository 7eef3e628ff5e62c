#include "bridge/HidDevice.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "bridge/CommandRecord.h"
#include "bridge/DeviceRequest.h"
#include "bridge/RequestQueue.h"
#include "platform/Format.h"
#include "platform/Path.h"

namespace {

constexpr uint32_t kReportWriteTimeoutMs = 200;
constexpr uint32_t kStatusWaitMs = 50;
constexpr int kStatusRounds = 80;
constexpr uint32_t kFlushWaitMs = 2;
// Stale input discarded before a read, at most: a device that never stops sending must not
// hold the read (and every requester behind it) forever.
constexpr int kFlushMaxReports = 256;
constexpr uint32_t kWorkerStopWaitMs = 10000;

void PutBE16(uint8_t* at, uint32_t value) {
    at[0] = static_cast<uint8_t>(value >> 8);
    at[1] = static_cast<uint8_t>(value);
}

}  // namespace

// The interface tag a bridge interface's path must carry, from its vendor id and version.
static const char* InterfaceTag(uint16_t vendorId, uint16_t version) {
    if (vendorId == 0x05AC) return "MI_03";
    if ((vendorId == 0x222A || vendorId == 0x27C6) && version >= 0x0921 && version <= 0x094F) {
        return "MI_00";
    }
    return "MI_01";
}

CHidDevice::CHidDevice(platform::HidBackend& backend, platform::Clock& clock,
                       std::vector<std::string> vidTable)
    : backend_(backend), clock_(clock), vidTable_(std::move(vidTable)) {
    stopEvent_ = std::make_unique<platform::ManualResetEvent>();
    worker_ = std::thread(RequestWorkerThread, this);
    buffer_.reset(new uint8_t[2 * kReportSize]());
    {
        std::lock_guard<std::mutex> guard(activeMutex_);
        active_ = 1;
    }
    activeCv_.notify_all();
}

CHidDevice::~CHidDevice() {
    Close();
    // A worker that did not end within Close's wait still uses this object: wait for it
    // rather than free what it holds. Its requests are bounded by their time-outs.
    if (worker_.joinable()) {
        worker_.join();
        ReleaseHandles();
    }
}

void CHidDevice::SetHeaderLayout(const HeaderLayout& layout) {
    packedCommand_ = layout.packedCommand;
    firstReportMarker_ = layout.firstReportMarker;
}

HeaderLayout CHidDevice::Layout() const {
    return {packedCommand_.load(), firstReportMarker_.load()};
}

size_t CHidDevice::InputLength() const {
    return std::min<size_t>(inputReportLength_ ? inputReportLength_ : kReportSize, kReportSize);
}

size_t CHidDevice::OutputLength() const {
    return std::min<size_t>(outputReportLength_ ? outputReportLength_ : kReportSize, kReportSize);
}

void CHidDevice::LoadHeader(const BridgeCommandHeader& header) {
    std::memcpy(buffer_.get() + kHeaderOffset, header.bytes.data(), header.bytes.size());
}

bool CHidDevice::WriteReports(const uint8_t* data, uint32_t length, platform::HidHandle target) {
    const platform::HidHandle handle = Resolve(target);
    if (handle == platform::kNoHandle) return false;
    uint8_t* slotA = buffer_.get();
    uint8_t* slotB = buffer_.get() + kReportSize;
    const HeaderLayout layout = Layout();

    slotA[0] = kReportId;
    std::memcpy(slotB, slotA, kPayloadOffset);
    bool result = true;
    uint32_t running = (static_cast<uint32_t>(slotA[3]) << 8) | slotA[4];

    uint32_t chunk = std::min<uint32_t>(length, kPayloadSize);
    if (chunk) std::memcpy(slotA + kPayloadOffset, data, chunk);
    if (slotA[1] != 0) {
        PutBE16(slotA + 5, chunk);
        running += chunk;
    }
    uint32_t offset = chunk;
    uint32_t remaining = length - chunk;
    if (remaining && layout.firstReportMarker) slotA[2] = layout.firstReportMarker;

    uint8_t* current = slotA;
    for (;;) {
        uint8_t* next = nullptr;
        if (remaining) {
            next = current == slotA ? slotB : slotA;
            chunk = std::min<uint32_t>(remaining, kPayloadSize);
            std::memcpy(next + kPayloadOffset, data + offset, chunk);
            PutBE16(next + 5, chunk);
            PutBE16(next + 3, running & 0xFFFF);
            if (!layout.packedCommand) next[2] = remaining > chunk ? kMarkerMiddle : kMarkerLast;
            running += chunk;
            offset += chunk;
            remaining -= chunk;
        }
        const platform::IoStatus status =
            backend_.Write(handle, current, kReportSize, kReportWriteTimeoutMs);
        if (status != platform::IoStatus::Ok) {
            backend_.Cancel(handle);
            // A report that did not go out fails the write; the rest is still sent.
            result = false;
        }
        if (!next) return result;
        current = next;
    }
}

bool CHidDevice::ReadStatus(uint32_t address, uint8_t& status, platform::HidHandle target) {
    const platform::HidHandle handle = Resolve(target);
    uint8_t* slotA = buffer_.get();
    uint8_t* slotB = buffer_.get() + kReportSize;
    slotA[0] = kReportId;
    // The status request is a one-byte register read at the given address.
    const BridgeCommandHeader header =
        BridgeCommandHeader::Build(kRequestRead, kCmdRegister, address, 1, Layout());
    std::memcpy(slotA + 1, header.bytes.data(), header.bytes.size());
    status = 0;
    if (handle == platform::kNoHandle) return true;
    const size_t length = InputLength();
    for (int round = 0; round < kStatusRounds; ++round) {
        if (backend_.Write(handle, slotA, length, kStatusWaitMs) != platform::IoStatus::Ok) {
            backend_.Cancel(handle);
            break;
        }
        size_t delivered = 0;
        if (backend_.Read(handle, slotB, length, kStatusWaitMs, delivered) !=
            platform::IoStatus::Ok) {
            backend_.Cancel(handle);
            break;
        }
        status = slotB[1];
        if (status != 0) break;
    }
    return true;
}

bool CHidDevice::Transfer(uint8_t* buffer, uint32_t length, uint32_t timeoutMs, StaleInput stale,
                          platform::HidHandle target) {
    const platform::HidHandle handle = Resolve(target);
    if (handle == platform::kNoHandle) return false;
    uint8_t* slots[2] = {buffer_.get(), buffer_.get() + kReportSize};
    const size_t inLength = InputLength();
    size_t delivered = 0;
    if (stale == StaleInput::Discard) {
        for (int discarded = 0;
             discarded < kFlushMaxReports && backend_.Read(handle, slots[1], inLength, kFlushWaitMs,
                                                           delivered) == platform::IoStatus::Ok;
             ++discarded) {
        }
        backend_.Cancel(handle);
    }
    slots[0][0] = kReportId;
    if (backend_.Write(handle, slots[0], OutputLength(), timeoutMs) != platform::IoStatus::Ok) {
        backend_.Cancel(handle);
        return false;
    }
    if (length == 0) return true;

    uint32_t wanted = length;
    uint32_t copied = 0;
    size_t perReport = 0;
    for (int slot = 0;; slot ^= 1) {
        delivered = 0;
        if (backend_.Read(handle, slots[slot], inLength, timeoutMs, delivered) !=
            platform::IoStatus::Ok) {
            backend_.Cancel(handle);
            return false;
        }
        if (delivered > 1) perReport = std::min(delivered, inLength) - 1;
        // A bridge that answers with empty reports would otherwise be read forever.
        if (perReport == 0) return false;
        const uint32_t n = static_cast<uint32_t>(std::min<size_t>(perReport, wanted));
        std::memcpy(buffer + copied, slots[slot] + 1, n);
        if (wanted <= perReport) return true;
        wanted -= static_cast<uint32_t>(perReport);
        copied += static_cast<uint32_t>(perReport);
    }
}

bool CHidDevice::ExecuteStatusRead(CDeviceRequest& request) {
    uint8_t status = 0;
    ReadStatus(request.statusAddress, status, request.targetHandle);
    if (status == 0x80 && request.header.bytes[2] == 0x82 && request.header.bytes[3] == 0x4E) {
        if (request.data && request.length) request.data[0] = 0x80;
        return true;
    }
    LoadHeader(request.header);
    return Transfer(request.data, request.length, request.timeoutMs, StaleInput::Keep,
                    request.targetHandle);
}

bool CHidDevice::Enumerate() {
    bool result = false;
    const std::string keptPort = KeptPort();
    const std::vector<platform::HidInterfaceInfo> interfaces = backend_.Enumerate();
    for (const platform::HidInterfaceInfo& info : interfaces) {
        // Another bridge than the one a run keeps to is not even opened for the test.
        if (!keptPort.empty() && info.port != keptPort) continue;
        const platform::HidHandle handle = backend_.Open(info.path);
        if (handle == platform::kNoHandle) continue;
        const std::string vid = platform::Format("%04X", info.vendorId);
        const bool listed = std::find(vidTable_.begin(), vidTable_.end(), vid) != vidTable_.end();
        const bool tagged = platform::AsciiUpper(info.path).find(InterfaceTag(
                                info.vendorId, info.versionNumber)) != std::string::npos;
        const bool alreadyOpen =
            std::any_of(openPaths_.begin(), openPaths_.end(),
                        [&](const OpenPath& p) { return p.path == info.path; });
        if (!listed || !tagged || alreadyOpen) {
            backend_.Close(handle);
            continue;
        }
        platform::HidInterfaceInfo caps;
        if (!backend_.Query(handle, caps)) {
            backend_.Close(handle);
            return false;
        }
        {
            std::lock_guard<std::mutex> guard(infoMutex_);
            attributes_ = {sizeof(UsbAttributes), caps.vendorId, caps.productId,
                           caps.versionNumber};
            port_ = caps.port;
            description_ =
                platform::Format("VID:0x%04x, PID:0x%04x, Rev:", caps.vendorId, caps.productId) +
                platform::Format("%4X", caps.versionNumber);
        }
        // The report buffer holds two 64-byte reports; a longer report would not fit.
        if (caps.inputReportLength < 2 || caps.inputReportLength > kReportSize ||
            caps.outputReportLength < kPayloadOffset || caps.outputReportLength > kReportSize) {
            backend_.Close(handle);
            continue;
        }
        inputReportLength_ = caps.inputReportLength;
        outputReportLength_ = caps.outputReportLength;
        result = true;
        open_ = true;
        openPaths_.push_back({handle, info.path});
        currentHandle_ = handle;
    }
    return result;
}

void CHidDevice::Describe(const std::string* path) {
    if (openPaths_.empty()) return;
    if (path) {
        for (const OpenPath& entry : openPaths_) {
            if (platform::EqualsIgnoringCase(entry.path, *path)) {
                currentHandle_ = entry.handle;
                break;
            }
        }
    } else {
        currentHandle_ = openPaths_.back().handle;
    }
    platform::HidInterfaceInfo info;
    if (currentHandle_ != platform::kNoHandle) backend_.Query(currentHandle_, info);
    std::lock_guard<std::mutex> guard(infoMutex_);
    attributes_ = {sizeof(UsbAttributes), info.vendorId, info.productId, info.versionNumber};
    port_ = info.port;
    description_ = platform::Format("VID:0x%04x, PID:0x%04x, Rev:", info.vendorId, info.productId) +
                   platform::Format("%4X", info.versionNumber);
}

void CHidDevice::CloseDevice(const std::string* path) {
    if (path) {
        auto it = std::find_if(openPaths_.begin(), openPaths_.end(), [&](const OpenPath& e) {
            return platform::EqualsIgnoringCase(e.path, *path);
        });
        if (it != openPaths_.end()) {
            if (it->handle == currentHandle_) currentHandle_ = platform::kNoHandle;
            backend_.Close(it->handle);
            openPaths_.erase(it);
        }
        if (currentHandle_ == platform::kNoHandle && !openPaths_.empty()) {
            Describe(nullptr);
            return;
        }
        if (currentHandle_ != platform::kNoHandle && !openPaths_.empty()) {
            // The current interface is still open: the device stays open.
            return;
        }
    } else if (currentHandle_ != platform::kNoHandle) {
        backend_.Close(currentHandle_);
        // The entry of the closed handle must not be closed a second time later.
        openPaths_.erase(
            std::remove_if(openPaths_.begin(), openPaths_.end(),
                           [&](const OpenPath& e) { return e.handle == currentHandle_; }),
            openPaths_.end());
        currentHandle_ = platform::kNoHandle;
    }
    std::lock_guard<std::mutex> guard(infoMutex_);
    description_.clear();
    port_.clear();
    open_ = false;
}

bool CHidDevice::Open() {
    CDeviceRequest request;
    request.Init(kRequestOpen, 0, nullptr, 0, kCmdRegister, 500, Layout());
    if (!Submit(request, QueueEnd::Back)) return false;
    if (openedHook_) openedHook_();
    return true;
}

void CHidDevice::Close() {
    if (stopEvent_) {
        stopRequested_ = true;
        stopEvent_->Set();
        queue_.Wake();
        if (worker_.joinable()) {
            if (!workerExited_.WaitFor(clock_, kWorkerStopWaitMs)) {
                // Still executing: the destructor waits for it; keep what it uses.
                return;
            }
            worker_.join();
        }
    }
    ReleaseHandles();
}

void CHidDevice::ReleaseHandles() {
    for (const OpenPath& entry : openPaths_) {
        if (entry.handle != currentHandle_) backend_.Close(entry.handle);
    }
    if (currentHandle_ != platform::kNoHandle) backend_.Close(currentHandle_);
    currentHandle_ = platform::kNoHandle;
    openPaths_.clear();
    open_ = false;
}

CHidDevice::UsbAttributes CHidDevice::Attributes() const {
    std::lock_guard<std::mutex> guard(infoMutex_);
    return attributes_;
}

std::string CHidDevice::Description() const {
    std::lock_guard<std::mutex> guard(infoMutex_);
    return description_;
}

std::string CHidDevice::Port() const {
    std::lock_guard<std::mutex> guard(infoMutex_);
    return port_;
}

void CHidDevice::KeepToPort(std::string port) {
    std::lock_guard<std::mutex> guard(infoMutex_);
    keptPort_ = std::move(port);
}

std::string CHidDevice::KeptPort() const {
    std::lock_guard<std::mutex> guard(infoMutex_);
    return keptPort_;
}

std::string CHidDevice::PortOf(const std::string& path) {
    for (const platform::HidInterfaceInfo& info : backend_.Enumerate()) {
        if (platform::EqualsIgnoringCase(info.path, path)) return info.port;
    }
    return {};
}

std::vector<CHidDevice::OpenPath> CHidDevice::OpenPaths() const { return openPaths_; }

// --- Request worker -------------------------------------------------------------------

void RequestWorkerThread(CHidDevice* device) { device->WorkerLoop(); }

void CHidDevice::WorkerLoop() {
    {
        std::unique_lock<std::mutex> lock(activeMutex_);
        activeCv_.wait(lock, [this] { return active_.load() == 1; });
    }
    CRequestQueue& queue = queue_;
    for (;;) {
        if (stopRequested_ && queue.EmptyAndIdle()) break;
        CDeviceRequest* request = queue.WaitAndPop([this] { return stopRequested_.load(); });
        if (!request) continue;
        queue.SetIdle(false);
        // Once executed, a request belongs to its requester again and may already be gone:
        // decide before executing whether it is the worker's to delete.
        const bool workersOwn = CDeviceRequest::IsFireAndForget(request->command);
        request->Execute(*this);
        if (workersOwn) delete request;
        queue.SetIdle(true);
    }
    workerExited_.Set();
}

// --- Synchronous register operations ------------------------------------------------------

bool CHidDevice::Submit(CDeviceRequest& request, QueueEnd end) {
    if (!queue_.PushUnless(&request, end, [this] { return stopRequested_.load(); })) return false;
    request.done.Wait();
    request.done.Reset();
    return request.result == 1;
}

bool CHidDevice::RunRequest(int type, uint32_t address, uint8_t* data, uint32_t length, int command,
                            uint32_t timeoutMs, QueueEnd end) {
    CDeviceRequest request;
    request.targetHandle = platform::kNoHandle;
    request.Init(type, address, data, length, command, timeoutMs, Layout());
    return Submit(request, end);
}

bool CHidDevice::ReadRegs(uint32_t address, uint8_t* buffer, uint32_t length, uint32_t timeoutMs) {
    return RunRequest(kRequestRead, address, buffer, length, kCmdRegister, timeoutMs,
                      QueueEnd::Back);
}

bool CHidDevice::ReadBlock32(uint32_t address, uint8_t* buffer) {
    return RunRequest(kRequestRead, address, buffer, 32, kCmdReadBlock32, 100, QueueEnd::Back);
}

bool CHidDevice::WriteRegs(uint32_t address, const uint8_t* data, uint32_t length) {
    return RunRequest(kRequestWrite, address, const_cast<uint8_t*>(data), length, kCmdRegister, 500,
                      QueueEnd::Back);
}

bool CHidDevice::SendBridgeCommand(BridgeCommand command) {
    return RunRequest(kRequestWrite, 0, nullptr, 0, command, 500, QueueEnd::Back);
}

uint8_t CHidDevice::ReadByte(uint32_t address) {
    CDeviceRequest request;
    request.Init(kRequestRead, address, nullptr, 1, kCmdRegister, 100, Layout());
    Submit(request, QueueEnd::Front);
    return request.header.bytes[0];
}

bool CHidDevice::WriteByte(uint32_t address, uint8_t value) {
    CDeviceRequest request;
    request.inlineData[0] = value;
    request.Init(kRequestWrite, address, request.inlineData, 1, kCmdRegister, 100, Layout());
    return Submit(request, QueueEnd::Front);
}

bool CHidDevice::PollByte(uint32_t address, uint8_t expected, int tries) {
    uint8_t value = 0;
    CDeviceRequest request;
    request.Init(kRequestRead, address, &value, 1, kCmdRegister, 100, Layout());
    int left = tries < 1 ? 1 : tries;
    for (;;) {
        --left;
        const bool ok = Submit(request, QueueEnd::Front);
        if (!ok) {
            if (left > 5) left = 5;
            if (left <= 0) return false;
            continue;
        }
        if (value == expected) return true;
        if (left <= 0) return false;
    }
}

bool CHidDevice::WriteWordBE(uint32_t address, uint16_t value) {
    CDeviceRequest request;
    request.inlineData[0] = static_cast<uint8_t>(value >> 8);
    request.inlineData[1] = static_cast<uint8_t>(value);
    request.Init(kRequestWrite, address, request.inlineData, 2, kCmdRegister, 100, Layout());
    return Submit(request, QueueEnd::Front);
}

bool CHidDevice::SendCommandRecord(const CommandRecord& record, BridgeCommand command) {
    CDeviceRequest request;
    const uint16_t length = std::min<uint16_t>(record.length, sizeof(record.data));
    std::memcpy(request.inlineData, record.data, length);
    request.Init(kRequestWrite, record.address, request.inlineData, length, command, 1000,
                 Layout());
    return Submit(request, QueueEnd::Front);
}

bool CHidDevice::ResetChip() {
    CDeviceRequest request;
    request.Init(kRequestWrite, 0x8040, nullptr, 0, kCmdResetChip, 1000, Layout());
    return Submit(request, QueueEnd::Front);
}

bool CHidDevice::SendBridgeCommand18() {
    return RunRequest(kRequestWrite, 0, nullptr, 0, kCmdDownloadEnd, 1000, QueueEnd::Back);
}

bool CHidDevice::ReadBridgeConfig(uint8_t* buffer, uint32_t length) {
    return RunRequest(kRequestRead, 0, buffer, length, kCmdReadBridgeConfig, 500, QueueEnd::Back);
}

bool CHidDevice::Exchange(const RequestForm& form, uint8_t* data, uint32_t length,
                          std::array<uint8_t, 6>* header) {
    CDeviceRequest request;
    request.targetHandle = platform::kNoHandle;
    request.Init(form.type, form.address, data, length, form.command, form.timeoutMs, Layout());
    const bool ok = Submit(request, form.end);
    if (header) *header = request.header.bytes;
    return ok;
}
