#include "sim/SimWorld.h"

#include <array>
#include <cstdlib>
#include <filesystem>

#include "platform/Path.h"
#include "platform/Profile.h"
#include "sim/ft5xxx/SimFt5xxx.h"
#include "sim/gt73xx/SimGt73xxFlash.h"
#include "sim/gt79xx/SimGt79xx.h"
#include "sim/gt9pxx/SimGt9pxxFlash.h"
#include "sim/gt9xxx/SimGt9xxxFlash.h"

namespace sim {

namespace {

uint32_t Hex(const std::string& file, const char* section, const char* key, const char* fallback) {
    const std::string text = platform::ReadProfileString(file, section, key, fallback);
    return static_cast<uint32_t>(std::strtoul(text.c_str(), nullptr, 16));
}

bool Flag(const std::string& file, const char* key) {
    return platform::ReadProfileInt(file, "Faults", key, 0) != 0;
}

template <size_t N>
std::array<uint8_t, N> VersionBytes(uint32_t value) {
    std::array<uint8_t, N> bytes{};
    for (size_t i = 0; i < N; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * (N - 1 - i)));
    return bytes;
}

// The faults of the GT73xx and GT9Pxx downloads.
void SetDownloadFaults(const std::string& file, SimGtFlashFaults& faults) {
    faults.holdRefusals = Flag(file, "HoldNeverTakes") ? 1000 : 0;
    faults.stubReadsBackWrong = Flag(file, "StubReadsBackWrong");
    faults.blockNeverConfirmed = platform::ReadProfileInt(file, "Faults", "BlockNeverConfirmed", 0);
    faults.stubNeverReady = Flag(file, "StubNeverReady");
    faults.goneAfterRestart = Flag(file, "GoneAfterReset");
}

// A bridge as the description's [Bridge] section gives it.
std::shared_ptr<SimBridge> MakeBridge(const std::string& file) {
    const int interfaceNumber = platform::ReadProfileInt(file, "Bridge", "Interface", 1);
    auto bridge =
        std::make_shared<SimBridge>(static_cast<uint16_t>(Hex(file, "Bridge", "VendorId", "27C6")),
                                    static_cast<uint16_t>(Hex(file, "Bridge", "ProductId", "0102")),
                                    static_cast<uint16_t>(Hex(file, "Bridge", "Version", "0100")),
                                    std::vector<SimBridge::Interface>{{interfaceNumber}});
    bridge->SetLatencyMs(
        static_cast<uint32_t>(platform::ReadProfileInt(file, "Bridge", "LatencyMs", 0)));
    const std::string bridgeBlock = platform::ReadProfileString(file, "Bridge", "ConfigBlock", "");
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
    bridge->SetDropsConfigBlock(Flag(file, "BridgeDropsConfigBlock"));
    bridge->SetIdentity(
        platform::ReadProfileString(file, "Bridge", "Identity", "Halden_V1.00", 33));
    return bridge;
}

// The touch controller of the [Chip] section with its faults, attached to `bridge`; nullptr
// without a family, or with a reason when the family is unknown.
std::shared_ptr<SimChip> MakeChip(const std::string& file, SimBridge& bridge, std::string& error) {
    const std::string family = platform::ReadProfileString(file, "Chip", "Family", "");
    const std::string productId = platform::ReadProfileString(file, "Chip", "ProductId", "");
    const uint32_t version = Hex(file, "Chip", "Version", "0");
    std::shared_ptr<SimChip> result;
    SimConfigRegisters* configRegisters = nullptr;
    if (platform::EqualsIgnoringCase(family, "GT9xxx")) {
        auto chip = std::make_shared<SimGt9xxxFlash>();
        char id[4] = {};
        for (size_t i = 0; i < 4 && i < productId.size(); ++i) id[i] = productId[i];
        chip->SetIdentity(id, static_cast<uint16_t>(version));
        chip->faults().burnNeverCompletes = Flag(file, "BurnNeverCompletes");
        chip->faults().holdNeverTakes = Flag(file, "HoldNeverTakes");
        chip->faults().goneAfterReset = Flag(file, "GoneAfterReset");
        configRegisters = &chip->config();
        result = chip;
    } else if (platform::EqualsIgnoringCase(family, "GT9Pxx")) {
        auto chip = std::make_shared<SimGt9pxxFlash>(productId, VersionBytes<3>(version));
        SetDownloadFaults(file, chip->faults());
        configRegisters = &chip->config();
        result = chip;
    } else if (platform::EqualsIgnoringCase(family, "GT73xx")) {
        auto chip = std::make_shared<SimGt73xxFlash>(productId, VersionBytes<3>(version));
        SetDownloadFaults(file, chip->faults());
        configRegisters = &chip->config();
        result = chip;
    } else if (platform::EqualsIgnoringCase(family, "GT79xx")) {
        auto chip = std::make_shared<SimGt79xx>(productId, VersionBytes<4>(version));
        chip->faults().neverAcknowledge = Flag(file, "NeverAcknowledge");
        chip->faults().rejectSubImageType =
            platform::ReadProfileInt(file, "Faults", "RejectSubImage", -1);
        chip->faults().goneAfterReset = Flag(file, "GoneAfterReset");
        result = chip;
    } else if (platform::EqualsIgnoringCase(family, "FT5xxx")) {
        result = std::make_shared<SimFt5xxx>(productId);
    } else if (!family.empty()) {
        error = "unknown chip family \"" + family + "\"";
        return nullptr;
    }
    if (configRegisters) {
        configRegisters->faults().dropsOlderVersion = Flag(file, "DropsOlderConfig");
        const std::string held = platform::ReadProfileString(file, "Chip", "ConfigVersion", "");
        if (!held.empty()) {
            configRegisters->Hold(*result,
                                  {static_cast<uint8_t>(std::strtoul(held.c_str(), nullptr, 16))});
        }
    }
    if (result) result->Attach(bridge);
    return result;
}

}  // namespace

std::unique_ptr<SimWorld> LoadSimWorld(const std::string& path, std::string& error) {
    std::error_code fsError;
    const std::string file = std::filesystem::absolute(path, fsError).string();
    if (fsError || !std::filesystem::is_regular_file(file, fsError)) {
        error = "cannot be read";
        return nullptr;
    }
    auto world = std::make_unique<SimWorld>();
    world->bridge = MakeBridge(file);
    world->chip = MakeChip(file, *world->bridge, error);
    if (!error.empty()) return nullptr;

    world->settings.SetValue("Language",
                             platform::ReadProfileString(file, "Settings", "Language", ""));
    world->settings.SetDriverPresent(
        platform::ReadProfileInt(file, "Settings", "BootModeDriver", 1) != 0);
    if (const int from = platform::ReadProfileInt(file, "Faults", "StopAnsweringFrom", 0);
        from > 0) {
        world->bridge->StopAnsweringFrom(static_cast<uint64_t>(from));
    }
    world->virtualTime = platform::ReadProfileInt(file, "Time", "Virtual", 0) != 0;

    world->boot = std::make_unique<SimBootDevice>(
        world->bus, world->bridge, static_cast<uint8_t>(Hex(file, "Boot", "ChipType", "52")));
    SimBootDevice::Faults bootFaults;
    bootFaults.neverEntersBootMode = Flag(file, "NeverEntersBootMode");
    bootFaults.programFailures = platform::ReadProfileInt(file, "Faults", "ProgramFailures", 0);
    bootFaults.neverComesBack = Flag(file, "NeverComesBack");
    bootFaults.comesBackInBootMode = Flag(file, "ComesBackInBootMode");
    world->boot->SetFaults(bootFaults);

    if (const int at = platform::ReadProfileInt(file, "Faults", "SecondBridgeAt", 0); at > 0) {
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
