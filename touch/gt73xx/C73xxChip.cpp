#include "touch/gt73xx/C73xxChip.h"

#include "platform/Format.h"
#include "touch/ChipIniReader.h"

bool C73xxChip::SendCommand(int index) {
    if (index != 0 && Records[0].length == 0) return false;
    return SendRecord(index, kCmdCommandRecord);
}

bool C73xxChip::SendCommandAlt() { return SendRecord(0, kCmdCommandRecordAlt); }

std::string C73xxChip::ModelName(const uint8_t* productId) {
    return RenameModel(NameFromBytes(productId, 4));
}

std::string C73xxChip::RenameModel(const std::string& name) {
    static const Rename kRenames[] = {{"GT7388", "GT7387P"}, {"GT7382", "GT7382H"}};
    return ApplyRename(name, kRenames);
}

bool C73xxChip::IdentifyChip() {
    // A first read of register 0x8000 precedes the identity read; its value is not used.
    Bridge.ReadByte(0x8000);
    uint8_t b[10] = {};
    if (!Bridge.ReadRegs(0x8240, b, sizeof(b), 100)) return false;
    const std::string version = platform::Format("_%02X.%02X.%02X", b[5], b[6], b[7]);
    const std::string name = ModelName(b);
    return SettleIdentity(name, name + version,
                          {.name = "GT7387", .keepFamily = kFamilyGT73xx, .identityToo = false});
}

void C73xxChip::LoadChipIni() {
    chipini::ReadGtSettings(
        Files(), Settings, Messages,
        {chipini::kCreateFailedEn, "72", "44", "0x8050", chipini::kUiFileMissingShort});
}

void C73xxChip::InitCommandTable() {
    static const CommandRecord kTable[5] = {{0x8040, 3, {0x00, 0x00, 0x00}},
                                            {0x8040, 3, {0x01, 0x00, 0xFF}},
                                            {0x8040, 3, {0x02, 0x00, 0xFE}},
                                            {0x8040, 3, {0x0D, 0x00, 0xF3}},
                                            {0x8040, 3, {0x01, 0x00, 0xFF}}};
    FillRecords(kTable);
}

void C73xxChip::Prepare() { InitCommandTable(); }

void C73xxChip::ReadChannelCounts() {
    uint8_t b[4] = {};
    if (!Bridge.ReadRegs(CfgAddressKey("SenNumAddr", "0x81CC"), b, 4, 100)) return;
    Settings.RawDataRows = Settings.DiffDataRows = b[0] + b[2];
    Settings.RawDataCols = Settings.DiffDataCols = b[1] + b[3];
}
