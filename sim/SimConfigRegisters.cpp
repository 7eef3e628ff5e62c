#include "sim/SimConfigRegisters.h"

#include <algorithm>

namespace sim {

std::vector<uint8_t> SimConfigRegisters::Block(const RegisterMap& registers) const {
    std::vector<uint8_t> block(layout_.length + layout_.extLength);
    for (uint32_t i = 0; i < layout_.length; ++i) block[i] = registers.Get(layout_.address + i);
    for (uint32_t i = 0; i < layout_.extLength; ++i) {
        block[layout_.length + i] = registers.Get(layout_.extAddress + i);
    }
    return block;
}

bool SimConfigRegisters::Settle(RegisterMap& registers, bool checksumHolds,
                                std::vector<uint32_t> keep) {
    auto put = [&](uint32_t address, uint8_t value) {
        if (std::find(keep.begin(), keep.end(), address) == keep.end()) {
            registers.Set(address, value);
        }
    };
    auto putAll = [&](const std::vector<uint8_t>& block) {
        for (uint32_t i = 0; i < block.size(); ++i) {
            put(i < layout_.length ? layout_.address + i : layout_.extAddress + i - layout_.length,
                block[i]);
        }
    };
    if (faults_.handshakeNeverCompletes || !checksumHolds || faults_.rejectsChecksum) {
        std::vector<uint8_t> held = stored_;
        held.resize(layout_.length + layout_.extLength);
        putAll(held);
        return false;
    }
    std::vector<uint8_t> block = Block(registers);
    if (faults_.dropsOlderVersion && !block.empty() && !stored_.empty() && block[0] != 0 &&
        block[0] < stored_[0]) {
        putAll(stored_);
        return true;
    }
    stored_ = std::move(block);
    if (faults_.storesOtherBytes && !stored_.empty()) {
        stored_[stored_.size() / 2] ^= 0x5A;
        putAll(stored_);
    }
    return true;
}

void SimConfigRegisters::Hold(RegisterMap& registers, std::vector<uint8_t> block) {
    block.resize(layout_.length + layout_.extLength);
    stored_ = block;
    for (uint32_t i = 0; i < block.size(); ++i) {
        registers.Set(
            i < layout_.length ? layout_.address + i : layout_.extAddress + i - layout_.length,
            block[i]);
    }
}

}  // namespace sim
