#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "touch/config/ConfigItem.h"

class CBaseConfig;

// The bridge's own 24-byte configuration block: interface mode, mouse and report behaviour,
// serial protocol and baud rate, the USB vendor and product ids the bridge presents and the
// screen's active-area size. 16-bit fields are stored high byte first:
//
//   0      length of the block, 24
//   1      bit 0 Interface, bit 1 MouseRightClickDis, bit 2 MouseDoubleClickEn, bit 3 WackupEn,
//          bits 4-5 ReportType, bits 6-7 Uart Protocal
//   2-3    VID            4-5  PID            6  Uart Buad (choice index)
//   8-9    DimensionX     10-11 DimensionY (0.1 mm)
//   7, 12-21  not described, written 0
//   22-23  16-bit sum of bytes 0-21
//
// A block is valid when its checksum holds and its length byte is 1 to 24. The items come
// from a built-in description in the UI item grammar; they show as the page "HaldenConfig"
// (group "Halden") at the end of the owning configuration's page tree. The PID choices are
// the product ids of the bridges: 0102, 0301 and 0401.
class CBridgeConfigList {
  public:
    static constexpr size_t kBlockLength = 24;
    static constexpr const char* kPageName = "HaldenConfig";
    static constexpr const char* kGroupName = "Halden";

    // `owner` (not owned, may be null) receives the bridge page.
    explicit CBridgeConfigList(CBaseConfig* owner);

    // Checks the block; valid: the item value texts from it (an empty initial value text
    // too), the owner's bridge group marked present (mode 1) and true; else the group marked
    // absent (mode 2) and false, the item texts unchanged. The present mark follows the group
    // and changes only when the owner's page tree holds it.
    bool Decode();
    // The item value texts into the block, with its length byte and checksum; true.
    bool Encode();
    // Encodes the items and compares the result with the block as it stands, outside the bytes
    // the block's layout fixes (length byte, bytes 7 and 12-21, checksum); the block is left as
    // it stood. Where encoding would not give back the block, throws a platform::TextError
    // naming the first byte that differs and the item written there.
    void CheckEncodingGivesBackBlock();
    // Appends the page "HaldenConfig" with the items' groups (mode 1) to the owner's tree.
    void BuildPageTree();

    // A block whose checksum holds and whose length byte is 1 to 24.
    static bool IsValid(const std::array<uint8_t, kBlockLength>& block);

    const std::vector<std::unique_ptr<CConfigItem>>& Items() const { return items_; }

    // The block bytes, copied in from a file or read from the bridge, and sent to it.
    std::array<uint8_t, kBlockLength> Block{};
    // True after a Decode that found a valid block.
    bool Present = false;

  private:
    CBaseConfig* owner_;
    std::vector<std::unique_ptr<CConfigItem>> items_;
};

// The built-in description of the bridge block, in the UI item grammar.
const std::string& BridgeItemText();
