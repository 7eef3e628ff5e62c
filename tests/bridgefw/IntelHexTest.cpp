#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "bridgefw/IntelHex.h"
#include "platform/Format.h"
#include "sim/BridgeImage.h"

namespace {

// One record with its checksum, ending in CR LF.
std::string Record(unsigned address, unsigned type, const std::vector<uint8_t>& data,
                   int checksumError = 0) {
    unsigned sum = static_cast<unsigned>(data.size()) + (address >> 8) + (address & 0xFF) + type;
    std::string text =
        platform::Format(":%02X%04X%02X", static_cast<unsigned>(data.size()), address, type);
    for (uint8_t b : data) {
        text += platform::Format("%02X", static_cast<unsigned>(b));
        sum += b;
    }
    return text + platform::Format("%02X\r\n", (0x100 - sum + checksumError) & 0xFF);
}
const std::string kEnd = ":00000001FF\r\n";

std::vector<uint8_t> Bytes(size_t n, uint8_t first) {
    std::vector<uint8_t> bytes(n);
    for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<uint8_t>(first + i);
    return bytes;
}

struct Decoded {
    bool ok;
    uint32_t length;
    std::vector<uint8_t> output;
};

Decoded Decode(const std::string& text) {
    Decoded d{false, 0, std::vector<uint8_t>(text.size() + 1, 0xCC)};
    d.ok = DecodeIntelHex(text.data(), text.size(), d.output.data(), d.length);
    return d;
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

TEST(IntelHex, AcceptsAndRefusesTexts) {
    struct Case {
        const char* what;
        std::string text;
        bool ok;
        uint32_t length;
    };
    const std::string twoBlocks = Record(0x0000, 0, Bytes(16, 1)) + Record(0x0020, 0, Bytes(16, 1));
    std::string lfOnly = Record(0, 0, Bytes(4, 1)) + kEnd;
    for (size_t at; (at = lfOnly.find("\r\n")) != std::string::npos;) lfOnly.erase(at, 1);
    const Case cases[] = {
        {"one data record", Record(0, 0, Bytes(5, 1)) + kEnd, true, 5},
        {"lower-case digits", Lower(Record(0, 0, Bytes(5, 0xAA)) + kEnd), true, 5},
        {"gap between records", twoBlocks + kEnd, true, 0x30},
        {"segment base times 16", Record(0, 2, {0x00, 0x01}) + Record(0, 0, Bytes(2, 1)) + kEnd,
         true, 18},
        {"start addresses ignored",
         Record(0, 3, {1, 2, 3, 4}) + Record(0, 5, {1, 2, 3, 4}) + Record(0, 0, Bytes(2, 1)) + kEnd,
         true, 2},
        {"single LF line ends", lfOnly, false, 0},
        {"no line end after the end record", Record(0, 0, Bytes(4, 1)) + ":00000001FF", false, 4},
        {"no end record", Record(0, 0, Bytes(4, 1)), false, 4},
        {"wrong record sum", Record(0, 0, Bytes(4, 1), 1) + kEnd, false, 0},
        {"record type 6", Record(0, 6, {}) + kEnd, false, 0},
        {"count above 251", Record(0, 0, Bytes(252, 0)) + kEnd, false, 0},
        {"count of 251", Record(0, 0, Bytes(251, 0)) + kEnd, true, 251},
        {"letter in the data", ":02000000G1FF00\r\n" + kEnd, false, 0},
        {"letter in the count", ":G0000000000\r\n" + kEnd, false, 0},
        {"data beyond the text", Record(0xFFF0, 0, Bytes(4, 1)) + kEnd, false, 0},
        {"segment record without its word", Record(0, 2, {}) + kEnd, false, 0},
        {"no colon", " " + Record(0, 0, Bytes(4, 1)) + kEnd, false, 0},
        {"one character", ":", false, 0},
    };
    for (const Case& c : cases) {
        const Decoded d = Decode(c.text);
        EXPECT_EQ(d.ok, c.ok) << c.what;
        if (c.ok) {
            EXPECT_EQ(d.length, c.length) << c.what;
        }
    }
}

TEST(IntelHex, GapsAreZeroAndDataLandsAtItsAddress) {
    const Decoded d =
        Decode(Record(0x0000, 0, Bytes(16, 1)) + Record(0x0020, 0, Bytes(16, 0x41)) + kEnd);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.output[0x0F], 16);
    for (size_t i = 0x10; i < 0x20; ++i) EXPECT_EQ(d.output[i], 0) << i;
    EXPECT_EQ(d.output[0x20], 0x41);
    EXPECT_EQ(d.output[0x2F], 0x50);
}

TEST(IntelHex, LinearBaseAboveSixtyFourKilobytes) {
    const auto image = sim::MakeBridgeImage("Halden_V2.10", 0x10010);
    const Decoded d = Decode(sim::ToIntelHex(image));
    ASSERT_TRUE(d.ok);
    ASSERT_EQ(d.length, image.size());
    EXPECT_TRUE(std::equal(image.begin(), image.end(), d.output.begin()));
}

// Seeded random damage to valid texts and random texts: the decoder never writes beyond the
// output of the text's size (the sanitizer presets watch the buffer) and never claims more.
TEST(IntelHex, RandomInputStaysInsideTheOutput) {
    std::mt19937 random(20261208);
    const std::string valid =
        sim::ToIntelHex(sim::MakeBridgeImage("Halden_V2.10", 600)) + Record(0, 2, {0x10, 0});
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        if (round % 3 == 0) {
            text.resize(random() % 200);
            for (char& c : text) c = static_cast<char>(":0123456789ABCDEFx\r\n"[random() % 20]);
        } else {
            text = valid.substr(0, random() % (valid.size() + 1));
            for (int n = static_cast<int>(random() % 6); n > 0 && !text.empty(); --n)
                text[random() % text.size()] = static_cast<char>(random());
        }
        std::vector<uint8_t> output(text.size());
        uint32_t length = 0;
        DecodeIntelHex(text.data(), text.size(), output.data(), length);
        ASSERT_LE(length, text.size());
    }
}
