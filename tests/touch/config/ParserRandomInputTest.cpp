// Seeded random and mutated inputs for the parsers of outside files: no crash, no read past
// the input (the inputs lie in buffers of their exact size, which the sanitizer presets
// watch), no endless loop, and no error other than the parsers' own refusal texts.
#include <gtest/gtest.h>

#include <random>

#include "platform/TextError.h"
#include "support/UiItemText.h"
#include "touch/config/CfgText.h"
#include "touch/config/UiItemFile.h"

namespace {

using Bytes = std::vector<uint8_t>;
constexpr int kRounds = 3000;

// A copy of a sample with a few random edits: bytes changed, inserted, removed, a cut, or
// a piece repeated.
Bytes Mutate(const std::string& sample, std::mt19937& rng) {
    Bytes bytes(sample.begin(), sample.end());
    const int edits = 1 + static_cast<int>(rng() % 8);
    for (int e = 0; e < edits; ++e) {
        const size_t at = bytes.empty() ? 0 : rng() % bytes.size();
        switch (rng() % 5) {
            case 0:
                if (!bytes.empty()) bytes[at] = static_cast<uint8_t>(rng());
                break;
            case 1:
                bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                             static_cast<uint8_t>("\n,-0123456789NO.\r"[rng() % 17]));
                break;
            case 2:
                if (!bytes.empty()) bytes.erase(bytes.begin() + static_cast<std::ptrdiff_t>(at));
                break;
            case 3:
                bytes.resize(at);
                break;
            default: {
                const size_t length = std::min<size_t>(rng() % 64, bytes.size() - at);
                const Bytes piece(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                                  bytes.begin() + static_cast<std::ptrdiff_t>(at + length));
                bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(at), piece.begin(),
                             piece.end());
            }
        }
    }
    return bytes;
}

Bytes RandomBytes(std::mt19937& rng) {
    Bytes bytes(rng() % 300);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(rng());
    return bytes;
}

// Each round gives a mutated sample or, one time in four, random bytes.
template <typename Parse>
void RunRounds(const std::string& sample, unsigned seed, Parse parse) {
    std::mt19937 rng(seed);
    for (int round = 0; round < kRounds; ++round) {
        const Bytes input = round % 4 == 3 ? RandomBytes(rng) : Mutate(sample, rng);
        // An exact-size heap copy, so that a read past the input is caught.
        std::unique_ptr<uint8_t[]> exact(new uint8_t[input.size() + 1]);
        std::copy(input.begin(), input.end(), exact.get());
        try {
            parse(exact.get(), input.size());
        } catch (const platform::TextError&) {
        }
    }
}

std::string SampleUiText() {
    testsupport::UiRecord choice;
    choice.ctrlType = 1;
    choice.choiceLines = {",0,Off", ",1,On", ",3,Fast"};
    testsupport::UiRecord high;
    high.address = "8048";
    high.paraBitL = 8, high.paraBitH = 15;
    choice.packNo = 1, high.packNo = 2;
    return testsupport::UiText({choice, high, testsupport::UiRecord{}});
}

}  // namespace

TEST(ParserRandomInput, UiItemFiles) {
    RunRounds(testsupport::StoredUiFile(SampleUiText()), 12, [](const uint8_t* data, size_t n) {
        for (const auto& item : ParseUiItemFile(data, n, platform::CodePage()).items) {
            EXPECT_GE(item->Width, 1);
            EXPECT_LE(item->Width, 16);
        }
    });
}

TEST(ParserRandomInput, UiRecords) {
    RunRounds(SampleUiText(), 34, [](const uint8_t* data, size_t n) {
        std::string_view text(reinterpret_cast<const char*>(data), n);
        while (auto item = ParseUiRecord(text, "GT7936")) {
            ASSERT_LT(text.size(), n);  // every record read shortens the text
            n = text.size();
        }
    });
}

TEST(ParserRandomInput, CfgTexts) {
    std::string sample;
    for (int i = 0; i < 300; ++i)
        sample += "0x" + std::to_string(10 + i % 90) + (i % 16 ? "," : ",\r\n");
    RunRounds(sample, 56, [](const uint8_t* data, size_t n) {
        EXPECT_LE(ParseCfgText(data, n, platform::CodePage()).size(), kMaxCfgValues);
    });
}
