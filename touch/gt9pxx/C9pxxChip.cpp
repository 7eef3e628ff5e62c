#include "touch/gt9pxx/C9pxxChip.h"

#include "platform/Format.h"

bool C9pxxChip::SendCommand(int index) { return SendRecord(index == 0 ? 0 : 1, kCmdCommandRecord); }

bool C9pxxChip::SendCommandAlt() { return SendRecord(0, kCmdCommandRecordAlt); }

bool C9pxxChip::IdentifyChip() {
    uint8_t b[8] = {};
    if (!Bridge.ReadRegs(0x8140, b, sizeof(b), 100)) return false;
    const std::string version = platform::Format("_%02X.%02X.%02X", b[4], b[5], b[6]);
    const std::string name = NameFromBytes(b, 4);
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
