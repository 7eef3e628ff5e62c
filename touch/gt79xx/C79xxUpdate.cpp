#include "touch/gt79xx/C79xxUpdate.h"

#include <algorithm>
#include <vector>

#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/Format.h"
#include "resources/MessageTable.h"
#include "touch/ChipRegistry.h"
#include "touch/config/ConfigContext.h"
#include "touch/gt79xx/C79xxChip.h"
#include "touch/gt79xx/C79xxConfig.h"

namespace {

constexpr uint32_t kUpdateFlagAddr = 0xD807;
constexpr uint32_t kUpdateStateAddr = 0xD054;
constexpr uint32_t kIspStartAddr = 0xD808;
constexpr uint32_t kMemoryCheckAddr = 0x10000;
constexpr uint32_t kIspSignatureAddr = 0x1001E;
constexpr int kAttempts = 10;
constexpr int kIspSignatureReads = 200;
constexpr int kChunkPollTries = 50;

void PutLE(uint8_t* at, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

void C79xxUpdate::LoadTravellingConfig(const std::string& configPath) {
    if (registry_.CurrentFamily() != C79xxChip::kFamily) return;
    // Read as the configuration step reads it: the header and the body it states, which the
    // file must hold; the bridge block and any values after it are no part of the chip's
    // configuration.
    C79xxConfig config(ConfigContextOf(registry_));
    config.LoadCfgText(configPath);
    const int32_t length = config.ImageLength();
    if (length < 1 || length >= static_cast<int32_t>(kConfigCapacity)) return;
    config_.reset(new uint8_t[kConfigCapacity]);
    std::fill(config_.get(), config_.get() + kConfigCapacity, 0xFF);
    std::copy(config.Image(), config.Image() + length, config_.get());
    configLength_ = static_cast<uint32_t>(length);
}

bool C79xxUpdate::EnterUpdateMode() {
    bridge_.SendBridgeCommand(kCmdUpdateEntryFirst);
    bridge_.SendBridgeCommand(kCmdUpdateEntrySecond);
    // The probe has no buffer: its own header is its data area, and a read of length 0 leaves
    // it as built. Only the packed header layout gives a nonzero first byte.
    const RequestForm probe{.type = kRequestRead,
                            .command = kCmdUpdateProbe,
                            .address = 0,
                            .timeoutMs = 1000,
                            .end = QueueEnd::Front};
    bool probed = false;
    for (int attempt = 0; attempt < kAttempts && !probed; ++attempt) {
        std::array<uint8_t, 6> header{};
        probed = bridge_.Exchange(probe, nullptr, 0, &header) && header[0] != 0;
    }
    if (!probed) return false;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        bridge_.WriteByte(kUpdateFlagAddr, 0xFF);
        Pause(5);
        if (bridge_.ReadByte(kUpdateFlagAddr) == 0xFF) {
            bridge_.WriteByte(kUpdateStateAddr, 0x00);
            return true;
        }
        Pause(10);
    }
    return false;
}

bool C79xxUpdate::LoadIsp() {
    const auto end = SubImages.begin() + SubImageCount;
    const auto isp = std::find_if(SubImages.begin(), end, [](const SubImageEntry& entry) {
        return entry.type == gt79xx::kSubImageIsp;
    });
    if (isp == end) return false;
    std::vector<uint8_t> readBack(isp->size);
    if (!bridge_.WriteRegs(kIspLoadAddr, isp->data, isp->size) ||
        !bridge_.ReadRegs(kIspLoadAddr, readBack.data(), isp->size, 100) ||
        !std::equal(readBack.begin(), readBack.end(), isp->data)) {
        return false;
    }
    uint8_t pattern[8];
    std::fill(std::begin(pattern), std::end(pattern), 0x55);
    uint8_t check[8] = {};
    if (!bridge_.WriteRegs(kMemoryCheckAddr, pattern, sizeof(pattern))) return false;
    Pause(5);
    if (!bridge_.ReadRegs(kMemoryCheckAddr, check, sizeof(check), 100) ||
        !std::equal(std::begin(check), std::end(check), std::begin(pattern))) {
        return false;
    }
    if (!bridge_.WriteByte(kIspStartAddr, 0x00)) return false;
    Pause(10);
    for (int read = 0; read < kIspSignatureReads; ++read) {
        uint8_t signature[6] = {};
        bridge_.ReadRegs(kIspSignatureAddr, signature, sizeof(signature), 100);
        if (signature[3] == 'I' && signature[4] == 'S' && signature[5] == 'P') return true;
    }
    return false;
}

void C79xxUpdate::LogProgressPercent(uint32_t percent) const {
    Log(resources::LoadMessageText(413) + ":" + std::to_string(percent) + "%", LogProgress);
}

bool C79xxUpdate::WriteFlashBlocks(const SubImageEntry& entry) {
    std::vector<uint8_t> chunk(kChunkSize + 4);
    uint32_t offset = 0;
    uint32_t target = entry.loadAddress;
    do {
        const uint32_t length = std::min(kChunkSize, entry.size - offset);
        std::copy(entry.data + offset, entry.data + offset + length, chunk.begin());
        PutLE(chunk.data() + length, WordSum32(chunk.data(), length / 2), 4);
        uint8_t header[13] = {0x00, 0x00, 0x0B, 0xBB, entry.type};
        PutLE(header + 5, length + 4, 2);
        PutLE(header + 7, target, 4);
        uint16_t sum = 0;
        for (int i = 0; i <= 10; ++i) sum = static_cast<uint16_t>(sum + header[i]);
        PutLE(header + 11, sum, 2);
        if (!bridge_.WriteRegs(kMailboxDataAddr, chunk.data(), length + 4) ||
            !bridge_.WriteRegs(kMailboxHeaderAddr, header, sizeof(header)) ||
            !bridge_.PollByte(kMailboxHeaderAddr, kChunkAcknowledged, kChunkPollTries)) {
            return false;
        }
        offset += length;
        target += length;
        ProgressBytes += length;
        LogProgressPercent(ProgressBytes * 100 / (imageLength_ - 8));
    } while (offset < entry.size);
    return true;
}

bool C79xxUpdate::WriteSubImages() {
    ProgressBytes = 0;
    LogProgressPercent(0);
    auto writeRows = [this](bool configuration) {
        for (size_t i = 0; i < SubImageCount; ++i) {
            const SubImageEntry& row = SubImages[i];
            if (row.type == gt79xx::kSubImageIsp) continue;
            if ((row.type == gt79xx::kSubImageConfig) != configuration) continue;
            if (!WriteFlashBlocks(row)) return false;
        }
        return true;
    };
    if (!writeRows(false) || !writeRows(true)) return false;
    LogProgressPercent(100);
    return true;
}

bool C79xxUpdate::CloseUpdate() {
    bridge_.SendBridgeCommand(kCmdUpdateExitFirst);
    bridge_.SendBridgeCommand(kCmdUpdateExitSecond);
    if (!bridge_.ResetChip()) {
        LogRes(415, LogError);
        return false;
    }
    LogRes(416, LogInfo);
    return true;
}

bool C79xxUpdate::Fail(unsigned message) {
    LogRes(message, LogError);
    CloseUpdate();
    return false;
}

bool C79xxUpdate::Update() {
    // The table and every sub-image must lie inside the loaded image; nothing is sent to the
    // chip for an image that fails its checks, but the update is still closed.
    Gt79xxImageTable table;
    if (!ImageLoaded() || !ReadGt79xxImageTable(image_.get(), imageLength_, table)) {
        return Fail(367);
    }
    SubImageCount = table.count;
    HeaderTag = table.tag;
    SubImages = table.rows;
    LogRes(362, LogBusy);
    if (!EnterUpdateMode()) return Fail(367);
    LogRes(363, LogBusy);
    if (!LoadIsp()) return Fail(364);
    if (config_ && configLength_ >= 1 && configLength_ < kConfigCapacity) {
        LogRes(460, LogBusy);
        // Sent in whole 256-byte units, padded with the buffer's 0xFF.
        const SubImageEntry configuration{.type = gt79xx::kSubImageConfig,
                                          .size = (configLength_ + 255) / 256 * 256,
                                          .loadAddress = kConfigLoadAddr,
                                          .data = config_.get()};
        if (!WriteFlashBlocks(configuration)) return Fail(461);
    }
    if (!WriteSubImages()) return Fail(414);
    if (!CloseUpdate()) {
        // The closing sequence runs once more.
        CloseUpdate();
        return false;
    }
    return true;
}

std::string C79xxUpdate::GetFirmwareVersionText() {
    const uint8_t* image = image_.get();
    // The model characters end at a zero byte, as the chip's own name does.
    std::string chars;
    for (int i = 17; i <= 20 && image[i] != 0; ++i) chars += static_cast<char>(image[i]);
    std::string name = "GT" + platform::Latin1ToUtf8(chars);
    if (name == "GT7988") name = "GT7987P";
    return name +
           platform::Format("_%02X.%02X.%02X.%02X", image[25], image[26], image[27], image[28]);
}

bool C79xxUpdate::IsSameVersion() {
    bool detected = false;
    for (int attempt = 0; attempt < 5 && !detected; ++attempt) detected = registry_.DetectChip();
    return detected && GetFirmwareVersionText() == settings_.ChipIdentity;
}

bool C79xxUpdate::CheckFirmwareFile() {
    return CFwUpdate::CheckFirmwareFile() && Gt79xxBodySumHolds(image_.get(), imageLength_);
}
