#include "bridgefw/IntelHex.h"

#include <array>
#include <cstring>

namespace {

constexpr std::array<int8_t, 256> MakeDigitTable() {
    std::array<int8_t, 256> table{};
    for (auto& value : table) value = -1;
    for (int c = '0'; c <= '9'; ++c) table[c] = static_cast<int8_t>(c - '0');
    for (int c = 'A'; c <= 'F'; ++c) table[c] = static_cast<int8_t>(c - 'A' + 10);
    for (int c = 'a'; c <= 'f'; ++c) table[c] = static_cast<int8_t>(c - 'a' + 10);
    return table;
}
constexpr std::array<int8_t, 256> kDigits = MakeDigitTable();

// The byte of two hexadecimal digits, or -1.
int ByteAt(const char* text) {
    const int high = kDigits[static_cast<uint8_t>(text[0])];
    const int low = kDigits[static_cast<uint8_t>(text[1])];
    return (high | low) < 0 ? -1 : (high << 4) | low;
}

enum RecordType {
    kData = 0,
    kEndOfFile = 1,
    kSegment = 2,
    kStartSegment = 3,
    kLinear = 4,
    kStartLinear = 5
};

}  // namespace

bool DecodeIntelHex(const char* text, size_t textLength, uint8_t* output, uint32_t& outputLength) {
    if (textLength) std::memset(output, 0, textLength);
    outputLength = 0;
    if (textLength < 2) return false;
    uint64_t linearBase = 0;
    uint64_t segmentBase = 0;
    size_t position = 0;
    // Address (2), type, data, checksum.
    uint8_t record[kIntelHexMaxCount + 4];
    while (position + 2 <= textLength) {
        if (text[position] != ':' || position + 3 > textLength) return false;
        const int count = ByteAt(text + position + 1);
        if (count < 0 || count > kIntelHexMaxCount) return false;
        const size_t recordEnd = position + 13 + 2 * static_cast<size_t>(count);
        if (recordEnd > textLength) return false;
        unsigned sum = static_cast<unsigned>(count);
        const char* digits = text + position + 3;
        for (int i = 0; i < count + 4; ++i) {
            const int value = ByteAt(digits + 2 * i);
            if (value < 0) return false;
            record[i] = static_cast<uint8_t>(value);
            sum += static_cast<unsigned>(value);
        }
        if ((sum & 0xFF) != 0) return false;
        const uint32_t offset = (uint32_t{record[0]} << 8) | record[1];
        const uint8_t* data = record + 3;
        switch (record[2]) {
            case kData: {
                const uint64_t address = linearBase + segmentBase + offset;
                if (address + static_cast<uint64_t>(count) > textLength) return false;
                std::memcpy(output + address, data, static_cast<size_t>(count));
                const uint64_t end = address + static_cast<uint64_t>(count);
                if (end > outputLength) outputLength = static_cast<uint32_t>(end);
                break;
            }
            case kEndOfFile:
                return true;
            case kSegment:
                if (count != 2) return false;
                segmentBase = ((uint64_t{data[0]} << 8) | data[1]) * 16;
                break;
            case kLinear:
                if (count != 2) return false;
                linearBase = ((uint64_t{data[0]} << 8) | data[1]) * 65536;
                break;
            case kStartSegment:
            case kStartLinear:
                if (count != 4) return false;
                break;
            default:
                return false;
        }
        position = recordEnd;
    }
    return false;
}
