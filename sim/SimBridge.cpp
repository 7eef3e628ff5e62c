#include "sim/SimBridge.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <utility>

#include "platform/Clock.h"
#include "platform/Format.h"

namespace sim {

namespace {
constexpr int kRegisterCommand = 15;
constexpr int kIdentityCommand = 3;
constexpr int kReadConfigCommand = 48;
constexpr int kWriteConfigCommand = 49;
constexpr uint8_t kFirstFT = 0x2C, kMiddle = 0x2D, kLast = 0x2E;
unsigned NextSerial() {
    static std::atomic<unsigned> next{1};
    return next++;
}
}  // namespace

SimBridge::SimBridge(uint16_t vendorId, uint16_t productId, uint16_t version)
    : SimBridge(vendorId, productId, version, {Interface{}}) {}

SimBridge::SimBridge(uint16_t vendorId, uint16_t productId, uint16_t version,
                     std::vector<Interface> interfaces)
    : vendorId_(vendorId),
      productId_(productId),
      version_(version),
      serial_(NextSerial()),
      interfaces_(std::move(interfaces)),
      registers_(std::make_shared<RegisterMap>()),
      target_(registers_) {}

std::string SimBridge::Port() const { return platform::Format("1-%u", serial_); }

void SimBridge::SetFamily(int family) {
    std::lock_guard<std::mutex> guard(mutex_);
    family_ = family;
}

void SimBridge::SetRequestHeader(RequestHeader header) {
    std::lock_guard<std::mutex> guard(mutex_);
    header_ = header;
}

int SimBridge::Family() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return family_;
}

void SimBridge::SetIdentity(std::string text) {
    std::lock_guard<std::mutex> guard(mutex_);
    identity_ = std::move(text);
}

std::string SimBridge::Identity() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return identity_;
}

void SimBridge::SetConfigBlock(const std::array<uint8_t, kConfigBlockLength>& block) {
    std::lock_guard<std::mutex> guard(mutex_);
    configBlock_ = block;
}

std::array<uint8_t, SimBridge::kConfigBlockLength> SimBridge::ConfigBlock() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return configBlock_;
}

void SimBridge::SetDropsConfigBlock(bool drops) {
    std::lock_guard<std::mutex> guard(mutex_);
    dropsConfigBlock_ = drops;
}

void SimBridge::SetTarget(std::shared_ptr<TouchTarget> target) {
    std::lock_guard<std::mutex> guard(mutex_);
    target_ = target ? std::move(target) : registers_;
}

void SimBridge::SetCommandHandler(int command, CommandHandler handler) {
    std::lock_guard<std::mutex> guard(mutex_);
    handlers_[command] = std::move(handler);
}

void SimBridge::SpendLinkTime(platform::Clock& clock) {
    const uint64_t latency = latencyUs_.load();
    if (!latency) return;
    uint64_t wait = 0;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        const uint64_t now = clock.NowUs();
        const uint64_t start = now < linkFreeAtUs_ + latency ? linkFreeAtUs_ : now;
        linkFreeAtUs_ = start + latency;
        wait = linkFreeAtUs_ > now ? linkFreeAtUs_ - now : 0;
    }
    if (wait) clock.SleepUs(wait);
}

void SimBridge::StopAnsweringFrom(uint64_t reportNumber) {
    std::lock_guard<std::mutex> guard(mutex_);
    stopFrom_ = reportNumber;
}

uint64_t SimBridge::ReportsReceived() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return received_;
}

std::vector<BridgeRequest> SimBridge::Commands() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return commands_;
}

std::vector<BridgeRequest> SimBridge::Requests() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return requests_;
}

void SimBridge::ClearRecords() {
    std::lock_guard<std::mutex> guard(mutex_);
    commands_.clear();
    requests_.clear();
}

BridgeRequest SimBridge::Decode(const uint8_t* r) const {
    BridgeRequest q;
    q.marker = r[2];
    if (header_ == RequestHeader::Packed) {
        q.type = r[1] >> 7;
        q.command = r[1] & 0x7F;
        q.address = (static_cast<uint32_t>(r[2]) << 16) | (static_cast<uint32_t>(r[3]) << 8) | r[4];
    } else {
        q.type = r[1];
        q.command = r[2];
        q.address = (static_cast<uint32_t>(r[3]) << 8) | r[4];
        if (q.type != 0 && r[2] == kFirstFT) {
            // First report of a long FT5xxx write: the marker stands in for the command.
            q.command = kRegisterCommand;
        } else if (q.type == lastType_ && lastType_ != 0 && (r[2] == kMiddle || r[2] == kLast)) {
            q.command = lastCommand_;
            q.continuation = true;
        }
    }
    q.length = static_cast<uint16_t>((r[5] << 8) | r[6]);
    return q;
}

void SimBridge::Answer(const uint8_t* data, size_t length, std::vector<Report>& replies) {
    size_t offset = 0;
    while (offset < length) {
        Report report{};
        report[0] = 3;
        const size_t n = std::min<size_t>(63, length - offset);
        std::memcpy(report.data() + 1, data + offset, n);
        replies.push_back(report);
        offset += n;
    }
}

void SimBridge::AtReport(uint64_t reportNumber, std::function<void()> action) {
    std::lock_guard<std::mutex> guard(mutex_);
    actionAt_ = reportNumber;
    action_ = std::move(action);
}

void SimBridge::SetTraceMark(TraceMark mark) { traceMark_ = std::move(mark); }

bool SimBridge::Receive(const uint8_t* report, size_t length, std::vector<Report>& replies) {
    std::function<void()> due;
    bool taken = false;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        taken = Take(report, length, replies);
        if (action_ && received_ == actionAt_) due = std::exchange(action_, nullptr);
    }
    // Outside the lock: the action may plug or unplug bridges.
    if (due) due();
    return taken;
}

bool SimBridge::Take(const uint8_t* report, size_t length, std::vector<Report>& replies) {
    ++received_;
    if (stopFrom_ && received_ >= stopFrom_) return false;
    if (length < 7) return true;
    BridgeRequest q = Decode(report);
    if (q.type == 1 || q.continuation) {
        const size_t n = std::min<size_t>(q.length, std::min<size_t>(length, 64) - 7);
        q.payload.assign(report + 7, report + 7 + n);
    }
    if (!q.continuation) {
        lastCommand_ = q.command;
        lastType_ = q.type;
    }
    requests_.push_back(q);

    if (q.command == kRegisterCommand) {
        if (q.type == 1 || q.continuation) {
            target_->Write(q.address, q.payload.data(), q.payload.size());
        } else if (q.type == 0 && q.length) {
            std::vector<uint8_t> data(q.length);
            target_->Read(q.address, data.data(), data.size());
            Answer(data.data(), data.size(), replies);
        }
        return true;
    }
    commands_.push_back(q);
    auto handler = handlers_.find(q.command);
    if (handler != handlers_.end()) {
        handler->second(q, replies);
    } else if (q.command == kIdentityCommand && q.type == 0 && q.length) {
        std::vector<uint8_t> data(q.length, 0);
        std::copy_n(identity_.begin(), std::min<size_t>(identity_.size(), data.size()),
                    data.begin());
        Answer(data.data(), data.size(), replies);
    } else if (q.command == kReadConfigCommand && q.type == 0 && q.length) {
        std::vector<uint8_t> data(q.length, 0);
        std::copy_n(configBlock_.begin(), std::min(configBlock_.size(), data.size()), data.begin());
        Answer(data.data(), data.size(), replies);
    } else if (q.command == kWriteConfigCommand && q.type == 1 && !dropsConfigBlock_) {
        std::copy_n(q.payload.begin(), std::min(configBlock_.size(), q.payload.size()),
                    configBlock_.begin());
    }
    return true;
}

}  // namespace sim
