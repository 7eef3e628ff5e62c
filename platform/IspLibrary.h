#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// The bridge chip's in-system-programming library: the four calls through which the bridge,
// switched into its boot mode (USB device 4348:55E0), is found and programmed.
class IspLibrary {
  public:
    // Size of the option record that SetIspOption takes.
    static constexpr size_t kOptionRecordSize = 959;
    // Size of the device table that EnumDevices fills, and the entries it holds.
    static constexpr size_t kDeviceTableSize = 1136;
    static constexpr int kDeviceTableCapacity = 16;

    virtual ~IspLibrary() = default;

    // Takes the option record (kOptionRecordSize bytes) for the calls that follow.
    virtual void SetIspOption(const uint8_t* optionRecord) = 0;
    // Fills the device table (kDeviceTableSize bytes, up to `capacity` entries) with the
    // boot-mode devices that answer the chip type of the option record; returns how many it
    // found (0: none). The three outputs are filled for the caller, who does not use them.
    virtual int EnumDevices(uint8_t* deviceTable, int capacity, uint16_t* outA, uint16_t* outB,
                            uint32_t* outC) = 0;
    // Writes an image into the device named by the leading 32-bit value of a device table
    // entry; nonzero means the image was written.
    virtual int FlashProgramB(uint32_t device, const uint8_t* image, uint32_t length, int arg4,
                              int arg5, int arg6, int arg7) = 0;
    // Ends in-system programming of the device.
    virtual void IspEnd(int arg1, int arg2) = 0;
};

}  // namespace platform
