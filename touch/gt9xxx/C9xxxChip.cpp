#include "touch/gt9xxx/C9xxxChip.h"

#include "platform/Format.h"
#include "touch/ChipIniReader.h"

bool C9xxxChip::SendCommand(int index) {
    const int record = index == 0 ? 0 : 1;
    Bridge.WriteByte(0x8046, static_cast<uint8_t>(record));
    return SendRecord(record, kCmdCommandRecord);
}

bool C9xxxChip::SendCommandAlt() { return SendRecord(0, kCmdCommandRecordAlt); }

std::string C9xxxChip::ModelName(const uint8_t* productId) {
    return RenameModel(NameFromBytes(productId, 4));
}

std::string C9xxxChip::RenameModel(const std::string& name) {
    static const Rename kRenames[] = {
        {"GT9111", "GT9110P"}, {"GT9112", "GT9110H"}, {"GT6109", "GT6108H"}, {"GT6572", "GA6572"}};
    return ApplyRename(name, kRenames);
}

bool C9xxxChip::IdentifyChip() {
    uint8_t b[8] = {};
    if (!Bridge.ReadRegs(0x8140, b, sizeof(b), 100)) return false;
    const std::string version = platform::Format("_%4X", b[4] | (b[5] << 8));
    const std::string name = ModelName(b);
    return SettleIdentity(name, name + version,
                          {.name = "GT9110H", .keepFamily = kFamilyNone, .identityToo = false});
}

void C9xxxChip::LoadChipIni() {
    chipini::ReadGtSettings(Files(), Settings, Messages,
                            {chipini::kCreateFailedEn, "30", "42", "0x8047", nullptr});
}

void C9xxxChip::InitCommandTable() {
    static const CommandRecord kTable[5] = {{0x8040, 1, {0x00}},
                                            {0x8040, 1, {0x01}},
                                            {0x8040, 1, {0x01}},
                                            {0x8040, 1, {0x00}},
                                            {0x8040, 1, {0x01}}};
    FillRecords(kTable);
}

void C9xxxChip::Prepare() {
    LoadChipIni();
    InitCommandTable();
}
