#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "sim/BridgeImage.h"
#include "sim/SimBootDevice.h"
#include "sim/SimWorld.h"
#include "support/TempFolder.h"

TEST(SimBootDevice, DescriptionNamesIdentityChipTypeAndFaults) {
    testsupport::TempFolder folder;
    folder.Write("sim.ini",
                 "[Bridge]\nIdentity=Halden_V3.01\n[Boot]\nChipType=79\n"
                 "[Faults]\nProgramFailures=2\nComesBackInBootMode=1\n");
    std::string error;
    platform::SteadyClock clock;
    auto world = sim::LoadSimWorld((folder.Path() / "sim.ini").string(), {clock, clock}, error);
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
