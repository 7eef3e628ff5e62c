#include "touch/gt79xx/C79xxChip.h"

#include <algorithm>

#include "platform/Format.h"
#include "platform/TextError.h"
#include "touch/ChipIniReader.h"

namespace {

uint32_t U32At(const uint8_t* b) {
    return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24);
}

// The block's checksum holds: the 16-bit sum of bytes 0 to n-3 equals the word at 187,
// n being the signed length at offset 0. A length that reaches past the block fails.
bool InfoBlockChecksumHolds(const uint8_t* b, size_t size) {
    const int n = static_cast<int16_t>(b[0] | (b[1] << 8));
    if (n - 2 > static_cast<int>(size)) return false;
    uint16_t sum = 0;
    for (int i = 0; i <= n - 3; ++i) sum = static_cast<uint16_t>(sum + b[i]);
    return sum == (b[187] | (b[188] << 8));
}

}  // namespace

C79xxChip::C79xxChip(const ChipContext& context)
    : CBaseChip(context),
      Config(ConfigContext{context.bridge,
                           context.clock,
                           context.settings,
                           context.files,
                           context.currentFamily,
                           {},
                           {}}) {}

bool C79xxChip::SendCommand(int index) {
    if (index == 0) return SendRecord(0, kCmdCommandRecord);
    if (Records[0].length == 0) return false;
    if (!SendRecord(index, kCmdCommandRecord)) return false;
    const uint32_t address = Settings.RealTimeCmdAddr;
    return Bridge.PollByte(address + 1, 0x80, 20) && Bridge.PollByte(address, 0x80, 100);
}

bool C79xxChip::SendCommandAlt() { return SendRecord(0, kCmdCommandRecordAlt); }

std::string C79xxChip::RenameModel(const std::string& name) {
    static const Rename kRenames[] = {{"GT6876F", "GA6876F"}, {"GT6875", "GA6875"}};
    return ApplyRename(name, kRenames);
}

bool C79xxChip::IdentifyChip() {
    uint8_t b[23] = {};
    if (!Bridge.ReadRegs(0x10014, b, sizeof(b), 100)) return false;
    const std::string version =
        platform::Format("_%02X.%02X.%02X.%02X", b[18], b[19], b[20], b[21]);
    const std::string name = RenameModel(NameFromBytes(b + 10, 5));
    return SettleIdentity(name, name + version,
                          {.name = "GT7936", .keepFamily = kFamilyGT79xx, .identityToo = false});
}

void C79xxChip::OnChipNameChanged(NameSource) {
    LoadGt79ChipIni();
    InitCommandTable();
}

std::optional<std::string> C79xxChip::OwnConfigVersionText() {
    ReadChannelInfo();
    return platform::Format("0x%04X", FwVersionWord);
}

bool C79xxChip::ReadChannelInfo() {
    std::array<uint8_t, kInfoBlockSize> block{};
    if (!Bridge.ReadRegs(kInfoBlockAddr, block.data(), block.size(), 100)) return false;
    InfoBlock = block;
    ChipIniSettings& s = Settings;
    if (InfoBlockChecksumHolds(block.data(), block.size())) {
        const int32_t drivers = std::min<int32_t>(block[28], s.DrvMaxNum);
        const int32_t sensors = std::min<int32_t>(block[29], s.SenMaxNum);
        s.RealTimeCmdAddr = U32At(&block[39]);
        FwVersionWord = U32At(&block[6]);
        s.RawDataCols = s.DiffDataCols = drivers;
        s.RawDataRows = s.DiffDataRows = sensors;
    } else {
        FwVersionWord = 0xFFFF;
    }
    int x = 0, y = 0;
    try {
        Config.ReadAll();
        Config.GetItemValue("XmaxAddr", x);
        Config.GetItemValue("YmaxAddr", y);
    } catch (const platform::TextError&) {
        return false;
    }
    s.XResolution = x == 0 || x == 0xFFFF ? 16384 : x;
    s.YResolution = y == 0 || y == 0xFFFF ? 9600 : y;
    return true;
}

void C79xxChip::LoadGt79ChipIni() {
    ChipIniSettings& s = Settings;
    // The column counts default to the sensor maximum as well.
    chipini::ReadFlagMaximaAndCounts(Files(), Settings, Messages, chipini::kCreateFailedEn,
                                     "0x10274", 75, 52, chipini::ColumnDefault::SensorMaximum);
    chipini::ReadChannelMaps(Files(), Settings);
    s.CFGAddr = chipini::Hex64(Files(), s, "Cfg", "CFGAddr", "0x13B74");
    s.CfgLength = chipini::Int(Files(), s, "Cfg", "CfgLength", 4096);
    s.ExtCfgAddr = chipini::Hex16(Files(), s, "Cfg", "ExtCfgAddr", "0xBF7B");
    s.ExtCfgLength = chipini::Decimal(Files(), s, "Cfg", "ExtCfgLength", "0");
    s.RealTimeCmdAddr = static_cast<uint32_t>(
        chipini::Hex64(Files(), s, "RealTimeCmd", "RealTimeCmdAddr", "0x10174"));
    chipini::FindUiItemFile(Files(), Settings, Messages, chipini::kUiFileMissingShort);
}

void C79xxChip::InitCommandTable() {
    static const CommandRecord kTable[5] = {
        {0x10174, 6, {0x00, 0x00, 0x04, 0x00, 0x04, 0x00}},
        {0x10174, 6, {0x00, 0x00, 0x04, 0x02, 0x06, 0x00}},
        {0x10174, 6, {0x00, 0x00, 0x04, 0x01, 0x05, 0x00}},
        {0x10174, 6, {0x00, 0x00, 0x04, 0x00, 0x04, 0x00}},
        {0x10174, 7, {0x00, 0x00, 0x05, 0x90, 0x84, 0x19, 0x01}}};
    FillRecords(kTable);
}

void C79xxChip::Prepare() { Settings.RealTimeCmdAddr = 0x10174; }
