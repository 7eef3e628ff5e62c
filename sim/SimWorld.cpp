#include "sim/SimWorld.h"

#include <array>
#include <cstdlib>
#include <filesystem>

#include "platform/Profile.h"
#include "sim/SimConfigRegisters.h"
#include "sim/SimFamily.h"

namespace sim {

namespace {

uint32_t Hex(const std::string& file, const char* section, const char* key, const char* fallback) {
    const std::string text =
        platform::ReadProfileString(DescriptionFiles(), file, section, key, fallback);
    return static_cast<uint32_t>(std::strtoul(text.c_str(), nullptr, 16));
}

// A bridge as the description's [Bridge] section gives it.
std::shared_ptr<SimBridge> MakeBridge(const std::string& file) {
    const int interfaceNumber =
        platform::ReadProfileInt(DescriptionFiles(), file, "Bridge", "Interface", 1);
    auto bridge =
        std::make_shared<SimBridge>(static_cast<uint16_t>(Hex(file, "Bridge", "VendorId", "27C6")),
                                    static_cast<uint16_t>(Hex(file, "Bridge", "ProductId", "0102")),
                                    static_cast<uint16_t>(Hex(file, "Bridge", "Version", "0100")),
                                    std::vector<SimBridge::Interface>{{interfaceNumber}});
    bridge->SetLatencyMs(static_cast<uint32_t>(
        platform::ReadProfileInt(DescriptionFiles(), file, "Bridge", "LatencyMs", 0)));
    const std::string bridgeBlock =
        platform::ReadProfileString(DescriptionFiles(), file, "Bridge", "ConfigBlock", "");
    if (!bridgeBlock.empty()) {
        std::array<uint8_t, SimBridge::kConfigBlockLength> block{};
        const char* at = bridgeBlock.c_str();
        for (uint8_t& byte : block) {
            char* end = nullptr;
            byte = static_cast<uint8_t>(std::strtoul(at, &end, 16));
            if (end == at) break;
            at = end;
        }
        bridge->SetConfigBlock(block);
    }
    bridge->SetDropsConfigBlock(FaultFlag(file, "BridgeDropsConfigBlock"));
    bridge->SetIdentity(platform::ReadProfileString(DescriptionFiles(), file, "Bridge", "Identity",
                                                    "Halden_V1.00", 33));
    return bridge;
}

// The touch controller of the [Chip] section with its faults, attached to `bridge`; nullptr
// without a family, or with a reason when the family is unknown.
std::shared_ptr<SimChip> MakeChip(const std::string& file, SimBridge& bridge, std::string& error) {
    const std::string family =
        platform::ReadProfileString(DescriptionFiles(), file, "Chip", "Family", "");
    const std::string productId =
        platform::ReadProfileString(DescriptionFiles(), file, "Chip", "ProductId", "");
    const uint32_t version = Hex(file, "Chip", "Version", "0");
    if (family.empty()) return nullptr;
    const SimFamily* row = SimFamilyNamed(family);
    if (!row) {
        error = "unknown chip family \"" + family + "\"";
        return nullptr;
    }
    const SimChipBuilt built = row->build({file, productId, version});
    if (SimConfigRegisters* registers = built.configRegisters) {
        registers->faults().dropsOlderVersion = FaultFlag(file, "DropsOlderConfig");
        const std::string held =
            platform::ReadProfileString(DescriptionFiles(), file, "Chip", "ConfigVersion", "");
        if (!held.empty()) {
            registers->Hold(*built.chip,
                            {static_cast<uint8_t>(std::strtoul(held.c_str(), nullptr, 16))});
        }
    }
    if (built.chip) built.chip->Attach(bridge);
    return built.chip;
}

}  // namespace

std::unique_ptr<SimWorld> LoadSimWorld(const std::string& path, const SimClocks& clocks,
                                       std::string& error) {
    std::error_code fsError;
    const std::string file = std::filesystem::absolute(path, fsError).string();
    if (fsError || !std::filesystem::is_regular_file(file, fsError)) {
        error = "cannot be read";
        return nullptr;
    }
    const bool virtualTime =
        platform::ReadProfileInt(DescriptionFiles(), file, "Time", "Virtual", 0) != 0;
    auto world = std::make_unique<SimWorld>(virtualTime ? clocks.virtualTime : clocks.real);
    world->bridge = MakeBridge(file);
    world->chip = MakeChip(file, *world->bridge, error);
    if (!error.empty()) return nullptr;

    world->settings.SetValue("Language", platform::ReadProfileString(DescriptionFiles(), file,
                                                                     "Settings", "Language", ""));
    world->settings.SetDriverPresent(
        platform::ReadProfileInt(DescriptionFiles(), file, "Settings", "BootModeDriver", 1) != 0);
    if (const int from =
            platform::ReadProfileInt(DescriptionFiles(), file, "Faults", "StopAnsweringFrom", 0);
        from > 0) {
        world->bridge->StopAnsweringFrom(static_cast<uint64_t>(from));
    }
    world->virtualTime = virtualTime;

    world->boot = std::make_unique<SimBootDevice>(
        world->bus, world->bridge, static_cast<uint8_t>(Hex(file, "Boot", "ChipType", "52")));
    SimBootDevice::Faults bootFaults;
    bootFaults.neverEntersBootMode = FaultFlag(file, "NeverEntersBootMode");
    bootFaults.programFailures =
        platform::ReadProfileInt(DescriptionFiles(), file, "Faults", "ProgramFailures", 0);
    bootFaults.neverComesBack = FaultFlag(file, "NeverComesBack");
    bootFaults.comesBackInBootMode = FaultFlag(file, "ComesBackInBootMode");
    world->boot->SetFaults(bootFaults);

    if (const int at =
            platform::ReadProfileInt(DescriptionFiles(), file, "Faults", "SecondBridgeAt", 0);
        at > 0) {
        world->secondBridge = MakeBridge(file);
        world->secondBridge->SetTraceMark({"2", "second bridge"});
        world->secondChip = MakeChip(file, *world->secondBridge, error);
        SimBus* bus = &world->bus;
        std::weak_ptr<SimBridge> second = world->secondBridge;
        world->bridge->AtReport(static_cast<uint64_t>(at), [bus, second] {
            if (const auto bridge = second.lock()) bus->Plug(bridge);
        });
    }
    world->bus.Plug(world->bridge);
    return world;
}

}  // namespace sim
