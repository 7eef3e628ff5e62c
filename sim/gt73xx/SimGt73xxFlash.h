#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/gt73xx/SimGt73xx.h"

namespace sim {

// The programming side of a simulated GT73xx: the processor hold at 0x4180, the chip memory
// at 0x8000 that takes the ISP stub and then each block's data, the stub's block handshake
// (header at 0xFFF0, host flag 0x4196, answers at 0x4195 and 0x4197) and the flash it
// writes, the restart command (0xAA at 0x8040 with data 0x00 and check byte 0x56) and the
// bridge's update session (commands 43 and 41 open it, 42 and 40 close it).
//
// While the processor is held or the stub runs, 0x8000-0x9FFF is the chip memory; otherwise
// those addresses are the running chip's registers. The simulated firmware carries its
// identity in the first eight bytes of flash (product id characters 0-3, a zero byte, three
// version bytes); after a restart or a reset the chip shows it at 0x8240.
class SimGt73xxFlash : public SimGt73xx {
  public:
    static constexpr uint32_t kFlashSize = 0x40000;

    struct Faults {
        int holdRefusals = 0;             // that many hold requests (0x0C) do not take
        bool stubReadsBackWrong = false;  // the chip memory reads back one byte changed
        bool stubNeverReady = false;      // 0x4195 never reaches 0xFF once the stub runs
        int blockNeverConfirmed = 0;      // the n-th block (from 1) is never confirmed
        bool goneAfterRestart = false;    // after the restart command every register reads 0
    };

    explicit SimGt73xxFlash(const std::string& productId = "7387",
                            std::array<uint8_t, 3> version = {0x01, 0x02, 0x03});

    void Read(uint32_t address, uint8_t* out, size_t length) override;
    void Write(uint32_t address, const uint8_t* data, size_t length) override;

    Faults& faults() { return faults_; }
    const std::vector<uint8_t>& flash() const { return flash_; }
    // The ISP stub that last started.
    const std::vector<uint8_t>& IspStub() const { return stub_; }
    int BlocksWritten() const { return blocksWritten_; }
    // The bridge's update session is open (43 then 41 sent, 42 then 40 not yet).
    bool SessionOpen() const { return sessionOpen_; }
    int Restarts() const { return restarts_; }

  protected:
    // The touch-controller reset (command 4) and the update-session commands 40 to 43.
    void InstallHandlers(SimBridge& bridge) override;

  private:
    bool InMemory(uint32_t address, size_t length) const;
    void WriteMemory(uint32_t address, const uint8_t* data, size_t length);
    void OnRegister(uint32_t address, uint8_t value);
    void TakeBlock();
    // The chip starts from flash (or, with the fault, does not come back).
    void StartFromFlash(bool fault);
    void Session(int command);

    Faults faults_;
    std::vector<uint8_t> flash_;
    std::array<uint8_t, 0x2000> memory_{};
    std::vector<uint8_t> stub_;
    bool held_ = false;
    bool running_ = false;  // the ISP stub
    bool gone_ = false;
    uint32_t stubBytes_ = 0;
    bool receiving_ = false;
    bool taken_ = false;
    uint32_t blockLength_ = 0, blockAddress_ = 0, blockSum_ = 0, received_ = 0;
    int blockNumber_ = 0;
    int blocksWritten_ = 0;
    int lastSessionCommand_ = 0;
    bool sessionOpen_ = false;
    int restarts_ = 0;
};

}  // namespace sim
