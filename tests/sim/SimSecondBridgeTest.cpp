#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/Clock.h"
#include "sim/SimWorld.h"
#include "support/TempFolder.h"

namespace {

// A read of the chip's identity registers (0x8140, 6 bytes) as one report.
platform::IoStatus SendIdentityRead(sim::SimBus& bus, platform::HidHandle handle) {
    uint8_t report[64] = {0x03, 0x00, 0x0F, 0x81, 0x40, 0x00, 0x06};
    return bus.Write(handle, report, sizeof(report), 100);
}

std::string PathOf(const sim::SimBridge& bridge) {
    return sim::SimBus::PathOf(bridge, bridge.Interfaces().front());
}

}  // namespace

TEST(SimSecondBridge, ArrivesAtItsReportWithTheSameChipAndIsMarkedInTheTrace) {
    platform::VirtualClock clock;
    testsupport::TempFolder folder;
    folder.Write("sim.ini",
                 "[Bridge]\nVendorId=27C6\nProductId=0102\nInterface=1\nIdentity=Halden_V1.07\n"
                 "[Chip]\nFamily=GT9xxx\nProductId=911\nVersion=1050\n"
                 "[Faults]\nSecondBridgeAt=2\n");
    std::string error;
    auto world = sim::LoadSimWorld((folder.Path() / "sim.ini").string(), {clock, clock}, error);
    ASSERT_TRUE(world) << error;
    const std::string trace = (folder.Path() / "trace.txt").string();
    world->bus.trace().SetPath(trace);
    ASSERT_TRUE(world->secondBridge);
    EXPECT_EQ(world->secondBridge->VendorId(), 0x27C6);
    EXPECT_EQ(world->secondBridge->ProductId(), 0x0102);
    EXPECT_EQ(world->secondBridge->Identity(), "Halden_V1.07");
    EXPECT_NE(PathOf(*world->secondBridge), PathOf(*world->bridge));

    const platform::HidHandle first = world->bus.Open(PathOf(*world->bridge));
    ASSERT_EQ(SendIdentityRead(world->bus, first), platform::IoStatus::Ok);
    EXPECT_FALSE(world->bus.IsPlugged(world->secondBridge));
    ASSERT_EQ(SendIdentityRead(world->bus, first), platform::IoStatus::Ok);
    EXPECT_TRUE(world->bus.IsPlugged(world->secondBridge));
    ASSERT_EQ(SendIdentityRead(world->bus, first), platform::IoStatus::Ok);

    // Its chip answers as the first one does.
    const platform::HidHandle second = world->bus.Open(PathOf(*world->secondBridge));
    ASSERT_EQ(SendIdentityRead(world->bus, second), platform::IoStatus::Ok);
    uint8_t answer[64] = {};
    size_t delivered = 0;
    ASSERT_EQ(world->bus.Read(second, answer, sizeof(answer), 100, delivered),
              platform::IoStatus::Ok);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(answer + 1), 3), "911");
    EXPECT_EQ(answer[5], 0x50);
    EXPECT_EQ(answer[6], 0x10);
    EXPECT_EQ(world->bridge->ReportsReceived(), 3u);
    EXPECT_EQ(world->secondBridge->ReportsReceived(), 1u);

    // Report lines as their direction and first three bytes, event lines whole.
    std::ifstream in(trace);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line[0] == '#' ? line : line.substr(0, line.find(' ') + 9));
    EXPECT_EQ(lines, (std::vector<std::string>{"> 03 00 0f", "> 03 00 0f",
                                               "# plug second bridge 27C6:0102", "> 03 00 0f",
                                               "2> 03 00 0f", "2< 03 39 31"}));
}
