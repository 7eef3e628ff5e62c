#include <gtest/gtest.h>

#include "touch/config/ChoiceValue.h"

namespace {

struct ChoiceCase {
    std::vector<std::string> choices;
    uint64_t value;
    std::string shown;  // the text of the value
};

class ChoiceValue : public ::testing::TestWithParam<ChoiceCase> {};

}  // namespace

TEST_P(ChoiceValue, TheTextShownReadsBackAsTheValue) {
    CConfigItem item;
    item.ControlKind = kControlChoice;
    item.Choices = GetParam().choices;
    const std::string shown =
        ChoiceValueText(item, GetParam().value, std::to_string(GetParam().value));
    EXPECT_EQ(shown, GetParam().shown);
    EXPECT_EQ(ChoiceTextValue(item, shown, ReadDecimalText), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Choices, ChoiceValue,
    ::testing::Values(ChoiceCase{{"Off", "On"}, 1, "On"},
                      // No choice names 5: the number, not the first choice.
                      ChoiceCase{{"Off", "On"}, 5, "5"}, ChoiceCase{{}, 3, "3"},
                      // The fillers of a sparse list name only their first index.
                      ChoiceCase{{"A", "res", "res", "C"}, 1, "res"},
                      ChoiceCase{{"A", "res", "res", "C"}, 2, "2"},
                      // A number text that is also a choice's text is led by a blank.
                      ChoiceCase{{"1", "2", "4", "8"}, 4, " 4"},
                      ChoiceCase{{"1", "2", "4", " 4"}, 4, "  4"},
                      ChoiceCase{{"1", "2", "4", "8"}, 2, "4"}));

TEST(ChoiceText, ThatIsNoChoiceAndNoNumberIsZero) {
    CConfigItem item;
    item.ControlKind = kControlChoice;
    item.Choices = {"Off", "On"};
    EXPECT_EQ(ChoiceTextValue(item, "Maybe", ReadDecimalText), 0u);
    EXPECT_EQ(ChoiceTextValue(item, "7F", ReadHexText), 0x7Fu);
}
