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

// The firmware name a bridge image gives: its file name without the extension and, for a raw
// image (any extension but ".hex"), without the "_" and the checksum characters behind its last
// "_" ("S102_v2.10.hex" and "S102_v2.10_EDCC.bin" both give "S102_v2.10").
std::string ImageFirmwareName(const std::string& imagePath);

// Empty when a bridge reporting `firmwareName` runs the image (the names compared without the
// case of ASCII letters); otherwise the error line that gives both names.
std::string FirmwareMismatch(const std::string& firmwareName, const std::string& imagePath);
