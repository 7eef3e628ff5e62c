#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Control kinds of a configuration item.
enum ConfigControlKind : int32_t {
    kControlEdit = 0,
    kControlCheckBox = 1,
    kControlChoice = 2,
};

// Display kinds of an item's value text (the GT79xx family adds 3 and 4).
enum ConfigDisplayKind : int32_t {
    kDisplayDecimal = 0,
    kDisplayHex = 1,
    kDisplayText = 2,
};

// One configuration item described by a UI item file: where its value lies in the
// configuration block, how it is shown and its current value as text. A new item has empty
// texts, no choices, control kind 0 and every number 0.
class CConfigItem {
  public:
    std::string Name;
    // The plain loader: register address x 8 + first data bit. The record parser: the plain
    // register address (the GT79xx loader turns it into a bit address within its pack).
    int32_t BitAddress = 0;
    std::string InitialValue;  // the first value text decoding produced
    std::string Value;         // decimal, "%02X" hexadecimal or a choice text
    std::string Group;
    std::string Page;
    std::string Explanation;
    int32_t ControlKind = kControlEdit;
    std::vector<std::string> Choices;  // the choice text of value i at index i
    int32_t Width = 0;                 // bits of the value
    int32_t DataBitL = 0, DataBitH = 0, ParaBitL = 0, ParaBitH = 0;
    int32_t DisplayKind = kDisplayDecimal;
    int32_t PackNumber = 0, PackOffset = 0;
    int32_t ImagePosition = 0;  // byte position found by the last GT79xx decoding
};
