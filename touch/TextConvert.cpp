#include "touch/TextConvert.h"

#include <cctype>
#include <cstddef>
#include <limits>

#include "platform/AsciiCase.h"

namespace {

template <typename T>
T FoldHex(const std::string& text) {
    T value = 0;
    for (char ch : text) {
        const char c = platform::AsciiUpper(ch);
        unsigned digit;
        if (c >= '0' && c <= '9') {
            digit = static_cast<unsigned>(c - '0');
        } else if (c >= 'A' && c <= 'F') {
            digit = static_cast<unsigned>(c - 'A' + 10);
        } else {
            continue;
        }
        value = static_cast<T>((value << 4) | digit);
    }
    return value;
}

}  // namespace

uint16_t HexTextToValue(const std::string& text) { return FoldHex<uint16_t>(text); }

uint64_t HexTextToUInt64(const std::string& text) { return FoldHex<uint64_t>(text); }

void SplitByComma(std::string text, std::vector<std::string>& array) {
    std::vector<std::string> items;
    size_t comma;
    while ((comma = text.find(',')) != std::string::npos) {
        if (comma > 0) items.push_back(text.substr(0, comma));
        text.erase(0, comma + 1);
    }
    items.push_back(text);
    array.insert(array.begin(), items.begin(), items.end());
}

int32_t DecimalTextToInt(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    int64_t value = 0;
    constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > kLimit) value = kLimit;
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(value);
}
