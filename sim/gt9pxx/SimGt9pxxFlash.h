#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/SimGtFlash.h"
#include "sim/gt9pxx/SimGt9pxx.h"

namespace sim {

// The programming side of a simulated GT9Pxx: the stub memory at 0xC000 (2048 bytes, while
// the processor is held), the stub's call and answer at 0x8006 (eight bytes 0x55 written,
// 0xAA 0xBB answered once it runs), the block buffer at 0x8100 with its start word at 0x8020
// and status at 0x8022, the flash the stub writes (address word x 256), the restart command
// (0x60 0x00 0xA0 at 0x8040, carried out when the processor is released) and the bridge's
// end-of-download command 18. The firmware's identity: flash bytes 0-3, then 4-6.
//
// The stub sums the block as big-endian words with its length, address word and check word;
// the sum must be 0. For an odd length the last word's low byte is the byte that follows the
// block in the host's image, which never reaches the chip: the stub takes the block when some
// byte value completes the sum, and keeps that value (FollowingBytes).
class SimGt9pxxFlash : public SimGtFlash<SimGt9pxx> {
  public:
    static constexpr uint32_t kFlashSize = 0x100000;

    // One block the stub accepted.
    struct Block {
        uint8_t type;
        uint16_t addressWord;
        uint16_t length;
        bool operator==(const Block&) const = default;
    };

    explicit SimGt9pxxFlash(const std::string& productId = "9286",
                            std::array<uint8_t, 3> version = {0x01, 0x02, 0x03});

    const std::vector<Block>& Blocks() const { return blocks_; }
    // For each accepted block of odd length, in order: the low byte its check word counted in
    // the last word.
    const std::vector<uint8_t>& FollowingBytes() const { return followingBytes_; }
    int DownloadEnds() const { return downloadEnds_; }

  protected:
    // Also the end of the download (command 18).
    void InstallHandlers(SimBridge& bridge) override;
    void OnRegister(uint32_t address, uint8_t value) override;
    void OnWindowWrite(uint32_t, size_t length) override {
        stubBytes_ += static_cast<uint32_t>(length);
    }
    void OnStart() override { running_ = restartAsked_ = false; }

  private:
    void TakeBlock();

    std::vector<Block> blocks_;
    std::vector<uint8_t> followingBytes_;
    bool running_ = false;  // the ISP stub
    bool restartAsked_ = false;
    uint32_t stubBytes_ = 0;
    int blockNumber_ = 0;
    int downloadEnds_ = 0;
};

}  // namespace sim
