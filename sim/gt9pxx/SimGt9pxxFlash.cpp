#include "sim/gt9pxx/SimGt9pxxFlash.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace sim {

namespace {
constexpr uint32_t kHold = 0x4180, kStubMemory = 0xC000, kStubCall = 0x8006;
constexpr uint32_t kBuffer = 0x8100, kStartWord = 0x8020, kStatus = 0x8022, kCommand = 0x8040;
constexpr uint32_t kMaxBlock = 4096;
}  // namespace

SimGt9pxxFlash::SimGt9pxxFlash(const std::string& productId, std::array<uint8_t, 3> version)
    : SimGt9pxx(productId, version), flash_(kFlashSize, 0xFF) {
    for (size_t i = 0; i < 4; ++i) flash_[i] = i < productId.size() ? productId[i] : 0;
    std::copy(version.begin(), version.end(), flash_.begin() + 4);
}

bool SimGt9pxxFlash::InStubMemory(uint32_t address, size_t length) const {
    return held_ && address >= kStubMemory && address + length <= kStubMemory + stub_.size();
}

std::vector<uint8_t> SimGt9pxxFlash::IspStub() const {
    return std::vector<uint8_t>(stub_.begin(), stub_.end());
}

void SimGt9pxxFlash::Read(uint32_t address, uint8_t* out, size_t length) {
    if (gone_) {
        std::fill(out, out + length, 0);
        return;
    }
    if (!InStubMemory(address, length)) {
        SimGt9pxx::Read(address, out, length);
        return;
    }
    std::memcpy(out, stub_.data() + (address - kStubMemory), length);
    if (faults_.stubReadsBackWrong && length > 1) out[length / 2] ^= 0x5A;
}

void SimGt9pxxFlash::Write(uint32_t address, const uint8_t* data, size_t length) {
    if (gone_) return;
    if (InStubMemory(address, length)) {
        std::memcpy(stub_.data() + (address - kStubMemory), data, length);
        stubBytes_ += static_cast<uint32_t>(length);
        return;
    }
    SimGt9pxx::Write(address, data, length);
    for (size_t i = 0; i < length; ++i) OnRegister(address + static_cast<uint32_t>(i), data[i]);
    // The restart command: 0x60 with data 0x00 and a check byte that makes the sum 0.
    if (address == kCommand && length == 3 && data[0] == 0x60 &&
        static_cast<uint8_t>(data[0] + data[1] + data[2]) == 0) {
        restartAsked_ = true;
    }
}

void SimGt9pxxFlash::OnRegister(uint32_t address, uint8_t value) {
    if (address == kHold) {
        if (value == 0x0C) {
            if (faults_.holdRefusals > 0) {
                --faults_.holdRefusals;
                Set(kHold, 0x00);
            } else if (!held_) {
                held_ = true;
                stubBytes_ = 0;
            }
        } else if (value == 0x08) {
            // Released into the stub: it runs when a whole stub was loaded and called.
            bool called = true;
            for (uint32_t i = 0; i < 8; ++i) called = called && Get(kStubCall + i) == 0x55;
            running_ = held_ && stubBytes_ >= stub_.size() && called;
            held_ = false;
            if (running_ && !faults_.stubNeverReady) {
                Set(kStubCall, 0xAA);
                Set(kStubCall + 1, 0xBB);
            }
        } else {
            const bool restart = value == 0x01 && restartAsked_;
            held_ = running_ = restartAsked_ = false;
            if (restart) {
                ++restarts_;
                StartFromFlash(faults_.goneAfterRestart);
            }
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
    for (uint32_t i = 0; i < length; i += 2) sum += word(kBuffer + 4 + i);
    if ((sum & 0xFFFF) != 0) return;
    for (uint32_t i = 0; i < length; ++i) flash_[flashAddress + i] = Get(kBuffer + 4 + i);
    blocks_.push_back({static_cast<uint8_t>(start), addressWord, length});
    Set(kStatus, 0xBB);
}

void SimGt9pxxFlash::StartFromFlash(bool fault) {
    held_ = running_ = restartAsked_ = false;
    Set(kHold, 0x00);
    if (fault) {
        gone_ = true;
        return;
    }
    std::string id;
    for (size_t i = 0; i < 4 && flash_[i] != 0; ++i) id += static_cast<char>(flash_[i]);
    SetProductId(id);
    SetVersion({flash_[4], flash_[5], flash_[6]});
}

void SimGt9pxxFlash::InstallHandlers(SimBridge& bridge) {
    SimGt9pxx::InstallHandlers(bridge);
    std::weak_ptr<SimChip> self = weak_from_this();
    auto chip = [self]() { return std::static_pointer_cast<SimGt9pxxFlash>(self.lock()); };
    bridge.SetCommandHandler(4, [chip](const BridgeRequest&, std::vector<Report>&) {
        if (auto c = chip(); c && !c->gone_) c->StartFromFlash(false);
    });
    bridge.SetCommandHandler(18, [chip](const BridgeRequest&, std::vector<Report>&) {
        if (auto c = chip()) ++c->downloadEnds_;
    });
}

}  // namespace sim
