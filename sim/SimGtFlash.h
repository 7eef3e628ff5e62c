#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "sim/SimBridge.h"
#include "sim/SimChip.h"

namespace sim {

// Faults of a simulated GT73xx or GT9Pxx download.
struct SimGtFlashFaults {
    int holdRefusals = 0;             // that many hold requests (0x0C) do not take
    bool stubReadsBackWrong = false;  // the stub's memory reads back one byte changed
    bool stubNeverReady = false;      // the stub never reports ready once it runs
    int blockNeverConfirmed = 0;      // the n-th block (from 1) is never confirmed
    bool goneAfterRestart = false;    // after the restart every register reads 0
};

// What the GT73xx and GT9Pxx download simulations share, on top of the family's simulated
// chip: the processor hold at 0x4180, a memory window that holds the ISP stub while the chip
// is in programming state (otherwise those addresses are the chip's registers), the flash,
// a chip that starts from flash after a reset (bridge command 4) or a restart, and the faults.
// The simulated firmware carries its identity in its first bytes of flash: product id
// characters 0-3, then the three version bytes at `versionAt`.
template <class Chip>
class SimGtFlash : public Chip {
  public:
    struct Layout {
        uint32_t windowAddr, windowSize, flashSize, versionAt;
    };

    SimGtFlash(const Layout& layout, const std::string& productId, std::array<uint8_t, 3> version)
        : Chip(productId, version),
          layout_(layout),
          window_(layout.windowSize),
          flash_(layout.flashSize, 0xFF) {
        for (size_t i = 0; i < 4; ++i) flash_[i] = i < productId.size() ? productId[i] : 0;
        if (layout.versionAt > 4) flash_[4] = 0;
        std::copy(version.begin(), version.end(), flash_.begin() + layout.versionAt);
    }

    void Read(uint32_t address, uint8_t* out, size_t length) override {
        if (gone_) {
            std::fill(out, out + length, 0);
        } else if (InWindow(address, length)) {
            std::memcpy(out, window_.data() + (address - layout_.windowAddr), length);
            if (faults_.stubReadsBackWrong && held_ && length > 1) out[length / 2] ^= 0x5A;
        } else {
            Chip::Read(address, out, length);
        }
    }

    void Write(uint32_t address, const uint8_t* data, size_t length) override {
        if (gone_) return;
        if (InWindow(address, length)) {
            std::memcpy(window_.data() + (address - layout_.windowAddr), data, length);
            OnWindowWrite(address - layout_.windowAddr, length);
            return;
        }
        Chip::Write(address, data, length);
        for (size_t i = 0; i < length; ++i) OnRegister(address + static_cast<uint32_t>(i), data[i]);
    }

    SimGtFlashFaults& faults() { return faults_; }
    const std::vector<uint8_t>& flash() const { return flash_; }
    // The ISP stub that last started.
    const std::vector<uint8_t>& IspStub() const { return stub_; }
    int Restarts() const { return restarts_; }

  protected:
    static constexpr uint32_t kHold = 0x4180;

    // The bridge's touch-controller reset (command 4) starts the chip from flash.
    void InstallHandlers(SimBridge& bridge) override {
        Chip::InstallHandlers(bridge);
        std::weak_ptr<SimChip> self = this->weak_from_this();
        bridge.SetCommandHandler(4, [self](const BridgeRequest&, std::vector<Report>&) {
            auto chip = std::static_pointer_cast<SimGtFlash>(self.lock());
            if (chip && !chip->gone_) chip->StartFromFlash(false);
        });
    }

    // A register byte written outside the window, and bytes written into the window.
    virtual void OnRegister(uint32_t address, uint8_t value) = 0;
    virtual void OnWindowWrite(uint32_t offset, size_t length) = 0;
    // Whether the window is the chip's memory now (the processor held or the stub running).
    virtual bool WindowOpen() const { return held_; }
    // The chip state a start from flash clears.
    virtual void OnStart() {}

    // A hold request (0x0C at 0x4180): taken unless a refusal is left, which leaves the
    // register reading 0.
    bool TakeHold() {
        if (faults_.holdRefusals > 0) {
            --faults_.holdRefusals;
            this->Set(kHold, 0x00);
            return false;
        }
        held_ = true;
        return true;
    }
    // The stub starts from the first `size` bytes of the window.
    void StartStub(uint32_t size) { stub_.assign(window_.begin(), window_.begin() + size); }
    // The chip starts from flash (or, with the fault, does not come back).
    void StartFromFlash(bool fault) {
        held_ = false;
        OnStart();
        this->Set(kHold, 0x00);
        if (fault) {
            gone_ = true;
            return;
        }
        std::string id;
        for (size_t i = 0; i < 4 && flash_[i] != 0; ++i) id += static_cast<char>(flash_[i]);
        this->SetProductId(id);
        const uint8_t* version = flash_.data() + layout_.versionAt;
        this->SetVersion({version[0], version[1], version[2]});
    }
    void Restart() {
        ++restarts_;
        StartFromFlash(faults_.goneAfterRestart);
    }

    Layout layout_;
    SimGtFlashFaults faults_;
    std::vector<uint8_t> window_;
    std::vector<uint8_t> flash_;
    std::vector<uint8_t> stub_;
    bool held_ = false;

  private:
    bool InWindow(uint32_t address, size_t length) const {
        return WindowOpen() && address >= layout_.windowAddr &&
               address + length <= layout_.windowAddr + layout_.windowSize;
    }

    bool gone_ = false;
    int restarts_ = 0;
};

}  // namespace sim
