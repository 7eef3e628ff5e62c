#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

#include "sim/SimChip.h"

namespace sim {

// A GT79xx controller (24-bit registers): the 23-byte identity block at 0x10014 (product id,
// up to five characters, in bytes 10-14; version in bytes 18-21), the 189-byte information
// block at 0x10070, and the real-time command register at 0x10174, whose first two bytes
// the chip sets to 0x80 once it has taken a command frame written there.
class SimGt79xx : public SimChip {
  public:
    static constexpr uint32_t kIdAddr = 0x10014;
    static constexpr uint32_t kInfoAddr = 0x10070;
    static constexpr size_t kInfoSize = 189;
    static constexpr uint32_t kRealTimeCmdAddr = 0x10174;

    struct Info {
        uint8_t drivers = 0;
        uint8_t sensors = 0;
        uint32_t realTimeCmdAddr = kRealTimeCmdAddr;
        uint32_t firmwareVersion = 0;
        bool checksumHolds = true;
    };

    explicit SimGt79xx(const std::string& productId = "7936",
                       std::array<uint8_t, 4> version = {0x01, 0x02, 0x03, 0x04});
    void SetProductId(const std::string& productId);
    void SetVersion(std::array<uint8_t, 4> version);
    // Lays out the information block: length 189, the fields, and the checksum (or a wrong one).
    void SetInfo(const Info& info);
    // Whether command frames at the real-time command register are acknowledged (default yes).
    void SetAcknowledgeCommands(bool acknowledge) { acknowledge_ = acknowledge; }

    void Write(uint32_t address, const uint8_t* data, size_t length) override;

  protected:
    int BridgeFamily() const override { return 4; }

  private:
    std::atomic<bool> acknowledge_{true};
};

}  // namespace sim
