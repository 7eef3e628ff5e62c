#include <memory>
#include <string>
#include <vector>

#include "fuzz/FuzzEntries.h"
#include "fuzz/FuzzSupport.h"
#include "platform/MessageService.h"
#include "platform/ProgramFiles.h"
#include "sim/SimRig.h"
#include "sim/gt9xxx/Gt9xxxImage.h"
#include "sim/gt9xxx/SimGt9xxxFlash.h"
#include "touch/ChipRegistry.h"
#include "touch/gt9xxx/C9xxxUpdate.h"

namespace fuzz {

namespace {

// The shortest image the download takes: every part up to the end of the link sections.
constexpr uint32_t kShortestImage = C9xxxUpdate::kLinkEnd;

// The program folder of the download, a scratch folder; made before the rig's registry
// reads its settings.
struct DownloadFolder {
    DownloadFolder() { std::filesystem::create_directories(path / "System" / "ChipIni"); }
    const std::filesystem::path path = ScratchFolder() / "download";
};

// The device over the simulated bridge with its registry, built once.
struct Bench {
    DownloadFolder folder;
    sim::SimRig rig{{.files = {folder.path, platform::CodePage()}}};
};

}  // namespace

// Input: two bytes choosing the image length (around the shortest accepted one), a fault and
// two bytes of its position, then a pattern that fills the image.
int Gt9xxxImageEntry(const uint8_t* data, size_t size) {
    if (size < 5) return 0;
    static Bench bench;
    sim::SimRig& rig = bench.rig;
    const uint32_t length = 0xC000 + ((data[0] << 8 | data[1]) % 0x2000);
    const uint8_t fault = data[2] % 7;
    const uint32_t position = data[3] << 8 | data[4];
    std::vector<uint8_t> image(length);
    for (uint32_t i = 0; i < length; ++i) image[i] = size > 5 ? data[5 + i % (size - 5)] : 0;
    const InputFile file(ScratchFolder() / "G-fuzz.bin", std::string(image.begin(), image.end()));

    auto chip = std::make_shared<sim::SimGt9xxxFlash>();
    chip->Attach(*rig.bridge);
    sim::SimGt9xxxFlash::Faults& faults = chip->faults();
    faults.holdNeverTakes = fault == 2;
    faults.watchdogStaysOn = fault == 3;
    faults.burnNeverCompletes = fault == 4;
    faults.corruptReadBackOfCommand = fault == 5 ? static_cast<int>(position % 10) : 0;
    faults.goneAfterReset = fault == 6;
    rig.bridge->StopAnsweringFrom(fault == 1 ? rig.bridge->ReportsReceived() + 1 + position : 0);

    C9xxxUpdate update(rig.Context(nullptr));
    const bool loaded = update.LoadFirmwareFile(file.path().string());
    Require(loaded == (length >= kShortestImage), "an image loads when it holds the layout");
    if (loaded) {
        update.GetFirmwareVersionText();
        if (update.Update()) {
            Require(sim::FlashHoldsImage(chip->flash(), image),
                    "a download that succeeded left the image in the flash");
        }
    }
    rig.bridge->StopAnsweringFrom(0);
    rig.bridge->ClearRecords();
    return 0;
}

}  // namespace fuzz
