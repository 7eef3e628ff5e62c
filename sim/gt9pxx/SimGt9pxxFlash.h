#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/gt9pxx/SimGt9pxx.h"

namespace sim {

// The programming side of a simulated GT9Pxx: the processor hold at 0x4180, the stub memory
// at 0xC000 (2048 bytes), the stub's call and answer at 0x8006 (eight bytes 0x55 written,
// 0xAA 0xBB answered once it runs), the block buffer at 0x8100 with its start word at 0x8020
// and status at 0x8022, the flash the stub writes (address word x 256), the restart command
// (0x60 0x00 0xA0 at 0x8040, carried out when the processor is released) and the bridge's
// end-of-download command 18.
//
// The stub sums a block as the buffer holds it: for an odd length the last word's low byte
// is the buffer byte after the data. The simulated firmware carries its identity in the
// first seven bytes of flash (product id characters 0-3, three version bytes); after a
// restart or a reset the chip shows it at 0x8140.
class SimGt9pxxFlash : public SimGt9pxx {
  public:
    static constexpr uint32_t kFlashSize = 0x100000;

    struct Faults {
        int holdRefusals = 0;             // that many hold requests (0x0C) do not take
        bool stubReadsBackWrong = false;  // the stub memory reads back one byte changed
        bool stubNeverReady = false;      // 0x8006 never shows 0xAA 0xBB
        int blockNeverConfirmed = 0;      // the n-th block (from 1) is never accepted
        bool goneAfterRestart = false;    // after the restart every register reads 0
    };
    // One block the stub accepted.
    struct Block {
        uint8_t type;
        uint16_t addressWord;
        uint16_t length;
        bool operator==(const Block&) const = default;
    };

    explicit SimGt9pxxFlash(const std::string& productId = "9286",
                            std::array<uint8_t, 3> version = {0x01, 0x02, 0x03});

    void Read(uint32_t address, uint8_t* out, size_t length) override;
    void Write(uint32_t address, const uint8_t* data, size_t length) override;

    Faults& faults() { return faults_; }
    const std::vector<uint8_t>& flash() const { return flash_; }
    std::vector<uint8_t> IspStub() const;
    const std::vector<Block>& Blocks() const { return blocks_; }
    int DownloadEnds() const { return downloadEnds_; }
    int Restarts() const { return restarts_; }

  protected:
    // The touch-controller reset (command 4) and the end of the download (command 18).
    void InstallHandlers(SimBridge& bridge) override;

  private:
    bool InStubMemory(uint32_t address, size_t length) const;
    void OnRegister(uint32_t address, uint8_t value);
    void TakeBlock();
    void StartFromFlash(bool fault);

    Faults faults_;
    std::vector<uint8_t> flash_;
    std::array<uint8_t, 2048> stub_{};
    std::vector<Block> blocks_;
    bool held_ = false;
    bool running_ = false;  // the ISP stub
    bool restartAsked_ = false;
    bool gone_ = false;
    uint32_t stubBytes_ = 0;
    int blockNumber_ = 0;
    int downloadEnds_ = 0;
    int restarts_ = 0;
};

}  // namespace sim
