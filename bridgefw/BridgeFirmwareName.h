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
