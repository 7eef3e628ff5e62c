#include "sim/gt73xx/SimGt73xxFlash.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace sim {

namespace {
constexpr uint32_t kHold = 0x4180, kStubAnswer = 0x4195, kHostFlag = 0x4196, kStubDone = 0x4197;
constexpr uint32_t kMemory = 0x8000, kBlockHeader = 0xFFF0, kCommand = 0x8040;
constexpr uint32_t kStubSize = 4096, kMaxBlock = 8192;

uint32_t LE32(const uint8_t* p) {
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}
}  // namespace

SimGt73xxFlash::SimGt73xxFlash(const std::string& productId, std::array<uint8_t, 3> version)
    : SimGt73xx(productId, version), flash_(kFlashSize, 0xFF) {
    for (size_t i = 0; i < 4; ++i) flash_[i] = i < productId.size() ? productId[i] : 0;
    flash_[4] = 0;
    std::copy(version.begin(), version.end(), flash_.begin() + 5);
}

bool SimGt73xxFlash::InMemory(uint32_t address, size_t length) const {
    return (held_ || running_) && address >= kMemory &&
           address + length <= kMemory + memory_.size();
}

void SimGt73xxFlash::Read(uint32_t address, uint8_t* out, size_t length) {
    if (gone_) {
        std::fill(out, out + length, 0);
        return;
    }
    if (!InMemory(address, length)) {
        SimGt73xx::Read(address, out, length);
        return;
    }
    std::memcpy(out, memory_.data() + (address - kMemory), length);
    if (faults_.stubReadsBackWrong && !running_ && length > 1) out[length / 2] ^= 0x5A;
}

void SimGt73xxFlash::Write(uint32_t address, const uint8_t* data, size_t length) {
    if (gone_) return;
    if (InMemory(address, length)) {
        WriteMemory(address, data, length);
        return;
    }
    SimGt73xx::Write(address, data, length);
    for (size_t i = 0; i < length; ++i) OnRegister(address + static_cast<uint32_t>(i), data[i]);
}

void SimGt73xxFlash::WriteMemory(uint32_t address, const uint8_t* data, size_t length) {
    const uint32_t offset = address - kMemory;
    std::memcpy(memory_.data() + offset, data, length);
    if (held_ && offset < kStubSize) {
        stubBytes_ += static_cast<uint32_t>(std::min<size_t>(length, kStubSize - offset));
    }
    if (receiving_ && offset < blockLength_) {
        received_ += static_cast<uint32_t>(std::min<size_t>(length, blockLength_ - offset));
        if (received_ >= blockLength_) TakeBlock();
    }
}

void SimGt73xxFlash::TakeBlock() {
    receiving_ = false;
    uint32_t sum = 0;
    for (uint32_t i = 0; i + 4 <= blockLength_; i += 4) sum += LE32(memory_.data() + i);
    if (sum != blockSum_ || blockNumber_ == faults_.blockNeverConfirmed) return;
    taken_ = true;
    Set(kStubAnswer, 0xAA);
}

void SimGt73xxFlash::OnRegister(uint32_t address, uint8_t value) {
    if (address == kHold) {
        if (value == 0x0C) {
            if (faults_.holdRefusals > 0) {
                --faults_.holdRefusals;
                Set(kHold, 0x00);
            } else {
                held_ = true;
                stubBytes_ = 0;
            }
        } else if (value == 0x00) {
            // Released after a whole stub was loaded: the stub runs and reports ready.
            running_ = held_ && stubBytes_ >= kStubSize;
            held_ = false;
            if (running_) stub_.assign(memory_.begin(), memory_.begin() + kStubSize);
            if (running_ && !faults_.stubNeverReady) Set(kStubAnswer, 0xFF);
        } else {
            held_ = running_ = false;
        }
    } else if (address == kHostFlag && running_) {
        if (value == 0x55) {
            uint8_t header[12];
            SimGt73xx::Read(kBlockHeader, header, sizeof(header));
            blockLength_ = LE32(header);
            blockAddress_ = LE32(header + 4);
            blockSum_ = LE32(header + 8);
            ++blockNumber_;
            taken_ = false;
            received_ = 0;
            Set(kStubAnswer, 0x00);
            Set(kStubDone, 0x00);
            receiving_ = blockLength_ > 0 && blockLength_ <= kMaxBlock &&
                         uint64_t{blockAddress_} + blockLength_ <= kFlashSize;
        } else if (value == 0xAA && taken_) {
            std::copy(memory_.begin(), memory_.begin() + blockLength_,
                      flash_.begin() + blockAddress_);
            taken_ = false;
            ++blocksWritten_;
            Set(kStubAnswer, 0xFF);
            Set(kStubDone, 0xDD);
        }
    } else if (address == kCommand && value == 0xAA && Get(kCommand + 1) == 0x00 &&
               Get(kCommand + 2) == 0x56) {
        ++restarts_;
        StartFromFlash(faults_.goneAfterRestart);
    }
}

void SimGt73xxFlash::StartFromFlash(bool fault) {
    held_ = running_ = receiving_ = taken_ = false;
    Set(kHold, 0x00);
    if (fault) {
        gone_ = true;
        return;
    }
    std::string id;
    for (size_t i = 0; i < 4 && flash_[i] != 0; ++i) id += static_cast<char>(flash_[i]);
    SetProductId(id);
    SetVersion({flash_[5], flash_[6], flash_[7]});
}

void SimGt73xxFlash::Session(int command) {
    if (command == 41 && lastSessionCommand_ == 43) sessionOpen_ = true;
    if (command == 40 && lastSessionCommand_ == 42) sessionOpen_ = false;
    lastSessionCommand_ = command;
}

void SimGt73xxFlash::InstallHandlers(SimBridge& bridge) {
    SimGt73xx::InstallHandlers(bridge);
    std::weak_ptr<SimChip> self = weak_from_this();
    auto chip = [self]() { return std::static_pointer_cast<SimGt73xxFlash>(self.lock()); };
    bridge.SetCommandHandler(4, [chip](const BridgeRequest&, std::vector<Report>&) {
        if (auto c = chip(); c && !c->gone_) c->StartFromFlash(false);
    });
    for (int command : {40, 41, 42, 43}) {
        bridge.SetCommandHandler(command,
                                 [chip, command](const BridgeRequest&, std::vector<Report>&) {
                                     if (auto c = chip()) c->Session(command);
                                 });
    }
}

}  // namespace sim
