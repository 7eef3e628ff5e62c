#pragma once

#include <array>
#include <cstdint>

#include "bridge/BridgeCommandHeader.h"
#include "bridge/CommandRecord.h"
#include "bridge/RequestQueue.h"

// The form of a request that no named operation covers (identity read, command-19 read, ...).
struct RequestForm {
    RequestType type = kRequestRead;
    BridgeCommand command = kCmdRegister;
    uint32_t address = 0;
    uint32_t timeoutMs = 100;
    QueueEnd end = QueueEnd::Back;
};

// The road to the touch controller and the bridge: synchronous register operations, each one
// request executed by the bridge's worker. Chips, configurations and updaters hold one by
// reference; the bridge device implements it, tests give a scripted fake or the simulated bridge.
class RegisterAccess {
  public:
    virtual ~RegisterAccess() = default;

    virtual bool ReadRegs(uint32_t address, uint8_t* buffer, uint32_t length,
                          uint32_t timeoutMs) = 0;
    // 32 register bytes through the bridge's block read (command 38).
    virtual bool ReadBlock32(uint32_t address, uint8_t* buffer) = 0;
    virtual bool WriteRegs(uint32_t address, const uint8_t* data, uint32_t length) = 0;
    // A bare bridge command: no address, no data.
    virtual bool SendBridgeCommand(BridgeCommand command) = 0;
    // The byte read; 0xEE when the bridge is not open; after a failed transfer the header byte
    // as built.
    virtual uint8_t ReadByte(uint32_t address) = 0;
    virtual bool WriteByte(uint32_t address, uint8_t value) = 0;
    // True as soon as one of `tries` reads gives `expected`.
    virtual bool PollByte(uint32_t address, uint8_t expected, int tries) = 0;
    // Bits 8-15 first.
    virtual bool WriteWordBE(uint32_t address, uint16_t value) = 0;
    virtual bool SendCommandRecord(const CommandRecord& record, BridgeCommand command) = 0;
    virtual bool ResetChip() = 0;
    // The GT9Pxx end-of-download command (18), with its longer time-out.
    virtual bool SendBridgeCommand18() = 0;
    virtual bool ReadBridgeConfig(uint8_t* buffer, uint32_t length) = 0;
    // A request of a given form. With data == nullptr the request's own header serves as the
    // buffer: a read of up to six bytes lands there and is copied to `header` when given.
    virtual bool Exchange(const RequestForm& form, uint8_t* data, uint32_t length,
                          std::array<uint8_t, 6>* header = nullptr) = 0;
};
