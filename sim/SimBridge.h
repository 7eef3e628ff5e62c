#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "sim/TouchTarget.h"

namespace sim {

using Report = std::array<uint8_t, 64>;

// One request as the simulated bridge decoded it from a report.
struct BridgeRequest {
    int type = 0;
    int command = 0;
    uint32_t address = 0;
    uint16_t length = 0;           // length field of this report
    bool continuation = false;     // a later report of a multi-report write
    uint8_t marker = 0;            // byte 2 as sent (command, 0x2C/0x2D/0x2E or address bits)
    std::vector<uint8_t> payload;  // the report's payload bytes (length field, at most 57)
};

// The substitute bridge firmware: decodes the reports it is sent, answers register reads
// and stores register writes on its touch target, and records every other command.
class SimBridge {
  public:
    struct Interface {
        int number = 0;
        uint16_t inputReportLength = 64;
        uint16_t outputReportLength = 64;
    };
    // Handles a bridge command other than a plain register transfer. Pushes any answer
    // reports; returns false to leave the command unanswered.
    using CommandHandler = std::function<void(const BridgeRequest&, std::vector<Report>& replies)>;

    // Without interfaces given: one, number 0, with 64-byte reports.
    SimBridge(uint16_t vendorId, uint16_t productId, uint16_t version);
    SimBridge(uint16_t vendorId, uint16_t productId, uint16_t version,
              std::vector<Interface> interfaces);

    uint16_t VendorId() const { return vendorId_; }
    uint16_t ProductId() const { return productId_; }
    uint16_t Version() const { return version_; }
    // Tells bridges of the same kind apart in their interface names.
    unsigned Serial() const { return serial_; }
    // The USB port the bridge is plugged into, its own: it comes back there from its boot mode.
    std::string Port() const;
    const std::vector<Interface>& Interfaces() const { return interfaces_; }

    // The family number of the chip behind the bridge, as the program numbers families; the
    // attached chip sets it.
    void SetFamily(int family);
    int Family() const;
    // How the requests' headers are laid out: plain (type, command and a 16-bit address in
    // bytes 1 to 4), or packed (type in bit 7 of byte 1 with the command below it, a 24-bit
    // address in bytes 2 to 4). The attached chip sets what its family uses.
    enum class RequestHeader { Plain, Packed };
    void SetRequestHeader(RequestHeader header);

    // The identity text that the bridge answers to bridge command 3 (zero-padded to the
    // length asked for) unless a handler takes that command.
    void SetIdentity(std::string text);
    std::string Identity() const;

    // The bridge's own 24-byte configuration block: read with bridge command 48, written with
    // command 49 (unless a handler takes them). A new bridge holds zeros: no block.
    static constexpr size_t kConfigBlockLength = 24;
    void SetConfigBlock(const std::array<uint8_t, kConfigBlockLength>& block);
    std::array<uint8_t, kConfigBlockLength> ConfigBlock() const;
    // A fault: command 49 is taken as always, and the block the bridge had stays.
    void SetDropsConfigBlock(bool drops);

    void SetTarget(std::shared_ptr<TouchTarget> target);
    RegisterMap& Registers() { return *registers_; }
    void SetCommandHandler(int command, CommandHandler handler);

    // From the n-th report sent to the bridge on (1-based), it neither takes reports nor
    // answers. 0 turns this off.
    void StopAnsweringFrom(uint64_t reportNumber);
    // Per-report latency in milliseconds, spent on the bus's clock for each report each way.
    void SetLatencyMs(uint32_t ms) { latencyUs_ = uint64_t{ms} * 1000; }
    // Spends one report's time on the link. Reports that follow each other closely share
    // one time line, so a late wake-up of the waiting thread is not charged twice.
    void SpendLinkTime(platform::Clock& clock);

    // Takes one report; false when the bridge does not take it (it stopped answering).
    bool Receive(const uint8_t* report, size_t length, std::vector<Report>& replies);
    // Runs `action` once, on the sending thread, right after the n-th report sent to the
    // bridge (1-based) was taken and before it is answered.
    void AtReport(uint64_t reportNumber, std::function<void()> action);

    // How the trace tells this bridge from the bench's first one: its report lines begin with
    // `reportPrefix` ("2> ...") and its plug and unplug lines name it (`name`). Set before the
    // bridge is plugged in; read without a lock, as a command handler may unplug the bridge.
    struct TraceMark {
        std::string reportPrefix;
        std::string name;
    };
    void SetTraceMark(TraceMark mark);
    const TraceMark& GetTraceMark() const { return traceMark_; }

    uint64_t ReportsReceived() const;
    // Every request other than a plain register transfer, in order.
    std::vector<BridgeRequest> Commands() const;
    // Every request of any kind, in order.
    std::vector<BridgeRequest> Requests() const;
    void ClearRecords();

    // Packs answer data into input reports (63 data bytes each), for command handlers.
    static void Answer(const uint8_t* data, size_t length, std::vector<Report>& replies);

  private:
    BridgeRequest Decode(const uint8_t* report) const;
    bool Take(const uint8_t* report, size_t length, std::vector<Report>& replies);

    uint16_t vendorId_, productId_, version_;
    unsigned serial_;
    std::vector<Interface> interfaces_;
    mutable std::mutex mutex_;
    int family_ = 1;
    RequestHeader header_ = RequestHeader::Plain;
    std::shared_ptr<RegisterMap> registers_;
    std::shared_ptr<TouchTarget> target_;
    std::map<int, CommandHandler> handlers_;
    std::string identity_ = "Halden_V1.00";
    std::array<uint8_t, kConfigBlockLength> configBlock_{};
    bool dropsConfigBlock_ = false;
    uint64_t stopFrom_ = 0;
    uint64_t received_ = 0;
    uint64_t actionAt_ = 0;
    std::function<void()> action_;
    TraceMark traceMark_;
    std::atomic<uint64_t> latencyUs_{0};
    uint64_t linkFreeAtUs_ = 0;
    int lastCommand_ = 0;
    int lastType_ = 0;
    std::vector<BridgeRequest> commands_;
    std::vector<BridgeRequest> requests_;
};

}  // namespace sim
