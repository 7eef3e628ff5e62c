#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "sim/BridgeImage.h"
#include "sim/SimBootDevice.h"
#include "sim/SimWorld.h"
#include "support/TempFolder.h"

namespace {

struct PlugRecord {
    std::vector<std::string> events;
    void Listen(sim::SimBus& bus) {
        bus.SetPlugListener([this](const std::string& name, bool arrived) {
            events.push_back((arrived ? "+" : "-") + name.substr(0, 23));
        });
    }
};

// A report of bridge command 14 (write, no data), as the program sends it.
sim::Report EnterBootModeReport() {
    sim::Report report{};
    report[0] = 3;
    report[1] = 1;
    report[2] = 14;
    return report;
}

}  // namespace

TEST(SimBootDevice, DescriptionNamesIdentityChipTypeAndFaults) {
    testsupport::TempFolder folder;
    folder.Write("sim.ini",
                 "[Bridge]\nIdentity=Halden_V3.01\n[Boot]\nChipType=79\n"
                 "[Faults]\nProgramFailures=2\nComesBackInBootMode=1\n");
    std::string error;
    auto world = sim::LoadSimWorld((folder.Path() / "sim.ini").string(), error);
    ASSERT_TRUE(world) << error;
    EXPECT_EQ(world->bridge->Identity(), "Halden_V3.01");

    world->boot->EnterBootMode();
    std::array<uint8_t, 959> option{};
    std::array<uint8_t, 1136> table{};
    uint16_t a = 0, b = 0;
    uint32_t c = 0;
    option[4] = 0x52;
    world->boot->SetIspOption(option.data());
    EXPECT_EQ(world->boot->EnumDevices(table.data(), 16, &a, &b, &c), 0);
    option[4] = 0x79;
    world->boot->SetIspOption(option.data());
    EXPECT_EQ(world->boot->EnumDevices(table.data(), 16, &a, &b, &c), 1);
    const auto image = sim::MakeBridgeImage("Halden_V3.02", 100);
    uint32_t device = 0;
    std::memcpy(&device, table.data(), sizeof(device));
    for (int expected : {0, 0, 1})
        EXPECT_EQ(world->boot->FlashProgramB(device, image.data(), 100, 1, 0, 0, 0), expected);
    world->boot->IspEnd(0, 1);
    EXPECT_TRUE(world->boot->InBootMode());
    EXPECT_FALSE(world->bus.IsPlugged(world->bridge));
}

TEST(SimBootDevice, CommandFourteenLeavesAndIspEndComesBackWithTheImagesIdentity) {
    sim::SimBus bus;
    auto bridge = std::make_shared<sim::SimBridge>(0x27C6, 0x0102, 0x0100,
                                                   std::vector<sim::SimBridge::Interface>{{1}});
    bus.Plug(bridge);
    sim::SimBootDevice boot(bus, bridge, 0x52);
    PlugRecord record;
    record.Listen(bus);

    std::vector<sim::Report> replies;
    const sim::Report report = EnterBootModeReport();
    ASSERT_TRUE(bridge->Receive(report.data(), report.size(), replies));
    EXPECT_TRUE(boot.InBootMode());
    EXPECT_FALSE(bus.IsPlugged(bridge));

    const auto image = sim::MakeBridgeImage("Halden_V2.10", 64);
    EXPECT_EQ(boot.FlashProgramB(sim::SimBootDevice::kDeviceId, image.data(), 64, 1, 0, 0, 0), 0)
        << "no chip type was chosen";
    std::array<uint8_t, 959> option{};
    option[4] = 0x52;
    boot.SetIspOption(option.data());
    EXPECT_EQ(boot.FlashProgramB(0, image.data(), 64, 1, 0, 0, 0), 0) << "wrong device";
    EXPECT_EQ(boot.FlashProgramB(sim::SimBootDevice::kDeviceId, image.data(), 64, 1, 0, 0, 0), 1);
    boot.IspEnd(0, 1);
    EXPECT_TRUE(bus.IsPlugged(bridge));
    EXPECT_EQ(bridge->Identity(), "Halden_V2.10");
    EXPECT_EQ(record.events,
              (std::vector<std::string>{"-sim#hid#VID_27C6&PID_01", "+sim#usb#VID_4348&PID_55",
                                        "-sim#usb#VID_4348&PID_55", "+sim#hid#VID_27C6&PID_01"}));
}
