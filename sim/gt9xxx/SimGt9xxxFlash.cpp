#include "sim/gt9xxx/SimGt9xxxFlash.h"

#include <algorithm>
#include <cstring>

#include "sim/SimBridge.h"

namespace sim {

namespace {
constexpr uint32_t kHold = 0x4180, kWatchdog = 0x40B0, kBank = 0x4048, kBurn = 0x5094;
constexpr uint32_t kWindowC = 0xC000, kWindowE = 0xE000, kStaging = 0x9000, kIdentity = 0x8140;
constexpr size_t kWindow = 8192;
}  // namespace

SimGt9xxxFlash::SimGt9xxxFlash() {
    for (auto& section : flash_.ss51) section.assign(kSectionSize, 0xFF);
    flash_.dsp.assign(4096, 0xFF);
    flash_.bootloader.assign(2048, 0xFF);
    flash_.bootIsp.assign(2048, 0xFF);
    flash_.link1.assign(8192, 0xFF);
    flash_.link2.assign(4096, 0xFF);
}

void SimGt9xxxFlash::SetIdentity(const char productId[4], uint16_t version) {
    uint8_t id[6];
    std::memcpy(id, productId, 4);
    id[4] = static_cast<uint8_t>(version);
    id[5] = static_cast<uint8_t>(version >> 8);
    std::copy(id, id + 6, flash_.ss51[0].begin());
    Fill(kIdentity, id, 6);
}

uint8_t* SimGt9xxxFlash::SramAt(uint32_t address, size_t length) {
    const auto within = [&](uint32_t start, size_t size) {
        return address >= start && address - start < size && length <= size - (address - start);
    };
    if (within(kWindowC, 2 * kWindow)) return sram_[bank_ & 3].data() + (address - kWindowC);
    if (within(kStaging, kWindow)) return staging_.data() + (address - kStaging);
    return nullptr;
}

void SimGt9xxxFlash::Read(uint32_t address, uint8_t* out, size_t length) {
    if (gone_) {
        std::fill(out, out + length, 0);
        return;
    }
    if (const uint8_t* run = SramAt(address, length)) {
        std::copy_n(run, length, out);
    } else {
        for (size_t i = 0; i < length; ++i) {
            const uint32_t a = address + static_cast<uint32_t>(i);
            if (uint8_t* cell = SramAt(a)) {
                out[i] = *cell;
            } else if (a == kHold) {
                out[i] = faults_.holdNeverTakes ? 0x00 : Get(a);
            } else if (a == kWatchdog) {
                out[i] = faults_.watchdogStaysOn ? 0x01 : Get(a);
            } else {
                out[i] = Get(a);
            }
        }
    }
    if (faults_.corruptReadBackOfCommand && lastCommand_ == faults_.corruptReadBackOfCommand &&
        length > 1 && SramAt(address)) {
        out[length / 2] ^= 0x5A;
    }
}

void SimGt9xxxFlash::Write(uint32_t address, const uint8_t* data, size_t length) {
    if (uint8_t* run = SramAt(address, length)) {
        std::copy_n(data, length, run);
    } else {
        for (size_t i = 0; i < length; ++i) {
            const uint32_t a = address + static_cast<uint32_t>(i);
            if (uint8_t* cell = SramAt(a)) {
                *cell = data[i];
                continue;
            }
            Set(a, data[i]);
            if (a == kBank) bank_ = data[i] & 3;
            if (a == kBurn) {
                if (data[i] >= 1 && data[i] <= 9) {
                    lastCommand_ = data[i];
                    Burn(data[i]);
                    if (!faults_.burnNeverCompletes) Set(kBurn, 0);
                } else if (data[i] == 0x99) {
                    finished_ = true;
                }
            }
        }
    }
    config_.Written(*this, address, length);
}

void SimGt9xxxFlash::Burn(uint8_t command) {
    ++burns_;
    auto fromWindow = [&](uint32_t window, size_t n) {
        const uint8_t* src =
            window == kStaging ? staging_.data() : sram_[bank_ & 3].data() + (window - kWindowC);
        return std::vector<uint8_t>(src, src + n);
    };
    switch (command) {
        case 1:
            flash_.ss51[0] = fromWindow(kWindowC, kWindow);
            break;
        case 2:
            flash_.ss51[1] = fromWindow(kWindowE, kWindow);
            break;
        case 3:
            flash_.ss51[2] = fromWindow(kWindowC, kWindow);
            break;
        case 4:
            flash_.ss51[3] = fromWindow(kWindowE, kWindow);
            break;
        case 5:
            flash_.dsp = fromWindow(kStaging, 4096);
            break;
        case 6:
            flash_.bootloader = fromWindow(kStaging, 2048);
            break;
        case 7:
            flash_.bootIsp = fromWindow(kStaging, 2048);
            break;
        case 8:
            flash_.link1 = fromWindow(kStaging, 8192);
            break;
        case 9:
            flash_.link2 = fromWindow(kStaging, 4096);
            break;
        default:
            break;
    }
}

void SimGt9xxxFlash::Reset() {
    if (finished_ && faults_.goneAfterReset) gone_ = true;
    Set(kHold, 0);
    Set(kWatchdog, 1);
    finished_ = false;
    lastCommand_ = 0;
    Fill(kIdentity, flash_.ss51[0].data(), 6);
}

void SimGt9xxxFlash::InstallHandlers(SimBridge& bridge) {
    std::weak_ptr<SimChip> self = weak_from_this();
    bridge.SetCommandHandler(4, [self](const BridgeRequest&, std::vector<Report>&) {
        if (auto chip = self.lock()) static_cast<SimGt9xxxFlash&>(*chip).Reset();
    });
}

std::vector<uint8_t> SimGt9xxxFlash::IspStub() const {
    return std::vector<uint8_t>(sram_[2].begin(), sram_[2].begin() + 4096);
}

}  // namespace sim
