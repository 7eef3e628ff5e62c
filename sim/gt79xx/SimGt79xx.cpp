#include "sim/gt79xx/SimGt79xx.h"

#include <algorithm>

#include "sim/SimBridge.h"

namespace sim {

namespace {

constexpr uint32_t kIspStartAddr = 0xD808;
constexpr uint32_t kIspSignatureAddr = 0x1001E;
constexpr uint32_t kMailboxHeaderAddr = 0x13400;
constexpr uint32_t kMailboxDataAddr = 0x13410;
constexpr uint8_t kAcknowledged = 0xEE;
constexpr uint8_t kRefused = 0xFF;

void PutU32(uint8_t* at, uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t U32At(const uint8_t* b) {
    return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24);
}

}  // namespace

SimGt79xx::SimGt79xx(const std::string& productId, std::array<uint8_t, 4> version) {
    SetProductId(productId);
    SetVersion(version);
    SetInfo(Info{});
}

void SimGt79xx::SetProductId(const std::string& productId) {
    productId_ = productId;
    SetText(kIdAddr + 10, productId, 5);
}

void SimGt79xx::SetVersion(std::array<uint8_t, 4> version) {
    version_ = version;
    Fill(kIdAddr + 18, version.data(), version.size());
}

void SimGt79xx::SetInfo(const Info& info) {
    info_ = info;
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

void SimGt79xx::SetConfig(const std::vector<uint8_t>& image) {
    Fill(kConfigAddr, image.data(), std::min<size_t>(image.size(), 4096));
}

void SimGt79xx::InstallHandlers(SimBridge& bridge) {
    auto self = std::static_pointer_cast<SimGt79xx>(shared_from_this());
    bridge.SetCommandHandler(4,
                             [self](const BridgeRequest&, std::vector<Report>&) { self->Reset(); });
    bridge.SetCommandHandler(
        43, [self](const BridgeRequest&, std::vector<Report>&) { self->entryFirst_ = true; });
    bridge.SetCommandHandler(41, [self](const BridgeRequest&, std::vector<Report>&) {
        self->updateState_ = self->entryFirst_;
    });
    bridge.SetCommandHandler(
        42, [self](const BridgeRequest&, std::vector<Report>&) { self->entryFirst_ = false; });
}

bool SimGt79xx::InConfig(uint32_t address, size_t length) const {
    return !ispRunning_ && address < kConfigAddr + kConfigSize && address + length > kConfigAddr;
}

void SimGt79xx::Read(uint32_t address, uint8_t* out, size_t length) {
    if (gone_) {
        std::fill(out, out + length, 0);
        return;
    }
    RegisterMap::Read(address, out, length);
    if (silentReads_ != 0 && address < kIdAddr + kIdSize && address + length > kIdAddr) {
        for (size_t i = 0; i < length; ++i) {
            const uint32_t at = address + static_cast<uint32_t>(i);
            if (at >= kIdAddr && at < kIdAddr + kIdSize) out[i] = 0;
        }
        if (silentReads_ > 0) --silentReads_;
    }
    // Outside a read bracket the configuration is not handed out.
    if (InConfig(address, length) && bracket_ != Bracket::Read) {
        for (size_t i = 0; i < length; ++i) {
            if (InConfig(address + static_cast<uint32_t>(i), 1)) out[i] = 0xFF;
        }
    }
}

void SimGt79xx::TakeFrame(const uint8_t* frame, size_t length) {
    // 0x00 0x00, the length byte n (4, or 5 with a parameter), the command, the parameter,
    // then the 16-bit sum of bytes 2 to n - 1, low byte first: n + 2 bytes in all.
    const size_t n = length >= 3 ? frame[2] : 0;
    if ((n != 4 && n != 5) || length != n + 2 || frame[0] != 0 || frame[1] != 0) return;
    uint16_t sum = 0;
    for (size_t i = 2; i < n; ++i) sum = static_cast<uint16_t>(sum + frame[i]);
    if (sum != (frame[n] | (frame[n + 1] << 8))) return;
    switch (frame[3]) {
        case kOpenWrite:
            bracket_ = Bracket::Write;
            RegisterMap::Read(kConfigAddr, pending_.data(), pending_.size());
            break;
        case kCloseWrite:
            if (bracket_ != Bracket::Write) return;
            Fill(kConfigAddr, pending_.data(), pending_.size());
            bracket_ = Bracket::None;
            break;
        case kOpenRead:
            bracket_ = Bracket::Read;
            break;
        case kCloseRead:
            if (bracket_ != Bracket::Read) return;
            bracket_ = Bracket::None;
            break;
        default:
            break;
    }
    const uint32_t at = info_.realTimeCmdAddr;
    Set(at, 0x80);
    Set(at + 1, 0x80);
}

void SimGt79xx::Write(uint32_t address, const uint8_t* data, size_t length) {
    if (gone_) return;
    if (InConfig(address, length)) {
        // Only a write bracket takes a configuration, and only when it closes; elsewhere
        // the configuration's bytes are left as they are.
        for (size_t i = 0; i < length; ++i) {
            const uint32_t at = address + static_cast<uint32_t>(i);
            if (!InConfig(at, 1)) {
                Set(at, data[i]);
            } else if (bracket_ == Bracket::Write) {
                pending_[at - kConfigAddr] = data[i];
            }
        }
    } else {
        RegisterMap::Write(address, data, length);
    }
    const bool answers = acknowledge_ && !faults_.neverAcknowledge;
    if (address == info_.realTimeCmdAddr && answers) TakeFrame(data, length);
    if (address == kIspStartAddr && length >= 1 && data[0] == 0 && updateState_) {
        ispRunning_ = true;
        SetText(kIspSignatureAddr + 3, "ISP", 3);
    }
    if (address == kMailboxHeaderAddr && length == 13 && ispRunning_ && !faults_.neverAcknowledge) {
        TakeChunk(data);
    }
}

void SimGt79xx::TakeChunk(const uint8_t* header) {
    uint16_t sum = 0;
    for (int i = 0; i <= 10; ++i) sum = static_cast<uint16_t>(sum + header[i]);
    const uint8_t type = header[4];
    const uint32_t framed = header[5] | (header[6] << 8);
    const uint32_t target = U32At(header + 7);
    const bool headerHolds = header[2] == 0x0B && header[3] == 0xBB &&
                             sum == (header[11] | (header[12] << 8)) && framed >= 4;
    const uint32_t length = headerHolds ? framed - 4 : 0;
    std::vector<uint8_t> chunk(length + 4);
    RegisterMap::Read(kMailboxDataAddr, chunk.data(), chunk.size());
    uint32_t words = 0;
    for (uint32_t i = 0; i + 1 < length; i += 2) words += chunk[i] | (chunk[i + 1] << 8);
    const bool accepted = headerHolds && words == U32At(chunk.data() + length) &&
                          uint64_t{target} + length <= kFlashSize &&
                          static_cast<int>(type) != faults_.rejectSubImageType;
    if (!accepted) {
        Set(kMailboxHeaderAddr, kRefused);
        return;
    }
    std::copy(chunk.begin(), chunk.begin() + length, flash_.begin() + target);
    chunks_.push_back({type, target, length});
    if (type == 2 && target == kFlashConfigAddr) configWritten_ = true;
    if (type != 2 && target == 0 && length >= 8) firmwareWritten_ = true;
    Set(kMailboxHeaderAddr, kAcknowledged);
}

void SimGt79xx::Reset() {
    const bool updated = ispRunning_;
    ispRunning_ = false;
    updateState_ = false;
    bracket_ = Bracket::None;
    if (updated && faults_.goneAfterReset) {
        gone_ = true;
        return;
    }
    if (updated) silentReads_ = faults_.silentAfterReset;
    if (firmwareWritten_) {
        productId_.assign(flash_.begin(), flash_.begin() + 4);
        version_ = {flash_[4], flash_[5], flash_[6], flash_[7]};
        Info info = info_;
        info.firmwareVersion = U32At(flash_.data() + 4);
        SetInfo(info);
    }
    // The running firmware shows its identity again, over what the ISP stub left there.
    SetProductId(productId_);
    SetVersion(version_);
    if (configWritten_) {
        const size_t body = flash_[kFlashConfigAddr + 59] | (flash_[kFlashConfigAddr + 60] << 8);
        const size_t length = std::min<size_t>(body + 64, 4096);
        Fill(kConfigAddr, flash_.data() + kFlashConfigAddr, length);
    }
}

}  // namespace sim
