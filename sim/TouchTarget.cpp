#include "sim/TouchTarget.h"

namespace sim {

void RegisterMap::Read(uint32_t address, uint8_t* out, size_t length) {
    for (size_t i = 0; i < length; ++i) out[i] = Get(address + static_cast<uint32_t>(i));
}

void RegisterMap::Write(uint32_t address, const uint8_t* data, size_t length) {
    Fill(address, data, length);
}

uint8_t RegisterMap::Get(uint32_t address) const {
    auto it = bytes_.find(address);
    return it == bytes_.end() ? 0 : it->second;
}

void RegisterMap::Set(uint32_t address, uint8_t value) { bytes_[address] = value; }

void RegisterMap::Fill(uint32_t address, const uint8_t* data, size_t length) {
    for (size_t i = 0; i < length; ++i) bytes_[address + static_cast<uint32_t>(i)] = data[i];
}

}  // namespace sim
