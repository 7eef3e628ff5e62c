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
#include "bridge/RegisterAccess.h"
#include "bridge/RequestQueue.h"
#include "bridge/SocketChannel.h"
#include "platform/Clock.h"
#include "platform/Event.h"
#include "platform/HidBackend.h"

class CDeviceRequest;
struct CommandRecord;

// The bridge device of the program: finds and opens the bridge among the HID interfaces whose
// vendor id is in its VID table, owns the request queue, the worker and the report buffer, and
// offers the synchronous register operations that are the only road to the touch controller.
class CHidDevice : public RegisterAccess {
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

    // `vidTable`: the accepted vendor ids as texts, compared exactly with "%04X" of an
    // interface's vendor id. The wait for the request worker's end is counted on the clock.
    CHidDevice(platform::HidBackend& backend, platform::Clock& clock,
               std::vector<std::string> vidTable);
    ~CHidDevice() override;
    CHidDevice(const CHidDevice&) = delete;
    CHidDevice& operator=(const CHidDevice&) = delete;

    // The layout of request headers for the touch-controller family now in use.
    void SetHeaderLayout(const HeaderLayout& layout);
    HeaderLayout Layout() const;
    const std::vector<std::string>& VidTable() const { return vidTable_; }

    // Called after a successful Open (the chip registry selects the family there).
    void SetOpenedHook(std::function<void()> hook) { openedHook_ = std::move(hook); }

    // --- Report level; worker thread only --------------------------------------------
    bool WriteReports(const uint8_t* data, uint32_t length, platform::HidHandle target);
    bool ReadStatus(uint32_t address, uint8_t& status, platform::HidHandle target);
    // Whether stale input is read away before the request goes out.
    enum class StaleInput { Discard, Keep };
    bool Transfer(uint8_t* buffer, uint32_t length, uint32_t timeoutMs, StaleInput stale,
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
    // The port of the current bridge: where it sits on the bus (empty when none is open, or
    // for a device that is not on USB).
    std::string Port() const;
    // While a port is kept (not empty), enumeration opens only interfaces at that port: an
    // upgrade run keeps to the bridge it started with while that bridge is away in its boot
    // mode. Empty: any port, as outside a run.
    void KeepToPort(std::string port);
    std::string KeptPort() const;
    // The port of the present interface of that device-interface name (ignoring case); empty
    // when none is present under it.
    std::string PortOf(const std::string& path);
    std::vector<OpenPath> OpenPaths() const;
    const uint8_t* ReportBuffer() const { return buffer_.get(); }
    platform::HidBackend& Backend() { return backend_; }

    // --- Synchronous register operations; any thread ------------------------------------
    bool ReadRegs(uint32_t address, uint8_t* buffer, uint32_t length, uint32_t timeoutMs) override;
    bool ReadBlock32(uint32_t address, uint8_t* buffer) override;
    bool WriteRegs(uint32_t address, const uint8_t* data, uint32_t length) override;
    bool SendBridgeCommand(BridgeCommand command) override;
    uint8_t ReadByte(uint32_t address) override;
    bool WriteByte(uint32_t address, uint8_t value) override;
    bool PollByte(uint32_t address, uint8_t expected, int tries) override;
    bool WriteWordBE(uint32_t address, uint16_t value) override;
    bool SendCommandRecord(const CommandRecord& record, BridgeCommand command) override;
    bool ResetChip() override;
    bool SendBridgeCommand18() override;
    bool ReadBridgeConfig(uint8_t* buffer, uint32_t length) override;
    bool Exchange(const RequestForm& form, uint8_t* data, uint32_t length,
                  std::array<uint8_t, 6>* header) override;

    // Queues a request at one end and waits for it; true when it succeeded. False at once,
    // queuing nothing, once the device is stopping.
    bool Submit(CDeviceRequest& request, QueueEnd end);
    CRequestQueue& Queue() { return queue_; }

  private:
    friend void RequestWorkerThread(CHidDevice* device);

    platform::HidHandle Resolve(platform::HidHandle target) const {
        return target == platform::kNoHandle ? currentHandle_ : target;
    }
    size_t InputLength() const;
    size_t OutputLength() const;
    void WorkerLoop();
    void ReleaseHandles();
    bool RunRequest(int type, uint32_t address, uint8_t* data, uint32_t length, int command,
                    uint32_t timeoutMs, QueueEnd end);

    platform::HidBackend& backend_;
    platform::Clock& clock_;
    const std::vector<std::string> vidTable_;
    CRequestQueue queue_;
    std::atomic<bool> packedCommand_{false};
    std::atomic<uint8_t> firstReportMarker_{0};
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
    mutable std::mutex infoMutex_;  // guards description_, attributes_ and the ports
    std::string description_;
    UsbAttributes attributes_;
    std::string port_;
    std::string keptPort_;
    std::vector<OpenPath> openPaths_;
    CSocketChannel socket_;
    std::function<void()> openedHook_;
};

void RequestWorkerThread(CHidDevice* device);
