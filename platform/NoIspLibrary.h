#pragma once

#include "platform/IspLibrary.h"

namespace platform {

// The bridge chip vendor ships its boot-mode programming library for Windows only. Where there
// is none, as on Linux, this stands in its place: it finds no device and programs nothing.
class NoIspLibrary final : public IspLibrary {
  public:
    void SetIspOption(const uint8_t* optionRecord) override;
    int EnumDevices(uint8_t* deviceTable, int capacity, uint16_t* outA, uint16_t* outB,
                    uint32_t* outC) override;
    int FlashProgramB(uint32_t device, const uint8_t* image, uint32_t length, int arg4, int arg5,
                      int arg6, int arg7) override;
    void IspEnd(int arg1, int arg2) override;
};

}  // namespace platform
