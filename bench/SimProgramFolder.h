#pragma once

#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/Services.h"
#include "app/StdOut.h"
#include "platform/Clock.h"
#include "platform/MessageService.h"
#include "platform/Path.h"
#include "platform/SettingsStore.h"
#include "sim/SimBus.h"
#include "sim/gt9xxx/Gt9xxxImage.h"
#include "sim/gt9xxx/SimGt9xxxFlash.h"

namespace bench {

// A program folder with the settings for a GT911 behind bridge 27C6 and the image
// "GT911_1060.bin", and a simulated bridge with a GT911 on firmware 1050; made the program
// folder for the benchmark's lifetime. Its services keep the settings in memory and drop what
// goes to standard output.
class SimProgramFolder {
    platform::SteadyClock clock_;

  public:
    explicit SimProgramFolder(uint32_t latencyMs) {
        folder_ = std::filesystem::temp_directory_path() /
                  ("quillon-bench-" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(folder_ / "System" / "ChipIni");
        Write("System/AppConfigInit.ini",
              "[VID_LIST]\nVid List=27C6\n[CHIP LIST]\nchip list=GT911\n");
        Write("System/ChipIni/GT911_bench.ini", "[Cfg]\nCFGAddr=0x8047\n");
        const auto image = sim::MakeGt9xxxImage("911", 0x1060);
        Write("GT911_1060.bin", std::string(image.begin(), image.end()));
        platform::SetProgramFolder(folder_);
        bridge = std::make_shared<sim::SimBridge>(0x27C6, 0x0102, 0x0100,
                                                  std::vector<sim::SimBridge::Interface>{{1}});
        chip = std::make_shared<sim::SimGt9xxxFlash>();
        chip->SetIdentity("911", 0x1050);
        chip->Attach(*bridge);
        bridge->SetLatencyMs(latencyMs);
        bus.Plug(bridge);
    }
    ~SimProgramFolder() {
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }

    // The program's services, with messages shown through the given service.
    app::Services Services(platform::MessageService& messages) {
        return {clock_, settings_, messages, standardOutput_};
    }

    sim::SimBus bus{clock_};
    std::shared_ptr<sim::SimBridge> bridge;
    std::shared_ptr<sim::SimGt9xxxFlash> chip;

  private:
    void Write(const std::string& name, const std::string& text) {
        std::ofstream(folder_ / name, std::ios::binary) << text;
    }

    std::filesystem::path folder_;
    platform::MemorySettingsStore settings_;
    StdOut standardOutput_{[](const std::string&) {}};
};

}  // namespace bench
