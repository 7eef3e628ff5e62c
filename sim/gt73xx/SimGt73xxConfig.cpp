#include "sim/gt73xx/SimGt73xxConfig.h"

namespace sim {

namespace {
constexpr uint8_t kIdle = 0xFF, kReady = 0x82, kPrepare = 0x80, kTake = 0x83;
}  // namespace

void SimGt73xxConfig::Prepare(RegisterMap& registers) { registers.Set(kFrame, kIdle); }

bool SimGt73xxConfig::ChecksumsHold(const RegisterMap& registers) const {
    const Layout& l = layout();
    auto sum = [&](uint32_t from, uint32_t to) {
        uint8_t s = 0;
        for (uint32_t i = from; i <= to; ++i) {
            s = static_cast<uint8_t>(s + registers.Get(l.address + i));
        }
        return s;
    };
    return l.length > 213 && sum(0, 2) == 0 && sum(0, 212) == 0 && sum(213, l.length - 1) == 0;
}

void SimGt73xxConfig::Written(RegisterMap& registers, uint32_t address, size_t length) {
    if (!Covers(address, length, kFrame) || faults().handshakeNeverCompletes) return;
    const uint8_t command = registers.Get(kFrame);
    const uint8_t data = registers.Get(kFrame + 1), check = registers.Get(kFrame + 2);
    if (static_cast<uint8_t>(command + data + check) != 0) {
        ready_ = false;
        return;
    }
    if (command == kPrepare) {
        ready_ = true;
        registers.Set(kFrame, kReady);
    } else if (command == kTake) {
        const bool wasReady = ready_;
        ready_ = false;
        if (Settle(registers, wasReady && ChecksumsHold(registers))) registers.Set(kFrame, kIdle);
    } else {
        // Any other command is carried out at once; a block prepared before is given up.
        ready_ = false;
        registers.Set(kFrame, kIdle);
    }
}

}  // namespace sim
