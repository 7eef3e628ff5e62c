#pragma once

#include <cstdint>
#include <string>

#include "touch/config/ConfigItem.h"

// Value texts of choice items, the same for every family and for the bridge block.
//
// A choice text names the value of its index when no earlier choice has the same text (the
// fillers "res" of a sparse list, or a text given twice, name only their first index). A value
// that no choice names is shown as its number, so that encoding gives the value back instead
// of the first choice: a 2-bit field holding 3 with the choices Off and On shows "3". Where
// that number text is also some choice's text, blanks lead it until it is no choice's text;
// the number readers skip them.

// The text a choice item shows for `value`; `number` is the value's number text as the item
// shows numbers (decimal or hexadecimal).
std::string ChoiceValueText(const CConfigItem& item, uint64_t value, const std::string& number);

// The value of a choice item's text: the index of the first choice with that text; a text that
// is no choice's is read as a number by `readNumber` (0 for a text that is no number either).
uint64_t ChoiceTextValue(const CConfigItem& item, const std::string& text,
                         uint64_t (*readNumber)(const std::string&));

// Number readers for ChoiceTextValue: a decimal text as DecimalTextToInt reads it (32 bits,
// sign-extended), and a hexadecimal text as HexTextToValue reads it (16 bits).
uint64_t ReadDecimalText(const std::string& text);
uint64_t ReadHexText(const std::string& text);
