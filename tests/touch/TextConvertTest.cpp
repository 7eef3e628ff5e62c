#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "touch/TextConvert.h"

namespace {

using Texts = std::vector<std::string>;

TEST(TextConvertTest, HexTextToValueKeepsSixteenBits) {
    EXPECT_EQ(HexTextToValue("0x8048"), 0x8048);
    EXPECT_EQ(HexTextToValue("8B98"), 0x8B98);
    EXPECT_EQ(HexTextToValue("8b98"), 0x8B98);
    EXPECT_EQ(HexTextToValue(""), 0);
    EXPECT_EQ(HexTextToValue("0x10174"), 0x0174);
    EXPECT_EQ(HexTextToValue(" 0x12 3-4 "), 0x1234);
    EXPECT_EQ(HexTextToValue("xyz"), 0);
}

TEST(TextConvertTest, HexTextToUInt64KeepsSixtyFourBits) {
    EXPECT_EQ(HexTextToUInt64("0x10174"), 0x10174u);
    EXPECT_EQ(HexTextToUInt64("1" + std::string(16, 'F')), 0xFFFFFFFFFFFFFFFFull);
    EXPECT_EQ(HexTextToUInt64("0xffff"), 0xFFFFu);
}

TEST(TextConvertTest, SplitByComma) {
    Texts a;
    SplitByComma("GT911,GT927,GT9110P,", a);
    EXPECT_EQ(a, (Texts{"GT911", "GT927", "GT9110P", ""}));
    Texts b;
    SplitByComma(",GT911", b);
    EXPECT_EQ(b, (Texts{"GT911"}));
    Texts c;
    SplitByComma("GT9286, GT7288", c);
    EXPECT_EQ(c, (Texts{"GT9286", " GT7288"}));
    Texts d;
    SplitByComma("", d);
    EXPECT_EQ(d, (Texts{""}));
    Texts e{"X"};
    SplitByComma("A,B", e);
    EXPECT_EQ(e, (Texts{"A", "B", "X"}));
    Texts f;
    SplitByComma("A,,B", f);
    EXPECT_EQ(f, (Texts{"A", "B"}));
}

TEST(TextConvertTest, DecimalTextToInt) {
    EXPECT_EQ(DecimalTextToInt("186"), 186);
    EXPECT_EQ(DecimalTextToInt("  42abc"), 42);
    EXPECT_EQ(DecimalTextToInt("-3"), -3);
    EXPECT_EQ(DecimalTextToInt("abc"), 0);
    EXPECT_EQ(DecimalTextToInt("0x10"), 0);
    EXPECT_EQ(DecimalTextToInt("99999999999999999999"), INT_MAX);
    EXPECT_EQ(DecimalTextToInt("-99999999999999999999"), INT_MIN);
}

}  // namespace
