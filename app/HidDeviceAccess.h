#pragma once

#include "bridge/RegisterAccess.h"

class CHidDevice;

// The register-access road over the bridge device, for the code that holds a RegisterAccess.
// It stands in until the bridge device offers the interface itself.
class HidDeviceAccess final : public RegisterAccess {
  public:
    explicit HidDeviceAccess(CHidDevice& device) : device_(device) {}

    bool ReadRegs(uint32_t address, uint8_t* buffer, uint32_t length, uint32_t timeoutMs) override;
    bool ReadBlock32(uint32_t address, uint8_t* buffer) override;
    bool WriteRegs(uint32_t address, const uint8_t* data, uint32_t length) override;
    bool SendBridgeCommand(BridgeCommand command) override;
    uint8_t ReadByte(uint32_t address) override;
    bool WriteByte(uint32_t address, uint8_t value) override;
    bool PollByte(uint32_t address, uint8_t expected, int tries) override;
    bool WriteWordBE(uint32_t address, uint16_t value) override;
    bool SendCommandRecord(const CommandRecord& record, BridgeCommand command) override;
    bool ResetChip() override;
    bool SendBridgeCommand18() override;
    bool ReadBridgeConfig(uint8_t* buffer, uint32_t length) override;
    bool Exchange(const RequestForm& form, uint8_t* data, uint32_t length,
                  std::array<uint8_t, 6>* header = nullptr) override;

  private:
    CHidDevice& device_;
};
