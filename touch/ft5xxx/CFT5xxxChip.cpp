#include "touch/ft5xxx/CFT5xxxChip.h"

#include <cstring>

#include "platform/CodePage.h"
#include "touch/ChipIniReader.h"

namespace {

constexpr uint8_t kModeRegister = 0x00;
constexpr uint8_t kFactoryMode = 0x40;
constexpr int kFactoryModeAttempts = 5;

}  // namespace

bool CFT5xxxChip::SendCommand(int index) {
    if (index == 0) {
        SendRecord(0, kCmdCommandRecord);
        return false;
    }
    for (int attempt = 0; attempt < kFactoryModeAttempts; ++attempt) {
        Bridge.WriteByte(kModeRegister, kFactoryMode);
        if (Bridge.ReadByte(kModeRegister) == kFactoryMode) break;
    }
    return SendRecord(index, kCmdCommandRecord);
}

bool CFT5xxxChip::SendCommandAlt() { return SendRecord(0, kCmdCommandRecordAlt); }

bool CFT5xxxChip::IdentifyChip() {
    // A chip already in factory mode, known by name: the bridge confirms it with command 19.
    if (Bridge.PollByte(kModeRegister, kFactoryMode, 1) && IsChipInList(Settings.ChipName)) {
        std::array<uint8_t, 6> answer{};
        return Bridge.Exchange({kRequestRead, kCmdFactoryModeCheck, 0, 100, QueueEnd::Front},
                               nullptr, 1, &answer) &&
               answer[0] == 1;
    }
    uint8_t b[32] = {};
    if (!Bridge.ReadBlock32(0xA6, b)) return false;
    std::string text;
    std::string name;
    if (b[0] == 'F' && b[1] == 'T') {
        text = platform::AnsiToUtf8(b, strnlen(reinterpret_cast<const char*>(b), sizeof(b)),
                                    Files().codePage);
        name = platform::Utf8Prefix(text, 6);
    }
    return SettleIdentity(name, text,
                          {.name = "FT5XXX", .keepFamily = kFamilyFT5xxx, .identityToo = true});
}

void CFT5xxxChip::OnChipNameChanged(NameSource) {
    LoadFt5ChipIni();
    InitCommandTable();
}

bool CFT5xxxChip::ReadChannelInfo() {
    bool ready = false;
    for (int attempt = 0; attempt < kFactoryModeAttempts && !ready; ++attempt) {
        Bridge.WriteByte(kModeRegister, kFactoryMode);
        ready = Bridge.ReadByte(kModeRegister) == kFactoryMode && Bridge.ReadByte(0xB4) == 0;
    }
    if (!ready) return false;
    ChipIniSettings& s = Settings;
    int32_t tx = Bridge.ReadByte(0x02);
    int32_t rx = Bridge.ReadByte(0x03);
    if (tx == 0 || tx > 60) tx = 60;
    if (rx == 0 || rx > 80) rx = 80;
    s.RawDataCols = s.DiffDataCols = tx;
    s.RawDataRows = s.DiffDataRows = rx;
    int32_t x = s.XResolution;
    int32_t y = s.YResolution;
    uint8_t b[32] = {};
    if (Bridge.ReadBlock32(0x95, b)) {
        x = b[0] * 256 + b[1];
        y = b[2] * 256 + b[3];
    }
    s.XResolution = x ? x : 1920;
    s.YResolution = y ? y : 1080;
    return true;
}

void CFT5xxxChip::LoadFt5ChipIni() {
    chipini::ReadFlagMaximaAndCounts(Files(), Settings, Messages, chipini::kCreateFailedZh,
                                     "0xFFFF", 80, 60, chipini::ColumnDefault::DriverMaximum);
}

void CFT5xxxChip::InitCommandTable() {
    static const CommandRecord kTable[5] = {{0x00, 1, {0x00}},
                                            {0x06, 1, {0x00}},
                                            {0x06, 1, {0x01}},
                                            {0x06, 1, {0x00}},
                                            {0x06, 1, {0x00}}};
    FillRecords(kTable);
}
