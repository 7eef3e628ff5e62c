#include "sim/gt79xx/SimGt79xx.h"

namespace sim {

namespace {

void PutU32(uint8_t* at, uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

SimGt79xx::SimGt79xx(const std::string& productId, std::array<uint8_t, 4> version) {
    SetProductId(productId);
    SetVersion(version);
    SetInfo(Info{});
}

void SimGt79xx::SetProductId(const std::string& productId) { SetText(kIdAddr + 10, productId, 5); }

void SimGt79xx::SetVersion(std::array<uint8_t, 4> version) {
    Fill(kIdAddr + 18, version.data(), version.size());
}

void SimGt79xx::SetInfo(const Info& info) {
    std::array<uint8_t, kInfoSize> block{};
    block[0] = static_cast<uint8_t>(kInfoSize);
    block[1] = 0;
    PutU32(&block[6], info.firmwareVersion);
    block[28] = info.drivers;
    block[29] = info.sensors;
    PutU32(&block[39], info.realTimeCmdAddr);
    uint16_t sum = 0;
    for (size_t i = 0; i + 2 < kInfoSize; ++i) sum = static_cast<uint16_t>(sum + block[i]);
    if (!info.checksumHolds) sum = static_cast<uint16_t>(sum + 1);
    block[187] = static_cast<uint8_t>(sum);
    block[188] = static_cast<uint8_t>(sum >> 8);
    Fill(kInfoAddr, block.data(), block.size());
}

void SimGt79xx::Write(uint32_t address, const uint8_t* data, size_t length) {
    RegisterMap::Write(address, data, length);
    if (address == kRealTimeCmdAddr && length >= 2 && acknowledge_) {
        Set(kRealTimeCmdAddr, 0x80);
        Set(kRealTimeCmdAddr + 1, 0x80);
    }
}

}  // namespace sim
