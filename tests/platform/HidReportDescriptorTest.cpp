#include <gtest/gtest.h>

#include <vector>

#include "platform/linux/HidReportDescriptor.h"

namespace {

using Bytes = std::vector<uint8_t>;

platform::HidReportLayout Parse(const Bytes& d) {
    return platform::ParseReportDescriptor(d.data(), d.size());
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

const Bytes kOpen = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01};  // vendor page, application
const Bytes kClose = {0xC0};
const Bytes kByteItems = {0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08};  // 0..255, 8 bits
Bytes Id(uint8_t id) { return {0x85, id}; }
Bytes Count(uint8_t n) { return {0x95, n}; }
const Bytes kInput = {0x09, 0x01, 0x81, 0x02};
const Bytes kOutput = {0x09, 0x01, 0x91, 0x02};

// The bridge: report id 3, 63 data bytes each way.
Bytes Bridge() { return Concat({kOpen, Id(3), kByteItems, Count(63), kInput, kOutput, kClose}); }

TEST(HidReportDescriptor, BridgeReportsCountTheIdByte) {
    const auto layout = Parse(Bridge());
    EXPECT_TRUE(layout.wellFormed);
    EXPECT_TRUE(layout.numberedReports);
    EXPECT_EQ(layout.inputReportLength, 64);
    EXPECT_EQ(layout.outputReportLength, 64);
}

TEST(HidReportDescriptor, WithoutReportIdsByteZeroIsStillCounted) {
    const auto layout =
        Parse(Concat({kOpen, kByteItems, Count(63), kInput, Count(8), kOutput, kClose}));
    EXPECT_TRUE(layout.wellFormed);
    EXPECT_FALSE(layout.numberedReports);
    EXPECT_EQ(layout.inputReportLength, 64);
    EXPECT_EQ(layout.outputReportLength, 9);
}

TEST(HidReportDescriptor, LargestReportOfSeveralIdsWins) {
    // id 1: 8 input bytes; id 2: 20 + 12 input bytes in two items; id 3: 40 output bytes.
    const auto layout =
        Parse(Concat({kOpen, kByteItems, Id(1), Count(8), kInput, Id(2), Count(20), kInput,
                      Count(12), kInput, Id(3), Count(40), kOutput, kClose}));
    EXPECT_TRUE(layout.numberedReports);
    EXPECT_EQ(layout.inputReportLength, 33);
    EXPECT_EQ(layout.outputReportLength, 41);
}

TEST(HidReportDescriptor, BitFieldsRoundUpToBytes) {
    // Three 1-bit buttons and 5 bits padding make one byte; three more bits a second one.
    const auto layout = Parse(Concat({kOpen,
                                      {0x75, 0x01, 0x95, 0x03},
                                      kInput,
                                      {0x75, 0x05, 0x95, 0x01, 0x81, 0x03},
                                      {0x75, 0x01, 0x95, 0x03},
                                      kInput,
                                      kClose}));
    EXPECT_TRUE(layout.wellFormed);
    EXPECT_EQ(layout.inputReportLength, 3);
    EXPECT_EQ(layout.outputReportLength, 0);
}

TEST(HidReportDescriptor, FeatureReportsAndLongItemsDoNotCount) {
    const Bytes feature = {0x96, 0x00, 0x02, 0xB1, 0x02};  // 512 feature bytes
    const Bytes longItem = {0xFE, 0x03, 0x10, 0xAA, 0xBB, 0xCC};
    const auto layout =
        Parse(Concat({kOpen, Id(3), kByteItems, longItem, feature, Count(63), kInput, kClose}));
    EXPECT_TRUE(layout.wellFormed);
    EXPECT_EQ(layout.inputReportLength, 64);
    EXPECT_EQ(layout.outputReportLength, 0);
}

TEST(HidReportDescriptor, PushAndPopRestoreReportIdAndSizes) {
    const Bytes push = {0xA4};
    const Bytes pop = {0xB4};
    // Inside the push: id 5 with 100 bytes; after the pop, id 3 with 10 more bytes (63 + 10).
    const auto layout = Parse(Concat({kOpen, Id(3), kByteItems, Count(63), kInput, push, Id(5),
                                      Count(100), kInput, pop, Count(10), kInput, kClose}));
    EXPECT_TRUE(layout.wellFormed);
    EXPECT_EQ(layout.inputReportLength, 101);
    const auto popped =
        Parse(Concat({kOpen, Id(3), kByteItems, push, Id(5), pop, Count(63), kInput, kClose}));
    EXPECT_EQ(popped.inputReportLength, 64);
}

TEST(HidReportDescriptor, ReportsLongerThan64BytesAreReportedAsTheyAre) {
    EXPECT_EQ(
        Parse(Concat({kOpen, Id(3), kByteItems, Count(64), kInput, kClose})).inputReportLength, 65);
    const Bytes count1024 = {0x96, 0x00, 0x04};
    EXPECT_EQ(Parse(Concat({kOpen, kByteItems, count1024, kOutput, kClose})).outputReportLength,
              1025);
    // 0xFFFFFFFF bits times 0xFFFFFFFF: saturates instead of wrapping to something small.
    const Bytes huge = {0x77, 0xFF, 0xFF, 0xFF, 0xFF, 0x97, 0xFF, 0xFF, 0xFF, 0xFF};
    const auto layout = Parse(Concat({kOpen, huge, kInput, kInput, kInput, kClose}));
    EXPECT_TRUE(layout.wellFormed);
    EXPECT_EQ(layout.inputReportLength, 0xFFFF);
    // 139 bytes: the same size and count, then 129 bare input items. Each adds almost 2^64
    // bits; a sum that wrapped would come round to 128 bits, a 17-byte report.
    Bytes crafted = huge;
    crafted.insert(crafted.end(), 129, 0x80);
    ASSERT_EQ(crafted.size(), 139u);
    EXPECT_EQ(Parse(crafted).inputReportLength, 0xFFFF);
}

TEST(HidReportDescriptor, EmptyDescriptorDeclaresNoReports) {
    const auto layout = platform::ParseReportDescriptor(nullptr, 0);
    EXPECT_TRUE(layout.wellFormed);
    EXPECT_EQ(layout.inputReportLength, 0);
    EXPECT_EQ(layout.outputReportLength, 0);
}

void ExpectMalformed(const Bytes& d, const char* what) {
    const auto layout = Parse(d);
    EXPECT_FALSE(layout.wellFormed) << what;
    EXPECT_EQ(layout.inputReportLength, 0) << what;
    EXPECT_EQ(layout.outputReportLength, 0) << what;
}

TEST(HidReportDescriptor, MalformedDescriptorsGiveNoLengths) {
    ExpectMalformed(Concat({kOpen, Id(3), kByteItems, Count(63), kInput, kClose, {0x26, 0xFF}}),
                    "item cut short");
    ExpectMalformed(Concat({kOpen, kClose, {0x27, 0x01, 0x02, 0x03}}), "4-byte item cut short");
    ExpectMalformed(Concat({kOpen, kClose, {0xFE, 0x05, 0x10, 0x01, 0x02}}), "long item cut short");
    ExpectMalformed(Concat({kOpen, kClose, {0xFE, 0x05}}), "long item header cut short");
    ExpectMalformed(Concat({kOpen, Id(0), kByteItems, Count(63), kInput, kClose}), "report id 0");
    ExpectMalformed(Concat({kOpen, Count(63), kInput}), "collection left open");
    ExpectMalformed(Concat({kClose, kOpen, kClose}), "end without collection");
    ExpectMalformed(Concat({kOpen, {0xB4}, kClose}), "pop without push");
    ExpectMalformed(Bytes(40, 0xA4), "pushed too deep");
    EXPECT_FALSE(platform::ParseReportDescriptor(nullptr, 5).wellFormed);
}

TEST(HidReportDescriptor, EveryTruncationOfTheBridgeDescriptorIsRefused) {
    const Bytes full = Bridge();
    for (size_t n = 1; n < full.size(); ++n) {
        // An exact copy, so that a read past the end is caught by the address sanitizer.
        const Bytes cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
        const auto layout = Parse(cut);
        EXPECT_EQ(layout.inputReportLength, 0) << n << " bytes";
        EXPECT_EQ(layout.outputReportLength, 0) << n << " bytes";
        // Once the collection is open, every cut leaves it open or an item short.
        if (n > 5) {
            EXPECT_FALSE(layout.wellFormed) << n << " bytes";
        }
    }
}

}  // namespace
