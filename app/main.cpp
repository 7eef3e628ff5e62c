#include <cstdio>
#include <cstring>
#include <memory>

#include "bridge/HidDevice.h"
#include "bridge/VidTable.h"
#include "sim/SimBus.h"

namespace {

// A short walk through the bridge link against the simulated bridge: open it, write a few
// touch-controller registers and read them back.
int RunDemo() {
    sim::SimBus bus;
    auto bridge = std::make_shared<sim::SimBridge>(0x27C6, 0x0102, 0x0100,
                                                   std::vector<sim::SimBridge::Interface>{{1}});
    bus.Plug(bridge);
    VidTable() = {"27C6"};
    CHidDevice device(bus);
    CHidDevice::SetInstance(&device);
    if (!device.Open()) {
        std::printf("No bridge found\n");
        return 1;
    }
    std::printf("Bridge: %s\n", device.Description().c_str());
    const uint8_t config[] = {0x41, 0x20, 0x03, 0xE0, 0x01, 0x05, 0x0D, 0x00};
    const bool wrote = CHidDevice::WriteRegs(0x8047, config, sizeof(config));
    uint8_t back[sizeof(config)] = {};
    const bool read = CHidDevice::ReadRegs(0x8047, back, sizeof(back), 100);
    std::printf("Write 8 bytes at 0x8047: %s\n", wrote ? "ok" : "failed");
    std::printf("Read back:%s", read ? "" : " failed");
    for (uint8_t b : back) std::printf(" %02X", b);
    std::printf("\n");
    CHidDevice::WriteByte(0x8040, 0x02);
    std::printf("Register 0x8040: %02X\n", CHidDevice::ReadByte(0x8040));
    CHidDevice::SetInstance(nullptr);
    return wrote && read && std::memcmp(config, back, sizeof(config)) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--demo") == 0) return RunDemo();
    }
    std::printf("usage: quillon --demo\n");
    return 0;
}
