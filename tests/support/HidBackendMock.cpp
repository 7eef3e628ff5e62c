#include "support/HidBackendMock.h"

#include <algorithm>
#include <cstring>

namespace testsupport {

ScriptedHidBackend::ScriptedHidBackend() {
    using ::testing::_;
    using ::testing::Invoke;
    ON_CALL(*this, Enumerate()).WillByDefault(Invoke([this] { return interfaces; }));
    ON_CALL(*this, Open(_)).WillByDefault(Invoke(this, &ScriptedHidBackend::ScriptOpen));
    ON_CALL(*this, Query(_, _)).WillByDefault(Invoke(this, &ScriptedHidBackend::ScriptQuery));
    ON_CALL(*this, Close(_)).WillByDefault(Invoke(this, &ScriptedHidBackend::ScriptClose));
    ON_CALL(*this, Write(_, _, _, _))
        .WillByDefault(
            Invoke([this](platform::HidHandle, const uint8_t* report, size_t length,
                          uint32_t timeoutMs) { return ScriptWrite(report, length, timeoutMs); }));
    ON_CALL(*this, Read(_, _, _, _, _))
        .WillByDefault(
            Invoke([this](platform::HidHandle, uint8_t* buffer, size_t length, uint32_t,
                          size_t& delivered) { return ScriptRead(buffer, length, delivered); }));
    ON_CALL(*this, Cancel(_)).WillByDefault(Invoke([this](platform::HidHandle) {
        std::lock_guard<std::mutex> guard(mutex_);
        ++cancels;
    }));
}

platform::HidHandle ScriptedHidBackend::ScriptOpen(const std::string& path) {
    std::lock_guard<std::mutex> guard(mutex_);
    if (std::find(unopenable.begin(), unopenable.end(), path) != unopenable.end()) {
        return platform::kNoHandle;
    }
    const platform::HidHandle handle = next_++;
    open_.emplace_back(handle, path);
    return handle;
}

bool ScriptedHidBackend::ScriptQuery(platform::HidHandle handle, platform::HidInterfaceInfo& info) {
    std::lock_guard<std::mutex> guard(mutex_);
    for (const auto& [h, path] : open_) {
        if (h != handle) continue;
        if (std::find(unqueryable.begin(), unqueryable.end(), path) != unqueryable.end()) {
            return false;
        }
        for (const auto& i : interfaces) {
            if (i.path == path) {
                info = i;
                return true;
            }
        }
    }
    return false;
}

void ScriptedHidBackend::ScriptClose(platform::HidHandle handle) {
    std::lock_guard<std::mutex> guard(mutex_);
    closed_.push_back(handle);
    open_.erase(std::remove_if(open_.begin(), open_.end(),
                               [&](const auto& e) { return e.first == handle; }),
                open_.end());
}

platform::IoStatus ScriptedHidBackend::ScriptWrite(const uint8_t* report, size_t length,
                                                   uint32_t timeoutMs) {
    if (onWrite) onWrite(std::vector<uint8_t>(report, report + length));
    std::lock_guard<std::mutex> guard(mutex_);
    const size_t index = written_.size();
    written_.emplace_back(report, report + length);
    writeTimeouts_.push_back(timeoutMs);
    for (const auto& [i, status] : writeFailures_) {
        if (i == index) return status;
    }
    return platform::IoStatus::Ok;
}

platform::IoStatus ScriptedHidBackend::ScriptRead(uint8_t* buffer, size_t length,
                                                  size_t& delivered) {
    std::lock_guard<std::mutex> guard(mutex_);
    ++reads;
    delivered = 0;
    if (reads_.empty()) return platform::IoStatus::Timeout;
    ScriptedRead next = reads_.front();
    reads_.pop_front();
    if (next.status != platform::IoStatus::Ok) return next.status;
    delivered = std::min(length, next.bytes.size());
    std::memcpy(buffer, next.bytes.data(), delivered);
    return platform::IoStatus::Ok;
}

void ScriptedHidBackend::QueueInput(const std::vector<uint8_t>& data, size_t reportLength) {
    std::lock_guard<std::mutex> guard(mutex_);
    ScriptedRead r;
    r.bytes.assign(reportLength, 0);
    r.bytes[0] = 3;
    std::copy_n(data.begin(), std::min(data.size(), reportLength - 1), r.bytes.begin() + 1);
    reads_.push_back(r);
}

void ScriptedHidBackend::QueueStatus(platform::IoStatus status) {
    std::lock_guard<std::mutex> guard(mutex_);
    reads_.push_back({status, {}});
}

void ScriptedHidBackend::FailWrite(size_t index, platform::IoStatus status) {
    std::lock_guard<std::mutex> guard(mutex_);
    writeFailures_.emplace_back(index, status);
}

std::vector<std::vector<uint8_t>> ScriptedHidBackend::Written() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return written_;
}

std::vector<uint32_t> ScriptedHidBackend::WriteTimeouts() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return writeTimeouts_;
}

std::vector<platform::HidHandle> ScriptedHidBackend::Closed() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return closed_;
}

}  // namespace testsupport
