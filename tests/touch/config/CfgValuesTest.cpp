// Reading the values of a ".cfg" file only as far as they are asked for.
#include <gtest/gtest.h>

#include "support/TempFolder.h"
#include "support/ThrownText.h"
#include "touch/config/CfgText.h"

namespace {

using Bytes = std::vector<uint8_t>;

// `count` values 0x00, 0x01, ... written "0x%02X," with a line break after every 16.
std::string Values(size_t count) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (size_t i = 0; i < count; ++i) {
        const auto v = static_cast<uint8_t>(i);
        text +=
            std::string("0x") + kDigits[v >> 4] + kDigits[v & 15] + (i % 16 == 15 ? ",\r\n" : ",");
    }
    return text;
}

Bytes Counting(size_t count) {
    Bytes bytes(count);
    for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(i);
    return bytes;
}

struct ReadCase {
    const char* what;
    std::string text;
    size_t limit;
    CfgExcess excess;
    Bytes values;
    std::string thrown;
};

void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.what; }

class CfgValuesRead : public ::testing::TestWithParam<ReadCase> {
  protected:
    testsupport::TempFolder folder;
};

}  // namespace

TEST_P(CfgValuesRead, GivesTheValuesAskedFor) {
    const ReadCase& c = GetParam();
    folder.Write("A.cfg", c.text);
    std::string opened;
    Bytes values;
    EXPECT_EQ(testsupport::ThrownText([&] {
                  values = ReadCfgValues(folder.Files(), ".\\A.cfg", c.limit, c.excess, opened);
              }),
              c.thrown);
    if (c.thrown.empty()) {
        EXPECT_EQ(values, c.values);
        EXPECT_EQ(opened, ".\\A.cfg");
    }
}

// A value split across the pieces the file is read in (64 KiB) keeps its digits; the text
// after the values asked for may be anything, even a field no reader would hold.
INSTANTIATE_TEST_SUITE_P(
    Files, CfgValuesRead,
    ::testing::Values(
        ReadCase{"fewer values than asked", Values(10), 20, CfgExcess::Ignore, Counting(10), ""},
        ReadCase{"more values than asked: ignored", Values(4000), 210, CfgExcess::Ignore,
                 Counting(210), ""},
        ReadCase{"more values than asked: refused",
                 Values(4097),
                 4096,
                 CfgExcess::Refuse,
                 {},
                 "Config file holds more than 4096 values"},
        ReadCase{"exactly as many as the bound", Values(4096), 4096, CfgExcess::Refuse,
                 Counting(4096), ""},
        ReadCase{"nothing asked for", Values(5), 0, CfgExcess::Ignore, {}, ""},
        ReadCase{"a value across a piece boundary", std::string(65535 - 2, ',') + "0x41,0x42", 5,
                 CfgExcess::Ignore, Bytes{0x41, 0x42}, ""},
        ReadCase{"a huge field after the values asked for", Values(3) + std::string(3 << 20, '7'),
                 3, CfgExcess::Ignore, Counting(3), ""},
        ReadCase{"a huge field among them",
                 Values(3) + std::string(3 << 20, '7'),
                 4,
                 CfgExcess::Ignore,
                 {},
                 "Config file holds a value of more than 1048576 bytes of text"},
        ReadCase{"blank fields between the values", ",, ,\r\n,0x05,\t,0x06", 2, CfgExcess::Refuse,
                 Bytes{0x05, 0x06}, ""}),
    [](const ::testing::TestParamInfo<ReadCase>& info) { return std::to_string(info.index); });

TEST(CfgValues, TheTextReaderStopsAtItsLimitToo) {
    const std::string text = Values(300) + "zz,0x1234567";
    const auto* data = reinterpret_cast<const uint8_t*>(text.data());
    EXPECT_EQ(ParseCfgText(data, text.size(), 210, platform::CodePage()), Counting(210));
    EXPECT_EQ(ParseCfgText(data, text.size(), platform::CodePage()).size(), 302u);
    EXPECT_EQ(ParseCfgText(data, text.size(), platform::CodePage()).back(), 0x67);
}

TEST(CfgValues, AFileThatCannotBeOpenedIsTheOpenError) {
    testsupport::TempFolder folder;
    folder.MakeFolder("folder.cfg");
    std::string opened;
    for (const char* path : {".\\none.cfg", ".\\folder.cfg"}) {
        EXPECT_EQ(testsupport::ThrownText(
                      [&] { ReadCfgValues(folder.Files(), path, 10, CfgExcess::Ignore, opened); }),
                  "Open config file failed")
            << path;
    }
}
