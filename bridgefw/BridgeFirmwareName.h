#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/CodePage.h"

class RegisterAccess;

// Bridge firmware is named the way its files are: a model prefix chosen by the bridge's USB
// product id, then the firmware version from the bridge's identity text, e.g. "Sabc_v2.10".

// The model prefix of a product id: a row of the prefix table, else "S%x_v".
std::string BridgeFirmwarePrefix(uint16_t productId);

// The version in an identity text: the part after its last "_" (the whole text when there is
// none), less one leading "v" or "V".
std::string BridgeFirmwareVersion(const std::string& identity);

// The name for identity bytes as the bridge returns them: 8-bit text that ends at the first
// zero byte or after `length` bytes (at most 32), in the code page.
std::string BridgeFirmwareNameOf(const uint8_t* identity, size_t length, uint16_t productId,
                                 const platform::CodePage& codePage);

// Reads the bridge's identity (bridge command 3, 32 bytes, 300 ms) and names its firmware.
// Empty when there is no bridge device (nullptr) or the read fails.
std::string GetBridgeFirmwareName(RegisterAccess* bridge, uint16_t productId,
                                  const platform::CodePage& codePage);

// Whether a bridge image's file name allows the bridge's firmware version `version`: the text
// after the first "_v" or "_V" of the file name less its extension begins with the version,
// ASCII letters compared without case, and the character behind the version, if any, is no
// ASCII letter or digit and no "." ("S102_v2.10 (1).hex", "S102_v2.10_5A3C.bin" and
// "S105_v2.10.hex" allow 2.10; "S102_v2.1.hex", "S102_v2.10.1.hex" and "S102_v2.10B.hex" do
// not). An empty version is allowed by no name that carries a version; a name without "_v"
// carries none and allows any.
bool ImageNameAllowsVersion(const std::string& imagePath, const std::string& version);

// Empty when a bridge reporting `firmwareName` (a name as GetBridgeFirmwareName gives it, empty
// when the bridge did not answer) runs the version the image's file name carries; otherwise the
// error line that gives the bridge's name and version and the image's file name.
std::string FirmwareMismatch(const std::string& firmwareName, const std::string& imagePath);
