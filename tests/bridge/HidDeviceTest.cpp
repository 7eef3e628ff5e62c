#include <gtest/gtest.h>

#include <algorithm>

#include "bridge/DeviceRequest.h"
#include "support/BridgeFixture.h"

using testsupport::DeviceScope;
using testsupport::MakeInterface;
using testsupport::ScriptedHidBackend;

namespace {

std::vector<std::string> OpenPathTexts(const CHidDevice& device) {
    std::vector<std::string> out;
    for (const auto& p : device.OpenPaths()) out.push_back(p.path);
    return out;
}

// Closes one device path the way the removal handling does: a type-3 request at the back.
void ClosePath(CHidDevice& device, const std::string& path) {
    std::vector<uint8_t> text(path.begin(), path.end());
    text.push_back(0);
    CDeviceRequest request;
    request.Init(kRequestClosePath, 0, text.data(), static_cast<uint32_t>(text.size()),
                 kCmdRegister, 500, device.Layout());
    device.Submit(request, QueueEnd::Back);
}

}  // namespace

TEST(EnumerateTest, EveryMatchingInterfaceIsOpenedAndTheLastIsCurrent) {
    ScriptedHidBackend backend;
    backend.interfaces = {MakeInterface("hid#VID_27C6&PID_0102&MI_01#a"),
                          MakeInterface("hid#VID_27C6&PID_0102&MI_00#b"),
                          MakeInterface("hid#vid_27c6&pid_0102&mi_01#c", 0x27C6, 0x0103, 0x0200),
                          MakeInterface("hid#VID_046D&PID_C077&MI_01#d", 0x046D)};
    DeviceScope scope(backend);
    ASSERT_TRUE(scope.device().Open());
    EXPECT_EQ(OpenPathTexts(scope.device()),
              (std::vector<std::string>{"hid#VID_27C6&PID_0102&MI_01#a",
                                        "hid#vid_27c6&pid_0102&mi_01#c"}));
    EXPECT_EQ(scope.device().Description(), "VID:0x27c6, PID:0x0103, Rev: 200");
    EXPECT_EQ(scope.device().Attributes().productId, 0x0103);
    EXPECT_TRUE(scope.device().IsOpen());
    // The refused interfaces were opened for the test and closed again.
    EXPECT_EQ(backend.Closed().size(), 2u);

    // A second run opens nothing new and fails; the open interface stays current.
    const platform::HidHandle current = scope.device().CurrentHandle();
    EXPECT_FALSE(scope.device().Open());
    EXPECT_EQ(scope.device().CurrentHandle(), current);
    EXPECT_TRUE(scope.device().IsOpen());
}

TEST(EnumerateTest, AKeptPortOpensOnlyTheInterfacesAtThatPort) {
    ScriptedHidBackend backend;
    backend.interfaces = {MakeInterface("a#MI_01", 0x27C6, 0x0101),
                          MakeInterface("b#MI_01", 0x27C6, 0x0102),
                          MakeInterface("c#MI_01", 0x27C6, 0x0103)};
    backend.interfaces[0].port = backend.interfaces[2].port = "1-2";
    backend.interfaces[1].port = "1-3.4";
    DeviceScope scope(backend);
    CHidDevice& device = scope.device();
    EXPECT_EQ(device.PortOf("B#mi_01"), "1-3.4");
    EXPECT_EQ(device.PortOf("d#MI_01"), "");

    device.KeepToPort("1-3.4");
    ASSERT_TRUE(device.Open());
    EXPECT_EQ(OpenPathTexts(device), std::vector<std::string>{"b#MI_01"});
    EXPECT_EQ(device.Port(), "1-3.4");
    // The others were not even opened for the test.
    EXPECT_TRUE(backend.Closed().empty());

    // Without a kept port every bridge is taken, the last one current.
    device.KeepToPort("");
    ASSERT_TRUE(device.Open());
    EXPECT_EQ(OpenPathTexts(device), (std::vector<std::string>{"b#MI_01", "a#MI_01", "c#MI_01"}));
    EXPECT_EQ(device.Port(), "1-2");
    EXPECT_EQ(device.Attributes().productId, 0x0103);
}

TEST(EnumerateTest, InterfaceTagDependsOnVendorAndVersion) {
    struct Case {
        uint16_t vid, version;
        const char* tag;
    };
    const Case cases[] = {{0x27C6, 0x0921, "MI_00"}, {0x27C6, 0x094F, "MI_00"},
                          {0x27C6, 0x0950, "MI_01"}, {0x27C6, 0x0920, "MI_01"},
                          {0x222A, 0x0930, "MI_00"}, {0x05AC, 0x0930, "MI_03"},
                          {0x05AC, 0x0100, "MI_03"}};
    for (const Case& c : cases) {
        for (const char* tag : {"MI_00", "MI_01", "MI_03"}) {
            ScriptedHidBackend backend;
            backend.interfaces = {MakeInterface(std::string("hid#x&") + tag, c.vid, 1, c.version)};
            DeviceScope scope(backend, {"27C6", "222A", "05AC"});
            EXPECT_EQ(scope.device().Open(), std::string(tag) == c.tag)
                << std::hex << c.vid << " " << c.version << " " << tag;
        }
    }
}

TEST(EnumerateTest, VendorTableComparesUpperCaseTextExactly) {
    ScriptedHidBackend backend;
    backend.interfaces = {MakeInterface("hid#VID_27C6&MI_01")};
    {
        DeviceScope scope(backend, {"27c6"});
        EXPECT_FALSE(scope.device().Open());
        EXPECT_FALSE(scope.device().IsOpen());
    }
    {
        DeviceScope scope(backend, {""});
        EXPECT_FALSE(scope.device().Open());
    }
}

TEST(EnumerateTest, UnusableInterfacesAreRefusedWithoutOverrun) {
    ScriptedHidBackend backend;
    backend.interfaces = {MakeInterface("gone#MI_01"),
                          MakeInterface("long#MI_01", 0x27C6, 1, 1, 65),
                          MakeInterface("short#MI_01", 0x27C6, 1, 1, 1)};
    backend.unopenable = {"gone#MI_01"};
    DeviceScope scope(backend);
    EXPECT_FALSE(scope.device().Open());
    EXPECT_TRUE(scope.device().OpenPaths().empty());
    EXPECT_EQ(scope.device().CurrentHandle(), platform::kNoHandle);
}

TEST(EnumerateTest, MissingCapabilitiesEndTheRunWithFalse) {
    ScriptedHidBackend backend;
    backend.interfaces = {MakeInterface("a#MI_01"), MakeInterface("b#MI_01"),
                          MakeInterface("c#MI_01")};
    backend.unqueryable = {"b#MI_01"};
    DeviceScope scope(backend);
    EXPECT_FALSE(scope.device().Open());
    EXPECT_EQ(OpenPathTexts(scope.device()), std::vector<std::string>{"a#MI_01"});
}

TEST(CloseDeviceTest, RemovingTheCurrentPathFallsBackToAnotherOpenOne) {
    ScriptedHidBackend backend;
    backend.interfaces = {MakeInterface("a#MI_01", 0x27C6, 0x0101),
                          MakeInterface("b#MI_01", 0x27C6, 0x0102)};
    backend.interfaces[0].port = "1-2";
    backend.interfaces[1].port = "1-3";
    DeviceScope scope(backend);
    ASSERT_TRUE(scope.device().Open());
    ASSERT_EQ(scope.device().Port(), "1-3");
    ClosePath(scope.device(), "B#mi_01");  // compared ignoring case
    EXPECT_TRUE(scope.device().IsOpen());
    EXPECT_EQ(OpenPathTexts(scope.device()), std::vector<std::string>{"a#MI_01"});
    EXPECT_EQ(scope.device().Description(), "VID:0x27c6, PID:0x0101, Rev: 100");
    // The port a run keeps to is the current bridge's.
    EXPECT_EQ(scope.device().Port(), "1-2");

    ClosePath(scope.device(), "unknown");
    EXPECT_TRUE(scope.device().IsOpen());

    ClosePath(scope.device(), "a#MI_01");
    EXPECT_FALSE(scope.device().IsOpen());
    EXPECT_EQ(scope.device().Description(), "");
    EXPECT_EQ(scope.device().Port(), "");
    EXPECT_EQ(scope.device().CurrentHandle(), platform::kNoHandle);
    EXPECT_EQ(backend.Closed().size(), 2u);

    // Plugged in again: opened again.
    EXPECT_TRUE(scope.device().Open());
}

TEST(CloseDeviceTest, RemovingAnotherPathKeepsTheCurrentOne) {
    ScriptedHidBackend backend;
    backend.interfaces = {MakeInterface("a#MI_01", 0x27C6, 0x0101),
                          MakeInterface("b#MI_01", 0x27C6, 0x0102)};
    DeviceScope scope(backend);
    ASSERT_TRUE(scope.device().Open());
    const platform::HidHandle current = scope.device().CurrentHandle();
    ClosePath(scope.device(), "a#MI_01");
    EXPECT_TRUE(scope.device().IsOpen());
    EXPECT_EQ(scope.device().CurrentHandle(), current);
}

TEST(CloseDeviceTest, TeardownClosesEveryHandleOnce) {
    ScriptedHidBackend backend;
    backend.interfaces = {MakeInterface("a#MI_01"), MakeInterface("b#MI_01")};
    {
        DeviceScope scope(backend);
        ASSERT_TRUE(scope.device().Open());
    }
    auto closed = backend.Closed();
    std::sort(closed.begin(), closed.end());
    EXPECT_EQ(closed.size(), 2u);
    EXPECT_EQ(std::unique(closed.begin(), closed.end()), closed.end());
}

TEST(SimulatedBusTest, UnplugAndPlugAgain) {
    testsupport::SimBridgeScope sim;
    ASSERT_TRUE(sim.opened());
    const std::string path = sim.device().OpenPaths().at(0).path;
    EXPECT_NE(path.find("VID_27C6&PID_0102&MI_01"), std::string::npos);
    sim.bus().Unplug(sim.bridgePtr());
    uint8_t value = 0;
    EXPECT_FALSE(sim.device().ReadRegs(0x8140, &value, 1, 100));
    ClosePath(sim.device(), path);
    EXPECT_FALSE(sim.device().IsOpen());
    sim.bus().Plug(sim.bridgePtr());
    EXPECT_TRUE(sim.device().Open());
    EXPECT_TRUE(sim.device().WriteByte(0x8140, 7));
    EXPECT_EQ(sim.device().ReadByte(0x8140), 7);
}

TEST(SimulatedBusTest, ABridgeHeldByOneDeviceIsAbsentForAnother) {
    testsupport::SimBridgeScope sim;
    ASSERT_TRUE(sim.opened());
    const uint64_t before = sim.bridge().ReportsReceived();
    {
        CHidDevice second(sim.bus(), sim.clock(), {"27C6"});
        EXPECT_FALSE(second.Open());
        EXPECT_FALSE(second.IsOpen());
        second.Close();
    }
    EXPECT_EQ(sim.bridge().ReportsReceived(), before);
    // Once the holder lets it go, the bridge opens for the other.
    ClosePath(sim.device(), sim.device().OpenPaths().at(0).path);
    CHidDevice second(sim.bus(), sim.clock(), {"27C6"});
    EXPECT_TRUE(second.Open());
    second.Close();
}
