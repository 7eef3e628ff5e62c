#pragma once

#include <gmock/gmock.h>

#include "bridge/RegisterAccess.h"

namespace testsupport {

// A scripted road to the bridge: tests set what each operation answers and check what was
// asked of it.
class MockRegisterAccess : public RegisterAccess {
  public:
    MOCK_METHOD(bool, ReadRegs, (uint32_t, uint8_t*, uint32_t, uint32_t), (override));
    MOCK_METHOD(bool, ReadBlock32, (uint32_t, uint8_t*), (override));
    MOCK_METHOD(bool, WriteRegs, (uint32_t, const uint8_t*, uint32_t), (override));
    MOCK_METHOD(bool, SendBridgeCommand, (BridgeCommand), (override));
    MOCK_METHOD(uint8_t, ReadByte, (uint32_t), (override));
    MOCK_METHOD(bool, WriteByte, (uint32_t, uint8_t), (override));
    MOCK_METHOD(bool, PollByte, (uint32_t, uint8_t, int), (override));
    MOCK_METHOD(bool, WriteWordBE, (uint32_t, uint16_t), (override));
    MOCK_METHOD(bool, SendCommandRecord, (const CommandRecord&, BridgeCommand), (override));
    MOCK_METHOD(bool, ResetChip, (), (override));
    MOCK_METHOD(bool, SendBridgeCommand18, (), (override));
    MOCK_METHOD(bool, ReadBridgeConfig, (uint8_t*, uint32_t), (override));
    MOCK_METHOD(bool, Exchange, (const RequestForm&, uint8_t*, uint32_t, (std::array<uint8_t, 6>*)),
                (override));
};

}  // namespace testsupport
