#pragma once

#include <array>
#include <cstdint>

// Request types carried in the header and in CDeviceRequest.
enum RequestType : int {
    kRequestRead = 0,
    kRequestWrite = 1,
    kRequestOpen = 2,
    kRequestClosePath = 3,
    kRequestHeaderAsData = 4,
    kRequestDescribe = 5,
};

// Bridge command codes, named by what the program uses them for. What the bridge does inside
// is its firmware's business.
enum BridgeCommand : int {
    kCmdBridgeIdentity = 3,      // read the bridge firmware's identity text
    kCmdResetChip = 4,           // reset the touch controller
    kCmdCommandRecord = 6,       // write a chip command record
    kCmdCommandRecordAlt = 7,    // write a chip command record, second form
    kCmdEnterBootMode = 14,      // the bridge leaves for its own boot mode
    kCmdRegister = 15,           // plain register read or write
    kCmdDownloadEnd = 18,        // end of a section-wise download; before re-reading the chip
    kCmdFactoryModeCheck = 19,   // the bridge confirms a chip in factory mode
    kCmdUpdateProbe = 36,        // first request of a packed-header update
    kCmdReadBlock32 = 38,        // 32 register bytes through the bridge's block read
    kCmdUpdateExitSecond = 40,   // sent after kCmdUpdateExitFirst when a download ends
    kCmdUpdateEntrySecond = 41,  // sent after kCmdUpdateEntryFirst on entry into update mode
    kCmdUpdateExitFirst = 42,
    kCmdUpdateEntryFirst = 43,
    kCmdReadBridgeConfig = 48,   // read the bridge's own configuration block
    kCmdWriteBridgeConfig = 49,  // write it
};

// How the current touch-controller family wants its requests laid out. The bridge's owner
// gives it to the device whenever the family changes.
struct HeaderLayout {
    // Type in bit 7 of byte 0 and the command below it; address bits 16-23 in byte 1; the
    // reports of a multi-report write carry no continuation markers.
    bool packedCommand = false;
    // Marker put in byte 2 of the first report of a multi-report write; 0: none.
    uint8_t firstReportMarker = 0;

    bool operator==(const HeaderLayout&) const = default;
};

// The six bytes that lead every request report: type, command, address, length.
struct BridgeCommandHeader {
    std::array<uint8_t, 6> bytes{};

    static BridgeCommandHeader Build(int type, int command, uint32_t address, uint16_t length,
                                     const HeaderLayout& layout);
};
