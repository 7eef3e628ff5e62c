#pragma once

#include <cstddef>
#include <cstdint>

// The largest data count of one Intel-HEX record that the decoder takes.
inline constexpr int kIntelHexMaxCount = 251;

// Decodes Intel-HEX text into `output`, which holds at least textLength bytes and is
// zero-filled first; outputLength becomes the highest data address written + 1 (gaps stay
// zero). True when the end-of-file record is reached.
//
// Every record is ":" count(2) address(4) type(2) data(2 x count) checksum(2), followed by
// exactly two characters (the line end), the last record included. Digits are hexadecimal
// in either case; the 8-bit sum of the record's bytes is 0; the count is at most 251. Types:
// 0 data, 1 end of file, 2 extended segment address (x 16) and 4 extended linear address
// (x 65536), both with two data bytes, 3 and 5 start addresses (four data bytes, ignored).
// Anything else, or data that would lie beyond textLength bytes, fails.
bool DecodeIntelHex(const char* text, size_t textLength, uint8_t* output, uint32_t& outputLength);
