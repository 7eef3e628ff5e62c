#pragma once

#include <array>
#include <cstdint>

#include "bridge/ChipFamily.h"

// Request types carried in the header and in CDeviceRequest.
enum RequestType : int {
    kRequestRead = 0,
    kRequestWrite = 1,
    kRequestOpen = 2,
    kRequestClosePath = 3,
    kRequestHeaderAsData = 4,
    kRequestDescribe = 5,
};

// Bridge command codes.
enum BridgeCommand : int {
    kCmdBridgeIdentity = 3,
    kCmdResetChip = 4,
    kCmdRecord6 = 6,
    kCmdRecord7 = 7,
    kCmdEnterBootMode = 14,
    kCmdRegister = 15,
    kCmd18 = 18,
    kCmd19 = 19,
    kCmd36 = 36,
    kCmdRead32 = 38,
    kCmd40 = 40,
    kCmd41 = 41,
    kCmd42 = 42,
    kCmd43 = 43,
    kCmdReadBridgeConfig = 48,
    kCmdWriteBridgeConfig = 49,
};

// The six bytes that lead every request report: type, command, address, length.
struct BridgeCommandHeader {
    std::array<uint8_t, 6> bytes{};

    // Lays the header out for the given family (GT79xx packs type and command into byte 0
    // and carries address bits 16-23 in byte 1).
    static BridgeCommandHeader Build(int type, int command, uint32_t address, uint16_t length,
                                     ChipFamily family);
};
