#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "sim/SimChip.h"

namespace sim {

// An FT5xxx controller (8-bit registers). Register 0x00 selects the mode: 0x40 written there
// enters factory mode (when the chip accepts it), 0x00 returns to work mode; it reads 0x40 in
// factory mode. In factory mode register 0xB4 reads 0 once the chip is ready. The 32-byte
// identification text lies at 0xA6. The bridge reads 32 registers with command 38 and
// answers command 19 with one byte.
//
// Boot mode: the writes 55, EB AA 09, FC AA, FC 55, EB AA 09, 55 to register 0xFF, in that
// order, after the bridge was sent commands 41 and 43, put the chip into its boot mode, in
// which registers 0x90 and 0x91 read its boot id 0x56 0xA2.
class SimFt5xxx : public SimChip {
  public:
    static constexpr uint32_t kModeRegister = 0x00;
    static constexpr uint32_t kReadyRegister = 0xB4;
    static constexpr uint32_t kIdentAddr = 0xA6;
    static constexpr uint32_t kBootCommand = 0xFF;
    static constexpr uint32_t kBootIdAddr = 0x90;

    explicit SimFt5xxx(const std::string& identText = "FT5682_V1.0");
    // The identification text as 8-bit bytes, zero-padded to 32.
    void SetIdentText(const std::string& text);
    void SetAcceptsFactoryMode(bool accepts) { acceptsFactoryMode_ = accepts; }
    void SetFactoryMode(bool on);
    bool InFactoryMode() const { return factoryMode_; }
    void SetReady(bool ready) { ready_ = ready; }
    // The byte that bridge command 19 answers (default 1).
    void SetCommand19Answer(uint8_t answer) { command19Answer_ = answer; }
    void SetAcceptsBootMode(bool accepts) { acceptsBootMode_ = accepts; }
    bool InBootMode() const { return bootMode_; }

    void Read(uint32_t address, uint8_t* out, size_t length) override;
    void Write(uint32_t address, const uint8_t* data, size_t length) override;

  protected:
    int BridgeFamily() const override { return 6; }
    void InstallHandlers(SimBridge& bridge) override;

  private:
    void BootStep(const uint8_t* data, size_t length);

    std::atomic<bool> acceptsBootMode_{true};
    std::atomic<bool> bootMode_{false};
    size_t bootStep_ = 0;
    int lastBridgeCommand_ = 0;
    bool bridgeReady_ = false;
    std::atomic<bool> acceptsFactoryMode_{true};
    std::atomic<bool> factoryMode_{false};
    std::atomic<bool> ready_{true};
    std::atomic<uint8_t> command19Answer_{1};
};

}  // namespace sim
