#include "touch/ft5xxx/CFT5xxxUpdate.h"

#include "platform/Clock.h"
#include "touch/ChipRegistry.h"

namespace {

constexpr uint32_t kBootCommand = 0xFF;
constexpr uint32_t kBootId = 0x90;

}  // namespace

bool CFT5xxxUpdate::IsSameVersion() {
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (registry_.DetectChip()) return true;
    }
    return false;
}

bool CFT5xxxUpdate::CheckFirmwareFile() {
    const std::string& path = Path();
    const size_t separator = path.find_last_of("\\/");
    const std::string name = separator == std::string::npos ? path : path.substr(separator + 1);
    static const std::string kStart = "FT", kEnd = "app.bin";
    return name.compare(0, kStart.size(), kStart) == 0 && name.size() >= kEnd.size() &&
           name.compare(name.size() - kEnd.size(), kEnd.size(), kEnd) == 0;
}

bool CFT5xxxUpdate::EnterUpdateMode() {
    static const uint8_t kEnter[3] = {0xEB, 0xAA, 0x09};
    static const uint8_t kResetA[2] = {0xFC, 0xAA};
    static const uint8_t kResetB[2] = {0xFC, 0x55};
    if (!bridge_.WriteByte(0x00, 0x00) || !bridge_.WriteByte(kBootCommand, 0x55)) return false;
    if (!bridge_.SendBridgeCommand(kCmdUpdateEntrySecond) ||
        !bridge_.SendBridgeCommand(kCmdUpdateEntryFirst)) {
        return false;
    }
    if (!bridge_.WriteRegs(kBootCommand, kEnter, sizeof(kEnter)) ||
        !bridge_.WriteRegs(kBootCommand, kResetA, sizeof(kResetA))) {
        return false;
    }
    Pause(10);
    if (!bridge_.WriteRegs(kBootCommand, kResetB, sizeof(kResetB))) return false;
    Pause(80);
    if (!bridge_.WriteRegs(kBootCommand, kEnter, sizeof(kEnter)) ||
        !bridge_.WriteByte(kBootCommand, 0x55)) {
        return false;
    }
    Pause(12);
    for (int attempt = 0; attempt < 50; ++attempt) {
        uint8_t id[2] = {};
        if (!bridge_.ReadRegs(kBootId, id, sizeof(id), 100)) return false;
        if (id[0] == 0x56 && id[1] == 0xA2) return true;
    }
    return false;
}

bool CFT5xxxUpdate::Update() { return false; }

std::string CFT5xxxUpdate::GetFirmwareVersionText() { return {}; }
