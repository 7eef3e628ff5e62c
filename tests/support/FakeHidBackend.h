#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/HidBackend.h"

namespace testsupport {

// A scripted HID backend: records every report written, answers reads from a script, and
// can be told to fail or time out chosen writes. Interfaces are listed as given.
class FakeHidBackend : public platform::HidBackend {
  public:
    struct ScriptedRead {
        platform::IoStatus status = platform::IoStatus::Ok;
        std::vector<uint8_t> bytes;  // delivered as they are (report id included)
    };

    std::vector<platform::HidInterfaceInfo> interfaces;
    // Paths whose Open fails, and paths whose Query fails.
    std::vector<std::string> unopenable;
    std::vector<std::string> unqueryable;

    std::vector<platform::HidInterfaceInfo> Enumerate() override;
    platform::HidHandle Open(const std::string& path) override;
    bool Query(platform::HidHandle handle, platform::HidInterfaceInfo& info) override;
    void Close(platform::HidHandle handle) override;
    platform::IoStatus Write(platform::HidHandle handle, const uint8_t* report, size_t length,
                             uint32_t timeoutMs) override;
    platform::IoStatus Read(platform::HidHandle handle, uint8_t* buffer, size_t length,
                            uint32_t timeoutMs, size_t& delivered) override;
    void Cancel(platform::HidHandle handle) override;

    // Queues an input report whose bytes 1.. are data (byte 0 the report id 3).
    void QueueInput(const std::vector<uint8_t>& data, size_t reportLength = 64);
    void QueueStatus(platform::IoStatus status);
    // The n-th write (0-based) returns the status instead of Ok.
    void FailWrite(size_t index, platform::IoStatus status);

    std::vector<std::vector<uint8_t>> Written() const;
    std::vector<uint32_t> WriteTimeouts() const;
    std::vector<platform::HidHandle> Closed() const;
    // Called for every write before it completes (outside the backend's lock): lets a test
    // answer a request or hold the worker.
    std::function<void(const std::vector<uint8_t>& report)> onWrite;
    int cancels = 0;
    int reads = 0;

  private:
    mutable std::mutex mutex_;
    std::deque<ScriptedRead> reads_;
    std::vector<std::vector<uint8_t>> written_;
    std::vector<uint32_t> writeTimeouts_;
    std::vector<std::pair<size_t, platform::IoStatus>> writeFailures_;
    std::vector<std::pair<platform::HidHandle, std::string>> open_;
    std::vector<platform::HidHandle> closed_;
    platform::HidHandle next_ = 10;
};

}  // namespace testsupport
