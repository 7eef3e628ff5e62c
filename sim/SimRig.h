#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bridge/HidDevice.h"
#include "platform/Clock.h"
#include "platform/MessageService.h"
#include "sim/SimBus.h"
#include "sim/SimChip.h"
#include "touch/ChipIniSettings.h"
#include "touch/ChipRegistry.h"
#include "touch/FwUpdate.h"

namespace sim {

// How a rig's bridge and device are set up.
struct SimRigOptions {
    uint16_t vendorId = 0x27C6;
    // The bridge's model code selects the family when the device opens (0x0999: none).
    uint16_t bridgeModel = 0x0102;
    uint16_t bridgeVersion = 0x0100;
    // Opened at once; otherwise when a chip is started (Start) or by Open.
    bool openNow = true;
    // The rig's program clock is its virtual clock; without it the steady clock runs, for
    // measurements of real time.
    bool virtualTime = true;
    // The chip registry (it reads and prepares the settings files of the program folder);
    // without it the device keeps the header layout it is given.
    bool chipRegistry = true;
    // The program's files the registry reads: the working folder unless a test gives its own.
    platform::ProgramFiles files = {};
};

// The program's device over one simulated bridge (interface 1) with the chip registry hooked
// into it (unless left out) and its own chip settings record: what tests, benchmarks and fuzz
// entries use as "a device over the simulated bridge". The chip registry is built before the device
// opens, so that opening selects the family by the bridge's model code.
class SimRig {
  public:
    explicit SimRig(const SimRigOptions& options = {});
    ~SimRig();
    SimRig(const SimRig&) = delete;
    SimRig& operator=(const SimRig&) = delete;

    CHidDevice& device() { return *device_; }
    bool Open() { return device_->Open(); }

    // Puts a simulated chip behind the bridge, opens the device when it is not open, and
    // clears the bridge's records; whether the device is open.
    bool Start(const std::shared_ptr<SimChip>& simChip);

    // An updater's context over the rig (which has its chip registry).
    UpdaterContext Context(LogTarget* log) {
        return {*device_, ProgramClock(), *registry, settings, log};
    }

    // The program's files the registry reads (given in the options).
    const platform::ProgramFiles& Files() const { return files_; }

    // The clock the bus, the device and the registry run on: `clock`, or the steady clock.
    platform::Clock& ProgramClock() { return *programClock_; }

  private:
    platform::SteadyClock steadyClock_;
    platform::ProgramFiles files_;

  public:
    platform::VirtualClock clock;
    // What the messages the registry shows to the user say.
    platform::RecordingMessageService messages;

  private:
    platform::Clock* programClock_;

  public:
    SimBus bus;
    std::shared_ptr<SimBridge> bridge;
    ChipIniSettings settings;
    std::shared_ptr<SimChip> chip;            // the chip Start put behind the bridge
    std::unique_ptr<CChipRegistry> registry;  // absent when left out

  private:
    std::unique_ptr<CHidDevice> device_;
};

}  // namespace sim
