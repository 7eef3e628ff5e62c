#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace sim {

// Files of a simulated GT911's configuration, for the demonstration and the tests that run
// the program: its UI item file and ".cfg" files for it.

// The UI item text: Config_Version (0x8047), X_Resolution and Y_Resolution (16 bits each,
// from two records), Touch_Number (0x804C bits 0-3), INT_Trigger (a choice list, 0x804D bits
// 0-1) and Module_Switch1 (0x804D, shown in hexadecimal).
std::string Gt911UiItemText();

// A UI item text as the program stores it: five header bytes, then every byte plus 1.
std::string StoredUiItemFile(const std::string& text);

// A valid bridge configuration block: USB&IIC, touch reports, VID 27C6, PID 0102, 115200 baud,
// a 400.0 x 240.0 mm screen.
std::array<uint8_t, 24> DemoBridgeBlock();

// A ".cfg" text of a GT9xxx block of `length` bytes (at least 8): the version in byte 0, the
// items above filled in, the checksum and the flag 1 at the end; followed by the bridge block
// when `withBridgeBlock`. Values are written "0x%02X," with a line break after every 16.
std::string Gt9xxxCfgText(uint8_t version, size_t length, bool withBridgeBlock);

}  // namespace sim
