#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "bridge/DeviceRequest.h"
#include "sim/Trace.h"
#include "support/BridgeFixture.h"

TEST(SimBridgeTest, WideAddressesForTheSeventyNineFamily) {
    testsupport::SimBridgeScope sim(kFamilyGT79xx);
    ASSERT_TRUE(sim.opened());
    std::vector<uint8_t> data(70);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i);
    ASSERT_TRUE(sim.device().WriteRegs(0x10014, data.data(), data.size()));
    EXPECT_EQ(sim.bridge().Registers().Get(0x10014), 0);
    EXPECT_EQ(sim.bridge().Registers().Get(0x10014 + 69), 69);
    EXPECT_EQ(sim.bridge().Registers().Get(0x0014 + 69), 0);
    std::vector<uint8_t> back(70);
    ASSERT_TRUE(sim.device().ReadRegs(0x10014, back.data(), back.size(), 100));
    EXPECT_EQ(back, data);
}

TEST(SimBridgeTest, LongFtWriteIsStoredWhole) {
    testsupport::SimBridgeScope sim(kFamilyFT5xxx);
    ASSERT_TRUE(sim.opened());
    std::vector<uint8_t> data(130, 0x5C);
    ASSERT_TRUE(sim.device().WriteRegs(0x0100, data.data(), data.size()));
    EXPECT_EQ(sim.bridge().Registers().Get(0x0100 + 129), 0x5C);
    EXPECT_EQ(sim.bridge().Registers().Get(0x0100 + 130), 0);
}

// Writes that start anywhere and run across 256-byte boundaries, or past the top of the
// 32-bit address space to its bottom, read back whole; the bytes around them read 0.
TEST(SimRegisterMapTest, WritesReadBackAcrossBoundariesAndNothingAround) {
    const struct {
        uint32_t address;
        size_t length;
    } cases[] = {{0x8140, 1},     {0x80FF, 2},    {0x13410, 4100},
                 {0x57000, 8192}, {0x1FFFE, 600}, {0xFFFFFFF0u, 40}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.address);
        sim::RegisterMap map;
        std::vector<uint8_t> data(c.length);
        for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7 + 1);
        map.Write(c.address, data.data(), data.size());
        std::vector<uint8_t> back(c.length + 2, 0xEE);
        map.Read(c.address - 1, back.data(), back.size());
        EXPECT_EQ(back.front(), 0);
        EXPECT_EQ(back.back(), 0);
        EXPECT_TRUE(std::equal(data.begin(), data.end(), back.begin() + 1));
        EXPECT_EQ(map.Get(c.address + static_cast<uint32_t>(c.length) - 1), data.back());
        map.Set(c.address, 0x5A);
        EXPECT_EQ(map.Get(c.address), 0x5A);
    }
}

TEST(SimBridgeTest, OtherCommandsAreRecordedAndHandled) {
    testsupport::SimBridgeScope sim;
    ASSERT_TRUE(sim.opened());
    sim.bridge().SetCommandHandler(3, [](const sim::BridgeRequest&, std::vector<sim::Report>& r) {
        sim::Report report{};
        report[0] = 3;
        report[1] = 'G';
        r.push_back(report);
    });
    uint8_t identity[32] = {};
    CDeviceRequest request;
    request.Init(kRequestRead, 0, identity, 32, kCmdBridgeIdentity, 300, sim.device().Layout());
    ASSERT_TRUE(sim.device().Submit(request, QueueEnd::Back));
    EXPECT_EQ(identity[0], 'G');
    EXPECT_TRUE(sim.device().SendBridgeCommand(kCmdUpdateEntryFirst));
    const auto commands = sim.bridge().Commands();
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[0].command, 3);
    EXPECT_EQ(commands[0].length, 32);
    EXPECT_EQ(commands[1].command, 43);
    EXPECT_EQ(commands[1].type, 1);
}

TEST(SimTraceTest, OneLinePerReportInLowerCaseHex) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("quillon-trace-" +
                       std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + ".txt");
    std::filesystem::remove(path);
    {
        platform::VirtualClock clock;
        sim::SimBus bus(clock);
        bus.trace().SetPath(path.string());
        auto bridge = std::make_shared<sim::SimBridge>(0x27C6, 0x0102, 0x0100,
                                                       std::vector<sim::SimBridge::Interface>{{1}});
        bus.Plug(bridge);
        testsupport::DeviceScope scope(bus, clock);
        ASSERT_TRUE(scope.device().Open());
        bridge->Registers().Set(0x8140, 0xAB);
        EXPECT_EQ(scope.device().ReadByte(0x8140), 0xAB);
    }
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    std::filesystem::remove(path);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].rfind("# plug 27C6:0102", 0), 0u);
    EXPECT_EQ(lines[1].substr(0, 23), "> 03 00 0f 81 40 00 01 ");
    EXPECT_EQ(lines[1].size(), 2 + 64 * 3 - 1);
    EXPECT_EQ(lines[2].substr(0, 8), "< 03 ab ");
}

TEST(SimBusTest, HandleOfAnUnpluggedBridgeStaysDeadWhenTheBridgePlugsInAgain) {
    platform::VirtualClock clock;
    sim::SimBus bus(clock);
    auto bridge = std::make_shared<sim::SimBridge>(0x27C6, 0x0102, 0x0100);
    bus.Plug(bridge);
    const std::string path = bus.Enumerate().at(0).path;
    const platform::HidHandle old = bus.Open(path);
    ASSERT_NE(old, platform::kNoHandle);
    bus.Unplug(bridge);
    bus.Plug(bridge);
    // Re-enumerated: the handle opened before the removal belongs to the device that left.
    const uint8_t report[64] = {3, 0, 15, 0x81, 0x40, 0, 1};
    uint8_t answer[64] = {};
    size_t delivered = 0;
    platform::HidInterfaceInfo info;
    EXPECT_EQ(bus.Write(old, report, sizeof(report), 100), platform::IoStatus::Failed);
    EXPECT_EQ(bus.Read(old, answer, sizeof(answer), 100, delivered), platform::IoStatus::Failed);
    EXPECT_FALSE(bus.Query(old, info));
    const platform::HidHandle fresh = bus.Open(path);
    ASSERT_NE(fresh, platform::kNoHandle);
    EXPECT_EQ(bus.Write(fresh, report, sizeof(report), 100), platform::IoStatus::Ok);
    EXPECT_EQ(bus.Read(fresh, answer, sizeof(answer), 100, delivered), platform::IoStatus::Ok);
    EXPECT_TRUE(bus.Query(fresh, info));
    bus.Close(old);
    bus.Close(fresh);
    EXPECT_EQ(bus.OpenHandleCount(), 0u);
}

TEST(SimBusTest, AnInterfaceOpensForOneHandleAtATime) {
    platform::SteadyClock clock;
    sim::SimBus bus(clock);
    auto bridge = std::make_shared<sim::SimBridge>(
        0x27C6, 0x0102, 0x0100, std::vector<sim::SimBridge::Interface>{{0}, {1}});
    bus.Plug(bridge);
    const auto interfaces = bus.Enumerate();
    ASSERT_EQ(interfaces.size(), 2u);
    const platform::HidHandle first = bus.Open(interfaces[0].path);
    ASSERT_NE(first, platform::kNoHandle);
    EXPECT_EQ(bus.Open(interfaces[0].path), platform::kNoHandle);
    // The bridge's other interface is a node of its own.
    const platform::HidHandle other = bus.Open(interfaces[1].path);
    EXPECT_NE(other, platform::kNoHandle);
    bus.Close(first);
    const platform::HidHandle again = bus.Open(interfaces[0].path);
    EXPECT_NE(again, platform::kNoHandle);
    bus.Close(again);
    bus.Close(other);
}
