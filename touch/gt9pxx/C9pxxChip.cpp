#include "touch/gt9pxx/C9pxxChip.h"

#include "platform/Format.h"

bool C9pxxChip::SendCommand(int index) { return SendRecord(index == 0 ? 0 : 1, kCmdCommandRecord); }

bool C9pxxChip::SendCommandAlt() { return SendRecord(0, kCmdCommandRecordAlt); }

std::string C9pxxChip::ModelName(const uint8_t* block) { return NameFromBytes(block, 4); }

std::string C9pxxChip::VersionText(const uint8_t* block) {
    return platform::Format("_%02X.%02X.%02X", block[4], block[5], block[6]);
}

bool C9pxxChip::IdentifyChip() {
    uint8_t b[kIdentityLength] = {};
    if (!Bridge.ReadRegs(kIdentityAddr, b, sizeof(b), 100)) return false;
    const std::string version = VersionText(b);
    const std::string name = ModelName(b);
    return SettleIdentity(name, name + version,
                          {.name = "GT9286", .keepFamily = kFamilyNone, .identityToo = false});
}

void C9pxxChip::OnChipNameChanged(NameSource source) {
    LoadChipIni();
    if (source == NameSource::ListedModel) InitCommandTable();
}

void C9pxxChip::InitCommandTable() {
    static const CommandRecord kTable[5] = {{0x8040, 3, {0x00, 0x00, 0x00}},
                                            {0x8040, 3, {0x01, 0x00, 0xFF}},
                                            {0x8040, 3, {0x01, 0x00, 0xFF}},
                                            {0x8040, 3, {0x01, 0x00, 0xFF}},
                                            {0x8040, 3, {0x01, 0x00, 0xFF}}};
    FillRecords(kTable);
}

void C9pxxChip::ReadChannelCounts() { ReadDriverAddressCounts(SensorByte::WholeByte); }
