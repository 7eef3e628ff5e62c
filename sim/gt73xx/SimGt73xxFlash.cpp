#include "sim/gt73xx/SimGt73xxFlash.h"

#include <algorithm>
#include <memory>

namespace sim {

namespace {
constexpr uint32_t kStubAnswer = 0x4195, kHostFlag = 0x4196, kStubDone = 0x4197;
constexpr uint32_t kBlockHeader = 0xFFF0, kCommand = 0x8040;
constexpr uint32_t kStubSize = 4096, kMaxBlock = 8192;

uint32_t LE32(const uint8_t* p) {
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}
}  // namespace

SimGt73xxFlash::SimGt73xxFlash(const std::string& productId, std::array<uint8_t, 3> version)
    : SimGtFlash({0x8000, 0x2000, kFlashSize, 5}, productId, version) {}

void SimGt73xxFlash::OnWindowWrite(uint32_t offset, size_t length) {
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
    for (uint32_t i = 0; i + 4 <= blockLength_; i += 4) sum += LE32(window_.data() + i);
    if (sum != blockSum_ || blockNumber_ == faults_.blockNeverConfirmed) return;
    taken_ = true;
    Set(kStubAnswer, 0xAA);
}

void SimGt73xxFlash::OnRegister(uint32_t address, uint8_t value) {
    if (address == kHold) {
        if (value == 0x0C) {
            if (TakeHold()) stubBytes_ = 0;
        } else if (value == 0x00) {
            // Released after a whole stub was loaded: the stub runs and reports ready.
            running_ = held_ && stubBytes_ >= kStubSize;
            held_ = false;
            if (running_) StartStub(kStubSize);
            if (running_ && !faults_.stubNeverReady) Set(kStubAnswer, 0xFF);
        } else {
            held_ = running_ = false;
        }
    } else if (address == kHostFlag && running_) {
        OnHostFlag(value);
    } else if (address == kCommand && value == 0xAA && Get(kCommand + 1) == 0x00 &&
               Get(kCommand + 2) == 0x56) {
        Restart();
    }
}

void SimGt73xxFlash::OnHostFlag(uint8_t value) {
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
        std::copy(window_.begin(), window_.begin() + blockLength_, flash_.begin() + blockAddress_);
        taken_ = false;
        ++blocksWritten_;
        Set(kStubAnswer, 0xFF);
        Set(kStubDone, 0xDD);
    }
}

void SimGt73xxFlash::Session(int command) {
    if (command == 41 && lastSessionCommand_ == 43) sessionOpen_ = true;
    if (command == 40 && lastSessionCommand_ == 42) sessionOpen_ = false;
    lastSessionCommand_ = command;
}

void SimGt73xxFlash::InstallHandlers(SimBridge& bridge) {
    SimGtFlash::InstallHandlers(bridge);
    std::weak_ptr<SimChip> self = weak_from_this();
    for (int command : {40, 41, 42, 43}) {
        bridge.SetCommandHandler(
            command, [self, command](const BridgeRequest&, std::vector<Report>&) {
                if (auto chip = std::static_pointer_cast<SimGt73xxFlash>(self.lock()))
                    chip->Session(command);
            });
    }
}

}  // namespace sim
