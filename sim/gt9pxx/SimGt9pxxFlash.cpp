#include "sim/gt9pxx/SimGt9pxxFlash.h"

#include <memory>

namespace sim {

namespace {
constexpr uint32_t kStubCall = 0x8006, kBuffer = 0x8100, kStartWord = 0x8020, kStatus = 0x8022;
constexpr uint32_t kCommand = 0x8040, kStubSize = 2048, kMaxBlock = 4096;
}  // namespace

SimGt9pxxFlash::SimGt9pxxFlash(const std::string& productId, std::array<uint8_t, 3> version)
    : SimGtFlash({0xC000, kStubSize, kFlashSize, 4}, productId, version) {}

void SimGt9pxxFlash::OnRegister(uint32_t address, uint8_t value) {
    if (address == kCommand && value == 0x60) restartAsked_ = true;
    if (address == kCommand + 2 && restartAsked_) {
        // The restart command: 0x60 with data 0x00 and a check byte that makes the sum 0.
        restartAsked_ = static_cast<uint8_t>(0x60 + Get(kCommand + 1) + value) == 0;
    }
    if (address == kHold) {
        if (value == 0x0C) {
            if (!held_ && TakeHold()) stubBytes_ = 0;
        } else if (value == 0x08) {
            // Released into the stub: it runs when a whole stub was loaded and called.
            bool called = true;
            for (uint32_t i = 0; i < 8; ++i) called = called && Get(kStubCall + i) == 0x55;
            running_ = held_ && stubBytes_ >= kStubSize && called;
            held_ = false;
            if (running_) StartStub(kStubSize);
            if (running_ && !faults_.stubNeverReady) {
                Set(kStubCall, 0xAA);
                Set(kStubCall + 1, 0xBB);
            }
        } else {
            const bool restart = value == 0x01 && restartAsked_;
            held_ = running_ = restartAsked_ = false;
            if (restart) Restart();
        }
    } else if (address == kStartWord + 1 && running_) {
        TakeBlock();
    }
}

void SimGt9pxxFlash::TakeBlock() {
    ++blockNumber_;
    auto word = [this](uint32_t at) { return static_cast<uint16_t>((Get(at) << 8) | Get(at + 1)); };
    const uint16_t length = word(kBuffer);
    const uint16_t addressWord = word(kBuffer + 2);
    const uint16_t start = word(kStartWord);
    const uint32_t flashAddress = uint32_t{addressWord} << 8;
    if (length == 0 || length > kMaxBlock || (start >> 8) != (start & 0xFF) ||
        flashAddress + length > kFlashSize || blockNumber_ == faults_.blockNeverConfirmed) {
        return;
    }
    uint32_t sum = length + addressWord + word(kBuffer + 4 + length);
    for (uint32_t i = 0; i + 1 < length; i += 2) sum += word(kBuffer + 4 + i);
    // What the sum lacks to be 0: for an odd block, the last word's low byte.
    uint32_t missing = (0x10000 - (sum & 0xFFFF)) & 0xFFFF;
    const bool odd = length % 2 != 0;
    if (odd) missing = (missing - (uint32_t{Get(kBuffer + 4 + length - 1)} << 8)) & 0xFFFF;
    if (missing > (odd ? 0xFFu : 0u)) return;
    for (uint32_t i = 0; i < length; ++i) flash_[flashAddress + i] = Get(kBuffer + 4 + i);
    blocks_.push_back({static_cast<uint8_t>(start), addressWord, length});
    if (odd) followingBytes_.push_back(static_cast<uint8_t>(missing));
    Set(kStatus, 0xBB);
}

void SimGt9pxxFlash::InstallHandlers(SimBridge& bridge) {
    SimGtFlash::InstallHandlers(bridge);
    std::weak_ptr<SimChip> self = weak_from_this();
    bridge.SetCommandHandler(18, [self](const BridgeRequest&, std::vector<Report>&) {
        if (auto chip = std::static_pointer_cast<SimGt9pxxFlash>(self.lock()))
            ++chip->downloadEnds_;
    });
}

}  // namespace sim
