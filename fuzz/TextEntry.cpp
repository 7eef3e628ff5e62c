#include <string>
#include <vector>

#include "fuzz/FuzzEntries.h"
#include "fuzz/FuzzSupport.h"
#include "touch/TextConvert.h"

namespace fuzz {

int TextEntry(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    Require(HexTextToValue(text) == static_cast<uint16_t>(HexTextToUInt64(text)),
            "16-bit hexadecimal is the low part of the 64-bit value");
    DecimalTextToInt(text);

    std::vector<std::string> items{"kept"};
    SplitByComma(text, items);
    Require(!items.empty() && items.back() == "kept", "items go before what the array held");
    size_t commas = 0, characters = 0;
    for (char c : text) commas += c == ',';
    for (size_t i = 0; i + 1 < items.size(); ++i) {
        Require(items[i].find(',') == std::string::npos, "no item holds a comma");
        characters += items[i].size();
    }
    Require(items.size() - 1 <= commas + 1, "at most one item more than commas");
    Require(characters + commas == text.size(), "items and commas make up the text");
    return 0;
}

}  // namespace fuzz
