#include "touch/config/ChoiceValue.h"

#include <algorithm>

#include "touch/TextConvert.h"

namespace {

// The index of the first choice with this text; the number of choices when there is none.
size_t FirstChoice(const CConfigItem& item, const std::string& text) {
    return static_cast<size_t>(std::find(item.Choices.begin(), item.Choices.end(), text) -
                               item.Choices.begin());
}

}  // namespace

std::string ChoiceValueText(const CConfigItem& item, uint64_t value, const std::string& number) {
    if (value < item.Choices.size() && FirstChoice(item, item.Choices[value]) == value) {
        return item.Choices[value];
    }
    std::string text = number;
    while (FirstChoice(item, text) < item.Choices.size()) text.insert(0, 1, ' ');
    return text;
}

uint64_t ChoiceTextValue(const CConfigItem& item, const std::string& text,
                         uint64_t (*readNumber)(const std::string&)) {
    const size_t index = FirstChoice(item, text);
    return index < item.Choices.size() ? index : readNumber(text);
}

uint64_t ReadDecimalText(const std::string& text) {
    return static_cast<uint64_t>(int64_t{DecimalTextToInt(text)});
}

uint64_t ReadHexText(const std::string& text) { return HexTextToValue(text); }
