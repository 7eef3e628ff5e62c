#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "sim/SimChip.h"
#include "sim/gt9xxx/SimGt9xxxConfig.h"

namespace sim {

// The programming side of a simulated GT9xxx: core hold, watchdog, SRAM banks with their two
// windows, the staging window and the burn control that moves staged data into flash.
//
// The simulated firmware carries its identity in the first six bytes of SS51 section 1
// (product id characters 0-3, version low byte, version high byte); after a reset the chip
// shows them at 0x8140, as a real chip shows the identity of the firmware it runs.
class SimGt9xxxFlash : public SimChip {
  public:
    static constexpr size_t kSs51Sections = 4;
    static constexpr size_t kSectionSize = 8192;

    struct Flash {
        std::array<std::vector<uint8_t>, kSs51Sections> ss51;
        std::vector<uint8_t> dsp, bootloader, bootIsp, link1, link2;
    };

    struct Faults {
        bool holdNeverTakes = false;       // 0x4180 never reads back 0x0C
        bool burnNeverCompletes = false;   // 0x5094 keeps the command
        int corruptReadBackOfCommand = 0;  // the window read after this command differs
        bool watchdogStaysOn = false;      // 0x40B0 never reads 0
        bool goneAfterReset = false;       // after the download's reset every register reads 0
    };

    SimGt9xxxFlash();

    void Read(uint32_t address, uint8_t* out, size_t length) override;
    void Write(uint32_t address, const uint8_t* data, size_t length) override;

    // The touch-controller reset of the bridge (command 4): the chip restarts from flash.
    void Reset();
    // Sets the identity the chip shows before any download.
    void SetIdentity(const char productId[4], uint16_t version);

    Faults& faults() { return faults_; }
    // The configuration registers.
    SimConfigRegisters& config() { return config_; }

  protected:
    // The bridge's touch-controller reset (command 4) restarts the chip.
    void InstallHandlers(SimBridge& bridge) override;

  public:
    const Flash& flash() const { return flash_; }
    // The ISP stub last loaded into SRAM bank 2.
    std::vector<uint8_t> IspStub() const;
    bool Finished() const { return finished_; }
    int Burns() const { return burns_; }

  private:
    // The SRAM behind a run of addresses that lies wholly in one window (the bank's at 0xC000,
    // the staging window at 0x9000), nullptr otherwise.
    uint8_t* SramAt(uint32_t address, size_t length = 1);
    void Burn(uint8_t command);

    std::array<std::array<uint8_t, 2 * kSectionSize>, 4> sram_{};
    std::array<uint8_t, kSectionSize> staging_{};
    Flash flash_;
    Faults faults_;
    SimGt9xxxConfig config_;
    uint8_t bank_ = 0;
    uint8_t lastCommand_ = 0;
    bool finished_ = false;
    bool gone_ = false;
    int burns_ = 0;
};

}  // namespace sim
