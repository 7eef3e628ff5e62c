#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/SimChip.h"

namespace sim {

// A GT79xx controller (24-bit registers): the 23-byte identity block at 0x10014 (product id,
// up to five characters, in bytes 10-14; version in bytes 18-21), the 189-byte information
// block at 0x10070, and the real-time command register at the address the information block
// names (0x10174 by default), whose first two bytes the chip sets to 0x80 once it has taken a
// command frame written there. A frame is taken when its layout and sum hold: 0x00 0x00, a
// length byte n (4, or 5 with a parameter), the command, the parameter, the 16-bit sum of
// bytes 2 to n - 1 (low byte first); a frame that does not hold is not answered.
// The configuration at 0x13B74 is written and read in brackets of frames: 4 opens a write,
// and the bytes written since are taken when 5 closes it; 7 opens a read and 8 closes it.
// Outside a read the configuration reads 0xFF; outside a write, writes to it are dropped;
// 5 or 8 without its opening frame is not answered.
//
// Its download side: bridge commands 43 and 41 open the update state, 42 and 40 close it;
// 0xD807 keeps what is written to it; a zero written to 0xD808 in the update state starts the
// ISP stub loaded at 0x57000, which announces "ISP" in bytes 3-5 at 0x1001E and then takes
// chunks through the mailbox: data and word sum at 0x13410, the 13-byte header at 0x13400,
// answered with 0xEE at 0x13400 once the chunk is in flash (0xFF when it is refused).
// The bridge's touch-controller reset (command 4) restarts the chip from flash: the firmware
// at flash address 0 carries the identity it shows (four model characters, four version
// bytes), and the configuration at 0x40000 becomes the configuration at 0x13B74.
class SimGt79xx : public SimChip {
  public:
    static constexpr uint32_t kIdAddr = 0x10014;
    static constexpr size_t kIdSize = 23;
    static constexpr uint32_t kInfoAddr = 0x10070;
    static constexpr size_t kInfoSize = 189;
    static constexpr uint32_t kRealTimeCmdAddr = 0x10174;
    static constexpr uint32_t kConfigAddr = 0x13B74;
    static constexpr uint32_t kConfigSize = 4096;
    static constexpr uint32_t kFlashSize = 0x80000;
    static constexpr uint32_t kFlashConfigAddr = 0x40000;

    struct Info {
        uint8_t drivers = 0;
        uint8_t sensors = 0;
        uint32_t realTimeCmdAddr = kRealTimeCmdAddr;
        uint32_t firmwareVersion = 0;
        bool checksumHolds = true;
    };

    struct Faults {
        bool neverAcknowledge = false;  // neither command frames nor mailbox chunks are answered
        int rejectSubImageType = -1;    // chunks of this sub-image type are refused
        bool goneAfterReset = false;    // after a reset in the update state every register reads 0
        // After a reset in the update state the identity block reads zeros, as it does while
        // the firmware starts, for that many reads of it; -1: for good (the chip answers no
        // identity). Its other registers answer as usual.
        int silentAfterReset = 0;
    };

    // One mailbox chunk the chip took into flash.
    struct Chunk {
        uint8_t type;
        uint32_t target;
        uint32_t length;
    };

    explicit SimGt79xx(const std::string& productId = "7936",
                       std::array<uint8_t, 4> version = {0x01, 0x02, 0x03, 0x04});
    void SetProductId(const std::string& productId);
    void SetVersion(std::array<uint8_t, 4> version);
    // Lays out the information block: length 189, the fields, and the checksum (or a wrong one).
    void SetInfo(const Info& info);
    // Whether command frames at the real-time command register are acknowledged (default yes).
    void SetAcknowledgeCommands(bool acknowledge) { acknowledge_ = acknowledge; }
    // Puts a configuration image at the configuration address.
    void SetConfig(const std::vector<uint8_t>& image);

    void Read(uint32_t address, uint8_t* out, size_t length) override;
    void Write(uint32_t address, const uint8_t* data, size_t length) override;
    void Reset();

    Faults& faults() { return faults_; }
    const std::vector<uint8_t>& Flash() const { return flash_; }
    const std::vector<Chunk>& Chunks() const { return chunks_; }

  protected:
    int BridgeFamily() const override { return 4; }
    // 24-bit registers: the packed header carries the address's third byte.
    SimBridge::RequestHeader BridgeRequestHeader() const override {
        return SimBridge::RequestHeader::Packed;
    }
    void InstallHandlers(SimBridge& bridge) override;

  private:
    enum class Bracket { None, Write, Read };
    static constexpr uint8_t kOpenWrite = 4, kCloseWrite = 5, kOpenRead = 7, kCloseRead = 8;

    void TakeChunk(const uint8_t* header);
    // A frame written at the real-time command register.
    void TakeFrame(const uint8_t* frame, size_t length);
    // Whether the bytes touch the configuration (the ISP stub's mailbox lies over it).
    bool InConfig(uint32_t address, size_t length) const;

    std::atomic<bool> acknowledge_{true};
    std::string productId_;
    std::array<uint8_t, 4> version_{};
    Info info_;
    Faults faults_;
    std::vector<uint8_t> flash_ = std::vector<uint8_t>(kFlashSize, 0xFF);
    std::vector<Chunk> chunks_;
    bool entryFirst_ = false;
    bool updateState_ = false;
    bool ispRunning_ = false;
    bool firmwareWritten_ = false;
    bool configWritten_ = false;
    bool gone_ = false;
    int silentReads_ = 0;  // reads of the identity block still answered with zeros; -1: all
    Bracket bracket_ = Bracket::None;
    std::vector<uint8_t> pending_ = std::vector<uint8_t>(kConfigSize);  // the open write
};

}  // namespace sim
