// Decoding a configuration image into item value texts and encoding them again leaves every
// byte as it was, except the bytes that the family's checksum and flag rules write: for each
// family's configuration class and for the bridge block, over seeded random images and random
// item descriptions (widths 1 to 16, every control type, choice lists shorter than their field,
// with fillers, repeated texts and texts that look like numbers).
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <sstream>

#include "platform/Format.h"
#include "support/MockRegisterAccess.h"
#include "support/TempFolder.h"
#include "support/UiItemText.h"
#include "touch/config/BaseConfig.h"
#include "touch/config/BridgeConfigList.h"
#include "touch/gt79xx/C79xxConfig.h"

using testsupport::UiRecord;

namespace {

enum class Subject { Gt9xxx, Gt73xx, Gt9pxx, Gt79xx, BridgeBlock };

const char* NameOf(Subject subject) {
    switch (subject) {
        case Subject::Gt9xxx:
            return "Gt9xxx";
        case Subject::Gt73xx:
            return "Gt73xx";
        case Subject::Gt9pxx:
            return "Gt9pxx";
        case Subject::Gt79xx:
            return "Gt79xx";
        case Subject::BridgeBlock:
            return "BridgeBlock";
    }
    return "?";
}

class Random {
  public:
    explicit Random(uint32_t seed) : engine_(seed) {}
    int Between(int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(engine_);
    }
    bool Chance(int percent) { return Between(1, 100) <= percent; }
    // Bytes with 0x00, 0xFF and channel numbers more often than the others, as configurations
    // hold them.
    uint8_t Byte() {
        const int pick = Between(0, 9);
        if (pick == 0) return 0x00;
        if (pick == 1) return 0xFF;
        if (pick == 2) return static_cast<uint8_t>(Between(0, 31));  // a channel number
        return static_cast<uint8_t>(Between(0, 255));
    }
    template <typename T>
    const T& Of(const std::vector<T>& values) {
        return values[static_cast<size_t>(Between(0, static_cast<int>(values.size()) - 1))];
    }

  private:
    std::mt19937 engine_;
};

// Choice lines for a field of `width` bits whose list stays shorter than the field, so that
// some values have no choice: sparse values (the loader fills "res"), texts given twice and
// texts that read as numbers.
std::vector<std::string> ChoiceLines(Random& random, int width) {
    static const std::vector<std::string> texts = {"Off",  "On", "Low", "High", "res",
                                                   "Fast", "0",  "1",   "2",    "3",
                                                   "5",    "12", "7F",  "A+B",  "Touch"};
    const int listMax = std::min((1 << std::min(width, 12)) - 2, 7);  // highest value listed
    std::vector<std::string> lines;
    for (int count = random.Between(0, 4); count > 0; --count) {
        lines.push_back("," + std::to_string(random.Between(0, listMax)) + "," + random.Of(texts));
    }
    return lines;
}

const std::vector<int> kControlTypes = {1, 2, 3, 6, 7, 8};

// One record with a random control type (and choices for a choice list).
UiRecord RandomRecord(Random& random, const std::string& name, int low, int high) {
    UiRecord r;
    r.name = name;
    r.dataBitL = low;
    r.dataBitH = high;
    r.ctrlType = random.Of(kControlTypes);
    if (r.ctrlType == 1) r.choiceLines = ChoiceLines(random, high - low + 1);
    return r;
}

using Image = std::vector<uint8_t>;

// A configuration's settings, its per-chip settings file and its UI item file in a folder of
// its own, over a bridge that any register access fails.
class RoundTripRig {
  protected:
    RoundTripRig() {
        folder_.MakeFolder("System/CfgItem");
        folder_.Write("System/ChipIni/Chip.ini", "[Cfg]\n");
        settings_.ChipIniPath = ".\\System\\ChipIni\\Chip.ini";
        settings_.ScFilePath = ".\\System\\CfgItem\\Chip.sc";
    }
    void WriteUi(const std::vector<UiRecord>& records) {
        folder_.Write("System/CfgItem/Chip.sc",
                      testsupport::StoredUiFile(testsupport::UiText(records)));
    }
    ConfigContext Context(ChipFamily family) {
        return ConfigContext{
            bridge_, clock_, settings_, folder_.Files(), [family] { return family; }, {}, {}};
    }

    testsupport::TempFolder folder_;
    ::testing::StrictMock<testsupport::MockRegisterAccess> bridge_;
    ChipIniSettings settings_;
    platform::SteadyClock clock_;
};

class ConfigRoundTrip : public RoundTripRig,
                        public ::testing::TestWithParam<std::tuple<Subject, uint32_t>> {
  protected:
    ConfigRoundTrip() : random_(std::get<1>(GetParam())) {}

    // Items of the plain loader over the main block (and the extended block when there is
    // one); the first item stands at the block's start, as that sets its address.
    std::vector<UiRecord> PlainRecords(int32_t main, int32_t ext) {
        auto at = [](int32_t address) { return platform::Format("%04X", address); };
        UiRecord version;
        version.address = at(settings_.CFGAddr);
        version.name = "Config_Version";
        std::vector<UiRecord> records = {version};
        for (int i = random_.Between(10, 40); i > 0; --i) {
            const std::string name = "Item" + std::to_string(records.size());
            const bool inExt = ext > 0 && random_.Chance(30);
            const int32_t address = inExt ? settings_.ExtCfgAddr + random_.Between(0, ext - 1)
                                          : settings_.CFGAddr + random_.Between(0, main - 1);
            const int width = random_.Between(1, 16);
            const int low = width < 8 ? random_.Between(0, 8 - width) : 0;
            if (width == 16 && random_.Chance(30)) {
                // A 16-bit value from two records: the low byte, then the high byte.
                UiRecord lowByte = RandomRecord(random_, name, 0, 7);
                lowByte.address = at(address);
                lowByte.paraBitL = 0, lowByte.paraBitH = 7;
                UiRecord highByte = RandomRecord(random_, name, 0, 7);
                highByte.address = at(address + 1);
                highByte.paraBitL = 8, highByte.paraBitH = 15;
                records.push_back(lowByte);
                records.push_back(highByte);
                continue;
            }
            UiRecord r = RandomRecord(random_, name, low, low + width - 1);
            r.address = at(address);
            if (width == 8 && random_.Chance(40)) {
                // A channel byte, read through the driver or sensor map.
                r.name = (random_.Chance(50) ? "Driver_CH" : "Sensor_CH") +
                         std::to_string(random_.Between(0, 20));
                r.ctrlType = 2;
                r.choiceLines.clear();
            }
            records.push_back(r);
        }
        return records;
    }

    // Channel maps with repeated entries, shorter and longer than their maximum.
    void RandomChannelMaps() {
        auto map = [this] {
            std::vector<int32_t> entries(static_cast<size_t>(random_.Between(0, 24)));
            for (int32_t& entry : entries) entry = random_.Between(0, 30);
            return entries;
        };
        settings_.DrvMap = map();
        settings_.SenMap = map();
        settings_.DrvMaxNum = random_.Between(0, 28);
        settings_.SenMaxNum = random_.Between(0, 28);
        settings_.DrvHalfNumber = random_.Between(0, settings_.DrvMaxNum);
        settings_.SenHalfNumber = random_.Between(0, settings_.SenMaxNum);
    }

    // Items of the GT79xx loader over the header and a chain of packs, with items of packs
    // the image does not hold; single records, values of several records stored high byte
    // first, values joined low byte first and texts of several records.
    std::vector<UiRecord> PackRecords(const std::vector<std::pair<int, int>>& packs) {
        std::vector<UiRecord> records;
        int absent = 100;
        auto add = [&](int pack, int offset, const std::string& group) {
            const std::string name = "Item" + std::to_string(records.size());
            auto placed = [&](UiRecord r, int paraH = 65535) {
                r.address = std::to_string(offset);
                r.paraBitH = paraH;
                r.page = "Page";
                r.group = group;
                r.packNo = pack;
                r.packOffset = offset;
                records.push_back(r);
            };
            const int kind = random_.Between(0, 9);
            if (kind == 0) {
                // Stored high byte first over several records: the others are read and dropped.
                const int width = random_.Between(10, 16);
                placed(RandomRecord(random_, name, 0, 7), width - 1);
                placed(RandomRecord(random_, name + "_hi", 0, 7));
            } else if (kind == 1) {
                // Joined low byte first from the record before.
                const UiRecord part = RandomRecord(random_, name, 0, 7);
                placed(part, 7);
                placed(part, random_.Between(9, 15));
            } else if (kind == 2) {
                // A text of two records.
                UiRecord text = RandomRecord(random_, name, 0, 7);
                text.ctrlType = 8;
                text.choiceLines.clear();
                placed(text);
                placed(text);
            } else {
                const int width = random_.Between(1, 16);
                const int low = random_.Between(0, 7);
                placed(RandomRecord(random_, name, low, low + width - 1));
            }
        };
        for (int i = random_.Between(1, 6); i > 0; --i) add(0, random_.Between(0, 61), "Header");
        for (const auto& [number, length] : packs) {
            if (random_.Chance(30)) {
                add(absent, random_.Between(0, 8), "Absent" + std::to_string(absent));
                ++absent;
            }
            for (int i = random_.Between(1, 8); i > 0; --i) {
                add(number, random_.Between(2, length + 1), "Pack" + std::to_string(number));
            }
        }
        return records;
    }

    // Bytes that differ between two images outside `skipped`, with the items for the report.
    static std::string Differences(const Image& before, const Image& after,
                                   const std::set<size_t>& skipped,
                                   const std::vector<std::unique_ptr<CConfigItem>>& items) {
        std::ostringstream out;
        for (size_t i = 0; i < before.size(); ++i) {
            if (before[i] != after[i] && !skipped.count(i)) {
                out << platform::Format("byte %zu: %02X became %02X\n", i, before[i], after[i]);
            }
        }
        if (out.tellp() > 0) {
            for (const auto& item : items) {
                out << item->Name << " bit " << item->BitAddress << " width " << item->Width
                    << " kind " << item->ControlKind << "/" << item->DisplayKind << " pack "
                    << item->PackNumber << " value \"" << item->Value << "\"\n";
            }
        }
        return out.str();
    }

    std::string RoundTripOfFamily(ChipFamily family) {
        auto config = CreateConfig(family, Context(family));
        Image image(CBaseConfig::kImageSize);
        for (uint8_t& byte : image) byte = random_.Byte();
        std::copy(image.begin(), image.end(), config->Image());
        config->LoadUiFile(settings_.ScFilePath);
        EXPECT_GT(config->Items().size(), 5u);
        config->UpdateChecksum();
        EXPECT_TRUE(config->VerifyChecksum());
        const Image before(config->Image(), config->Image() + image.size());
        config->DecodeItems();
        config->EncodeItems();
        return Differences(before, Image(config->Image(), config->Image() + image.size()), skipped_,
                           config->Items());
    }

    std::string PlainRoundTrip(ChipFamily family, int32_t main, int32_t ext) {
        settings_.CFGAddr = 0x8047;
        settings_.CfgLength = main;
        settings_.ExtCfgAddr = 0xBF7B;
        settings_.ExtCfgLength = ext;
        RandomChannelMaps();
        WriteUi(PlainRecords(main, ext));
        return RoundTripOfFamily(family);
    }

    std::string Gt79xxRoundTrip() {
        settings_.ChipName = "GT7936";  // addresses in decimal
        settings_.CFGAddr = 0x13B74;
        std::vector<std::pair<int, int>> packs;
        int number = 0;
        for (int i = random_.Between(1, 4); i > 0; --i) {
            number += random_.Between(1, 5);
            packs.emplace_back(number, random_.Between(4, 40));
        }
        WriteUi(PackRecords(packs));
        auto config = CreateConfig(kFamilyGT79xx, Context(kFamilyGT79xx));
        uint8_t* image = config->Image();
        for (int32_t i = 0; i < CBaseConfig::kImageSize; ++i) image[i] = random_.Byte();
        int32_t start = C79xxConfig::kHeaderSize;
        for (const auto& [packNumber, length] : packs) {
            image[start] = static_cast<uint8_t>(length);
            image[start + 1] = static_cast<uint8_t>(packNumber);
            start += length;
        }
        const int32_t body = start - C79xxConfig::kHeaderSize + 4;
        image[59] = static_cast<uint8_t>(body);
        image[60] = static_cast<uint8_t>(body >> 8);
        config->UpdateChecksum();
        EXPECT_TRUE(config->VerifyChecksum());
        skipped_ = {62, 63};
        for (int32_t i = 0; i < 4; ++i) skipped_.insert(static_cast<size_t>(start + i));
        config->LoadUiFile(settings_.ScFilePath);
        EXPECT_GT(config->Items().size(), 2u);
        const Image before(image, image + CBaseConfig::kImageSize);
        config->DecodeItems();
        config->EncodeItems();
        return Differences(before, Image(image, image + CBaseConfig::kImageSize), skipped_,
                           config->Items());
    }

    std::string BridgeRoundTrip() {
        CBridgeConfigList list(nullptr);
        for (uint8_t& byte : list.Block) byte = random_.Byte();
        list.Block[0] = static_cast<uint8_t>(random_.Between(1, 24));
        uint16_t sum = 0;
        for (size_t i = 0; i < 22; ++i) sum = static_cast<uint16_t>(sum + list.Block[i]);
        list.Block[22] = static_cast<uint8_t>(sum >> 8);
        list.Block[23] = static_cast<uint8_t>(sum);
        const Image before(list.Block.begin(), list.Block.end());
        EXPECT_TRUE(list.Decode());
        list.Encode();
        // The length byte, the checksum and the bytes no item describes are written anew.
        skipped_ = {0, 7, 22, 23};
        for (size_t i = 12; i < 22; ++i) skipped_.insert(i);
        return Differences(before, Image(list.Block.begin(), list.Block.end()), skipped_,
                           list.Items());
    }

    Random random_;
    std::set<size_t> skipped_;
};

TEST_P(ConfigRoundTrip, DecodeThenEncodeKeepsEveryByteButTheChecksums) {
    std::string differences;
    switch (std::get<0>(GetParam())) {
        case Subject::Gt9xxx: {
            const int32_t n = random_.Between(8, 260);
            skipped_ = {static_cast<size_t>(n - 2), static_cast<size_t>(n - 1)};
            differences = PlainRoundTrip(kFamilyGT9xxx, n, 0);
            break;
        }
        case Subject::Gt73xx: {
            const int32_t n = random_.Between(214, 300);
            skipped_ = {2, 212, static_cast<size_t>(n - 1)};
            differences = PlainRoundTrip(kFamilyGT73xx, n, 0);
            break;
        }
        case Subject::Gt9pxx: {
            const int32_t n = random_.Between(8, 260);
            const int32_t e = random_.Chance(50) ? random_.Between(2, 120) : 0;
            for (int32_t i = n - 3; i < n; ++i) skipped_.insert(static_cast<size_t>(i));
            if (e)
                skipped_.insert({static_cast<size_t>(n + e - 2), static_cast<size_t>(n + e - 1)});
            differences = PlainRoundTrip(kFamilyGT9Pxx, n, e);
            break;
        }
        case Subject::Gt79xx:
            differences = Gt79xxRoundTrip();
            break;
        case Subject::BridgeBlock:
            differences = BridgeRoundTrip();
            break;
    }
    EXPECT_EQ(differences, "");
}

INSTANTIATE_TEST_SUITE_P(SeededImages, ConfigRoundTrip,
                         ::testing::Combine(::testing::Values(Subject::Gt9xxx, Subject::Gt73xx,
                                                              Subject::Gt9pxx, Subject::Gt79xx,
                                                              Subject::BridgeBlock),
                                            ::testing::Range(1u, 41u)),
                         [](const ::testing::TestParamInfo<ConfigRoundTrip::ParamType>& info) {
                             return std::string(NameOf(std::get<0>(info.param))) + "_seed" +
                                    std::to_string(std::get<1>(info.param));
                         });

}  // namespace

namespace {

// One GT79xx value at byte 66 (the data of pack 1): its record's control type and data bits,
// the last parameter bit (9 to 63: the value spans several records), the bytes and the text.
struct PackValue {
    const char* what;
    int ctrlType;
    int bitH;
    int paraBitH;
    std::vector<std::string> choiceLines;
    Image bytes;
    std::string text;
};

void PrintTo(const PackValue& value, std::ostream* out) { *out << value.what; }

class Gt79xxValue : public RoundTripRig, public ::testing::TestWithParam<PackValue> {};

}  // namespace

TEST_P(Gt79xxValue, ShowsItsTextAndEncodesIntoTheBytesItCameFrom) {
    const PackValue& c = GetParam();
    settings_.ChipName = "GT7936";
    UiRecord record;
    record.address = "2";
    record.dataBitH = c.bitH;
    record.paraBitH = c.paraBitH;
    record.ctrlType = c.ctrlType;
    record.choiceLines = c.choiceLines;
    record.packNo = 1;
    record.packOffset = 2;
    // The records of the value's other bytes, which the loader reads and drops.
    const int others = c.paraBitH < 65535 ? (c.paraBitH - 8 + 7) / 8 : 0;
    WriteUi(std::vector<UiRecord>(static_cast<size_t>(others) + 1, record));
    auto config = CreateConfig(kFamilyGT79xx, Context(kFamilyGT79xx));
    uint8_t* image = config->Image();
    image[59] = 44;  // the body: pack 1 of 40 bytes and the tail
    image[64] = 40, image[65] = 1;
    for (size_t i = 0; i < 16; ++i) image[66 + i] = static_cast<uint8_t>(0xA0 + i);
    std::copy(c.bytes.begin(), c.bytes.end(), image + 66);
    config->UpdateChecksum();
    const Image before(image, image + 112);
    config->LoadUiFile(settings_.ScFilePath);
    config->DecodeItems();
    ASSERT_EQ(config->Items().size(), 1u);
    EXPECT_EQ(config->Items()[0]->Value, c.text);
    config->EncodeItems();
    EXPECT_EQ(Image(image, image + 112), before);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, Gt79xxValue,
    ::testing::Values(
        PackValue{"hex7", 7, 6, 65535, {}, {0x12}, "12"},
        PackValue{"char", 8, 7, 65535, {}, {'Q'}, "Q"},
        PackValue{"bits", 8, 2, 65535, {}, {0x45}, "\x05"},
        PackValue{"choice12", 1, 7, 11, {",0,Off", ",1,On"}, {0x01, 0x23}, "291"},
        PackValue{"decimal12", 6, 7, 11, {}, {0x01, 0x23}, "291"},
        PackValue{"hex12", 7, 7, 11, {}, {0x01, 0x23}, "123"},
        PackValue{"decimal32", 6, 7, 31, {}, {0xFF, 0xFF, 0xFF, 0xFE}, "-2"},
        PackValue{"decimal40", 6, 7, 39, {}, {0x12, 0x34, 0x56, 0x78, 0x9A}, "78187493530"},
        PackValue{"decimal64", 6, 7, 63, {}, Image(8, 0xFF), "18446744073709551615"},
        PackValue{"hex40", 7, 7, 39, {}, {0x12, 0x34, 0x56, 0x78, 0x9A}, "123456789A"},
        // Text of three bytes: a zero byte inside is kept, zero bytes at the end are not.
        PackValue{"text24", 8, 7, 23, {}, {'G', 'T', 0}, "GT"},
        PackValue{"text24zero", 8, 7, 23, {}, {'A', 0, 'B'}, std::string("A\0B", 3)}),
    [](const ::testing::TestParamInfo<PackValue>& info) { return std::string(info.param.what); });
