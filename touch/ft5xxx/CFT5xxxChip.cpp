#include "touch/ft5xxx/CFT5xxxChip.h"

#include <cstring>

#include "bridge/DeviceRequest.h"
#include "bridge/HidDevice.h"
#include "platform/CodePage.h"
#include "touch/ChipIniReader.h"
#include "touch/ChipIniSettings.h"

namespace {

constexpr uint8_t kModeRegister = 0x00;
constexpr uint8_t kFactoryMode = 0x40;
constexpr int kFactoryModeAttempts = 5;

}  // namespace

bool CFT5xxxChip::SendCommand(int index) {
    if (index == 0) {
        SendRecord(0, kCmdRecord6);
        return false;
    }
    for (int attempt = 0; attempt < kFactoryModeAttempts; ++attempt) {
        CHidDevice::WriteByte(kModeRegister, kFactoryMode);
        if (CHidDevice::ReadByte(kModeRegister) == kFactoryMode) break;
    }
    return SendRecord(index, kCmdRecord6);
}

bool CFT5xxxChip::SendCommandAlt() { return SendRecord(0, kCmdRecord7); }

bool CFT5xxxChip::IdentifyChip() {
    if (!Device) return false;
    // A chip already in factory mode, known by name: the bridge confirms it with command 19.
    if (CHidDevice::PollByte(kModeRegister, kFactoryMode, 1) && IsChipInList(ChipIni().ChipName)) {
        CDeviceRequest request;
        request.targetHandle = platform::kNoHandle;
        request.Init(kRequestRead, 0, nullptr, 1, kCmd19, 100);
        return CHidDevice::Submit(request, true) && request.header.bytes[0] == 1;
    }
    uint8_t b[32] = {};
    if (!CHidDevice::ReadBlock32(0xA6, b)) return false;
    std::string text;
    std::string name;
    if (b[0] == 'F' && b[1] == 'T') {
        text = platform::AnsiToUtf8(b, strnlen(reinterpret_cast<const char*>(b), sizeof(b)));
        name = platform::Utf8Prefix(text, 6);
    }
    return SettleIdentity(name, text, "FT5XXX", kFamilyFT5xxx, true);
}

void CFT5xxxChip::OnChipNameChanged(bool) {
    LoadFt5ChipIni();
    InitCommandTable();
}

bool CFT5xxxChip::ReadChannelInfo() {
    bool ready = false;
    for (int attempt = 0; attempt < kFactoryModeAttempts && !ready; ++attempt) {
        CHidDevice::WriteByte(kModeRegister, kFactoryMode);
        ready =
            CHidDevice::ReadByte(kModeRegister) == kFactoryMode && CHidDevice::ReadByte(0xB4) == 0;
    }
    if (!ready) return false;
    ChipIniSettings& s = ChipIni();
    int32_t tx = CHidDevice::ReadByte(0x02);
    int32_t rx = CHidDevice::ReadByte(0x03);
    if (tx == 0 || tx > 60) tx = 60;
    if (rx == 0 || rx > 80) rx = 80;
    s.RawDataCols = s.DiffDataCols = tx;
    s.RawDataRows = s.DiffDataRows = rx;
    int32_t x = s.XResolution;
    int32_t y = s.YResolution;
    uint8_t b[32] = {};
    if (CHidDevice::ReadBlock32(0x95, b)) {
        x = b[0] * 256 + b[1];
        y = b[2] * 256 + b[3];
    }
    s.XResolution = x ? x : 1920;
    s.YResolution = y ? y : 1080;
    return true;
}

void CFT5xxxChip::LoadFt5ChipIni() {
    chipini::ReadFlagMaximaAndCounts(chipini::kCreateFailedZh, "0xFFFF", 80, 60, false);
}

void CFT5xxxChip::InitCommandTable() {
    static const CommandRecord kTable[5] = {{0x00, 1, {0x00}},
                                            {0x06, 1, {0x00}},
                                            {0x06, 1, {0x01}},
                                            {0x06, 1, {0x00}},
                                            {0x06, 1, {0x00}}};
    FillRecords(kTable);
}
