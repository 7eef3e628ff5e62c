#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "sim/SimGtFlash.h"
#include "sim/gt73xx/SimGt73xx.h"

namespace sim {

// The programming side of a simulated GT73xx: the chip memory at 0x8000-0x9FFF (while the
// processor is held or the stub runs) that takes the 4096-byte ISP stub and then each
// block's data, the stub's block handshake (header at 0xFFF0, host flag 0x4196, answers at
// 0x4195 and 0x4197) and the flash it writes, the restart command (0xAA at 0x8040 with data
// 0x00 and check byte 0x56) and the bridge's update session (commands 43 and 41 open it,
// 42 and 40 close it). The firmware's identity: flash bytes 0-3, a zero, 5-7.
class SimGt73xxFlash : public SimGtFlash<SimGt73xx> {
  public:
    static constexpr uint32_t kFlashSize = 0x40000;

    explicit SimGt73xxFlash(const std::string& productId = "7387",
                            std::array<uint8_t, 3> version = {0x01, 0x02, 0x03});

    int BlocksWritten() const { return blocksWritten_; }
    // The bridge's update session is open (43 then 41 sent, 42 then 40 not yet).
    bool SessionOpen() const { return sessionOpen_; }

  protected:
    // Also the update-session commands 40 to 43.
    void InstallHandlers(SimBridge& bridge) override;
    void OnRegister(uint32_t address, uint8_t value) override;
    void OnWindowWrite(uint32_t offset, size_t length) override;
    bool WindowOpen() const override { return held_ || running_; }
    void OnStart() override { running_ = receiving_ = taken_ = false; }

  private:
    void OnHostFlag(uint8_t value);
    void TakeBlock();
    void Session(int command);

    bool running_ = false;  // the ISP stub
    uint32_t stubBytes_ = 0;
    bool receiving_ = false;
    bool taken_ = false;
    uint32_t blockLength_ = 0, blockAddress_ = 0, blockSum_ = 0, received_ = 0;
    int blockNumber_ = 0;
    int blocksWritten_ = 0;
    int lastSessionCommand_ = 0;
    bool sessionOpen_ = false;
};

}  // namespace sim
