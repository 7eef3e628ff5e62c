#include "sim/gt9pxx/SimGt9pxxConfig.h"

namespace sim {

namespace {

constexpr uint32_t kExtSwitch = 0x805A;

// True when the data bytes and the two checksum bytes at the end of a block of `length`
// bytes at `address` sum to 0 as big-endian words.
bool WordSumIsZero(const RegisterMap& registers, uint32_t address, uint32_t length) {
    if (length < 2) return false;
    const uint32_t data = length - 2;
    uint32_t sum = (registers.Get(address + data) << 8) | registers.Get(address + data + 1);
    for (uint32_t i = 0; i < data; i += 2) {
        sum += registers.Get(address + i) << 8;
        if (i + 1 < data) sum += registers.Get(address + i + 1);
    }
    return (sum & 0xFFFF) == 0;
}

}  // namespace

void SimGt9pxxConfig::Written(RegisterMap& registers, uint32_t address, size_t length) {
    const Layout& l = layout();
    if (!Covers(address, length, kTake) || registers.Get(kTake) != 0 || l.length < 3) return;
    const uint32_t flag = l.address + l.length - 1;
    if (registers.Get(flag) != 1) return;
    bool holds = WordSumIsZero(registers, l.address, l.length - 1);
    if (l.extLength != 0 && (registers.Get(kExtSwitch) & 0x40) != 0) {
        holds = holds && WordSumIsZero(registers, l.extAddress, l.extLength);
    }
    if (Settle(registers, holds, {flag})) registers.Set(flag, 0);
}

}  // namespace sim
