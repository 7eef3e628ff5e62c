#pragma once

#include <gmock/gmock.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/HidBackend.h"

namespace testsupport {

// The HID backend as a gmock mock, for tests that need scripted bytes or exact calls; tests
// that need a working bridge use the simulated bus instead.
class MockHidBackend : public platform::HidBackend {
  public:
    MOCK_METHOD(std::vector<platform::HidInterfaceInfo>, Enumerate, (), (override));
    MOCK_METHOD(platform::HidHandle, Open, (const std::string& path), (override));
    MOCK_METHOD(bool, Query, (platform::HidHandle handle, platform::HidInterfaceInfo& info),
                (override));
    MOCK_METHOD(void, Close, (platform::HidHandle handle), (override));
    MOCK_METHOD(platform::IoStatus, Write,
                (platform::HidHandle handle, const uint8_t* report, size_t length,
                 uint32_t timeoutMs),
                (override));
    MOCK_METHOD(platform::IoStatus, Read,
                (platform::HidHandle handle, uint8_t* buffer, size_t length, uint32_t timeoutMs,
                 size_t& delivered),
                (override));
    MOCK_METHOD(void, Cancel, (platform::HidHandle handle), (override));
};

// The mock with a script as its default answers: the listed interfaces, every written report
// recorded, reads answered from a queue (a time-out when it is empty), chosen writes failed.
// Expectations set on it take precedence over the script.
class ScriptedHidBackend : public ::testing::NiceMock<MockHidBackend> {
  public:
    struct ScriptedRead {
        platform::IoStatus status = platform::IoStatus::Ok;
        std::vector<uint8_t> bytes;  // delivered as they are (report id included)
    };

    ScriptedHidBackend();

    std::vector<platform::HidInterfaceInfo> interfaces;
    // Paths whose Open fails, and paths whose Query fails.
    std::vector<std::string> unopenable;
    std::vector<std::string> unqueryable;

    // Queues an input report whose bytes 1.. are data (byte 0 the report id 3).
    void QueueInput(const std::vector<uint8_t>& data, size_t reportLength = 64);
    void QueueStatus(platform::IoStatus status);
    // The n-th write (0-based) returns the status instead of Ok.
    void FailWrite(size_t index, platform::IoStatus status);

    std::vector<std::vector<uint8_t>> Written() const;
    std::vector<uint32_t> WriteTimeouts() const;
    std::vector<platform::HidHandle> Closed() const;
    // Called for every write before it completes (outside the script's lock): lets a test
    // answer a request or hold the worker.
    std::function<void(const std::vector<uint8_t>& report)> onWrite;
    int cancels = 0;
    int reads = 0;

  private:
    platform::HidHandle ScriptOpen(const std::string& path);
    bool ScriptQuery(platform::HidHandle handle, platform::HidInterfaceInfo& info);
    void ScriptClose(platform::HidHandle handle);
    platform::IoStatus ScriptWrite(const uint8_t* report, size_t length, uint32_t timeoutMs);
    platform::IoStatus ScriptRead(uint8_t* buffer, size_t length, size_t& delivered);

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
