#pragma once

// The families whose touch firmware is downloaded, one row each: how to make an image and a
// simulated chip, the updater, what a clean download logs and leaves in flash, the chip's
// faults with what each logs, a chip that does not come back, and the family's bad images.
// The shared download suite and the fault sweep run over these rows.
#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "resources/LogTarget.h"
#include "resources/MessageIds.h"
#include "sim/SimChip.h"
#include "support/RecordingLog.h"
#include "touch/ChipFamily.h"
#include "touch/FwUpdate.h"
#include "touch/UpdaterRig.h"

namespace downloads {

using Image = std::vector<uint8_t>;
using Log = std::vector<testsupport::RecordingLog::Entry>;
// A fault of the chip, or of the image it is given.
using Fault = std::function<void(sim::SimChip&, Image&)>;

struct FaultCase {
    std::string name;
    Fault fault;
    // What the download logs, progress lines left out; empty: the case is only swept.
    Log log = {};
    // The bridge commands other than register transfers: all of them, or the last ones
    // (empty: not compared).
    std::vector<int> commands = {};
    std::vector<int> lastCommands = {};
    // The chip's identity once it is detected again afterwards (empty: not compared).
    std::string identityAfter = {};
};

struct BadImage {
    enum class Outcome {
        Refused,        // the load fails with "[FW update]Read File err" alone
        Loads,          // the load takes it
        FailsInUpdate,  // the load takes it, the download fails
    };
    std::string what;
    std::function<void(Image&)> spoil;
    Outcome outcome;
    // FailsInUpdate: the end of the log, and the bridge commands (empty: no report at all).
    Log logEnd = {};
    std::vector<int> commands = {};
};

struct Family {
    std::string name;
    uint16_t bridgeModel;  // 0x0999 selects no family
    std::function<Image()> image;
    // A chip on older firmware than the image's.
    std::function<std::shared_ptr<sim::SimChip>()> chip;
    std::function<std::unique_ptr<CFwUpdate>(const UpdaterContext&)> updater;
    std::function<bool(sim::SimChip&, const Image&)> flashHoldsImage;
    // The identity the chip shows once it runs the image, and whether detection settles on
    // it (a model of the configured list).
    std::string identity;
    bool identifiedByDetection;
    // A clean download's log, progress lines left out.
    Log stages;
    // What only this family's clean download shows (sections, blocks, commands).
    std::function<void(UpdaterRig&, sim::SimChip&, const Image&, CFwUpdate&)> checkClean;
    std::vector<FaultCase> faults;
    // A chip that does not come back after the download, whether the download still
    // reports success, and whether detection then finds no chip.
    Fault gone;
    bool goneSucceeds;
    bool goneIsNotDetected;
    std::vector<BadImage> badImages;
    // Whether a new last-write time of the loaded file makes it unusable.
    bool fileTimeChecked;
    // The longest a download may take once the bridge stops answering (virtual ms).
    uint64_t boundMs;
    // The download's last reports whose answers it does not look at: the image is in flash
    // by then, and a bridge that stops there still leaves a successful download.
    uint64_t unwatchedLastReports;
};

// The row's name in test messages.
void PrintTo(const Family& family, std::ostream* out);

// Every family with a download.
const std::vector<Family>& Families();

// The row of a family by its name.
const Family& Named(const std::string& name);

// A chip fault on the family's simulated chip type.
template <class Chip>
Fault On(std::function<void(Chip&)> fault) {
    return [fault](sim::SimChip& chip, Image&) { fault(static_cast<Chip&>(chip)); };
}

// The log without progress lines.
Log Stages(const testsupport::RecordingLog& log);

}  // namespace downloads
