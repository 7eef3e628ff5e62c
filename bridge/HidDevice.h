#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bridge/BridgeCommandHeader.h"
#include "bridge/HidReport.h"
#include "bridge/SocketChannel.h"
#include "platform/Event.h"
#include "platform/HidBackend.h"

class CDeviceRequest;
struct CommandRecord;

// The one bridge device of the program: finds and opens the bridge among the HID
// interfaces, owns the request worker and the report buffer, and offers the synchronous
// register operations that are the only road to the touch controller.
class CHidDevice {
  public:
    struct UsbAttributes {
        uint16_t size = 0;
        uint16_t vendorId = 0;
        uint16_t productId = 0;  // the bridge model code
        uint16_t versionNumber = 0;
    };
    struct OpenPath {
        platform::HidHandle handle;
        std::string path;
    };

    explicit CHidDevice(platform::HidBackend& backend);
    ~CHidDevice();
    CHidDevice(const CHidDevice&) = delete;
    CHidDevice& operator=(const CHidDevice&) = delete;

    // The program-wide device; nullptr until the owner sets it.
    static CHidDevice* Instance();
    static void SetInstance(CHidDevice* device);

    // Called after a successful Open (the chip registry selects the family there).
    void SetOpenedHook(std::function<void()> hook) { openedHook_ = std::move(hook); }

    // --- Report level; worker thread only --------------------------------------------
    bool WriteReports(const uint8_t* data, uint32_t length, platform::HidHandle target);
    bool ReadStatus(uint32_t address, uint8_t& status, platform::HidHandle target);
    bool Transfer(uint8_t* buffer, uint32_t length, uint32_t timeoutMs, bool flush,
                  platform::HidHandle target);
    // Copies a request header into report bytes 1-6 of slot A.
    void LoadHeader(const BridgeCommandHeader& header);
    bool ExecuteStatusRead(CDeviceRequest& request);

    // --- Device steps; worker thread only (as requests) ---------------------------------
    bool Enumerate();
    // With a path: the entry of that path (ignoring case); without: see the source.
    void CloseDevice(const std::string* path);
    void Describe(const std::string* path);

    // --- Any thread ------------------------------------------------------------------
    bool Open();
    void Close();
    CSocketChannel& SocketChannel() { return socket_; }

    bool IsOpen() const { return open_.load(); }
    // Close has asked the worker to stop; no new request is taken.
    bool IsStopping() const { return stopRequested_.load(); }
    // The bridge can be reached: open, or the socket channel connected.
    bool IsReachable() const { return IsOpen() || socket_.IsConnected(); }
    platform::HidHandle CurrentHandle() const { return currentHandle_; }
    UsbAttributes Attributes() const;
    std::string Description() const;
    std::vector<OpenPath> OpenPaths() const;
    const uint8_t* ReportBuffer() const { return buffer_.get(); }
    platform::HidBackend& Backend() { return backend_; }

    // --- Synchronous register operations (through the program-wide device) -------------
    static bool ReadRegs(uint32_t address, uint8_t* buffer, uint32_t length, uint32_t timeoutMs);
    static bool ReadBlock32(uint32_t address, uint8_t* buffer);
    static bool WriteRegs(uint32_t address, const uint8_t* data, uint32_t length);
    static bool SendBridgeCommand(int command);
    static uint8_t ReadByte(uint32_t address);
    static bool WriteByte(uint32_t address, uint8_t value);
    static bool PollByte(uint32_t address, uint8_t expected, int tries);
    static bool WriteWordBE(uint32_t address, uint16_t value);
    static bool SendCommandRecord(const CommandRecord& record, int command);
    static bool ResetChip();
    static bool SendBridgeCommand18();
    static bool ReadBridgeConfig(uint8_t* buffer, uint32_t length);

    // Queues a request at the front or back and waits for it; true when it succeeded.
    static bool Submit(CDeviceRequest& request, bool front);
    static bool Submit(CDeviceRequest& request, bool front, CHidDevice* device);

  private:
    friend void RequestWorkerThread(CHidDevice* device);

    platform::HidHandle Resolve(platform::HidHandle target) const {
        return target == platform::kNoHandle ? currentHandle_ : target;
    }
    size_t InputLength() const;
    size_t OutputLength() const;
    void WorkerLoop();
    void ReleaseHandles();
    static bool RunRequest(int type, uint32_t address, uint8_t* data, uint32_t length, int command,
                           uint32_t timeoutMs, bool front);

    platform::HidBackend& backend_;
    std::atomic<int> active_{0};
    std::mutex activeMutex_;
    std::condition_variable activeCv_;
    std::unique_ptr<platform::ManualResetEvent> stopEvent_;
    std::atomic<bool> stopRequested_{false};
    platform::ManualResetEvent workerExited_;
    std::thread worker_;
    std::atomic<bool> open_{false};
    platform::HidHandle currentHandle_ = platform::kNoHandle;
    uint16_t inputReportLength_ = kReportSize;
    uint16_t outputReportLength_ = kReportSize;
    std::unique_ptr<uint8_t[]> buffer_;
    mutable std::mutex infoMutex_;  // guards description_ and attributes_ for other threads
    std::string description_;
    UsbAttributes attributes_;
    std::vector<OpenPath> openPaths_;
    CSocketChannel socket_;
    std::function<void()> openedHook_;
};

void RequestWorkerThread(CHidDevice* device);
