#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Hexadecimal text to a number: every digit 0-9 and A-F (either case) shifts the value four
// bits left and adds itself; every other character ("x" of "0x", blanks, signs) is skipped.
// The value keeps its low 16 bits, so only the last four digits count: "0x10174" gives
// 0x0174. An empty text gives 0.
uint16_t HexTextToValue(const std::string& text);
// The same with a 64-bit value (the last sixteen digits count).
uint64_t HexTextToUInt64(const std::string& text);

// Splits a text at every "," and inserts the items, in their order, before the entries the
// array already holds. Items are not trimmed. Empty items before a "," are left out, but
// the part after the last "," is always an item: "A,B," gives "A", "B", ""; ",A" gives
// "A"; "" gives "".
void SplitByComma(std::string text, std::vector<std::string>& array);

// The leading decimal number of a text (blanks and a sign may lead), 0 when there is none;
// a number beyond the 32-bit range gives the nearest 32-bit value.
int32_t DecimalTextToInt(const std::string& text);
