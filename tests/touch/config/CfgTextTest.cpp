#include <gtest/gtest.h>

#include "platform/TextError.h"
#include "support/MockRegisterAccess.h"
#include "support/TempFolder.h"
#include "touch/config/BaseConfig.h"
#include "touch/config/CfgText.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Parse(const std::string& text) {
    return ParseCfgText(reinterpret_cast<const uint8_t*>(text.data()), text.size(),
                        platform::CodePage());
}

}  // namespace

TEST(CfgText, FieldsGiveBytes) {
    struct Case {
        std::string text;
        Bytes bytes;
    } cases[] = {
        {"0x41,0x42", {0x41, 0x42}},
        {",,0x41,,0x42,", {0x41, 0x42}},
        {"41, 0x42,5", {0x41, 0x42, 0x05}},
        {"0x41,\r\n0x42", {0x41, 0x42}},
        {"0x1234", {0x34}},
        {"0x41,0x42\r\n", {0x41, 0x42}},  // the last value keeps its digits
        {"0x41, \t\r\n", {0x41}},         // a field of blanks and line ends is no value
        {"0x41 ,0xzz", {0x41, 0x00}},
        {"", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(Parse(c.text), c.bytes) << c.text;
}

TEST(CfgText, MoreValuesThanTheImageHoldsAreRefused) {
    std::string text;
    for (int i = 0; i < 4096; ++i) text += "0x01,";
    EXPECT_EQ(Parse(text).size(), 4096u);
    EXPECT_THROW(Parse(text + "0x02"), platform::TextError);
}

class CfgFile : public ::testing::Test {
  protected:
    testsupport::TempFolder folder;
    ::testing::StrictMock<testsupport::MockRegisterAccess> bridge;
    // A main block of three values, no extended block.
    ChipIniSettings settings = [] {
        ChipIniSettings s;
        s.CfgLength = 3;
        return s;
    }();
    platform::SteadyClock clock;
    CBaseConfig config{ConfigContext{bridge, clock, settings, folder.Files(), {}, {}, {}}};
};

TEST_F(CfgFile, LoadCfgTextFillsTheImageFromTheFile) {
    folder.Write("GT911_A.cfg", "0x12,0x34,0x56\r\n");
    config.Image()[3] = 0x77;  // left from an earlier load
    config.LoadCfgText(".\\GT911_A.cfg");
    EXPECT_EQ(config.ImageLength(), 3);
    EXPECT_EQ(Bytes(config.Image(), config.Image() + 4), (Bytes{0x12, 0x34, 0x56, 0x00}));
    EXPECT_EQ(config.Path(), ".\\GT911_A.cfg");
    EXPECT_NE(config.FileTime(), 0);
}

TEST_F(CfgFile, APathThatCannotBeOpenedIsTakenAsAMask) {
    folder.Write("cfg/GT911_B.cfg", "0x01,0x02,0x03");
    config.LoadCfgText(".\\cfg\\*.cfg");
    EXPECT_EQ(config.Path(), ".\\cfg\\GT911_B.cfg");
    EXPECT_EQ(config.Image()[0], 0x01);
    try {
        config.LoadCfgText(".\\cfg\\*.none");
        FAIL();
    } catch (const platform::TextError& e) {
        EXPECT_STREQ(e.what(), "Open config file failed");
    }
    EXPECT_EQ(config.Path(), ".\\cfg\\GT911_B.cfg");
}
