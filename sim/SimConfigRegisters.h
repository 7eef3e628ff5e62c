#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "sim/TouchTarget.h"

namespace sim {

// The configuration registers of a simulated touch controller. A block written with the
// family's handshake is taken when the family's checksum holds: the chip keeps it (a
// read-back shows it) and completes the handshake. A block whose checksum fails is not
// taken: the registers show the configuration held before and the handshake stays open.
class SimConfigRegisters {
  public:
    struct Layout {
        uint32_t address = 0;
        uint32_t length = 0;
        uint32_t extAddress = 0;
        uint32_t extLength = 0;  // 0: no extended block
    };
    struct Faults {
        bool handshakeNeverCompletes = false;  // the chip never takes a block nor answers
        bool storesOtherBytes = false;         // a taken block is kept with one byte changed
        bool rejectsChecksum = false;          // every checksum counts as wrong
        // A block whose version (byte 0) is not 0 and below the version held is acknowledged
        // and dropped: the chip keeps what it held. Version 0 is always taken.
        bool dropsOlderVersion = false;
    };

    explicit SimConfigRegisters(Layout layout) : layout_(layout) {}
    virtual ~SimConfigRegisters() = default;

    Layout& layout() { return layout_; }
    const Layout& layout() const { return layout_; }
    Faults& faults() { return faults_; }
    const Faults& faults() const { return faults_; }

    // Sets the registers' start values.
    virtual void Prepare(RegisterMap&) {}
    // The chip holds a configuration (main block, then extended block) from the start.
    void Hold(RegisterMap& registers, std::vector<uint8_t> block);
    // Called after `length` bytes were written into the registers at `address`.
    virtual void Written(RegisterMap& registers, uint32_t address, size_t length) = 0;

  protected:
    static bool Covers(uint32_t address, size_t length, uint32_t target) {
        return target >= address && target - address < length;
    }
    // The main block (then the extended block) as the registers hold it now.
    std::vector<uint8_t> Block(const RegisterMap& registers) const;
    // Takes the block in the registers when its checksum holds (and no fault stops it), else
    // puts the held configuration back into the registers; bytes in `keep` (handshake
    // registers) stay as they are. True when taken: the family then completes the handshake.
    bool Settle(RegisterMap& registers, bool checksumHolds, std::vector<uint32_t> keep = {});

  private:
    Layout layout_;
    Faults faults_;
    std::vector<uint8_t> stored_;  // the configuration the chip holds
};

// A simulated chip with a family's configuration registers: every write reaches the chip's
// own registers first, then the configuration registers.
template <class Registers, class Chip>
class WithConfigRegisters : public Chip {
  public:
    template <typename... Args>
    explicit WithConfigRegisters(Args&&... args) : Chip(std::forward<Args>(args)...) {
        config_.Prepare(*this);
    }
    void Write(uint32_t address, const uint8_t* data, size_t length) override {
        Chip::Write(address, data, length);
        config_.Written(*this, address, length);
    }
    SimConfigRegisters& config() { return config_; }

  private:
    Registers config_;
};

}  // namespace sim
