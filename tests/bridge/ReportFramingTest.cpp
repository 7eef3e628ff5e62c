#include <gtest/gtest.h>

#include <map>
#include <numeric>
#include <string>
#include <vector>

#include "bridge/BridgeCommandHeader.h"
#include "bridge/CommandRecord.h"
#include "bridge/DeviceRequest.h"
#include "support/BridgeFixture.h"
#include "touch/FamilyTraits.h"

using testsupport::DeviceScope;
using testsupport::Hex;
using testsupport::MakeInterface;
using testsupport::ScriptedHidBackend;

namespace {

const char* kPath = "fake#VID_27C6&PID_0102&MI_01#1";

std::vector<uint8_t> Bytes(size_t n) {
    std::vector<uint8_t> data(n);
    std::iota(data.begin(), data.end(), uint8_t{1});
    return data;
}

// A device opened on a scripted backend with one bridge interface.
struct OpenedFake {
    ScriptedHidBackend backend;
    std::unique_ptr<DeviceScope> scope;
    explicit OpenedFake(ChipFamily family = kFamilyGT9xxx) {
        backend.interfaces = {MakeInterface(kPath)};
        scope = std::make_unique<DeviceScope>(backend, std::vector<std::string>{"27C6"}, family);
        EXPECT_TRUE(scope->device().Open());
    }
};

}  // namespace

TEST(BridgeCommandHeaderTest, LayoutPerFamily) {
    // Every family of the table writes the plain header but those named here, and so do no
    // family and the unused number 5.
    const std::map<ChipFamily, std::string> ownHeader = {{kFamilyGT79xx, "8f 12 34 56 01 02"}};
    std::vector<ChipFamily> families = {kFamilyNone, static_cast<ChipFamily>(5)};
    for (const FamilyTraits* row : Families()) families.push_back(row->family);
    for (ChipFamily family : families) {
        const auto h =
            BridgeCommandHeader::Build(1, 15, 0x123456, 0x0102, testsupport::LayoutOf(family));
        const auto own = ownHeader.find(family);
        EXPECT_EQ(Hex({h.bytes.begin(), h.bytes.end()}),
                  own == ownHeader.end() ? "01 0f 34 56 01 02" : own->second)
            << family;
    }
    auto h = BridgeCommandHeader::Build(0, 15, 0x010014, 4, testsupport::LayoutOf(kFamilyGT79xx));
    EXPECT_EQ(Hex({h.bytes.begin(), h.bytes.end()}), "0f 01 00 14 00 04");
    // Address bits above the wire width are dropped.
    h = BridgeCommandHeader::Build(0, 3, 0xFF8140, 32, testsupport::LayoutOf(kFamilyGT9xxx));
    EXPECT_EQ(Hex({h.bytes.begin(), h.bytes.end()}), "00 03 81 40 00 20");
}

TEST(WriteReportsTest, ReportCountMarkersAndLengths) {
    struct Case {
        ChipFamily family;
        size_t length;
        std::vector<std::string> heads;  // bytes 0-6 of each report
    };
    const std::vector<Case> cases = {
        {kFamilyGT9xxx, 0, {"03 01 0f 81 40 00 00"}},
        {kFamilyGT9xxx, 57, {"03 01 0f 81 40 00 39"}},
        {kFamilyGT9xxx, 58, {"03 01 0f 81 40 00 39", "03 01 2e 81 79 00 01"}},
        {kFamilyFT5xxx, 58, {"03 01 2c 81 40 00 39", "03 01 2e 81 79 00 01"}},
        {kFamilyGT79xx, 58, {"03 8f 00 81 40 00 39", "03 8f 00 81 79 00 01"}},
        {kFamilyGT9xxx,
         130,
         {"03 01 0f 81 40 00 39", "03 01 2d 81 79 00 39", "03 01 2e 81 b2 00 10"}},
    };
    for (const Case& c : cases) {
        OpenedFake fake(c.family);
        const auto data = Bytes(c.length);
        EXPECT_TRUE(fake.scope->device().WriteRegs(0x8140, data.data(), data.size()));
        const auto written = fake.backend.Written();
        ASSERT_EQ(written.size(), c.heads.size()) << c.length;
        size_t offset = 0;
        for (size_t i = 0; i < written.size(); ++i) {
            EXPECT_EQ(written[i].size(), 64u);
            EXPECT_EQ(Hex(written[i]), c.heads[i])
                << "family " << c.family << " length " << c.length << " report " << i;
            const size_t chunk = written[i][6];
            EXPECT_TRUE(std::equal(data.begin() + offset, data.begin() + offset + chunk,
                                   written[i].begin() + 7));
            offset += chunk;
        }
        EXPECT_EQ(offset, c.length);
    }
}

TEST(WriteReportsTest, TimedOutReportFailsTheWriteButTheRestIsSent) {
    OpenedFake fake;
    fake.backend.FailWrite(1, platform::IoStatus::Timeout);
    const auto data = Bytes(130);
    EXPECT_FALSE(fake.scope->device().WriteRegs(0x8140, data.data(), data.size()));
    EXPECT_EQ(fake.backend.Written().size(), 3u);
    EXPECT_GE(fake.backend.cancels, 1);
    for (uint32_t t : fake.backend.WriteTimeouts()) EXPECT_EQ(t, 200u);
}

TEST(WriteReportsTest, FailedReportIsNotReportedAsSuccess) {
    OpenedFake fake;
    fake.backend.FailWrite(0, platform::IoStatus::Failed);
    const auto data = Bytes(10);
    EXPECT_FALSE(fake.scope->device().WriteRegs(0x8140, data.data(), data.size()));
}

TEST(WriteReportsTest, NoHandleWritesNothing) {
    ScriptedHidBackend backend;
    EXPECT_CALL(backend, Write).Times(0);
    DeviceScope scope(backend);
    const auto data = Bytes(10);
    EXPECT_FALSE(scope.device().WriteRegs(0x8140, data.data(), data.size()));
    EXPECT_FALSE(scope.device().SendBridgeCommand(kCmdEnterBootMode));
    EXPECT_TRUE(backend.Written().empty());
}

TEST(SyncOperationsTest, WordByteOrderCommandAndRecordForms) {
    OpenedFake fake;
    EXPECT_TRUE(fake.scope->device().WriteWordBE(0x5094, 0x1234));
    EXPECT_TRUE(fake.scope->device().SendBridgeCommand(kCmdUpdateEntrySecond));
    EXPECT_TRUE(fake.scope->device().ResetChip());
    CommandRecord record;
    record.address = 0x8046;
    record.length = 3;
    record.data[0] = 0xAA;
    record.data[1] = 0xBB;
    record.data[2] = 0xCC;
    EXPECT_TRUE(fake.scope->device().SendCommandRecord(record, kCmdCommandRecordAlt));
    EXPECT_TRUE(fake.scope->device().SendBridgeCommand18());
    const auto w = fake.backend.Written();
    ASSERT_EQ(w.size(), 5u);
    EXPECT_EQ(Hex(w[0], 0, 9), "03 01 0f 50 94 00 02 12 34");
    EXPECT_EQ(Hex(w[1]), "03 01 29 00 00 00 00");
    EXPECT_EQ(Hex(w[2]), "03 01 04 80 40 00 00");
    EXPECT_EQ(Hex(w[3], 0, 10), "03 01 07 80 46 00 03 aa bb cc");
    EXPECT_EQ(Hex(w[4]), "03 01 12 00 00 00 00");
}

TEST(TransferTest, ZeroLengthSucceedsOnceTheRequestIsWritten) {
    OpenedFake fake;
    uint8_t buffer[4] = {};
    EXPECT_TRUE(fake.scope->device().ReadRegs(0x8140, buffer, 0, 100));
    EXPECT_EQ(fake.backend.Written().size(), 1u);
}

TEST(TransferTest, ReadLongerThanOneReportSpansReports) {
    testsupport::SimBridgeScope sim;
    ASSERT_TRUE(sim.opened());
    const auto data = Bytes(100);
    sim.bridge().Registers().Fill(0x8047, data.data(), data.size());
    std::vector<uint8_t> buffer(100);
    ASSERT_TRUE(sim.device().ReadRegs(0x8047, buffer.data(), 100, 100));
    EXPECT_EQ(buffer, data);
}

TEST(TransferTest, ShortInputReportsAreCountedByWhatArrived) {
    OpenedFake fake;
    // Reports of 10 bytes carry 9 data bytes each.
    fake.backend.onWrite = [&](const std::vector<uint8_t>& report) {
        if (report[1] == 0 && report[2] == 15) {
            fake.backend.QueueInput({1, 2, 3, 4, 5, 6, 7, 8, 9}, 10);
            fake.backend.QueueInput({10, 11, 12, 13, 14, 15, 16, 17, 18}, 10);
            fake.backend.QueueInput({19, 20, 21, 22, 23, 24, 25, 26, 27}, 10);
        }
    };
    uint8_t buffer[20] = {};
    ASSERT_TRUE(fake.scope->device().ReadRegs(0x8140, buffer, 20, 100));
    for (int i = 0; i < 20; ++i) EXPECT_EQ(buffer[i], i + 1);
}

TEST(TransferTest, EmptyInputReportsFailTheReadInsteadOfLoopingForever) {
    OpenedFake fake;
    fake.backend.onWrite = [&](const std::vector<uint8_t>&) {
        for (int i = 0; i < 3; ++i) fake.backend.QueueInput({}, 1);
    };
    uint8_t buffer[8] = {};
    EXPECT_FALSE(fake.scope->device().ReadRegs(0x8140, buffer, 8, 100));
}

TEST(TransferTest, BridgeThatStopsAnsweringFailsWithinTheTimeout) {
    testsupport::SimBridgeScope sim;
    ASSERT_TRUE(sim.opened());
    sim.bridge().StopAnsweringFrom(sim.bridge().ReportsReceived() + 2);
    uint8_t buffer[8] = {};
    EXPECT_TRUE(sim.device().ReadRegs(0x8140, buffer, 8, 100));
    const uint64_t before = sim.clock().NowMs();
    EXPECT_FALSE(sim.device().ReadRegs(0x8140, buffer, 8, 100));
    EXPECT_FALSE(sim.device().WriteRegs(0x8140, buffer, 8));
    EXPECT_EQ(sim.device().ReadByte(0x8140), 0x00);
    // Each exchange waited its own time-out, and no longer.
    EXPECT_LE(sim.clock().NowMs() - before, 100u + 200u + 100u + 3 * 2u);
}

TEST(ReadStatusTest, StopsAtFirstNonZeroStatusOrAfterEightyRounds) {
    OpenedFake fake;
    int rounds = 0;
    fake.backend.onWrite = [&](const std::vector<uint8_t>&) {
        ++rounds;
        fake.backend.QueueInput({static_cast<uint8_t>(rounds == 3 ? 0x80 : 0)});
    };
    uint8_t status = 0xFF;
    EXPECT_TRUE(fake.scope->device().ReadStatus(0x824E, status, platform::kNoHandle));
    EXPECT_EQ(status, 0x80);
    EXPECT_EQ(rounds, 3);
    const auto w = fake.backend.Written();
    EXPECT_EQ(Hex(w[0]), "03 00 0f 82 4e 00 01");

    rounds = -1000;
    EXPECT_TRUE(fake.scope->device().ReadStatus(0x824E, status, platform::kNoHandle));
    EXPECT_EQ(status, 0);
    EXPECT_EQ(rounds, -1000 + 80);
}

TEST(ReadStatusTest, TimeOutEndsThePollWithStatusZero) {
    OpenedFake fake;
    uint8_t status = 0xFF;
    EXPECT_TRUE(fake.scope->device().ReadStatus(0x10000, status, platform::kNoHandle));
    EXPECT_EQ(status, 0);
    EXPECT_EQ(fake.backend.Written().size(), 1u);
}

TEST(ReadStatusTest, WideAddressLayoutForTheSeventyNineFamily) {
    OpenedFake fake(kFamilyGT79xx);
    uint8_t status = 0;
    fake.scope->device().ReadStatus(0x12824E, status, platform::kNoHandle);
    EXPECT_EQ(Hex(fake.backend.Written().at(0)), "03 0f 12 82 4e 00 01");
}

TEST(TransferTest, DeviceThatNeverStopsSendingDoesNotHoldTheReadForever) {
    OpenedFake fake;
    // Every read finds a report waiting: the flush gives up after a bounded number.
    for (int i = 0; i < 1000; ++i) fake.backend.QueueInput({0x77});
    uint8_t value = 0;
    EXPECT_TRUE(fake.scope->device().ReadRegs(0x8140, &value, 1, 100));
    EXPECT_EQ(value, 0x77);
    EXPECT_LT(fake.backend.reads, 300);
}
